// Finding and applying the game profile; the feature table.
#include "app/startup_profile.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "frontend/file_util.h"
#include "frontend/frontend_state.h"
#include "frontend/log.h"
#include "frontend/messages.h"

// The --profile file was asked for by name and is not used: the toast that start-up shows is
// kept in fe.profile_notice.
static void note_requested_profile_unused(const char* path, const char* reason) {
  format_file_failure(fe.profile_notice, sizeof fe.profile_notice, "Profile not used: ", path,
                      reason, "");
}

// The first profile file that exists, into path; 0 when none does. A requested file that is
// missing or no file is said so, and the search goes on.
static int find_profile(const char* requested, const char* name, char* path) {
  if (requested) {
    // Only looked at: a file too large or not a profile is refused by the load, and said then.
    file_reader reader;
    char reason[FILE_MESSAGE_MAX];
    if (file_open_read(&reader, requested, UINT64_MAX, reason, sizeof reason)) {
      file_close_read(&reader);
      snprintf(path, FILE_PATH_MAX, "%s", requested);
      return 1;
    }
    char line[FILE_MESSAGE_MAX + 256], tail[160];
    snprintf(tail, sizeof tail, "; looking for %s instead", name);
    format_file_failure(line, sizeof line, "cannot read --profile ", requested, reason, tail);
    log_printf("%s", line);
    note_requested_profile_unused(requested, reason);
  }
  char folder[FILE_PATH_MAX];
  path_join(folder, sizeof folder, fe.data_dir, "profiles");
  if (path_join(path, FILE_PATH_MAX, folder, name) && path_is_file(path)) return 1;
  if (fe.base_dir[0]) {
    path_join(folder, sizeof folder, fe.base_dir, "profiles");
    if (path_join(path, FILE_PATH_MAX, folder, name) && path_is_file(path)) return 1;
  }
  const int n = snprintf(folder, sizeof folder, "%s../share/%s/profiles", fe.base_dir,
                         fe.adapter_copy.id ? fe.adapter_copy.id : "");
  if (n < 0 || size_t(n) >= sizeof folder) return 0;  // a cut path names another folder
  return path_join(path, FILE_PATH_MAX, folder, name) && path_is_file(path);
}

static void apply_profile() {
  game_adapter* game = &fe.adapter_copy;
  const game_profile* p = &fe.profile;
  if (p->title[0]) game->title = p->title;
  if (p->subtitle[0]) game->subtitle = p->subtitle;
  if (p->rom_hint[0]) game->rom_archive = p->rom_hint;
  if (p->aspect > 0) game->aspect = p->aspect;
  if (p->players > 0 && p->players != game->players) {
    log_printf("profile asks for %d players; the adapter defines %d (adapter wins)", p->players,
               game->players);
  }
  if (p->rotation >= 0) {
    if (p->rotation % 90 == 0) {
      game->rotation = uint32_t(p->rotation / 90) & 3;
    } else {
      log_printf("profile rotation %d is not a multiple of 90; ignored", p->rotation);
    }
  }
}

void tell_profile_unusable() {
  if (fe.profile_notice[0]) show_toast("%s", fe.profile_notice);
}

void load_game_profile(const char* requested_file) {
  fe.profile_notice[0] = '\0';
  const game_adapter* game = &fe.adapter_copy;
  const char* profile_id = game->profile_id ? game->profile_id : game->id ? game->id : "";
  char name[96];
  snprintf(name, sizeof name, "%s.json", profile_id);

  char path[FILE_PATH_MAX];
  if (!find_profile(requested_file, name, path)) {
    memset(&fe.profile, 0, sizeof fe.profile);
    log_printf("profile: none found for '%s' (using adapter defaults)", profile_id);
    return;
  }
  if (!profile_load_file(&fe.profile, path)) {
    log_printf("profile %s rejected: %s (using adapter defaults)", path, fe.profile.error);
    if (requested_file && strcmp(path, requested_file) == 0) {
      note_requested_profile_unused(path, fe.profile.error);
    }
    memset(&fe.profile, 0, sizeof fe.profile);
    return;
  }
  log_printf("profile: %s", path);
  const char* game_id = game->id ? game->id : "";
  if (fe.profile.id[0] && strcmp(fe.profile.id, game_id) != 0) {
    log_printf("profile id '%s' does not match game '%s'; ignoring it", fe.profile.id, game_id);
    memset(&fe.profile, 0, sizeof fe.profile);
    return;
  }
  apply_profile();
}

void derive_features() {
  const game_adapter* game = &fe.adapter_copy;
  const int states = game->save_state && game->validate_state && game->load_state;
  const int supported[FEATURE_COUNT] = {
      /* save_states */ states,
      /* rewind */ states,
      /* nvram */ game->nvram_save && game->nvram_load,
      /* input_movies */ states,
      /* gadgets */ 1,
      /* input_display */ 1,
      /* screenshots */ 1,
      /* widescreen */ 0,
  };
  size_t length = 0;
  fe.feature_summary[0] = '\0';
  for (int f = 0; f < FEATURE_COUNT; f++) {
    int requested = fe.profile.valid ? fe.profile.features[f] : -1;
    int enabled = supported[f] && requested != 0;
    fe.feature_enabled[f] = enabled;
    const char* result = enabled          ? "on"
                         : supported[f]   ? "off"
                         : requested == 1 ? "unsupported"
                                          : "n/a";
    log_printf("feature %-14s requested=%s supported=%s -> %s", feature_name(f),
               requested == -1 ? "-"
               : requested     ? "yes"
                               : "no",
               supported[f] ? "yes" : "no", result);
    if (f == 0 || length <= 359) {
      snprintf(fe.feature_summary + length, sizeof fe.feature_summary - length, "%s%s: %s",
               f == 0 ? "" : ",  ", feature_name(f), result);
      length = strlen(fe.feature_summary);
    }
  }
}
