// The Display page (menu_page 2): window mode and size, scaling, aspect, filtering, vsync, frame
// pacing, rotation, the CRT effects, brightness and gamma, the background around the picture and
// the menu accent. Every change takes effect at once (the window, the game texture's filter, the
// renderer's vsync, the colour table; the rest is read by the next frame), the running game is
// shown live beside the list, and leaving the page writes settings.ini.
#pragma once

void menu_page_display();
