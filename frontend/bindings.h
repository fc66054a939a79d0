// Input bindings and game controllers: which controllers are open, whether a binding is held
// for a player, whether an event triggers a hotkey, the controller menu combination, and the
// release of every input when the game starts, stops, loads or the menu opens or closes.
#pragma once

// Clears the input word and every pulse counter and marks every input as held, so that a held
// input must be let go before a pulse fires again; sends the word 0 to the game when a ROM is
// ready. Callers that also want every pressed input ignored until all are let go set
// fe.release_wait themselves.
void release_inputs();
