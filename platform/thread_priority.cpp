#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// A nicer value needs privileges most users lack; the sound ring is long
// enough to ride out a late wake-up, so a refusal is ignored.
void raiseThreadPriority() { setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), -10); }
