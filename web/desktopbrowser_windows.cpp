// Windows: the shell's URL handler.

#include "desktopbrowser.h"

#include <QCoreApplication>
#include <QPointer>
#include <thread>

// clang-format off
#include <windows.h> // before the headers of its parts
#include <objbase.h>
#include <shellapi.h>
// clang-format on

namespace mulo::web {

void DesktopBrowser::Navigate(const QString& address)
{
    // The shell may take its time (starting a browser, asking which one to use), so it
    // works on a thread of its own and the window goes on at once. A refusal comes back to
    // the event loop's thread; once the program has ended it is dropped.
    QPointer<QCoreApplication> application = QCoreApplication::instance();
    std::thread([address, application, report = m_reportRefusal] {
        const HRESULT com =
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
        if (!opened && report && application)
            QMetaObject::invokeMethod(
                application, [report, address] { report(address); }, Qt::QueuedConnection);
    }).detach();
}

} // namespace mulo::web
