// Save, check and load of the board save state. The visitor state_serialize walks the chunks
// "SH2 ", "ONCH", "RAM ", "VRAM", "VID ", "EEPR", "YMF " and "MISC" field by field for both
// directions; state_parse holds every check of a blob in the order its format defines; the
// load repairs what no chunk carries. The stream mechanics are state_stream.cpp's, the sound
// chip's own image is the sound glue's.
#include "board/save_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/machine.h"
#include "board/time_base.h"
#include "board/ymf_glue.h"
#include "cpu/xlate.h"
#include "video/video.h"

static const char STATE_MAGIC[8] = {'C', 'B', 'L', 'T', 'C', 'O', 'R', 'E'};

// --- the visitor --------------------------------------------------------------------------

static void visit_sh2(state_stream* s, sh2_state* c) {
  state_chunk_begin(s, "SH2 ");
  state_io_u32_array(s, c->r, 16);
  uint32_t* words[] = {&c->pc,   &c->pr,   &c->sr,           &c->gbr,     &c->vbr,
                       &c->mach, &c->macl, &c->last_address, &c->reserved};
  for (uint32_t* w : words) state_io_u32(s, w);
  state_io_u64(s, &c->cycles);
  state_io_u64(s, &c->instructions);
  state_io_u32(s, &c->irq_pending);
  state_io_i32(s, &c->onchip_level);
  state_io_u32(s, &c->onchip_vector);
  state_io_u8(s, &c->nmi_pending);
  state_io_u8(s, &c->sleep_state);
  state_io_u8(s, &c->check_irq);
  state_io_u8(s, &c->stopped);
  state_io_u32(s, &c->irq_held);
  state_chunk_end(s);
}

static void visit_onchip(state_stream* s, onchip_regs* o) {
  state_chunk_begin(s, "ONCH");
  state_io_bytes(s, o->image, sizeof o->image);
  state_io_i32(s, &o->divu_divisor);
  state_io_u32(s, &o->divu_quotient);
  state_io_u32(s, &o->divu_remainder);
  uint8_t* bytes[] = {&o->divu_overflow, &o->divu_overflow_irq, &o->frt_tier,
                      &o->frt_ftcsr,     &o->frt_tcr,           &o->frt_tocr};
  for (uint8_t* b : bytes) state_io_u8(s, b);
  state_io_u16(s, &o->frt_frc);
  state_io_u16(s, &o->frt_ocra);
  state_io_u16(s, &o->frt_ocrb);
  state_io_u64(s, &o->frt_last_cycle);
  state_io_u64(s, &o->frt_next_cycle);
  state_chunk_end(s);
}

static void visit_sprite(state_stream* s, sprite_record* r) {
  state_io_i32(s, &r->y);
  state_io_i32(s, &r->x);
  uint8_t* bytes[] = {&r->height,     &r->width,          &r->flip_y, &r->flip_x,
                      &r->attr_29_28, &r->priority_index, &r->zoom_y, &r->zoom_x};
  for (uint8_t* b : bytes) state_io_u8(s, b);
  state_io_u32(s, &r->tile);
  state_io_u16(s, &r->palette);
  state_io_u8(s, &r->is_8bpp);
  state_io_u16(s, &r->alpha_select);
}

static void visit_video(state_stream* s, machine* m) {
  state_chunk_begin(s, "VRAM");
  state_io_u32_array(s, m->video_ram, VIDEO_RAM_WORDS);
  state_io_u32_array(s, m->palette_ram, VIDEO_PALETTE_ENTRIES);
  state_io_u32_array(s, m->zoom_table, VIDEO_ZOOM_WORDS);
  state_io_u32_array(s, m->video_regs, VIDEO_REG_WORDS);
  state_chunk_end(s);

  state_chunk_begin(s, "VID ");
  state_io_i32(s, &m->sprite_count);
  for (sprite_record& r : m->sprites) visit_sprite(s, &r);
  state_io_bytes(s, m->zoom_scratch, sizeof m->zoom_scratch);
  state_io_u32_array(s, m->frame, VIDEO_WIDTH * VIDEO_HEIGHT);
  state_chunk_end(s);
}

static void visit_eeprom(state_stream* s, eeprom_device* e) {
  state_chunk_begin(s, "EEPR");
  state_io_bytes(s, e->memory, sizeof e->memory);
  uint8_t* bytes[] = {&e->state, &e->cs, &e->clk, &e->di, &e->write_protect, &e->command};
  for (uint8_t* b : bytes) state_io_u8(s, b);
  uint32_t* words[] = {&e->bit_count, &e->command_shift, &e->address, &e->data_shift};
  for (uint32_t* w : words) state_io_u32(s, w);
  state_io_u64(s, &e->busy_until);
  state_io_u64(s, &e->cs_rise_cycle);
  state_chunk_end(s);
}

