// The unit of synthesis shared by the chip's two engines: each renders up to OPL4_BLOCK samples
// at a time into its four accumulator rows, which the chip then routes and mixes into its six
// outputs. Rows are cleared by the chip before each block; the engines only add to them.
#pragma once

#include <cstdint>

namespace opl4 {

enum {
  OPL4_BLOCK = 256,  // samples per render block
};

struct render_block {
  int32_t fm[4][OPL4_BLOCK];   // FM outputs A, B, C, D
  int32_t pcm[4][OPL4_BLOCK];  // wavetable: direct left/right (output select set), mixed left/right
};

}  // namespace opl4
