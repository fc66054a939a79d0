// The machine record's operations: what a reset clears, recomputes and keeps, the bus binding,
// the page change counts, the ROM fingerprint, and the sound catch-up with its host callbacks.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <vector>

#include "board/bus.h"
#include "board/sound_host.h"
#include "board/time_base.h"
#include "board_fixture.h"

namespace {

struct machine_test : board_test {
  void SetUp() override {
    board_test::SetUp();
    m->program_rom[0] = 0x00000400;  // reset PC
    m->program_rom[1] = 0x060FFFF0;  // reset stack pointer
    for (int i = 0; i < 256; i++) m->eeprom.memory[i] = static_cast<uint8_t>(i ^ 0x5A);
  }

  // Leaves something in every field that a reset should clear or recompute.
  void scribble() {
    std::memset(m->work_ram, 0x11, sizeof m->work_ram);
    std::memset(m->video_ram, 0x22, sizeof m->video_ram);
    std::memset(m->palette_ram, 0x33, sizeof m->palette_ram);
    std::memset(m->zoom_table, 0x44, sizeof m->zoom_table);
    std::memset(m->video_regs, 0x55, sizeof m->video_regs);
    std::memset(m->palette_argb, 0x66, sizeof m->palette_argb);
    std::memset(m->frame, 0x77, sizeof m->frame);
    std::memset(&m->onchip, 0x88, sizeof m->onchip);
    std::memset(&m->sh2, 0x99, sizeof m->sh2);
    m->sprite_count = 17;
    m->sprites[3].x = 123;
    m->eeprom.state = EEPROM_DATA_IN;
    m->eeprom.bit_count = 3;
    m->eeprom.busy_until = 999;
    m->sound_timer_cycle[0] = m->sound_timer_cycle[1] = 5;
    m->sound_event_cycle = 6;
    m->sound_samples = 7;
    m->frame_counter = 8;
    m->input_bits = 0x1234;
    m->dip_bits = 0x03000000;
    m->dip_flag = 1;
    std::strcpy(m->error_text, "kept");
  }
};

TEST_F(machine_test, ResetClearsRecomputesAndKeepsWhatItShould) {
  scribble();
  machine_reset(m);
  for (uint32_t w : m->work_ram) ASSERT_EQ(w, 0u);
  for (uint32_t w : m->video_ram) ASSERT_EQ(w, 0u);
  for (uint32_t w : m->palette_ram) ASSERT_EQ(w, 0u);
  for (uint32_t w : m->palette_argb) ASSERT_EQ(w, 0xFF000000u);
  for (uint32_t w : m->frame) ASSERT_EQ(w, 0u);
  EXPECT_EQ(m->zoom_table[0] | m->zoom_table[127] | m->video_regs[0] | m->video_regs[7], 0u);
  EXPECT_EQ(m->sprite_count, 0);
  EXPECT_EQ(m->sprites[3].x, 123) << "the records stay; the count hides them";

  for (uint8_t b : m->onchip.image) ASSERT_EQ(b, 0);
  EXPECT_EQ(m->onchip.frt_frc | m->onchip.frt_ocra | m->onchip.frt_tcr | m->onchip.frt_ftcsr, 0);
  EXPECT_EQ(m->onchip.divu_divisor, 0);
  EXPECT_EQ(m->onchip.frt_last_cycle, 0u);
  EXPECT_EQ(m->onchip.frt_next_cycle, ~uint64_t{0});

  EXPECT_EQ(m->sh2.pc, 0x400u);
  EXPECT_EQ(m->sh2.r[15], 0x060FFFF0u);
  EXPECT_EQ(m->sh2.sr, 0xF0u);
  EXPECT_EQ(m->sh2.cycles, 0u);
  EXPECT_EQ(m->sh2.irq_held, 0x1010u);

  EXPECT_EQ(m->eeprom.busy_until, 0u);
  EXPECT_EQ(m->eeprom.state, EEPROM_DATA_IN) << "the serial state is kept";
  EXPECT_EQ(m->eeprom.bit_count, 3u);
  for (int i = 0; i < 256; i++) ASSERT_EQ(m->eeprom.memory[i], i ^ 0x5A);

  EXPECT_EQ(m->sound_timer_cycle[0], ~uint64_t{0});
  EXPECT_EQ(m->sound_timer_cycle[1], ~uint64_t{0});
  EXPECT_EQ(m->sound_event_cycle, ~uint64_t{0});
  EXPECT_EQ(m->sound_samples, 0u);
  EXPECT_EQ(m->frame_counter, 0u);
  EXPECT_NE(m->sound, nullptr);
  EXPECT_EQ(m->input_bits, 0x1234u);
  EXPECT_EQ(m->dip_bits, 0x03000000u);
  EXPECT_EQ(m->dip_flag, 1);
  EXPECT_STREQ(m->error_text, "kept");

  EXPECT_EQ(bus_binding.bound, m);
  EXPECT_EQ(sh2_image.base, 0x06000000u);
  EXPECT_EQ(sh2_image.page_change_counts, m->page_change_counts);
}

TEST_F(machine_test, TwoResetsLeaveTheSameRecordAsOne) {
  scribble();
  machine_reset(m);
  std::vector<uint8_t> once(reinterpret_cast<uint8_t*>(m), reinterpret_cast<uint8_t*>(m + 1));
  machine_reset(m);
  EXPECT_EQ(std::memcmp(once.data(), m, sizeof *m), 0);
}

TEST_F(machine_test, ResetCountsTheNonZeroRomWordsOfEachPageOfTheImage) {
  machine_reset(m);
  for (uint32_t c : m->page_change_counts) ASSERT_EQ(c, 0u) << "no image, no counts";

  m->xlate_length = 0x2800;  // pages 0-1 whole, page 2 in part
  m->xlate_offset = 0x1000;
  m->program_rom[0x400 + 3] = 1;
  m->program_rom[0x400 + 0x400 + 9] = 2;
  m->program_rom[0x400 + 0x400 + 10] = 3;
  m->program_rom[0x400 + 0x800] = 4;
  m->program_rom[0x400 + 0xA00] = 5;  // past the image
  machine_reset(m);
  EXPECT_EQ(sh2_image.length, 0x2800u);
  EXPECT_EQ(m->page_change_counts[0], 1u);
  EXPECT_EQ(m->page_change_counts[1], 2u);
  EXPECT_EQ(m->page_change_counts[2], 1u);
  EXPECT_EQ(m->page_change_counts[3], 0u);
}

TEST_F(machine_test, TheFingerprintIsTheCrcOfTheFirstMibInLittleEndianWordOrder) {
  machine_ptr empty = machine_new(0);
  EXPECT_EQ(program_rom_crc32(empty.get()), 0u);

  for (uint32_t i = 0; i < 262144; i++) m->program_rom[i] = i * 2654435761u;
  std::vector<uint8_t> bytes(1048576);
  for (uint32_t i = 0; i < 262144; i++)
    for (int k = 0; k < 4; k++)
      bytes[4 * i + k] = static_cast<uint8_t>(m->program_rom[i] >> (8 * k));
  const uint32_t expected = static_cast<uint32_t>(crc32(0, bytes.data(), 1048576));
  EXPECT_EQ(program_rom_crc32(m), expected);

  m->program_rom[262144] = 0xFFFFFFFF;  // the zero upper 512 KiB do not count
  EXPECT_EQ(program_rom_crc32(m), expected);
  m->program_rom[262143] ^= 0x01000000;
  EXPECT_NE(program_rom_crc32(m), expected);
}

TEST_F(machine_test, CatchUpGeneratesUpToTheDueCountAndKeepsTheNewestHalfWhenFull) {
  machine_reset(m);
  const uint64_t c = frame_end_cycle(0);
  sound_catch_up(m, c);
  EXPECT_EQ(m->sound_samples, 622u);
  EXPECT_EQ(sound_buffer.fill, 622);
  sound_catch_up(m, c);
  sound_catch_up(m, c - 5000);
  EXPECT_EQ(m->sound_samples, 622u) << "never past the due count, never backwards";

  // 2,000 marked samples leave room for 48: the next 100 push out the oldest half.
  for (int32_t i = 0; i < 2000; i++) sound_buffer.samples[i] = 100000 + i;
  sound_buffer.fill = 2000;
  uint64_t target = c;
  while (samples_due(target) < 722) target++;
  sound_catch_up(m, target);
  EXPECT_EQ(m->sound_samples, 722u);
  EXPECT_EQ(sound_buffer.fill, 1100);
  EXPECT_EQ(sound_buffer.samples[0], 101000);
  EXPECT_EQ(sound_buffer.samples[999], 101999);
}

TEST_F(machine_test, TheChipSeesTheDeliveredTimersCycleAndDrivesLevel12) {
  m->sh2.cycles = 5000;
  EXPECT_EQ(ymf_host_now(m), 5000u);
  m->sound_event_cycle = 4321;
  EXPECT_EQ(ymf_host_now(m), 4321u);
  m->sound_event_cycle = ~uint64_t{0};

  ymf_host_set_timer(m, 0, 100);
  ymf_host_set_timer(m, 3, 200);  // the timer number is taken modulo 2
  EXPECT_EQ(m->sound_timer_cycle[0], 100u);
  EXPECT_EQ(m->sound_timer_cycle[1], 200u);

  m->sh2.check_irq = 0;
  ymf_host_set_irq(m, 1);
  EXPECT_EQ(m->sh2.irq_pending, 1u << 12);
  EXPECT_EQ(m->sh2.check_irq, 1);
  ymf_host_set_irq(m, 0);
  EXPECT_EQ(m->sh2.irq_pending, 0u);
}

}  // namespace
