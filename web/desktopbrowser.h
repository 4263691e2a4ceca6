#pragma once

// The desktop's own browser, reached through its standard URL handler, xdg-open.

#include "browser.h"

namespace mulo::web {

// Tells the user, once the handler has ended, that it could not open the address.
using RefusalReport = std::function<void(const QString& address)>;

// What the user is told when no browser could be started for a page.
QString noBrowserMessage(const QString& address);

class DesktopBrowser : public Browser {
public:
    explicit DesktopBrowser(RefusalReport reportRefusal) : m_reportRefusal(std::move(reportRefusal))
    {}

    // The window a URL handler opens is always visible: there is nothing to set.
    void setVisible(bool) override {}
    // Starts xdg-open with the address as its one argument (no shell in between) and returns
    // at once. With no xdg-open on the path it throws a UserError; a handler that fails
    // later is reported through the event loop when it ends, and is collected then.
    void Navigate(const QString& address) override;

private:
    RefusalReport m_reportRefusal;
};

BrowserFactory desktopBrowserFactory(RefusalReport reportRefusal);

} // namespace mulo::web
