#include "terminationsignals.h"

#include <QCoreApplication>
#include <QPointer>
#include <atomic>
#include <windows.h>

namespace mulo {

namespace {

QPointer<QCoreApplication> application;
std::atomic<bool> delivered{false};
HANDLE ended = nullptr; // set as the application object goes

// Runs on a thread the system starts for the event. The first one ends the event loop
// cleanly; from then on the default handler runs, so a second Ctrl+C ends a shutdown that
// hangs. For the console's close the process ends when this returns, so it waits (at most
// the system's few seconds) for the program to end first.
BOOL WINAPI onConsoleEvent(DWORD event)
{
    if (delivered.exchange(true) || !application)
        return FALSE;
    QMetaObject::invokeMethod(application, &endOnRequest, Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(ended, 4000);
    return TRUE;
}

} // namespace

void quitOnTerminationSignals(QCoreApplication& app)
{
    application = &app;
    ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { SetEvent(ended); });
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace mulo
