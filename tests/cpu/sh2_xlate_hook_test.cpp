// The run loop against a scripted translated-code module (defined here in place of the stub
// library): blocks, "interpret this one" and "no block in this page" answers, the untranslated
// list around them, and the page test that sends stale pages of the translated image straight to
// the interpreter.
#include <map>
#include <string>
#include <vector>

#include "cpu/xlate.h"
#include "cpu_fixture.h"

namespace {

std::map<uint32_t, int32_t> answers;  // pc -> lookup result; absent = no block
std::vector<uint32_t> quiet_pages;    // pages answered "no block in this page" (absent pcs)
std::vector<uint32_t> lookups;        // every pc asked, in order
const uint64_t kBlockCycles = 5;      // what a scripted block charges

}  // namespace

void xlate_init() {}

void xlate_image_info(uint32_t* base, uint32_t* length, uint32_t* rom_offset) {
  *base = *length = *rom_offset = 0;
}

int32_t xlate_lookup(sh2_state* s, uint32_t pc) {
  lookups.push_back(pc);
  auto it = answers.find(pc);
  if (it == answers.end()) {
    for (uint32_t page : quiet_pages)
      if ((pc & ~0xFFFu) == page) return XLATE_NO_BLOCK_IN_PAGE;
    return XLATE_NO_BLOCK;
  }
  if (it->second >= 0) {  // a block ran
    s->cycles += kBlockCycles;
    s->r[0]++;
  }
  return it->second;
}

uint32_t xlate_module_id() {
  return 0;
}

