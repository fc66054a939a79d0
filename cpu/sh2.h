// The SH-2 (SH7604) register file and control state, and the operations through which the
// board drives the core: reset, interrupt lines, the run loop with its slice hook, the view of
// the translated RAM image, and the core's process-wide diagnostics. The state sits at the very
// start of the board's machine record (the board passes &m->sh2); its layout is pinned because
// save states and the record's own layout depend on it. Memory goes through cpu/bus.h, which
// the board implements. Results: sh2_run returns 0 or -1 (stopped); nothing else can fail.
#pragma once

#include <cstddef>
#include <cstdint>

struct sh2_state {
  // Words 0-23 form one u32 array that operand indices address (R0-R15, then pc ... last_address).
  uint32_t r[16];          // general registers; R15 is the stack pointer
  uint32_t pc;             // address of the instruction about to execute
  uint32_t pr;             // procedure register (return address)
  uint32_t sr;             // T=0, S=1, I=4-7, Q=8, M=9; loads are masked with 0x3F3
  uint32_t gbr;            // global base register
  uint32_t vbr;            // vector base register
  uint32_t mach;           // multiply-accumulate high word
  uint32_t macl;           // multiply-accumulate low word
  uint32_t last_address;   // effective address of the last data access (TRAPA: its vector)
  uint32_t reserved;       // no meaning; cleared at reset, carried in save states
  uint64_t cycles;         // CPU clock cycles executed: the board's time base
  uint64_t instructions;   // instructions completed
  uint32_t irq_pending;    // bit n = external level n requested
  int32_t onchip_level;    // pending on-chip request priority; -1 or 0 = none
  uint32_t onchip_vector;  // vector number of that request
  uint8_t nmi_pending;     // 1 = NMI requested (only a loaded state sets it)
  uint8_t sleep_state;     // 0 running, 1 sleeping, 2 woken by an accepted interrupt
  uint8_t check_irq;       // 1 = run the acceptance step before the next instruction
  uint8_t stopped;         // 1 = stop request: the run loop idles
  uint32_t irq_held;       // bit n = level n stays pending when accepted; survives reset
};

static_assert(sizeof(sh2_state) == 144, "sh2_state layout is part of the machine record");
static_assert(offsetof(sh2_state, pc) == 64 && offsetof(sh2_state, last_address) == 92);
static_assert(offsetof(sh2_state, cycles) == 104, "cycles offset is pinned");
static_assert(offsetof(sh2_state, irq_pending) == 120 && offsetof(sh2_state, irq_held) == 136);

// ---- Reset and interrupt lines (board side)

// Power-on reset: keeps irq_held, clears every other field, onchip_level = -1, sr = 0xF0, then
// pc = bus_read32(0) and r[15] = bus_read32(4). Bind the bus and load the ROM first.
void sh2_reset(sh2_state* s);

// External interrupt line `level` (bit level mod 32). Raising clears `stopped` and, only when the
// bit was clear, sets it and check_irq. Lowering clears the bit and nothing else.
void sh2_set_irq(sh2_state* s, uint32_t level, int on);

// On-chip peripheral request: stores level and vector; level >= 0 also sets check_irq.
void sh2_set_onchip_irq(sh2_state* s, int32_t level, uint32_t vector);

// ---- Run loop

// Executes until cycles reaches `limit` (the last instruction's whole cost is charged, so a slice
// may end past it), or idles the rest of the slice while sleeping or stopped. Returns 0, or -1
// when an instruction cannot be executed (sh2_stop_pc then holds its address).
int32_t sh2_run(sh2_state* s, uint64_t limit);

// Lowers the end of the slice in progress to `cycle` when that is earlier (for an event that a bus
// access schedules mid-slice); the run ends after the current instruction once cycles >= it, and
// the idle exits stop there. Without a run in progress it has no effect on the next run.
void sh2_shorten_slice(uint64_t cycle);

// ---- Translated RAM image as the run loop sees it (filled by the board's bus binding)

struct sh2_image_view {
  uint32_t base;                       // SH-2 address of the image: 0x06000000
  uint32_t length;                     // bytes; 0 = no image (the page test never applies)
  const uint32_t* page_change_counts;  // one count per 4 KiB page; nonzero = page changed
};

extern sh2_image_view sh2_image;  // process-wide; zero until the board binds a machine

// ---- Process-wide diagnostics (one set for the program, never in save states)

enum {
  SH2_PC_RING_SIZE = 64,       // PCs kept by the ring
  SH2_UNTRANSLATED_MAX = 256,  // entries kept by the untranslated list
};

uint32_t sh2_stop_pc();             // PC at which sh2_run last returned -1
void sh2_set_strict(int32_t flag);  // nonzero: a PC without a translated block stops
uint64_t sh2_instruction_total();   // steps sh2_run interpreted since start (or reset)

// Distinct PCs at which interpretation began after a lookup found no block; stores the list
// (owned by the core) into *out when out is not null, returns the number of entries.
uint32_t sh2_untranslated_entries(const uint32_t** out);

// The ring of recent PCs (SH2_PC_RING_SIZE entries, owned by the core); *pos (when not null)
// receives the count of PCs ever written, the next slot being pos mod SH2_PC_RING_SIZE.
const uint32_t* sh2_pc_ring(uint32_t* pos);

// Tests only: clears the ring, the list, the stop PC, strict mode and the instruction total.
void sh2_diagnostics_reset();
