// Breaking, cutting and shortening text to fit a width.
#include "ui/text_fit.h"

#include <cstdio>
#include <cstring>

#include "ui/text.h"

static bool is_break(char ch) {
  return ch == ' ' || ch == '/' || ch == '\\';
}

static bool is_continuation(char ch) {
  return (uint8_t(ch) & 0xC0) == 0x80;
}

// The text into out; true when it fits in width as it is (nothing more to do).
static bool copy_if_fits(const char* text, int32_t size, int32_t width, char* out,
                         size_t out_size) {
  snprintf(out, out_size, "%s", text);
  return text_measure(out, size) <= width;
}

int32_t text_fit_line(const char* text, int32_t n, int32_t width, int32_t size) {
  int32_t len = n < 199 ? n : 199;
  while (len > 1 && len < n && is_continuation(text[len])) len--;
  if (n == 1) return len;
  for (;;) {
    if (text_measure_bytes(text, size_t(len), size) <= width || len == 1) break;
    int32_t cut = len - 1;
    while (cut >= 0 && !is_break(text[cut])) cut--;
    if (cut < 0) {
      cut = len - 1;
      while (cut > 1 && is_continuation(text[cut])) cut--;
    }
    if (cut < 2) {
      // One character, however wide: the lead byte and its continuation bytes.
      len = 1;
      while (len < n && is_continuation(text[len])) len++;
      break;
    }
    len = cut;
  }
  return len;
}

void text_cut_end(const char* text, int32_t size, int32_t width, char* out, size_t out_size) {
  if (!text) text = "";
  if (!out || out_size == 0 || copy_if_fits(text, size, width, out, out_size)) return;
  // The longest start that fits before "..." (a longer start is never narrower): found by
  // halving, since each measure walks the text.
  const int32_t dots = text_measure("...", size);
  size_t lo = 0, hi = strlen(out);
  while (lo < hi) {
    const size_t mid = (lo + hi + 1) / 2;
    if (text_measure_bytes(text, mid, size) + dots <= width) {
      lo = mid;
    } else {
      hi = mid - 1;
    }
  }
  while (lo > 0 && is_continuation(text[lo])) lo--;
  while (lo > 0 && text[lo - 1] == ' ') lo--;  // no blank before the dots
  if (lo + 4 > out_size) lo = out_size > 4 ? out_size - 4 : 0;
  snprintf(out + lo, out_size - lo, "...");
}

void text_cut_path(const char* path, int32_t size, int32_t width, char* out, size_t out_size) {
  if (!path) path = "";
  if (!out || out_size == 0 || copy_if_fits(path, size, width, out, out_size)) return;
  // The longest end that fits after "...", found by halving (a longer end is never narrower).
  const int32_t dots = text_measure("...", size);
  const size_t length = strlen(path);
  size_t lo = 0, hi = length;
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (dots + text_measure(path + mid, size) <= width) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  size_t from = lo;
  while (from < length && is_continuation(path[from])) from++;
  // From a folder boundary inside that end, unless it is the path's last character.
  const char* slash = strchr(path + from, '/');
  if (slash && slash[1]) from = size_t(slash - path);
  snprintf(out, out_size, "...%s", path + from);
}
