#include "answer.h"

#include "readings.h"

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

QString spokenQuestion(const QString& question, const QuestionPlace& place)
{
    if (place.lesson.isEmpty() || place.at < 0 ||
        QStringView(place.lesson).mid(place.at, question.size()) != question ||
        question.toUcs4().size() != 1)
        return question;
    const QString reading = readingInLesson(place.lesson, place.at);
    return reading.isEmpty() || reading == voicePinyin(question) ? question : reading;
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
        const QString question = c.txtTi.Text();
        const bool mandarin = c.Voice->Voice().name == mandarinVoiceName;
        c.Voice->Speak(mandarin && c.questionPlace ? spokenQuestion(question, c.questionPlace())
                                                   : question,
                       SVSFDefault);
    } catch (...) {
    }
}

} // namespace mulo::speech
