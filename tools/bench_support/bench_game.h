// What the frontend benchmarks share: the real game on the test cartridge (the synthetic ROM
// set's SH-2 program, not the game) set up in `fe` the way start-up sets it up, without a window
// or sound; hidden windows of a chosen size on SDL's software renderer; and the median of runs.
// A benchmark that uses it embeds the cartridge (add_sh2_programs).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// fe zero-filled with the game's descriptor copied in, the default settings and bindings, the
// picture and sound buffers and the clock's frequency; then the ROM set around the cartridge
// written to a temporary archive and loaded (fe.rom_path, fe.rom_ready) with the settings' DIP
// words, plus the debug switch when `stress` is 1 (the cartridge's stress mode: 1,000 sprites,
// every layer on every line, every voice playing). 0 with the reason in msg.
int bench_load_cartridge(int stress, char* msg, size_t msg_size);

// Runs `count` frames with no input and counts them in fe.frame_counter. 0 with the game's
// message when the game program stops.
int bench_run_frames(int count, char* msg, size_t msg_size);

// The game released and the buffers freed.
void bench_release_cartridge();

// A hidden width x height window on SDL's software renderer (SDL's video must be up), made ready
// the way start-up makes its own: fe.window, fe.renderer, fe.draw, the game texture with the
// filter setting's scale mode, and the font atlas. 0 with SDL's error, nothing left open.
// close_display (app/shutdown.h) closes it again.
int bench_open_window(int32_t width, int32_t height, char* msg, size_t msg_size);

// The median of the values (the upper one of the middle two for an even count); 0 for none.
double bench_median(std::vector<double> values);
