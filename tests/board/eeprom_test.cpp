// The serial EEPROM driven the way the game drives it: bit-banged through the port byte, with
// every clock rise at a known cycle, so busy times and the data-out line can be checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "board/eeprom.h"
#include "machine_fixture.h"

namespace {

const uint32_t OP_READ = 2, OP_WRITE = 1, OP_ERASE = 3, OP_MISC = 0;
const uint32_t ADDR_EWDS = 0x000, ADDR_WRAL = 0x080, ADDR_ERAL = 0x100, ADDR_EWEN = 0x180;

struct eeprom_driver {
  machine* m;

  eeprom_device* dev() { return &m->eeprom; }
  void tick() { m->sh2.cycles += 10; }
  void port(int cs, int clk, int di) {
    eeprom_port_write(m, static_cast<uint8_t>(cs << 7 | clk << 6 | di << 5));
  }
  uint32_t data_out() { return eeprom_data_out(dev(), m->sh2.cycles); }

  void select() {
    tick();
    port(0, 0, 0);
    tick();
    port(1, 0, 0);
  }
  void deselect() {
    tick();
    port(0, 0, 0);
  }
  // One bit: data set with the clock low, then the clock rises in a later cycle.
  void bit(int di) {
    tick();
    port(1, 0, di);
    tick();
    port(1, 1, di);
  }
  // Start bit, then opcode (2 bits) and 9-bit address, most significant first.
  void command(uint32_t opcode, uint32_t address) {
    bit(1);
    const uint32_t word = opcode << 9 | (address & 0x1FF);
    for (int i = 10; i >= 0; i--) bit(word >> i & 1);
  }
  void byte(uint32_t data) {
    for (int i = 7; i >= 0; i--) bit(data >> i & 1);
  }
  void enable_writes() {
    select();
    command(OP_MISC, ADDR_EWEN);
    deselect();
  }
};

struct eeprom_test : ::testing::Test {
  machine_ptr owner = machine_new(0);
  eeprom_driver drv{owner.get()};

