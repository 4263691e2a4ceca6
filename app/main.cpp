#include "appinfo.h"
#include "form1.h"
#include "quiz/clockrandom.h"
#include "speech/espeakengine.h"
#include "speech/outputs.h"
#include "terminationsignals.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    mulo::quitOnTerminationSignals(app);
    mulo::BuildAppInfo info;
    mulo::ClockRandom random;
    mulo::Form1Services services{random, info};
    services.createVoice = [] {
        using namespace mulo::speech;
        return std::make_unique<SpVoice>(EspeakEngine::open(),
                                         std::make_shared<SoundDeviceOutput>());
    };
    mulo::Form1 window(std::move(services));
    window.show();
    return app.exec();
}
