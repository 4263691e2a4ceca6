#include "fakes.h"
#include "form1.h"
#include "speechfakes.h"
#include "textcodec.h"
#include "webfakes.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <optional>

using namespace mulo;
using namespace mulo::test;

namespace {

const QByteArray fiveLessons =
    gbk(QStringLiteral("一二三四\r\n上下左右\r\n日月水火\r\n山石田土\r\n花草树木\r\n"));

// The real window with fakes for the platform services around it.
struct Window {
    ScriptedRandom random;
    FakeAppInfo app;
    RecordingMessageBox messageBox;
    QByteArray file = fiveLessons;
    int reads = 0;
    FakeSpeech speech;
    RecordingBrowsers browsers;
    Form1 form;

    enum BrowserKind { Recording, Desktop };
    explicit Window(BrowserKind browser = Recording)
        : form({random, app, &messageBox,
                [this](const QString&) {
                    ++reads;
                    return FileBytes{file, {}};
                },
                speech.factory(), browser == Desktop ? web::BrowserFactory{} : browsers.factory()})
    {}

    template <typename T> T* control(const char* name)
    {
        T* widget = form.findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control named %s", name);
        return widget;
    }
    QLineEdit* txtTi() { return control<QLineEdit>("txtTi"); }
    QListView* list() { return control<QListView>("lstAllWords"); }
    void showActive()
    {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    // The list as the window shows it: painted bit by bit into the window's backing store,
    // not painted afresh.
    QImage listOnTheScreen()
    {
        QCoreApplication::processEvents();
        QWidget* viewport = list()->viewport();
        const QRect place(viewport->mapTo(&form, QPoint(0, 0)), viewport->size());
        return form.screen()
            ->grabWindow(form.winId(), place.x(), place.y(), place.width(), place.height())
            .toImage();
    }
    void clickRow(int row)
    {
        const QRect rect = list()->visualRect(list()->model()->index(row, 0));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void controlsStartWithTheirInitialValues();
    void loadRunsOnceBeforeTheWindowIsFirstShown();
    void questionButtonPicksThroughTheRealControls();
    void altQGivesAQuestion();
    void clickOnAnEntryTogglesItAndMakesItCurrent();
    void makingAnEntryCurrentChangesNoFlag();
    void tabIntoTheListShowsAFocusMarkAndMakesNoEntryCurrent();
    void scrollingTheListLeavesNoStaleFocusMarks();
    void spaceTicksTheCurrentLesson_data();
    void spaceTicksTheCurrentLesson();
    void aSelectionCommandShowsOnTheScreenAtOnce_data();
    void aSelectionCommandShowsOnTheScreenAtOnce();
    void shiftTabFromRandomLandsOnTheChosenOption();
    void questionBoxRefusesAFifthCharacter();
    void questionBoxKeepsOneLineOfWholeCharacters_data();
    void questionBoxKeepsOneLineOfWholeCharacters();
    void questionBoxShowsItsTextWhole_data();
    void questionBoxShowsItsTextWhole();
    void failureInAHandlerIsReportedAndTheProgramGoesOn();
    void theListGoesBeforeTheLessonsItShows();

    void menuBarFollowsItsTable_data();
    void menuBarFollowsItsTable();
    void functionKeysOpenTheirPages_data();
    void functionKeysOpenTheirPages();
    void aFailingBrowserIsReportedAndChangesNothing();
#if defined(Q_OS_UNIX)
    void theDesktopBrowserLeavesTheWindowFreeAndItsFailureIsAWarning_data();
    void theDesktopBrowserLeavesTheWindowFreeAndItsFailureIsAWarning();
#endif
    void menuCommandsActLikeTheButtons();
    void aCharacterAskedAloneIsSaidAsItsLessonSaysIt();
    void aTypedCharacterIsSaidAsItIsAlone();
    void altASpeaksTheQuestion();
    void optionButtonsRunOnEveryChoice();
    void rapidClicksOnAFullListStayConsistent();
};

void TestForm1::controlsStartWithTheirInitialValues()
{
    Window w;
    QCOMPARE(w.form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.form.windowTitle(), QStringLiteral(MULO_TITLE));
    for (const char* frame : {"Frame1", "Frame2", "Frame3"})
        QVERIFY(w.control<QGroupBox>(frame));
    QVERIFY(w.txtTi()->text().isEmpty());
    QCOMPARE(w.list()->model()->rowCount(), 0);
    QVERIFY(w.control<QCheckBox>("chkRnd")->isChecked());
    QVERIFY(w.control<QCheckBox>("chkSingle")->isChecked());
    QVERIFY(!w.control<QRadioButton>("Option1_0")->isChecked());
    QVERIFY(w.control<QRadioButton>("Option1_1")->isChecked());
    QVERIFY(!w.control<QRadioButton>("Option1_2")->isChecked());
    QCOMPARE(w.control<QPushButton>("cmdTest")->text(), QStringLiteral("出题(&Q)"));
    QCOMPARE(w.control<QPushButton>("cmdRead")->text(), QStringLiteral("答案(&A)"));
}

void TestForm1::loadRunsOnceBeforeTheWindowIsFirstShown()
{
    Window w;
    QCOMPARE(w.reads, 0);
    w.form.show();
    QCOMPARE(w.reads, 1);
    QCOMPARE(w.form.windowTitle(), QStringLiteral(MULO_CAPTION));
    QCOMPARE(w.form.lessons().ListCount(), 5);
    QCOMPARE(w.form.lessons().List(0), QStringLiteral("第1课：一二三四"));
    w.form.hide();
    w.form.show();
    QCOMPARE(w.reads, 1);
}

void TestForm1::questionButtonPicksThroughTheRealControls()
{
    Window w;
    w.form.show();
    w.control<QCheckBox>("chkRnd")->setChecked(false);
    w.control<QCheckBox>("chkSingle")->setChecked(false);
    auto* cmdTest = w.control<QPushButton>("cmdTest");
    QTest::mouseClick(cmdTest, Qt::LeftButton);
    QCOMPARE(w.txtTi()->text(), QStringLiteral("一二三四"));
    QTest::mouseClick(cmdTest, Qt::LeftButton);
    QCOMPARE(w.txtTi()->text(), QStringLiteral("上下左右"));
    QCOMPARE(w.list()->currentIndex().row(), 1);

    w.control<QCheckBox>("chkSingle")->setChecked(true);
    QTest::mouseClick(cmdTest, Qt::LeftButton);
    QCOMPARE(w.txtTi()->text(), QStringLiteral("日"));
    QCOMPARE(w.form.lessons().SelCount(), 0);
}

void TestForm1::altQGivesAQuestion()
{
    Window w;
    w.random.values = {0.99, 0.0};
    w.showActive();
    QTest::keyClick(&w.form, Qt::Key_Q, Qt::AltModifier);
    QTRY_COMPARE(w.txtTi()->text(), QStringLiteral("花"));
    QCOMPARE(w.form.lessons().ListIndex(), 4);
}

void TestForm1::clickOnAnEntryTogglesItAndMakesItCurrent()
{
    Window w;
    w.showActive();
    LessonListModel& lessons = w.form.lessons();
    w.clickRow(1);
    QVERIFY(lessons.Selected(1));
    QCOMPARE(lessons.ListIndex(), 1);
    w.clickRow(3);
    QCOMPARE(lessons.SelCount(), 2);
    QCOMPARE(lessons.ListIndex(), 3);
    w.clickRow(1);
    QVERIFY(!lessons.Selected(1));
    QCOMPARE(lessons.ListIndex(), 1);

    // On the tick box itself a click counts once, like anywhere else on the row.
    const QRect row = w.list()->visualRect(w.list()->model()->index(2, 0));
    QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {},
                      row.topLeft() + QPoint(8, row.height() / 2));
    QVERIFY(lessons.Selected(2));
}

void TestForm1::makingAnEntryCurrentChangesNoFlag()
{
    Window w;
    w.form.show();
    w.form.lessons().setListIndex(2);
    QCOMPARE(w.list()->currentIndex().row(), 2);
    QCOMPARE(w.form.lessons().SelCount(), 0);
    w.form.lessons().setListIndex(-1);
    QVERIFY(!w.list()->currentIndex().isValid());
}

void TestForm1::tabIntoTheListShowsAFocusMarkAndMakesNoEntryCurrent()
{
    Window w;
    w.showActive();
    w.txtTi()->setFocus();
    const QImage before = w.list()->grab().toImage();
    QTest::keyClick(w.txtTi(), Qt::Key_Tab);
    QTRY_VERIFY(w.list()->hasFocus());
    QCOMPARE(w.form.lessons().ListIndex(), -1);
    QVERIFY(w.list()->grab().toImage() != before); // a focus mark shows where the keys go

    // With the focus elsewhere, the current lesson stays marked; no flag changes.
    const QRect row = w.list()->visualRect(w.list()->model()->index(2, 0));
    w.form.lessons().setListIndex(2);
    w.txtTi()->setFocus();
    QTRY_VERIFY(!w.list()->hasFocus());
    QVERIFY(w.list()->viewport()->grab(row).toImage() !=
            before.copy(row.translated(w.list()->viewport()->pos())));
    QCOMPARE(w.form.lessons().SelCount(), 0);
}

// What the window shows after scrolling, as it was painted bit by bit, against what it shows
// once the list is painted anew.
void TestForm1::scrollingTheListLeavesNoStaleFocusMarks()
{
    Window w;
    w.file.clear();
    for (int i = 0; i < 30; ++i)
        w.file += gbk(QStringLiteral("天地人和\n"));
    w.showActive();
    w.txtTi()->setFocus();
    QTest::keyClick(w.txtTi(), Qt::Key_Tab);
    QTRY_VERIFY(w.list()->hasFocus());
    QWidget* viewport = w.list()->viewport();
    const auto shown = [&] { return w.listOnTheScreen(); };
    for (const int step : {3, 7, 2}) {
        w.list()->verticalScrollBar()->setValue(step);
        const QImage scrolled = shown();
        viewport->repaint();
        QVERIFY2(scrolled == shown(),
                 qPrintable(QStringLiteral("after scrolling to %1").arg(step)));
    }
}

void TestForm1::spaceTicksTheCurrentLesson_data()
{
    QTest::addColumn<int>("row");
    QTest::newRow("the first lesson") << 0;
    QTest::newRow("a lesson in the middle") << 2;
}

void TestForm1::spaceTicksTheCurrentLesson()
{
    QFETCH(int, row);
    Window w;
    w.showActive();
    w.form.lessons().setListIndex(row);
    w.list()->setFocus();
    QTRY_VERIFY(w.list()->hasFocus());
    QTest::keyClick(w.list(), Qt::Key_Space);
    QVERIFY(w.form.lessons().Selected(row));
    QCOMPARE(w.form.lessons().SelCount(), 1);
    QTest::keyClick(w.list(), Qt::Key_Space);
    QCOMPARE(w.form.lessons().SelCount(), 0);
}

void TestForm1::aSelectionCommandShowsOnTheScreenAtOnce_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("全选") << "Option1_0";
    QTest::newRow("反选") << "Option1_2";
}

// What the window shows, as it was painted, before and after the command.
void TestForm1::aSelectionCommandShowsOnTheScreenAtOnce()
{
    QFETCH(QString, option);
    Window w;
    w.showActive();
    QWidget* viewport = w.list()->viewport();
    const auto shown = [&] { return w.listOnTheScreen(); };
    const QImage before = shown();
    QTest::mouseClick(w.control<QRadioButton>(qPrintable(option)), Qt::LeftButton);
    QCOMPARE(w.form.lessons().SelCount(), 5);
    const QImage after = shown();
    QVERIFY(after != before);
    viewport->repaint();
    QVERIFY(after == shown()); // nothing more to paint: the screen showed it all at once
}

void TestForm1::shiftTabFromRandomLandsOnTheChosenOption()
{
    Window w;
    w.showActive();
    w.control<QCheckBox>("chkRnd")->setFocus();
    QTRY_VERIFY(w.control<QCheckBox>("chkRnd")->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    QTRY_COMPARE(QApplication::focusWidget(), w.control<QRadioButton>("Option1_1"));
}

void TestForm1::questionBoxRefusesAFifthCharacter()
{
    Window w;
    w.showActive();
    for (QChar c : QStringLiteral("春夏秋冬雪")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w.txtTi(), &press);
    }
    QCOMPARE(w.txtTi()->text(), QStringLiteral("春夏秋冬"));
}

void TestForm1::questionBoxKeepsOneLineOfWholeCharacters_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("cursorAfter");
    QTest::newRow("a line break ends the paste") << "" << 0 << "春夏\n秋冬"
                                                 << "春夏" << 2;
    QTest::newRow("so does CR LF") << "" << 0 << "春\r\n夏"
                                   << "春" << 1;
    QTest::newRow("the user's text after the cursor stays") << "冬" << 0 << "春\n秋"
                                                            << "春冬" << 1;
    QTest::newRow("a two-unit character the limit would split is left out")
        << "" << 0 << QString::fromUtf8("一二三\U00020000") << "一二三" << 3;
    QTest::newRow("a two-unit character that fits stays")
        << "" << 0 << QString::fromUtf8("一二\U00020000") << QString::fromUtf8("一二\U00020000")
        << 4;
    QTest::newRow("a two-unit character that no longer fits before the user's text")
        << "夏" << 0 << QString::fromUtf8("一二\U00020000") << "一二夏" << 2;
    QTest::newRow("a fifth character is refused") << "" << 0 << "春夏秋冬雪"
                                                  << "春夏秋冬" << 4;
}

