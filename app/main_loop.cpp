// The main loop's iteration: events and their routing, hotkeys, stick navigation, the advance
// step with its pacing, the frame rate, drawing with the page dispatch, profiling and sleeping.
#include "app/main_loop.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/composition.h"
#include "frontend/frame_step.h"
#include "frontend/frontend_state.h"
#include "frontend/game_lifecycle.h"
#include "frontend/log.h"
#include "frontend/messages.h"
#include "frontend/page_stack.h"
#include "frontend/picture.h"
#include "frontend/quit_signals.h"
#include "frontend/rewind.h"
#include "frontend/screenshot.h"
#include "frontend/settings_model.h"
#include "frontend/slots.h"
#include "menu/menu_pages.h"

const menu_page_entry* main_loop_pages = menu_page_table;

enum {
  STICK_THRESHOLD = 20000,
  STICK_FIRST_REPEAT_MS = 350,
  STICK_REPEAT_MS = 110,
  MENU_SLEEP_MS = 8,
};
static const int32_t PROFILE_LOOPS = 120;
// More presented pictures a second than any display shows: vsync did not hold them.
static const double VSYNC_MAX_HZ = 400.0;

// Frame periods owed are compared with this much slack: four periods added up and taken off
// again one by one do not come out exact in floating point.
static const double PACING_TOLERANCE_MS = 1e-6;
// Frames owed are capped at this many periods, and at most this many run in one loop.
static const int32_t MAX_STEPS_PER_LOOP = 4;

static uint64_t ticks_for_ms(uint64_t ms) {
  return ms * fe.frequency / 1000;
}

static double ms_for_ticks(uint64_t ticks) {
  return fe.frequency ? double(ticks) * 1000.0 / double(fe.frequency) : 0.0;
}

static double frame_period_ms() {
  return fe.adapter->fps > 0.0 ? 1000.0 / fe.adapter->fps : 1000.0 / 60.0;
}

int main_loop_frame_limit_reached() {
  return fe.frame_limit > 0 && fe.frame_counter >= uint64_t(fe.frame_limit);
}

// --- menu input latches

struct menu_latches {
  int32_t up, down, left, right, accept, back, page_up, page_down, row_action;
  int32_t mouse_x, mouse_y, mouse_moved, mouse_click, wheel;
};

static menu_latches latches_save() {
  const menu_state& m = fe.menu;
  return {m.nav_up,   m.nav_down,    m.nav_left,      m.nav_right,  m.nav_accept,
          m.nav_back, m.nav_page_up, m.nav_page_down, m.row_action, m.mouse_x,
          m.mouse_y,  m.mouse_moved, m.mouse_click,   m.wheel};
}

static void latches_restore(const menu_latches& l) {
  menu_state& m = fe.menu;
  m.nav_up = l.up;
  m.nav_down = l.down;
  m.nav_left = l.left;
  m.nav_right = l.right;
  m.nav_accept = l.accept;
  m.nav_back = l.back;
  m.nav_page_up = l.page_up;
  m.nav_page_down = l.page_down;
  m.row_action = l.row_action;
  m.mouse_x = l.mouse_x;
  m.mouse_y = l.mouse_y;
  m.mouse_moved = l.mouse_moved;
  m.mouse_click = l.mouse_click;
  m.wheel = l.wheel;
}

static void latches_clear(int32_t mouse_x, int32_t mouse_y) {
  menu_clear_latches();
  fe.menu.mouse_x = mouse_x;
  fe.menu.mouse_y = mouse_y;
}

// --- routing while the menu is open

