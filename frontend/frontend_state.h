// The frontend's one block of global state, `fe`, and the plain records it is made of: the
// settings record with its gadgets and bindings, the slot browser records, the rewind ring, the
// menu state and the ids of hotkeys, menu pages and confirmation actions. Every frontend and menu
// module reads and writes this block on the main thread; nothing here has behaviour of its own.
// frontend_run zero-fills the block at start-up, so every field starts at 0 unless start-up says
// otherwise.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <cstdio>

#include "adapter/game_adapter.h"
#include "frontend/file_util.h"
#include "frontend/game_profile.h"
#include "frontend/settings_store.h"
#include "ui/canvas.h"

// --- fixed capacities (descriptor counts beyond them are cut to them, never overrun)
enum {
  FE_MAX_INPUTS = 40,             // input bindings, pulse counters and held flags
  FE_MAX_READOUTS = 8,            // readouts that get a gadget
  FE_MAX_DIP_WORDS = 4,           // DIP words kept in the settings
  FE_GADGETS = 11,                // fps, frame_time, input_display, then one per readout
  FE_MAX_CONTROLLERS = 8,         // game controllers opened at once
  FE_SLOTS = 11,                  // slot 0 is the autosave, 1-10 the user's slots
  FE_AUDIO_SCALED_FRAMES = 4096,  // stereo frames of the frame step's scaled-sample buffer
  FE_AUDIO_CHUNK_BYTES = 16384,   // bytes taken from the resampling stream at a time
  FE_REWIND_CAPACITY = 4096,      // snapshots the rewind ring holds at most
  MENU_STACK_MAX = 16,            // pages stacked at most
  MENU_PAGE_COUNT = 18,           // menu_page ids 0-17
};

// Gadget records: fps, frame time, input display, then the readouts in table order.
enum { GADGET_FPS = 0, GADGET_FRAME_TIME = 1, GADGET_INPUT_DISPLAY = 2, GADGET_FIRST_READOUT = 3 };

// Hotkeys, in the order of their bindings and settings keys.
enum hotkey_id {
  HOTKEY_MENU = 0,
  HOTKEY_QUICK_SAVE = 1,
  HOTKEY_QUICK_LOAD = 2,
  HOTKEY_SLOT_PREV = 3,
  HOTKEY_SLOT_NEXT = 4,
  HOTKEY_SCREENSHOT = 5,
  HOTKEY_FULLSCREEN = 6,
  HOTKEY_REWIND = 7,
  HOTKEY_PAUSE = 8,
  HOTKEY_TOGGLE_FPS = 9,
  HOTKEY_RESET = 10,
  HOTKEY_COUNT = 11,
};

// Menu pages; 14-16 are overlays drawn over the page beneath them.
enum menu_page {
  MENU_PAGE_MAIN = 0,
  MENU_PAGE_PAUSE = 1,
  MENU_PAGE_DISPLAY = 2,
  MENU_PAGE_AUDIO = 3,
  MENU_PAGE_CONTROLS = 4,
  MENU_PAGE_PLAYER_CONTROLLERS = 5,
  MENU_PAGE_HOTKEYS = 6,
  MENU_PAGE_GAMEPLAY = 7,
  MENU_PAGE_GADGETS = 8,
  MENU_PAGE_EXTRAS = 9,
  MENU_PAGE_ABOUT = 10,
  MENU_PAGE_SAVE_STATE = 11,
  MENU_PAGE_LOAD_STATE = 12,
  MENU_PAGE_ROM_SELECTION = 13,
  MENU_PAGE_CONFIRM = 14,
  MENU_PAGE_ERROR = 15,
  MENU_PAGE_CAPTURE = 16,
  MENU_PAGE_GADGET_EDITOR = 17,
};

// What the confirmation dialog does after "Yes" (value: the slot, or 99 for the movie).
enum confirm_action {
  CONFIRM_PLAY_MOVIE = 0,
  CONFIRM_EXIT = 1,
  CONFIRM_MAIN_MENU = 2,
  CONFIRM_RESTART = 3,
  CONFIRM_LOAD_SLOT = 4,
  CONFIRM_SAVE_SLOT = 5,
  CONFIRM_NEW_GAME = 6,
  CONFIRM_RESET_SETTINGS = 7,
  CONFIRM_DEFAULT_CONTROLS = 8,
  CONFIRM_DELETE_SLOT = 9,
  CONFIRM_SWITCH_ROM = 10,
  CONFIRM_EXIT_UNSAVED = 11,       // the autosave of an exit failed: exit without it
  CONFIRM_MAIN_MENU_UNSAVED = 12,  // the same for the return to the Main Menu
};

