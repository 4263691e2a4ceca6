#include "terminationsignals.h"

namespace mulo {

// A Windows program with a window and no console is ended through its window: closing it,
// or the session's end (logging off, shutting down), which Qt's own session handling turns
// into the end of the event loop. There is no signal to catch.
void quitOnTerminationSignals(QCoreApplication&) {}

} // namespace mulo