static void menu_key(const input_event* event) {
  menu_state& m = fe.menu;
  const int fresh = !event->repeat;
  switch (event->scancode) {
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_SPACE:
    case SDL_SCANCODE_KP_ENTER:
      if (fresh) m.nav_accept = 1;
      break;
    case SDL_SCANCODE_ESCAPE:
    case SDL_SCANCODE_BACKSPACE:
      if (fresh) m.nav_back = 1;
      break;
    case SDL_SCANCODE_TAB:
      if (fresh) m.row_action = 1;
      break;
    case SDL_SCANCODE_DELETE:
      if (fresh) m.row_action = 2;
      break;
    case SDL_SCANCODE_PAGEUP:
      m.nav_page_up = 1;
      break;
    case SDL_SCANCODE_PAGEDOWN:
      m.nav_page_down = 1;
      break;
    case SDL_SCANCODE_UP:
      m.nav_up = 1;
      break;
    case SDL_SCANCODE_DOWN:
      m.nav_down = 1;
      break;
    case SDL_SCANCODE_LEFT:
      m.nav_left = 1;
      break;
    case SDL_SCANCODE_RIGHT:
      m.nav_right = 1;
      break;
    default:
      break;
  }
}

static void menu_button(int32_t button) {
  menu_state& m = fe.menu;
  switch (button) {
    case SDL_CONTROLLER_BUTTON_A:
      m.nav_accept = 1;
      break;
    case SDL_CONTROLLER_BUTTON_B:
      m.nav_back = 1;
      break;
    case SDL_CONTROLLER_BUTTON_Y:
      m.row_action = 1;
      break;
    case SDL_CONTROLLER_BUTTON_X:
      m.row_action = 2;
      break;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
      m.nav_page_up = 1;
      break;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
      m.nav_page_down = 1;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
      m.nav_up = 1;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
      m.nav_down = 1;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
      m.nav_left = 1;
      break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
      m.nav_right = 1;
      break;
    default:
      break;
  }
}

static void route_to_menu(const input_event* event) {
  const int32_t top = menu_top_page();
  if (top < 0 || top >= MENU_PAGE_COUNT) return;
  const menu_page_entry& entry = main_loop_pages[top];
  if (entry.event || top == MENU_PAGE_CAPTURE) {
    // A page that takes raw input (the binding capture) gets keys, buttons and axes alone.
    if (entry.event &&
        (event->type == INPUT_EVENT_KEY_DOWN || event->type == INPUT_EVENT_PAD_BUTTON ||
         event->type == INPUT_EVENT_PAD_AXIS)) {
      entry.event(event);
    }
    return;
  }
  menu_state& m = fe.menu;
  switch (event->type) {
    case INPUT_EVENT_KEY_DOWN:
      menu_key(event);
      break;
    case INPUT_EVENT_PAD_BUTTON:
      menu_button(event->button);
      break;
    case INPUT_EVENT_MOUSE_MOTION:
      m.mouse_x = event->x;
      m.mouse_y = event->y;
      if (fe.mouse_seen && (event->x != fe.mouse_prev_x || event->y != fe.mouse_prev_y)) {
        m.mouse_moved = 1;
      }
      fe.mouse_prev_x = event->x;
      fe.mouse_prev_y = event->y;
      fe.mouse_seen = 1;
      break;
    case INPUT_EVENT_MOUSE_BUTTON:
      if (event->button == SDL_BUTTON_LEFT) {
        m.mouse_click = 1;
      } else if (event->button == SDL_BUTTON_RIGHT) {
        m.nav_back = 1;
      } else {
        break;
      }
      m.mouse_x = event->x;
      m.mouse_y = event->y;
      break;
    case INPUT_EVENT_MOUSE_WHEEL:
      m.wheel += event->wheel;
      break;
    default:
      break;  // axes steer the menu through the stick navigation, not as events
  }
}

// --- hotkeys while the menu is closed

static void step_slot(int32_t by) {
  fe.slot += by;
  if (fe.slot < 1) fe.slot = 10;
  if (fe.slot > 10) fe.slot = 1;
  show_toast("Slot %d", fe.slot);
}

