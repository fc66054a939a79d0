// Builds a loaded board from a checked ROM set archive: the program words from the high and
// low members, the graphics image from its ten pairs, the sample ROM, the pair-swapped EEPROM
// default, the sound glue over the 4 MiB sample buffer and the translated-image check, then the
// reset. Also the unload, and the check of every member's data that a switch of sets makes
// before it gives up the running game. The directory check is rom_set.cpp's, member lookup
// zip_member.cpp's.
#include <zip.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/machine.h"
#include "board/rom_set.h"
#include "board/sound_host.h"
#include "board/ymf_glue.h"
#include "board/zip_member.h"
#include "cpu/xlate.h"

enum {
  PROGRAM_MEMBER_BYTES = 0x80000,
  GRAPHICS_MEMBER_BYTES = 0x200000,
  GRAPHICS_PAIR_BYTES = 0x400000,
  SAMPLE_MEMBER_BYTES = 0x200000,
  EEPROM_MEMBER_BYTES = 256,
};

// Suffixes of graphics pair n (1-10): low, high.
static const char* const graphics_suffix[10][2] = {
    {"u4", "u12"}, {"u5", "u13"},  {"u6", "u14"},  {"u7", "u15"},  {"u8", "u16"},
    {"u1", "u2"},  {"u19", "u20"}, {"u28", "u29"}, {"u41", "u42"}, {"u58", "u59"},
};

// The first member matching `name`, when it extracts to at least the `expected` bytes that
// the check verified; a shorter one (the archive changed after the check) cannot be used
// either, so the builders below never read past a member. Null with the reason otherwise; the
// caller frees the result with free().
static uint8_t* extract_member(zip_t* archive, const char* name, size_t expected, char* reason,
                               size_t reason_size) {
  size_t size = 0;
  uint8_t* data = zip_extract_member(archive, name, &size, reason, reason_size);
  if (data && size < expected) {
    std::snprintf(reason, reason_size, "only %zu of %zu bytes", size, expected);
    std::free(data);
    return nullptr;
  }
  return data;
}

int rom_set_verify_contents(const char* path, char* message, size_t message_size) {
  if (!path) path = "";
  char why[160] = "";
  zip_t* archive = zip_open_archive(path, why, sizeof why);
  if (!archive) {  // it went or changed since its directory was checked
    if (message && message_size)
      std::snprintf(message, message_size, "Cannot open \"%s\" as a zip archive. %s", path, why);
    return 0;
  }
  int good = 1;
  for (const rom_entry& row : rom_set_table) {
    char reason[160] = "";
    // One member at a time: at most 2 MiB held, whatever the set's size.
    uint8_t* data = extract_member(archive, row.name, row.size, reason, sizeof reason);
    if (data && (uint32_t)crc32(0, data, row.size) != row.crc)
      std::snprintf(reason, sizeof reason, "CRC-32 mismatch");
    const int read = data && !reason[0];
    std::free(data);
    if (!read) {
      if (message && message_size)
        std::snprintf(message, message_size, "Could not read %s from the archive (%s).", row.name,
                      reason);
      good = 0;
      break;
    }
  }
  zip_discard(archive);
  return good;
}

static void free_buffers(machine* m) {
  std::free(m->program_rom);
  std::free(m->graphics_rom);
  std::free(m->sound_rom);
  m->program_rom = nullptr;
  m->graphics_rom = nullptr;
  m->sound_rom = nullptr;
}

static void set_error(machine* m, const char* text) {
  std::snprintf(m->error_text, sizeof m->error_text, "%s", text);
}

// The program words from the high and low members. 0 with the message when either cannot be
// read.
static int build_program(machine* m, zip_t* archive) {
  const char* const names[2] = {"2prog_h.u21", "1prog_l.u22"};
  uint8_t* members[2] = {nullptr, nullptr};
  for (int i = 0; i < 2; i++) {
    char reason[160];
    members[i] = extract_member(archive, names[i], PROGRAM_MEMBER_BYTES, reason, sizeof reason);
    if (!members[i]) {
      std::snprintf(m->error_text, sizeof m->error_text, "Could not read the program ROMs. %s: %s.",
                    names[i], reason);
      std::free(members[0]);
      return 0;
    }
  }
  // Word i: H[2i+1] H[2i] L[2i+1] L[2i] from the most significant byte down.
  const uint8_t *high = members[0], *low = members[1];
  for (size_t i = 0; i < PROGRAM_MEMBER_BYTES / 2; i++)
    m->program_rom[i] = (uint32_t)high[2 * i + 1] << 24 | (uint32_t)high[2 * i] << 16 |
                        (uint32_t)low[2 * i + 1] << 8 | low[2 * i];
  std::free(members[0]);
  std::free(members[1]);
  return 1;
}

// A member that passed the check but cannot be read fails the load: a game without its
// graphics, samples or EEPROM contents must not run as if it had them.
static void set_member_error(machine* m, const char* name, const char* reason) {
  std::snprintf(m->error_text, sizeof m->error_text, "Could not read %s from the archive (%s).",
                name, reason);
}

