#include "fakes.h"
#include "form1.h"
#include "speechfakes.h"
#include "webfakes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QTest>

using namespace mulo;
using namespace mulo::test;

namespace {

struct Window {
    ScriptedRandom random; // empty: a pick that draws would show an error message
    FakeAppInfo app;
    RecordingMessageBox messageBox;
    FakeSpeech speech;
    RecordingBrowsers browsers;
    Form1 form{{random, app, &messageBox,
                [](const QString&) {
                    return FileBytes{QByteArray("\xd2\xbb\xb6\xfe\xc8\xfd\xcb\xc4\n"), {}};
                },
                speech.factory(), browsers.factory()}};

    QWidget* control(const QString& name) { return form.findChild<QWidget*>(name); }
    void showActive()
    {
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    // The object name of the widget that has the focus after the key.
    QString focusAfter(Qt::Key key)
    {
        QTest::keyClick(QApplication::focusWidget(), key);
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
    }
};

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void controlsSitWhereTheyWereDrawn_data();
    void controlsSitWhereTheyWereDrawn();
    void theClientAreaBelowTheMenuBarHasItsSize();
    void enlargingTheWindowMovesNothing();
    void questionBoxLooksAsDrawn();
    void listSharesTheQuestionBoxBackground();
    void aPastedFifthCharacterIsRefused();
    void tabFollowsTheLayoutAndLandsOnTheChosenOption();
    void enterAndEscPressNoButton();
    void everyControlHasAnAccessibleName();
    void thePictureLiesUnscaledUnderTheFrames();
    void theIconHasThirteenSizes();
};

void TestLayout::controlsSitWhereTheyWereDrawn_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("twips");
    const auto row = [](const char* name, const char* parent, int l, int t, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(parent) << QRect(l, t, w, h);
    };
    row("Frame1", "", 360, 360, 5175, 1455);
    row("txtTi", "Frame1", 480, 360, 4215, 855);
    row("Frame2", "", 360, 2040, 3255, 3375);
    row("lstAllWords", "Frame2", 480, 360, 2415, 2160);
    row("Option1_0", "Frame2", 480, 2880, 975, 375);
    row("Option1_1", "Frame2", 1320, 2880, 975, 375);
    row("Option1_2", "Frame2", 2160, 2880, 975, 375);
    row("Frame3", "", 3840, 2040, 1695, 3375);
    row("chkRnd", "Frame3", 240, 600, 1215, 255);
    row("chkSingle", "Frame3", 240, 1080, 1095, 375);
    row("cmdTest", "Frame3", 360, 1920, 975, 375);
    row("cmdRead", "Frame3", 360, 2640, 975, 375);
}