static void handle_hotkeys(const input_event* event) {
  // Tier 1: the menu, with Escape always among its keys.
  const int escape = event->type == INPUT_EVENT_KEY_DOWN && !event->repeat &&
                     event->scancode == SDL_SCANCODE_ESCAPE;
  if (escape || hotkey_event_matches(event, HOTKEY_MENU)) {
    open_menu(fe.running ? MENU_PAGE_PAUSE : MENU_PAGE_MAIN);
    return;
  }
  // Tier 2: the slots. A match ends the event even when the action is unavailable.
  if (hotkey_event_matches(event, HOTKEY_QUICK_SAVE)) {
    if (fe.feature_enabled[FEATURE_SAVE_STATES]) save_slot(fe.slot);
    return;
  }
  if (hotkey_event_matches(event, HOTKEY_QUICK_LOAD)) {
    if (fe.feature_enabled[FEATURE_SAVE_STATES]) load_slot(fe.slot);
    return;
  }
  if (hotkey_event_matches(event, HOTKEY_SLOT_PREV)) {
    step_slot(-1);
    return;
  }
  if (hotkey_event_matches(event, HOTKEY_SLOT_NEXT)) {
    step_slot(+1);
    return;
  }
  // Tier 3: the rest, first match only. The rewind hotkey is held, read by the advance step.
  if (hotkey_event_matches(event, HOTKEY_SCREENSHOT)) {
    take_screenshot();
  } else if (hotkey_event_matches(event, HOTKEY_FULLSCREEN)) {
    fe.settings.fullscreen = !fe.settings.fullscreen;
    apply_window_mode();
    save_settings();
  } else if (hotkey_event_matches(event, HOTKEY_PAUSE)) {
    fe.paused = !fe.paused;
    release_inputs();
    clear_audio();
  } else if (hotkey_event_matches(event, HOTKEY_TOGGLE_FPS)) {
    gadget_config& fps = fe.settings.gadgets[GADGET_FPS];
    fps.enabled = !fps.enabled;
  } else if (hotkey_event_matches(event, HOTKEY_RESET)) {
    // The question stands on the pause menu, opened the usual way: inputs released, sound off.
    open_menu(MENU_PAGE_PAUSE);
    show_confirm(CONFIRM_RESTART, 0, "Restart the game? Unsaved progress will be lost.");
  }
}

// --- events

void main_loop_handle_event(const input_event* event) {
  switch (event->type) {
    case INPUT_EVENT_QUIT:
      if (fe.running) stop_game(fe.settings.autosave_exit);
      fe.quit = 1;
      return;
    case INPUT_EVENT_WINDOW_SHOWN:
      recheck_vsync_pacing();
      return;
    case INPUT_EVENT_FOCUS_LOST:
      release_inputs();
      if (fe.running && !fe.menu_open && fe.settings.pause_on_focus_loss) {
        open_menu(MENU_PAGE_PAUSE);
      }
      return;
    case INPUT_EVENT_FILE_DROPPED:
      if (!event->file[0]) return;
      // Over a running game the menu opens first, so ROM Selection and the question show.
      if (!fe.menu_open) open_menu(fe.running ? MENU_PAGE_PAUSE : MENU_PAGE_MAIN);
      menu_push_page(MENU_PAGE_ROM_SELECTION);
      switch_rom(event->file);
      return;
    case INPUT_EVENT_PAD_ADDED:
    case INPUT_EVENT_PAD_REMOVED: {
      // Only controllers the program opened are news: a ninth stays closed and unmentioned.
      const controller_changes changes = rescan_controllers();
      release_inputs();
      if (event->type == INPUT_EVENT_PAD_ADDED && changes.opened > 0) {
        show_toast("Controller connected");
      } else if (event->type == INPUT_EVENT_PAD_REMOVED && changes.closed > 0) {
        show_toast("Controller disconnected");
      }
      return;
    }
    default:
      break;
  }
  if (event->type == INPUT_EVENT_KEY_DOWN && event->alt && event->scancode == SDL_SCANCODE_RETURN) {
    // Full screen only: the key is used up, so it neither activates a menu row nor a hotkey.
    fe.settings.fullscreen = !fe.settings.fullscreen;
    apply_window_mode();
    return;
  }
  if (fe.menu_open) {
    route_to_menu(event);
  } else if (event->type == INPUT_EVENT_KEY_DOWN || event->type == INPUT_EVENT_PAD_BUTTON) {
    handle_hotkeys(event);
  }
}

