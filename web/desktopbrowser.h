#pragma once

// The desktop's own browser, reached through the system's URL handler: xdg-open on Linux,
// the shell on Windows (one source file each).

#include "browser.h"

namespace mulo::web {

// Tells the user, once the handler has ended, that it could not open the address.
using RefusalReport = std::function<void(const QString& address)>;

// What the user is told when no browser could be started for a page.
QString noBrowserMessage(const QString& address);

#if defined(_WIN32)
// Asks the shell to open an address; true when it could. It may take its time.
using ShellOpen = std::function<bool(const QString& address)>;
bool openWithTheShell(const QString& address);
#endif

class DesktopBrowser : public Browser {
public:
#if defined(_WIN32)
    // Tests may stand in for the shell.
    explicit DesktopBrowser(RefusalReport reportRefusal, ShellOpen open = openWithTheShell)
        : m_reportRefusal(std::move(reportRefusal)), m_open(std::move(open))
    {}
#else
    explicit DesktopBrowser(RefusalReport reportRefusal) : m_reportRefusal(std::move(reportRefusal))
    {}
#endif

    // The window a URL handler opens is always visible: there is nothing to set.
    void setVisible(bool) override {}
    // Hands the address to the URL handler and returns at once. On Linux that is xdg-open,
    // with the address as its one argument (no shell in between); with no xdg-open on the
    // path it throws a UserError. On Windows the shell opens it on a thread of its own. A
    // handler that fails later is reported through the event loop.
    void Navigate(const QString& address) override;

private:
    RefusalReport m_reportRefusal;
#if defined(_WIN32)
    ShellOpen m_open;
#endif
};

BrowserFactory desktopBrowserFactory(RefusalReport reportRefusal);

} // namespace mulo::web
