#include "terminationsignals.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace mulo;

namespace {

constexpr char hangingChild[] = "--hang-after-first-signal";

// A program whose shutdown hangs: it takes the first signal, then never returns to its
// event loop. Reports whether the signal handler left errno as it found it.
int runHangingChild(int argc, char* argv[])
{
    QApplication app(argc, argv);
    quitOnTerminationSignals(app);
    errno = EDOM;
    ::raise(SIGTERM);
    std::printf(errno == EDOM ? "errno kept\n" : "errno lost\n");
    QCoreApplication::processEvents(); // the clean end begins
    std::printf("%s\n", terminationRequested() ? "ending" : "not ending");
    std::fflush(stdout);
    for (;;)
        ::pause();
}

} // namespace

class TestTerminationSignals : public QObject {
    Q_OBJECT

private slots:
    void aSecondSignalEndsAHangingShutdownAtOnce_data();
    void aSecondSignalEndsAHangingShutdownAtOnce();
};

void TestTerminationSignals::aSecondSignalEndsAHangingShutdownAtOnce_data()
{
    QTest::addColumn<int>("second");
    QTest::newRow("Ctrl+C") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
}

void TestTerminationSignals::aSecondSignalEndsAHangingShutdownAtOnce()
{
    QFETCH(int, second);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QLatin1String(hangingChild)});
    QVERIFY(child.waitForStarted());
    QByteArray said;
    QElapsedTimer timer;
    timer.start();
    while (!said.endsWith("ending\n") && timer.elapsed() < 5000 && child.waitForReadyRead(5000))
        said += child.readAllStandardOutput();
    QCOMPARE(said, QByteArray("errno kept\nending\n"));
    ::kill(pid_t(child.processId()), second);
    QVERIFY(child.waitForFinished(1000));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
}

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], hangingChild) == 0)
        return runHangingChild(argc, argv);
    QApplication app(argc, argv);
    TestTerminationSignals test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_terminationsignals.moc"
