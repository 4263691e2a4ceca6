#pragma once

#include "browser.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QCoreApplication>

namespace mulo::test {

// Records what every browser window it makes was asked to do, as "visible" and "open …".
struct RecordingBrowsers {
    QStringList calls;
    int created = 0;
    bool failToCreate = false;
    bool failToNavigate = false;

    struct Window : web::Browser {
        RecordingBrowsers& owner;
        explicit Window(RecordingBrowsers& o) : owner(o) {}
        void setVisible(bool visible) override
        {
            owner.calls.append(visible ? QStringLiteral("visible") : QStringLiteral("hidden"));
        }
        void Navigate(const QString& address) override
        {
            if (owner.failToNavigate)
                throw RuntimeError(QStringLiteral("browser refused ") + address);
            owner.calls.append(QStringLiteral("open ") + address);
        }
    };

    web::BrowserFactory factory()
    {
        return [this]() -> std::unique_ptr<web::Browser> {
            if (failToCreate)
                throw RuntimeError(QStringLiteral("no browser"));
            ++created;
            return std::make_unique<Window>(*this);
        };
    }
};

#if defined(Q_OS_UNIX)
// A stand-in for the desktop's URL handler, first on PATH for the test's lifetime. It logs
// its arguments, runs body, and notes that it has finished.
struct FakeUrlHandler {
    QTemporaryDir dir;
    QByteArray savedPath = qgetenv("PATH");
    QString log = dir.filePath(QStringLiteral("arguments"));
    QString ends = dir.filePath(QStringLiteral("finished"));
    // body: what the handler does after writing down its arguments; a body that starts
    // with "#!" is the whole handler, interpreter line included.
    explicit FakeUrlHandler(const QByteArray& body)
    {
        QFile script(dir.filePath(QStringLiteral("xdg-open")));
        script.open(QIODevice::WriteOnly);
        if (body.startsWith("#!"))
            script.write(body + "\n");
        else
            script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" +
                         QFile::encodeName(log) + "'; done\ntrap \"echo done >> '" +
                         QFile::encodeName(ends) + "'\" EXIT\n" + body + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", QFile::encodeName(dir.path()) + ":/usr/bin:/bin");
    }
    ~FakeUrlHandler() { qputenv("PATH", savedPath); }
    QStringList arguments() const { return lines(log); }
    int finished() const { return int(lines(ends).size()); }

private:
    static QStringList lines(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
};

// Children of this process that have ended but were never collected.
inline int zombieChildren()
{
    int zombies = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid …: the name may hold spaces, so read after its ")".
        const QString line = QString::fromUtf8(stat.readAll());
        const QStringList fields = line.mid(line.lastIndexOf(u')') + 2).split(u' ');
        zombies += fields.size() > 1 && fields[0] == u"Z" && fields[1] == self;
    }
    return zombies;
}

#endif // Q_OS_UNIX

} // namespace mulo::test
