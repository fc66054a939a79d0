// The frame step: input word, run, timing, stop dialog, audio, rewind capture, NVRAM flush.
#include "frontend/frame_step.h"

#include <cstring>

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/messages.h"
#include "frontend/movies.h"
#include "frontend/nvram_files.h"
#include "frontend/rewind.h"

enum { FRAME_STEP_MESSAGE_BYTES = 300, REWIND_EVERY = 4, NVRAM_FLUSH_EVERY = 120 };

uint32_t input_word_from_bindings(const input_snapshot* input) {
  const game_adapter* game = fe.adapter;
  const int32_t count = fe_input_count();
  const int combo = menu_combo_held(input);
  uint32_t word = 0;
  for (int32_t i = 0; i < count; i++) {
    const adapter_input& in = game->inputs[i];
    const int pressed = binding_pressed(&fe.input_bindings[i], int32_t(in.player), input);
    if (combo || (fe.release_wait && pressed)) {
      // Held back: only a pulse already under way runs out.
      fe.held[i] = 0;
      if (in.pulse_frames > 0 && fe.pulse[i] > 0) {
        word |= in.mask;
        fe.pulse[i]--;
      }
      continue;
    }
    if (in.pulse_frames <= 0) {
      if (pressed) word |= in.mask;
      fe.held[i] = pressed ? 1 : 0;
      continue;
    }
    if (pressed && !fe.held[i]) fe.pulse[i] = in.pulse_frames;
    if (fe.pulse[i] > 0) {
      word |= in.mask;
      fe.pulse[i]--;
    }
    fe.held[i] = pressed ? 1 : 0;
  }
  if (fe.release_wait) {
    int any = 0;
    for (int32_t i = 0; i < count && !any; i++) {
      any = binding_pressed(&fe.input_bindings[i], int32_t(game->inputs[i].player), input);
    }
    if (!any) fe.release_wait = 0;
  }
  return word;
}

void run_frame_step() {
  const game_adapter* game = fe.adapter;
  if (!game->set_inputs || !game->run_frame) return;  // no game that can run

  // 1-4. The word: the movie's, else the live bindings'; recorded; sent.
  uint32_t word = 0;
  if (!movie_next_word(&word)) {
    input_snapshot input;
    platform->read_input(&input);
    word = input_word_from_bindings(&input);
  }
  movie_record_word(word);
  fe.input_word = word;
  game->set_inputs(word);

  // 5-7. The frame, timed.
  char message[FRAME_STEP_MESSAGE_BYTES] = "";
  uint32_t frames = 0;
  const uint64_t before = platform_now();
  const int stopped = game->run_frame(fe.audio_buffer, &frames, message, sizeof message);
  const uint64_t after = platform_now();
  if (fe.frequency > 0) {
    double ms = double(after - before) * 1000.0 / double(fe.frequency);
    fe.frame_time_avg = fe.frame_time_avg * 0.95 + ms * 0.05;
  }
  fe.frame_counter++;
  fe.frames_this_second++;

  // 8. A stop of the game program ends the step: nothing more runs for this frame.
  if (stopped) {
    fe.running = 0;
    show_error("The game stopped",
               "%s\n\nThe native translation does not interpret instructions, so it stops "
               "instead of guessing. Your autosave and slots are unaffected. The log has "
               "details:\n%s",
               message, fe.log_path);
    return;
  }

  // 9-11. Sound, the rewind snapshot, the NVRAM flush.
  uint32_t max_frames = game->max_audio_frames > 0 ? uint32_t(game->max_audio_frames) : 0;
  queue_frame_audio(fe.audio_buffer, frames < max_frames ? frames : max_frames);
  if (fe.rewind.entries && fe.frame_counter % REWIND_EVERY == 0) rewind_capture();
  if (fe.frame_counter % NVRAM_FLUSH_EVERY == 0) save_nvram();
}