// Pair n fills n * 4 MiB on: low bytes 2k, 2k+1 at 4k, 4k+1, high bytes at 4k+2, 4k+3. 0 with
// the message when a member cannot be read.
static int build_graphics(machine* m, zip_t* archive) {
  for (int n = 1; n <= 10; n++) {
    char names[2][16];
    std::snprintf(names[0], sizeof names[0], "%dl.%s", n, graphics_suffix[n - 1][0]);
    std::snprintf(names[1], sizeof names[1], "%dh.%s", n, graphics_suffix[n - 1][1]);
    uint8_t* members[2] = {nullptr, nullptr};
    for (int half = 0; half < 2; half++) {
      char reason[160];
      members[half] =
          extract_member(archive, names[half], GRAPHICS_MEMBER_BYTES, reason, sizeof reason);
      if (!members[half]) {
        set_member_error(m, names[half], reason);
        std::free(members[0]);
        return 0;
      }
    }
    const uint8_t *low = members[0], *high = members[1];
    uint8_t* out = m->graphics_rom + (size_t)n * GRAPHICS_PAIR_BYTES;
    for (size_t k = 0; k < GRAPHICS_MEMBER_BYTES / 2; k++) {
      out[4 * k] = low[2 * k];
      out[4 * k + 1] = low[2 * k + 1];
      out[4 * k + 2] = high[2 * k];
      out[4 * k + 3] = high[2 * k + 1];
    }
    std::free(members[0]);
    std::free(members[1]);
  }
  return 1;
}

// The sample ROM and the pair-swapped EEPROM default. 0 with the message when a member cannot
// be read.
static int build_samples_and_eeprom(machine* m, zip_t* archive) {
  char reason[160];
  uint8_t* samples =
      extract_member(archive, "snd0.u52", SAMPLE_MEMBER_BYTES, reason, sizeof reason);
  if (!samples) {
    set_member_error(m, "snd0.u52", reason);
    return 0;
  }
  std::memcpy(m->sound_rom, samples, SAMPLE_MEMBER_BYTES);
  std::free(samples);

  uint8_t* eeprom =
      extract_member(archive, "eeprom-cobaltin.u44", EEPROM_MEMBER_BYTES, reason, sizeof reason);
  if (!eeprom) {
    set_member_error(m, "eeprom-cobaltin.u44", reason);
    return 0;
  }
  for (int j = 0; j < EEPROM_MEMBER_BYTES / 2; j++) {
    m->eeprom_default[2 * j] = eeprom[2 * j + 1];
    m->eeprom_default[2 * j + 1] = eeprom[2 * j];
  }
  std::free(eeprom);
  return 1;
}

int machine_load(machine* m, const char* path) {
  std::memset(m, 0, sizeof *m);
  m->dip_bits = 0x01000000;
  if (!rom_set_verify(path, m->error_text, sizeof m->error_text)) return 0;

  m->program_rom = (uint32_t*)std::calloc(1, MACHINE_PROGRAM_ROM_BYTES);
  m->graphics_rom = (uint8_t*)std::calloc(1, MACHINE_GRAPHICS_ROM_BYTES);
  m->sound_rom = (uint8_t*)std::calloc(1, MACHINE_SOUND_ROM_BYTES);
  if (!m->program_rom || !m->graphics_rom || !m->sound_rom) {
    free_buffers(m);
    set_error(m, "out of memory");
    return 0;
  }

  // The archive again, for its contents: the check read only its directory.
  char reason[160] = "";
  zip_t* archive = zip_open_archive(path, reason, sizeof reason);
  if (!archive) {
    std::snprintf(m->error_text, sizeof m->error_text, "Could not read the program ROMs. %s: %s",
                  path, reason);
    free_buffers(m);
    return 0;
  }
  const int built = build_program(m, archive) && build_graphics(m, archive) &&
                    build_samples_and_eeprom(m, archive);
  zip_discard(archive);
  if (!built) {
    free_buffers(m);
    return 0;
  }

  std::memcpy(m->eeprom.memory, m->eeprom_default, sizeof m->eeprom.memory);
  eeprom_reset(&m->eeprom);

  const ymf_host host = {m, ymf_host_now, ymf_host_set_timer, ymf_host_set_irq};
  m->sound = ymf_glue_create(m->sound_rom, MACHINE_SOUND_ROM_BYTES, &host);
  if (!m->sound) {
    free_buffers(m);
    set_error(m, "out of memory");
    return 0;
  }

  uint32_t base = 0, length = 0, offset = 0;
  xlate_image_info(&base, &length, &offset);
  // The sum in 64 bits: a large offset must not wrap round to a small one.
  if (base == 0x06000000 && length <= 0x100000 && uint64_t{length} + offset <= 0x100000) {
    m->xlate_length = length;
    m->xlate_offset = offset;
  }

  machine_reset(m);
  return 1;
}

void machine_unload(machine* m) {
  ymf_glue_destroy(m->sound);
  m->sound = nullptr;
  free_buffers(m);
}