void TestLayout::controlsSitWhereTheyWereDrawn()
{
    QFETCH(QString, parent);
    QFETCH(QRect, twips);
    Window w;
    w.form.show();
    QWidget* control = w.control(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
    QWidget* container = parent.isEmpty() ? w.form.centralWidget() : w.control(parent);
    QCOMPARE(control->parentWidget(), container);
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    QVERIFY(control->isVisible() && control->isEnabled());
}

void TestLayout::theClientAreaBelowTheMenuBarHasItsSize()
{
    Window w;
    w.form.show();
    QCOMPARE(w.form.centralWidget()->size(), QSize(394, 379));
    QCOMPARE(w.form.centralWidget()->y(), w.form.menuBar()->height());
}

void TestLayout::enlargingTheWindowMovesNothing()
{
    Window w;
    w.form.show();
    QMap<QString, QRect> before;
    for (QWidget* child : w.form.centralWidget()->findChildren<QWidget*>())
        before[child->objectName()] = child->geometry();
    w.form.resize(900, 700);
    QTRY_COMPARE(w.form.centralWidget()->width(), 900);
    for (QWidget* child : w.form.centralWidget()->findChildren<QWidget*>())
        QCOMPARE(child->geometry(), before[child->objectName()]);
}

void TestLayout::questionBoxLooksAsDrawn()
{
    Window w;
    auto* txtTi = w.form.findChild<QLineEdit*>(QStringLiteral("txtTi"));
    const QFont font = txtTi->font();
    QCOMPARE(font.families().value(0), QStringLiteral("宋体"));
    QVERIFY(font.families().contains(QStringLiteral("Noto Serif CJK SC"))); // where 宋体 is missing
    QCOMPARE(font.pointSize(), 42);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
    QCOMPARE(txtTi->palette().color(QPalette::Text), QColor(255, 0, 0));
    QCOMPARE(txtTi->palette().color(QPalette::Base), QColor(221, 230, 240));
    QVERIFY(txtTi->alignment() & Qt::AlignLeft);
    QCOMPARE(txtTi->maxLength(), 4);
    QCOMPARE(txtTi->toolTip(),
             QStringLiteral("点击出题按钮，软件生成汉字题目；也可以手工输入题目；不能超过4个字符"));
    QCOMPARE(w.control(QStringLiteral("cmdRead"))->toolTip(),
             QStringLiteral("软件读出题目，存在读音不标准的情况，请家长及时纠正"));
}

void TestLayout::listSharesTheQuestionBoxBackground()
{
    Window w;
    auto* list = w.form.findChild<QListView*>(QStringLiteral("lstAllWords"));
    QCOMPARE(list->palette().color(QPalette::Base), QColor(221, 230, 240));
    QCOMPARE(list->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(list->font(), w.form.font()); // the window's own, like every control's
}

void TestLayout::aPastedFifthCharacterIsRefused()
{
    Window w;
    w.showActive();
    auto* txtTi = w.form.findChild<QLineEdit*>(QStringLiteral("txtTi"));
    QApplication::clipboard()->setText(QStringLiteral("春夏秋冬雪"));
    txtTi->paste();
    QCOMPARE(txtTi->text(), QStringLiteral("春夏秋冬"));
}

void TestLayout::tabFollowsTheLayoutAndLandsOnTheChosenOption()
{
    Window w;
    w.showActive();
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtTi"));
    QStringList forward;
    for (int i = 0; i < 7; ++i)
        forward.append(w.focusAfter(Qt::Key_Tab));
    QCOMPARE(forward, (QStringList{"lstAllWords", "Option1_1", "chkRnd", "chkSingle", "cmdTest",
                                   "cmdRead", "txtTi"}));

    w.control(QStringLiteral("chkRnd"))->setFocus();
    QCOMPARE(w.focusAfter(Qt::Key_Backtab), QStringLiteral("Option1_1"));
    QCOMPARE(w.focusAfter(Qt::Key_Backtab), QStringLiteral("lstAllWords"));
    QCOMPARE(w.form.lessons().SelCount(), 0); // passing through changed no flag
}

void TestLayout::enterAndEscPressNoButton()
{
    Window w;
    w.showActive();
    for (const char* focus : {"txtTi", "chkRnd", "lstAllWords"}) {
        w.control(QLatin1String(focus))->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    QTest::qWait(150); // a button's click would come after its animation
    QVERIFY(w.form.findChild<QLineEdit*>(QStringLiteral("txtTi"))->text().isEmpty());
    QVERIFY(w.speech.engine->said.isEmpty());
    QVERIFY(w.messageBox.shown.isEmpty());
    QVERIFY(w.form.isVisible());
}

void TestLayout::everyControlHasAnAccessibleName()
{
    Window w;
    for (const char* name : {"txtTi", "lstAllWords", "Option1_0", "Option1_1", "Option1_2",
                             "chkRnd", "chkSingle", "cmdTest", "cmdRead"}) {
        QWidget* control = w.control(QLatin1String(name));
        const auto* button = qobject_cast<QAbstractButton*>(control);
        QVERIFY2(!control->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                 name);
    }
}

void TestLayout::thePictureLiesUnscaledUnderTheFrames()
{
    Window w;
    w.form.show();
    const QImage picture(QStringLiteral(":/background.jpg"));
    QCOMPARE(picture.size(), QSize(850, 531));
    const QImage client = w.form.centralWidget()->grab().toImage();
    // The window keeps the picture in 16-bit colour: a pixel may differ by a few steps.
    const auto close = [](QColor a, QColor b) {
        return qAbs(a.red() - b.red()) <= 12 && qAbs(a.green() - b.green()) <= 12 &&
               qAbs(a.blue() - b.blue()) <= 12;
    };
    // In the margins around the frames the window shows the picture's own pixels, unscaled.
    for (QPoint at :
         {QPoint(2, 2), QPoint(10, 200), QPoint(390, 375), QPoint(250, 370), QPoint(60, 10)})
        QVERIFY2(close(client.pixelColor(at), picture.pixelColor(at)),
                 qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
    // Inside a frame the picture is covered.
    const QPoint insideFrame2(30, 300);
    QVERIFY(!close(client.pixelColor(insideFrame2), picture.pixelColor(insideFrame2)));
}

void TestLayout::theIconHasThirteenSizes()
{
    Window w;
    const QList<QSize> sizes = w.form.windowIcon().availableSizes();
    QCOMPARE(sizes.size(), 13);
    QCOMPARE(sizes.first(), QSize(16, 16));
    QCOMPARE(sizes.last(), QSize(128, 128));
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
