#include "desktop.h"
#include "textcodec.h"
#include "wavfile.h"

#include <QDateTime>
#include <QDir>
#include <QTest>

using namespace mulo::test;

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void init();
    void altQShowsAQuestionAndTheProgramEndsCleanly();
    void anyFirstSignalEndsTheProgramCleanly_data();
    void anyFirstSignalEndsTheProgramCleanly();
    void aSignalClosesTheStartUpWarningAndEndsTheProgram();
    void answerKeyPlaysTheQuestionOnTheSoundDevice();
    void f1OpensItsPageThroughTheDesktopsUrlHandler();
    void theProgramWritesNothingBesideItself();
};

void TestDesktop::init()
{
    const QString missing = Desktop::missingTools();
    if (!missing.isEmpty())
        QSKIP(qPrintable(QStringLiteral("needs ") + missing +
                         QStringLiteral(" (scripts/setup installs them)")));
}

namespace {

// Pixels of the question box's pure red; nothing else in the window is that red.
int redPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 200 && c.green() < 80 && c.blue() < 80;
        }
    }
    return count;
}

} // namespace

void TestDesktop::altQShowsAQuestionAndTheProgramEndsCleanly()
{
    Desktop desktop;
    QVERIFY(desktop.startServer());
    QVERIFY(desktop.startProgram(QStringLiteral(MULO_PROGRAM),
                                 gbk(QStringLiteral("春夏秋冬\r\n日月星辰\r\n"))));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowTitle(), QStringLiteral(MULO_CAPTION), 10000);
    const QImage before = desktop.grab();
    QVERIFY(!before.isNull());
    QCOMPARE(redPixels(before), 0);

    QVERIFY(desktop.key(QStringLiteral("alt+q")));
    QTRY_VERIFY_WITH_TIMEOUT(redPixels(desktop.grab()) > 100, 10000); // a character in the box

    QVERIFY2(desktop.endProgram(), desktop.programOutput().constData());
}

void TestDesktop::anyFirstSignalEndsTheProgramCleanly_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("a session manager's SIGTERM") << SIGTERM;
    QTest::newRow("logging out: SIGHUP") << SIGHUP;
    QTest::newRow("Ctrl+C") << SIGINT;
}

void TestDesktop::anyFirstSignalEndsTheProgramCleanly()
{
    QFETCH(int, signal);
    Desktop desktop;
    QVERIFY(desktop.startServer());
    QVERIFY(
        desktop.startProgram(QStringLiteral(MULO_PROGRAM), gbk(QStringLiteral("春夏秋冬\r\n"))));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowTitle(), QStringLiteral(MULO_CAPTION), 10000);
    QVERIFY2(desktop.endProgram(signal), desktop.programOutput().constData());
}

// Without lessons the start-up warning waits for the parent; a logout does not wait for it.
void TestDesktop::aSignalClosesTheStartUpWarningAndEndsTheProgram()
{
    Desktop desktop;
    QVERIFY(desktop.startServer());
    QVERIFY(desktop.startProgram(QStringLiteral(MULO_PROGRAM), std::nullopt));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowTitle(), QStringLiteral(MULO_TITLE), 10000);
    QVERIFY2(desktop.endProgram(SIGTERM, 5000), desktop.programOutput().constData());
}

