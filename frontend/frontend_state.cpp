// The definition of the frontend's one global block.
#include "frontend/frontend_state.h"

frontend_state fe;