void TestForm1::questionBoxKeepsOneLineOfWholeCharacters()
{
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, after);
    QFETCH(int, cursorAfter);
    Window w;
    w.showActive();
    w.txtTi()->setText(before);
    w.txtTi()->setCursorPosition(cursor);
    QGuiApplication::clipboard()->setText(pasted);
    w.txtTi()->paste();
    QCOMPARE(w.txtTi()->text(), after);
    QCOMPARE(w.txtTi()->cursorPosition(), cursorAfter);
}

void TestForm1::questionBoxShowsItsTextWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bottomWhole"); // false: only the ideographs must be whole
    QTest::newRow("a lesson") << "春夏秋冬" << true;
    QTest::newRow("a character with a low stroke") << "以" << true;
    QTest::newRow("Latin with a descender") << "Ag" << true;
    QTest::newRow("ideographs with a descender") << "国g" << false;
}

void TestForm1::questionBoxShowsItsTextWhole()
{
    QFETCH(QString, text);
    QFETCH(bool, bottomWhole);
    Window w;
    w.txtTi()->setText(text);
    w.txtTi()->setFocus();
    const QImage box = w.txtTi()->grab().toImage();
    int top = box.height(), bottom = -1;
    for (int y = 0; y < box.height(); ++y) {
        for (int x = 0; x < box.width(); ++x) {
            const QColor c = box.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 100 && c.blue() < 100) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    QVERIFY2(top > 0, qPrintable(QString::number(top))); // nothing cut at the top
    if (bottomWhole)
        QVERIFY2(bottom < box.height() - 1, qPrintable(QString::number(bottom)));
    else
        QVERIFY2(bottom >= box.height() - 12, qPrintable(QString::number(bottom))); // shows
}

void TestForm1::failureInAHandlerIsReportedAndTheProgramGoesOn()
{
    Window w; // no scripted random values: the first random pick fails
    w.form.show();
    w.txtTi()->setText("山");
    QTest::mouseClick(w.control<QPushButton>("cmdTest"), Qt::LeftButton);
    QCOMPARE(w.messageBox.shown.size(), 1);
    QVERIFY(w.messageBox.shown[0].text.contains("cmdTest_Click"));
    QVERIFY(w.messageBox.shown[0].text.contains("no scripted value left"));
    QCOMPARE(w.txtTi()->text(), QStringLiteral("山"));
    QVERIFY(w.form.isVisible());
}

void TestForm1::theListGoesBeforeTheLessonsItShows()
{
    QStringList order;
    {
        Window w;
        w.showActive();
        connect(w.list(), &QObject::destroyed, [&] { order << QStringLiteral("list"); });
        connect(&w.form.lessons(), &QObject::destroyed,
                [&] { order << QStringLiteral("lessons"); });
    }
    QCOMPARE(order, (QStringList{QStringLiteral("list"), QStringLiteral("lessons")}));
}

void TestForm1::menuBarFollowsItsTable_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    const auto row = [](const char* item, const char* menu, const char* caption,
                        QKeySequence key = {}) {
        QTest::newRow(item) << item << menu << QString::fromUtf8(caption) << key;
    };
    row("test_meau", "", "识字题目(&T)");
    row("test_test", "test_meau", "出题");
    row("test_Answer", "test_meau", "答案");
    row("update", "", "软件更新(&G)");
    row("yijian", "", "意见建议(&Y)");
    row("site", "", "作者网站(&S)");
    row("sb", "site", "五险一金", Qt::Key_F1);
    row("tools", "site", "查询工具", Qt::Key_F2);
    row("vod", "site", "视频在线", Qt::Key_F3);
    row("tv", "site", "在线电视", Qt::Key_F4);
    row("music", "site", "音乐搜索", Qt::Key_F5);
    row("kso", "site", "综合搜索", Qt::Key_F6);
    row("pc", "site", "电脑教程", Qt::Key_F7);
    row("ebook", "site", "电脑书库", Qt::Key_F8);
    row("so", "site", "学习资源", Qt::Key_F9);
    row("cp", "site", "彩票频道", Qt::Key_F11);
    row("wz", "site", "上网导航", Qt::Key_F12);
}

