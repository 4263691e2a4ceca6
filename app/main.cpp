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
    // The locale is set while this is the only thread: setlocale races with any thread that
    // runs meanwhile. The speech library sets the character type when it starts,
    // QApplication the whole locale from the environment.
    speech::EspeakEngine::startLibrary();
    QApplication app(argc, argv);
    // Docks tie the window to its launcher by the desktop entry's name.
    QGuiApplication::setDesktopFileName(QStringLiteral(MULO_APP_ID));
    installQtChineseTranslation(app);
    // The speech engine lists its voices while the window is built; a failure shows when
    // the voice is set up.
    std::shared_future<std::shared_ptr<speech::EspeakEngine>> engine =
        std::async(std::launch::async, [] { return speech::EspeakEngine::open(); });
    quitOnTerminationSignals(app);
    BuildAppInfo info;
    ClockRandom random;
    Form1Services services{random, info};
    services.createVoice = [engine] {
        return std::make_unique<speech::SpVoice>(engine.get(),
                                                 std::make_shared<speech::SoundDeviceOutput>());
    };
    Form1 window(std::move(services));
    window.show();
    if (terminationRequested())
        return 0;
    return app.exec();
}
