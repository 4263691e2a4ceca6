#include "fakes.h"
#include "lessonlistmodel.h"
#include "startup.h"
#include "textcodec.h"

#include <QTest>

using namespace mulo;
using namespace mulo::test;

namespace {

// Start-up against fakes: the file layer hands out what the test says.
struct Startup {
    LessonListModel list;
    FakeCaption caption;
    RecordingMessageBox messageBox;
    FakeAppInfo app;
    QStringList pathsRead;
    int voiceSetUps = 0;
    std::function<void()> voice = [this] { ++voiceSetUps; };

    void run(std::function<FileBytes()> file)
    {
        StartupContext context{list,
                               caption,
                               messageBox,
                               app,
                               [this, file](const QString& path) {
                                   pathsRead.append(path);
                                   return file();
                               },
                               voice};
        Form_Load(context);
    }
    void run(const QByteArray& bytes)
    {
        run([bytes] { return FileBytes{bytes, {}}; });
    }
    QStringList entries() const
    {
        QStringList all;
        for (int i = 0; i < list.ListCount(); ++i)
            all.append(list.List(i));
        return all;
    }
};

const QString plainTitle = QStringLiteral(MULO_TITLE);
const QString fullCaption = QStringLiteral(MULO_CAPTION);

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void completeStartUpSetsVersionedCaption();
    void emptyFileIsNoFailure();
    void missingFileShowsOneWarning();
    void failedReadKeepsTheLinesBeforeIt();
    void failedVoiceSetUpKeepsTheList();
    void moreLessonsThanTheListHoldsIsNoFailure();
    void looksBesideTheProgram();
};

void TestStartup::completeStartUpSetsVersionedCaption()
{
    Startup s;
    s.run(gbk(QStringLiteral("春夏秋冬\r\n\r\n东南西北\r\n")));
    QCOMPARE(s.entries(), (QStringList{"第1课：春夏秋冬", "第3课：东南西北"}));
    QCOMPARE(s.voiceSetUps, 1);
    QCOMPARE(s.caption.caption, fullCaption);
    QVERIFY(s.messageBox.shown.isEmpty());
    QCOMPARE(s.list.SelCount(), 0);
    QCOMPARE(s.list.ListIndex(), -1);
}

void TestStartup::emptyFileIsNoFailure()
{
    Startup s;
    s.run(QByteArray());
    QCOMPARE(s.list.ListCount(), 0);
    QCOMPARE(s.voiceSetUps, 1);
    QCOMPARE(s.caption.caption, fullCaption);
    QVERIFY(s.messageBox.shown.isEmpty());
}

void TestStartup::missingFileShowsOneWarning()
{
    Startup s;
    s.app.path = QDir::tempPath() + "/no-such-directory-for-mulo";
    s.run([&] { return readLessonFileBytes(lessonFilePath(s.app.path)); });
    QCOMPARE(s.messageBox.shown.size(), 1);
    QCOMPARE(s.messageBox.shown[0].text, QStringLiteral("出现异常错误,请与作者联系!"));
    QCOMPARE(s.messageBox.shown[0].style, 48);
    QCOMPARE(s.list.ListCount(), 0);
    QCOMPARE(s.voiceSetUps, 0);
    QCOMPARE(s.caption.caption, plainTitle);
}

void TestStartup::failedReadKeepsTheLinesBeforeIt()
{
    Startup s;
    s.run([] {
        return FileBytes{gbk(QStringLiteral("一二三四\r\n上下左右\r\n日月")), "I/O error"};
    });
    QCOMPARE(s.entries(), (QStringList{"第1课：一二三四", "第2课：上下左右"}));
    QCOMPARE(s.messageBox.shown.size(), 1);
    QCOMPARE(s.voiceSetUps, 0);
    QCOMPARE(s.caption.caption, plainTitle);
}

void TestStartup::failedVoiceSetUpKeepsTheList()
{
    Startup s;
    s.voice = [] { throw RuntimeError("no voice named Microsoft Simplified Chinese"); };
    s.run(gbk(QStringLiteral("一二三四")));
    QCOMPARE(s.list.ListCount(), 1);
    QCOMPARE(s.messageBox.shown.size(), 1);
    QCOMPARE(s.caption.caption, plainTitle);
}

void TestStartup::moreLessonsThanTheListHoldsIsNoFailure()
{
    QByteArray bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += "abcd\n";
    Startup s;
    s.run(bytes);
    QCOMPARE(s.list.ListCount(), 32767);
    QCOMPARE(s.list.List(32766), QStringLiteral("第32767课：abcd"));
    QVERIFY(s.messageBox.shown.isEmpty());
    QCOMPARE(s.voiceSetUps, 1);
    QCOMPARE(s.caption.caption, fullCaption);
}

void TestStartup::looksBesideTheProgram()
{
    Startup s;
    s.app.path = "/";
    s.run(QByteArray());
    QCOMPARE(s.pathsRead, QStringList{"/test.txt"});
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
