// The interpreter and its run loop: executes the game program up to the end of a slice, with
// interrupt acceptance gated by check_irq, the idle exits for SLEEP and stop requests, the ring of
// recent PCs, the page test and lookup of the translated-code module, and strict mode with its
// stop report; sh2_step is the same interpreter stopped after one step. Also the core's
// process-wide diagnostics and their accessors. The translated-code module is linked separately.
//
// What one step costs is what the program's speed comes down to. The interpreter is threaded
// (GCC's labels as values): every operation has a label of its own that ends by fetching and
// dispatching the next step, so a step is the operation, two tests and an indirect jump. The tests
// are: the cycle counter is below sh2_check_cycle (the slice goes on, and nothing has asked for
// acceptance or an idle exit), and the next pc lies in the page that the loop last found both
// free of translated blocks (the module said so) and readable from host memory (the bus said so);
// then the code is read from that page and no lookup is asked, since its answer is known. For the
// step after an operation the page test is whether pc crossed into the next page. Any other step
// takes the full path (full_path, out of line, so that the loop's registers hold the loop's
// values), which works on the record.
//
// The record's pc and cycle counter are written only where something can read them: by a memory
// access that no view serves (sh2_exec), before an exception sequence, an SR load or a fetch
// through the bus, and before the full path. The PC ring is not written per step either: the loop
// logs only where execution jumped (the address after the last step of a run of consecutive
// steps, and where the next run began), which is all that the ring's PCs and the instruction
// counts follow from, and fills the ring from the log when the run ends.
//
// A program that waits for an interrupt handler often spins in a poll of a long in memory, which
// no step can end before the full path: the run makes those passes at once (skip_polls), leaving
// every count, the ring and the record as the steps would have.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "cpu/bus.h"
#include "cpu/decode.h"
#include "cpu/sh2.h"
#include "cpu/sh2_core.h"
#include "cpu/sh2_dispatch.h"
#include "cpu/sh2_memory.h"
#include "cpu/sh2_ops.h"
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

enum : uint32_t {
  // fast_page when there is none: it equals neither a page address nor the page bits of an even
  // address (pc & ~0xFFE), so both page tests fail.
  NO_FAST_PAGE = 2,
  JUMP_LOG_SIZE = 128,  // jumps kept: enough for the runs that make up the ring's 64 PCs
  // The full path folds the step count at least this often (in cycles, so in steps), which keeps
  // the doubled count of the steps since the last fold within 32 bits.
  FOLD_CYCLES = 1u << 30,
};

static_assert(std::endian::native == std::endian::little, "the code and flag loads assume it");
static_assert(BUS_PAGE_BYTES == 0x1000, "the view pages are the image's pages");

// Where execution jumped: the steps before it ran at consecutive addresses up to from - 2, and
// the next run begins at to.
struct pc_jump {
  uint32_t from;
  uint32_t to;
};

// The run in progress, apart from what the interpreter keeps in registers (pc, the cycle counter
// and the fast page's host address, which the full path finds in the record and here). Its steps
// are counted as the doubled count since the last fold, which is half_steps_base + pc at any step
// boundary (each jump adds from - to to the base), plus the folded count.
struct run_state {
  pc_jump jump_log[JUMP_LOG_SIZE];  // first, so that the loop indexes it from the record's start
  uint32_t half_steps_base;
  uint32_t jump_last;    // jumps logged; the newest is at jump_last mod JUMP_LOG_SIZE
  uint32_t fast_page;    // quiet and host-readable page, or NO_FAST_PAGE
  uintptr_t fast_base;   // its host words minus its address
  uint32_t quiet_page;   // the module has no block in this page, or SH2_NO_PAGE
  uint64_t steps;        // steps folded so far
  uint64_t blocks;       // steps that a translated block carried out
  uint32_t ring_start;   // pc_ring_pos when the run began
  int32_t result;        // what sh2_run returns
  bool in_miss_run;      // the last lookup found no block
  bool pc_from_step;     // pc was returned by a step: all ones there is a stop
  bool missing_block;    // strict mode stopped the run
  sh2_image_view image;  // the board binds the image between runs only
};

