// The audio device and the resampling stream from the game's rate to the device's. Audio is
// pushed into the device's queue by the frame step; SDL's own thread only drains it.
#pragma once

// Drops what waits in the device queue and in the resampling stream (each when it exists).
void clear_audio();
