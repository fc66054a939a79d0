// A machine record for tests: zero-filled on the heap (it is 3.4 MB), optionally with zeroed
// ROM buffers of the loaded sizes, all released together when the pointer goes.
#pragma once

#include <memory>

#include "board/machine.h"

struct machine_deleter {
  void operator()(machine* m) const;  // frees the ROM buffers, then the record
};

using machine_ptr = std::unique_ptr<machine, machine_deleter>;

// A zeroed record; with_roms = 1 also gives it zeroed program, graphics and sound ROMs.
machine_ptr machine_new(int with_roms);
