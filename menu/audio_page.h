// The Audio page (menu_page 3): master volume, mute, the output device and the latency target,
// whose changes reopen the device at once (paused again, as the open menu keeps audio paused),
// and read-only facts about the sound path: the game's rate against the device's and the
// underrun and drop counters. Leaving the page writes settings.ini.
#pragma once

void menu_page_audio();
