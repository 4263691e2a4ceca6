#pragma once

// The menu items that open pages of the publisher's web site.

#include "browser.h"

#include <QStringView>
#include <array>

namespace mulo::web {

struct WebShortcut {
    QStringView item;    // the menu item's name
    QStringView caption; // its caption in the menu
    bool bareHost;       // on the site's host without its first label, instead of the main one
    QStringView path;
};

// The eleven items of the "作者网站" menu in their order, then "软件更新" and "意见建议".
extern const std::array<WebShortcut, 13> webShortcuts;

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

    void sb_Click() { open(u"sb"); }
    void tools_Click() { open(u"tools"); }
    void vod_Click() { open(u"vod"); }
    void tv_Click() { open(u"tv"); }
    void music_Click() { open(u"music"); }
    void kso_Click() { open(u"kso"); }
    void pc_Click() { open(u"pc"); }
    void ebook_Click() { open(u"ebook"); }
    void so_Click() { open(u"so"); }
    void cp_Click() { open(u"cp"); }
    void wz_Click() { open(u"wz"); }
    // "软件更新" is element 1 of a one-element menu array; the index tells nothing.
    void update_Click(qint16 Index)
    {
        Q_UNUSED(Index);
        open(u"update");
    }
    void yijian_Click() { open(u"yijian"); }

    // Runs the handler of the item with that name; an unknown item is a RuntimeError.
    void choose(QStringView item);

    void open(QStringView item);

private:
    BrowserFactory m_createBrowser;
};

} // namespace mulo::web
