// The three ways the frontend tells the user something, each also written to the log: a toast
// (one line over the picture for two seconds), a confirmation dialog that runs a confirm_action
// after "Yes", and an error dialog with a title and a body. Also the switch between a window and
// full screen. The dialogs are drawn and answered by the menu.
#pragma once

#include <cstdint>

// Formats the toast (cut at 159 characters), shows it for two seconds and logs it.
void show_toast(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Stores the question (cut at 255 characters), the action and its value, selects "No" and
// pushes the confirmation page over the open pages (not when 16 are stacked).
void show_confirm(int32_t action, int32_t value, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Stores title (63 characters) and body (699), logs "title: body", and shows the error page:
// alone in a newly opened menu when the menu is closed (inputs released, audio paused), else
// over the open pages (not when 16 are stacked).
void show_error(const char* title, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The window size for a window_scale: native height x scale high, that times the descriptor's
// aspect (rounded) wide, swapped for an odd rotation; computed in 64 bits and kept within what a
// window can be.
void window_size_for_scale(int32_t scale, int32_t* width, int32_t* height);

// Hands the vsync setting to the renderer; the loop measures afresh whether it holds presents.
void apply_vsync();

// Full screen (borderless desktop) when the fullscreen setting is on, else a window of the size
// window_scale gives.
void apply_window_mode();
