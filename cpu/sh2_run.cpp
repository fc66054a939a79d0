// The run loop: executes the game program up to the end of a slice, with interrupt acceptance
// gated by check_irq, the idle exits for SLEEP and stop requests, the ring of recent PCs, the page
// test and lookup of the translated-code module, and strict mode with its stop report. Also the
// core's process-wide diagnostics and their accessors. Instructions are carried out by sh2_step
// (sh2_dispatch.h, compiled in place); the translated-code module is linked separately.
#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "cpu/sh2.h"
#include "cpu/sh2_dispatch.h"
#include "cpu/xlate.h"

// ---- Process-wide state of the core (one board at a time; never in save states)

sh2_image_view sh2_image;  // filled by the board's bus binding

namespace {

uint32_t pc_ring[SH2_PC_RING_SIZE];                   // PCs of the most recent steps
uint32_t pc_ring_pos;                                 // PCs ever written; next slot = pos mod 64
uint32_t untranslated_entries[SH2_UNTRANSLATED_MAX];  // distinct PCs where interpretation began
uint32_t untranslated_count;                          // entries used, at most 256
uint32_t stop_pc;                                     // PC of the last -1 return of sh2_run
int32_t strict_mode;                                  // nonzero: a missing block stops the CPU
uint64_t instruction_total;                           // sh2_step calls by sh2_run
uint64_t slice_end;                                   // end of the slice in progress (cycles)

// The stale-block test: does the instruction at pc (both of its halfwords' pages) lie in a page
// of the translated image that the game has changed?
bool page_changed(const sh2_image_view& v, uint32_t pc) {
  uint32_t off = (pc & 0xC7FFFFFFu) - v.base;
  if (v.length == 0 || off >= v.length) return false;
  if (v.page_change_counts[off >> 12]) return true;
  return off + 2 < v.length && v.page_change_counts[(off + 2) >> 12];
}

void note_untranslated(uint32_t pc) {
  for (uint32_t i = 0; i < untranslated_count; i++)
    if (untranslated_entries[i] == pc) return;
  if (untranslated_count < SH2_UNTRANSLATED_MAX) untranslated_entries[untranslated_count++] = pc;
}

void report_missing_block(const sh2_state* s) {
  std::fprintf(stderr,
               "SH-2: missing translated code at %08X (after %llu instructions)\nlast PCs:", s->pc,
               (unsigned long long)s->instructions);
  for (uint32_t k = 1; k <= 16; k++)
    std::fprintf(stderr, " %08X", pc_ring[(pc_ring_pos - k) % SH2_PC_RING_SIZE]);
  std::fprintf(stderr, "\n");
}

// Idle exits pass the rest of the slice; never move time backwards should the slice have been
// shortened to a cycle already passed.
int32_t idle_to_slice_end(sh2_state* s) {
  if (s->cycles < slice_end) s->cycles = slice_end;
  return 0;
}

// The flag bytes nmi_pending, sleep_state, check_irq and stopped as one word: nonzero above the
// NMI byte means this step needs a closer look (acceptance, an idle exit, or a wake-up pending).
bool step_flags_set(const sh2_state* s) {
  static_assert(std::endian::native == std::endian::little);
  static_assert(offsetof(sh2_state, stopped) == offsetof(sh2_state, nmi_pending) + 3);
  uint32_t flags;
  std::memcpy(&flags, &s->nmi_pending, sizeof flags);
  return (flags >> 8) != 0;
}

}  // namespace

int32_t sh2_run(sh2_state* s, uint64_t limit) {
  slice_end = limit;
  if (s->cycles >= slice_end) return 0;
  // Kept in locals for the length of the run and written back at every exit: the board binds the
  // image between runs, and nothing reads the ring position or the total during one.
  const sh2_image_view image = sh2_image;
  uint32_t ring_pos = pc_ring_pos;
  uint64_t total = instruction_total;
  bool in_miss_run = false;
  int32_t result = 0;
  for (;;) {
    if (step_flags_set(s)) [[unlikely]] {
      bool accepted = s->check_irq && sh2_accept_interrupt(s);
      if ((!accepted && s->sleep_state == 1) || s->stopped) {
        result = idle_to_slice_end(s);
        break;
      }
    }

    uint32_t pc = s->pc;
    pc_ring[ring_pos % SH2_PC_RING_SIZE] = pc;
    ring_pos++;

    if (!page_changed(image, pc)) {
      int32_t r = xlate_lookup(s, pc);
      if (r == XLATE_NO_BLOCK) [[likely]] {
        if (strict_mode) [[unlikely]] {
          stop_pc = pc;
          pc_ring_pos = ring_pos;
          report_missing_block(s);
          result = -1;
          break;
        }
        if (!in_miss_run) [[unlikely]] {
          note_untranslated(pc);
          in_miss_run = true;  // a stop below returns before this matters
        }
      } else if (r != XLATE_INTERPRET) {
        in_miss_run = false;
        s->pc = (uint32_t)r;
        s->instructions++;
        if (s->cycles >= slice_end) break;
        continue;
      }
    }

    uint32_t next = sh2_step_in_place(s, pc);
    total++;
    if (next == SH2_STOP) [[unlikely]] {
      stop_pc = pc;
      result = -1;
      break;
    }
    s->pc = next;
    s->instructions++;
    if (s->cycles >= slice_end) break;
  }
  pc_ring_pos = ring_pos;
  instruction_total = total;
  return result;
}

void sh2_shorten_slice(uint64_t cycle) {
  if (cycle < slice_end) slice_end = cycle;
}

uint32_t sh2_stop_pc() {
  return stop_pc;
}

void sh2_set_strict(int32_t flag) {
  strict_mode = flag;
}

uint64_t sh2_instruction_total() {
  return instruction_total;
}

uint32_t sh2_untranslated_entries(const uint32_t** out) {
  if (out) *out = untranslated_entries;
  return untranslated_count;
}

const uint32_t* sh2_pc_ring(uint32_t* pos) {
  if (pos) *pos = pc_ring_pos;
  return pc_ring;
}

void sh2_diagnostics_reset() {
  std::memset(pc_ring, 0, sizeof pc_ring);
  pc_ring_pos = 0;
  std::memset(untranslated_entries, 0, sizeof untranslated_entries);
  untranslated_count = 0;
  stop_pc = 0;
  strict_mode = 0;
  instruction_total = 0;
}
