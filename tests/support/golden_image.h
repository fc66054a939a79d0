// Pinned pictures of the 1280 x 760 test surface: each is kept as <dir>/<name>.png to look at and
// pinned by the FNV-1a hash of its RGB bytes in <dir>/hashes.txt. With CB_REPIN_GOLDEN=1 in the
// environment the check rewrites the PNG and the hash instead (run the test binary itself, not
// ctest, which runs cases in parallel). On the OpenGL renderer of the tests (CB_TEST_RENDERER=
// opengl) the surface is held to the PNG with a small tolerance instead; a failure leaves the
// picture drawn and one of the differences in opengl-artifacts/ of the working folder.
#pragma once

#include <string>
#include <vector>

#include "picture_diff.h"

// Checks (or re-pins) the current surface against the picture `name` in `dir`. On OpenGL the
// masked rectangles (what legitimately differs there, like the renderer's name) are not compared.
void check_golden_surface(const std::string& dir, const std::string& name,
                          const std::vector<picture_mask>& opengl_masks = {});
