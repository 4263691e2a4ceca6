#pragma once

class QCoreApplication;

namespace mulo {

// Ends the event loop normally on SIGTERM, SIGINT and SIGHUP (logging out, Ctrl+C in a
// terminal), so the window and the voice are closed as when the user closes the window.
// A second such signal ends the program at once, should that shutdown hang.
void quitOnTerminationSignals(QCoreApplication& app);

// Whether such a signal came, for the time before the main loop runs.
bool terminationRequested();

} // namespace mulo
