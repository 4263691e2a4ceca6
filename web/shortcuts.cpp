#include "shortcuts.h"

#include "webaddresses.h"

#include <algorithm>

namespace mulo::web {

QString targetAddress(const WebShortcut& shortcut)
{
    const QString base = shortcut.host == WebHost::Bare ? QStringLiteral(MULO_BARE_BASE_URL)
                                                        : QStringLiteral(MULO_MAIN_BASE_URL);
    return base + shortcut.path.toString();
}

const WebShortcut& webShortcut(QStringView item)
{
    const auto found = std::find_if(webShortcuts.begin(), webShortcuts.end(),
                                    [item](const WebShortcut& s) { return s.item == item; });
    if (found == webShortcuts.end())
        throw RuntimeError(QStringLiteral("没有这个网页菜单项：") + item.toString());
    return *found;
}

void WebShortcuts::open(QStringView item)
{
    const QString address = targetAddress(webShortcut(item));
    std::unique_ptr<Browser> browser = m_createBrowser();
    if (!browser)
        throw RuntimeError(QStringLiteral("无法打开浏览器"));
    // Shown first, so the window is there before the page is asked for.
    browser->setVisible(true);
    browser->Navigate(address);
}

} // namespace mulo::web
