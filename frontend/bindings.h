// Input bindings and game controllers: which controllers are open, whether a binding is held
// for a player, whether an event triggers a hotkey, the controller menu combination, and the
// release of every input when the game starts, stops, loads or the menu opens or closes, and
// the names of controller binding codes.
// Tests answer 1 (yes) or 0 (no).
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/frontend_state.h"
#include "frontend/input_event.h"
#include "frontend/platform.h"

// What a rescan changed among the open controllers (told apart by SDL's instance ids).
struct controller_changes {
  int32_t opened;  // open now, not before
  int32_t closed;  // open before, gone now
};

// Closes every open controller, then opens each joystick SDL knows as a game controller, in
// device order, until eight are open; logs "controller %d: %s" for each ("?" without a name).
// A controller beyond the eighth is not opened, and so counts in neither figure.
controller_changes rescan_controllers();

// The stick deflection beyond which an axis binding counts: deadzone percent of 32767.
int32_t deadzone_threshold();

// Whether the binding is held in the snapshot for a player: either key on the keyboard; for
// player 0 the controller code on any open controller; for players 1-4 on the player's
// controller only (the left stick then also counts for the d-pad); above 4 the keyboard only.
int binding_pressed(const input_binding* binding, int32_t player, const input_snapshot* input);

// Whether the event triggers the hotkey (a hotkey_id): a key press that is not a repeat on
// either of its keys, or a controller button press on its button. Axes never trigger hotkeys.
int hotkey_event_matches(const input_event* event, int32_t hotkey);

// Whether any open controller holds the combination menu_combo selects.
int menu_combo_held(const input_snapshot* input);

// Clears the input word and every pulse counter and marks every input as held, so that a held
// input must be let go before a pulse fires again; sends the word 0 to the game when a ROM is
// ready. Callers that also want every pressed input ignored until all are let go set
// fe.release_wait themselves.
void release_inputs();

// The name of a controller binding code into out (48 characters are enough): "-" for none,
// "A".."Touchpad" for SDL's buttons, "Button %d" for further buttons, the axis name and "+" or
// "-" for a stick direction.
void controller_binding_name(int32_t code, char* out, size_t out_size);