// The sound image is the caller's when writing; when reading it stays in the blob and the
// caller gets its place.
static void visit_sound(state_stream* s, machine* m, const uint8_t** image, uint32_t* length) {
  state_chunk_begin(s, "YMF ");
  state_io_u64(s, &m->sound_timer_cycle[0]);
  state_io_u64(s, &m->sound_timer_cycle[1]);
  state_io_u64(s, &m->sound_samples);
  state_io_u32(s, length);
  if (s->writing) {
    state_io_bytes(s, (void*)*image, *length);
  } else if (!s->error) {
    if (*length <= s->size - s->read_pos) {
      *image = s->data + s->read_pos;
      s->read_pos += *length;
    } else {
      s->error = STATE_OVERRUN;
    }
  }
  state_chunk_end(s);
}

void state_serialize(state_stream* s, machine* m, const uint8_t** sound_image,
                     uint32_t* sound_length) {
  visit_sh2(s, &m->sh2);
  visit_onchip(s, &m->onchip);
  state_chunk_begin(s, "RAM ");
  state_io_u32_array(s, m->work_ram, MACHINE_WORK_RAM_WORDS);
  state_chunk_end(s);
  visit_video(s, m);
  visit_eeprom(s, &m->eeprom);
  visit_sound(s, m, sound_image, sound_length);
  state_chunk_begin(s, "MISC");
  state_io_u32(s, &m->dip_bits);
  state_io_u8(s, &m->dip_flag);
  state_io_u64(s, &m->frame_counter);
  state_chunk_end(s);
}

// --- save -----------------------------------------------------------------------------------

uint8_t* state_save(machine* m, size_t* length) {
  if (!m->sound) return nullptr;
  uint32_t rom_crc = program_rom_crc32(m);
  uint32_t xlate_id = xlate_module_id();

  const size_t sound_size = ymf_glue_save_state(m->sound, nullptr, 0);
  if (sound_size == 0 || sound_size > UINT32_MAX) return nullptr;
  uint8_t* sound = (uint8_t*)std::malloc(sound_size);
  if (!sound || ymf_glue_save_state(m->sound, sound, sound_size) != sound_size) {
    std::free(sound);
    return nullptr;
  }

  state_stream s;
  state_stream_init_writer(&s, 262144);
  uint32_t version = STATE_VERSION;
  state_io_bytes(&s, (void*)STATE_MAGIC, sizeof STATE_MAGIC);
  state_io_u32(&s, &version);
  state_io_u32(&s, &rom_crc);
  state_io_u32(&s, &xlate_id);
  const uint8_t* image = sound;
  uint32_t image_length = (uint32_t)sound_size;
  state_serialize(&s, m, &image, &image_length);
  std::free(sound);

  uint32_t crc = s.error ? 0 : state_crc32(0, s.data, s.size);
  state_io_u32(&s, &crc);
  if (s.error) {
    std::free(s.data);
    return nullptr;
  }
  *length = (size_t)s.size;
  return s.data;
}

// --- checks and load ------------------------------------------------------------------------

static void put_message(char* message, size_t capacity, const char* text) {
  if (message && capacity) std::snprintf(message, capacity, "%s", text);
}

static uint32_t le32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// 1 when every latched sprite record lies within what the sprite latch can produce: the
// renderer indexes tables and tiles with these fields, so a blob must not bring in others.
// Records past the count are never drawn and keep whatever the record held.
static int sprites_as_latched(const machine* m) {
  if (m->sprite_count < 0 || m->sprite_count > VIDEO_MAX_SPRITES) return 0;
  for (int i = 0; i < m->sprite_count; i++) {
    const sprite_record& r = m->sprites[i];
    if (r.y < -512 || r.y > 511 || r.x < -512 || r.x > 511) return 0;
    if (r.height < 1 || r.height > 16 || r.width < 1 || r.width > 16) return 0;
    if (r.flip_y > 1 || r.flip_x > 1 || r.is_8bpp > 1 || r.attr_29_28 > 3) return 0;
    if (r.priority_index > 3 || r.alpha_select > 7 || r.palette > 255) return 0;
    if (r.tile >= (1u << 19)) return 0;
  }
  return 1;
}

