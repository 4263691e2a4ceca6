#pragma once

// The menu items that open pages of the publisher's web site.

#include "browser.h"

#include <QStringView>
#include <array>

namespace mulo::web {

enum class WebMenu {
    MenuBar, // an item of its own on the menu bar
    Site,    // an item of the "作者网站" menu
};

enum class WebHost {
    Main, // the site's main address
    Bare, // the same host without its first label
};

// The one table of the web shortcuts, in menu order: item name (its handler is
// <item>_Click), caption, menu, host, path, function key (0 for none). The menus, the keys
// and the handlers below are all made from it.
#define MULO_WEB_SHORTCUTS(X)                                                                      \
    X(sb, "五险一金", Site, Main, "/www/5x1j/index.html", Qt::Key_F1)                              \
    X(tools, "查询工具", Site, Main, "/tools/", Qt::Key_F2)                                        \
    X(vod, "视频在线", Site, Main, "/vod/", Qt::Key_F3)                                            \
    X(tv, "在线电视", Site, Main, "/tv/", Qt::Key_F4)                                              \
    X(music, "音乐搜索", Site, Main, "/music/", Qt::Key_F5)                                        \
    X(kso, "综合搜索", Site, Main, "/kso/", Qt::Key_F6)                                            \
    X(pc, "电脑教程", Site, Main, "/tools/", Qt::Key_F7)                                           \
    X(ebook, "电脑书库", Site, Main, "/home.htm", Qt::Key_F8)                                      \
    X(so, "学习资源", Site, Main, "/so/", Qt::Key_F9)                                              \
    /* F10 is left out: it stays the key that opens the menu bar. */                               \
    X(cp, "彩票频道", Site, Bare, "/gs/", Qt::Key_F11)                                             \
    X(wz, "上网导航", Site, Main, "/wz/", Qt::Key_F12)                                             \
    X(update, "软件更新(&G)", MenuBar, Main, "/tools/quon.htm", 0)                                 \
    X(yijian, "意见建议(&Y)", MenuBar, Main, "/ly/", 0)

struct WebShortcut {
    QStringView item;    // the menu item's name
    QStringView caption; // its caption in the menu
    WebMenu menu;
    WebHost host;
    QStringView path;
    int key; // a Qt::Key, or 0
};

#define MULO_WEB_SHORTCUT_ROW(item, caption, menu, host, path, key)                                \
    WebShortcut{u"" #item, u"" caption, WebMenu::menu, WebHost::host, u"" path, key},
inline constexpr std::array webShortcuts{MULO_WEB_SHORTCUTS(MULO_WEB_SHORTCUT_ROW)};
#undef MULO_WEB_SHORTCUT_ROW

// The page of a shortcut: its base address (a build setting) followed by its path.
QString targetAddress(const WebShortcut& shortcut);

// The item's shortcut; an unknown item is a RuntimeError.
const WebShortcut& webShortcut(QStringView item);

// One handler per item. Each opens a new browser window on the item's page and keeps
// nothing: choosing an item twice opens two windows. Failures are not caught here.
class WebShortcuts {
public:
    explicit WebShortcuts(BrowserFactory createBrowser) : m_createBrowser(std::move(createBrowser))
    {}

#define MULO_WEB_HANDLER(item, ...)                                                                \
    void item##_Click()                                                                            \
    {                                                                                              \
        open(u"" #item);                                                                           \
    }
    MULO_WEB_SHORTCUTS(MULO_WEB_HANDLER)
#undef MULO_WEB_HANDLER
    // "软件更新" is reached with the index of its menu entry; there is only the one, so the
    // index changes nothing.
    void update_Click(qint16 Index)
    {
        Q_UNUSED(Index);
        update_Click();
    }

    // Runs the handler of the item with that name; an unknown item is a RuntimeError.
    void choose(QStringView item)
    {
        open(webShortcut(item).item);
    }

    void open(QStringView item);

private:
    BrowserFactory m_createBrowser;
};

} // namespace mulo::web
