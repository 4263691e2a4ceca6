#include "desktopbrowser.h"

#include <QFile>
#include <QThread>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace mulo::web {

namespace {

// Handlers still running when Navigate returned; collected later so none stays a zombie.
std::vector<pid_t>& runningHandlers()
{
    static std::vector<pid_t> pids;
    return pids;
}

void collectFinishedHandlers()
{
    auto& pids = runningHandlers();
    std::erase_if(pids, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

} // namespace

void DesktopBrowser::Navigate(const QString& address)
{
    collectFinishedHandlers();

    const QByteArray program("xdg-open");
    const QByteArray argument = address.toUtf8();
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(argument.constData()),
                    nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The handler gets no input from us; it must not read the terminal the program runs in.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    pid_t pid = 0;
    const int error = ::posix_spawnp(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw RuntimeError(QStringLiteral("无法打开网页 %1：找不到 xdg-open（%2）")
                               .arg(address, QString::fromLocal8Bit(std::strerror(error))));

    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + refusalWindow;
    while (clock::now() < deadline) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
                return;
            throw RuntimeError(QStringLiteral("无法打开网页 %1：xdg-open 失败（%2）")
                                   .arg(address)
                                   .arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1));
        }
        if (done < 0)
            return; // someone else collected it; nothing more to learn
        QThread::msleep(5);
    }
    runningHandlers().push_back(pid);
}

BrowserFactory desktopBrowserFactory()
{
    return [] { return std::make_unique<DesktopBrowser>(); };
}

} // namespace mulo::web
