#include "desktopbrowser.h"
#include "shortcuts.h"
#include "webfakes.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <future>

using namespace mulo;
using namespace mulo::web;
using namespace mulo::test;

class TestWeb : public QObject {
    Q_OBJECT
private slots:
    void eachItemOpensItsPage_data();
    void eachItemOpensItsPage();
    void theTableListsEveryItemOnce();
    void choosingAnItemTwiceOpensTwoWindows();
    void aBrowserThatCannotBeMadeFailsTheHandler();
    void aBrowserThatRefusesFailsTheHandler();

#if defined(Q_OS_WIN)
    void anAddressTheShellCannotOpenIsReportedWithoutHoldingUpTheCaller();
    void theCallerGoesOnWhileTheShellIsBusy();
#endif
#if defined(Q_OS_UNIX)
    void desktopBrowserHandsTheAddressToXdgOpenAsOneArgument();
    void slowHandlersDoNotHoldUpTheCallerAndLeaveNoZombie();
    void aHandlerThatExitsWithAnErrorIsReportedWhenItEnds();
    void noHandlerOnThePathIsToldToTheUser();
#endif
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

#if defined(Q_OS_WIN)
void TestWeb::anAddressTheShellCannotOpenIsReportedWithoutHoldingUpTheCaller()
{
    QStringList refused;
    DesktopBrowser browser([&](const QString& address) { refused.append(address); });
    const QString address = QStringLiteral("mulo-no-such-scheme://www.mulo.example/ly/");
    browser.Navigate(address);
    QVERIFY(refused.isEmpty()); // the shell works on while the caller goes on
    QTRY_COMPARE_WITH_TIMEOUT(refused, QStringList{address}, 10000);
}

void TestWeb::theCallerGoesOnWhileTheShellIsBusy()
{
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    std::atomic<bool> asked = false;
    QStringList refused;
    DesktopBrowser browser([&](const QString& address) { refused.append(address); },
                           [&asked, answered](const QString&) {
                               asked = true;
                               answered.wait();
                               return false;
                           });
    const QString address = QStringLiteral("http://www.mulo.example/ly/");
    browser.Navigate(address); // returns with the shell still at work
    QTRY_VERIFY(asked);
    QTest::qWait(50);
    QVERIFY(refused.isEmpty());
    answer.set_value();
    QTRY_COMPARE(refused, QStringList{address});
}
#endif

#if defined(Q_OS_UNIX)
void TestWeb::desktopBrowserHandsTheAddressToXdgOpenAsOneArgument()
{
    FakeUrlHandler handler("exit 0");
    QStringList refused;
    DesktopBrowser browser([&](const QString& address) { refused.append(address); });
    browser.setVisible(true);
    browser.Navigate(QStringLiteral("http://mulo.example/gs/"));
    // Characters a shell would act on reach the handler untouched, in one argument.
    browser.Navigate(QStringLiteral("http://www.mulo.example/a b;$(echo x)'\"/"));
    QTRY_COMPARE(handler.finished(), 2);
    QStringList arguments = handler.arguments(); // the two run side by side
    arguments.sort();
    QCOMPARE(arguments, (QStringList{QStringLiteral("http://mulo.example/gs/"),
                                     QStringLiteral("http://www.mulo.example/a b;$(echo x)'\"/")}));
    QTest::qWait(50);
    QVERIFY(refused.isEmpty());
}

void TestWeb::slowHandlersDoNotHoldUpTheCallerAndLeaveNoZombie()
{
    FakeUrlHandler handler("sleep 0.5");
    DesktopBrowser browser({});
    QElapsedTimer timer;
    timer.start();
    browser.Navigate(QStringLiteral("http://www.mulo.example/tv/"));
    browser.Navigate(QStringLiteral("http://www.mulo.example/tv/"));
    QVERIFY2(timer.elapsed() < 200, qPrintable(QString::number(timer.elapsed())));
    QTRY_COMPARE(handler.arguments().size(), 2);
    QCOMPARE(handler.finished(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(handler.finished(), 2, 5000);
    QTest::qWait(100);
    QCOMPARE(zombieChildren(), 0);
}

void TestWeb::aHandlerThatExitsWithAnErrorIsReportedWhenItEnds()
{
    FakeUrlHandler handler("sleep 0.2; exit 3");
    QStringList refused;
    DesktopBrowser browser([&](const QString& address) { refused.append(address); });
    browser.Navigate(QStringLiteral("http://www.mulo.example/ly/"));
    QVERIFY(refused.isEmpty());
    QTRY_COMPARE(refused, QStringList{QStringLiteral("http://www.mulo.example/ly/")});
}

void TestWeb::noHandlerOnThePathIsToldToTheUser()
{
    QTemporaryDir empty;
    const QByteArray saved = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(empty.path()));
    DesktopBrowser browser({});
    try {
        browser.Navigate(QStringLiteral("http://www.mulo.example/ly/"));
        QFAIL("no failure");
    } catch (const UserError& error) {
        QCOMPARE(QString::fromUtf8(error.what()),
                 noBrowserMessage(QStringLiteral("http://www.mulo.example/ly/")));
    }
    qputenv("PATH", saved);
}
#endif

QTEST_GUILESS_MAIN(TestWeb)
#include "tst_web.moc"
