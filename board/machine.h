// The machine record: the whole emulated KV5 board in one flat, fixed-size block of plain data
// (CPU state, ROM buffers, RAMs, video areas, EEPROM, on-chip peripherals, sound-chip hookup,
// counters). A save state is a field-by-field serialization of it, and a state load decodes
// into a byte copy of the live record and copies it back whole, so it must stay trivially
// copyable. The adapter allocates it zero-filled once and keeps it at one address.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "board/eeprom.h"
#include "board/onchip.h"
#include "cpu/sh2.h"
#include "video/video_memory.h"

struct ymf_glue;  // the sound-chip hookup, owned through `sound`

enum {
  MACHINE_PROGRAM_ROM_BYTES = 1572864,   // first MiB: the interleaved program pair
  MACHINE_GRAPHICS_ROM_BYTES = 46137344, // 44 MiB: pair n at n * 4 MiB, the first 4 MiB zero
  MACHINE_SOUND_ROM_BYTES = 4194304,     // sample member at the start, the rest zero
  MACHINE_WORK_RAM_WORDS = 262144,       // 1 MiB at 0x06000000
  MACHINE_PAGE_COUNT = 256,              // 4 KiB pages of the translated RAM image
};

struct machine {
  // --- CPU (the record's first member: the core reaches it through the same pointer)
  sh2_state sh2;                            // registers, cycle counter (the only clock), irq fields

  // --- ROM set: owned buffers, non-null exactly while a set is loaded
  uint32_t* program_rom;                    // MACHINE_PROGRAM_ROM_BYTES as host-order words
  uint8_t* graphics_rom;                    // MACHINE_GRAPHICS_ROM_BYTES
  uint8_t* sound_rom;                       // MACHINE_SOUND_ROM_BYTES
  uint8_t eeprom_default[256];              // EEPROM image from the set, copied in at load

  // --- memories the game sees
  uint32_t work_ram[MACHINE_WORK_RAM_WORDS];     // 0x06000000-0x060FFFFF; cleared at reset
  uint32_t video_ram[VIDEO_RAM_WORDS];           // 0x04000000-0x0400FFFF
  uint32_t palette_ram[VIDEO_PALETTE_ENTRIES];   // 0x04040000-0x04044FFF, raw RGB in bits 31-8
  uint32_t zoom_table[VIDEO_ZOOM_WORDS];         // 0x04050000-0x040501FF, 256 u16 factors
  uint32_t video_regs[VIDEO_REG_WORDS];          // 0x0405FFE0-0x0405FFFF; word 4 = window bank

  // --- video chip: converted palette, latched sprites, renderer work areas, output
  uint32_t palette_argb[VIDEO_PALETTE_ENTRIES];  // 0xFF000000 | RGB, in step with palette_ram
  sprite_record sprites[VIDEO_MAX_SPRITES];      // latched at the end of each frame
  int32_t sprite_count;                          // 0-1024; work area starts here
  uint8_t zoom_scratch[256][256];                // pens of a zoomed sprite
  uint16_t priority_buffer[256][512];            // highest list position drawn per pixel
  uint32_t layer_cache[512][512];                // spare, not used by the renderer
  uint32_t compose_buffer[256][512];             // lines being composed
  uint32_t frame[VIDEO_HEIGHT * VIDEO_WIDTH];    // output 0x00RRGGBB, rows top to bottom

  // --- peripherals
  eeprom_device eeprom;                     // serial EEPROM
  onchip_regs onchip;                       // SH7604 on-chip registers, divider, FRT

  // --- sound chip hookup
  ymf_glue* sound;                          // owned; null before a load and after unload
  uint64_t sound_timer_cycle[2];            // expiry cycle of chip timer 0/1; all-ones = disarmed
  uint64_t sound_event_cycle;               // cycle of the timer being delivered; all-ones = none
  uint64_t sound_samples;                   // mono samples generated since reset

  // --- translated RAM image (none in this program: length stays 0)
  uint32_t xlate_length;                    // bytes; 0 = no image
  uint32_t xlate_offset;                    // byte offset in program_rom the image copies
  uint32_t page_change_counts[MACHINE_PAGE_COUNT];  // per 4 KiB page: RAM words != ROM words

  // --- inputs, switches, counters
  uint32_t input_bits;                      // the frontend's input word as last set
  uint32_t dip_bits;                        // DIP word bits 0-1 at bits 24-25
  uint8_t dip_flag;                         // DIP word bit 2
  uint64_t frame_counter;                   // frames completed since reset
  char error_text[512];                     // NUL-terminated message of the last failed load
};

static_assert(std::is_trivially_copyable_v<machine>);
static_assert(sizeof(machine) == 3374448, "the machine record has a fixed size");
static_assert(offsetof(machine, sh2) == 0);
static_assert(offsetof(machine, work_ram) == 424);
static_assert(offsetof(machine, video_ram) == 1049000);
static_assert(offsetof(machine, sprites) == 1156040);
static_assert(offsetof(machine, sprite_count) == 1184712);
static_assert(offsetof(machine, frame) + sizeof(machine::frame) - offsetof(machine, sprite_count) ==
              2187268, "the renderer's work area, cleared by the video reset");
static_assert(offsetof(machine, eeprom) == 3371984);
static_assert(offsetof(machine, onchip) == 3372288);
static_assert(offsetof(machine, sound) == 3372840);
static_assert(offsetof(machine, page_change_counts) == 3372888);
static_assert(offsetof(machine, frame_counter) == 3373928);
static_assert(offsetof(machine, error_text) == 3373936);

// --- board operations (results: none can fail)

// Power-on reset of a loaded board: binds the bus, clears RAMs, video areas and the on-chip
// registers, rebuilds the converted palette, resets the video chip, the CPU (vectors read
// through the bus) and the sound chip. Keeps the ROMs, the EEPROM contents and serial state
// (not its busy time), the latched sprite records, inputs, DIP bits and the error text.
void machine_reset(machine* m);

// Points the bus and the CPU's view of the translated image at this record. Clears nothing.
void bus_bind_machine(machine* m);

// Recounts, per 4 KiB page of the translated image, the work RAM words that differ from ROM.
void page_changes_recount(machine* m);

// Stores the frontend's input word; the input port decodes it when the game reads it.
void machine_set_inputs(machine* m, uint32_t word);

// CRC-32 of the first MiB of the program ROM, each word's bytes in little-endian order
// (the ROM fingerprint); 0 when no program is loaded.
uint32_t program_rom_crc32(const machine* m);
