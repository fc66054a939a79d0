// Sound benchmark: renders 10 emulated seconds of the sound chip through the glue, the way the
// board drives it (chunks of at most 256 samples), with all 24 wavetable slots playing looped
// samples of every format, then again with all 18 FM channels sounding as well, and prints each
// speed as a multiple of real time. It also checks that rendering allocates nothing, and can
// write the full chip's mono result as a WAV file for listening.
//   bench_sound [--wav FILE]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "board/ymf_glue.h"

namespace {

constexpr uint32_t BENCH_CLOCK = 28636350;
constexpr int BENCH_SECONDS = 10;
constexpr int BENCH_RUNS = 3;  // the best run counts
constexpr int BENCH_CHUNK = 256;

long g_allocations = 0;  // operator new calls, counted while rendering

struct bench_board {
  uint64_t now = 0;
  std::vector<uint8_t> rom = std::vector<uint8_t>(0x400000);
};

uint64_t bench_now(void* c) {
  return static_cast<bench_board*>(c)->now;
}
void bench_set_timer(void*, uint32_t, uint64_t) {}
void bench_set_irq(void*, uint32_t) {}

// Tone n: a looped wave of 512 + 96 n samples at 0x10000 + n x 0x8000, in 16-, 12- or 8-bit.
void build_rom(bench_board& b) {
  for (int n = 0; n < 24; n++) {
    int format = n % 3 == 2 ? 0 : n % 3 == 1 ? 1 : 2;
    uint32_t start = 0x10000 + uint32_t(n) * 0x8000, length = 512 + 96 * uint32_t(n);
    for (uint32_t i = 0; i < length; i++) {
      double phase = 2 * M_PI * i * (n % 5 + 1) / length;
      int v = int(12000 * std::sin(phase) + 4000 * std::sin(3 * phase));
      uint8_t* p = &b.rom[start];
      if (format == 2) {
        p[2 * i] = uint8_t(v >> 8), p[2 * i + 1] = uint8_t(v);
      } else if (format == 0) {
        p[i] = uint8_t(v >> 8);
      } else if (i % 2 == 0) {
        p[i / 2 * 3] = uint8_t(v >> 8), p[i / 2 * 3 + 1] = uint8_t((v >> 4) & 0xF0);
      } else {
        p[i / 2 * 3 + 2] = uint8_t(v >> 8), p[i / 2 * 3 + 1] |= uint8_t((v >> 4) & 0x0F);
      }
    }
    uint16_t loop = uint16_t(length / 4), end = uint16_t(~(length - 1));
    const uint8_t header[12] = {uint8_t((format << 6) | (start >> 16)),
                                uint8_t(start >> 8),
                                uint8_t(start),
                                uint8_t(loop >> 8),
                                uint8_t(loop),
                                uint8_t(end >> 8),
                                uint8_t(end),
                                uint8_t(((n % 8) << 3) | (n % 4)),  // LFO and vibrato
                                0xE2,
                                0x41,
                                0x36,
                                uint8_t(n % 3)};  // envelope, tremolo
    std::memcpy(&b.rom[n * 12], header, sizeof header);
  }
}

void port(ymf_glue* g, uint32_t address, uint8_t data) {
  ymf_glue_write(g, address, data);
}

void wt(ymf_glue* g, uint8_t reg, uint8_t data) {
  port(g, 4, reg);
  port(g, 5, data);
}

void start_notes(ymf_glue* g) {
  port(g, 2, 0x05);
  port(g, 3, 0x03);  // NEW and NEW2
  for (int n = 0; n < 24; n++) {
    int fnumber = (n * 73) % 1024, octave = n % 3;
    wt(g, uint8_t(0x20 + n), uint8_t((fnumber & 0x7F) << 1));
    wt(g, uint8_t(0x38 + n), uint8_t((octave << 4) | (fnumber >> 7)));
    wt(g, uint8_t(0x50 + n), uint8_t((24 + n) << 1 | 1));
    wt(g, uint8_t(0x08 + n), uint8_t(n));
    wt(g, uint8_t(0x68 + n), uint8_t(0x80 | (n % 16) | (n % 5 == 0 ? 0x10 : 0)));
  }
}

// All 18 FM channels held on sustaining notes of differing connection, feedback, waveform,
// vibrato and tremolo, spread over the four outputs.
void start_fm_notes(ymf_glue* g) {
  auto fm = [g](uint32_t address, uint8_t data) {
    port(g, (address & 0x100) ? 2 : 0, uint8_t(address));
    port(g, (address & 0x100) ? 3 : 1, data);
  };
  fm(0xBD, 0xC0);  // deep tremolo and vibrato
  for (int c = 0; c < 18; c++) {
    uint32_t base = c >= 9 ? 0x100 : 0, k = uint32_t(c % 9);
    for (uint32_t slot = 0; slot < 2; slot++) {
      uint32_t o = (k / 3) * 8 + k % 3 + slot * 3;
      fm(base + 0x20 + o, uint8_t(0x20 | (c % 4 == 0 ? 0xC0 : 0) | (1 + (c + slot) % 4)));
      fm(base + 0x40 + o, uint8_t(slot ? 0x00 : 0x18 + c % 8));
      fm(base + 0x60 + o, 0xF2);
      fm(base + 0x80 + o, 0x25);
      fm(base + 0xE0 + o, uint8_t((c + slot) % 8));
    }
    int fnumber = 0x150 + c * 37;
    fm(base + 0xA0 + k, uint8_t(fnumber));
    fm(base + 0xC0 + k, uint8_t((0x10 << (c % 4)) | ((c % 8) << 1) | (c % 3 == 0)));
    fm(base + 0xB0 + k, uint8_t(0x20 | ((2 + c % 5) << 2) | (fnumber >> 8)));
  }
}

// Renders `samples` samples into `out`; returns the seconds it took.
double render(ymf_glue* g, bench_board& b, int32_t* out, int samples) {
  auto begin = std::chrono::steady_clock::now();
  for (int done = 0; done < samples;) {
    int n = samples - done < BENCH_CHUNK ? samples - done : BENCH_CHUNK;
    b.now += uint64_t(n) * YMF_CLOCKS_PER_SAMPLE;
    ymf_glue_generate(g, out + done, n);
    done += n;
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
}

int write_wav(const char* path, const std::vector<int32_t>& mono, uint32_t rate) {
  FILE* f = std::fopen(path, "wb");
  if (!f) return 0;
  auto u32 = [f](uint32_t v) {
    for (int i = 0; i < 4; i++) std::fputc(int((v >> (8 * i)) & 0xFF), f);
  };
  auto u16 = [f](uint32_t v) { std::fputc(int(v & 0xFF), f), std::fputc(int((v >> 8) & 0xFF), f); };
  uint32_t bytes = uint32_t(mono.size() * 2);
  std::fwrite("RIFF", 1, 4, f), u32(36 + bytes), std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16), u16(1), u16(1), u32(rate), u32(rate * 2), u16(2), u16(16);
  std::fwrite("data", 1, 4, f), u32(bytes);
  for (int32_t v : mono) u16(uint16_t(int16_t(v < -32768 ? -32768 : v > 32767 ? 32767 : v)));
  return std::fclose(f) == 0;
}

}  // namespace

