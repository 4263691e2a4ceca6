#pragma once

// The desktop's own browser, reached through its standard URL handler, xdg-open.

#include "browser.h"

#include <chrono>

namespace mulo::web {

class DesktopBrowser : public Browser {
public:
    // How long Navigate listens for the handler refusing the address. A handler that is
    // still running after that is taken to have opened it (some run the browser itself).
    static constexpr std::chrono::milliseconds refusalWindow{1500};

    // The window a URL handler opens is always visible: there is nothing to set.
    void setVisible(bool) override {}
    // Runs xdg-open with the address as its one argument (no shell in between).
    void Navigate(const QString& address) override;
};

BrowserFactory desktopBrowserFactory();

} // namespace mulo::web
