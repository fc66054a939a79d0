// A YMF278B over a test host for the engine's tests: a 4 MiB sample memory the test fills, a
// clock the test sets, and a record of every timer, busy and interrupt call. Helpers write the
// chip's registers through its ports, lay out tone headers and samples, and render outputs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "opl4/ymf278b.h"

struct test_host final : opl4::host_interface {
  std::vector<uint8_t> memory = std::vector<uint8_t>(0x400000);
  uint64_t now = 0;  // chip clocks, set by the test
  uint64_t busy_end = 0;
  int32_t timer_duration[2] = {-2, -2};  // last duration set; -2 = never set
  int timer_calls[2] = {0, 0};
  std::vector<int> irq_log;   // every update_irq, in order
  uint32_t highest_read = 0;  // largest memory address read
  int writable = 0;           // 1 = external writes reach `memory` (RAM), else ROM

  void set_timer(uint32_t timer, int32_t duration) override {
    timer_duration[timer & 1] = duration;
    timer_calls[timer & 1]++;
  }
  void set_busy_end(uint32_t clocks) override { busy_end = now + clocks; }
  bool is_busy() override { return now < busy_end; }
  void update_irq(bool asserted) override { irq_log.push_back(asserted ? 1 : 0); }
  void external_write(uint32_t access_class, uint32_t address, uint8_t data) override {
    if (writable && access_class == opl4::OPL4_ACCESS_PCM && address < memory.size())
      memory[address] = data;
  }
  uint8_t external_read(uint32_t access_class, uint32_t address) override {
    if (address > highest_read) highest_read = address;
    return access_class == opl4::OPL4_ACCESS_PCM && address < memory.size() ? memory[address] : 0;
  }
};

// The envelope that plays a sample unchanged: instant attack, no decay, no rate correction.
constexpr uint8_t FIXTURE_AR_D1R = 0xF0, FIXTURE_DL_D2R = 0x00, FIXTURE_RC_RR = 0xF0;

struct tone_header {
  uint32_t start = 0x1000;  // byte address
  int format = 2;           // 0 8-bit, 1 12-bit, 2 16-bit
  uint16_t loop = 0;        // sample offsets
  uint16_t end = 0xFFFF;
  uint8_t lfo_vib = 0;
  uint8_t ar_d1r = FIXTURE_AR_D1R;
  uint8_t dl_d2r = FIXTURE_DL_D2R;
  uint8_t rc_rr = FIXTURE_RC_RR;
  uint8_t am = 0;
};

struct chip_fixture {
  test_host host;
  opl4::ymf278b chip{host};

  chip_fixture() { chip.reset(); }

  // FM register 0x000-0x1FF through ports 0/1 or 2/3.
  void fm(uint32_t address, uint8_t data) {
    int high = (address & 0x100) != 0;
    chip.write(high ? 2 : 0, uint8_t(address));
    chip.write(high ? 3 : 1, data);
  }
  void opl4_mode() { fm(0x105, 0x03); }  // NEW and NEW2
  void wt(uint8_t reg, uint8_t data) {
    chip.write(4, reg);
    chip.write(5, data);
  }

  void put_header(int tone, const tone_header& h) {
    uint8_t* p = &host.memory[tone * 12];
    uint16_t end = uint16_t(~h.end);  // the chip stores the end inverted
    uint8_t bytes[12] = {uint8_t((h.format << 6) | ((h.start >> 16) & 0x3F)),
                         uint8_t(h.start >> 8),
                         uint8_t(h.start),
                         uint8_t(h.loop >> 8),
                         uint8_t(h.loop),
                         uint8_t(end >> 8),
                         uint8_t(end),
                         h.lfo_vib,
                         h.ar_d1r,
                         h.dl_d2r,
                         h.rc_rr,
                         h.am};
    for (int i = 0; i < 12; i++) p[i] = bytes[i];
  }
  void put_samples16(uint32_t start, const std::vector<int>& samples) {
    for (size_t i = 0; i < samples.size(); i++) {
      host.memory[start + 2 * i] = uint8_t(samples[i] >> 8);
      host.memory[start + 2 * i + 1] = uint8_t(samples[i]);
    }
  }

  // Sets pitch and level of a slot, loads the tone (header and envelope) and keys it on.
  // `key` adds the output-select, pan, damp and LFO-reset bits; without `level_direct` the
  // slot's level glides to `level` from where it stood.
  void play(int slot, int tone, int octave, int fnumber, int level, uint8_t key = 0,
            int level_direct = 1) {
    wt(uint8_t(0x20 + slot), uint8_t(((fnumber & 0x7F) << 1) | ((tone >> 8) & 1)));
    wt(uint8_t(0x38 + slot), uint8_t(((octave & 15) << 4) | ((fnumber >> 7) & 7)));
    wt(uint8_t(0x50 + slot), uint8_t((level << 1) | (level_direct ? 1 : 0)));
    wt(uint8_t(0x08 + slot), uint8_t(tone));
    wt(uint8_t(0x68 + slot), uint8_t(0x80 | key));
  }
  void key_off(int slot, uint8_t key = 0) { wt(uint8_t(0x68 + slot), key); }

  // `samples` x 6 outputs.
  std::vector<int32_t> render(uint32_t samples) {
    std::vector<int32_t> out(samples * opl4::OPL4_OUTPUTS);
    chip.generate(out.data(), samples);
    return out;
  }
  // One output of every sample.
  static std::vector<int32_t> column(const std::vector<int32_t>& frames, int output) {
    std::vector<int32_t> c;
    for (size_t i = output; i < frames.size(); i += opl4::OPL4_OUTPUTS) c.push_back(frames[i]);
    return c;
  }

  static int32_t peak(const std::vector<int32_t>& v) {
    int32_t p = 0;
    for (int32_t s : v) p = std::max(p, std::abs(s));
    return p;
  }
  static double rms(const std::vector<int32_t>& v) {
    double sum = 0;
    for (int32_t s : v) sum += double(s) * s;
    return v.empty() ? 0 : std::sqrt(sum / double(v.size()));
  }

  std::vector<uint8_t> save() {
    std::vector<uint8_t> image;
    opl4::saved_state state(image, true);
    chip.save_restore(state);
    return image;
  }
  int load(std::vector<uint8_t> image) {
    opl4::saved_state state(image, false);
    chip.save_restore(state);
    return state.ok();
  }
};
