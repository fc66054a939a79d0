// Start-up, as one numbered list: everything frontend_run does before the main loop. A failure
// that ends the run undoes what start-up had done by then and returns 1.
#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "app/command_line.h"
#include "app/frontend_run.h"
#include "app/shutdown.h"
#include "app/startup.h"
#include "app/startup_paths.h"
#include "app/startup_profile.h"
#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/data_lock.h"
#include "frontend/file_util.h"
#include "frontend/frame_buffers.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/game_resume.h"
#include "frontend/log.h"
#include "frontend/messages.h"
#include "frontend/page_stack.h"
#include "frontend/picture.h"
#include "frontend/platform.h"
#include "frontend/quit_signals.h"
#include "frontend/settings_model.h"
#include "frontend/settings_store.h"
#include "frontend/slots.h"
#include "frontend/state_container.h"
#include "ui/text.h"

// What is lost with the data folder as a whole.
static const char DATA_DIR_LOSS[] = "settings, save states, scores, screenshots and movies";

// The paths of the data folder's files and sub-folders, and the sub-folders made. The first
// folder that cannot be had is kept in fe.data_dir_failed with its errno in fe.data_dir_error
// and what goes in it in fe.data_dir_loss (unless the data folder itself failed already); the
// paths are set all the same, so that the writes fail and say why.
static void make_data_paths() {
  struct data_path {
    char* path;
    const char* name;
    const char* holds;  // a folder created here: what goes in it; null for a file
  };
  const data_path paths[] = {
      {fe.settings_path, "settings.ini", nullptr},
      {fe.states_dir, "states", "save states and the autosave"},
      {fe.screenshots_dir, "screenshots", "screenshots"},
      {fe.nvram_dir, "nvram",
       fe.adapter_copy.nvram_save ? "scores and the game's settings" : nullptr},
      {fe.movies_dir, "movies", "movies"},
      {fe.log_path, "frontend.log", nullptr},
  };
  for (const data_path& p : paths) {
    path_join(p.path, FILE_PATH_MAX, fe.data_dir, p.name);
    if (p.holds && !path_make_dirs(p.path) && !fe.data_dir_error) {
      fe.data_dir_error = errno;
      fe.data_dir_loss = p.holds;
      snprintf(fe.data_dir_failed, sizeof fe.data_dir_failed, "%s", p.path);
    }
  }
}

// Removes what atomic writes of a killed run left in the program's own folders: the data
// folder, nvram/, screenshots/ and each of this game's folders under states/. Only while the
// data folder's lock is held, so that no other copy is writing there.
static void remove_stale_temps() {
  int removed = 0;
  for (const char* folder : {fe.data_dir, fe.nvram_dir, fe.screenshots_dir}) {
    removed += remove_stale_temp_files(folder);
  }
  char prefix[64];
  snprintf(prefix, sizeof prefix, "%s-", fe.adapter_copy.id ? fe.adapter_copy.id : "");
  dir_entry* entries = nullptr;
  const int count = list_dir(fe.states_dir, &entries);
  for (int i = 0; i < count; i++) {
    char folder[FILE_PATH_MAX];
    if (entries[i].is_dir && strncmp(entries[i].name, prefix, strlen(prefix)) == 0 &&
        path_join(folder, sizeof folder, fe.states_dir, entries[i].name)) {
      removed += remove_stale_temp_files(folder);
    }
  }
  free(entries);
  if (removed) log_printf("removed %d temporary files an earlier run left unfinished", removed);
}

// The dialog of a second copy on a data folder that one already uses; the log stays the other
// copy's, so the text goes to standard error only.
static void report_folder_in_use() {
  const char* title = fe.adapter_copy.title ? fe.adapter_copy.title : "";
  char heading[160], text[FILE_PATH_MAX + 400];
  snprintf(heading, sizeof heading, "%s is already running", title);
  snprintf(text, sizeof text,
           "The data folder %s is in use by another copy of %s.\n\nClose that copy first, or "
           "start this one with --portable or with another HOME, so that it keeps its settings "
           "and saves elsewhere.",
           fe.data_dir, title);
  log_printf("the data folder %s is in use by another copy; quitting", fe.data_dir);
  // This copy has nothing to save: while the dialog waits, a signal ends it at once.
  quit_signals_restore();
  platform->message_box(heading, text);
}

