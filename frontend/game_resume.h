// Going on from a loaded state: what a slot load and the command line's state file share once
// the game's state has been replaced.
#pragma once

// The game runs from a state just loaded into it (a slot, the command line's state file): a
// movie in progress ends, the rewind ring exists when rewind is on, nothing still held reaches
// the game, queued audio goes, the new picture shows and frame pacing starts afresh. The frame
// counter goes on.
void resume_from_loaded_state();
