// Linux and other free desktops: the desktop's URL handler, xdg-open.

#include "desktopbrowser.h"

#include <QProcess>
#include <QStandardPaths>

namespace mulo::web {

namespace {

const QString handlerProgram = QStringLiteral("xdg-open");

} // namespace

void DesktopBrowser::Navigate(const QString& address)
{
    const QString program = QStandardPaths::findExecutable(handlerProgram);
    if (program.isEmpty())
        throw UserError(noBrowserMessage(address));

    // The process object outlives this browser: it is deleted when the handler has ended,
    // which also collects the handler, so none stays behind as a zombie. A handler still
    // running when the program ends is left to run (some run the browser itself).
    auto* handler = new QProcess;
    handler->setProgram(program);
    handler->setArguments({address});
    // The handler gets no input from us and writes where the program writes.
    handler->setStandardInputFile(QProcess::nullDevice());
    handler->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(
        handler, &QProcess::finished, handler,
        [handler, address, report = m_reportRefusal](int code, QProcess::ExitStatus status) {
            if ((status != QProcess::NormalExit || code != 0) && report)
                report(address);
            handler->deleteLater();
        });
    QObject::connect(handler, &QProcess::errorOccurred, handler,
                     [handler, address, report = m_reportRefusal](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return; // the end of a started handler comes through finished
                         if (report)
                             report(address);
                         handler->deleteLater();
                     });
    handler->start();
}

} // namespace mulo::web