// Files the program writes in the background, whose failures are reported once per kind.
enum write_kind { WRITE_SETTINGS = 0, WRITE_NVRAM = 1, WRITE_KINDS = 2 };

// One input or hotkey binding. Keys are SDL scancodes; controller codes 0-99 are buttons,
// 100 + 2 * axis a stick axis pushed negative and 100 + 2 * axis + 1 pushed positive.
struct input_binding {
  int32_t key;         // -1 = none
  int32_t alt_key;     // -1 = none
  int32_t controller;  // -1 = none
};

// One on-screen gadget.
struct gadget_config {
  int32_t enabled;  // 0 or 1
  int32_t
      position;  // 0 top left, 1 top right, 2 bottom left, 3 bottom right, 4/5 top/bottom centre
  int32_t size;  // 0 small, 1 medium, 2 large
  int32_t offset_x;  // hundredths of ui_unit, -400..400
  int32_t offset_y;  // hundredths of ui_unit, -300..300
};

// Every user choice that settings.ini keeps, in file order; set_default_settings fills it.
struct frontend_settings {
  // [display]
  int32_t fullscreen;     // = 0; 1 when "SteamDeck" or "STEAM_DECK" is set
  int32_t window_scale;   // = 3; 1..8 at load (the command line may go beyond)
  int32_t scale_mode;     // = 0 fit; 1 integer multiples
  int32_t aspect_mode;    // = 0 the game's aspect; 1 square pixels
  int32_t filter;         // = 0 nearest; 1 linear
  int32_t vsync;          // = 1
  int32_t pacing;         // = 0 exact game rate; 1 display sync
  int32_t scanlines;      // = 0 percent, 0..100
  int32_t mask;           // = 0 off; 1 aperture grille, 2 shadow mask, 3 slot mask
  int32_t mask_strength;  // = 30 percent, 0..100
  int32_t brightness;     // = 100 percent, 50..150
  int32_t gamma;          // = 100 percent, 50..200
  int32_t border;         // = 1; 0 black, 1 gradient wallpaper, 2 ambient glow
  int32_t rotation;       // = the game's rotation & 3; quarter turns clockwise
  // [audio]
  int32_t volume;      // = 80 percent, 0..100
  int32_t mute;        // = 0
  int32_t latency_ms;  // = 64, 16..250
  char device[256];    // = "" (system default)
  // [ui]
  int32_t accent;               // = 0, index into the accent table, 0..5
  int32_t autosave_exit;        // = 1
  int32_t autosave_menu;        // = 1
  int32_t pause_on_focus_loss;  // = 1
  int32_t rewind;               // = 0; forced to 0 without the rewind feature
  int32_t rewind_mb;            // = 64, 16..512
  // [input]
  int32_t deadzone;              // = 30 percent, 5..90
  int32_t menu_combo;            // = 0 Back+Start, 1 Guide, 2 right stick, 3 both sticks
  int32_t player_controller[4];  // = 0, 1, 2, 3; -1 automatic (player N -> controller N-1)
  // [gameplay]
  uint16_t dip_words[FE_MAX_DIP_WORDS];  // = 0xFFFF with each switch's default under its mask
  // [gadgets]
  gadget_config gadgets[FE_GADGETS];  // see GADGET_*
};

// What the slot browser knows of one slot file; index 0 is the autosave.
struct slot_info {
  int32_t exists;          // the file is there
  int32_t usable;          // it parses and the game accepts it
  char reason[160];        // why it cannot be loaded
  int64_t save_time;       // seconds since 1970; void when exists is 0
  uint32_t frame_counter;  // low 32 bits of the frame counter at saving
  int32_t thumb_width;     // thumbnail size in pixels
  int32_t thumb_height;
  SDL_Texture* thumbnail;  // RGB565 texture owned by the record, or null
};

// One compressed snapshot of the rewind ring: a heap block of this head and the zlib stream.
struct rewind_entry {
  uint32_t raw_size;     // bytes of the board state blob
  uint32_t packed_size;  // bytes of data[]
  uint8_t data[];        // zlib stream (level 1)
};