// --- sticks and the menu combination

static void set_direction_latch(int32_t direction) {
  menu_state& m = fe.menu;
  if (direction == 1) m.nav_up = 1;
  if (direction == 2) m.nav_down = 1;
  if (direction == 3) m.nav_left = 1;
  if (direction == 4) m.nav_right = 1;
}

void main_loop_stick_navigation(const input_snapshot* input) {
  int32_t pads = input->controller_count;
  if (pads > INPUT_MAX_PADS) pads = INPUT_MAX_PADS;
  int32_t direction = 0;
  for (int32_t pad = 0; pad < pads && !direction; pad++) {
    const int32_t x = input->axes[pad][SDL_CONTROLLER_AXIS_LEFTX];
    const int32_t y = input->axes[pad][SDL_CONTROLLER_AXIS_LEFTY];
    if (y < -STICK_THRESHOLD) {
      direction = 1;
    } else if (y > STICK_THRESHOLD) {
      direction = 2;
    } else if (x < -STICK_THRESHOLD) {
      direction = 3;
    } else if (x > STICK_THRESHOLD) {
      direction = 4;
    }
  }
  if (!direction) {
    fe.stick_dir = 0;
    return;
  }
  const uint64_t now = platform_now();
  if (direction != fe.stick_dir) {
    fe.stick_dir = direction;
    fe.stick_next = now + ticks_for_ms(STICK_FIRST_REPEAT_MS);
    set_direction_latch(direction);
  } else if (now >= fe.stick_next) {
    fe.stick_next = now + ticks_for_ms(STICK_REPEAT_MS);
    set_direction_latch(direction);
  }
}

// --- the advance step

// Presenting waits for the display only when vsync is on and the renderer really waits: some
// (the software renderer) accept vsync and return at once, and the loop must then sleep itself.
static int vsync_paces() {
  return fe.settings.vsync && !fe.vsync_unpaced;
}

static int display_sync_paces() {
  if (fe.settings.pacing != 1 || !vsync_paces()) return 0;
  const int32_t hz = platform->display_refresh();
  return hz >= 59 && hz <= 61;
}

static int may_step() {
  return fe.running && !fe.menu_open && !main_loop_frame_limit_reached();
}

void main_loop_advance(uint64_t elapsed_ticks) {
  const double elapsed_ms = ms_for_ticks(elapsed_ticks);

  if (fe.rewind.entries) {
    input_snapshot input;
    platform->read_input(&input);
    fe.rewinding = binding_pressed(&fe.hotkeys[HOTKEY_REWIND], 0, &input);
    if (fe.rewinding) {
      rewind_step_back();  // shows its own picture; audio and the accumulator are cleared
      return;
    }
  } else {
    fe.rewinding = 0;
  }

  if (display_sync_paces()) {
    if (may_step()) run_frame_step();
  } else {
    const double period = frame_period_ms();
    fe.accumulator += elapsed_ms;
    if (fe.accumulator > MAX_STEPS_PER_LOOP * period) fe.accumulator = MAX_STEPS_PER_LOOP * period;
    for (int32_t steps = 0;
         steps < MAX_STEPS_PER_LOOP && may_step() && fe.accumulator + PACING_TOLERANCE_MS >= period;
         steps++) {
      run_frame_step();
      fe.accumulator -= period;
      if (fe.accumulator < 0.0) fe.accumulator = 0.0;
    }
  }

  if (fe.running) {
    fetch_frame();
    upload_frame();
  }
}

// --- drawing

static int is_overlay(int32_t page) {
  return page == MENU_PAGE_CONFIRM || page == MENU_PAGE_ERROR || page == MENU_PAGE_CAPTURE;
}

// Pages that show under an overlay (Player Controllers, Gadgets and About do not).
static int drawn_beneath(int32_t page) {
  return (page >= MENU_PAGE_MAIN && page <= MENU_PAGE_CONTROLS) || page == MENU_PAGE_HOTKEYS ||
         page == MENU_PAGE_GAMEPLAY || page == MENU_PAGE_EXTRAS ||
         (page >= MENU_PAGE_SAVE_STATE && page <= MENU_PAGE_ROM_SELECTION);
}

