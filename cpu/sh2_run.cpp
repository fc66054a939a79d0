// The run loop: executes the game program up to the end of a slice, with interrupt acceptance
// gated by check_irq, the idle exits for SLEEP and stop requests, the ring of recent PCs, the page
// test and lookup of the translated-code module, and strict mode with its stop report. Also the
// core's process-wide diagnostics and their accessors. Instructions are carried out by
// sh2_execute_code (sh2_dispatch.h, compiled in place); the translated-code module is linked
// separately.
//
// What one step costs is what the program's speed comes down to, so the common case takes two
// tests: the cycle counter is below sh2_check_cycle (the slice goes on, and nothing has asked for
// acceptance or an idle exit), and pc lies in the page that the loop last found both free of
// translated blocks (the module said so) and readable from host memory (the bus said so); then
// the code is read from that page and no lookup is asked, since its answer is known. Any other
// step takes the full path.
#include <bit>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "cpu/sh2.h"
#include "cpu/sh2_dispatch.h"
#include "cpu/xlate.h"

// ---- Process-wide state of the core (one board at a time; never in save states)

sh2_image_view sh2_image;  // filled by the board's bus binding
uint64_t sh2_check_cycle;  // see sh2_core.h

namespace {

uint32_t pc_ring[SH2_PC_RING_SIZE];                   // PCs of the most recent steps
uint32_t pc_ring_pos;                                 // PCs ever written; next slot = pos mod 64
uint32_t untranslated_entries[SH2_UNTRANSLATED_MAX];  // distinct PCs where interpretation began
uint32_t untranslated_count;                          // entries used, at most 256
uint32_t stop_pc;                                     // PC of the last -1 return of sh2_run
int32_t strict_mode;                                  // nonzero: a missing block stops the CPU
uint64_t instruction_total;                           // steps sh2_run interpreted
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
  return (flags & 0xFFFFFF00u) != 0;
}

}  // namespace

int32_t sh2_run(sh2_state* s, uint64_t limit) {
  slice_end = limit;
  if (s->cycles >= slice_end) return 0;
  static_assert(BUS_PAGE_BYTES == 0x1000, "the view pages are the image's pages");
  // The board binds the image between runs only. pc, the cycle counter and the ring position
  // live in locals for the run. The record's pc is kept current at every step for those who read
  // it mid-step (the acceptance step, the module, the on-chip trace), and its cycle counter
  // before every instruction and call out (sh2_execute_code). The ring position counts the steps
  // begun (a run is one slice, far below 2^32 steps), and the instruction counters follow from
  // it at the end.
  const sh2_image_view image = sh2_image;
  const uint32_t ring_start = pc_ring_pos;
  uint32_t ring_pos = ring_start;
  uint64_t blocks = 0;  // steps that a translated block carried out
  bool in_miss_run = false;
  uint32_t quiet_page = SH2_NO_PAGE;            // the module has no block in this page
  sh2_read_view fast = {SH2_NO_PAGE, nullptr};  // quiet, and read from host memory
  uint32_t pc = s->pc;
  uint64_t cycles = s->cycles;
  // A step that cannot go on returns SH2_STOP as its next pc. That address lies in a page that
  // is never the fast one, so the stop is seen off the fast path: by the flag test, or by the page
  // change. pc can hold the same value without a step having returned it (an entry through a
  // vector of all ones, or a run that starts there): then it is an address to execute.
  constexpr uint32_t stop_page = SH2_STOP & ~SH2_PAGE_MASK;
  bool stop_is_address = pc == SH2_STOP;
  bool step_stopped = false;
  int32_t result = 0;
  bool missing_block = false;
  sh2_views_begin();
  sh2_check_cycle = 0;  // the first step looks at the flags
  for (;;) {
    // One test per step stands for two: the slice end, and the flags that only something out
    // of line can change (acceptance, sleep, stop); such code lowers sh2_check_cycle.
    if (cycles >= sh2_check_cycle) [[unlikely]] {
      if (pc == SH2_STOP && !stop_is_address) {
        step_stopped = true;
        break;
      }
      if (cycles >= slice_end) break;  // never on the first pass
      sh2_check_cycle = slice_end;
      if (step_flags_set(s)) {
        s->pc = pc;
        s->cycles = cycles;
        const bool accepted = s->check_irq && sh2_accept_interrupt(s);
        pc = s->pc;
        stop_is_address = pc == SH2_STOP;
        if ((!accepted && s->sleep_state == 1) || s->stopped) {
          idle_to_slice_end(s);
          cycles = s->cycles;
          break;
        }
      }
    }

    const uint32_t page = pc & ~SH2_PAGE_MASK;
    uint32_t code;
    if (page == fast.page) [[likely]] {
      s->pc = pc;
      pc_ring[ring_pos % SH2_PC_RING_SIZE] = pc;
      ring_pos++;
      code = sh2_page_halfword(fast.bytes, pc);
    } else {
      if (pc == SH2_STOP && !stop_is_address) {
        step_stopped = true;
        break;
      }
      stop_is_address = false;
      s->pc = pc;
      s->cycles = cycles;
      pc_ring[ring_pos % SH2_PC_RING_SIZE] = pc;
      ring_pos++;
      // In a quiet page every lookup would answer "no block", which after the first one changes
      // nothing: in_miss_run is set already, and strict mode would have stopped. Once execution
      // has left the page, the module is asked again.
      if (page != quiet_page) quiet_page = SH2_NO_PAGE;
      if (page != quiet_page && !page_changed(image, pc)) {
        const int32_t r = xlate_lookup(s, pc);
        cycles = s->cycles;
        sh2_recheck();  // the module may have done anything
        if (r == XLATE_NO_BLOCK || r == XLATE_NO_BLOCK_IN_PAGE) {
          if (strict_mode) [[unlikely]] {
            stop_pc = pc;
            missing_block = true;
            result = -1;
            break;
          }
          if (!in_miss_run) {
            note_untranslated(pc);
            in_miss_run = true;  // a stop below returns before this matters
          }
          if (r == XLATE_NO_BLOCK_IN_PAGE) quiet_page = page;
        } else if (r != XLATE_INTERPRET) {
          in_miss_run = false;
          pc = (uint32_t)r;
          blocks++;
          continue;
        }
      }
      if (const uint32_t* words = bus_read_page(page)) {
        if (page == quiet_page && page != stop_page)
          fast = {page, reinterpret_cast<const uint8_t*>(words)};
        code = sh2_page_halfword(words, pc);
      } else {
        sh2_recheck();
        code = bus_read16(pc) & 0xFFFF;
      }
    }

    pc = sh2_execute_code(s, pc, code, &fast, cycles);
  }
  if (step_stopped) {
    // The step that returned the stop is the newest in the ring; pc goes back to it.
    pc = stop_pc = pc_ring[(ring_pos - 1) % SH2_PC_RING_SIZE];
    result = -1;
  }
  sh2_views_end();
  // A stop leaves pc on the instruction that stopped, and that step uncounted; a step that the
  // interpreter began counts in the total even when it stopped.
  const uint32_t steps = ring_pos - ring_start;
  s->pc = pc;
  s->cycles = cycles;
  pc_ring_pos = ring_pos;
  s->instructions += steps - (result != 0);
  instruction_total += steps - blocks - missing_block;
  if (missing_block) report_missing_block(s);
  return result;
}

void sh2_shorten_slice(uint64_t cycle) {
  if (cycle < slice_end) slice_end = cycle;
  if (cycle < sh2_check_cycle) sh2_check_cycle = cycle;
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
