// audio_check: what the sound script asks of the file SDL's disk audio driver wrote (raw signed
// 16-bit little-endian stereo at the device rate). Over the whole file no sample may be clipped;
// over the playing stretch the sound must not be silent and must hold the cartridge's arpeggio:
// every note of its melody table, each within 1 % of its pitch and among the strongest tones,
// and no other strong tone in the melody's range; over the paused stretch every sample must be 0.
// The melody table is read from the cartridge's source; a note's pitch is the chip's playback rate
// for its octave and F-number over the length of the test ROM set's single-cycle waves.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct options {
  const char* raw = nullptr;
  double rate = 48000;                   // device frames a second
  const char* notes = nullptr;           // the cartridge's data file with the `melody:` table
  double chip_rate = 0;                  // the sound chip's output rate (the board's audio rate)
  double wave = 256;                     // samples of one cycle of the test ROM set's waves
  long play_from = -1, play_to = -1;     // byte offsets
  long quiet_from = -1, quiet_to = -1;   // byte offsets; quiet_to -1 = end of file
  double peaks_low = 0, peaks_high = 0;  // --peaks: list the spectrum's peaks in this range
};

// The words of the table that follows `label:` in an assembler source, up to its first line
// that is no .word line.
std::vector<unsigned> read_table(const char* path, const char* label) {
  std::ifstream in(path);
  std::vector<unsigned> words;
  std::string line;
  bool inside = false;
  const std::string head = std::string(label) + ":";
  while (std::getline(in, line)) {
    if (!inside) {
      inside = line.rfind(head, 0) == 0;
      continue;
    }
    const size_t at = line.find(".word");
    if (at == std::string::npos) break;
    std::string list = line.substr(at + 5);
    const size_t comment = list.find('!');
    if (comment != std::string::npos) list.resize(comment);
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
      words.push_back(unsigned(strtoul(item.c_str(), nullptr, 0)));
    }
  }
  return words;
}

// In-place radix-2 FFT; size a power of two.
void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; i++) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2 * M_PI / double(len);
    const std::complex<double> step(cos(angle), sin(angle));
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w(1);
      for (size_t k = 0; k < len / 2; k++) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        w *= step;
      }
    }
  }
}

// Welch's average of Hann-windowed power spectra over the samples, windows of n half overlapped.
std::vector<double> power_spectrum(const std::vector<double>& x, size_t n) {
  std::vector<double> power(n / 2, 0.0);
  std::vector<std::complex<double>> buf(n);
  int windows = 0;
  for (size_t start = 0; start + n <= x.size(); start += n / 2, windows++) {
    for (size_t i = 0; i < n; i++) {
      const double hann = 0.5 - 0.5 * cos(2 * M_PI * double(i) / double(n - 1));
      buf[i] = x[start + i] * hann;
    }
    fft(buf);
    for (size_t k = 0; k < n / 2; k++) power[k] += std::norm(buf[k]);
  }
  for (double& p : power) p /= windows > 0 ? windows : 1;
  return power;
}

// The frequency of the peak at bin k, refined by a parabola through the log powers around it.
double peak_frequency(const std::vector<double>& power, size_t k, double bin_hz) {
  if (k == 0 || k + 1 >= power.size()) return double(k) * bin_hz;
  const double a = log(power[k - 1] + 1e-30), b = log(power[k] + 1e-30),
               c = log(power[k + 1] + 1e-30);
  const double d = a - 2 * b + c;
  const double offset = d != 0 ? 0.5 * (a - c) / d : 0.0;
  return (double(k) + offset) * bin_hz;
}

