#include "app/Interruption.h"

// Word is a server of its own there: it outlives its clients by design, and COM ends it.
void endRunOnInterruption() {}
