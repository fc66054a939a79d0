// The public single-instruction vectors (../shared/sh4-single-step, see its README): for each of
// the 133 encodings, 500 random cases of NOP, the instruction, ADD R1,R1 and NOP run through
// sh2_step against a scripted bus that answers the recorded fetches and data read and checks the
// recorded data write; the registers must then equal the recorded final state (SR through 0x3F3).
// Skips when the folder is absent.
#include <gtest/gtest.h>

#include <dirent.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cpu/sh2_dispatch.h"
#include "shared_data.h"
#include "test_bus.h"

namespace {

const char* const kVectorFolder = "sh4-single-step";

enum {
  CASE_BYTES = 756,
  STATE_OFFSET_INITIAL = 4,
  STATE_OFFSET_FINAL = 288,
  STEPS_OFFSET = 572,
  CODES_OFFSET = 728,
  STEP_BYTES = 36,
  ACTION_READ = 1,
  ACTION_WRITE = 2,
};

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

// The SH-2 part of one recorded state.
struct vector_state {
  uint32_t r[16], pc, gbr, sr, vbr, macl, mach, pr;
};

vector_state parse_state(const uint8_t* p) {
  const uint8_t* w = p + 8;  // size and 4 unused bytes
  auto word = [&](int i) { return le32(w + 4 * i); };
  vector_state st;
  for (int i = 0; i < 16; i++) st.r[i] = word(i);
  // After R0-R15: 8 banked and 32 floating-point registers, then PC, GBR, SR, SSR, SPC, VBR,
  // SGR, DBR, MACL, MACH, PR.
  st.pc = word(56);
  st.gbr = word(57);
  st.sr = word(58) & 0x3F3;
  st.vbr = word(61);
  st.macl = word(64);
  st.mach = word(65);
  st.pr = word(66);
  return st;
}

struct bus_step {
  uint32_t actions, fetch_address, fetch_word, write_address, write_value, read_address, read_value;
};

// The scripted bus of one case: fetches in recorded order (a fetch repeated at an earlier
// address gets that word again), at most one data read and one data write, as recorded.
struct script {
  bus_step step[4];
  int next_fetch;
  int reads_expected, reads_done, writes_expected, writes_done;
  std::string error;