static void run_page(int32_t page) {
  if (page < 0 || page >= MENU_PAGE_COUNT) return;
  if (main_loop_pages[page].draw) main_loop_pages[page].draw();
}

void main_loop_dispatch_page() {
  if (fe.menu.depth <= 0) {
    run_page(MENU_PAGE_MAIN);
  } else {
    const int32_t top = menu_top_page();
    if (is_overlay(top) && fe.menu.depth > 1) {
      // The page beneath draws with every latch cleared, so it can neither move nor act.
      const menu_latches saved = latches_save();
      const int32_t depth = fe.menu.depth;
      latches_clear(-1, fe.menu.mouse_y);
      fe.menu.depth = depth - 1;
      const int32_t beneath = menu_top_page();
      if (drawn_beneath(beneath)) run_page(beneath);
      fe.menu.depth = depth;
      latches_restore(saved);
    }
    run_page(top);
  }
  if (fe.menu_open && fe.menu.depth == 0) menu_settle_empty_stack();
}

void main_loop_set_output(int32_t w, int32_t h) {
  fe.output_w = w;
  fe.output_h = h;
  int32_t unit = w * 100 / 1280;
  if (h * 100 / 760 < unit) unit = h * 100 / 760;
  fe.ui_unit = unit < 45 ? 45 : unit;
}

void main_loop_compose_picture() {
  fe.draw.ops->fill(&fe.draw, 0, 0, fe.output_w, fe.output_h, 0xff000000);
  compose_frame_base();
  if (fe.menu_open) main_loop_dispatch_page();
  compose_frame_overlays();
}

void main_loop_draw_picture() {
  int w = fe.output_w, h = fe.output_h;
  if (fe.renderer) SDL_GetRendererOutputSize(fe.renderer, &w, &h);
  main_loop_set_output(w, h);
  main_loop_compose_picture();
  platform->present();
  fe.pictures_this_second++;
}

static void profile_loop(uint64_t draw_start) {
  const uint64_t now = platform_now();
  fe.present_sum += ms_for_ticks(now - draw_start);
  if (fe.prev_draw_start) fe.loop_sum += ms_for_ticks(draw_start - fe.prev_draw_start);
  fe.prev_draw_start = draw_start;
  if (++fe.profile_loops < PROFILE_LOOPS) return;
  if (getenv("FE_PROFILE")) {
    log_printf("profile: loop %.2f ms, present %.2f ms, game frame %.2f ms, fps %.1f",
               fe.loop_sum / PROFILE_LOOPS, fe.present_sum / PROFILE_LOOPS, fe.frame_time_avg,
               fe.fps);
  }
  fe.present_sum = 0.0;
  fe.loop_sum = 0.0;
  fe.profile_loops = 0;
}

static void sleep_after_loop() {
  if (fe.running && vsync_paces() && !fe.menu_open) return;  // vsync paces the loop
  if (fe.menu_open || !fe.running) {
    platform->delay(MENU_SLEEP_MS);
    return;
  }
  const double until_due = frame_period_ms() - fe.accumulator - 1.0;
  if (until_due > 1.0) platform->delay(uint32_t(until_due));
}

// Why no game frame runs, for the log of an unattended run that gives up.
static void why_no_frame(char* out, size_t out_size) {
  if (!fe.running) {
    if (fe.menu_open && menu_top_page() == MENU_PAGE_ERROR) {
      snprintf(out, out_size, "no game is running; on screen: %s", fe.error_title);
    } else {
      snprintf(out, out_size, "no game is running");
    }
  } else if (fe.menu_open) {
    snprintf(out, out_size, "the menu is open");
  } else if (fe.paused) {
    snprintf(out, out_size, "the game is paused");
  } else {
    snprintf(out, out_size, "the game does not advance");
  }
}

