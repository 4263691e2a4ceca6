#pragma once

// Stand-ins for the speech back-end and the sound output, for tests that must not need
// espeak-ng data or a sound device.

#include "voice.h"

#include <QList>

namespace mulo::test {

// Synthesises one sample per code unit and remembers what it was asked to say.
struct FakeEngine : speech::SpeechEngine {
    struct Said {
        QString text;
        QString voice;
        int wordsPerMinute;
    };
    QList<speech::VoiceToken> installed{
        {QStringLiteral("Microsoft Simplified Chinese"), "cmn-latn-pinyin"},
        {QStringLiteral("English (Great Britain)"), "gmw/en"}};
    QList<Said> said;
    int rate = 8000;

    QList<speech::VoiceToken> voices() const override { return installed; }
    speech::VoiceToken defaultVoice() const override
    {
        return {QStringLiteral("English (Great Britain)"), "gmw/en"};
    }
    int sampleRate() const override { return rate; }
    speech::Utterance synthesize(const QString& text, const speech::VoiceToken& voice,
                                 int wordsPerMinute) override
    {
        said.append({text, voice.name, wordsPerMinute});
        return {std::vector<std::int16_t>(size_t(text.size()), 1000), {}, 0};
    }
};

struct RecordingStream : speech::OutputStream {
    struct Played {
        size_t samples;
        int sampleRate;
        std::int16_t peak;
    };
    QList<Played> played;
    void play(std::span<const std::int16_t> samples, int sampleRate) override
    {
        std::int16_t peak = 0;
        for (std::int16_t s : samples)
            peak = std::max<std::int16_t>(peak, std::int16_t(std::abs(s)));
        played.append({samples.size(), sampleRate, peak});
    }
};

// A voice factory over shared fakes, so a test can look at what the voice did.
struct FakeSpeech {
    std::shared_ptr<FakeEngine> engine = std::make_shared<FakeEngine>();
    std::shared_ptr<RecordingStream> stream = std::make_shared<RecordingStream>();
    int created = 0;
    speech::VoiceFactory factory()
    {
        return [this] {
            ++created;
            return std::make_unique<speech::SpVoice>(engine, stream);
        };
    }
};

} // namespace mulo::test
