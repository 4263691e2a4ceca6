#pragma once

// The voice API the drill speaks through: a voice object that picks one of the installed
// voices by its attributes, speaks into an output stream in that stream's format, at a rate
// (−10 … 10, 0 normal) and a volume (0 … 100). Every failing operation is a RuntimeError,
// raised by the operation that failed, so the caller decides what the user sees.

#include "core/errors.h"
#include "toneshaping.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace mulo::speech {

// The name under which the Mandarin voice is offered and asked for.
inline const QString mandarinVoiceName = QStringLiteral("Microsoft Simplified Chinese");

// Audio format types by number, as voice set-up names them; only 16-bit mono ones are
// offered here.
enum SpeechAudioFormatType : int {
    SAFT8kHz16BitMono = 6,
    SAFT11kHz16BitMono = 10,
    SAFT12kHz16BitMono = 14,
    SAFT16kHz16BitMono = 18,
    SAFT22kHz16BitMono = 22,
    SAFT24kHz16BitMono = 26,
    SAFT32kHz16BitMono = 30,
    SAFT44kHz16BitMono = 34,
    SAFT48kHz16BitMono = 38,
};

// Speak flags; only the default (synchronous, nothing purged) is offered.
enum SpeechVoiceSpeakFlags : int { SVSFDefault = 0 };

class SpAudioFormat {
public:
    int Type() const { return m_type; }
    // A type this program cannot produce is a failure and leaves the format as it was.
    void setType(int type);
    int sampleRate() const;

private:
    int m_type = SAFT22kHz16BitMono;
};

// Where a voice's speech goes: a sound device or a file. play() returns when the samples
// have been played (or written).
class OutputStream {
public:
    virtual ~OutputStream() = default;
    SpAudioFormat& Format() { return m_format; }
    virtual void play(std::span<const std::int16_t> samples, int sampleRate) = 0;

private:
    SpAudioFormat m_format;
};

// One installed voice. Its attributes are name=value pairs; only "name" is offered.
struct VoiceToken {
    QString name;
    QByteArray engineVoice; // the back-end's own identifier
};

class VoiceTokens {
public:
    explicit VoiceTokens(QList<VoiceToken> tokens) : m_tokens(std::move(tokens)) {}
    int Count() const { return int(m_tokens.size()); }
    // An index outside the collection, as on an empty one, is a failure.
    const VoiceToken& Item(int index) const;

private:
    QList<VoiceToken> m_tokens;
};

// A speech synthesiser: its voices, and text into 16-bit mono samples at its own rate, with
// where each syllable starts for a voice whose tones the answer shapes.
class SpeechEngine {
public:
    virtual ~SpeechEngine() = default;
    virtual QList<VoiceToken> voices() const = 0;
    virtual VoiceToken defaultVoice() const = 0;
    virtual int sampleRate() const = 0;
    virtual Utterance synthesize(const QString& text, const VoiceToken& voice,
                                 int wordsPerMinute) = 0;
};

// Rate r (−10 … 10, 0 normal) as words per minute: 175 × 3^(r/10), so that each step of
// the scale speeds speech up by the same factor, and 10 steps make it three times as fast.
int wordsPerMinute(int rate);

// Resamples 16-bit mono audio.
std::vector<std::int16_t> resample(std::span<const std::int16_t> samples, int fromRate, int toRate);

class SpVoice {
public:
    SpVoice(std::shared_ptr<SpeechEngine> engine, std::shared_ptr<OutputStream> output);

    // Tokens whose attributes include every required "key=value" pair (separated by ";"),
    // matched exactly, in the engine's order.
    VoiceTokens GetVoices(const QString& requiredAttributes,
                          const QString& optionalAttributes) const;
    const VoiceToken& Voice() const { return m_voice; }
    void setVoice(const VoiceToken& voice) { m_voice = voice; }

    bool AllowAudioOutputFormatChangesOnNextSet() const { return m_allowFormatChanges; }
    void setAllowAudioOutputFormatChangesOnNextSet(bool allow) { m_allowFormatChanges = allow; }
    std::shared_ptr<OutputStream> AudioOutputStream() const { return m_output; }
    // Takes up the stream in the format it has now; when format changes are allowed the
    // stream is first switched to the engine's own format.
    void setAudioOutputStream(std::shared_ptr<OutputStream> stream);

    int Rate() const { return m_rate; }
    void setRate(int rate);
    int Volume() const { return m_volume; }
    void setVolume(int volume);

    // Speaks synchronously: returns when the whole text has been played. Every syllable the
    // engine reports is shaped to its tone first.
    int Speak(const QString& text, int flags);

private:
    std::shared_ptr<SpeechEngine> m_engine;
    std::shared_ptr<OutputStream> m_output;
    int m_outputRate = 0;
    VoiceToken m_voice;
    bool m_allowFormatChanges = true;
    int m_rate = 0;
    int m_volume = 100;
};

// Makes a new voice object, as the platform's speech service would.
using VoiceFactory = std::function<std::unique_ptr<SpVoice>()>;

} // namespace mulo::speech
