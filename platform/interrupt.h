// Ctrl-C (SIGINT) asked for an end: the program notices it where it can end
// in order instead of dying where it stands. A second Ctrl-C ends the
// process at once, as Ctrl-C does by default.
#ifndef DEXT_PLATFORM_INTERRUPT_H_
#define DEXT_PLATFORM_INTERRUPT_H_

namespace platform {

// From now on a Ctrl-C is noted for Interrupted, once.
void WatchInterrupt();

// True once a Ctrl-C came after WatchInterrupt.
bool Interrupted();

}  // namespace platform

#endif  // DEXT_PLATFORM_INTERRUPT_H_