// Snapshots of the running game, oldest at head; allocated when entries is not null.
struct rewind_ring {
  rewind_entry** entries;  // capacity pointers, or null when rewind is off
  uint64_t* sizes;         // stored size of each entry (packed size + 8)
  int32_t capacity;        // FE_REWIND_CAPACITY when allocated
  int32_t head;            // index of the oldest entry
  int32_t count;           // entries held
  uint64_t total;          // sum of sizes[] of the entries held
  uint64_t budget;         // rewind_mb << 20
  uint8_t* scratch;        // compress/unpack buffer reused by every capture and step back, or null
  uint64_t scratch_size;   // bytes of scratch; grows to the largest need, freed with the ring
};

// The immediate-mode menu: page stack, per-page cursors, this frame's input latches and the
// geometry of the page being drawn.
struct menu_state {
  int32_t page_stack[MENU_STACK_MAX];  // menu_page ids, bottom first
  int32_t depth;                       // pages stacked; 0 = none (counts as the Main Menu)
  int32_t cursor[MENU_PAGE_COUNT];     // selected row per page; kept while other pages show
  int32_t first_row[MENU_PAGE_COUNT];  // first row on screen per page
  float highlight_y;                   // animated highlight top in pixels; below 0 = jump
  uint64_t page_open_time;             // counter ticks when the top page opened (fade-in)
  // Input latches: cleared at the start of every loop, set from this loop's events.
  int32_t nav_up, nav_down, nav_left, nav_right;
  int32_t nav_accept, nav_back;
  int32_t nav_page_up, nav_page_down;
  int32_t row_action;  // 0 none, 1 Tab or Y, 2 Delete or X
  int32_t mouse_x;     // pointer position this loop; -1 = none
  int32_t mouse_y;
  int32_t mouse_moved;  // the pointer moved this loop
  int32_t mouse_click;  // left button pressed this loop
  int32_t wheel;        // vertical wheel steps this loop
  // Geometry of the current page, set by menu_begin_page.
  int32_t rows_emitted;  // rows emitted so far this frame
  int32_t row_height, list_x, list_width, list_top, list_bottom, visible_rows;
  char hint[256];  // hint of the selected row, shown in the footer
  // Which page is being drawn, so that a row's action that changes the page stack or closes the
  // menu ends that page's frame: every stack change counts here, and menu_begin_page notes the
  // count, the depth, the top page and whether the menu was open.
  uint32_t stack_changes;   // bumped by every push, pop, replacement and close; wraps
  uint32_t drawn_changes;   // stack_changes when the page being drawn began
  int32_t drawn_page;       // menu_page the current menu_begin_page drew
  int32_t drawn_depth;      // depth then
  int32_t drawn_menu_open;  // menu open then
};

struct frontend_state {
  // --- the game
  game_adapter adapter_copy;    // the descriptor as copied at start-up, adjusted by the profile
  const game_adapter* adapter;  // = &adapter_copy; the only road to the game
  game_profile profile;         // the loaded profile (valid 0 when none applies)
  char profile_notice[160];     // toast for a --profile file that was not used; "" = none
  int32_t feature_enabled[FEATURE_COUNT];  // per feature_id, derived once at start-up
  char feature_summary[400];               // "name: result" list for the About page

  // --- SDL objects (created at start-up, destroyed at shutdown)
  SDL_Window* window;
  SDL_Renderer* renderer;
  canvas draw;                    // what every drawing call draws on (the renderer, or a test's)
  SDL_Texture* game_texture;      // ARGB8888 streaming, native size
  SDL_Texture* scanline_texture;  // 1 x 2*height turned by scanline_rotation; built on first use
  SDL_Texture* mask_texture;      // picture-rectangle size; null when off or failed
  SDL_Texture* glow_texture;      // 24 x 18 render target of the ambient-glow border
  int32_t mask_key[4];            // width, height, mask, strength the mask texture was built for
  // The overlays are built turned as the picture is shown, and the picture is turned on upload
  // (renderers without a GPU turn a texture slowly): picture.cpp keeps these.
  SDL_Texture* turned_texture;  // RGB888 streaming, the upload turned by turned_rotation; or null
  int32_t turned_rotation;      // quarter turns turned_texture holds, 1-3; 0 = not filled
  int32_t scanline_rotation;    // quarter turns scanline_texture was built for
  int32_t mask_rotation;        // quarter turns mask_texture was built for (with mask_key)

