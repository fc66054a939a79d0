// Pinned pictures of the 1280 x 760 test surface: each is kept as <dir>/<name>.png to look at and
// pinned by the FNV-1a hash of its RGB bytes in <dir>/hashes.txt. With CB_REPIN_GOLDEN=1 in the
// environment the check rewrites the PNG and the hash instead (run the test binary itself, not
// ctest, which runs cases in parallel).
#pragma once

#include <string>

// Checks (or re-pins) the current surface against the picture `name` in `dir`.
void check_golden_surface(const std::string& dir, const std::string& name);
