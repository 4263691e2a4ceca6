#include "web/desktopbrowser.h"
#include "web/shortcuts.h"
#include "webfakes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace mulo;
using namespace mulo::web;
using namespace mulo::test;

namespace {

// A stand-in for the desktop's URL handler, first on PATH for the test's lifetime.
struct FakeUrlHandler {
    QTemporaryDir dir;
    QByteArray savedPath = qgetenv("PATH");
    QString log = dir.filePath(QStringLiteral("arguments"));

    explicit FakeUrlHandler(const QByteArray& body)
    {
        QFile script(dir.filePath(QStringLiteral("xdg-open")));
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                     QFile::encodeName(log) + "'; done\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(dir.path()) + ":/usr/bin:/bin");
    }
    ~FakeUrlHandler() { qputenv("PATH", savedPath); }
    QStringList arguments() const
    {
        QFile file(log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
};

} // namespace

class TestWeb : public QObject {
    Q_OBJECT
private slots:
    void eachItemOpensItsPage_data();
    void eachItemOpensItsPage();
    void theTableListsEveryItemOnce();
    void choosingAnItemTwiceOpensTwoWindows();
    void aBrowserThatCannotBeMadeFailsTheHandler();
    void aBrowserThatRefusesFailsTheHandler();

    void desktopBrowserHandsTheAddressToXdgOpenAsOneArgument();
    void aHandlerThatExitsWithAnErrorIsAFailure();
    void noHandlerOnThePathIsAFailure();
    void aHandlerThatKeepsRunningIsLeftToRun();
};

void TestWeb::eachItemOpensItsPage_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("address");
    QTest::newRow("sb") << "sb"
                        << "http://www.mulo.example/www/5x1j/index.html";
    QTest::newRow("tools") << "tools"
                           << "http://www.mulo.example/tools/";
    QTest::newRow("vod") << "vod"
                         << "http://www.mulo.example/vod/";
    QTest::newRow("tv") << "tv"
                        << "http://www.mulo.example/tv/";
    QTest::newRow("music") << "music"
                           << "http://www.mulo.example/music/";
    QTest::newRow("kso") << "kso"
                         << "http://www.mulo.example/kso/";
    QTest::newRow("pc opens what tools opens") << "pc"
                                               << "http://www.mulo.example/tools/";
    QTest::newRow("ebook") << "ebook"
                           << "http://www.mulo.example/home.htm";
    QTest::newRow("so") << "so"
                        << "http://www.mulo.example/so/";
    QTest::newRow("cp is on the bare host") << "cp"
                                            << "http://mulo.example/gs/";
    QTest::newRow("wz") << "wz"
                        << "http://www.mulo.example/wz/";
    QTest::newRow("update") << "update"
                            << "http://www.mulo.example/tools/quon.htm";
    QTest::newRow("yijian") << "yijian"
                            << "http://www.mulo.example/ly/";
}

void TestWeb::eachItemOpensItsPage()
{
    QFETCH(QString, item);
    QFETCH(QString, address);
    RecordingBrowsers browsers;
    WebShortcuts shortcuts(browsers.factory());
    shortcuts.choose(item);
    QCOMPARE(browsers.created, 1);
    QCOMPARE(browsers.calls,
             (QStringList{QStringLiteral("visible"), QStringLiteral("open ") + address}));
}

void TestWeb::theTableListsEveryItemOnce()
{
    QStringList items;
    for (const WebShortcut& s : webShortcuts)
        items.append(s.item.toString());
    QCOMPARE(items, (QStringList{"sb", "tools", "vod", "tv", "music", "kso", "pc", "ebook", "so",
                                 "cp", "wz", "update", "yijian"}));
    QCOMPARE(webShortcut(u"update").caption, u"软件更新(&G)");
    QVERIFY_THROWS_EXCEPTION(RuntimeError, webShortcut(u"nothing"));
    RecordingBrowsers browsers;
    WebShortcuts shortcuts(browsers.factory());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, shortcuts.choose(u"nothing"));
    QCOMPARE(browsers.created, 0);
}

void TestWeb::choosingAnItemTwiceOpensTwoWindows()
{
    RecordingBrowsers browsers;
    WebShortcuts shortcuts(browsers.factory());
    shortcuts.sb_Click();
    shortcuts.sb_Click();
    QCOMPARE(browsers.created, 2);
    QCOMPARE(
        browsers.calls.count(QStringLiteral("open http://www.mulo.example/www/5x1j/index.html")),
        2);
}

void TestWeb::aBrowserThatCannotBeMadeFailsTheHandler()
{
    RecordingBrowsers browsers;
    browsers.failToCreate = true;
    WebShortcuts shortcuts(browsers.factory());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, shortcuts.tv_Click());
    QVERIFY(browsers.calls.isEmpty());
}

void TestWeb::aBrowserThatRefusesFailsTheHandler()
{
    RecordingBrowsers browsers;
    browsers.failToNavigate = true;
    WebShortcuts shortcuts(browsers.factory());
    QVERIFY_THROWS_EXCEPTION(RuntimeError, shortcuts.update_Click(1));
    QCOMPARE(browsers.calls, QStringList{QStringLiteral("visible")});
}

void TestWeb::desktopBrowserHandsTheAddressToXdgOpenAsOneArgument()
{
    FakeUrlHandler handler("exit 0");
    DesktopBrowser browser;
    browser.setVisible(true);
    browser.Navigate(QStringLiteral("http://mulo.example/gs/"));
    // Characters a shell would act on reach the handler untouched, in one argument.
    browser.Navigate(QStringLiteral("http://www.mulo.example/a b;$(echo x)'\"/"));
    QCOMPARE(handler.arguments(),
             (QStringList{QStringLiteral("http://mulo.example/gs/"),
                          QStringLiteral("http://www.mulo.example/a b;$(echo x)'\"/")}));
}

void TestWeb::aHandlerThatExitsWithAnErrorIsAFailure()
{
    FakeUrlHandler handler("exit 3");
    DesktopBrowser browser;
    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             browser.Navigate(QStringLiteral("http://www.mulo.example/ly/")));
}

void TestWeb::noHandlerOnThePathIsAFailure()
{
    QTemporaryDir empty;
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    DesktopBrowser browser;
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             browser.Navigate(QStringLiteral("http://www.mulo.example/ly/")));
    qputenv("PATH", saved);
    QVERIFY(timer.elapsed() < 500);
}

void TestWeb::aHandlerThatKeepsRunningIsLeftToRun()
{
    FakeUrlHandler handler("exec sleep 3 >/dev/null 2>&1");
    DesktopBrowser browser;
    QElapsedTimer timer;
    timer.start();
    browser.Navigate(QStringLiteral("http://www.mulo.example/tv/"));
    const qint64 waited = timer.elapsed();
    QVERIFY2(waited < DesktopBrowser::refusalWindow.count() + 500,
             qPrintable(QString::number(waited)));
    QCOMPARE(handler.arguments(), QStringList{QStringLiteral("http://www.mulo.example/tv/")});
}

QTEST_GUILESS_MAIN(TestWeb)
#include "tst_web.moc"