  // --- folders and files (2,048 characters each; set at start-up)
  char base_dir[FILE_PATH_MAX];  // folder of the executable, "" when SDL gives none
  char data_dir[FILE_PATH_MAX];
  char settings_path[FILE_PATH_MAX];
  char states_dir[FILE_PATH_MAX];
  char nvram_dir[FILE_PATH_MAX];
  char screenshots_dir[FILE_PATH_MAX];
  char movies_dir[FILE_PATH_MAX];
  char log_path[FILE_PATH_MAX];
  int32_t data_dir_error;  // errno when the data folder or a sub-folder cannot be had (or
                           // ENAMETOOLONG: refused for its length, every path above then "")
  char data_dir_failed[FILE_PATH_MAX];  // the folder that could not be had
  const char* data_dir_loss;            // what goes in that folder, for the messages (static)
  int32_t data_dir_fallback;            // SDL gave no per-user folder: the one beside the
                                        // executable (or the working folder) is used
  char screenshot_path[FILE_PATH_MAX];  // --screenshot file written at exit; "" = none
  int32_t frame_limit;                  // --frames N; 0 = none
  uint64_t frame_idle_since;            // counter time of the last loop that ran a game frame
                                        // (--frames only; 0 = not yet looked)
  int32_t exit_code;                    // what the run returns after shutdown: 0, or 1 when an
                                        // unattended run could run no frame

  // --- settings (settings.ini)
  settings_table settings_file;   // the file as read, plus every key save_settings sets
  int32_t settings_memory_only;   // settings.ini is there but could not be read: never written
  char settings_read_error[256];  // why that read failed, for the start-up toast
  frontend_settings settings;
  input_binding input_bindings[FE_MAX_INPUTS];  // one per adapter input, in table order
  input_binding hotkeys[HOTKEY_COUNT];          // in hotkey_id order
  char rom_path[FILE_PATH_MAX];                 // [paths] rom
  char browse_dir[FILE_PATH_MAX];               // [paths] browse_dir
  int32_t slot;                                 // current slot 1..10

  // --- game lifecycle
  int32_t rom_ready;      // a ROM set is loaded through the descriptor
  char rom_status[512];   // why no ROM is ready; "" when one is
  int32_t nvram_retry;    // the last NVRAM write failed: write at the next save even when clean;
                          // cleared by a good write and by restore_nvram
  int32_t nvram_damaged;  // the set's NVRAM file was there but not taken: keep it as .bad before
                          // the first write over it; set by restore_nvram, cleared once kept
  int32_t running;        // a game is started (cleared by stop_game and a game-program stop)
  int32_t paused;         // pause hotkey
  int32_t menu_open;
  int32_t quit;  // leave the main loop

  // --- picture (buffers allocated at start-up, native width x height)
  uint32_t* frame;    // 0x00RRGGBB as the game delivered it
  uint16_t* frame16;  // x1r5g5b5, used only without the 32-bit picture operation
  uint32_t* upload;   // 0xAARRGGBB after the colour table
  uint8_t colour_table[256];
  int32_t colour_dirty;  // rebuild colour_table before the next upload

  // --- timing
  uint64_t frequency;            // counter ticks per second
  uint64_t last_loop;            // counter at the previous loop
  double accumulator;            // ms of game time owed (exact-rate pacing)
  uint64_t fps_window_start;     // counter at the start of the fps window
  int32_t frames_this_second;    // counted by the frame step
  int32_t pictures_this_second;  // counted by the main loop
  double fps;                    // frames per second of the last window
  double frame_time_avg;         // ms per run_frame, moving average
  uint64_t frame_counter;        // frames since the last game start
  int32_t output_w, output_h;    // renderer output in pixels, read every loop
  int32_t ui_unit;               // max(45, min(w * 100 / 1280, h * 100 / 760))
  int32_t rewinding;             // the rewind hotkey was held in the last advancing loop
  int32_t vsync_unpaced;         // presents outran every display: this renderer's vsync does not
                                 // wait; set by the loop's rate count, cleared by
                                 // recheck_vsync_pacing (window shown, mode or vsync changed)
  // Stick navigation of the menu and the controller menu combination.
  int32_t stick_dir;                               // 0 none, 1 up, 2 down, 3 left, 4 right
  uint64_t stick_next;                             // counter time of the next repeat
  int32_t combo_held_before;                       // menu combination held on the previous loop
  int32_t mouse_prev_x, mouse_prev_y, mouse_seen;  // last motion position, and whether one was seen
  // FE_PROFILE timing log.
  double present_sum, loop_sum;  // ms over the current 120 loops
  uint64_t prev_draw_start;      // 0 = none
  int32_t profile_loops;

