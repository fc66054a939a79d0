// The immediate-mode menu toolkit: the page stack and leaving the menu.
#pragma once

#include <cstdint>

#include "frontend/canvas.h"

// The accent colour: the accent setting's entry (taken modulo 6) of Azure, Amber, Crimson, Jade,
// Violet and Silver.
ui_color menu_accent_color();

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
