// The three ways the frontend tells the user something, each also written to the log: a toast
// (one line over the picture for two seconds), a confirmation dialog that runs a confirm_action
// after "Yes", and an error dialog with a title and a body. Also the switch between a window and
// full screen. The dialogs are drawn and answered by the menu.
#pragma once

#include <cstddef>
#include <cstdint>

// Formats the toast (cut at 159 characters), shows it for two seconds and logs it.
void show_toast(const char* format, ...) __attribute__((format(printf, 1, 2)));

// lead + path + tail into out. When the whole would be cut, the path gives up characters from
// its left ("..." in their place) so that its file name and the tail (a failure's reason) stay.
void format_path_message(char* out, size_t out_size, const char* lead, const char* path,
                         const char* tail);

// A toast of lead + path + tail, the path shortened as format_path_message does.
void show_path_toast(const char* lead, const char* path, const char* tail);

// lead + path + " (" + reason + ")" + tail into out, the path shortened as format_path_message
// does. A reason of the file layer's that names the path itself ("PATH is not a file (a FIFO)")
// gives only its words after "PATH is ": "lead PATH (not a file (a FIFO))tail".
void format_file_failure(char* out, size_t out_size, const char* lead, const char* path,
                         const char* reason, const char* tail);

// A toast of format_file_failure's text.
void show_failure_toast(const char* lead, const char* path, const char* reason, const char* tail);

// A write of that kind (write_kind) failed for `reason` (the file layer's words): the first
// failure since the last success is shown as format_file_failure's toast (logged); a later one is
// logged only when its reason changed, and is silent otherwise, however often the write is tried.
void report_write_failure(int32_t kind, const char* lead, const char* path, const char* reason);

// A write of that kind succeeded: its next failure is news again.
void report_write_success(int32_t kind);

// Stores the question (cut at 255 characters), the action and its value, logs the question,
// selects "No" and pushes the confirmation page over the open pages (not when 16 are stacked).
// There is one confirmation at most: one already on the page stack gives way to the new one.
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

// Forgets that vsync was found not to hold the presents, and the presents counted so far: a
// minimised window presents at once, so the finding is made again once the window shows, its
// mode changes or vsync is switched.
void recheck_vsync_pacing();

// Full screen (borderless desktop) when the fullscreen setting is on, else a window of the size
// window_scale gives; whether vsync paces is measured afresh.
void apply_window_mode();
