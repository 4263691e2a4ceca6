#pragma once

#include "web/browser.h"

#include <QStringList>

namespace mulo::test {

// Records what every browser window it makes was asked to do, as "visible" and "open …".
struct RecordingBrowsers {
    QStringList calls;
    int created = 0;
    bool failToCreate = false;
    bool failToNavigate = false;

    struct Window : web::Browser {
        RecordingBrowsers& owner;
        explicit Window(RecordingBrowsers& o) : owner(o) {}
        void setVisible(bool visible) override
        {
            owner.calls.append(visible ? QStringLiteral("visible") : QStringLiteral("hidden"));
        }
        void Navigate(const QString& address) override
        {
            if (owner.failToNavigate)
                throw RuntimeError(QStringLiteral("browser refused ") + address);
            owner.calls.append(QStringLiteral("open ") + address);
        }
    };

    web::BrowserFactory factory()
    {
        return [this]() -> std::unique_ptr<web::Browser> {
            if (failToCreate)
                throw RuntimeError(QStringLiteral("no browser"));
            ++created;
            return std::make_unique<Window>(*this);
        };
    }
};

} // namespace mulo::test
