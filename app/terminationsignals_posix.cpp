#include "terminationsignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mulo {

namespace {

int signalPipe[2] = {-1, -1};

constexpr int terminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

void onSignal(int)
{
    // Only async-signal-safe work here. The first signal wakes the event loop for a clean
    // end; from then on each signal has its default effect, so a second Ctrl+C ends a
    // shutdown that hangs. The write end never blocks: a full socket is awake enough.
    const int savedErrno = errno;
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    for (int signal : terminationSignals)
        ::sigaction(signal, &defaultAction, nullptr);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

void quitOnTerminationSignals(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0 ||
        ::fcntl(signalPipe[1], F_SETFL, ::fcntl(signalPipe[1], F_GETFL) | O_NONBLOCK) != 0)
        return; // the signals keep their default effect
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        notifier->setEnabled(false);
        char byte;
        [[maybe_unused]] const ssize_t read = ::read(signalPipe[0], &byte, 1);
        endOnRequest();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : terminationSignals)
        ::sigaction(signal, &action, nullptr);
}

} // namespace mulo