// Step 4: the data folder, its lock, its files and folders, and the log. 0 when another copy
// of the program uses the folder (the user has been told).
static int open_data_folder(const command_line* cl) {
  char* base = SDL_GetBasePath();
  snprintf(fe.base_dir, sizeof fe.base_dir, "%s", base ? base : "");
  SDL_free(base);

  char marker[FILE_PATH_MAX];
  const int marker_present = fe.base_dir[0] &&
                             path_join(marker, sizeof marker, fe.base_dir, "portable.txt") &&
                             path_is_file(marker);
  const int appimage = getenv("APPIMAGE") != nullptr;
  const int portable = portable_mode(fe.base_dir, cl->portable, marker_present, appimage);
  char* pref = nullptr;
  char pref_error[256] = "";
  if (!portable) {
    char name[DATA_FOLDER_NAME_MAX];
    data_folder_name(fe.adapter_copy.title, name);  // the game's own title, before any profile
    drop_empty_folder_variables();
    pref = SDL_GetPrefPath("Larkspindle", name);
    if (!pref) snprintf(pref_error, sizeof pref_error, "%s", SDL_GetError());
  }
  choose_data_dir(portable, fe.base_dir, pref, fe.data_dir);
  SDL_free(pref);

  // A folder so long that the names inside it would be cut ("movies" as "mov") is not used at
  // all: no path inside it is set, so nothing is written anywhere.
  snprintf(fe.data_dir_failed, sizeof fe.data_dir_failed, "%s", fe.data_dir);
  fe.data_dir_loss = DATA_DIR_LOSS;
  char lock_problem[FILE_MESSAGE_MAX] = "";
  if (!data_dir_fits(fe.data_dir)) {
    fe.data_dir_error = ENAMETOOLONG;
  } else {
    fe.data_dir_error = path_make_dirs(fe.data_dir) ? 0 : errno;
    // Before anything in the folder is touched: the log alone would be truncated under the
    // other copy, and the two would write over each other's autosave.
    if (!data_folder_lock(fe.data_dir, lock_problem, sizeof lock_problem)) {
      report_folder_in_use();
      return 0;
    }
    make_data_paths();
  }
  if (fe.log_path[0]) log_file_open(fe.log_path);
  log_printf("%s starting; data folder %s", fe.adapter_copy.title, fe.data_dir);
  if (lock_problem[0]) log_printf("%s; going on without it", lock_problem);
  fe.data_dir_fallback = pref_error[0] != 0;
  if (fe.data_dir_fallback) log_printf("no per-user folder: %s", pref_error);
  if (fe.data_dir_error) {
    char reason[128];
    file_error_text(fe.data_dir_error, reason, sizeof reason);
    log_printf("folder %s cannot be used (%s); %s will not be kept", fe.data_dir_failed, reason,
               fe.data_dir_loss);
  }
  if (fe.states_dir[0]) remove_stale_temps();
  return 1;
}

// Start-up's problems the user must see, once the window is about to show: over the menu a
// dialog for a data folder that cannot be had, toasts otherwise (a game started at once keeps
// running, and the other problems lose nothing).
static void tell_startup_problems() {
  if (fe.data_dir_fallback && !fe.data_dir_error) {
    show_path_toast("No per-user data folder; using ", fe.data_dir, "");
  }
  if (fe.data_dir_error) {
    char reason[128];
    file_error_text(fe.data_dir_error, reason, sizeof reason);
    if (fe.menu_open) {
      show_error("Data folder unusable",
                 "The folder\n%s\ncannot be used (%s).\n\nThese will not be kept: %s.",
                 fe.data_dir_failed, reason, fe.data_dir_loss);
    } else {
      char tail[128];
      snprintf(tail, sizeof tail, ": %s will not be kept", fe.data_dir_loss);
      show_failure_toast("Cannot use the folder ", fe.data_dir_failed, reason, tail);
    }
  }
  tell_settings_unreadable();
  tell_profile_unusable();
}