void TestForm1::menuBarFollowsItsTable()
{
    QFETCH(QString, item);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    Window w;
    QWidget* container = w.form.menuBar();
    if (!menu.isEmpty())
        container = w.control<QMenu>(menu.toLatin1().constData());
    QAction* found = nullptr;
    for (QAction* a : container->actions()) {
        if (a->objectName() == item)
            found = a;
    }
    QVERIFY(found);
    QCOMPARE(found->text(), caption);
    QCOMPARE(found->shortcut(), shortcut);
    QVERIFY(found->isEnabled() && found->isVisible() && !found->isCheckable());
}

void TestForm1::functionKeysOpenTheirPages_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifier");
    QTest::addColumn<QStringList>("opened");
    const int none = Qt::NoModifier;
    QTest::newRow("F1 opens 五险一金, no help")
        << int(Qt::Key_F1) << none
        << QStringList{"visible", "open http://www.mulo.example/www/5x1j/index.html"};
    QTest::newRow("F9") << int(Qt::Key_F9) << none
                        << QStringList{"visible", "open http://www.mulo.example/so/"};
    QTest::newRow("F10 runs no item") << int(Qt::Key_F10) << none << QStringList{};
    QTest::newRow("F11 follows F9")
        << int(Qt::Key_F11) << none << QStringList{"visible", "open http://mulo.example/gs/"};
    QTest::newRow("F12") << int(Qt::Key_F12) << none
                         << QStringList{"visible", "open http://www.mulo.example/wz/"};
    QTest::newRow("Alt+G 软件更新")
        << int(Qt::Key_G) << int(Qt::AltModifier)
        << QStringList{"visible", "open http://www.mulo.example/tools/quon.htm"};
    QTest::newRow("Alt+Y 意见建议") << int(Qt::Key_Y) << int(Qt::AltModifier)
                                    << QStringList{"visible", "open http://www.mulo.example/ly/"};
}