void TestDesktop::answerKeyPlaysTheQuestionOnTheSoundDevice()
{
    Desktop desktop;
    QVERIFY(desktop.startServer());
    // ALSA's default device becomes a WAV file: what the program plays lands there.
    const QString played = desktop.file(QStringLiteral("played.wav"));
    QFile asoundrc(desktop.file(QStringLiteral(".asoundrc")));
    QVERIFY(asoundrc.open(QIODevice::WriteOnly));
    asoundrc.write(
        QStringLiteral(
            "pcm.!default { type file; slave.pcm \"null\"; file \"%1\"; format \"wav\" }\n")
            .arg(played)
            .toUtf8());
    asoundrc.close();

    QVERIFY(
        desktop.startProgram(QStringLiteral(MULO_PROGRAM), gbk(QStringLiteral("春夏秋冬\r\n"))));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowTitle(), QStringLiteral(MULO_CAPTION), 10000);
    QVERIFY(desktop.key(QStringLiteral("alt+a")));

    // The box is blank: the answer picks one character of the only lesson and speaks it,
    // a syllable of about a quarter of a second.
    QTRY_VERIFY_WITH_TIMEOUT(readWav(played).samples.size() > 1000, 15000);
    const Wav wav = readWav(played);
    QCOMPARE(wav.sampleRate, 8000);
    QCOMPARE(wav.channels, 1);
    QVERIFY(wav.peak() > 500);
    QVERIFY2(desktop.programRunning(), desktop.programOutput().constData());
}

void TestDesktop::f1OpensItsPageThroughTheDesktopsUrlHandler()
{
    Desktop desktop;
    QVERIFY(desktop.startServer());
    // The desktop's URL handler, replaced by one that writes down its arguments.
    const QString bin = desktop.file(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(bin));
    const QString log = desktop.file(QStringLiteral("opened"));
    QFile handler(bin + QStringLiteral("/xdg-open"));
    QVERIFY(handler.open(QIODevice::WriteOnly));
    handler.write("#!/bin/sh\nprintf '%s|' \"$@\" >> '" + QFile::encodeName(log) + "'\necho >> '" +
                  QFile::encodeName(log) + "'\n");
    handler.close();
    handler.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    desktop.environment().insert(QStringLiteral("PATH"),
                                 bin + QLatin1Char(':') +
                                     desktop.environment().value(QStringLiteral("PATH")));

    QVERIFY(
        desktop.startProgram(QStringLiteral(MULO_PROGRAM), gbk(QStringLiteral("春夏秋冬\r\n"))));
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowTitle(), QStringLiteral(MULO_CAPTION), 10000);
    QVERIFY(desktop.key(QStringLiteral("F1")));
    QVERIFY(desktop.key(QStringLiteral("F1")));
    const auto opened = [&] {
        QFile file(log);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QTRY_COMPARE_WITH_TIMEOUT(opened(),
                              QByteArray("http://www.mulo.example/www/5x1j/index.html|\n"
                                         "http://www.mulo.example/www/5x1j/index.html|\n"),
                              10000);
    QVERIFY(desktop.programRunning());
}

namespace {

// Names, sizes, times and contents of everything in a folder.
QStringList snapshot(const QString& folder)
{
    QStringList all;
    for (const QFileInfo& info :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        QFile file(info.filePath());
        file.open(QIODevice::ReadOnly);
        all.append(QStringLiteral("%1 %2 %3 %4")
                       .arg(info.fileName())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch())
                       .arg(QString::fromLatin1(file.readAll().toHex().left(64))));
    }
    return all;
}

} // namespace

void TestDesktop::theProgramWritesNothingBesideItself()
{
    Desktop desktop;
    QVERIFY(desktop.startServer());
    QVERIFY(desktop.startProgram(QStringLiteral(MULO_PROGRAM),
                                 gbk(QStringLiteral("春夏秋冬\r\n日月星辰\r\n"))));
    const QStringList before = snapshot(desktop.programFolder());
    QTRY_COMPARE_WITH_TIMEOUT(desktop.windowTitle(), QStringLiteral(MULO_CAPTION), 10000);
    for (const char* keys : {"alt+q", "alt+a", "alt+q", "alt+q"})
        QVERIFY(desktop.key(QLatin1String(keys)));
    QTest::qWait(500);
    QVERIFY(desktop.endProgram());
    QCOMPARE(snapshot(desktop.programFolder()), before);
}

QTEST_GUILESS_MAIN(TestDesktop)
#include "tst_desktop.moc"
