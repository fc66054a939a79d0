// The ROM Selection page and its listing. A visit lists its folder once, at its first frame (a
// folder that cannot be listed is reported once and shows an empty list); opening another folder
// or the locations replaces the listing, and leaving the page drops it: Back here, and a ROM
// switch that loads (switch_rom, the confirmed switch), which takes the page away.
#include "menu/rom_selection.h"

#include <strings.h>
#include <cstdio>
#include <cstring>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/messages.h"
#include "frontend/settings_model.h"
#include "menu/menu_toolkit.h"

static void browse_to_top() {
  fe.menu.cursor[MENU_PAGE_ROM_SELECTION] = 0;
  fe.menu.first_row[MENU_PAGE_ROM_SELECTION] = 0;
}

// Lists `folder` and makes it the browse folder. The path is copied first: callers pass names
// out of the listing this replaces, or the browse folder itself.
static void browse_open_folder(const char* folder) {
  char path[FILE_PATH_MAX];
  snprintf(path, sizeof path, "%s", folder);
  rom_selection_forget();
  snprintf(fe.browse_dir, sizeof fe.browse_dir, "%s", path);
  dir_entry* entries = nullptr;
  int count = list_dir(path, &entries);
  if (count < 0) {
    count = 0;
    show_toast("Cannot open %s", path);
  }
  fe.browse_entries = entries;
  fe.browse_count = count;
  fe.browse_listed = 1;
  browse_to_top();
}

// The list of locations (home, root, removable media) in place of a folder.
static void browse_open_locations() {
  rom_selection_forget();
  dir_entry* entries = nullptr;
  const int count = list_locations(&entries);
  fe.browse_entries = entries;
  fe.browse_count = count < 0 ? 0 : count;
  fe.browse_at_locations = 1;
  fe.browse_listed = 1;
  browse_to_top();
}

// The first frame of a visit: the folder browsed last, else the ROM's folder, else the home
// folder; without a home folder (HOME unset or not a folder) the locations.
static void browse_first_open() {
  char start[FILE_PATH_MAX] = "";
  if (fe.browse_dir[0] && path_is_dir(fe.browse_dir)) {
    snprintf(start, sizeof start, "%s", fe.browse_dir);
  } else {
    if (fe.rom_path[0]) path_parent(fe.rom_path, start, sizeof start);
    if (!start[0] || !path_is_dir(start)) {
      if (!home_dir(start, sizeof start) || !path_is_dir(start)) {
        browse_open_locations();
        return;
      }
    }
  }
  browse_open_folder(start);
}

// ".. (parent folder)": the parent, or the locations from a root.
static void browse_go_up() {
  char parent[FILE_PATH_MAX];
  path_parent(fe.browse_dir, parent, sizeof parent);
  if (parent[0] && strcmp(parent, fe.browse_dir) != 0) {
    browse_open_folder(parent);
  } else {
    browse_open_locations();
  }
}

// A ZIP archive: longer than 3 characters and ending in ".zip" in any letter case.
static int browse_is_zip(const char* name) {
  const size_t length = strlen(name);
  return length > 3 && strcasecmp(name + length - 4, ".zip") == 0;
}

void menu_page_rom_selection() {
  if (!fe.browse_listed) browse_first_open();
  const int32_t at_locations = fe.browse_at_locations;
  const char* archive = fe.adapter->rom_archive ? fe.adapter->rom_archive : "";
  menu_begin_page("ROM Selection", at_locations ? "Drives and locations" : fe.browse_dir);

  if (menu_item(at_locations ? "(locations)" : ".. (parent folder)", nullptr, 1, nullptr,
                "Go up one level.")) {
    if (!at_locations) browse_go_up();
    menu_end_page();
    return;
  }

  if (!at_locations) {
    char candidate[FILE_PATH_MAX];
    if (archive[0] && path_join(candidate, sizeof candidate, fe.browse_dir, archive) &&
        path_is_file(candidate) &&
        menu_item("Use this folder's ROM", archive, 1, nullptr, candidate)) {
      switch_rom(candidate);
      menu_end_page();
      return;
    }
  }

  if (menu_item("Show", fe.browse_show_all ? "All files" : "ZIP archives", 1, nullptr,
                "Toggle between ZIP archives only and every file.")) {
    fe.browse_show_all = !fe.browse_show_all;
  }

  for (int32_t i = 0; i < fe.browse_count; i++) {
    const dir_entry* entry = &fe.browse_entries[i];
    const int zip = browse_is_zip(entry->name);
    if (!entry->is_dir && !zip && !fe.browse_show_all) continue;
    char label[560];
    snprintf(label, sizeof label, "%s%s", entry->name, entry->is_dir ? "/" : "");
    const char* value = entry->is_dir                       ? "folder"
                        : strcmp(entry->name, archive) == 0 ? "expected name"
                        : zip                               ? "zip"
                                                            : "";
    if (!menu_item(label, value, 1, nullptr, nullptr)) continue;
    // Locations are whole paths. The target is built before the listing it names is replaced.
    char target[FILE_PATH_MAX];
    if (at_locations) {
      snprintf(target, sizeof target, "%s", entry->name);
    } else {
      path_join(target, sizeof target, fe.browse_dir, entry->name);
    }
    if (entry->is_dir) {
      browse_open_folder(target);
    } else {
      switch_rom(target);
    }
    break;  // the listing may be gone: the rest of it waits for the next frame
  }

  menu_end_page();
  if (menu_page_gone()) return;
  if (fe.menu.nav_back) {
    rom_selection_forget();
    save_settings();  // keeps the browse folder as browse_dir
    menu_pop_page();
  }
}
