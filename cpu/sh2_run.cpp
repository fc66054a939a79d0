// The run loop: executes the game program up to the end of a slice, with interrupt acceptance
// gated by check_irq, the idle exits for SLEEP and stop requests, the ring of recent PCs, the page
// test and lookup of the translated-code module, and strict mode with its stop report. Also the
// core's process-wide diagnostics and their accessors. Instructions are carried out by sh2_step
// (sh2_dispatch.h, compiled in place); the translated-code module is linked separately.
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
bool page_changed(uint32_t pc) {
  const sh2_image_view& v = sh2_image;
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

}  // namespace

int32_t sh2_run(sh2_state* s, uint64_t limit) {
  slice_end = limit;
  if (s->cycles >= slice_end) return 0;
  bool in_miss_run = false;
  for (;;) {
    bool accepted = s->check_irq && sh2_accept_interrupt(s);
    if (!accepted && s->sleep_state == 1) return idle_to_slice_end(s);
    if (s->stopped) return idle_to_slice_end(s);

    uint32_t pc = s->pc;
    pc_ring[pc_ring_pos % SH2_PC_RING_SIZE] = pc;
    pc_ring_pos++;

    if (!page_changed(pc)) {
      int32_t r = xlate_lookup(s, pc);
      if (r == XLATE_NO_BLOCK) {
        if (strict_mode) {
          stop_pc = pc;
          report_missing_block(s);
          return -1;
        }
        if (!in_miss_run) {
          note_untranslated(pc);
          in_miss_run = true;  // a stop below returns before this matters
        }
      } else if (r != XLATE_INTERPRET) {
        in_miss_run = false;
        s->pc = (uint32_t)r;
        s->instructions++;
        if (s->cycles >= slice_end) return 0;
        continue;
      }
    }

    uint32_t next = sh2_step(s, pc);
    instruction_total++;
    if (next == SH2_STOP) {
      stop_pc = pc;
      return -1;
    }
    s->pc = next;
    s->instructions++;
    if (s->cycles >= slice_end) return 0;
  }
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
