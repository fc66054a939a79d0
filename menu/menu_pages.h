// How the main loop finds the function of each menu page: one entry per menu_page id. A page's
// draw function emits its rows and acts on them for one frame; an overlay that takes raw input
// events (the binding capture) also has an event function, and while it is on top every input
// event goes to it alone.
#pragma once

#include <cstdint>

struct input_event;

struct menu_page_entry {
  void (*draw)();                           // null: the page draws nothing
  void (*event)(const input_event* event);  // null: events set the menu's input latches
};

extern const menu_page_entry menu_page_table[];  // indexed by menu_page, 18 entries
