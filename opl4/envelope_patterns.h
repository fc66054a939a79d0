// The envelope counter's increment patterns, shared by the chip's FM and wavetable envelopes:
// over each cycle of eight updates, how far an envelope moves at each quarter step of its rate
// (rate & 3), giving 1, 1.25, 1.5 or 1.75 times the speed of the whole rate. How often an
// update falls due and what one step is worth are each engine's own.
#pragma once

#include <cstdint>

namespace opl4 {

// Slower rates: 0 or 1 at each update.
inline constexpr uint8_t OPL4_EG_LOW[4][8] = {{0, 1, 0, 1, 0, 1, 0, 1},
                                              {0, 1, 0, 1, 1, 1, 0, 1},
                                              {0, 1, 1, 1, 0, 1, 1, 1},
                                              {0, 1, 1, 1, 1, 1, 1, 1}};
// Faster rates, updated every sample: 1 where the step doubles.
inline constexpr uint8_t OPL4_EG_HIGH[4][8] = {{0, 0, 0, 0, 0, 0, 0, 0},
                                               {0, 0, 0, 1, 0, 0, 0, 1},
                                               {0, 1, 0, 1, 0, 1, 0, 1},
                                               {0, 1, 1, 1, 0, 1, 1, 1}};

}  // namespace opl4