void* operator new(size_t size) {
  g_allocations++;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

int main(int argc, char** argv) {
  const char* wav = nullptr;
  for (int i = 1; i < argc; i++) {
    if (std::strcmp(argv[i], "--wav") == 0 && i + 1 < argc) {
      wav = argv[++i];
    } else {
      std::fprintf(stderr, "usage: bench_sound [--wav FILE]\n");
      return 2;
    }
  }
  bench_board board;
  build_rom(board);
  ymf_host host = {&board, bench_now, bench_set_timer, bench_set_irq};
  ymf_glue* glue = ymf_glue_create(board.rom.data(), uint32_t(board.rom.size()), &host);
  if (!glue) {
    std::fprintf(stderr, "bench_sound: out of memory\n");
    return 1;
  }
  const uint32_t rate = ymf_sample_rate(BENCH_CLOCK);
  const int samples = int(rate) * BENCH_SECONDS;
  std::vector<int32_t> mono(static_cast<size_t>(samples));
  long allocations = 0;
  for (int full = 0; full < 2; full++) {
    double best = 1e9;
    for (int run = 0; run < BENCH_RUNS; run++) {
      ymf_glue_reset(glue);
      start_notes(glue);
      if (full) start_fm_notes(glue);
      long before = g_allocations;
      double seconds = render(glue, board, mono.data(), samples);
      allocations += g_allocations - before;
      if (seconds < best) best = seconds;
    }
    std::printf("%s: %.0fx real time\n", full ? "full chip" : "wavetable", BENCH_SECONDS / best);
  }
  int result = 0;
  if (allocations != 0) {
    std::fprintf(stderr, "bench_sound: rendering allocated %ld times\n", allocations);
    result = 1;
  }
  if (wav && !write_wav(wav, mono, rate)) {
    std::fprintf(stderr, "bench_sound: cannot write %s\n", wav);
    result = 1;
  }
  ymf_glue_destroy(glue);
  return result;
}