  // --- controllers and inputs
  SDL_GameController* controllers[FE_MAX_CONTROLLERS];  // open controllers in list order
  int32_t controller_count;
  uint32_t input_word;           // the word last sent to the game
  int32_t pulse[FE_MAX_INPUTS];  // frames left of each pulse input
  uint32_t held[FE_MAX_INPUTS];  // input counted as held on the previous step
  int32_t release_wait;          // ignore pressed inputs until all are let go

  // --- audio
  SDL_AudioDeviceID audio_device;  // 0 = none
  SDL_AudioStream* audio_stream;   // game rate -> device rate, or null
  SDL_AudioSpec audio_have;        // the format the device accepted
  int16_t* audio_buffer;           // 2 * max_audio_frames + 16 samples from run_frame
  int16_t audio_scaled[2 * FE_AUDIO_SCALED_FRAMES];
  uint8_t audio_chunk[FE_AUDIO_CHUNK_BYTES];
  uint32_t underruns;  // chunks queued on an empty device after frame 120
  uint32_t drops;      // chunks dropped because the queue was too long

  // --- save states, rewind, movies
  slot_info slots[FE_SLOTS];
  int32_t slots_dirty;  // re-read the slot records before they are shown
  rewind_ring rewind;
  FILE* movie_record;          // recording file, or null
  uint64_t movie_record_size;  // bytes written to it so far
  uint8_t* movie_data;         // playback: the whole movie file, or null
  uint64_t movie_size;
  uint64_t movie_pos;    // read position of the next word
  char movie_text[128];  // "REC %s" / "PLAY %s"; "" when idle

  // --- messages
  char toast_text[160];
  uint64_t toast_end;                    // counter time after which the toast is gone
  char write_failure[WRITE_KINDS][256];  // per write_kind: why the last write failed, "" after a
                                         // good one
  char confirm_text[256];
  int32_t confirm_action;  // confirm_action code
  int32_t confirm_value;
  char error_title[64];
  char error_body[700];
  char pending_rom_path[FILE_PATH_MAX];  // archive a confirmed ROM switch loads; set by switch_rom

  // --- menu
  menu_state menu;
  int32_t capture_target;     // input index or hotkey_id being captured
  int32_t capture_mode;       // 0 key, 1 alternate key, 2 controller
  int32_t capture_hotkey;     // the target is a hotkey
  uint64_t capture_start;     // counter time the capture began
  int32_t gadget_target;      // gadget record the editor edits
  dir_entry* browse_entries;  // ROM Selection listing, or null
  int32_t browse_count;
  int32_t browse_at_locations;  // the listing holds the locations list
  int32_t browse_listed;        // listed this visit, even a failed folder; 0 = list next frame
  int32_t browse_show_all;      // list every file, not only zip archives
};

extern frontend_state fe;

// The descriptor's table counts cut to what the fixed arrays hold.
inline int32_t fe_input_count() {
  int32_t n = fe.adapter ? fe.adapter->input_count : 0;
  return n < 0 ? 0 : n > FE_MAX_INPUTS ? FE_MAX_INPUTS : n;
}
inline int32_t fe_readout_count() {
  int32_t n = fe.adapter ? fe.adapter->readout_count : 0;
  return n < 0 ? 0 : n > FE_MAX_READOUTS ? FE_MAX_READOUTS : n;
}
inline int32_t fe_dip_word_count() {
  int32_t n = fe.adapter ? fe.adapter->dip_word_count : 0;
  return n < 0 ? 0 : n > FE_MAX_DIP_WORDS ? FE_MAX_DIP_WORDS : n;
}
// Players shown by the input display and the Player Controllers page: the descriptor's count
// held to 1-4 (the players' controller settings), 2 when it names none.
inline int32_t fe_player_count() {
  int32_t n = fe.adapter ? fe.adapter->players : 0;
  return n < 1 ? 2 : n > 4 ? 4 : n;
}
// Gadget records in use: the three built-in ones and one per readout.
inline int32_t fe_gadget_count() {
  return GADGET_FIRST_READOUT + fe_readout_count();
}
