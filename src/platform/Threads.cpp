// Mutex and detached threads: the shared declarations, one implementation
// per system.
#include "platform/Threads.h"

#ifdef _WIN32
#include "platform/windows/Threads.inc"
#else
#include "platform/posix/Threads.inc"
#endif
