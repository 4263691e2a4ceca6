#include "voice.h"

#include "loudness.h"

#include <algorithm>
#include <cmath>
#include <soxr.h>

namespace mulo::speech {

namespace {

struct FormatRate {
    int type;
    int rate;
};
constexpr FormatRate formatRates[] = {
    {SAFT8kHz16BitMono, 8000},   {SAFT11kHz16BitMono, 11025}, {SAFT12kHz16BitMono, 12000},
    {SAFT16kHz16BitMono, 16000}, {SAFT22kHz16BitMono, 22050}, {SAFT24kHz16BitMono, 24000},
    {SAFT32kHz16BitMono, 32000}, {SAFT44kHz16BitMono, 44100}, {SAFT48kHz16BitMono, 48000},
};

const FormatRate* findFormat(int type)
{
    const auto* found = std::find_if(std::begin(formatRates), std::end(formatRates),
                                     [type](const FormatRate& f) { return f.type == type; });
    return found == std::end(formatRates) ? nullptr : found;
}

int formatTypeForRate(int rate)
{
    for (const FormatRate& f : formatRates) {
        if (f.rate == rate)
            return f.type;
    }
    throw RuntimeError(QStringLiteral("不支持的采样率 %1 Hz").arg(rate));
}

// "name=Microsoft Simplified Chinese;language=804" as pairs; an empty text asks for nothing.
QList<std::pair<QString, QString>> parseAttributes(const QString& attributes)
{
    QList<std::pair<QString, QString>> pairs;
    for (const QString& part : attributes.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = part.indexOf(u'=');
        if (equals < 0)
            pairs.append({part, QString()});
        else
            pairs.append({part.left(equals), part.mid(equals + 1)});
    }
    return pairs;
}

bool hasAttribute(const VoiceToken& token, const std::pair<QString, QString>& attribute)
{
    return attribute.first == QStringLiteral("name") && token.name == attribute.second;
}

} // namespace

void SpAudioFormat::setType(int type)
{
    if (!findFormat(type))
        throw RuntimeError(QStringLiteral("不支持的音频格式 %1").arg(type));
    m_type = type;
}

int SpAudioFormat::sampleRate() const
{
    return findFormat(m_type)->rate;
}

const VoiceToken& VoiceTokens::Item(int index) const
{
    if (index < 0 || index >= m_tokens.size())
        throw RuntimeError(
            QStringLiteral("语音列表中没有第 %1 项（共 %2 项）").arg(index).arg(m_tokens.size()));
    return m_tokens[index];
}

int wordsPerMinute(int rate)
{
    return int(std::lround(175.0 * std::pow(3.0, rate / 10.0)));
}

std::vector<std::int16_t> resample(std::span<const std::int16_t> samples, int fromRate, int toRate)
{
    if (fromRate == toRate || samples.empty())
        return {samples.begin(), samples.end()};
    std::vector<std::int16_t> out(size_t(std::ceil(double(samples.size()) * toRate / fromRate)) +
                                  16);
    size_t produced = 0;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    const soxr_error_t error =
        soxr_oneshot(fromRate, toRate, 1, samples.data(), samples.size(), nullptr, out.data(),
                     out.size(), &produced, &io, &quality, nullptr);
    if (error)
        throw RuntimeError(QStringLiteral("重采样失败：") + QString::fromUtf8(error));
    out.resize(produced);
    return out;
}

SpVoice::SpVoice(std::shared_ptr<SpeechEngine> engine, std::shared_ptr<OutputStream> output)
    : m_engine(std::move(engine)), m_voice(m_engine->defaultVoice())
{
    setAudioOutputStream(std::move(output));
}

VoiceTokens SpVoice::GetVoices(const QString& requiredAttributes,
                               const QString& optionalAttributes) const
{
    const auto required = parseAttributes(requiredAttributes);
    const auto optional = parseAttributes(optionalAttributes);
    QList<VoiceToken> matching;
    for (const VoiceToken& token : m_engine->voices()) {
        if (std::all_of(required.begin(), required.end(),
                        [&](const auto& attribute) { return hasAttribute(token, attribute); }))
            matching.append(token);
    }
    // Tokens with more of the optional attributes come first; ties keep the engine's order.
    std::stable_sort(
        matching.begin(), matching.end(), [&](const VoiceToken& a, const VoiceToken& b) {
            const auto score = [&](const VoiceToken& t) {
                return std::count_if(optional.begin(), optional.end(), [&](const auto& attribute) {
                    return hasAttribute(t, attribute);
                });
            };
            return score(a) > score(b);
        });
    return VoiceTokens(matching);
}

void SpVoice::setAudioOutputStream(std::shared_ptr<OutputStream> stream)
{
    if (!stream)
        throw RuntimeError(QStringLiteral("没有音频输出"));
    if (m_allowFormatChanges)
        stream->Format().setType(formatTypeForRate(m_engine->sampleRate()));
    m_outputRate = stream->Format().sampleRate();
    m_output = std::move(stream);
}

void SpVoice::setRate(int rate)
{
    if (rate < -10 || rate > 10)
        throw RuntimeError(QStringLiteral("语速 %1 超出 -10 到 10").arg(rate));
    m_rate = rate;
}

void SpVoice::setVolume(int volume)
{
    if (volume < 0 || volume > 100)
        throw RuntimeError(QStringLiteral("音量 %1 超出 0 到 100").arg(volume));
    m_volume = volume;
}

int SpVoice::Speak(const QString& text, int flags)
{
    if (flags != SVSFDefault)
        throw RuntimeError(QStringLiteral("不支持的朗读方式 %1").arg(flags));
    const Utterance said = m_engine->synthesize(text, m_voice, wordsPerMinute(m_rate));
    std::vector<std::int16_t> samples = shapeTones(said, m_engine->sampleRate());
    if (samples.empty())
        return 1;
    // Every answer is heard at the loudness of the volume, whatever level the synthesiser
    // said it at.
    samples =
        levelled(resample(samples, m_engine->sampleRate(), m_outputRate), m_outputRate, m_volume);
    m_output->play(samples, m_outputRate);
    return 1; // the stream number; nobody uses it
}

} // namespace mulo::speech