void TestForm1::functionKeysOpenTheirPages()
{
    QFETCH(int, key);
    QFETCH(int, modifier);
    QFETCH(QStringList, opened);
    Window w;
    w.showActive();
    QTest::keyClick(&w.form, Qt::Key(key), Qt::KeyboardModifiers(modifier));
    if (!opened.isEmpty())
        QTRY_COMPARE(w.browsers.calls, opened);
    QTest::qWait(50);
    QCOMPARE(w.browsers.calls, opened);
    QVERIFY(w.messageBox.shown.isEmpty());
}

#if defined(Q_OS_UNIX)
void TestForm1::theDesktopBrowserLeavesTheWindowFreeAndItsFailureIsAWarning_data()
{
    QTest::addColumn<QByteArray>("handler"); // empty: no xdg-open at all
    QTest::newRow("a slow handler that refuses") << QByteArray("sleep 3; exit 3");
    QTest::newRow("a handler whose interpreter is missing")
        << QByteArray("#!/nonexistent/interpreter\nexit 0");
    QTest::newRow("no handler") << QByteArray();
}

void TestForm1::theDesktopBrowserLeavesTheWindowFreeAndItsFailureIsAWarning()
{
    QFETCH(QByteArray, handler);
    QTemporaryDir empty;
    const QByteArray savedPath = qgetenv("PATH");
    std::optional<FakeUrlHandler> fake;
    if (handler.isEmpty())
        qputenv("PATH", QFile::encodeName(empty.path()));
    else
        fake.emplace(handler);
    Window w(Window::Desktop);
    w.random.values = {0.99, 0.0};
    w.showActive();
    QTest::keyClick(&w.form, Qt::Key_F1);
    QTest::keyClick(&w.form, Qt::Key_Q, Qt::AltModifier);
    QTRY_COMPARE(w.txtTi()->text(), QStringLiteral("花"));
    if (fake && !handler.startsWith("#!")) { // the question came while the handler still ran
        QCOMPARE(fake->finished(), 0);
        QVERIFY(w.messageBox.shown.isEmpty());
    }
    QTRY_COMPARE_WITH_TIMEOUT(w.messageBox.shown.size(), 1, 10000);
    QCOMPARE(w.messageBox.shown[0].text,
             web::noBrowserMessage(QStringLiteral("http://www.mulo.example/www/5x1j/index.html")));
    QCOMPARE(w.messageBox.shown[0].style, int(MessageBoxOps::Exclamation));
    qputenv("PATH", savedPath);
}
#endif

