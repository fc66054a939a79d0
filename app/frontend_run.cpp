// The run function: start-up, the main loop, the shutdown.
#include "app/frontend_run.h"

#include "app/main_loop.h"
#include "app/shutdown.h"
#include "frontend/frontend_state.h"

void frontend_loop_iteration() {
  main_loop_iteration();
}

int frontend_run(const game_adapter* game, int argc, char** argv) {
  int early = frontend_start(game, argc, argv);
  if (early >= 0) return early;
  while (!fe.quit) frontend_loop_iteration();
  return frontend_shutdown();
}
