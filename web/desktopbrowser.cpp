#include "desktopbrowser.h"

namespace mulo::web {

QString noBrowserMessage(const QString& address)
{
    return QStringLiteral("没有找到能打开网页的浏览器，这个网页打不开：\n%1").arg(address);
}

BrowserFactory desktopBrowserFactory(RefusalReport reportRefusal)
{
    return [reportRefusal] { return std::make_unique<DesktopBrowser>(reportRefusal); };
}

} // namespace mulo::web
