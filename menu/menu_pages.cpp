// The page table: which function draws each menu page.
#include "menu/menu_pages.h"

#include "frontend/frontend_state.h"

const menu_page_entry menu_page_table[MENU_PAGE_COUNT] = {
    /* MENU_PAGE_MAIN */ {nullptr, nullptr},
    /* MENU_PAGE_PAUSE */ {nullptr, nullptr},
    /* MENU_PAGE_DISPLAY */ {nullptr, nullptr},
    /* MENU_PAGE_AUDIO */ {nullptr, nullptr},
    /* MENU_PAGE_CONTROLS */ {nullptr, nullptr},
    /* MENU_PAGE_PLAYER_CONTROLLERS */ {nullptr, nullptr},
    /* MENU_PAGE_HOTKEYS */ {nullptr, nullptr},
    /* MENU_PAGE_GAMEPLAY */ {nullptr, nullptr},
    /* MENU_PAGE_GADGETS */ {nullptr, nullptr},
    /* MENU_PAGE_EXTRAS */ {nullptr, nullptr},
    /* MENU_PAGE_ABOUT */ {nullptr, nullptr},
    /* MENU_PAGE_SAVE_STATE */ {nullptr, nullptr},
    /* MENU_PAGE_LOAD_STATE */ {nullptr, nullptr},
    /* MENU_PAGE_ROM_SELECTION */ {nullptr, nullptr},
    /* MENU_PAGE_CONFIRM */ {nullptr, nullptr},
    /* MENU_PAGE_ERROR */ {nullptr, nullptr},
    /* MENU_PAGE_CAPTURE */ {nullptr, nullptr},
    /* MENU_PAGE_GADGET_EDITOR */ {nullptr, nullptr},
};
