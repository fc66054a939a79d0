// The main loop, one iteration per presented picture: SDL's events turned into neutral events
// and routed to the menu's input latches (or to the page that takes raw events) while the menu
// is open, or to the hotkeys while it is closed; stick navigation and the controller menu
// combination; the advance of the game (rewind step-back, or frame steps paced to the display
// or to the game's exact rate); the frame rate; the picture composed with the open menu page;
// the FE_PROFILE timing log; the sleep; the --frames limit. Shutdown is not part of it.
#pragma once

#include <cstdint>

#include "frontend/input_event.h"
#include "frontend/platform.h"

struct menu_page_entry;

// The page table the loop dispatches to: menu_page_table, unless a test installs its own
// (MENU_PAGE_COUNT entries).
extern const menu_page_entry* main_loop_pages;

// One whole iteration (steps 1-11).
void main_loop_iteration();

// One event, as the loop handles it: quit, focus loss, dropped files and controller hot-plug on
// any page; Alt+Return toggles full screen and is used up by it; other input goes to the open
// menu, or to the hotkeys (key and controller-button presses only) while the menu is closed.
void main_loop_handle_event(const input_event* event);

// The left sticks of the open controllers steering the open menu: a new direction sets its
// latch at once, a held one again after 350 ms and then every 110 ms.
void main_loop_stick_navigation(const input_snapshot* input);

// The advance step, for a running, unpaused game with the menu closed, elapsed_ticks after the
// previous loop: one step back through the rewind ring while the rewind hotkey is held, else one
// frame step per loop under display-sync pacing on a 59-61 Hz display with vsync, else as many
// whole frame periods as are owed (at most four); never beyond the --frames limit. The picture
// is fetched and uploaded once afterwards while the game still runs.
void main_loop_advance(uint64_t elapsed_ticks);

// Runs the open menu's page: the Main Menu when nothing is stacked; an overlay's page beneath is
// drawn first with every latch cleared; an emptied stack closes the menu while a game runs,
// else leaves the Main Menu.
void main_loop_dispatch_page();

// The output size of this loop and its ui unit: max(45, min(w * 100 / 1280, h * 100 / 760)).
void main_loop_set_output(int32_t w, int32_t h);

// The loop's picture on fe.draw for the output size set: the target cleared to black, the
// frame's base, the open menu's page (main_loop_dispatch_page), the overlays; not presented.
void main_loop_compose_picture();

// The loop's picture: the output size and the ui unit read afresh from the renderer, the
// picture composed, presented through the platform.
void main_loop_draw_picture();

// Whether the --frames limit is set and reached.
int main_loop_frame_limit_reached();
