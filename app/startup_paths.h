// Where start-up looks for things: the data folder (portable beside the executable, else the
// per-user folder named after the game's title, else the executable's folder, else the working
// folder), the folder name a title becomes, and the places where a ROM archive may lie. Pure
// functions over their inputs (but for the environment's folder variables), so start-up's
// choices can be checked without SDL or a file system.
#pragma once

#include <cstddef>
#include <cstdint>

#include "frontend/file_util.h"

enum {
  DATA_FOLDER_NAME_MAX = 128,  // bytes of the name buffer a title becomes
  ROM_CANDIDATES_MAX = 6,
  // Characters a path inside the data folder may add to it: the longest name the program writes
  // there ("states/<id>-<FINGERPRINT>/autosave.fest", a screenshot's name, "nvram/<name>.bad")
  // with room for a temporary file's suffix.
  DATA_DIR_RESERVE = 160,
};

// The per-user folder name for a title: a colon becomes " -" (one space written just before it
// is dropped first), each of < > " / \ | ? * becomes '_', anything else is copied; writing stops
// once 125 characters or more are written. out holds DATA_FOLDER_NAME_MAX bytes.
void data_folder_name(const char* title, char* out);

// Portable mode: asked for, or the marker file "portable.txt" lies beside the executable, while
// the executable's folder is known and the program does not run from an AppImage.
int portable_mode(const char* base_dir, int32_t portable_request, int32_t marker_present,
                  int32_t appimage);

// The data folder into out (FILE_PATH_MAX bytes): the executable's folder in portable mode;
// otherwise the per-user folder, or the executable's folder when there is none, or "." (the
// working folder) when neither is known, so that the files never land in the file system's root.
void choose_data_dir(int portable, const char* base_dir, const char* pref_dir, char* out);

// Unsets HOME and XDG_DATA_HOME where they are set but empty: an empty one names no folder, and
// the per-user folder built on it would land in the file system's root ("/.local/share/...").
// Start-up calls it before asking SDL for that folder, so SDL and the rest of the program agree.
void drop_empty_folder_variables();

// 1 when every file the program writes inside data_dir keeps its whole name within a path buffer
// (FILE_PATH_MAX); a longer folder would turn "movies" into "mov".
int data_dir_fits(const char* data_dir);

// The places a ROM archive may lie, in the order they are tried: the executable's folder (when
// known), the data folder, its roms folder, the home folder's Downloads and roms (when the home
// folder is known), and last the bare name in the working folder. Returns how many it wrote.
int32_t rom_candidates(const char* base_dir, const char* data_dir, const char* home,
                       const char* archive, char out[ROM_CANDIDATES_MAX][FILE_PATH_MAX]);