void TestForm1::aFailingBrowserIsReportedAndChangesNothing()
{
    Window w;
    w.showActive();
    w.form.lessons().setSelected(2, true);
    w.form.lessons().setListIndex(3);
    w.txtTi()->setText(QStringLiteral("花"));
    w.control<QCheckBox>("chkRnd")->setChecked(false);
    w.browsers.failToNavigate = true;

    w.form.findChild<QAction*>(QStringLiteral("update"))->trigger();
    QCOMPARE(w.messageBox.shown.size(), 1);
    QVERIFY(w.messageBox.shown[0].text.contains(QStringLiteral("update_Click")));
    QCOMPARE(w.messageBox.shown[0].style, int(MessageBoxOps::Critical));

    w.browsers.failToNavigate = false;
    QTest::keyClick(&w.form, Qt::Key_F2); // still running, and the next shortcut works
    QCOMPARE(w.browsers.calls.last(), QStringLiteral("open http://www.mulo.example/tools/"));
    QCOMPARE(w.txtTi()->text(), QStringLiteral("花"));
    QCOMPARE(w.form.lessons().SelCount(), 1);
    QVERIFY(w.form.lessons().Selected(2));
    QCOMPARE(w.form.lessons().ListIndex(), 3);
    QCOMPARE(w.form.lessons().ListCount(), 5);
    QVERIFY(!w.control<QCheckBox>("chkRnd")->isChecked());
    QVERIFY(w.control<QCheckBox>("chkSingle")->isChecked());
}

