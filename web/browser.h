#pragma once

// The browser the web shortcuts drive: a new window is made, shown, and sent to an address.

#include "core/errors.h"

#include <functional>
#include <memory>

namespace mulo::web {

class Browser {
public:
    virtual ~Browser() = default;
    virtual void setVisible(bool visible) = 0;
    // Shows the address; returns without waiting for the page. Failing to hand it over is a
    // RuntimeError.
    virtual void Navigate(const QString& address) = 0;
};

// Makes a new browser window; a browser that cannot be made is a RuntimeError.
using BrowserFactory = std::function<std::unique_ptr<Browser>()>;

} // namespace mulo::web
