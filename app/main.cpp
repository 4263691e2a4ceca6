#include "appearance.h"
#include "appinfo.h"
#include "buildinfo.h"
#include "clockrandom.h"
#include "espeakengine.h"
#include "form1.h"
#include "outputs.h"
#include "terminationsignals.h"

#include <QApplication>
#include <future>

namespace {

// What the window does while an answer waits on the sound device. A Linux sound server can
// stall for as long as it likes, so the window keeps painting and answering the desktop
// meanwhile, and the user's clicks and keys wait for the answer to end. Windows reads a key
// held back like that against the keyboard as it is when the key is handled, so an Alt+F4
// pressed during an answer would be lost: there the window waits for the answer as it always
// has, a wait that is bounded all the same.
std::function<void()> whileAnswerWaits()
{
#if defined(_WIN32)
    return {};
#else
    return [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
#endif
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace mulo;
    // setlocale races with any thread that reads the locale meanwhile. The speech library
    // sets the character type as it starts, before any thread of ours exists; it also starts
    // a queue thread of its own, which stays idle (the program synthesises synchronously)
    // and reads no locale. QApplication then sets the whole locale from the environment, and
    // only after that do our own threads start.
    speech::EspeakEngine::startLibrary();
    QApplication app(argc, argv);
    // Docks tie the window to its launcher by the desktop entry's name.
    QGuiApplication::setDesktopFileName(QStringLiteral(MULO_APP_ID));
    installQtChineseTranslation(app);
    addFontsBesideProgram();
    // The speech engine lists its voices while the window is built; a failure shows when
    // the voice is set up.
    std::shared_future<std::shared_ptr<speech::EspeakEngine>> engine =
        std::async(std::launch::async, [] { return speech::EspeakEngine::open(); });
    quitOnTerminationSignals(app);
    BuildAppInfo info;
    ClockRandom random;
    Form1Services services{random, info};
    services.createVoice = [engine] {
        return std::make_unique<speech::SpVoice>(
            engine.get(), std::make_shared<speech::SoundDeviceOutput>(whileAnswerWaits()));
    };
    Form1 window(std::move(services));
    window.show();
    if (terminationRequested())
        return 0;
    return app.exec();
}
