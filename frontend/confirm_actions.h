// What the confirmation dialog does after "Yes": one function per confirm_action code, run by
// the dialog once it has popped itself, so an action that pushes or replaces pages works on the
// stack beneath the dialog. Also the resets that two of the actions perform, and the slot save
// that the Save State page shares with action 5.
#pragma once

#include <cstdint>

// Carries out the confirm_action `action` with its value (a slot, or 99 for the movie action).
// Exit and the return to the Main Menu write the autosave first when it is wanted; when that
// fails the game stays, the "Autosave failed" dialog says why and, beneath it, a question offers
// to leave without it (codes 11 and 12). Codes outside 0-12 do nothing.
void run_confirm_action(int32_t action, int32_t value);

// Every setting back to its default but the ROM path, the slot and the browser folder; the
// window, renderer, texture, audio device and rewind ring follow at once; settings.ini written;
// toast "All settings restored".
void reset_all_settings();

// A slot chosen on the Save State page (at once when empty, after confirm action 5 when not):
// saved and made the current slot, the records read again, the page gone, and a save reached
// from the pause menu returns straight to the game.
void save_chosen_slot(int32_t slot);

// Every input and hotkey binding back to its default, the dead zone to 30 and the menu
// combination to Back + Start; settings.ini written; toast "Default controls restored".
void restore_default_controls();
