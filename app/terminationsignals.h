#pragma once

class QCoreApplication;

namespace mulo {

// Ends the event loop normally on SIGTERM, SIGINT and SIGHUP (logging out, Ctrl+C in a
// terminal), so the window and the voice are closed as when the user closes the window.
// A second such signal ends the program at once, should that shutdown hang.
void quitOnTerminationSignals(QCoreApplication& app);

// On Windows, a program without a console, nothing: logging off and shutting down end the
// program through Qt's own session handling.
//
// Whether such a request came, for the time before the main loop runs.
bool terminationRequested();

// Closes any message box and ends the event loop: what a termination request does, on the
// thread of the event loop. One source per platform delivers requests to it.
void endOnRequest();

} // namespace mulo
