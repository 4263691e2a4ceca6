#include "answer.h"

namespace mulo::speech {

void setUpVoice(std::unique_ptr<SpVoice>& Voice, const VoiceFactory& create,
                const QString& requiredAttributes)
{
    Voice = create();
    Voice->setVoice(Voice->GetVoices(requiredAttributes, QString()).Item(0));
    Voice->setAllowAudioOutputFormatChangesOnNextSet(false);
    Voice->AudioOutputStream()->Format().setType(SAFT8kHz16BitMono);
    Voice->setAudioOutputStream(Voice->AudioOutputStream());
    Voice->setRate(3);
    Voice->setVolume(40);
}

void cmdRead_Click(AnswerControls& c) noexcept
{
    try {
        if (isBlank(c.txtTi.Text())) {
            c.cmdTest_Click();
            c.txtTi.Refresh(); // the new question is on screen before it is spoken
        }
        if (!c.Voice)
            throw RuntimeError(QStringLiteral("没有语音"));
        c.Voice->Speak(c.txtTi.Text(), SVSFDefault);
    } catch (...) {
    }
}

} // namespace mulo::speech