void TestForm1::menuCommandsActLikeTheButtons()
{
    Window w;
    w.form.show();
    w.control<QCheckBox>("chkRnd")->setChecked(false);
    w.control<QCheckBox>("chkSingle")->setChecked(false);
    w.form.findChild<QAction*>(QStringLiteral("test_test"))->trigger();
    QCOMPARE(w.txtTi()->text(), QStringLiteral("一二三四"));
    w.form.findChild<QAction*>(QStringLiteral("test_Answer"))->trigger();
    QCOMPARE(w.speech.engine->said.size(), 1);
    QCOMPARE(w.speech.engine->said[0].text, QStringLiteral("一二三四"));
}

// Lessons whose characters are read otherwise alone, each character picked in turn in one
// run of the window, as a child meets them: the voice is given the lesson's reading.
void TestForm1::aCharacterAskedAloneIsSaidAsItsLessonSaysIt()
{
    Window w;
    w.file =
        QStringLiteral("银行门口\n长大以后\n音乐课上\n一只小鸟\n睡觉时间\n快乐地唱\n").toUtf8();
    w.showActive();
    const QStringList said{"银", "hang2", "门", "口", "zhang3", "大",   "以",  "后",
                           "音", "yue4",  "课", "上", "一",     "zhi1", "小",  "鸟",
                           "睡", "jiao4", "时", "间", "快",     "乐",   "de5", "唱"};
    for (int lesson = 0; lesson < 6; ++lesson) {
        for (int at = 0; at < 4; ++at) {
            w.random.values = {lesson / 5.0, at / 3.0};
            QTest::mouseClick(w.control<QPushButton>("cmdTest"), Qt::LeftButton);
            QTest::mouseClick(w.control<QPushButton>("cmdRead"), Qt::LeftButton);
            QCOMPARE(w.speech.engine->said.last().text, said[lesson * 4 + at]);
        }
    }
    // A question the answer picks itself, into a blank box.
    w.txtTi()->clear();
    w.random.values = {0.0, 1 / 3.0};
    QTest::mouseClick(w.control<QPushButton>("cmdRead"), Qt::LeftButton);
    QCOMPARE(w.txtTi()->text(), QStringLiteral("行"));
    QCOMPARE(w.speech.engine->said.last().text, QStringLiteral("hang2"));
    // A whole lesson is given as it is.
    w.control<QCheckBox>("chkSingle")->setChecked(false);
    w.random.values = {0.0};
    QTest::mouseClick(w.control<QPushButton>("cmdTest"), Qt::LeftButton);
    QTest::mouseClick(w.control<QPushButton>("cmdRead"), Qt::LeftButton);
    QCOMPARE(w.speech.engine->said.last().text, QStringLiteral("银行门口"));
}