int parse(int argc, char** argv, options* o) {
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (a[0] != '-') {
      o->raw = a;
      continue;
    }
    if (i + 1 >= argc) return 0;
    const char* v = argv[++i];
    if (strcmp(a, "--rate") == 0) {
      o->rate = atof(v);
    } else if (strcmp(a, "--notes") == 0) {
      o->notes = v;
    } else if (strcmp(a, "--chip-rate") == 0) {
      o->chip_rate = atof(v);
    } else if (strcmp(a, "--wave") == 0) {
      o->wave = atof(v);
    } else if (strcmp(a, "--play") == 0) {
      if (sscanf(v, "%ld:%ld", &o->play_from, &o->play_to) != 2) return 0;
    } else if (strcmp(a, "--peaks") == 0) {
      if (sscanf(v, "%lf:%lf", &o->peaks_low, &o->peaks_high) != 2) return 0;
    } else if (strcmp(a, "--quiet") == 0) {
      if (sscanf(v, "%ld:%ld", &o->quiet_from, &o->quiet_to) < 1) return 0;
    } else {
      return 0;
    }
  }
  return o->raw && o->notes && o->chip_rate > 0 && o->rate > 0 && o->play_from >= 0 &&
         o->play_to > o->play_from && o->quiet_from >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (!parse(argc, argv, &o)) {
    fputs(
        "usage: audio_check RAW --notes cartridge_data.inc --chip-rate HZ [--rate HZ] "
        "[--wave SAMPLES] --play FROM:TO --quiet FROM[:TO]   (byte offsets into RAW)\n",
        stderr);
    return 2;
  }
  std::ifstream in(o.raw, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t frames = bytes.size() / 4;
  std::vector<int16_t> samples(frames * 2);
  memcpy(samples.data(), bytes.data(), frames * 4);  // little-endian host, as the file
  printf("%s: %zu frames, %.2f s\n", o.raw, frames, double(frames) / o.rate);
  int failed = 0;

  // 1. Nothing clipped anywhere.
  long clipped = 0;
  for (int16_t s : samples) clipped += s >= 32767 || s <= -32768;
  printf("clipped samples: %ld\n", clipped);
  if (clipped) failed = 1;

  // 2. The playing stretch: loud enough, and not broken into silence.
  const size_t from = size_t(o.play_from) / 4, to = std::min(size_t(o.play_to) / 4, frames);
  std::vector<double> mono;
  for (size_t i = from; i < to; i++) mono.push_back((samples[2 * i] + samples[2 * i + 1]) / 2.0);
  double energy = 0;
  for (double s : mono) energy += s * s;
  const double rms = mono.empty() ? 0 : sqrt(energy / double(mono.size()));
  const size_t block = size_t(o.rate / 10);
  long blocks = 0, silent_blocks = 0;
  for (size_t b = 0; b + block <= mono.size(); b += block, blocks++) {
    double e = 0;
    for (size_t i = b; i < b + block; i++) e += mono[i] * mono[i];
    if (sqrt(e / double(block)) < 30) silent_blocks++;
  }
  printf("playing: %.2f s, rms %.0f, %ld of %ld tenths of a second silent\n",
         double(mono.size()) / o.rate, rms, silent_blocks, blocks);
  if (rms < 300 || blocks < 20 || silent_blocks > blocks / 10) failed = 1;

  // 3. The notes. Each melody word: octave << 10 | F-number; the chip steps through a wave at
  // 2^(octave - 1) x (1024 + F) / 1024 samples per output sample.
  const std::vector<unsigned> melody = read_table(o.notes, "melody");
  std::vector<double> expected;
  for (unsigned word : melody) {
    const int octave = int(word >> 10) & 15;
    const double f =
        o.chip_rate * ldexp(1.0, octave - 1) * (1024.0 + (word & 1023)) / 1024.0 / o.wave;
    bool known = false;
    for (double e : expected) known = known || fabs(e / f - 1) < 1e-9;
    if (!known) expected.push_back(f);
  }
  if (expected.empty()) {
    printf("no melody table in %s\n", o.notes);
    return 1;
  }
  size_t n = 1;
  while (n * 2 <= mono.size() && n < 65536) n *= 2;
  if (n < 8192) {
    printf("too little sound to measure pitches\n");
    return 1;
  }
  const std::vector<double> power = power_spectrum(mono, n);
  const double bin_hz = o.rate / double(n);
  double low = expected[0], high = expected[0];
  for (double e : expected) low = std::min(low, e), high = std::max(high, e);
  // The band of the melody. Below it lie the bass's strong low harmonics; inside it the bass
  // adds weaker harmonics (15 dB and more under the notes), which fall on the notes anyway.
  low *= 0.95;
  high *= 1.05;
  double strongest = 0;
  for (size_t k = size_t(low / bin_hz); k <= size_t(high / bin_hz) && k < power.size(); k++) {
    strongest = std::max(strongest, power[k]);
  }
  for (double f : expected) {
    size_t best = size_t(f * 0.97 / bin_hz);
    for (size_t k = best; k <= size_t(f * 1.03 / bin_hz) && k < power.size(); k++) {
      if (power[k] > power[best]) best = k;
    }
    const double measured = peak_frequency(power, best, bin_hz);
    const double level = 10 * log10(power[best] / strongest);
    const double error = 100 * (measured / f - 1);
    const bool ok = fabs(error) <= 1.0 && level > -12;
    printf("note %7.2f Hz: measured %7.2f Hz (%+.2f %%), %5.1f dB  %s\n", f, measured, error, level,
           ok ? "ok" : "WRONG");
    if (!ok) failed = 1;
  }
  for (size_t k = size_t(o.peaks_low / bin_hz) + 1;
       k + 1 < power.size() && k <= size_t(o.peaks_high / bin_hz); k++) {
    if (power[k] < power[k - 1] || power[k] < power[k + 1]) continue;
    const double level = 10 * log10(power[k] / strongest);
    if (level > -40) printf("peak %8.2f Hz %6.1f dB\n", peak_frequency(power, k, bin_hz), level);
  }
  // No strong tone in the melody's range that is none of its notes.
  for (size_t k = size_t(low / bin_hz) + 1; k + 1 < power.size() && k <= size_t(high / bin_hz);
       k++) {
    if (power[k] < power[k - 1] || power[k] < power[k + 1]) continue;
    if (10 * log10(power[k] / strongest) < -12) continue;
    const double measured = peak_frequency(power, k, bin_hz);
    bool near = false;
    for (double f : expected) near = near || fabs(measured / f - 1) <= 0.01;
    if (!near) {
      printf("a tone at %.2f Hz (%.1f dB) is none of the notes\n", measured,
             10 * log10(power[k] / strongest));
      failed = 1;
    }
  }

  // 4. The paused stretch: silence.
  const size_t quiet_from = size_t(o.quiet_from) / 4;
  const size_t quiet_to = o.quiet_to < 0 ? frames : std::min(size_t(o.quiet_to) / 4, frames);
  int loudest = 0;
  for (size_t i = 2 * quiet_from; i < 2 * quiet_to; i++)
    loudest = std::max(loudest, abs(samples[i]));
  printf("paused: %.2f s, loudest sample %d\n", double(quiet_to - quiet_from) / o.rate, loudest);
  if (quiet_to <= quiet_from + size_t(o.rate / 2) || loudest != 0) failed = 1;

  printf("%s\n", failed ? "FAILED" : "ok");
  return failed;
}
