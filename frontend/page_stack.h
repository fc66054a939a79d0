// The menu's page stack (fe.menu): which page is on top, pushing and popping pages, opening
// the menu over the game and closing it again, and this frame's input latches. The pages, the
// dialogs and the services that open a page or close the menu all move the stack through here.
#pragma once

#include <cstdint>

// Shows the menu with `page` (a menu_page) as its only page; the game stays running but no frame
// runs while the menu is open. Inputs are released, audio is cleared and the device paused.
void open_menu(int32_t page);

// The page on top of the stack; the Main Menu when nothing is stacked.
int32_t menu_top_page();

// Restarts the top page's fade-in (open time now) and makes the highlight jump to its row.
void menu_restart_fade();

// Pushes `page` (a menu_page) unless 16 pages are stacked; restarts the fade-in either way.
void menu_push_page(int32_t page);

// Pops the top page when one is stacked; restarts the fade-in either way.
void menu_pop_page();

// Makes `page` the only page of the open menu and restarts the fade-in.
void menu_show_only(int32_t page);

// What an emptied stack means: the menu closes when a game runs, else the Main Menu shows alone.
void menu_settle_empty_stack();

// Leaves the menu and resumes the game: the stack is emptied, every input and the controller
// menu combination wait for release, the word 0 goes to the game, frame timing restarts and the
// audio device is unpaused.
void close_menu();

// Clears this frame's input latches (directions, accept, back, page steps, the row action, the
// mouse's moved and click flags and the wheel); the pointer position stays.
void menu_clear_latches();
