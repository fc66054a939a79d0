// The page table: which function draws each menu page.
#include "menu/menu_pages.h"

#include "frontend/frontend_state.h"
#include "menu/about_page.h"
#include "menu/audio_page.h"
#include "menu/binding_capture.h"
#include "menu/dialogs.h"
#include "menu/display_page.h"
#include "menu/extras_page.h"
#include "menu/gadget_pages.h"
#include "menu/gameplay_page.h"
#include "menu/input_pages.h"
#include "menu/rom_selection.h"
#include "menu/root_pages.h"
#include "menu/slot_pages.h"

const menu_page_entry menu_page_table[MENU_PAGE_COUNT] = {
    /* MENU_PAGE_MAIN */ {menu_page_main, nullptr},
    /* MENU_PAGE_PAUSE */ {menu_page_pause, nullptr},
    /* MENU_PAGE_DISPLAY */ {menu_page_display, nullptr},
    /* MENU_PAGE_AUDIO */ {menu_page_audio, nullptr},
    /* MENU_PAGE_CONTROLS */ {menu_page_controls, nullptr},
    /* MENU_PAGE_PLAYER_CONTROLLERS */ {menu_page_player_controllers, nullptr},
    /* MENU_PAGE_HOTKEYS */ {menu_page_hotkeys, nullptr},
    /* MENU_PAGE_GAMEPLAY */ {menu_page_gameplay, nullptr},
    /* MENU_PAGE_GADGETS */ {menu_page_gadgets, nullptr},
    /* MENU_PAGE_EXTRAS */ {menu_page_extras, nullptr},
    /* MENU_PAGE_ABOUT */ {menu_page_about, nullptr},
    /* MENU_PAGE_SAVE_STATE */ {menu_page_save_state, nullptr},
    /* MENU_PAGE_LOAD_STATE */ {menu_page_load_state, nullptr},
    /* MENU_PAGE_ROM_SELECTION */ {menu_page_rom_selection, nullptr},
    /* MENU_PAGE_CONFIRM */ {menu_page_confirm, nullptr},
    /* MENU_PAGE_ERROR */ {menu_page_error, nullptr},
    /* MENU_PAGE_CAPTURE */ {menu_page_capture, menu_capture_event},
    /* MENU_PAGE_GADGET_EDITOR */ {menu_page_gadget_editor, nullptr},
};