// An unattended run (--frames N) that runs no game frame for N frame periods, and at least a
// second (a slow first frame is no reason to give up), would wait for ever: it ends with exit
// status 1 and says why.
static void watch_frame_limit(uint64_t frames_before, uint64_t now) {
  if (fe.frame_limit <= 0 || fe.quit) return;
  if (fe.frame_counter != frames_before || fe.frame_idle_since == 0) {
    fe.frame_idle_since = now;
    return;
  }
  double wait_ms = fe.frame_limit * frame_period_ms();
  if (wait_ms < 1000.0) wait_ms = 1000.0;
  if (ms_for_ticks(now - fe.frame_idle_since) < wait_ms) return;
  char reason[160];
  why_no_frame(reason, sizeof reason);
  log_printf("--frames %d: no game frame ran for %.0f ms (%s); giving up", int(fe.frame_limit),
             wait_ms, reason);
  fe.exit_code = 1;
  fe.quit = 1;
}

void main_loop_iteration() {
  const uint64_t frames_before = fe.frame_counter;
  // 1-2. Latches afresh, then this loop's events.
  int mouse_x = -1, mouse_y = -1;
  SDL_GetMouseState(&mouse_x, &mouse_y);
  latches_clear(mouse_x, mouse_y);
  SDL_Event sdl_event;
  while (SDL_PollEvent(&sdl_event)) {
    input_event event;
    if (input_event_from_sdl(&sdl_event, &event) != INPUT_EVENT_NONE) {
      main_loop_handle_event(&event);
    }
  }
  // A quit signal (a closed terminal, kill, Ctrl+C) ends the run like closing the window.
  if (const int signal_number = quit_signal_take()) {
    log_printf("%s received: quitting", quit_signal_name(signal_number));
    input_event quit = {};
    quit.type = INPUT_EVENT_QUIT;
    main_loop_handle_event(&quit);
  }

  // 3-4. Sticks steer the open menu; the controller combination opens it over the game.
  input_snapshot input;
  platform->read_input(&input);
  if (fe.menu_open) main_loop_stick_navigation(&input);
  const int combo = menu_combo_held(&input);
  if (combo && !fe.combo_held_before && fe.running && !fe.menu_open) open_menu(MENU_PAGE_PAUSE);
  fe.combo_held_before = combo;

  // 5-6. Time, and the game's advance. The rewind mark only lasts while rewinding happens.
  const uint64_t now = platform_now();
  const uint64_t elapsed = now - fe.last_loop;
  fe.last_loop = now;
  if (fe.running && !fe.menu_open && !fe.paused) {
    main_loop_advance(elapsed);
  } else {
    fe.rewinding = 0;
    // No frame runs, so no upload would show a new colour table (brightness, gamma, defaults
    // restored): the last frame goes through it again, and the Display page's preview follows.
    if (fe.running && fe.colour_dirty) upload_frame();
  }

  // 7. Frame rate over windows of at least a second.
  if (now - fe.fps_window_start >= fe.frequency) {
    const double window_ms = ms_for_ticks(now - fe.fps_window_start);
    fe.fps = window_ms > 0.0 ? fe.frames_this_second * 1000.0 / window_ms : 0.0;
    // No display refreshes this often: presents that came so fast were not held by vsync.
    const double pictures_per_second =
        window_ms > 0.0 ? fe.pictures_this_second * 1000.0 / window_ms : 0.0;
    if (vsync_paces() && pictures_per_second > VSYNC_MAX_HZ) fe.vsync_unpaced = 1;
    fe.frames_this_second = 0;
    fe.pictures_this_second = 0;
    fe.fps_window_start = now;
  }

  // 8-10. The picture, the timing log, the sleep.
  const uint64_t draw_start = platform_now();
  main_loop_draw_picture();
  profile_loop(draw_start);
  sleep_after_loop();

  // 11. An unattended run ends once its frames have run, or when none can run.
  if (main_loop_frame_limit_reached()) fe.quit = 1;
  watch_frame_limit(frames_before, platform_now());
}
