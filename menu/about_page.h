// The About page (menu_page 10): the game descriptor's About text, then the data folder, the SDL
// version and renderer, the game profile in use and the feature summary made at start-up. It has
// no rows; Enter or Back leaves it, and nothing is saved.
#pragma once

void menu_page_about();