  void SetUp() override {
    for (int i = 0; i < 256; i++) drv.dev()->memory[i] = static_cast<uint8_t>(i * 7 + 0x31);
    eeprom_reset(drv.dev());
  }
};

TEST_F(eeprom_test, AReadShowsAZeroThenTheByteMsbFirstThen24ZerosThenOnes) {
  drv.select();
  drv.command(OP_READ, 0x1A5);  // address bit 8 is ignored: byte 0xA5
  EXPECT_EQ(drv.dev()->state, EEPROM_READ);
  const uint8_t expected = drv.dev()->memory[0xA5];
  std::vector<uint32_t> seen = {drv.data_out()};
  for (int i = 0; i < 34; i++) {
    drv.bit(0);
    seen.push_back(drv.data_out());
  }
  std::vector<uint32_t> want = {0};
  for (int i = 7; i >= 0; i--) want.push_back(expected >> i & 1);
  want.insert(want.end(), 24, 0);
  want.insert(want.end(), 2, 1);
  EXPECT_EQ(seen, want);
  EXPECT_EQ(drv.dev()->address, 0x1A5u);
  EXPECT_EQ(drv.dev()->dirty, 0);
}

// Each memory-changing command, write-protected or enabled: the resulting memory, the busy
// time seen through the ready/busy status and the dirty flag.
struct change_case {
  const char* name;
  int enabled;  // EWEN first
  uint32_t opcode;
  uint32_t address;
  int data;         // -1: no data phase
  int busy_cycles;  // 0: not busy
  uint8_t (*expect)(int index, uint8_t before);
};

uint8_t unchanged(int, uint8_t b) {
  return b;
}
uint8_t all_ff(int, uint8_t) {
  return 0xFF;
}
uint8_t byte_42_is_5a(int i, uint8_t b) {
  return i == 0x42 ? 0x5A : b;
}
uint8_t byte_42_is_ff(int i, uint8_t b) {
  return i == 0x42 ? 0xFF : b;
}
uint8_t low_nibbles(int, uint8_t b) {
  return b & 0x0F;
}

// Busy times in CPU cycles at 28,636,350 Hz: a write 1.75 ms (50,113.6, so 50,114), an erase
// 1 ms (28,636.35, so 28,637), WRAL and ERAL 8 ms (229,090.8, so 229,091).
const change_case change_cases[] = {
    {"protected WRITE", 0, OP_WRITE, 0x142, 0x5A, 0, unchanged},
    {"WRITE", 1, OP_WRITE, 0x142, 0x5A, 50114, byte_42_is_5a},
    {"protected ERASE", 0, OP_ERASE, 0x042, -1, 0, unchanged},
    {"ERASE", 1, OP_ERASE, 0x042, -1, 28637, byte_42_is_ff},
    {"protected WRAL", 0, OP_MISC, ADDR_WRAL, 0x0F, 0, unchanged},
    {"WRAL 0x0F", 1, OP_MISC, ADDR_WRAL, 0x0F, 229091, low_nibbles},
    {"WRAL 0xFF", 1, OP_MISC, ADDR_WRAL, 0xFF, 229091, unchanged},
    {"protected ERAL", 0, OP_MISC, ADDR_ERAL, -1, 0, unchanged},
    {"ERAL", 1, OP_MISC, ADDR_ERAL, -1, 229091, all_ff},
};

TEST_F(eeprom_test, MemoryChangingCommandsObeyProtectionBusyTimeAndDirtyFlag) {
  for (const change_case& c : change_cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    drv.dev()->dirty = 0;
    std::array<uint8_t, 256> before;
    std::copy(drv.dev()->memory, drv.dev()->memory + 256, before.begin());
    if (c.enabled) drv.enable_writes();

    drv.select();
    drv.command(c.opcode, c.address);
    if (c.data >= 0) drv.byte(static_cast<uint32_t>(c.data));
    const uint64_t done = drv.m->sh2.cycles;  // the completing clock edge
    EXPECT_EQ(drv.dev()->state, c.busy_cycles ? EEPROM_BUSY : EEPROM_IDLE);
    if (c.busy_cycles) {
      EXPECT_EQ(drv.data_out(), 1u) << "the busy state itself reads 1";
    }

    for (int i = 0; i < 256; i++) ASSERT_EQ(drv.dev()->memory[i], c.expect(i, before[i])) << i;
    EXPECT_EQ(drv.dev()->dirty, c.busy_cycles ? 1 : 0);

    // Completion is seen by reselecting: 0 while busy, 1 from the busy end on.
    drv.deselect();
    drv.select();
    const uint64_t busy_end = done + static_cast<uint64_t>(c.busy_cycles);
    if (c.busy_cycles) {
      drv.m->sh2.cycles = busy_end - 1;
      EXPECT_EQ(drv.data_out(), 0u);
    }
    drv.m->sh2.cycles = std::max(busy_end, drv.m->sh2.cycles);
    EXPECT_EQ(drv.data_out(), 1u);
  }
}

TEST_F(eeprom_test, AStartBitWhileBusyIsRefused) {
  drv.enable_writes();
  drv.select();
  drv.command(OP_ERASE, 0x10);
  drv.deselect();
  drv.select();
  drv.bit(1);
  EXPECT_EQ(drv.dev()->state, EEPROM_SELECTED);
  drv.m->sh2.cycles = drv.dev()->busy_until;
  drv.bit(1);
  EXPECT_EQ(drv.dev()->state, EEPROM_COMMAND);
}

TEST_F(eeprom_test, TheStartBitNeedsDataInHighInACycleAfterChipSelectRose) {
  // Chip select, clock and data in rise in one port write: not a start bit.
  drv.port(0, 0, 0);
  drv.tick();
  drv.port(1, 1, 1);
  EXPECT_EQ(drv.dev()->state, EEPROM_SELECTED);
  // Leading zeros are skipped; the first one is the start bit, not a command bit.
  drv.bit(0);
  drv.bit(0);
  EXPECT_EQ(drv.dev()->state, EEPROM_SELECTED);
  drv.bit(1);
  EXPECT_EQ(drv.dev()->state, EEPROM_COMMAND);
  EXPECT_EQ(drv.dev()->bit_count, 0u);
}

TEST_F(eeprom_test, DroppingChipSelectMidWriteStoresNothing) {
  drv.enable_writes();
  drv.select();
  drv.command(OP_WRITE, 0x20);
  for (int i = 0; i < 5; i++) drv.bit(0);
  drv.deselect();
  EXPECT_EQ(drv.dev()->state, EEPROM_IDLE);
  EXPECT_EQ(drv.dev()->memory[0x20], static_cast<uint8_t>(0x20 * 7 + 0x31));
  EXPECT_EQ(drv.dev()->dirty, 0);
  EXPECT_EQ(drv.dev()->busy_until, 0u);
}

TEST_F(eeprom_test, EwdsProtectsAgainAndBothLeaveTheDeviceIdleWithChipSelectHigh) {
  drv.enable_writes();
  EXPECT_EQ(drv.dev()->write_protect, 0);
  drv.select();
  drv.command(OP_MISC, ADDR_EWDS);
  EXPECT_EQ(drv.dev()->write_protect, 1);
  EXPECT_EQ(drv.dev()->command, 4);
  EXPECT_EQ(drv.dev()->state, EEPROM_IDLE);
  EXPECT_EQ(drv.dev()->cs, 1);
  drv.bit(1);  // no new command without a chip-select cycle
  EXPECT_EQ(drv.dev()->state, EEPROM_IDLE);
}

TEST_F(eeprom_test, DataOutReadsOneInIdleCommandAndDataInStates) {
  EXPECT_EQ(drv.data_out(), 1u);
  drv.select();
  drv.bit(1);
  drv.bit(0);
  EXPECT_EQ(drv.dev()->state, EEPROM_COMMAND);
  EXPECT_EQ(drv.data_out(), 1u);
  drv.deselect();
  drv.select();
  drv.command(OP_WRITE, 0);
  EXPECT_EQ(drv.dev()->state, EEPROM_DATA_IN);
  EXPECT_EQ(drv.data_out(), 1u);
}

TEST_F(eeprom_test, AnOutOfRangeStateFromALoadedStateActsAsIdle) {
  for (uint8_t state : {6, 77, 255}) {
    SCOPED_TRACE(state);
    SetUp();
    eeprom_device* e = drv.dev();
    e->state = state;
    e->cs = 1;
    drv.bit(1);  // clock rises are ignored, as in idle
    EXPECT_EQ(e->state, state);
    EXPECT_EQ(drv.data_out(), 1u);
    drv.deselect();
    EXPECT_EQ(e->state, EEPROM_IDLE);

    e->state = state;  // chip select rising from an unknown state selects, as from idle
    drv.tick();
    drv.port(1, 0, 0);
    EXPECT_EQ(e->state, EEPROM_SELECTED);
  }
}

TEST_F(eeprom_test, ResetRestoresTheSerialStateButKeepsMemoryAndDirty) {
  drv.enable_writes();
  drv.select();
  drv.command(OP_WRITE, 0x33);
  drv.byte(0x99);
  eeprom_reset(drv.dev());
  const eeprom_device* e = drv.dev();
  EXPECT_EQ(e->memory[0x33], 0x99);
  EXPECT_EQ(e->dirty, 1);
  EXPECT_EQ(e->write_protect, 1);
  EXPECT_EQ(e->state | e->cs | e->clk | e->di | e->command, 0);
  EXPECT_EQ(e->bit_count | e->command_shift | e->address | e->data_shift, 0u);
  EXPECT_EQ(e->busy_until | e->cs_rise_cycle, 0u);
}

}  // namespace
