#pragma once

// The speech back-end: libespeak-ng in this process, synthesising into memory.

#include "voice.h"

#include <map>
#include <mutex>

namespace mulo::speech {

// The espeak-ng voice behind the Mandarin voice (offered as mandarinVoiceName). Plain "cmn"
// reads many characters as pinyin with English tone numbers; the pinyin variant gives
// Mandarin phonemes with their tones.
inline constexpr char mandarinEngineVoice[] = "cmn-latn-pinyin";

class EspeakEngine : public SpeechEngine {
public:
    // The one engine of this process. espeak-ng can be initialised only once per process
    // (a second initialisation makes its shutdown hang), so the first call fixes the data
    // directory, and the engine is never shut down. dataParent is the directory that holds
    // "espeak-ng-data"; empty means the library's own default. A directory without espeak
    // data is a failure, as is asking for another directory once the engine runs.
    static std::shared_ptr<EspeakEngine> open(const QString& dataParent = {});
    // The first part of open(): starting the library sets the process's character-type
    // locale, which is not thread-safe, so the program does it in main before it starts any
    // thread of its own. The library also starts a queue thread, idle with synchronous
    // synthesis. A failure is kept back for open() to report.
    static void startLibrary(const QString& dataParent = {}) noexcept;

    QList<VoiceToken> voices() const override;
    VoiceToken defaultVoice() const override;
    int sampleRate() const override { return m_sampleRate; }
    // For the Mandarin voice, the syllables with their tones and the voice's level pitch.
    Utterance synthesize(const QString& text, const VoiceToken& voice, int wordsPerMinute) override;

    // Where the Mandarin voice of our own is looked for, first to last: beside the program,
    // then in the source tree. Without it espeak-ng's own Mandarin voice speaks; a test
    // takes it away by giving other places.
    static QStringList voiceFilePlaces();
    static void setVoiceFilePlaces(QStringList places);

    // The engine's phonemes for a text, as its own phoneme names.
    QString phonemes(const QString& text, const VoiceToken& voice);
    // What the voice is given to speak for a text: for the Mandarin voice, the readings in
    // numbered pinyin as this engine takes them.
    QString engineInput(const QString& text, const VoiceToken& voice);

private:
    EspeakEngine(QString dataParent, int sampleRate);
    void selectVoice(const VoiceToken& voice);
    std::vector<std::int16_t> synthesizeLocked(const QByteArray& utf8, int wordsPerMinute,
                                               std::vector<WordEvent>& words);
    // The pitch at which the selected voice says a level tone.
    double levelPitchLocked();

    QString m_dataParent;
    int m_sampleRate;
    QList<VoiceToken> m_voices;
    VoiceToken m_default;
    std::map<QByteArray, double> m_levelPitches; // by the engine's name of the voice
    // espeak-ng is not thread-safe: every call goes through this lock.
    std::mutex m_lock;
};

} // namespace mulo::speech
