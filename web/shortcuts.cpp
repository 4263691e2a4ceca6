#include "shortcuts.h"

#include "webaddresses.h"

#include <algorithm>

namespace mulo::web {

const std::array<WebShortcut, 13> webShortcuts{{
    {u"sb", u"五险一金", false, u"/www/5x1j/index.html"},
    {u"tools", u"查询工具", false, u"/tools/"},
    {u"vod", u"视频在线", false, u"/vod/"},
    {u"tv", u"在线电视", false, u"/tv/"},
    {u"music", u"音乐搜索", false, u"/music/"},
    {u"kso", u"综合搜索", false, u"/kso/"},
    {u"pc", u"电脑教程", false, u"/tools/"},
    {u"ebook", u"电脑书库", false, u"/home.htm"},
    {u"so", u"学习资源", false, u"/so/"},
    {u"cp", u"彩票频道", true, u"/gs/"},
    {u"wz", u"上网导航", false, u"/wz/"},
    {u"update", u"软件更新(&G)", false, u"/tools/quon.htm"},
    {u"yijian", u"意见建议(&Y)", false, u"/ly/"},
}};

QString targetAddress(const WebShortcut& shortcut)
{
    const QString base =
        shortcut.bareHost ? QStringLiteral(MULO_BARE_BASE_URL) : QStringLiteral(MULO_MAIN_BASE_URL);
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

void WebShortcuts::choose(QStringView item)
{
    using Handler = void (WebShortcuts::*)();
    static const std::pair<QStringView, Handler> handlers[] = {
        {u"sb", &WebShortcuts::sb_Click},       {u"tools", &WebShortcuts::tools_Click},
        {u"vod", &WebShortcuts::vod_Click},     {u"tv", &WebShortcuts::tv_Click},
        {u"music", &WebShortcuts::music_Click}, {u"kso", &WebShortcuts::kso_Click},
        {u"pc", &WebShortcuts::pc_Click},       {u"ebook", &WebShortcuts::ebook_Click},
        {u"so", &WebShortcuts::so_Click},       {u"cp", &WebShortcuts::cp_Click},
        {u"wz", &WebShortcuts::wz_Click},       {u"yijian", &WebShortcuts::yijian_Click},
    };
    if (item == u"update")
        return update_Click(1);
    for (const auto& [name, handler] : handlers) {
        if (name == item)
            return (this->*handler)();
    }
    throw RuntimeError(QStringLiteral("没有这个网页菜单项：") + item.toString());
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
