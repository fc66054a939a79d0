// The machine's life between load and unload: the power-on reset in its fixed order, the bus
// binding, the page change counters of the translated image, the input word and the ROM
// fingerprint. Loading, running frames and save states are done elsewhere and call these.
#include "board/machine.h"

#include <zlib.h>

#include <cstring>

#include "board/bus.h"
#include "board/ymf_glue.h"
#include "cpu/sh2.h"
#include "video/video.h"

void bus_bind_machine(machine* m) {
  bus_binding.bound = m;
  sh2_image.base = BUS_RAM_BASE;
  sh2_image.length = m->xlate_length;
  sh2_image.page_change_counts = m->page_change_counts;
}

void page_changes_recount(machine* m) {
  std::memset(m->page_change_counts, 0, sizeof m->page_change_counts);
  for (uint32_t o = 0; o < m->xlate_length; o += 4) {
    const uint32_t rom = m->program_rom[((m->xlate_offset + o) & ~3u) >> 2];
    if (m->work_ram[o >> 2] != rom) m->page_change_counts[o >> 12]++;
  }
}

void machine_reset(machine* m) {
  bus_bind_machine(m);
  std::memset(m->work_ram, 0, sizeof m->work_ram);
  // Work RAM is zero now: each page counts the non-zero ROM words of its part of the image.
  page_changes_recount(m);

  std::memset(m->video_ram, 0, sizeof m->video_ram);
  std::memset(m->palette_ram, 0, sizeof m->palette_ram);
  std::memset(m->zoom_table, 0, sizeof m->zoom_table);
  std::memset(m->video_regs, 0, sizeof m->video_regs);
  std::memset(m->palette_argb, 0, sizeof m->palette_argb);
  for (uint32_t i = 0; i < VIDEO_PALETTE_ENTRIES; i++) video_update_palette_entry(m, i);

  m->onchip = {};
  m->onchip.frt_next_cycle = ~uint64_t{0};
  video_reset(m);
  m->eeprom.busy_until = 0;  // the serial state and memory stay as they are

  m->sound_timer_cycle[0] = m->sound_timer_cycle[1] = ~uint64_t{0};
  m->sound_event_cycle = ~uint64_t{0};
  // Levels 4 (vertical blank) and 12 (sound) stay pending until their devices lower them.
  // The CPU reads its vectors through the bus, which is bound above.
  m->sh2.irq_held = 0x1010;
  sh2_reset(&m->sh2);
  ymf_glue_reset(m->sound);
  m->sound_samples = 0;
  m->frame_counter = 0;
}

void machine_set_inputs(machine* m, uint32_t word) {
  m->input_bits = word;
}

uint32_t program_rom_crc32(const machine* m) {
  if (!m->program_rom) return 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  uint8_t bytes[4096];
  for (uint32_t w = 0; w < BUS_ROM_BYTES / 4; w += sizeof bytes / 4) {
    for (uint32_t i = 0; i < sizeof bytes / 4; i++) {
      const uint32_t v = m->program_rom[w + i];
      bytes[4 * i] = static_cast<uint8_t>(v);
      bytes[4 * i + 1] = static_cast<uint8_t>(v >> 8);
      bytes[4 * i + 2] = static_cast<uint8_t>(v >> 16);
      bytes[4 * i + 3] = static_cast<uint8_t>(v >> 24);
    }
    crc = crc32(crc, bytes, sizeof bytes);
  }
  return static_cast<uint32_t>(crc);
}
