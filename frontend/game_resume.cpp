// Resuming the game from a state just loaded into it.
#include "frontend/game_resume.h"

#include "frontend/audio_output.h"
#include "frontend/bindings.h"
#include "frontend/frontend_state.h"
#include "frontend/movie_end.h"
#include "frontend/picture.h"
#include "frontend/rewind.h"

void resume_from_loaded_state() {
  // A movie's words cannot go on from another state: a recording ends here, still replayable up
  // to this point, and a playback ends.
  movie_stop_all();
  fe.running = 1;
  ensure_rewind_ring();
  release_inputs();
  fe.release_wait = 1;
  clear_audio();
  fetch_frame();
  upload_frame();
  fe.accumulator = 0.0;
}
