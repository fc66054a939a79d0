// The page table: which function draws each menu page.
#include "menu/menu_pages.h"

#include "frontend/frontend_state.h"
#include "menu/dialogs.h"
#include "menu/extras_page.h"
#include "menu/rom_selection.h"
#include "menu/root_pages.h"
#include "menu/slot_pages.h"

const menu_page_entry menu_page_table[MENU_PAGE_COUNT] = {
    /* MENU_PAGE_MAIN */ {menu_page_main, nullptr},
    /* MENU_PAGE_PAUSE */ {menu_page_pause, nullptr},
    /* MENU_PAGE_DISPLAY */ {nullptr, nullptr},
    /* MENU_PAGE_AUDIO */ {nullptr, nullptr},
    /* MENU_PAGE_CONTROLS */ {nullptr, nullptr},
    /* MENU_PAGE_PLAYER_CONTROLLERS */ {nullptr, nullptr},
    /* MENU_PAGE_HOTKEYS */ {nullptr, nullptr},
    /* MENU_PAGE_GAMEPLAY */ {nullptr, nullptr},
    /* MENU_PAGE_GADGETS */ {nullptr, nullptr},
    /* MENU_PAGE_EXTRAS */ {menu_page_extras, nullptr},
    /* MENU_PAGE_ABOUT */ {nullptr, nullptr},
    /* MENU_PAGE_SAVE_STATE */ {menu_page_save_state, nullptr},
    /* MENU_PAGE_LOAD_STATE */ {menu_page_load_state, nullptr},
    /* MENU_PAGE_ROM_SELECTION */ {menu_page_rom_selection, nullptr},
    /* MENU_PAGE_CONFIRM */ {menu_page_confirm, nullptr},
    /* MENU_PAGE_ERROR */ {menu_page_error, nullptr},
    /* MENU_PAGE_CAPTURE */ {nullptr, nullptr},
    /* MENU_PAGE_GADGET_EDITOR */ {nullptr, nullptr},
};
