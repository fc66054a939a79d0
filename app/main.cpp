// The program's entry point: hands this game's descriptor and the command line to the frontend,
// which keeps control until the user quits; then the adapter lets the ROM set and the machine
// record go. The exit code is the frontend's.
#include <SDL.h>  // SDL's main wrapper, where a platform needs one

#include "adapter/game_adapter.h"
#include "app/frontend_run.h"

int main(int argc, char** argv) {
  int result = frontend_run(&cobaltin_adapter, argc, argv);
  adapter_release();
  return result;
}
