#include "fakes.h"
#include "form1.h"
#include "speechfakes.h"
#include "testregistry.h"
#include "textcodec.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

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
    Form1 form{{random, app, &messageBox,
                [this](const QString&) {
                    ++reads;
                    return FileBytes{file, {}};
                },
                speech.factory()}};

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
    void tabIntoTheListMakesNoEntryCurrent();
    void questionBoxRefusesAFifthCharacter();
    void failureInAHandlerIsReportedAndTheProgramGoesOn();
};

void TestForm1::controlsStartWithTheirInitialValues()
{
    Window w;
    QCOMPARE(w.form.objectName(), QStringLiteral("Form1"));
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Mulo儿童识字"));
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
    QCOMPARE(w.form.windowTitle(), QStringLiteral("Mulo儿童识字 V1.0.2"));
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

void TestForm1::tabIntoTheListMakesNoEntryCurrent()
{
    Window w;
    w.showActive();
    w.txtTi()->setFocus();
    QTest::keyClick(w.txtTi(), Qt::Key_Tab);
    QTRY_VERIFY(w.list()->hasFocus());
    QCOMPARE(w.form.lessons().ListIndex(), -1);
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

MULO_REGISTER_TEST(TestForm1)
#include "tst_form1.moc"