  void fail(const char* what, int size, uint32_t address, uint32_t value) {
    if (!error.empty()) return;
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s: size %d at %08X value %08X", what, size, address, value);
    error = buf;
  }
};

uint32_t size_mask(int size) {
  return size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
}

int script_read(void* ctx, int size, uint32_t address, uint32_t* value) {
  script& sc = *static_cast<script*>(ctx);
  if (size == 2) {
    if (sc.next_fetch < 4 && address == sc.step[sc.next_fetch].fetch_address) {
      *value = sc.step[sc.next_fetch++].fetch_word & 0xFFFF;
      return 1;
    }
    for (int i = sc.next_fetch - 1; i >= 0; i--)
      if (address == sc.step[i].fetch_address) {
        *value = sc.step[i].fetch_word & 0xFFFF;
        return 1;
      }
  }
  for (const bus_step& st : sc.step)
    if ((st.actions & ACTION_READ) && st.read_address == address && sc.reads_done == 0) {
      sc.reads_done++;
      *value = st.read_value & size_mask(size);
      return 1;
    }
  sc.fail("unexpected read", size, address, 0);
  *value = 0;
  return 1;
}

int script_write(void* ctx, int size, uint32_t address, uint32_t value) {
  script& sc = *static_cast<script*>(ctx);
  for (const bus_step& st : sc.step)
    if ((st.actions & ACTION_WRITE) && sc.writes_done == 0) {
      sc.writes_done++;
      if (st.write_address != address || (st.write_value & size_mask(size)) != value)
        sc.fail("unexpected write", size, address, value);
      return 1;
    }
  sc.fail("extra write", size, address, value);
  return 1;
}

std::vector<std::string> vector_files() {
  std::vector<std::string> names;
  if (!shared_data_has(kVectorFolder)) return {"absent"};
  DIR* d = opendir(shared_data_path(kVectorFolder).c_str());
  if (!d) return {"absent"};
  while (dirent* e = readdir(d)) {
    std::string n = e->d_name;
    if (n.size() == 20 && n.compare(16, 4, ".bin") == 0) names.push_back(n.substr(0, 16));
  }
  closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

std::string diff_states(const sh2_state& s, uint32_t pc, const vector_state& want) {
  std::string out;
  char buf[96];
  auto cmp = [&](const char* name, uint32_t got, uint32_t exp) {
    if (got == exp) return;
    std::snprintf(buf, sizeof buf, " %s=%08X (want %08X)", name, got, exp);
    out += buf;
  };
  static const char* const names[16] = {"R0", "R1", "R2",  "R3",  "R4",  "R5",  "R6",  "R7",
                                        "R8", "R9", "R10", "R11", "R12", "R13", "R14", "R15"};
  for (int i = 0; i < 16; i++) cmp(names[i], s.r[i], want.r[i]);
  cmp("PC", pc, want.pc);
  cmp("GBR", s.gbr, want.gbr);
  cmp("SR", s.sr & 0x3F3, want.sr);
  cmp("VBR", s.vbr, want.vbr);
  cmp("MACL", s.macl, want.macl);
  cmp("MACH", s.mach, want.mach);
  cmp("PR", s.pr, want.pr);
  return out;
}

// Runs one case; returns "" when it passes, else what differed.
std::string run_case(const uint8_t* c) {
  vector_state init = parse_state(c + STATE_OFFSET_INITIAL);
  vector_state want = parse_state(c + STATE_OFFSET_FINAL);
  script sc = {};
  for (int i = 0; i < 4; i++) {
    const uint8_t* p = c + STEPS_OFFSET + 12 + i * STEP_BYTES;
    sc.step[i] = {le32(p),      le32(p + 4),  le32(p + 8), le32(p + 12),
                  le32(p + 16), le32(p + 24), le32(p + 28)};
    if (sc.step[i].actions & ACTION_READ) sc.reads_expected++;
    if (sc.step[i].actions & ACTION_WRITE) sc.writes_expected++;
  }
  test_bus_hooks hooks = {script_read, script_write, &sc};
  test_bus_set_hooks(&hooks);

  sh2_state s = {};
  std::memcpy(s.r, init.r, sizeof s.r);
  s.gbr = init.gbr;
  s.sr = init.sr;
  s.vbr = init.vbr;
  s.macl = init.macl;
  s.mach = init.mach;
  s.pr = init.pr;
  s.onchip_level = -1;
  uint32_t pc = init.pc;
  // Step until the step that fetched the fourth recorded instruction has run.
  for (int steps = 0; steps < 6; steps++) {
    int before = sc.next_fetch;
    s.pc = pc;
    pc = sh2_step(&s, pc);
    if (before < 4 && sc.next_fetch == 4) break;
  }
  test_bus_set_hooks(nullptr);

  std::string out = sc.error;
  if (sc.next_fetch != 4) out += " not all instructions were fetched";
  if (sc.reads_done != sc.reads_expected) out += " data read missing";
  if (sc.writes_done != sc.writes_expected) out += " data write missing";
  return out + diff_states(s, pc, want);
}

// Cases left out, each by a named condition on the code under test, with the reason.
struct exclusion {
  const char* encoding;
  bool (*applies)(uint32_t code);
  const char* reason;
};

const exclusion exclusions[] = {
    {"0011nnnnmmmm0100", [](uint32_t code) { return ((code >> 8) & 15) == ((code >> 4) & 15); },
     "DIV1 Rn,Rn: this core reads the divisor before Rn is shifted (a deliberate choice); the "
     "recorded cases read it after the shift"},
};

bool excluded(const std::string& encoding, uint32_t code) {
  for (const exclusion& e : exclusions)
    if (encoding == e.encoding && e.applies(code)) return true;
  return false;
}

class sh2_vectors : public ::testing::TestWithParam<std::string> {};

TEST_P(sh2_vectors, EveryRecordedCaseEndsInTheRecordedState) {
  if (GetParam() == "absent") GTEST_SKIP() << "no " << kVectorFolder << " folder";
  const std::string path = shared_data_path(kVectorFolder) + "/" + GetParam() + ".bin";
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr) << path;
  std::vector<uint8_t> data(CASE_BYTES * 500 + 1);
  size_t n = std::fread(data.data(), 1, data.size(), f);
  std::fclose(f);
  ASSERT_EQ(n % CASE_BYTES, 0u) << path;
  ASSERT_GT(n, 0u);

  test_bus_reset();
  int failures = 0, skipped = 0;
  for (size_t i = 0; i * CASE_BYTES < n; i++) {
    const uint8_t* c = data.data() + i * CASE_BYTES;
    ASSERT_EQ(le32(c), (uint32_t)CASE_BYTES);
    const uint32_t code = le32(c + CODES_OFFSET + 12);  // second code word: the instruction
    if (excluded(GetParam(), code)) {
      skipped++;
      continue;
    }
    std::string d = run_case(c);
    if (d.empty()) continue;
    if (++failures <= 5) ADD_FAILURE() << GetParam() << " case " << i << ":" << d;
  }
  EXPECT_EQ(failures, 0);
  if (skipped) RecordProperty("excluded_cases", skipped);
}

INSTANTIATE_TEST_SUITE_P(encodings, sh2_vectors, ::testing::ValuesIn(vector_files()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
