// The data folder, the per-user folder name and the ROM archive's candidate places.
#include "app/startup_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

void data_folder_name(const char* title, char* out) {
  size_t n = 0;
  for (const char* c = title ? title : ""; *c && n < 125; c++) {
    if (*c == ':') {
      if (n > 0 && out[n - 1] == ' ') n--;
      out[n++] = ' ';
      out[n++] = '-';
    } else if (strchr("<>\"/\\|?*", *c)) {
      out[n++] = '_';
    } else {
      out[n++] = *c;
    }
  }
  out[n] = '\0';
}

int portable_mode(const char* base_dir, int32_t portable_request, int32_t marker_present,
                  int32_t appimage) {
  return (portable_request || marker_present) && base_dir && base_dir[0] && !appimage;
}

void choose_data_dir(int portable, const char* base_dir, const char* pref_dir, char* out) {
  const char* base = base_dir ? base_dir : "";
  const char* pref = pref_dir ? pref_dir : "";
  const char* chosen = portable ? base : pref[0] ? pref : base[0] ? base : ".";
  snprintf(out, FILE_PATH_MAX, "%s", chosen);
}

void drop_empty_folder_variables() {
  for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
    const char* value = getenv(name);
    if (value && !value[0]) unsetenv(name);
  }
}

int data_dir_fits(const char* data_dir) {
  return strlen(data_dir) + DATA_DIR_RESERVE < FILE_PATH_MAX;
}

int32_t rom_candidates(const char* base_dir, const char* data_dir, const char* home,
                       const char* archive, char out[ROM_CANDIDATES_MAX][FILE_PATH_MAX]) {
  char folders[ROM_CANDIDATES_MAX - 1][FILE_PATH_MAX];
  int32_t count = 0;
  if (base_dir && base_dir[0]) snprintf(folders[count++], FILE_PATH_MAX, "%s", base_dir);
  snprintf(folders[count++], FILE_PATH_MAX, "%s", data_dir);
  path_join(folders[count++], FILE_PATH_MAX, data_dir, "roms");
  if (home && home[0]) {
    path_join(folders[count++], FILE_PATH_MAX, home, "Downloads");
    path_join(folders[count++], FILE_PATH_MAX, home, "roms");
  }
  for (int32_t i = 0; i < count; i++) path_join(out[i], FILE_PATH_MAX, folders[i], archive);
  snprintf(out[count++], FILE_PATH_MAX, "%s", archive);
  return count;
}