// A character typed into the box is said as it is alone, even the one a pick had shown.
void TestForm1::aTypedCharacterIsSaidAsItIsAlone()
{
    Window w;
    w.file = QStringLiteral("银行门口\n").toUtf8();
    w.showActive();
    w.random.values = {0.0, 1 / 3.0};
    QTest::mouseClick(w.control<QPushButton>("cmdTest"), Qt::LeftButton);
    QCOMPARE(w.txtTi()->text(), QStringLiteral("行"));
    w.txtTi()->setFocus();
    w.txtTi()->selectAll();
    QInputMethodEvent typed; // as a Chinese input method types it
    typed.setCommitString(QStringLiteral("行"));
    QCoreApplication::sendEvent(w.txtTi(), &typed);
    QCOMPARE(w.txtTi()->text(), QStringLiteral("行"));
    QTest::mouseClick(w.control<QPushButton>("cmdRead"), Qt::LeftButton);
    QCOMPARE(w.speech.engine->said.last().text, QStringLiteral("行"));
    // Nor is a box written otherwise than by a pick, even with the pick's own character.
    w.random.values = {0.0, 1 / 3.0};
    QTest::mouseClick(w.control<QPushButton>("cmdTest"), Qt::LeftButton);
    w.txtTi()->clear();
    w.txtTi()->setText(QStringLiteral("行"));
    QTest::mouseClick(w.control<QPushButton>("cmdRead"), Qt::LeftButton);
    QCOMPARE(w.speech.engine->said.last().text, QStringLiteral("行"));
}

