// What the confirmation dialog does after "Yes": one function per confirm_action code, run by
// the dialog once it has popped itself, so an action that pushes or replaces pages works on the
// stack beneath the dialog. Also the resets that two of the actions perform.
#pragma once

#include <cstdint>

// Carries out the confirm_action `action` with its value (a slot, or 99 for the movie action).
// Codes outside 0-10 do nothing.
void run_confirm_action(int32_t action, int32_t value);

// Every setting back to its default but the ROM path, the slot and the browser folder; the
// window, renderer, texture, audio device and rewind ring follow at once; settings.ini written;
// toast "All settings restored".
void reset_all_settings();

// Every input and hotkey binding back to its default, the dead zone to 30 and the menu
// combination to Back + Start; settings.ini written; toast "Default controls restored".
void restore_default_controls();
