// Windows: the shell's URL handler.

#include "desktopbrowser.h"

#include <QCoreApplication>
#include <mutex>
#include <thread>

// clang-format off
#include <windows.h> // before the headers of its parts
#include <objbase.h>
#include <shellapi.h>
// clang-format on

namespace mulo::web {

namespace {

// Carries the shell's answer from its thread to the event loop's. The receiver lives on the
// event loop's thread and may go with the program while the shell still works; the lock
// keeps it from going while an answer is being posted to it, and once it has gone the
// answer is dropped.
struct Relay {
    std::mutex lock;
    QObject* receiver = nullptr;
};

} // namespace

bool openWithTheShell(const QString& address)
{
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const std::wstring wide = address.toStdWString();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"open";
    info.lpFile = wide.c_str();
    info.nShow = SW_SHOWNORMAL;
    const bool opened = ShellExecuteExW(&info);
    if (SUCCEEDED(com))
        CoUninitialize();
    return opened;
}

void DesktopBrowser::Navigate(const QString& address)
{
    // The shell may take its time (starting a browser, asking which one to use), so it
    // works on a thread of its own and the window goes on at once. A refusal comes back to
    // the event loop's thread.
    auto relay = std::make_shared<Relay>();
    relay->receiver = new QObject(QCoreApplication::instance());
    QObject::connect(relay->receiver, &QObject::destroyed, [relay] {
        std::lock_guard guard(relay->lock);
        relay->receiver = nullptr;
    });
    std::thread([relay, address, open = m_open, report = m_reportRefusal] {
        const bool opened = open(address);
        std::lock_guard guard(relay->lock);
        if (!relay->receiver)
            return;
        QObject* receiver = relay->receiver;
        QMetaObject::invokeMethod(
            receiver,
            [receiver, opened, report, address] {
                if (!opened && report)
                    report(address);
                receiver->deleteLater();
            },
            Qt::QueuedConnection);
    }).detach();
}

} // namespace mulo::web
