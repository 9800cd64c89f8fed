#pragma once
// Scheduling of the calling thread.

// Best effort: asks the system to run the calling thread ahead of ordinary
// ones (the sound output's); quietly does nothing without the privilege or
// where there are no threads.
void raiseThreadPriority();
