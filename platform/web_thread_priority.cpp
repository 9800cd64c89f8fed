#include "platform/thread_priority.h"

// The browser build has no threads of its own: nothing to raise.
void raiseThreadPriority() {}