run_state run;

inline void log_jump(uint32_t from, uint32_t to) {
  run.jump_last++;
  run.jump_log[run.jump_last % JUMP_LOG_SIZE] = {from, to};
  run.half_steps_base += from - to;
}

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

// Writes the PCs of the last `steps` steps of the run (at most a ring's worth) into the ring, the
// newest at position end_pos - 1: the run of steps that ends before end_pc, then the runs before
// each logged jump, newest first.
void fill_ring(uint32_t end_pc, uint64_t steps, uint32_t end_pos) {
  uint32_t left = steps < SH2_PC_RING_SIZE ? (uint32_t)steps : (uint32_t)SH2_PC_RING_SIZE;
  uint32_t pos = end_pos;
  uint32_t end = end_pc;
  for (uint32_t k = run.jump_last; left; k--) {
    const pc_jump& j = run.jump_log[k % JUMP_LOG_SIZE];
    for (uint32_t a = end; a != j.to && left; left--) {
      a -= 2;
      pc_ring[--pos % SH2_PC_RING_SIZE] = a;
    }
    end = j.from;
  }
}

// The flag bytes nmi_pending, sleep_state, check_irq and stopped as one word: nonzero above the
// NMI byte means this step needs a closer look (acceptance, an idle exit, or a wake-up pending).
bool step_flags_set(const sh2_state* s) {
  static_assert(offsetof(sh2_state, stopped) == offsetof(sh2_state, nmi_pending) + 3);
  uint32_t flags;
  std::memcpy(&flags, &s->nmi_pending, sizeof flags);
  return (flags & 0xFFFFFF00u) != 0;
}

void begin_run(const sh2_state* s) {
  run.half_steps_base = 0u - s->pc;
  run.jump_last = 0;
  run.jump_log[0] = {s->pc, s->pc};
  run.fast_page = NO_FAST_PAGE;
  run.fast_base = 0;
  run.quiet_page = SH2_NO_PAGE;
  run.steps = 0;
  run.blocks = 0;
  run.ring_start = pc_ring_pos;
  run.result = 0;
  run.in_miss_run = false;
  run.pc_from_step = false;
  run.missing_block = false;
  run.image = sh2_image;
  sh2_views_begin();
}

// The end of the run, whose last step ended before end_pc: the ring, the counts, a stop's pc.
// Returns what sh2_run returns.
int32_t end_run(sh2_state* s, uint32_t end_pc) {
  const uint64_t steps = run.steps + (uint32_t)(run.half_steps_base + end_pc) / 2;
  const uint32_t end_pos = run.ring_start + (uint32_t)steps;
  fill_ring(end_pc, steps, end_pos);
  // A stop leaves pc on the instruction that stopped (the newest in the ring), and that step
  // uncounted; a step that the interpreter began counts in the total even when it stopped.
  if (run.result != 0 && !run.missing_block)
    s->pc = stop_pc = pc_ring[(end_pos - 1) % SH2_PC_RING_SIZE];
  sh2_views_end();
  pc_ring_pos = end_pos;
  s->instructions += steps - (run.result != 0);
  instruction_total += steps - run.blocks - run.missing_block;
  if (run.missing_block) report_missing_block(s);
  return run.result;
}

