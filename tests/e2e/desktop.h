#pragma once

// The real program on a private X server, driven by synthetic keys: for the few checks
// that must go through the whole path from a key press to the sound card or the browser.

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <optional>

namespace mulo::test {

class Desktop {
public:
    ~Desktop()
    {
        for (QProcess* p : {&m_program, &m_server}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(3000);
            }
        }
    }

    // What is missing to run these checks, or empty.
    static QString missingTools()
    {
        QStringList missing;
        for (const char* tool : {"Xvfb", "xdotool", "import"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                missing.append(QLatin1String(tool));
        }
        return missing.join(QLatin1Char(' '));
    }

    Desktop()
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        QDir(m_dir.path()).mkpath(QStringLiteral("program"));
    }

    // The program's folder: a copy of the program with the given lessons beside it.
    QString programFolder() const { return m_dir.filePath(QStringLiteral("program")); }
    // A file in the home directory the program runs with.
    QString file(const QString& name) const
    {
        return m_dir.filePath(QStringLiteral("home/") + name);
    }
    QProcessEnvironment& environment() { return m_env; }

    bool startServer()
    {
        // -displayfd 1: the server picks a free display and writes its number to stdout.
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral("-displayfd"), QStringLiteral("1"),
                        QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp")});
        QByteArray number;
        for (int i = 0; i < 100 && !number.endsWith('\n'); ++i) {
            m_server.waitForReadyRead(100);
            number += m_server.readAllStandardOutput();
        }
        if (number.trimmed().isEmpty())
            return false;
        m_env.insert(QStringLiteral("DISPLAY"),
                     QLatin1Char(':') + QString::fromLatin1(number.trimmed()));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.insert(QStringLiteral("HOME"), m_dir.filePath(QStringLiteral("home")));
        // No session bus here: without an address, D-Bus forks a helper to start one while
        // the program's other threads run, and the sanitizers' allocator is not safe across
        // such a fork (the helper can hang on its lock, and the window never appears).
        m_env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        return true;
    }

    // Starts a copy of the program with the given lessons beside it (none: no lesson file).
    bool startProgram(const QString& programPath, const std::optional<QByteArray>& lessons)
    {
        const QString copy = programFolder() + QStringLiteral("/mulo");
        QFile::remove(copy);
        if (!QFile::copy(programPath, copy))
            return false;
        QFile lessonFile(programFolder() + QStringLiteral("/test.txt"));
        if (lessons && (!lessonFile.open(QIODevice::WriteOnly) ||
                        lessonFile.write(*lessons) != lessons->size()))
            return false;
        lessonFile.close();
        m_program.setProcessEnvironment(m_env);
        m_program.setProcessChannelMode(QProcess::MergedChannels);
        m_program.start(copy, {});
        if (!m_program.waitForStarted(5000))
            return false;
        QByteArray found;
        // The first window on the screen: the main window, or the start-up warning before it.
        if (!tool({QStringLiteral("search"), QStringLiteral("--sync"),
                   QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                   QStringLiteral("^Mulo")},
                  &found, 10000))
            return false;
        m_window = found.split('\n').value(0).trimmed();
        return !m_window.isEmpty() && tool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                            QString::fromLatin1(m_window)});
    }

    // Presses keys ("alt+a", "F1") in the program's window.
    bool key(const QString& keys)
    {
        return tool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys});
    }

    QString windowTitle()
    {
        QByteArray name;
        tool({QStringLiteral("getwindowname"), QString::fromLatin1(m_window)}, &name);
        return QString::fromUtf8(name.trimmed());
    }
    QByteArray programOutput() { return m_program.readAll(); }

    // The program's window as it is on the screen.
    QImage grab()
    {
        const QString file = m_dir.filePath(QStringLiteral("window.png"));
        QFile::remove(file);
        QProcess import;
        import.setProcessEnvironment(m_env);
        import.start(QStringLiteral("import"),
                     {QStringLiteral("-window"), QString::fromLatin1(m_window), file});
        import.waitForFinished(10000);
        return QImage(file);
    }

    // Asks the program to end as a session manager (SIGTERM), a logout (SIGHUP) or Ctrl+C
    // would; true when it ended by itself, within the time given, with exit code 0.
    bool endProgram(int signal = SIGTERM, int withinMs = 5000)
    {
        ::kill(pid_t(m_program.processId()), signal);
        return m_program.waitForFinished(withinMs) &&
               m_program.exitStatus() == QProcess::NormalExit && m_program.exitCode() == 0;
    }
    bool programRunning() const { return m_program.state() == QProcess::Running; }

private:
    bool tool(const QStringList& arguments, QByteArray* output = nullptr, int timeoutMs = 5000)
    {
        QProcess xdotool;
        xdotool.setProcessEnvironment(m_env);
        xdotool.start(QStringLiteral("xdotool"), arguments);
        if (!xdotool.waitForFinished(timeoutMs) || xdotool.exitCode() != 0) {
            xdotool.kill();
            xdotool.waitForFinished(1000);
            return false;
        }
        if (output)
            *output = xdotool.readAllStandardOutput();
        return true;
    }

    QTemporaryDir m_dir;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
    QProcess m_server;
    QProcess m_program;
    QByteArray m_window;
};

} // namespace mulo::test
