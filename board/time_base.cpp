// Frame ends and due sample counts from the cycle counter, exact in 128-bit integers. The due
// count is asked before every sound-port access, so the last answer is kept together with the
// span of cycles over which it holds.
#include "board/time_base.h"

namespace {

using u128 = unsigned __int128;

// samples_due holds for every cycle in [first, end): one unsigned comparison tests both sides.
struct due_span {
  uint64_t first;  // first cycle of the span
  uint64_t end;    // first cycle past it; first = end makes the span empty
  uint64_t due;    // the answer within it
};

due_span last_span = {0, 0, 0};  // process-wide memo of a pure function: never stale

}  // namespace

uint64_t frame_end_cycle(uint64_t frame) {
  return static_cast<uint64_t>((u128{frame} + 1) * TIME_ATTO_PER_FRAME / TIME_ATTO_PER_CYCLE);
}

uint64_t samples_due(uint64_t cycle) {
  if (cycle - last_span.first < last_span.end - last_span.first) return last_span.due;

  const u128 t = u128{cycle} * TIME_ATTO_PER_CYCLE;
  const u128 second = t / TIME_ATTO_PER_SECOND;
  const uint64_t r = static_cast<uint64_t>(t % TIME_ATTO_PER_SECOND);
  const uint64_t k = (r + TIME_ATTO_PER_SAMPLE - 1) / TIME_ATTO_PER_SAMPLE;  // ceil(r / sample)
  const uint64_t due = static_cast<uint64_t>(second) * TIME_SAMPLE_HZ + k;

  // The answer stays while the remainder is at most k samples and the second does not change.
  uint64_t r_last = k * TIME_ATTO_PER_SAMPLE;
  if (r_last > TIME_ATTO_PER_SECOND - 1) r_last = TIME_ATTO_PER_SECOND - 1;
  const u128 end = (second * TIME_ATTO_PER_SECOND + r_last) / TIME_ATTO_PER_CYCLE + 1;
  last_span = {cycle, end > UINT64_MAX ? UINT64_MAX : static_cast<uint64_t>(end), due};
  return due;
}