// The full path, before the step at s->pc with the record's cycle counter current: the stop, the
// slice end, acceptance and the idle exits, the lookup of the translated-code module, and the
// fetch, which may make the page the fast one (run.fast_page). Returns the code to execute at
// s->pc, or -1 when the run has ended (sh2_run then returns run.result). A step that cannot go on
// returns SH2_STOP as its next pc. That address is odd, so the stop is seen here. pc can hold the
// same value without a step having returned it (an entry through a vector of all ones, or a run
// that starts there): then it is an address.
[[gnu::noinline]] int32_t full_path(sh2_state* s) {
  constexpr uint32_t stop_page = SH2_STOP & ~SH2_PAGE_MASK;
  for (;;) {
    uint32_t pc = s->pc;
    if (pc == SH2_STOP && run.pc_from_step) {
      run.result = -1;
      end_run(s, pc);
      return -1;
    }
    run.steps += (uint32_t)(run.half_steps_base + pc) / 2;
    run.half_steps_base = 0u - pc;
    if (s->cycles >= sh2_check_cycle) {
      if (s->cycles >= slice_end) {  // never on the first pass
        end_run(s, pc);
        return -1;
      }
      sh2_check_cycle = slice_end - s->cycles > FOLD_CYCLES ? s->cycles + FOLD_CYCLES : slice_end;
      if (step_flags_set(s)) {
        const bool accepted = s->check_irq && sh2_accept_interrupt(s);
        if (accepted) {
          // A jump before any step at pc: the run of steps before it ends where it did.
          pc_jump& newest = run.jump_log[run.jump_last % JUMP_LOG_SIZE];
          if (newest.to == pc) {
            newest.to = s->pc;
            run.half_steps_base += pc - s->pc;
          } else {
            log_jump(pc, s->pc);
          }
          pc = s->pc;
          run.pc_from_step = false;
        }
        if ((!accepted && s->sleep_state == 1) || s->stopped) {
          // Idle exits pass the rest of the slice; never move time backwards should the slice
          // have been shortened to a cycle already passed.
          if (s->cycles < slice_end) s->cycles = slice_end;
          end_run(s, pc);
          return -1;
        }
      }
    }

    const uint32_t page = pc & ~SH2_PAGE_MASK;
    uint32_t code;
    if (page == run.fast_page) {
      code = sh2_view_load(reinterpret_cast<const void*>(run.fast_base + page), pc, 2);
    } else {
      run.pc_from_step = true;
      // In a quiet page every lookup would answer "no block", which after the first one changes
      // nothing: in_miss_run is set already, and strict mode would have stopped. Once execution
      // has left the page, the module is asked again.
      if (page != run.quiet_page) run.quiet_page = SH2_NO_PAGE;
      if (page != run.quiet_page && !page_changed(run.image, pc)) {
        const int32_t r = xlate_lookup(s, pc);
        sh2_recheck();  // the module may have done anything
        if (r == XLATE_NO_BLOCK || r == XLATE_NO_BLOCK_IN_PAGE) {
          if (strict_mode) [[unlikely]] {
            stop_pc = pc;
            run.missing_block = true;
            run.result = -1;
            end_run(s, pc + 2);  // the step that found no block counts in the ring
            return -1;
          }
          if (!run.in_miss_run) {
            note_untranslated(pc);
            run.in_miss_run = true;  // a stop below returns before this matters
          }
          if (r == XLATE_NO_BLOCK_IN_PAGE) run.quiet_page = page;
        } else if (r != XLATE_INTERPRET) {
          // The block stands for one step at pc.
          run.in_miss_run = false;
          log_jump(pc + 2, (uint32_t)r);
          s->pc = (uint32_t)r;
          run.blocks++;
          continue;
        }
      }
      if (const uint32_t* words = bus_read_page(page)) {
        if (page == run.quiet_page && page != stop_page) {
          run.fast_page = page;
          run.fast_base = reinterpret_cast<uintptr_t>(words) - page;
          sh2_views.code = {page, reinterpret_cast<const uint8_t*>(words)};
        }
        code = sh2_view_load(words, pc, 2);
      } else {
        sh2_recheck();
        code = bus_read16(pc) & 0xFFFF;
      }
    }
    run.pc_from_step = true;
    // The operations' next step assumes an even pc in the fast page; any other comes back here.
    if (page != run.fast_page || (pc & 1)) sh2_recheck();
    return (int32_t)code;
  }
}

// The code at an even pc in the fast page, whose host words start at fast_base + its page.
inline size_t fast_code(uintptr_t fast_base, uint32_t pc) {
  uint16_t v;
  std::memcpy(&v, reinterpret_cast<const void*>(fast_base + (pc ^ 2)), sizeof v);
  return v;
}

