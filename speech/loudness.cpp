#include "loudness.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mulo::speech {

namespace {

// The active speech level of the samples scaled by gain.
std::optional<double> levelScaled(std::span<const std::int16_t> samples, int sampleRate,
                                  double gain)
{
    // The envelope follows the sound's magnitude over 30 ms, twice smoothed; a sample is
    // active while the envelope is above a threshold or has been within the last 0.2 s.
    // Thresholds lie a factor of two apart; the active level is the one that lies 15.9 dB
    // above its threshold, between the two that bracket it.
    constexpr double margin = 15.9, scale = 32768.0;
    constexpr int thresholds = 16;
    const double g = std::exp(-1.0 / (sampleRate * 0.03));
    const auto hangover = std::size_t(std::lround(sampleRate * 0.2));
    std::array<std::size_t, thresholds> active{}, since{};
    since.fill(hangover);
    std::array<double, thresholds> threshold{};
    for (int j = 0; j < thresholds; ++j)
        threshold[j] = std::ldexp(1.0, j - thresholds);
    double p = 0, q = 0, energy = 0;
    for (const std::int16_t sample : samples) {
        const double x = sample * gain / scale;
        energy += x * x;
        p = g * p + (1 - g) * std::abs(x);
        q = g * q + (1 - g) * p;
        for (int j = 0; j < thresholds; ++j) {
            if (q >= threshold[j])
                ++active[j], since[j] = 0;
            else if (since[j] < hangover)
                ++active[j], ++since[j];
        }
    }
    // Speech needs at least a syllable's worth of activity (30 ms).
    const auto enough = std::size_t(sampleRate * 0.03);
    if (energy <= 0 || active[0] < enough)
        return std::nullopt;
    const auto levelAbove = [&](int j) { return 10 * std::log10(energy / double(active[j])); };
    const auto thresholdLevel = [&](int j) { return 20.0 * (j - thresholds) * std::log10(2.0); };
    double before = levelAbove(0) - thresholdLevel(0);
    if (before <= margin)
        return levelAbove(0);
    for (int j = 1; j < thresholds && active[j] >= enough; ++j) {
        const double difference = levelAbove(j) - thresholdLevel(j);
        if (difference <= margin) {
            const double share = (before - margin) / (before - difference);
            return levelAbove(j - 1) + share * (levelAbove(j) - levelAbove(j - 1));
        }
        before = difference;
    }
    return std::nullopt;
}

} // namespace

std::optional<double> activeSpeechLevel(std::span<const std::int16_t> samples, int sampleRate)
{
    return levelScaled(samples, sampleRate, 1.0);
}

double levelAtVolume(int volume)
{
    return fullVolumeLevel + 20 * std::log10(std::max(volume, 1) / 100.0);
}

std::vector<std::int16_t> levelled(std::span<const std::int16_t> samples, int sampleRate,
                                   int volume)
{
    std::vector<std::int16_t> result(samples.size(), 0);
    if (volume <= 0 || samples.empty())
        return result;
    double gain = volume / 100.0;
    // The measure moves a little with the gain (its thresholds stay where they are), so the
    // gain is found again on the sound as it will be heard, twice.
    if (std::optional<double> level = activeSpeechLevel(samples, sampleRate)) {
        const double wanted = levelAtVolume(volume);
        double decibels = std::min(wanted - *level, mostGain);
        for (int again = 0; again < 2 && decibels < mostGain; ++again) {
            level = levelScaled(samples, sampleRate, std::pow(10.0, decibels / 20));
            if (!level)
                break;
            decibels = std::min(decibels + wanted - *level, mostGain);
        }
        gain = std::pow(10.0, decibels / 20);
    }
    // Where a peak would pass the ceiling, the gain dips just enough for it: reached over a
    // few milliseconds before the peak and let go over fifty after, so nothing clicks.
    const double ceiling = peakCeiling * 32767;
    std::vector<double> needed(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double peak = std::abs(samples[i] * gain);
        needed[i] = peak > ceiling ? ceiling / peak : 1.0;
    }
    std::vector<double> dip = needed;
    const auto ahead = std::size_t(sampleRate / 500); // 2 ms
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (needed[i] < 1) {
            const std::size_t from = i > ahead ? i - ahead : 0,
                              to = std::min(samples.size(), i + ahead + 1);
            for (std::size_t k = from; k < to; ++k)
                dip[k] = std::min(dip[k], needed[i]);
        }
    }
    const double attack = 1 - std::exp(-1.0 / (sampleRate * 0.002)),
                 release = 1 - std::exp(-1.0 / (sampleRate * 0.05));
    for (std::size_t i = 1; i < dip.size(); ++i)
        dip[i] = std::min(dip[i], dip[i - 1] + release * (1 - dip[i - 1]));
    for (std::size_t i = dip.size() - 1; i-- > 0;)
        dip[i] = std::min(dip[i], dip[i + 1] + attack * (1 - dip[i + 1]));
    for (std::size_t i = 0; i < samples.size(); ++i)
        result[i] =
            std::int16_t(std::lround(std::clamp(samples[i] * gain * dip[i], -ceiling, ceiling)));
    return result;
}

} // namespace mulo::speech
