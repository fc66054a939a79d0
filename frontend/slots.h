// Save-state slots: ten user slots and the autosave (slot 0) per game and ROM set, each one
// "FESTATE1" file under states/"<id>-<FINGERPRINT>"/. Saving and loading a slot, and the slot
// browser records (fe.slots) that the Save State and Load State pages show. Results: 1 for
// success, 0 for failure; every failure has already been told to the user (toast or dialog).
#pragma once

#include <cstddef>
#include <cstdint>

// The path of slot 0-10 ("autosave.fest", "slot%02d.fest") into path (FILE_PATH_MAX bytes), its
// folder created with every missing parent. 0 when the slot is out of range or the path did not
// fit, with errno ENAMETOOLONG (path then holds the file's name alone, for messages).
int slot_file_path(int32_t slot, char* path);

// Re-reads all eleven records from the files and clears fe.slots_dirty.
void refresh_slot_info();

// Writes the running game into the slot (atomically: an old file survives a failure) and marks
// the records for re-reading. Toasts "Saved to slot %d" or why it failed; the autosave only logs.
int save_slot(int32_t slot);

// save_slot, and on failure why, in the file layer's words ("no space left on device", ...),
// into msg (null allowed).
int save_slot_msg(int32_t slot, char* msg, size_t msg_size);

// Loads the slot into the game and resumes it with released inputs, silent audio and the new
// picture shown. A missing file toasts; a bad one opens the "Cannot load state" dialog and
// leaves the running game as it was.
int load_slot(int32_t slot);
