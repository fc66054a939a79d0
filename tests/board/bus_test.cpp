// The SH-2's view of the board through the six bus functions: lanes over host-order words,
// mirrors, misaligned accesses, every region's read and write rules, the ports (input bit
// order, DIP and EEPROM, vertical-blank acknowledge, sound chip byte by byte) and the work
// RAM's page change counts; then the host views of plain pages, and the core running on them.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "board/bus.h"
#include "board/bus_trace.h"
#include "board/eeprom.h"
#include "board/time_base.h"
#include "board_fixture.h"
#include "cpu/bus.h"
#include "cpu/sh2.h"
#include "cpu/sh2_core.h"
#include "cpu/sh2_dispatch.h"

namespace {

using bus_test = board_test;

// --- lanes, mirrors, alignment

struct word_region {
  const char* name;
  uint32_t base;   // first SH-2 address
  uint32_t bytes;  // size
  uint32_t* (*word)(machine* m, uint32_t index);
};

const word_region word_regions[] = {
    {"work RAM", 0x06000000, 0x100000, [](machine* m, uint32_t i) { return &m->work_ram[i]; }},
    {"video RAM", 0x04000000, 0x10000, [](machine* m, uint32_t i) { return &m->video_ram[i]; }},
    {"palette", 0x04040000, 0x5000, [](machine* m, uint32_t i) { return &m->palette_ram[i]; }},
    {"zoom table", 0x04050000, 0x200, [](machine* m, uint32_t i) { return &m->zoom_table[i]; }},
    {"video registers", 0x0405FFE0, 0x20, [](machine* m, uint32_t i) { return &m->video_regs[i]; }},
};

TEST_F(bus_test, WritableRegionsMergeBigEndianLanesIntoHostOrderWords) {
  for (const word_region& r : word_regions) {
    SCOPED_TRACE(r.name);
    for (uint32_t a : {r.base, r.base + r.bytes - 4}) {
      uint32_t* w = r.word(m, (a - r.base) / 4);
      bus_write32(a, 0x11223344);
      EXPECT_EQ(*w, 0x11223344u);
      bus_write16(a + 2, 0xAABB1234);  // the low 16 bits of the value, bits 15-0 of the word
      EXPECT_EQ(*w, 0x11221234u);
      bus_write16(a, 0x5566);
      bus_write8(a + 1, 0x77);
      bus_write8(a + 3, 0x1FF);
      EXPECT_EQ(*w, 0x557712FFu);
      EXPECT_EQ(bus_read32(a), 0x557712FFu);
      EXPECT_EQ(bus_read16(a), 0x5577u);
      EXPECT_EQ(bus_read16(a + 2), 0x12FFu);
      EXPECT_EQ(bus_read8(a + 1), 0x77u);
      EXPECT_EQ(bus_read8(a + 2), 0x12u);
      // Misaligned accesses act on the aligned word or half.
      EXPECT_EQ(bus_read32(a + 3), 0x557712FFu);
      EXPECT_EQ(bus_read16(a + 1), 0x5577u);
      bus_write32(a + 2, 0xCAFEF00D);
      EXPECT_EQ(*w, 0xCAFEF00Du);
      bus_write16(a + 3, 0xBEEF);
      EXPECT_EQ(*w, 0xCAFEBEEFu);
    }
    EXPECT_EQ(bus_read32(r.base + r.bytes), 0u) << "one past the end";
  }
}

TEST_F(bus_test, MirrorsFoldOnlyAddressesWithBits31_30And28Clear) {
  bus_write32(0x06000010, 0x12345678);
  m->program_rom[1] = 0xDEADBEEF;
  const struct {
    uint32_t address, value;
  } cases[] = {
      {0x06000010, 0x12345678}, {0x0E000010, 0x12345678}, {0x26000010, 0x12345678},
      {0x2E000010, 0x12345678}, {0xA6000010, 0},          {0x46000010, 0},
      {0x16000010, 0},          {0x00000004, 0xDEADBEEF}, {0x08000004, 0xDEADBEEF},
      {0x20000004, 0xDEADBEEF}, {0x28000004, 0xDEADBEEF}, {0x10000004, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(bus_read32(c.address), c.value) << std::hex << c.address;
  bus_write8(0x2E000011, 0xAB);
  EXPECT_EQ(m->work_ram[4], 0x12AB5678u);
}

TEST_F(bus_test, ProgramRomAndReadOnlyWindowsIgnoreWrites) {
  m->program_rom[0] = 0x01020304;
  m->graphics_rom[0] = 0x99;
  for (uint32_t a : {0x00000000u, 0x08000000u, 0x04060000u, 0x05000000u, 0x03000000u}) {
    bus_write32(a, 0xFFFFFFFF);
    bus_write16(a, 0xFFFF);
    bus_write8(a, 0xFF);
  }
  EXPECT_EQ(m->program_rom[0], 0x01020304u);
  EXPECT_EQ(m->graphics_rom[0], 0x99);
  EXPECT_EQ(bus_read16(0x00000002), 0x0304u);
  EXPECT_EQ(bus_read8(0x00000000), 0x01u);
  EXPECT_EQ(bus_read32(0x05000000), 0u);
  EXPECT_EQ(bus_read32(0x0507FFFC), 0u);
}

TEST_F(bus_test, UnmappedSpaceReadsZeroAndKeepsNothing) {
  for (uint32_t a : {0x01000000u, 0x02000000u, 0x03000008u, 0x03100008u, 0x04010000u, 0x04045000u,
                     0x04050200u, 0x0405FFD8u, 0x04080000u, 0x05080000u, 0x06100000u, 0x07000000u,
                     0xC0000000u, 0xFFFFFDFCu}) {
    bus_write32(a, 0x12345678);
    EXPECT_EQ(bus_read32(a), 0u) << std::hex << a;
    EXPECT_EQ(bus_read16(a), 0u) << std::hex << a;
    EXPECT_EQ(bus_read8(a), 0u) << std::hex << a;
  }
}

// --- video

TEST_F(bus_test, EveryPaletteWriteReconvertsItsEntry) {
  bus_write32(0x04040000 + 4 * 100, 0x12345678);
  EXPECT_EQ(m->palette_argb[100], 0xFF123456u);
  bus_write8(0x04040000 + 4 * 100 + 1, 0xAB);
  EXPECT_EQ(m->palette_argb[100], 0xFF12AB56u);
  bus_write16(0x04040000 + 4 * 5119, 0x7788);
  EXPECT_EQ(m->palette_argb[5119], 0xFF778800u);
  EXPECT_EQ(m->palette_argb[99], 0u);
}

TEST_F(bus_test, TheVblankAcknowledgeLowersLevel4UnlessBit22Or23IsSet) {
  const struct {
    uint32_t size, address, value;
    int lowers;
  } cases[] = {
      {4, 0x0405FFDC, 0x00400000, 0}, {4, 0x0405FFDC, 0x00800000, 0},
      {4, 0x0405FFDC, 0x00000000, 1}, {4, 0x0405FFDC, 0xFF3FFFFF, 1},
      {2, 0x0405FFDC, 0x0040, 0},     {2, 0x0405FFDE, 0x0040, 1},
      {1, 0x0405FFDD, 0xC0, 0},       {1, 0x0405FFDC, 0xFF, 1},
      {1, 0x0405FFDF, 0xFF, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << std::hex << c.address << " " << c.value);
    m->sh2.irq_pending = 1u << 4 | 1u << 12;
    if (c.size == 4) bus_write32(c.address, c.value);
    if (c.size == 2) bus_write16(c.address, c.value);
    if (c.size == 1) bus_write8(c.address, c.value);
    EXPECT_EQ(m->sh2.irq_pending, c.lowers ? 1u << 12 : (1u << 4 | 1u << 12));
    EXPECT_EQ(bus_read32(0x0405FFDC), 0u) << "nothing is stored";
  }
}

TEST_F(bus_test, TheGraphicsWindowAssemblesLittleEndianLongsFromTheBankedRom) {
  for (uint32_t i = 0; i < 8; i++) {
    m->graphics_rom[0x20000 + i] = static_cast<uint8_t>(0xA0 + i);
    m->graphics_rom[i] = static_cast<uint8_t>(0x10 + i);
    // Bank 0x800 starts at 2^28 bytes, 268,435,456 - 5 x 46,137,344 = 37,748,736 into the
    // image; bank 0xFFF at 0xFFF x 2^17 = 536,739,840, less 11 images: 29,229,056.
    m->graphics_rom[37748736 + i] = static_cast<uint8_t>(0xC0 + i);
    m->graphics_rom[29229056 + i] = static_cast<uint8_t>(0xD0 + i);
  }
  const struct {
    uint32_t bank, address, value;
  } cases[] = {
      {1, 0x04060000, 0xA3A2A1A0},
      {1, 0x04060004, 0xA7A6A5A4},
      {0x1001, 0x04060000, 0xA3A2A1A0},
      {0, 0x04060000, 0x13121110},
      {0x1000, 0x04060000, 0x13121110},
      {352, 0x04060000, 0x13121110},  // 44 MiB: past the end, the bank wraps
      {353, 0x04060000, 0xA3A2A1A0},
      {0x800, 0x04060000, 0xC3C2C1C0},  // bit 11, the bank register's top bit
      {0xFFF, 0x04060004, 0xD7D6D5D4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bank);
    m->video_regs[4] = c.bank;
    EXPECT_EQ(bus_read32(c.address), c.value);
    EXPECT_EQ(bus_read16(c.address + 2), c.value & 0xFFFF);
    EXPECT_EQ(bus_read8(c.address), c.value >> 24);
  }
}

// --- ports

TEST_F(bus_test, TheInputPortClearsOneActiveLowBitPerInput) {
  const uint8_t port_bit[20] = {31, 30, 28, 29, 27, 26, 25, 24, 23, 22,
                                20, 21, 19, 18, 17, 16, 0,  1,  4,  5};
  EXPECT_EQ(bus_read32(0x03000000), 0xFFFFFFFFu);
  for (uint32_t i = 0; i < 20; i++) {
    machine_set_inputs(m, 1u << i);
    EXPECT_EQ(bus_read32(0x03000000), ~(1u << port_bit[i])) << "input bit " << i;
  }
  machine_set_inputs(m, 0xFFF00000);  // bits 20-31 are not inputs
  EXPECT_EQ(bus_read32(0x03000000), 0xFFFFFFFFu);
  machine_set_inputs(m, 0x00080001);
  EXPECT_EQ(bus_read32(0x03000000), 0x7FFFFFDFu);
  machine_set_inputs(m, 0);
  m->dip_flag = 1;
  EXPECT_EQ(bus_read32(0x03000000), 0xFFFFFFBFu);
  EXPECT_EQ(bus_read16(0x03000002), 0xFFBFu);
  EXPECT_EQ(bus_read8(0x03000003), 0xBFu);
  machine_set_inputs(m, 0x000FFFFF);
  EXPECT_EQ(bus_read32(0x03000000), 0x0000FF8Cu) << "bits 2, 3 and 7-15 always read 1";
}

TEST_F(bus_test, TheDipPortCombinesTwoDipBitsWithEepromDataOut) {
  const struct {
    uint32_t dip_bits;
    int busy;  // EEPROM selected while busy: data out 0
    uint32_t value;
  } cases[] = {
      {0x01000000, 0, 0x11000000},
      {0x03000000, 1, 0x03000000},
      {0xFFFFFFFF, 0, 0x13000000},
      {0x00000000, 1, 0x00000000},
  };
  for (const auto& c : cases) {
    m->dip_bits = c.dip_bits;
    m->eeprom.state = c.busy ? EEPROM_SELECTED : EEPROM_IDLE;
    m->eeprom.busy_until = c.busy ? m->sh2.cycles + 1 : 0;
    EXPECT_EQ(bus_read32(0x03000004), c.value);
    EXPECT_EQ(bus_read16(0x03000004), c.value >> 16);
    EXPECT_EQ(bus_read8(0x03000004), c.value >> 24);
    EXPECT_EQ(bus_read16(0x03000006), 0u);
  }
}

TEST_F(bus_test, OnlyWritesAt0x03000004ReachTheEepromPortWithBits31To24) {
  const struct {
    uint32_t size, address, value;
    int reaches;
  } cases[] = {
      {1, 0x03000004, 0xC0, 1},       {2, 0x03000004, 0xC000, 1}, {4, 0x03000004, 0xC0000000, 1},
      {1, 0x03000005, 0xC0, 0},       {2, 0x03000006, 0xC0C0, 0}, {1, 0x03000007, 0xC0, 0},
      {4, 0x03000007, 0xC0000000, 1},  // a long write is aligned first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " " << std::hex << c.address);
    m->eeprom.cs = m->eeprom.clk = 0;
    if (c.size == 4) bus_write32(c.address, c.value);
    if (c.size == 2) bus_write16(c.address, c.value);
    if (c.size == 1) bus_write8(c.address, c.value);
    EXPECT_EQ(m->eeprom.cs, c.reaches);
    EXPECT_EQ(m->eeprom.clk, c.reaches);
  }
}

struct trace_file {
  std::string path;
  trace_file() {
    char name[] = "/tmp/cb_bus_trace_XXXXXX";
    close(mkstemp(name));
    path = name;
    setenv("CB_TRACE_IO", path.c_str(), 1);
    bus_trace_restart();
  }
  ~trace_file() {
    bus_trace_restart();
    unsetenv("CB_TRACE_IO");
    std::remove(path.c_str());
  }
  std::vector<std::string> lines() {
    bus_trace_restart();
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
};

// Each sound-port access: the ports in address order with their bytes, the chip caught up
// to the access's cycle before it.
TEST_F(bus_test, SoundPortsAreAccessedByteByByteInAddressOrderAfterACatchUp) {
  trace_file trace;
  const struct {
    char kind;
    uint32_t size, address, value;
    std::vector<std::string> ports;  // "kind address" of each traced byte, in order
  } cases[] = {
      {'w',
       4,
       0x03100000,
       0x11223344,
       {"w 03100000 00000011", "w 03100001 00000022", "w 03100002 00000033",
        "w 03100003 00000044"}},
      {'w', 2, 0x03100006, 0x5566, {"w 03100006 00000055", "w 03100007 00000066"}},
      {'w', 2, 0x03100003, 0x7788, {"w 03100002 00000077", "w 03100003 00000088"}},
      {'w', 1, 0x03100005, 0x99, {"w 03100005 00000099"}},
      {'r', 4, 0x0B100004, 0, {"r 03100004", "r 03100005", "r 03100006", "r 03100007"}},
      {'r', 2, 0x03100002, 0, {"r 03100002", "r 03100003"}},
      {'r', 1, 0x03100001, 0, {"r 03100001"}},
  };
  uint64_t cycles = 1000;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << c.size << " " << std::hex << c.address);
    m->sh2.cycles = cycles += 40000;
    if (c.kind == 'w') {
      if (c.size == 4) bus_write32(c.address, c.value);
      if (c.size == 2) bus_write16(c.address, c.value);
      if (c.size == 1) bus_write8(c.address, c.value);
    } else {
      if (c.size == 4) bus_read32(c.address);
      if (c.size == 2) bus_read16(c.address);
      if (c.size == 1) bus_read8(c.address);
    }
    EXPECT_EQ(m->sound_samples, samples_due(cycles));
    EXPECT_EQ(static_cast<uint64_t>(sound_buffer.fill), samples_due(cycles));
    std::vector<std::string> got = trace.lines();
    ASSERT_EQ(got.size(), c.ports.size());
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, " %llu", static_cast<unsigned long long>(cycles));
    for (size_t i = 0; i < got.size(); i++) {
      EXPECT_EQ(got[i].substr(0, 2), "1 ");
      EXPECT_TRUE(got[i].ends_with(suffix)) << got[i];
      EXPECT_EQ(got[i].substr(2, c.ports[i].size()), c.ports[i]);
    }
  }
  // A second access in the same cycle generates nothing more.
  const uint64_t before = m->sound_samples;
  bus_read8(0x03100000);
  EXPECT_EQ(m->sound_samples, before);
}

TEST_F(bus_test, TheInputAndDipPortsAndTheAcknowledgeAreTracedWithTheirWholeLong) {
  trace_file trace;
  m->dip_bits = 0x01000000;
  m->sh2.cycles = 77;
  bus_read8(0x03000003);
  bus_read16(0x03000006);
  bus_write16(0x0405FFDE, 0x1234);
  bus_write32(0x06000000, 1);  // not traced
  bus_write8(0x03000004, 0);   // not traced
  const std::vector<std::string> want = {"1 r 03000000 FFFFFFFF 77", "1 r 03000004 11000000 77",
                                         "1 w 0405FFDC 00001234 77"};
  EXPECT_EQ(trace.lines(), want);
}

// --- on-chip

TEST_F(bus_test, OnChipNarrowReadsTakeFrtBytesImageBytesOrLongLanes) {
  m->onchip.frt_tcr = 0;
  m->onchip.frt_frc = 0x1234;
  m->onchip.frt_last_cycle = m->sh2.cycles = 800;
  EXPECT_EQ(bus_read16(0xFFFFFE12), 0x1234u);
  EXPECT_EQ(bus_read8(0xFFFFFE17), 0xE0u) << "TOCR's fixed bits";
  bus_write16(0xFFFFFE18, 0xBEEF);  // input capture: stored bytes
  EXPECT_EQ(bus_read16(0xFFFFFE18), 0xBEEFu);
  EXPECT_EQ(bus_read32(0xFFFFFE18), 0u);
  bus_write8(0xFFFFFE92, 0x5A);
  EXPECT_EQ(bus_read8(0xFFFFFE92), 0x5Au);
  EXPECT_EQ(bus_read16(0xFFFFFE92), 0x5A00u);
  bus_write32(0xFFFFFF00, 0);
  bus_write32(0xFFFFFF04, 9);  // overflow: DVCR reads 1
  EXPECT_EQ(bus_read8(0xFFFFFF0B), 1u);
  EXPECT_EQ(bus_read16(0xFFFFFF06), 0xFFFFu);
  EXPECT_EQ(bus_read16(0xFFFFFF04), 0x7FFFu);
}

// --- work RAM page change counts

TEST_F(bus_test, WorkRamWritesKeepThePageChangeCountsExact) {
  m->xlate_length = 0x3000;  // three pages, mirroring ROM from byte 0x102 (rounded to 0x100)
  m->xlate_offset = 0x102;
  for (uint32_t i = 0; i < 0x3000 / 4; i++) m->program_rom[0x40 + i] = i + 1;
  page_changes_recount(m);
  EXPECT_EQ(m->page_change_counts[0], 1024u);
  EXPECT_EQ(m->page_change_counts[2], 1024u);

  bus_write32(0x06000000, 1);  // now equals ROM word 0x40
  EXPECT_EQ(m->page_change_counts[0], 1023u);
  bus_write8(0x06000000, 0);  // still equal: the byte was 0
  EXPECT_EQ(m->page_change_counts[0], 1023u);
  bus_write8(0x06000003, 0);  // differs again
  EXPECT_EQ(m->page_change_counts[0], 1024u);
  bus_write16(0x06002002, 0x0801);  // page 2: word 0x800 now equals ROM word 0x840
  bus_write16(0x06002000, 0);
  EXPECT_EQ(m->page_change_counts[2], 1023u);
  bus_write32(0x06003000, 0x55);  // outside the image: counted nowhere
  EXPECT_EQ(m->page_change_counts[3], 0u);

  std::vector<uint32_t> kept(m->page_change_counts, m->page_change_counts + 4);
  page_changes_recount(m);
  EXPECT_EQ(std::vector<uint32_t>(m->page_change_counts, m->page_change_counts + 4), kept);
}

// --- host views of plain pages, and the core on them

TEST_F(bus_test, ViewsCoverProgramRomAndWorkRamAndReadWhatTheBusReads) {
  for (uint32_t i = 0; i < 0x400; i++) {
    m->program_rom[0xFF000 / 4 + i] = 0x01000193u * (i + 1);
    m->work_ram[i] = 0x9E3779B9u * (i + 1);
  }
  for (uint32_t page : {0x000FF000u, 0x080FF000u, 0x06000000u, 0x26000000u, 0x0E000000u}) {
    SCOPED_TRACE(testing::Message() << std::hex << page);
    const uint32_t* view = bus_read_page(page);
    ASSERT_NE(view, nullptr);
    for (uint32_t i : {0u, 1u, 0x3FFu}) EXPECT_EQ(view[i], bus_read32(page + 4 * i));
  }
  EXPECT_EQ(bus_write_page(0x06000000), &m->work_ram[0]);
  EXPECT_EQ(bus_write_page(0x2E0FF000), &m->work_ram[0xFF000 / 4]);
  // Everything else is left to the sized accesses: regions with effects, conversions or banking,
  // the windows, unmapped and unfolded space, and program ROM for writes.
  for (uint32_t page :
       {0x03000000u, 0x03100000u, 0x04000000u, 0x04040000u, 0x04050000u, 0x0405F000u, 0x04060000u,
        0x05000000u, 0x07000000u, 0x00100000u, 0xA6000000u, 0xFFFFF000u}) {
    SCOPED_TRACE(testing::Message() << std::hex << page);
    EXPECT_EQ(bus_read_page(page), nullptr);
    EXPECT_EQ(bus_write_page(page), nullptr);
  }
  EXPECT_EQ(bus_write_page(0x00000000), nullptr);
}

// A write into the translated image must reach the page change counts, so no page of it has a
// write view, a page that it only partly covers included.
TEST_F(bus_test, WriteViewsLeaveOutThePagesOfTheTranslatedImage) {
  m->xlate_length = 0x1800;
  EXPECT_EQ(bus_write_page(0x06000000), nullptr);
  EXPECT_EQ(bus_write_page(0x26001000), nullptr);
  EXPECT_EQ(bus_write_page(0x06002000), &m->work_ram[0x2000 / 4]);
  EXPECT_NE(bus_read_page(0x06001000), nullptr);

  // The core, running past the image, stores through the bus inside it and directly past it.
  page_changes_recount(m);
  bus_bind_machine(m);
  const uint32_t code[] = {0x2102, 0x2400, 0x2302};  // MOV.L R0,@R1; MOV.B R0,@R4; MOV.L R0,@R3
  for (uint32_t i = 0; i < 3; i++) bus_write16(0x06004000 + 2 * i, code[i]);
  m->sh2.pc = 0x06004000;
  m->sh2.r[0] = 0x55;
  m->sh2.r[1] = 0x06000010;
  m->sh2.r[4] = 0x060017FF;  // the last byte of the image
  m->sh2.r[3] = 0x06003000;
  ASSERT_EQ(sh2_run(&m->sh2, 3), 0);
  EXPECT_EQ(m->work_ram[4], 0x55u);
  EXPECT_EQ(m->work_ram[0x17FC / 4], 0x55u);
  EXPECT_EQ(m->work_ram[0x3000 / 4], 0x55u);
  EXPECT_EQ(m->page_change_counts[0], 1u);
  EXPECT_EQ(m->page_change_counts[1], 1u);
  EXPECT_EQ(m->page_change_counts[3], 0u);
  sh2_image = {};
}

// The fetch view follows the core's own writes, a delay slot in the next page comes from there,
// and the mirrors run the same code.
TEST_F(bus_test, TheCoreRunsItsOwnWritesAcrossPagesAndMirrors) {
  for (uint32_t base : {0x06000000u, 0x26000000u, 0x0E000000u}) {
    SCOPED_TRACE(testing::Message() << std::hex << base);
    // MOV.W R0,@R2; NOP; BRA +2 (slot ADD #1,R1, next page); ADD #16,R1 (twice); NOP
    const uint32_t code[] = {0x2201, 0x0009, 0xA002, 0x7101, 0x7110, 0x7110, 0x0009};
    for (uint32_t i = 0; i < 7; i++) bus_write16(0x06000FFA + 2 * i, code[i]);
    m->sh2 = {};
    m->sh2.pc = base + 0xFFA;
    m->sh2.r[0] = 0x7105;  // ADD #5,R1, written over the NOP at the branch target
    m->sh2.r[2] = base + 0x1006;
    ASSERT_EQ(sh2_run(&m->sh2, 6), 0);
    EXPECT_EQ(m->sh2.r[1], 6u);
    EXPECT_EQ(m->sh2.pc, base + 0x1008);
    EXPECT_EQ(m->sh2.cycles, 6u);
    EXPECT_EQ(m->sh2.instructions, 4u);
  }
}

// A poll of work RAM: the run passes the loop's repeats at once, so it must end where single
// steps do, for each cycle within a pass at which the slice can end, with the same counts and
// recent PCs; and then, after an interrupt handler that leaves the long as it is or changes it,
// do as they do up to each cycle of a pass, returns into the middle of a pass (with T and
// last_address from before the loop's own steps) included.
TEST_F(bus_test, APollOfWorkRamEndsWhereSingleStepsEnd) {
  // loop: MOV.L @(1,GBR),R0; CMP/EQ R0,R1; BT loop; ADD #1,R2; BRA .; NOP
  // The level 4 handler: MOV.L @(1,GBR),R0; ADD R4,R0; MOV.L R0,@(1,GBR); MOV.L R0,@(2,GBR);
  // RTE; NOP
  const uint32_t code[] = {0xC601, 0x3100, 0x89FC, 0x7201, 0xAFFE, 0x0009};
  const uint32_t handler[] = {0xC601, 0x304C, 0xC201, 0xC202, 0x002B, 0x0009};
  for (uint32_t i = 0; i < 6; i++) bus_write16(0x06001000 + 2 * i, code[i]);
  for (uint32_t i = 0; i < 6; i++) bus_write16(0x06001100 + 2 * i, handler[i]);
  bus_write32(0x06002000 + 66 * 4, 0x06001100);
  for (uint64_t limit : {400u, 401u, 402u, 403u, 404u, 1000003u}) {
    for (uint32_t add = 0; add < 2; add++)
      for (uint32_t extra = 0; extra < 5; extra++) {
        SCOPED_TRACE(testing::Message() << limit << " " << add << " " << extra);
        m->sh2 = {};
        m->sh2.onchip_level = -1;
        m->sh2.pc = 0x06001000;
        m->sh2.sr = 0xF0;
        m->sh2.gbr = 0x06000000;
        m->sh2.vbr = 0x06002000;
        m->sh2.r[1] = 7;
        m->sh2.r[4] = add;
        m->sh2.r[15] = 0x06080000;
        bus_write32(0x06000004, 7);
        sh2_state stepped = m->sh2;
        uint32_t step_pc = stepped.pc;
        uint64_t step_count = 0;
        const auto run_both = [&](uint64_t end) {
          ASSERT_EQ(sh2_run(&m->sh2, end), 0);
          for (; stepped.cycles < end; step_count++) step_pc = sh2_step(&stepped, step_pc);
          EXPECT_EQ(m->sh2.pc, step_pc);
          EXPECT_EQ(m->sh2.cycles, stepped.cycles);
          EXPECT_EQ(m->sh2.instructions, step_count);
          EXPECT_EQ(m->sh2.r[2], stepped.r[2]);
          EXPECT_EQ(m->sh2.last_address, stepped.last_address);
        };
        run_both(limit);
        uint32_t pos;
        const uint32_t* ring = sh2_pc_ring(&pos);
        for (uint32_t k = 1; k <= 8; k++) {
          SCOPED_TRACE(k);
          // The newest PCs walk back through the loop from the step before pc.
          const uint32_t want = 0x06001000 + (((m->sh2.pc - 0x06001000) / 2 + 9 - k) % 3) * 2;
          EXPECT_EQ(ring[(pos - k) % SH2_PC_RING_SIZE], want);
        }
        // The run accepts the interrupt before its first step; single steps take it by hand.
        for (sh2_state* s : {&m->sh2, &stepped}) {
          s->sr &= ~0xF0u;
          sh2_set_irq(s, 4, 1);
        }
        stepped.pc = step_pc;
        ASSERT_EQ(sh2_accept_interrupt(&stepped), 1);
        step_pc = stepped.pc;
        run_both(m->sh2.cycles + 1000 + extra);
        EXPECT_EQ(m->sh2.r[2], add);
      }
  }
}

// Devices see the cycle at which the core's access happens: the start of its instruction, after
// the extra cycles that come before the access (TST.B) and the branch's own in a delay slot.
TEST_F(bus_test, DeviceAccessesFromTheCoreCarryTheirInstructionsCycle) {
  trace_file trace;
  // NOP; NOP; MOV.B R0,@R1; MOV.L @R2,R3; TST.B #1,@(R0,GBR); BRA +0 (slot MOV.L @R2,R3); NOP
  const uint32_t code[] = {0x0009, 0x0009, 0x2100, 0x6322, 0xCC01, 0xA000, 0x6322, 0x0009};
  for (uint32_t i = 0; i < 8; i++) bus_write16(0x06002000 + 2 * i, code[i]);
  m->sh2.pc = 0x06002000;
  m->sh2.cycles = 1000;
  m->sh2.r[0] = 4;
  m->sh2.r[1] = 0x03100000;
  m->sh2.r[2] = 0x03000000;
  m->sh2.gbr = 0x03000000;
  ASSERT_EQ(sh2_run(&m->sh2, 1011), 0);
  EXPECT_EQ(m->sh2.cycles, 1011u);
  EXPECT_EQ(m->sh2.pc, 0x06002010u);
  const std::vector<std::string> got = trace.lines();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], "1 w 03100000 00000004 1002");
  EXPECT_EQ(got[1], "1 r 03000000 FFFFFFFF 1003");
  EXPECT_TRUE(got[2].starts_with("1 r 03000004 ") && got[2].ends_with(" 1006")) << got[2];
  EXPECT_EQ(got[3], "1 r 03000000 FFFFFFFF 1009");
}

}  // namespace
