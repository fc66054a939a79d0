// Closing a recording and dropping a playback.
#include "frontend/movie_end.h"

#include <cstdio>
#include <cstdlib>

#include "frontend/frontend_state.h"
#include "frontend/messages.h"

static void movie_close_recording() {
  if (!fe.movie_record) return;
  fclose(fe.movie_record);
  fe.movie_record = nullptr;
  show_toast("Recording saved");
}

static void movie_drop_playback() {
  if (!fe.movie_data) return;
  free(fe.movie_data);
  fe.movie_data = nullptr;
  fe.movie_size = 0;
  fe.movie_pos = 0;
  show_toast("Playback finished");
}

// No playback runs while recording, so this is all "Stop Recording" has to end.
void movie_stop_recording() {
  movie_close_recording();
  fe.movie_text[0] = '\0';
}

void movie_stop_playback() {
  movie_drop_playback();
  fe.movie_text[0] = '\0';
}

void movie_stop_all() {
  movie_close_recording();
  movie_drop_playback();
  fe.movie_text[0] = '\0';
}
