// Start-up's steps that tests check on their own; frontend_start (frontend_run.h) runs them all.
#pragma once

#include <cstdint>

// The first window's size: window_scale's size (window_size_for_scale), with window_scale
// itself lowered while the window would not fit a desktop of desktop_w x desktop_h (40 pixels
// narrower, 80 lower; no clamp when desktop_w is 0), unless --window asked for an exact size of
// at least 320 x 240.
void startup_window_size(int32_t desktop_w, int32_t desktop_h, int32_t window_w, int32_t window_h,
                         int32_t* w, int32_t* h);
