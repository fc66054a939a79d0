// Ending an input movie: a recording is closed, a playback dropped, and the overlay text
// emptied. Whatever ends a game or leaves the movie's line of play ends the movie through here:
// the game's lifecycle, a state load, a rewind step, the Extras page and exit.
#pragma once

// "Stop Recording": closes an open recording ("Recording saved") and empties the overlay text.
// The menu stays open.
void movie_stop_recording();

// Drops a playback ("Playback finished") and empties the overlay text.
void movie_stop_playback();

// Closes a recording ("Recording saved"), drops a playback ("Playback finished") and empties the
// overlay text: whatever ends a game or starts another calls it (start_game, stop_game, exit).
void movie_stop_all();
