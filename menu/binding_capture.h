// The binding capture (menu_page 16): a modal overlay over the Controls or Hotkeys page that
// waits up to five seconds for the key, alternate key or controller input of one binding. While
// it is on top the main loop hands it every raw input event (menu_capture_event) and sets no
// menu latch; it stores what it catches in that one field of the binding and closes. Nothing is
// saved until the page beneath is left.
//
// A stick direction caught here is still held when the main loop's stick navigation looks at
// the sticks in the same loop: the capture leaves fe.stick_dir at that direction and
// fe.stick_next at the end of time, so the navigation counts the stick as held (no new
// direction, no repeat) until it is let go, and the catch does not also move the cursor.
#pragma once

#include <cstdint>

#include "frontend/frontend_state.h"

struct input_event;

// The hotkeys' labels, in hotkey_id order: the Hotkeys page's rows and the capture's prompt
// name them so.
extern const char* const menu_hotkey_labels[HOTKEY_COUNT];

// Capture modes.
enum { CAPTURE_KEY = 0, CAPTURE_ALT_KEY = 1, CAPTURE_CONTROLLER = 2 };

// Starts a capture for input `target` (a hotkey_id when hotkey is 1) in `mode`: the capture
// fields and its start time set, the overlay pushed (not when 16 pages are stacked) and the
// fade-in restarted.
void menu_start_capture(int32_t target, int32_t mode, int32_t hotkey);

// One frame of the overlay: the dimmed screen, the prompt, the target's name and the countdown;
// it closes by itself, storing nothing, once five seconds have passed.
void menu_page_capture();

// One raw input event while the overlay is on top (key down, controller button, controller axis;
// everything else is ignored).
void menu_capture_event(const input_event* event);
