// One loaded ROM set and one running game: loading an archive, starting and stopping the game,
// switching to another archive, and opening the menu over the game. Each move releases the
// inputs the same way, and all but load_rom clear the audio.
#pragma once

#include <cstdint>

// Saves the NVRAM of the set that goes, unloads it and loads the archive at `path` (null or ""
// count as no path), restoring its NVRAM file. 1 when the set is ready; 0 with fe.rom_status
// saying why ("No ROM selected." or the game's message). A running game is stopped first,
// without an autosave.
int load_rom(const char* path);

// Powers the board on with the DIP words of the settings and runs it from the beginning: movies
// end, the frame counter and the rewind ring start afresh. Nothing without a ready ROM set.
void start_game();

// Ends the running game: NVRAM saved, an autosave into slot 0 when `autosave` is set (and the
// game runs with save states on), movies closed, inputs released, audio cleared.
void stop_game(int32_t autosave);

// The game runs from a state just loaded into it (a slot, the command line's state file): a
// movie in progress ends, the rewind ring exists when rewind is on, nothing still held reaches
// the game, queued audio goes, the new picture shows and frame pacing starts afresh. The frame
// counter goes on.
void resume_from_loaded_state();

// Shows the menu with `page` (a menu_page) as its only page; the game stays running but no frame
// runs while the menu is open. Inputs are released, audio is cleared and the device paused.
void open_menu(int32_t page);

// Checks the archive through the descriptor (its directory and its members' data). 1 when it
// is usable; 0 after opening the "ROM not usable" dialog that names the fault. Nothing else
// changes: a running game goes on.
int check_rom_or_say_why(const char* path);

// The ROM Selection page's choice (or a dropped file): checks the archive, then loads it at once
// when no game runs, or asks first (confirm action 10) while one does. An unusable archive opens
// the "ROM not usable" dialog.
void switch_rom(const char* path);