// The targets of the displacement branches at npc - 2: their address + 4 + the displacement in
// instructions, an 8-bit field (BT, BF, BT/S, BF/S) or a 12-bit one (BRA, BSR). They come from
// the code itself rather than from its dispatch entry: the next fetch depends on the target, and
// the code is in a register a load sooner.
inline uint32_t branch8_target(uint32_t npc, size_t code) {
  return npc + 2 + (uint32_t)(int32_t)(int8_t)(uint8_t)code * 2;
}
inline uint32_t branch12_target(uint32_t npc, size_t code) {
  return npc + 2 + (uint32_t)(((int32_t)((uint32_t)code << 20)) >> 20) * 2;
}

// A poll: the three steps at head that load a long at a GBR displacement into R0, compare and
// branch back to head (BT or BF), which the program repeats until the long changes. A pass
// changes nothing but R0, T and last_address, so when a pass from here would load what R0 holds
// and set T as it is, every later pass does the same as well. The long can change only by a
// device's doing, and devices act only on accesses that no view serves or between runs: a long in
// a view's page keeps its value until the run takes the full path.
enum : uint32_t {
  POLL_CYCLES = 5,  // the load's 1, the compare's 1 and the taken branch's 3
  POLL_BYTES = 6,   // from head to the address after the branch
};
// The displacement of a BT or BF that goes back to head: npc + 2 + 2 * disp = npc - POLL_BYTES.
// The branch tests it on the code, which takes an instruction less than comparing targets.
constexpr int8_t POLL_DISP = -(int8_t)((POLL_BYTES + 2) / 2);

// T as the compare `code` would set it with the registers in s, or -1 for a code that is not one
// of the compares that write nothing but T.
int poll_compare(const sh2_state* s, size_t code) {
  const uint32_t rn = s->r[(code >> 8) & 15], rm = s->r[(code >> 4) & 15];
  const uint32_t imm = (uint32_t)(code & 0xFF);
  if ((code & 0xF00F) == 0x3000) return rn == rm;                          // CMP/EQ Rm,Rn
  if ((code & 0xF00F) == 0x2008) return (rn & rm) == 0;                    // TST Rm,Rn
  if ((code & 0xFF00) == 0x8800) return s->r[0] == (uint32_t)(int8_t)imm;  // CMP/EQ #imm,R0
  if ((code & 0xFF00) == 0xC800) return (s->r[0] & imm) == 0;              // TST #imm,R0
  return -1;
}

// After a poll's branch at npc - 2 went back to npc - POLL_BYTES, with the cycle counter at
// cycles: when every pass from here would repeat this one, makes the passes that would all end
// before the full path as the interpreter would have made them (their jumps logged, their
// cycles charged) and returns their cycles. Every step of those passes starts below
// sh2_check_cycle, so none of them would have left the loop for the full path. Out of line, so
// that the interpreter's registers stay the loop's.
[[gnu::noinline]] uint64_t skip_polls(sh2_state* s, uint32_t npc, uint64_t cycles,
                                      uintptr_t fast_base) {
  const uint32_t head = npc - POLL_BYTES;
  constexpr uint32_t even_page = ~(SH2_PAGE_MASK & ~1u);
  if ((head & even_page) != run.fast_page || ((npc - 2) & even_page) != run.fast_page) return 0;
  if (cycles >= sh2_check_cycle) return 0;
  const size_t load = fast_code(fast_base, head);
  if ((load & 0xFF00) != 0xC600) return 0;
  const uint32_t address = s->gbr + (uint32_t)(load & 0xFF) * 4;
  const uint32_t page = address & ~SH2_PAGE_MASK;
  const uint8_t* words = page == sh2_views.read[0].page   ? sh2_views.read[0].bytes
                         : page == sh2_views.read[1].page ? sh2_views.read[1].bytes
                                                          : nullptr;
  if (!words || sh2_view_load(words, address, 4) != s->r[0]) return 0;
  // The branch was taken, so T is what keeps the loop going.
  if (poll_compare(s, fast_code(fast_base, head + 2)) != (int)sh2_t(s)) return 0;
  const uint64_t passes = (sh2_check_cycle - cycles) / POLL_CYCLES;
  if (passes == 0) return 0;
  s->last_address = address;
  // Each pass logs the same jump; the ring never needs more of them than the log holds.
  const uint32_t logged = passes < JUMP_LOG_SIZE ? (uint32_t)passes : (uint32_t)JUMP_LOG_SIZE;
  for (uint32_t i = 1; i <= logged; i++)
    run.jump_log[(run.jump_last + i) % JUMP_LOG_SIZE] = {npc, head};
  run.jump_last += (uint32_t)passes;
  run.half_steps_base += (uint32_t)passes * POLL_BYTES;
  return passes * POLL_CYCLES;
}

