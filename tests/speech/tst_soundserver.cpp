// Answers through a real sound server, as a Linux desktop plays them: Debian's PulseAudio on
// a null sink with a private socket, reached through ALSA's pulse plug-in.

#include "answer.h"
#include "espeakengine.h"
#include "outputs.h"
#include "wavfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <alsa/asoundlib.h>
#include <csignal>
#include <future>
#include <thread>

using namespace mulo;
using namespace mulo::speech;
using namespace mulo::test;

namespace {

// Over a second at the answer's rate, about two as this server plays it.
const QString answer = QStringLiteral("春夏秋冬东南");

int threadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).count()) - 2; // less . and ..
}

} // namespace

class TestSoundServer : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aStoppedServerIsGivenUpOnWithinTheAnswerAndFiveSeconds();
    void cleanupTestCase();

private:
    // Speaks the answer: how long it took (ms), negative when it failed.
    qint64 speak()
    {
        QElapsedTimer timer;
        timer.start();
        try {
            m_voice->Speak(answer, SVSFDefault);
            return timer.elapsed();
        } catch (const RuntimeError&) {
            return -timer.elapsed();
        }
    }

    QTemporaryDir m_dir;
    QProcess m_server;
    std::unique_ptr<SpVoice> m_voice;
};

void TestSoundServer::initTestCase()
{
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty())
        QSKIP("PulseAudio is not installed");
    // A server of our own: its own runtime folder and home, no system daemon, no session
    // bus. As root it warns and runs.
    const QString run = m_dir.filePath(QStringLiteral("run")),
                  home = m_dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(run) && QDir().mkpath(home));
    QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString socket = run + QStringLiteral("/native");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(run));
    qputenv("HOME", QFile::encodeName(home));
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(socket));
    m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_server.start(
        pulseaudio,
        {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--system=no"),
         QStringLiteral("--use-pid-file=no"), QStringLiteral("--exit-idle-time=-1"),
         QStringLiteral("--disallow-exit"), QStringLiteral("--log-level=error"),
         QStringLiteral("-L"), QStringLiteral("module-null-sink"), QStringLiteral("-L"),
         QStringLiteral("module-native-protocol-unix auth-anonymous=1 socket=") + socket});
    QVERIFY(m_server.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(socket), 10000);
    // The default device is the server, through ALSA's pulse plug-in.
    QFile asoundrc(home + QStringLiteral("/.asoundrc"));
    QVERIFY(asoundrc.open(QIODevice::WriteOnly));
    asoundrc.write("pcm.!default { type pulse }\nctl.!default { type pulse }\n");
    asoundrc.close();
    snd_config_update_free_global();
    setUpVoice(m_voice, [] {
        return std::make_unique<SpVoice>(
            EspeakEngine::open(), std::make_shared<SoundDeviceOutput>([] {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            }));
    });
}

// The server stops 0.7 s into a two-second answer (a stalled server, headphones dropping
// out): the answer is given up on once its length and five seconds have passed, and the
// window goes on at once. A second answer opens the device afresh and is given up on in turn;
// with two players stuck the server is taken for gone and answers end at once. When it comes
// back, the stuck players end and nothing of them is left; answers play again.
void TestSoundServer::aStoppedServerIsGivenUpOnWithinTheAnswerAndFiveSeconds()
{
    // The answer's own length, written into a file.
    std::unique_ptr<SpVoice> toFile;
    setUpVoice(toFile, [this] {
        return std::make_unique<SpVoice>(
            EspeakEngine::open(),
            std::make_shared<WavFileOutput>(m_dir.filePath(QStringLiteral("answer.wav"))));
    });
    QElapsedTimer synthesis;
    synthesis.start();
    toFile->Speak(answer, SVSFDefault);
    const qint64 synthesisMs = synthesis.elapsed();
    const auto answerMs =
        qint64(readWav(m_dir.filePath(QStringLiteral("answer.wav"))).seconds() * 1000);
    QVERIFY2(answerMs > 1000 && answerMs < 3000, qPrintable(QString::number(answerMs)));

    const int threads = threadCount();
    const qint64 played = speak();
    QVERIFY2(played >= answerMs, qPrintable(QString::number(played)));
    QCOMPARE(threadCount(), threads);

    // The answer's length and five seconds, from when it reaches the sound device.
    const qint64 bound = answerMs + 5000 + 2 * synthesisMs + 100;
    // The server comes back when told, or after half a minute if the answer never returns.
    std::promise<void> comeBack;
    std::thread stopper([pid = pid_t(m_server.processId()), back = comeBack.get_future()] {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        ::kill(pid, SIGSTOP);
        back.wait_for(std::chrono::seconds(30));
        ::kill(pid, SIGCONT);
    });
    const auto resume = [&] {
        if (stopper.joinable())
            comeBack.set_value(), stopper.join();
    };
    const auto resumeAtTheEnd = qScopeGuard(resume);
    // The window is painted and answers the desktop all the while.
    int ticks = 0;
    QTimer ticking;
    connect(&ticking, &QTimer::timeout, this, [&] { ++ticks; });
    ticking.start(100);
    const qint64 stalled = speak();
    ticking.stop();
    QVERIFY2(stalled < -700 && stalled >= -bound, qPrintable(QString::number(stalled)));
    QVERIFY2(ticks >= -stalled / 200, qPrintable(QString::number(ticks)));
    const qint64 again = speak(), gone = speak();
    QVERIFY2(again < 0 && again >= -bound, qPrintable(QString::number(again)));
    QVERIFY2(gone <= 0 && gone > -500, qPrintable(QString::number(gone)));
    QCOMPARE(SoundDeviceOutput::playersGivenUp(), SoundDeviceOutput::mostPlayersGivenUp);

    resume(); // the stuck players end, and nothing of them is left
    QTRY_COMPARE_WITH_TIMEOUT(SoundDeviceOutput::playersGivenUp(), 0, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(threadCount(), threads, 2000);
    const qint64 back = speak();
    QVERIFY2(back >= answerMs, qPrintable(QString::number(back)));
}

void TestSoundServer::cleanupTestCase()
{
    if (m_server.state() == QProcess::NotRunning)
        return;
    ::kill(pid_t(m_server.processId()), SIGCONT);
    m_server.terminate();
    if (!m_server.waitForFinished(5000))
        m_server.kill();
}

QTEST_GUILESS_MAIN(TestSoundServer)
#include "tst_soundserver.moc"