namespace {

class sh2_xlate_hook : public cpu_test {
 protected:
  void SetUp() override {
    cpu_test::SetUp();
    answers.clear();
    quiet_pages.clear();
    lookups.clear();
    sh2_image = {};
    for (uint32_t i = 0; i < 64; i++) test_bus_put16(0x1000 + 2 * i, 0x0009);
    s.pc = 0x1000;
  }
  void TearDown() override {
    sh2_image = {};
    cpu_test::TearDown();
  }
  std::vector<uint32_t> untranslated() {
    const uint32_t* list;
    uint32_t n = sh2_untranslated_entries(&list);
    return std::vector<uint32_t>(list, list + n);
  }
};

TEST_F(sh2_xlate_hook, WithoutAnImageTheModuleIsAskedBeforeEveryInstruction) {
  EXPECT_EQ(sh2_run(&s, 4), 0);
  EXPECT_EQ(lookups, (std::vector<uint32_t>{0x1000, 0x1002, 0x1004, 0x1006}));
  EXPECT_EQ(untranslated(), (std::vector<uint32_t>{0x1000}));
}

TEST_F(sh2_xlate_hook, ABlockMovesToItsNextPcAndEndsTheRunOfMisses) {
  answers[0x1002] = 0x1010;  // block: 0x1002 -> 0x1010
  EXPECT_EQ(sh2_run(&s, 1 + kBlockCycles + 2), 0);
  EXPECT_EQ(lookups, (std::vector<uint32_t>{0x1000, 0x1002, 0x1010, 0x1012}));
  EXPECT_EQ(s.r[0], 1u);
  EXPECT_EQ(s.pc, 0x1014u);
  EXPECT_EQ(s.instructions, 4u);
  EXPECT_EQ(sh2_instruction_total(), 3u);  // the block is not an interpreted step
  // Interpretation began anew after the block, so 0x1010 is recorded too.
  EXPECT_EQ(untranslated(), (std::vector<uint32_t>{0x1000, 0x1010}));
}

TEST_F(sh2_xlate_hook, ABlockThatReachesTheLimitEndsTheSlice) {
  answers[0x1000] = 0x1020;
  EXPECT_EQ(sh2_run(&s, 3), 0);
  EXPECT_EQ(s.cycles, kBlockCycles);
  EXPECT_EQ(s.pc, 0x1020u);
  EXPECT_EQ(lookups.size(), 1u);
}

TEST_F(sh2_xlate_hook, ABlockWhoseCyclesEndExactlyOnTheSliceEndEndsTheSlice) {
  // The block charges 5 cycles from 0: it reaches a slice end of 5 exactly.
  answers[0x1000] = 0x1020;
  EXPECT_EQ(sh2_run(&s, 5), 0);
  EXPECT_EQ(s.cycles, 5u);
  EXPECT_EQ(s.pc, 0x1020u);
  EXPECT_EQ(lookups, (std::vector<uint32_t>{0x1000}));
  // One cycle more: the NOP after the block runs too.
  SetUp();
  answers[0x1000] = 0x1020;
  EXPECT_EQ(sh2_run(&s, 6), 0);
  EXPECT_EQ(s.cycles, 6u);
  EXPECT_EQ(s.pc, 0x1022u);
  EXPECT_EQ(lookups, (std::vector<uint32_t>{0x1000, 0x1020}));
}

TEST_F(sh2_xlate_hook, AnInterpretAnswerRunsOneInstructionAndLeavesTheMissRunAlone) {
  answers[0x1000] = XLATE_INTERPRET;
  answers[0x1004] = XLATE_INTERPRET;
  sh2_set_strict(1);  // only a "no block" answer stops
  EXPECT_EQ(sh2_run(&s, 1), 0);
  EXPECT_EQ(s.pc, 0x1002u);
  EXPECT_TRUE(untranslated().empty());

  sh2_set_strict(0);
  EXPECT_EQ(sh2_run(&s, 4), 0);  // 0x1002 misses, 0x1004 interprets, 0x1006 misses
  EXPECT_EQ(untranslated(), (std::vector<uint32_t>{0x1002}));
}

struct page_case {
  const char* what;
  uint32_t pc;
  uint32_t length;
  bool asked;
};

const page_case page_cases[] = {
    {"clean page", 0x06000000, 0x2000, true},
    {"second halfword in a changed page", 0x06000FFE, 0x2000, false},
    {"changed page", 0x06001000, 0x2000, false},
    {"bits 27-29 are ignored", 0x26001000, 0x2000, false},
    {"past the image", 0x06002000, 0x2000, true},
    {"second halfword past the image", 0x06000FFE, 0x1000, true},
    {"below the image", 0x05FFFFFE, 0x2000, true},
};

TEST_F(sh2_xlate_hook, ThePageTestSendsStalePagesStraightToTheInterpreter) {
  static const uint32_t counts[2] = {0, 3};
  for (const page_case& c : page_cases) {
    SCOPED_TRACE(c.what);
    SetUp();
    sh2_image = {0x06000000, c.length, counts};
    test_bus_put16(c.pc, 0x0009);
    s.pc = c.pc;
    EXPECT_EQ(sh2_run(&s, 1), 0);
    EXPECT_EQ(lookups.size(), c.asked ? 1u : 0u);
    EXPECT_EQ(untranslated().size(), c.asked ? 1u : 0u);
    EXPECT_EQ(s.pc, c.pc + 2);
  }
}

// An instruction sent to the interpreter by the page test does not end the run of misses: after
// a stale page, the next lookup that misses is not recorded again.
TEST_F(sh2_xlate_hook, AStalePageLeavesTheRunOfMissesAlone) {
  static const uint32_t counts[2] = {0, 3};
  sh2_image = {0x06000000, 0x2000, counts};
  code(0x06000FFC, {0x0009, 0x0009, 0xA87E, 0x0009});  // NOP; NOP; BRA 0x06000100; NOP
  test_bus_put16(0x06000100, 0x0009);
  s.pc = 0x06000FFC;
  EXPECT_EQ(sh2_run(&s, 6), 0);
  EXPECT_EQ(s.pc, 0x06000102u);
  EXPECT_EQ(lookups, (std::vector<uint32_t>{0x06000FFC, 0x06000100}));
  EXPECT_EQ(untranslated(), (std::vector<uint32_t>{0x06000FFC}));
}

// "No block in this page" stands for "no block" at every pc of the page until execution leaves
// it; the next lookup comes at the first pc of the next page entered, in or out of a quiet page.
TEST_F(sh2_xlate_hook, ANoBlockInPageAnswerHoldsUntilExecutionLeavesThePage) {
  quiet_pages = {0x1000};
  code(0x1004, {0xAF7C, 0x0009});  // BRA 0x0F00; NOP
  code(0x0F00, {0x0009, 0xA07D});  // NOP; BRA 0x1000
  test_bus_put16(0x0F04, 0x0009);  //   NOP (slot)
  EXPECT_EQ(sh2_run(&s, 1 + 1 + 3 + 1 + 3 + 1), 0);
  EXPECT_EQ(s.pc, 0x1002u);
  EXPECT_EQ(lookups, (std::vector<uint32_t>{0x1000, 0x0F00, 0x0F02, 0x1000}));
  EXPECT_EQ(untranslated(), (std::vector<uint32_t>{0x1000}));
  EXPECT_EQ(s.instructions, 6u);
  EXPECT_EQ(sh2_instruction_total(), 6u);

  // In strict mode it stops at once, as "no block" does.
  s.pc = 0x1002;
  sh2_set_strict(1);
  testing::internal::CaptureStderr();
  EXPECT_EQ(sh2_run(&s, s.cycles + 10), -1);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("missing translated code at 00001002"),
            std::string::npos);
  EXPECT_EQ(sh2_stop_pc(), 0x1002u);
  EXPECT_EQ(s.instructions, 6u);
}

}  // namespace