// 1 when the clock, the frame count and the audio count stand where a run leaves them between
// frames (or after a stop within a frame): the cycle count within the current frame or a few
// cycles past its end, the samples made at least up to the previous frame's end and at most up
// to the current cycle, and no armed sound timer expiring before the current frame began (a run
// delivers every expiry it reaches and re-arms it past the clock). The next frame then runs at
// most one frame's worth of CPU time, audio and timer expiries; a blob with these fields apart
// would have it run for hours (a timer far behind the clock is delivered once per period until
// it catches up).
static int timing_as_run(const machine* m) {
  // A slice ends after the instruction that crosses its end, a few cycles past it.
  enum : uint64_t { LAST_INSTRUCTION_SLACK = 64 };
  const uint64_t frame = m->frame_counter;
  if (frame == UINT64_MAX) return 0;
  const uint64_t start = frame ? frame_end_cycle(frame - 1) : 0;
  const uint64_t end = frame_end_cycle(frame);
  const uint64_t cycles = m->sh2.cycles;
  if (cycles < start || cycles > end + LAST_INSTRUCTION_SLACK) return 0;
  for (uint64_t t : m->sound_timer_cycle)
    if ((t >> 63) == 0 && t < start) return 0;
  return m->sound_samples >= samples_due(start) && m->sound_samples <= samples_due(cycles);
}

machine* state_parse(machine* m, const uint8_t* blob, size_t length, const uint8_t** sound_image,
                     uint32_t* sound_length, char* message, size_t capacity) {
  if (!blob || length < 24) {
    put_message(message, capacity, "state file is truncated");
    return nullptr;
  }
  if (std::memcmp(blob, STATE_MAGIC, sizeof STATE_MAGIC) != 0) {
    put_message(message, capacity, "not a Cobaltine save state");
    return nullptr;
  }
  if (le32(blob + length - 4) != state_crc32(0, blob, length - 4)) {
    put_message(message, capacity, "state is damaged (checksum mismatch)");
    return nullptr;
  }
  const uint32_t version = le32(blob + 8);
  if (version != STATE_VERSION) {
    char text[96];
    std::snprintf(text, sizeof text, "state format version %u is not supported (expected %u)",
                  version, (unsigned)STATE_VERSION);
    put_message(message, capacity, text);
    return nullptr;
  }
  // Without a loaded set there is no program to compare with (the fingerprint would read 0)
  // and no sound chip to restore.
  if (!m->program_rom || !m->sound || le32(blob + 12) != program_rom_crc32(m)) {
    put_message(message, capacity, "state was made with a different ROM set");
    return nullptr;
  }
  machine* copy = (machine*)std::malloc(sizeof(machine));
  if (!copy) {
    put_message(message, capacity, "out of memory");
    return nullptr;
  }
  std::memcpy(copy, m, sizeof(machine));
  state_stream s;
  state_stream_init_reader(&s, blob, length - 4, STATE_HEADER_BYTES);
  const uint8_t* image = nullptr;
  uint32_t image_length = 0;
  state_serialize(&s, copy, &image, &image_length);
  if (s.error || s.read_pos != length - 4 || !sprites_as_latched(copy) || !timing_as_run(copy)) {
    std::free(copy);
    put_message(message, capacity, "state has an unexpected layout or is truncated");
    return nullptr;
  }
  // The chip's own checks belong here too, so that a blob that validates also loads.
  const int sound_ok = image_length == ymf_glue_save_state(m->sound, nullptr, 0)
                           ? ymf_glue_check_state(m->sound, image, image_length)
                           : 0;
  if (sound_ok != 1) {
    std::free(copy);
    put_message(message, capacity,
                sound_ok < 0 ? "out of memory" : "state has an unexpected sound chip layout");
    return nullptr;
  }
  *sound_image = image;
  *sound_length = image_length;
  return copy;
}

int state_validate(machine* m, const uint8_t* blob, size_t length, char* message, size_t capacity) {
  const uint8_t* image;
  uint32_t image_length;
  machine* copy = state_parse(m, blob, length, &image, &image_length, message, capacity);
  if (!copy) return 0;
  std::free(copy);
  return 1;
}

int state_load(machine* m, const uint8_t* blob, size_t length, char* message, size_t capacity) {
  const uint8_t* image;
  uint32_t image_length;
  machine* copy = state_parse(m, blob, length, &image, &image_length, message, capacity);
  if (!copy) return 0;
  // The chip first: if it refuses, neither it nor the board has changed. Nothing after it
  // can fail.
  if (!ymf_glue_load_state(m->sound, image, image_length)) {
    std::free(copy);
    put_message(message, capacity, "sound chip state could not be restored");
    return 0;
  }
  std::memcpy(m, copy, sizeof(machine));
  std::free(copy);
  for (int i = 0; i < VIDEO_PALETTE_ENTRIES; i++) video_update_palette_entry(m, i);
  m->input_bits = 0;             // the frontend sends the next word before the next frame
  m->sound_event_cycle = ~0ull;  // no timer delivery in progress
  m->eeprom.dirty = 1;           // the NVRAM image must be written again
  page_changes_recount(m);
  bus_bind_machine(m);
  return 1;
}
