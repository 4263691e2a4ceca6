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
            engine.get(), std::make_shared<speech::SoundDeviceOutput>([] {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            }));
    };
    Form1 window(std::move(services));
    window.show();
    if (terminationRequested())
        return 0;
    return app.exec();
}