// Step 7: defaults, the file, the clamps, then what the features and the command line say.
static void load_settings(const command_line* cl) {
  set_default_settings();
  set_default_bindings();
  fe.slot = 1;
  if (load_settings_file()) apply_loaded_settings();
  if (!fe.feature_enabled[FEATURE_REWIND]) fe.settings.rewind = 0;
  if (cl->rotation >= 0) fe.settings.rotation = cl->rotation & 3;
  if (cl->window_mode >= 0) fe.settings.fullscreen = cl->window_mode;
  if (cl->scale > 0) fe.settings.window_scale = cl->scale;
  if (fe.slot < 1 || fe.slot > 10) fe.slot = 1;
}

void startup_window_size(int32_t desktop_w, int32_t desktop_h, int32_t window_w, int32_t window_h,
                         int32_t* w, int32_t* h) {
  window_size_for_scale(fe.settings.window_scale, w, h);
  if (desktop_w > 0) {
    while (fe.settings.window_scale > 1 && (*w > desktop_w - 40 || *h > desktop_h - 80)) {
      fe.settings.window_scale--;
      window_size_for_scale(fe.settings.window_scale, w, h);
    }
  }
  if (window_w >= 320 && window_h >= 240) {
    *w = window_w;
    *h = window_h;
  }
}

// Steps 9-11: window, renderer, font, texture and buffers. 0 when the run cannot go on.
static int open_display(const command_line* cl) {
  int32_t w = 0, h = 0;
  SDL_DisplayMode desktop;
  if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) desktop.w = desktop.h = 0;
  startup_window_size(desktop.w, desktop.h, cl->window_w, cl->window_h, &w, &h);
  uint32_t flags = SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
  if (fe.settings.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  fe.window = SDL_CreateWindow(fe.adapter_copy.title, SDL_WINDOWPOS_CENTERED,
                               SDL_WINDOWPOS_CENTERED, w, h, flags);
  if (!fe.window) {
    log_printf("SDL_CreateWindow failed: %s", SDL_GetError());
    return 0;
  }
  SDL_SetWindowMinimumSize(fe.window, 320, 240);

  uint32_t renderer_flags = SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE;
  if (fe.settings.vsync) renderer_flags |= SDL_RENDERER_PRESENTVSYNC;
  fe.renderer = SDL_CreateRenderer(fe.window, -1, renderer_flags);
  if (!fe.renderer) fe.renderer = SDL_CreateRenderer(fe.window, -1, SDL_RENDERER_SOFTWARE);
  if (!fe.renderer) {
    log_printf("SDL_CreateRenderer failed: %s", SDL_GetError());
    return 0;
  }
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(fe.renderer, &info) == 0) log_printf("renderer: %s", info.name);
  fe.draw = canvas_for_renderer(fe.renderer);

  if (!font_atlas_init(fe.renderer)) log_printf("font atlas failed to initialise");
  if (!alloc_frame_buffers() || !create_game_texture()) {
    log_printf("out of memory");
    return 0;
  }
  return 1;
}

// Step 13: a usable ROM path from the command line, the settings or the candidate places.
static void find_rom(const command_line* cl) {
  if (cl->rom) snprintf(fe.rom_path, sizeof fe.rom_path, "%s", cl->rom);
  if (fe.rom_path[0] && path_is_file(fe.rom_path)) return;
  char home[FILE_PATH_MAX];
  const int home_known = home_dir(home, sizeof home);
  static char candidates[ROM_CANDIDATES_MAX][FILE_PATH_MAX];
  const int32_t count = rom_candidates(fe.base_dir, fe.data_dir, home_known ? home : nullptr,
                                       fe.adapter_copy.rom_archive, candidates);
  for (int32_t i = 0; i < count; i++) {
    if (!path_is_file(candidates[i])) continue;
    memcpy(fe.rom_path, candidates[i], sizeof fe.rom_path);
    log_printf("found ROM at %s", fe.rom_path);
    return;
  }
}

