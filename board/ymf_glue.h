// The sound-chip hookup: the layer between the board and the YMF278B engine in opl4/. The board
// reaches the chip only through these functions and the chip reaches the board only through the
// `ymf_host` callbacks, so the glue never sees the machine record. The glue schedules nothing:
// chip timers become expiry times handed to the host, which delivers them back through
// `ymf_glue_timer_expired`, and the host brings the chip up to date before every port access.
// Time is counted in chip clocks; one chip clock is one CPU cycle.
#pragma once

#include <cstddef>
#include <cstdint>

struct ymf_glue;  // opaque; created by ymf_glue_create, freed by ymf_glue_destroy
namespace opl4 {
class host_interface;
}

// The board's side, copied into the glue at creation.
struct ymf_host {
  void* context;                                      // passed to every callback
  uint64_t (*now)(void* context);                     // current time in chip clocks
  void (*set_timer)(void* context, uint32_t timer,    // timer 0/1 expires at chip clock
                    uint64_t when);                   // `when`; all-ones = disarmed
  void (*set_irq)(void* context, uint32_t asserted);  // the chip's interrupt output changed
};

enum {
  YMF_CLOCKS_PER_SAMPLE = 768,  // chip clocks per output sample
  YMF_PCM_CLASS = 3,            // external access class of the sample memory
};

// The glue over `sample_rom` (rom_size readable bytes, owned by the caller and kept alive while
// the glue lives), reset and ready; null when allocation fails. Never throws. The caller frees
// the result with ymf_glue_destroy.
ymf_glue* ymf_glue_create(const uint8_t* sample_rom, uint32_t rom_size, const ymf_host* host);

// Frees the glue and its chip; null is ignored.
void ymf_glue_destroy(ymf_glue* glue);

// Resets the chip (registers, status, timers stopped, interrupt low) and forgets the busy time.
void ymf_glue_reset(ymf_glue* glue);

// Output samples per second for a chip clock: clock / 768.
uint32_t ymf_sample_rate(uint32_t clock);

// One port byte; offsets are taken modulo 8.
uint8_t ymf_glue_read(ymf_glue* glue, uint32_t offset);
void ymf_glue_write(ymf_glue* glue, uint32_t offset, uint8_t data);

// The glue as the chip sees it (timer, busy, interrupt and memory operations); for tests that
// exercise those operations directly. Owned by the glue.
opl4::host_interface* ymf_glue_chip_host(ymf_glue* glue);

// The host's delivery of chip timer 0 or 1 at its expiry time.
void ymf_glue_timer_expired(ymf_glue* glue, uint32_t timer);

// Writes `count` mono samples, each the unclipped sum of the chip's six outputs; nothing when
// count <= 0. Allocates nothing.
void ymf_glue_generate(ymf_glue* glue, int32_t* out, int32_t count);

// The sound state image (busy time, then the chip's fixed-length image): returns its size and
// writes it only when `out` is not null and `capacity` is at least that size. Returns 0 when the
// image could not be built for lack of memory. Changes nothing in the chip.
size_t ymf_glue_save_state(ymf_glue* glue, uint8_t* out, size_t capacity);

// Restores an image written by ymf_glue_save_state: 1 on success; 0, with the glue and chip
// unchanged, when the length is not the image size, the image is of another format, or memory
// runs out.
int ymf_glue_load_state(ymf_glue* glue, const uint8_t* in, size_t length);

// Every check of ymf_glue_load_state without the load: 1 when it would take the image, 0 when
// it would refuse it (length or format), -1 when memory ran out. Changes nothing.
int ymf_glue_check_state(ymf_glue* glue, const uint8_t* in, size_t length);
