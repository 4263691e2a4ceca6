#include "fakes.h"
#include "lessonlistmodel.h"
#include "startup.h"
#include "textcodec.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#if defined(Q_OS_UNIX)
#include <sys/stat.h> // mkfifo
#endif

using namespace mulo;
using namespace mulo::test;

namespace {

// Puts something in the place of test.txt in the given directory.
using Setup = std::function<void(const QString& path)>;

Setup bytes(const QByteArray& content)
{
    return [content](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
    };
}

Setup sizedFile(qint64 size)
{
    return [size](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(size))
            qFatal("cannot size %s", qPrintable(path));
    };
}

#if defined(Q_OS_UNIX)
Setup link(const char* target)
{
    return [target](const QString& path) {
        if (!QFile::link(QString::fromLatin1(target), path))
            qFatal("cannot link %s", qPrintable(path));
    };
}
#endif

QByteArray lines(int count, const QByteArray& line)
{
    QByteArray all;
    all.reserve(count * line.size());
    for (int i = 0; i < count; ++i)
        all += line;
    return all;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestHostileFiles : public QObject {
    Q_OBJECT
private slots:
    void startUpSurvivesWhateverIsInThePlaceOfTheLessonFile_data();
    void startUpSurvivesWhateverIsInThePlaceOfTheLessonFile();
    void anUnreadableFileIsAStartUpFailure();
};

void TestHostileFiles::startUpSurvivesWhateverIsInThePlaceOfTheLessonFile_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<bool>("fails");    // the start-up message is shown
    QTest::addColumn<int>("entries");   // entries in the list afterwards
    QTest::addColumn<QString>("first"); // the first entry, when there is one

    const QByteArray lesson = gbk(QStringLiteral("一二三四\r\n"));
    const QString one = QStringLiteral("第1课：一二三四");
    QTest::newRow("missing") << Setup([](const QString&) {}) << true << 0 << QString();
    QTest::newRow("a directory") << Setup([](const QString& p) { QDir().mkdir(p); }) << true << 0
                                 << QString();
#if defined(Q_OS_UNIX)
    QTest::newRow("a FIFO") << Setup([](const QString& p) {
        ::mkfifo(QFile::encodeName(p).constData(), 0600);
    }) << true << 0 << QString();
    QTest::newRow("a link to /dev/zero") << link("/dev/zero") << true << 0 << QString();
    QTest::newRow("a link to /dev/urandom") << link("/dev/urandom") << true << 0 << QString();
    QTest::newRow("a dangling link") << link("/nonexistent/test.txt") << true << 0 << QString();
#endif
    QTest::newRow("empty") << bytes({}) << false << 0 << QString();
    QTest::newRow("only CR") << bytes(QByteArray(1000, '\r')) << false << 0 << QString();
    QTest::newRow("only LF") << bytes(QByteArray(1000, '\n')) << false << 0 << QString();
    QTest::newRow("only spaces") << bytes(QByteArray(1000, ' ')) << false << 0 << QString();
    QTest::newRow("a BOM alone") << bytes("\xef\xbb\xbf") << false << 0 << QString();
    QTest::newRow("one byte over 16 MiB")
        << sizedFile(maxLessonFileSize + 1) << true << 0 << QString();
    QTest::newRow("16 MiB of lessons, read to the end")
        << bytes(lines(int(maxLessonFileSize / lesson.size()), lesson)) << false << 32767 << one;
    QTest::newRow("40000 lessons") << bytes(lines(40000, lesson)) << false << 32767 << one;
    QTest::newRow("invalid GBK bytes") << bytes("\xff\xff\xff\xff\r\n") << false << 1
                                       << QStringLiteral("第1课：\ufffd\ufffd\ufffd\ufffd");
    QTest::newRow("a lone lead byte at the end of a line")
        << bytes("\xd2\xbb\xb6\r\n" + lesson) << false << 2 << QStringLiteral("第1课：一\ufffd");
    QTest::newRow("a lone lead byte at the end of the file")
        << bytes(lesson + "\xd2") << false << 2 << one;
    QTest::newRow("NUL bytes") << bytes(QByteArray("a\0b\r\n", 5)) << false << 1
                               << QStringLiteral("第1课：a") + QChar(0) + QStringLiteral("b");
    QTest::newRow("UTF-8 with a broken sequence")
        << bytes("\xe4\xb8\x80\xe4\xba\r\n\xe4\xb8\x89\xe5\x9b\x9b\r\n") << false << 2 << QString();
    QTest::newRow("UTF-16 with an odd byte count")
        << bytes(QByteArray("\xff\xfe\x00\x4e\x8c\x4e\x0d\x00\x0a\x00\x09", 11)) << false << 2
        << QStringLiteral("第1课：一二");
    QTest::newRow("a 1 MiB line without a terminator")
        << bytes(QByteArray(1 << 20, 'a')) << false << 1 << QString();
}

void TestHostileFiles::startUpSurvivesWhateverIsInThePlaceOfTheLessonFile()
{
    QFETCH(Setup, setup);
    QFETCH(bool, fails);
    QFETCH(int, entries);
    QFETCH(QString, first);

    QTemporaryDir dir;
    setup(dir.filePath(QStringLiteral("test.txt")));
    LessonListModel list;
    FakeCaption caption;
    RecordingMessageBox messageBox;
    FakeAppInfo app;
    app.path = dir.path();
    int voiceSetUps = 0;
    StartupContext context{
        list, caption, messageBox, app, readLessonFileBytes, [&] { ++voiceSetUps; }};

    QElapsedTimer timer;
    timer.start();
    Form_Load(context);
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));

    QCOMPARE(messageBox.shown.size(), fails ? 1 : 0);
    QCOMPARE(list.ListCount(), entries);
    if (!first.isEmpty())
        QCOMPARE(list.List(0), first);
    QCOMPARE(voiceSetUps, fails ? 0 : 1);
    QCOMPARE(caption.caption, fails ? QStringLiteral(MULO_TITLE) : QStringLiteral(MULO_CAPTION));
}

void TestHostileFiles::anUnreadableFileIsAStartUpFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("test.txt"));
    bytes("abcd\r\n")(path);
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    // Root reads every file, and on Windows the permission bits shut nobody out; the failed
    // read itself is covered with a simulated one.
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        QSKIP("this user can still read the file");
    QVERIFY(!readLessonFileBytes(path).error.isEmpty());
}

QTEST_MAIN(TestHostileFiles)
#include "tst_hostilefiles.moc"
