// Screenshots: the last fetched game picture, before brightness and gamma and without overlays,
// saved as an 8-bit RGB PNG under the screenshots folder, turned the way the picture is shown.
// The exit screenshot of the command line uses the same picture unturned (screenshot_rgb with
// rotation 0 and png_write_rgb).
#pragma once

#include <cstdint>

// Packs a width x height picture of 0x00RRGGBB pixels into red, green, blue bytes turned by
// rotation quarter turns clockwise (taken & 3); out holds width * height * 3 bytes and is
// height wide and width high for an odd rotation.
void screenshot_rotate_rgb(const uint32_t* frame, int32_t width, int32_t height, int32_t rotation,
                           uint8_t* out);

// The frame buffer turned by rotation as RGB bytes, in a malloc'd buffer the caller frees with
// free(); its size goes to *width and *height. Null when there is no frame buffer or no memory.
uint8_t* screenshot_rgb(int32_t rotation, int32_t* width, int32_t* height);

// Writes "shot-%Y%m%d-%H%M%S-%03u.png" (local time, frame counter mod 1000) in the screenshots
// folder, turned by the rotation setting, and toasts "Screenshot saved: %s" with the file name
// or "Screenshot failed: %s" with the path. 1 when written; 0 on failure, and 0 without any
// message when the picture's buffer cannot be allocated.
int take_screenshot();
