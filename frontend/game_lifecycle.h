// One loaded ROM set and one running game: loading an archive, starting and stopping the game,
// switching to another archive, which ends a visit of ROM Selection. Each move releases the
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

// Frees the ROM Selection page's listing (fe.browse_entries) and forgets the visit, so the page
// lists its folder afresh when it is next shown. The page calls it on Back; a ROM switch that loads
// calls it (switch_rom, which pops the page, and the confirmed switch, which replaces the stack),
// and so does shutdown.
void rom_selection_forget();

// Checks the archive through the descriptor (its directory and its members' data). 1 when it
// is usable; 0 after opening the "ROM not usable" dialog that names the fault. Nothing else
// changes: a running game goes on.
int check_rom_or_say_why(const char* path);

// The ROM Selection page's choice (or a dropped file): checks the archive, then loads it at once
// when no game runs, or asks first (confirm action 10) while one does. An unusable archive opens
// the "ROM not usable" dialog.
void switch_rom(const char* path);
