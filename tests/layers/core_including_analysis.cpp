// Compiled with the core library's include path only: the include below must not be found.
#include "tracker/tracker.h"
#include "sweep/frame_sweep.h"
