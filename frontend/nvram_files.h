// NVRAM files: the board's EEPROM kept between runs in one file per game and ROM set,
// "<id>-<fingerprint>.nv" in the nvram folder, holding exactly the bytes the descriptor's
// nvram_save gives. The descriptor copies the bytes; this module decides when a file is
// written and reads it back after a ROM set is loaded.
#pragma once

#include <cstddef>

// The NVRAM file of the loaded ROM set in fe.nvram_dir. 1 when the whole path fit in out.
int nvram_file_path(char* out, size_t out_size);

// Writes the file when it is missing, when the EEPROM changed since the last save or load, or
// when the last write failed. Nothing without nvram_save or a ready ROM set. A file the restore
// could not take is first kept beside it as "<name>.bad" (logged); when that cannot be done the
// file is not written over. A failed write is reported once with its reason ("NVRAM save
// failed: %s (%s)", a toast, then the log when the reason changes) and tried again at the next
// call.
void save_nvram();

// Hands the file of the just loaded ROM set to nvram_load, logging whether it was taken; a file
// that was there but not taken is marked for keeping before the next save. A missing file is
// silent: the board keeps its default EEPROM image.
void restore_nvram();
