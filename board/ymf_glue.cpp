// The sound-chip glue (see ymf_glue.h): `ymf_glue` is the YMF278B engine's host. It turns the
// engine's timer and busy durations into absolute chip clocks on the host's clock, forwards the
// interrupt line, serves sample-memory reads from the board's sample ROM, and wraps the chip's
// saved image with the busy time. The board's callbacks behind `ymf_host` are the board's.
#include "board/ymf_glue.h"

#include <cassert>
#include <new>
#include <vector>

#include "opl4/ymf278b.h"

namespace {

constexpr uint64_t GLUE_DISARMED = ~uint64_t(0);
constexpr int32_t GLUE_CHUNK = 256;                                      // samples per chip call
constexpr size_t GLUE_STATE_BYTES = 8 + size_t(opl4::OPL4_STATE_BYTES);  // busy_end, chip image

}  // namespace

// Complete only in this file; the board holds it by pointer.
struct ymf_glue final : opl4::host_interface {
  const uint8_t* sample_rom;  // owned by the board
  uint32_t rom_size;          // bytes readable through sample_rom
  ymf_host host;              // the board's callbacks
  uint64_t busy_end;          // chip clock until which the chip reports busy; 0 after reset
  opl4::ymf278b chip;         // constructed over this object as its host

  ymf_glue(const uint8_t* rom, uint32_t size, const ymf_host& callbacks)
      : sample_rom(rom), rom_size(size), host(callbacks), busy_end(0), chip(*this) {}

  uint64_t now() { return host.now(host.context); }

  void set_timer(uint32_t timer, int32_t duration) override {
    host.set_timer(host.context, timer, duration < 0 ? GLUE_DISARMED : now() + uint64_t(duration));
  }
  void set_busy_end(uint32_t clocks) override { busy_end = now() + clocks; }
  bool is_busy() override { return now() < busy_end; }
  void update_irq(bool asserted) override { host.set_irq(host.context, asserted ? 1 : 0); }
  uint8_t external_read(uint32_t access_class, uint32_t address) override {
    if (access_class != opl4::OPL4_ACCESS_PCM || !sample_rom) return 0;
    uint32_t a = address & 0x3FFFFF;
    return a < rom_size ? sample_rom[a] : 0;
  }
};

ymf_glue* ymf_glue_create(const uint8_t* sample_rom, uint32_t rom_size, const ymf_host* host) {
  ymf_glue* glue = new (std::nothrow) ymf_glue(sample_rom, rom_size, *host);
  if (glue) glue->chip.reset();
  return glue;
}

void ymf_glue_destroy(ymf_glue* glue) {
  delete glue;
}

void ymf_glue_reset(ymf_glue* glue) {
  // A restarted game must not see BUSY until the clock catches up with a stamp from before.
  glue->busy_end = 0;
  glue->chip.reset();
}

uint32_t ymf_sample_rate(uint32_t clock) {
  return clock / YMF_CLOCKS_PER_SAMPLE;
}

uint8_t ymf_glue_read(ymf_glue* glue, uint32_t offset) {
  return glue->chip.read(offset & 7);
}

void ymf_glue_write(ymf_glue* glue, uint32_t offset, uint8_t data) {
  glue->chip.write(offset & 7, data);
}

opl4::host_interface* ymf_glue_chip_host(ymf_glue* glue) {
  return glue;
}

void ymf_glue_timer_expired(ymf_glue* glue, uint32_t timer) {
  glue->engine->engine_timer_expired(timer);
}

void ymf_glue_generate(ymf_glue* glue, int32_t* out, int32_t count) {
  int32_t frames[GLUE_CHUNK * opl4::OPL4_OUTPUTS];
  while (count > 0) {
    int32_t n = count < GLUE_CHUNK ? count : GLUE_CHUNK;
    glue->chip.generate(frames, uint32_t(n));
    for (int32_t i = 0; i < n; i++) {
      const int32_t* f = frames + i * opl4::OPL4_OUTPUTS;
      out[i] = f[0] + f[1] + f[2] + f[3] + f[4] + f[5];
    }
    out += n;
    count -= n;
  }
}

size_t ymf_glue_save_state(ymf_glue* glue, uint8_t* out, size_t capacity) {
  if (!out || capacity < GLUE_STATE_BYTES) return GLUE_STATE_BYTES;
  try {
    std::vector<uint8_t> image;
    image.reserve(opl4::OPL4_STATE_BYTES);
    opl4::saved_state state(image, true);
    glue->chip.save_restore(state);
    assert(image.size() == opl4::OPL4_STATE_BYTES);
    for (int i = 0; i < 8; i++) out[i] = uint8_t(glue->busy_end >> (8 * i));
    for (size_t i = 0; i < image.size(); i++) out[8 + i] = image[i];
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return GLUE_STATE_BYTES;
}

int ymf_glue_check_state(ymf_glue* glue, const uint8_t* in, size_t length) {
  if (!in || length != GLUE_STATE_BYTES) return 0;
  try {
    std::vector<uint8_t> image(in + 8, in + length);
    opl4::saved_state state(image, false);
    return glue->chip.accepts(state);
  } catch (const std::bad_alloc&) {
    return -1;
  }
}

int ymf_glue_load_state(ymf_glue* glue, const uint8_t* in, size_t length) {
  if (!in || length != GLUE_STATE_BYTES) return 0;
  try {
    std::vector<uint8_t> image(in + 8, in + length);
    opl4::saved_state state(image, false);
    glue->chip.save_restore(state);
    if (!state.ok()) return 0;
  } catch (const std::bad_alloc&) {
    return 0;
  }
  uint64_t busy_end = 0;
  for (int i = 0; i < 8; i++) busy_end |= uint64_t(in[i]) << (8 * i);
  glue->busy_end = busy_end;
  return 1;
}