void TestForm1::altASpeaksTheQuestion()
{
    Window w;
    w.random.values = {0.0, 0.0};
    w.showActive();
    QTest::keyClick(&w.form, Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(w.speech.engine->said.size(), 1);
    QCOMPARE(w.speech.engine->said[0].text, QStringLiteral("一")); // picked, shown, then spoken
    QCOMPARE(w.txtTi()->text(), QStringLiteral("一"));
    QCOMPARE(w.speech.stream->played[0].sampleRate, 8000);
}

void TestForm1::optionButtonsRunOnEveryChoice()
{
    Window w;
    w.showActive();
    LessonListModel& lessons = w.form.lessons();
    lessons.setSelected(0, true);
    auto* invert = w.control<QRadioButton>("Option1_2");
    QTest::mouseClick(invert, Qt::LeftButton);
    QCOMPARE(lessons.SelCount(), 4);
    QTest::mouseClick(invert, Qt::LeftButton); // chosen already: inverts again
    QCOMPARE(lessons.SelCount(), 1);
    QVERIFY(lessons.Selected(0));

    // Arrow keys inside the group choose the neighbour, which runs its command.
    invert->setFocus();
    QTest::keyClick(invert, Qt::Key_Left);
    QVERIFY(w.control<QRadioButton>("Option1_1")->isChecked());
    QCOMPARE(lessons.SelCount(), 0);
    QTest::keyClick(w.control<QRadioButton>("Option1_1"), Qt::Key_Left);
    QCOMPARE(lessons.SelCount(), 5);
}

void TestForm1::rapidClicksOnAFullListStayConsistent()
{
    Window w;
    w.file.clear();
    for (int i = 0; i < ListOps::maxCount; ++i)
        w.file += "\xd2\xbb\xb6\xfe\xc8\xfd\xcb\xc4\r\n";
    for (int i = 0; i < 2000; ++i)
        w.random.values.push_back((i * 0.618034) - std::floor(i * 0.618034));
    w.showActive();
    LessonListModel& lessons = w.form.lessons();
    QCOMPARE(lessons.ListCount(), ListOps::maxCount);

    // How quick they are is measured by bench/bench_selection and bench/bench_lessons.
    const auto clickMany = [&](QAbstractButton* button) {
        for (int i = 0; i < 1000; ++i) {
            QTest::mouseClick(button, Qt::LeftButton);
            QCoreApplication::processEvents(); // including the repaint
        }
    };
    clickMany(w.control<QPushButton>("cmdTest"));
    clickMany(w.control<QRadioButton>("Option1_2"));

    int ticked = 0;
    for (int i = 0; i < lessons.ListCount(); ++i)
        ticked += lessons.Selected(i);
    QCOMPARE(lessons.SelCount(), ticked);
    QCOMPARE(ticked, 0); // an even number of inversions
    QVERIFY(w.messageBox.shown.isEmpty());
    QCOMPARE(w.txtTi()->text().size(), 1);
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
