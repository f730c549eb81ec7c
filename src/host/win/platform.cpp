// Windows needs no process set-up of its own: the system keeps the command
// line, and a closed pipe fails the write without ending the process.
#include "host/platform.h"

void platform_start(int, char**) {}