// Step 15: the --state file. 1 when the game now runs from it.
static int load_state_file(const char* path) {
  uint64_t length = 0;
  int32_t refusal = FILE_READ_OK;
  char reason[FILE_MESSAGE_MAX] = "";
  uint8_t* data =
      read_file_limited(path, STATE_CONTAINER_FILE_MAX, &length, &refusal, reason, sizeof reason);
  if (!data) {
    log_printf("--state %s rejected: %s", path,
               refusal == FILE_MISSING ? "cannot read file" : reason);
    return 0;
  }
  const int loaded = load_state_container(data, size_t(length), reason, 200);
  free(data);
  if (!loaded) {
    log_printf("--state %s rejected: %s", path, reason);
    return 0;
  }
  resume_from_loaded_state();
  return 1;
}

int frontend_start(const game_adapter* game, int argc, char** argv) {
  // 1. State: the block afresh, the descriptor copied; the game is reached only through it.
  memset(&fe, 0, sizeof fe);
  fe.adapter_copy = *game;
  fe.adapter = &fe.adapter_copy;

  // 2. Command line; --help answers before SDL is touched.
  static command_line cl;
  command_line_parse(argc, argv, &cl);
  if (cl.help) {
    char usage[2048];
    command_line_usage(argc > 0 ? argv[0] : "", fe.adapter_copy.rom_archive, usage, sizeof usage);
    printf("%s", usage);
    fflush(stdout);
    return 0;
  }
  fe.frame_limit = cl.frame_limit > 0 ? cl.frame_limit : 0;
  snprintf(fe.screenshot_path, sizeof fe.screenshot_path, "%s", cl.screenshot);

  // 3. SDL, with the quit signals ours first: SDL then leaves SIGINT and SIGTERM alone.
  quit_signals_install();
  SDL_SetHint("SDL_VIDEO_ALLOW_SCREENSAVER", "0");
  SDL_SetHint("SDL_GAMECONTROLLER_USE_BUTTON_LABELS", "0");
  SDL_SetHint("SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS", "0");
  SDL_SetHint("SDL_APP_NAME", fe.adapter_copy.title ? fe.adapter_copy.title : "");
  if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
    fprintf(stderr, "SDL_Init failed: %s\n", SDL_GetError());
    quit_signals_restore();
    return 1;
  }

  // 4-6. Data folder, its lock and the log; the profile; the features it and the descriptor
  // allow.
  if (!open_data_folder(&cl)) {
    SDL_Quit();
    quit_signals_restore();
    return 1;
  }
  load_game_profile(cl.profile);
  derive_features();

  // 7-8. Settings; timing and the colour table.
  load_settings(&cl);
  fe.frequency = platform->frequency();
  fe.colour_dirty = 1;

  // 9-11. Window, renderer, font, texture and buffers.
  if (!open_display(&cl)) {
    frontend_release();
    return 1;
  }

  // 12. Controllers and sound.
  rescan_controllers();
  open_audio();

  // 13-14. The ROM set.
  find_rom(&cl);
  if (fe.rom_path[0]) {
    load_rom(fe.rom_path);
  } else {
    snprintf(fe.rom_status, sizeof fe.rom_status,
             "No ROM selected. Choose ROM Selection and pick %s.", fe.adapter_copy.rom_archive);
  }
  if (fe.rom_ready) save_settings();
  upload_frame();

  // 15. A state to start from.
  int no_menu = cl.no_menu;
  if (cl.state && fe.rom_ready && load_state_file(cl.state)) no_menu = 1;

  // 16. The first page, or the game.
  if (!fe.running) {
    if (no_menu && fe.rom_ready) start_game();
    if (!fe.running) open_menu(MENU_PAGE_MAIN);
  }
  if (fe.rom_ready) refresh_slot_info();
  tell_startup_problems();

  // 17. The loop's clocks start now.
  fe.last_loop = platform_now();
  fe.fps_window_start = fe.last_loop;
  return -1;
}