// The interpreter. In the run (single_step false) it executes from s->pc until the slice ends or
// the CPU stops, and returns 0 or -1 as sh2_run does. With single_step it executes the one
// instruction at *pc_io through the bus, stores the next PC there and returns 0; it leaves the
// fast page empty and touches nothing else of the run.
template <bool single_step>
[[gnu::hot]] int32_t interpret(sh2_state* s, uint32_t* pc_io) {
  static_assert(DISPATCH_CONTROL == DECODE_OP_COUNT && DECODE_OP_LOAD_SR == 2 && DECODE_BT == 3 &&
                DECODE_ILLEGAL == 17 && DECODE_KIND_COUNT == 18);
  // Dispatch index -> label: 0 and the operation kinds are no code's index (the guard); then the
  // operations 1-128 and the control-flow kinds 3-17 at DISPATCH_CONTROL + kind.
#define SH2_OP(n, pcrel, form, call) &&step_##n,
  static const void* const step_labels[] = {
      &&guard,
#include "sh2_op_list.inc"
      &&guard, &&guard,  // DISPATCH_CONTROL + DECODE_OP_PCREL and + DECODE_OP_LOAD_SR
      &&bt,    &&bf,    &&bts, &&bfs, &&bra,   &&bsr,   &&braf,    &&bsrf,
      &&jmp,   &&jsr,   &&rts, &&rte, &&trapa, &&sleep, &&illegal,
  };
#undef SH2_OP
  // In a delay slot every code but the operations' enters vector 4.
#define SH2_OP(n, pcrel, form, call) &&slot_##n,
  static const void* const slot_labels[] = {
      &&slot_illegal,
#include "sh2_op_list.inc"
      &&slot_illegal, &&slot_illegal, &&slot_illegal, &&slot_illegal, &&slot_illegal,
      &&slot_illegal, &&slot_illegal, &&slot_illegal, &&slot_illegal, &&slot_illegal,
      &&slot_illegal, &&slot_illegal, &&slot_illegal, &&slot_illegal, &&slot_illegal,
      &&slot_illegal, &&slot_illegal,
  };
#undef SH2_OP
  static_assert(sizeof step_labels / sizeof *step_labels == DISPATCH_CONTROL + DECODE_KIND_COUNT);
  static_assert(sizeof slot_labels / sizeof *slot_labels == DISPATCH_CONTROL + DECODE_KIND_COUNT);

  // The address after the instruction in progress (a branch's, in its slot): the instruction is
  // at npc - 2. At the full path, the address of the step to run.
  uint32_t npc = *pc_io;
  uint64_t cycles = s->cycles;  // the record's counter lags behind (see above)
  size_t code;                  // the code being executed (in a delay slot, the slot's)
  uint32_t next = 0;            // where a jumping step continues
  uintptr_t fast_base = 0;      // the fast page's host words minus its address
  bool stepped = false;         // single_step: the step is done
  if constexpr (single_step) {
    run.fast_page = NO_FAST_PAGE;
  } else {
    begin_run(s);
  }
  sh2_check_cycle = 0;  // the first step takes the full path
  goto slow;

  // ---- The next step, the fast way when it may

  // After a step that continues at npc.
#define SH2_NEXT()                                     \
  do {                                                 \
    if (!(npc & (SH2_PAGE_MASK & ~1u))) [[unlikely]]   \
      goto slow; /* the first code of the next page */ \
    if (cycles >= sh2_check_cycle) [[unlikely]]        \
      goto slow;                                       \
    code = fast_code(fast_base, npc);                  \
    npc += 2;                                          \
    goto* step_labels[dispatch_table[code].index];     \
  } while (0)

  // The record's pc and cycle counter as a reader in the middle of the step expects them.
#define SH2_SYNC()                               \
  do {                                           \
    if constexpr (!single_step) s->pc = npc - 2; \
    s->cycles = cycles;                          \
  } while (0)

  // A delayed branch's slot code into code.
#define SH2_FETCH_SLOT()                                      \
  do {                                                        \
    if ((npc & ~SH2_PAGE_MASK) == run.fast_page) [[likely]] { \
      code = fast_code(fast_base, npc & ~1u);                 \
    } else {                                                  \
      SH2_SYNC();                                             \
      sh2_recheck();                                          \
      code = bus_read16(npc) & 0xFFFF;                        \
    }                                                         \
  } while (0)

  // ---- Operations, each in its step form and its delay-slot form

#define SH2_OPERAND(i) dispatch_table[code].operand[i]

  // Each operation runs its handler with the entry's operand bytes and charges its 1 cycle after
  // it, in one of three forms. 0: the handler needs nothing but the state. 1: it may access
  // memory or add cycles, and takes the executing instruction with the pc that the record
  // should show (in a delay slot the branch's; for a PC-relative operation its address + 2,
  // which sh2_step also leaves in the record) and the counter. 2: it loads SR out of line, with
  // the record current, and the record's counter is read back.
#define SH2_RUN_0(pcrel, record_pc, call) call;
#define SH2_RUN_1(pcrel, record_pc, call)                                \
  {                                                                      \
    if constexpr (pcrel && single_step) s->pc = record_pc;               \
    sh2_exec x = {s, pcrel || !single_step ? record_pc : s->pc, cycles}; \
    call;                                                                \
  }
#define SH2_RUN_2(pcrel, record_pc, call) \
  SH2_SYNC();                             \
  call;                                   \
  cycles = s->cycles;
#define SH2_OP(n, pcrel, form, call)                                   \
  step_##n : SH2_RUN_##form(pcrel, (pcrel ? npc : npc - 2), call);     \
  cycles += 1;                                                         \
  SH2_NEXT();                                                          \
  slot_##n : SH2_RUN_##form(pcrel, (pcrel ? npc + 2 : npc - 2), call); \
  cycles += 1;                                                         \
  goto jump;
#include "sh2_op_list.inc"
#undef SH2_OP
#undef SH2_RUN_0
#undef SH2_RUN_1
#undef SH2_RUN_2

  // ---- Control flow. The cycles below are each instruction's whole count, its 1 included. No
  // bus access lies between the cycles of a branch, so they are added at once.

bt:
  if (sh2_t(s)) {
    cycles += 3;
    next = branch8_target(npc, code);
    if ((int8_t)code == POLL_DISP) [[unlikely]]
      goto poll;
    goto jump;
  }
  cycles += 1;
  SH2_NEXT();
bf:
  if (!sh2_t(s)) {
    cycles += 3;
    next = branch8_target(npc, code);
    if ((int8_t)code == POLL_DISP) [[unlikely]]
      goto poll;
    goto jump;
  }
  cycles += 1;
  SH2_NEXT();
trapa:
  SH2_SYNC();
  next = sh2_trapa(s, SH2_OPERAND(0), npc);
  cycles = s->cycles + 1;
  goto jump;
sleep:
  if constexpr (!single_step) s->pc = npc - 2;
  s->cycles = cycles + 1;
  next = sh2_sleep(s, npc - 2);
  cycles = s->cycles;
  goto jump;
illegal:
  SH2_SYNC();
  next = sh2_illegal(s, npc - 2);
  cycles = s->cycles + 1;
  goto jump;

  // Delayed branches: the slot is fetched before anything of the branch takes effect (the target
  // is only arithmetic on registers that no fetch changes, so it is formed first, while the
  // branch's code is at hand); PR is written before the slot runs, which then counts its own
  // cycle. Not taken, BT/S and BF/S leave the following instruction to run as a step.
bts:
  next = branch8_target(npc, code);
  SH2_FETCH_SLOT();
  if (!sh2_t(s)) {
    cycles += 1;
    SH2_NEXT();
  }
  cycles += 2;
  goto delay_slot;
bfs:
  next = branch8_target(npc, code);
  SH2_FETCH_SLOT();
  if (sh2_t(s)) {
    cycles += 1;
    SH2_NEXT();
  }
  cycles += 2;
  goto delay_slot;
bra:
  next = branch12_target(npc, code);
  SH2_FETCH_SLOT();
  cycles += 2;
  goto delay_slot;
bsr:
  next = branch12_target(npc, code);
  SH2_FETCH_SLOT();
  s->pr = npc + 2;
  cycles += 2;
  goto delay_slot;
braf:
  next = s->r[SH2_OPERAND(0)] + npc + 2;
  SH2_FETCH_SLOT();
  cycles += 2;
  goto delay_slot;
bsrf:
  next = s->r[SH2_OPERAND(0)] + npc + 2;
  SH2_FETCH_SLOT();
  s->pr = npc + 2;
  cycles += 2;
  goto delay_slot;
jmp:
  next = s->r[SH2_OPERAND(0)];
  SH2_FETCH_SLOT();
  cycles += 1;
  goto delay_slot;
jsr:
  next = s->r[SH2_OPERAND(0)];
  SH2_FETCH_SLOT();
  s->pr = npc + 2;
  cycles += 2;
  goto delay_slot;
rts:
  next = s->pr;
  SH2_FETCH_SLOT();
  cycles += 2;
  goto delay_slot;
rte:
  SH2_FETCH_SLOT();
  SH2_SYNC();
  next = sh2_rte(s);
  cycles = s->cycles + 1;
  goto delay_slot;

delay_slot:
  goto* slot_labels[dispatch_table[code].index];

  // A slot that is itself a branch, RTS, RTE, TRAPA, SLEEP or illegal code enters vector 4 with
  // the slot's address; the branch's own effects stay done.
slot_illegal:
  SH2_SYNC();
  next = sh2_illegal(s, npc);
  cycles = s->cycles;
  goto jump;

  // The guard for the indexes that no code has; it charges nothing.
guard:
  next = sh2_report_unmodelled(s, npc - 2);
  goto jump;

  // A branch back over two instructions may close a poll (see skip_polls).
poll:
  if constexpr (!single_step) cycles += skip_polls(s, npc, cycles, fast_base);
  goto jump;

  // ---- The instruction in progress continues at next rather than at npc

jump:
  if constexpr (!single_step) log_jump(npc, next);
  npc = next;
  if ((npc & ~(SH2_PAGE_MASK & ~1u)) != run.fast_page) [[unlikely]]
    goto slow;
  if (cycles >= sh2_check_cycle) [[unlikely]]
    goto slow;
  code = fast_code(fast_base, npc);
  npc += 2;
  goto* step_labels[dispatch_table[code].index];

  // ---- The full path, before the step at npc

slow:
  if constexpr (single_step) {
    if (stepped) {
      *pc_io = npc;
      s->cycles = cycles;
      return 0;
    }
    stepped = true;
    code = bus_read16(npc) & 0xFFFF;
  } else {
    s->pc = npc;
    s->cycles = cycles;
    const int32_t c = full_path(s);
    if (c < 0) return run.result;
    npc = s->pc;
    cycles = s->cycles;
    fast_base = run.fast_base;
    code = (size_t)c;
  }
  npc += 2;
  goto* step_labels[dispatch_table[code].index];

#undef SH2_NEXT
#undef SH2_SYNC
#undef SH2_FETCH_SLOT
#undef SH2_OPERAND
}

}  // namespace

int32_t sh2_run(sh2_state* s, uint64_t limit) {
  slice_end = limit;
  if (s->cycles >= slice_end) return 0;
  uint32_t pc = s->pc;
  return interpret<false>(s, &pc);
}

uint32_t sh2_step(sh2_state* s, uint32_t pc) {
  interpret<true>(s, &pc);
  return pc;
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
