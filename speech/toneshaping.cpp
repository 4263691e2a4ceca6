#include "toneshaping.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace mulo::speech {

namespace {

// The pitch a tone moves through, on the five levels teachers draw tones with (1 low, 5
// high): 1st 55, 2nd 25, 3rd 214 alone and 21 inside, 4th 51, a little wider than the
// levels, as a teacher speaking to a child does: the 4th tone starts above the top and the
// 3rd dips below the bottom, so that even a short syllable carries its whole tone. Each
// level is this many semitones above the one below; the speaker's middle pitch is level 3.
constexpr double semitonesPerLevel = 1.75;

struct Contour {
    double start, turn, end; // levels at the start, at the turning point, at the end
    double turnAt;           // where the turn is, from 0 (start) to 1 (end)
};

Contour contourOf(int tone, bool last, int nextTone)
{
    switch (tone) {
    case 1:
        return {5, 5, 5, 0.5};
    case 2:
        return {1.5, 2, 5.5, 0.1};
    case 3:
        if (!last && nextTone == 3)
            return contourOf(2, last, nextTone); // 3-3 is said 2-3
        return last ? Contour{2.5, 0.5, 4.5, 0.45} : Contour{2, 1, 1, 0.6};
    case 4:
        return {6, 3.5, 1, 0.5};
    default:
        return {3, 3, 3, 0.5};
    }
}

double levelAt(const Contour& c, double position)
{
    if (position <= c.turnAt)
        return c.start + (c.turn - c.start) * (c.turnAt > 0 ? position / c.turnAt : 1);
    return c.turn + (c.end - c.turn) * (position - c.turnAt) / (1 - c.turnAt);
}

// The energy of any stretch of the answer, from a running sum of its squares. The squares
// of samples are whole numbers, so every stretch's energy is exact.
class Energy {
public:
    explicit Energy(std::span<const std::int16_t> samples) : m_before(samples.size() + 1, 0)
    {
        for (std::size_t i = 0; i < samples.size(); ++i)
            m_before[i + 1] = m_before[i] + double(samples[i]) * samples[i];
    }
    // Of the samples from up to to.
    double of(std::size_t from, std::size_t to) const { return m_before[to] - m_before[from]; }

private:
    std::vector<double> m_before;
};

// How alike the length samples from from are to those lag samples later: 1 when they are
// the same shape, 0 when unrelated.
double likeness(std::span<const std::int16_t> samples, const Energy& energy, std::size_t from,
                std::size_t length, std::size_t lag)
{
    double product = 0;
    for (std::size_t i = from; i < from + length; ++i)
        product += double(samples[i]) * samples[i + lag];
    const double first = energy.of(from, from + length);
    const double second = energy.of(from + lag, from + lag + length);
    return first > 0 && second > 0 ? product / std::sqrt(first * second) : 0;
}

// The period, in samples, of each 10 ms frame (0 where the sound is not voiced), from the
// normalised autocorrelation of the sound.
struct PitchTrack {
    std::size_t hop;
    std::vector<double> periods;
    double periodAt(std::size_t sample) const
    {
        const std::size_t frame = std::min(sample / hop, periods.size() - 1);
        return periods[frame];
    }
};

PitchTrack trackPitch(std::span<const std::int16_t> samples, const Energy& energy, int sampleRate)
{
    // The voice speaks between 75 and 400 Hz; a window of the longest period follows even a
    // fast fall.
    const std::size_t minLag = std::size_t(sampleRate / 400), maxLag = std::size_t(sampleRate / 75);
    const std::size_t window = maxLag;
    PitchTrack track{std::size_t(sampleRate / 100), {}}; // a frame every 10 ms
    const std::size_t frames = samples.size() / track.hop + 1;
    track.periods.assign(frames, 0);
    if (window + maxLag > samples.size())
        return track;

    const auto windowStart = [&](std::size_t f) {
        // Near the end of the answer, the last window that fits.
        const std::size_t centre = f * track.hop;
        return std::min(centre > window / 2 ? centre - window / 2 : 0,
                        samples.size() - window - maxLag);
    };
    const auto frameEnergy = [&](std::size_t f) {
        return energy.of(windowStart(f), windowStart(f) + window);
    };
    double loudest = 0;
    for (std::size_t f = 0; f < frames; ++f)
        loudest = std::max(loudest, frameEnergy(f));
    std::vector<double> correlations(maxLag + 2, 0);
    for (std::size_t f = 0; f < frames; ++f) {
        if (frameEnergy(f) < loudest * 1e-3)
            continue;
        const std::size_t from = windowStart(f);
        double best = 0;
        std::size_t bestLag = 0;
        for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
            const double r = likeness(samples, energy, from, window, lag);
            correlations[lag] = r;
            if (r > best)
                best = r, bestLag = lag;
        }
        // The first peak nearly as strong as the best: not a multiple of the period.
        for (std::size_t lag = minLag + 1; lag < bestLag; ++lag) {
            if (correlations[lag] >= 0.9 * best && correlations[lag] >= correlations[lag - 1] &&
                correlations[lag] >= correlations[lag + 1]) {
                bestLag = lag;
                break;
            }
        }
        if (best > 0.5)
            track.periods[f] = double(bestLag);
    }
    // A frame that jumps an octave from both its neighbours takes theirs.
    std::vector<double> smooth = track.periods;
    for (std::size_t f = 1; f + 1 < frames; ++f) {
        double three[] = {track.periods[f - 1], track.periods[f], track.periods[f + 1]};
        if (three[0] > 0 && three[1] > 0 && three[2] > 0) {
            std::sort(std::begin(three), std::end(three));
            smooth[f] = three[1];
        }
    }
    track.periods = std::move(smooth);
    return track;
}

// A run of voiced sound: its pitch marks, one on the peak of each period.
struct VoicedRun {
    std::vector<std::size_t> marks;
};

std::vector<VoicedRun> markPeriods(std::span<const std::int16_t> samples, const Energy& energy,
                                   const PitchTrack& track)
{
    std::vector<VoicedRun> runs;
    const auto peakIn = [&](std::size_t from, std::size_t to) {
        to = std::min(to, samples.size());
        std::size_t peak = from;
        for (std::size_t i = from; i < to; ++i) {
            if (samples[i] > samples[peak])
                peak = i;
        }
        return peak;
    };
    std::size_t frame = 0;
    while (frame < track.periods.size()) {
        if (track.periods[frame] == 0) {
            ++frame;
            continue;
        }
        std::size_t last = frame;
        while (last + 1 < track.periods.size() && track.periods[last + 1] > 0)
            ++last;
        const std::size_t from = frame * track.hop, to = (last + 1) * track.hop;
        VoicedRun run;
        std::size_t mark = peakIn(from, from + std::size_t(track.periods[frame]));
        double period = track.periods[frame];
        while (mark < to) {
            run.marks.push_back(mark);
            if (track.periodAt(mark) > 0)
                period = track.periodAt(mark);
            // The next period is where the sound repeats this one best.
            const auto length = std::size_t(period);
            const auto shortest = std::size_t(period * 0.8), longest = std::size_t(period * 1.2);
            if (mark + longest + length >= samples.size())
                break;
            double best = -2;
            std::size_t step = length;
            for (std::size_t lag = shortest; lag <= longest; ++lag) {
                const double r = likeness(samples, energy, mark, length, lag);
                if (r > best)
                    best = r, step = lag;
            }
            mark += step;
        }
        if (run.marks.size() >= 3)
            runs.push_back(std::move(run));
        frame = last + 1;
    }
    return runs;
}

} // namespace

std::vector<int> syllableTones(std::string_view pinyin)
{
    std::vector<int> tones;
    std::size_t i = 0;
    while (i < pinyin.size()) {
        while (i < pinyin.size() && pinyin[i] == ' ')
            ++i;
        if (i == pinyin.size())
            break;
        std::size_t end = pinyin.find(' ', i);
        if (end == std::string_view::npos)
            end = pinyin.size();
        std::string_view word = pinyin.substr(i, end - i);
        if (word.ends_with('r') && word.size() > 2) // an erhua syllable: dian3r
            word.remove_suffix(1);
        const bool letters =
            word.size() >= 2 &&
            std::all_of(word.begin(), word.end() - 1, [](char c) { return c >= 'a' && c <= 'z'; });
        if (!letters || word.back() < '1' || word.back() > '5')
            return {};
        tones.push_back(word.back() - '0');
        i = end;
    }
    return tones;
}

std::vector<std::int16_t> shapeTones(std::span<const std::int16_t> samples, int sampleRate,
                                     std::span<const SyllableTone> syllables)
{
    std::vector<std::int16_t> out(samples.begin(), samples.end());
    if (syllables.empty() || samples.size() < std::size_t(sampleRate / 20))
        return out;
    const Energy energy(samples);
    const PitchTrack track = trackPitch(samples, energy, sampleRate);
    const std::vector<VoicedRun> runs = markPeriods(samples, energy, track);
    if (runs.empty())
        return out;

    // The speaker's middle pitch: the median of every period of the answer.
    std::vector<double> periods;
    for (const VoicedRun& run : runs) {
        for (std::size_t k = 1; k < run.marks.size(); ++k)
            periods.push_back(double(run.marks[k] - run.marks[k - 1]));
    }
    std::nth_element(periods.begin(), periods.begin() + long(periods.size() / 2), periods.end());
    const double middle = sampleRate / periods[periods.size() / 2];

    // Each syllable's voiced stretch, from its first pitch mark to its last.
    const auto syllableOf = [&](std::size_t sample) {
        std::size_t s = 0;
        while (s + 1 < syllables.size() && syllables[s + 1].start <= sample)
            ++s;
        return s;
    };
    std::vector<std::size_t> firstMark(syllables.size(), SIZE_MAX), lastMark(syllables.size(), 0);
    for (const VoicedRun& run : runs) {
        for (const std::size_t mark : run.marks) {
            const std::size_t s = syllableOf(mark);
            firstMark[s] = std::min(firstMark[s], mark);
            lastMark[s] = std::max(lastMark[s], mark);
        }
    }
    // How far into its syllable a sample is: mostly by time, partly by the share of the
    // syllable's voiced sound before it, so that a tone moves more where the syllable is
    // loud than in its fading tail, yet never so fast that the voice loses its pitch (a
    // fall of several semitones within a few periods no longer sounds voiced).
    constexpr double byLoudnessShare = 0.15;
    const auto shaped = [&](std::size_t s) {
        return syllables[s].tone >= 1 && syllables[s].tone <= 4 && firstMark[s] < lastMark[s];
    };
    const auto contourOfSyllable = [&](std::size_t s) {
        const bool last = s + 1 == syllables.size();
        return contourOf(syllables[s].tone, last, last ? 0 : syllables[s + 1].tone);
    };
    // A syllable's pitch glides from where the one before ended over its first few periods,
    // as a voice does between two tones.
    const auto glide = std::size_t(sampleRate / 40);
    // The pitch wanted at a sample: its syllable's contour, or 0 to keep the pitch it has.
    const auto targetAt = [&](std::size_t sample) -> double {
        const std::size_t s = syllableOf(sample);
        if (!shaped(s))
            return 0;
        const Contour contour = contourOfSyllable(s);
        const std::size_t at = std::clamp(sample, firstMark[s], lastMark[s]);
        const double whole = energy.of(firstMark[s], lastMark[s]);
        const double byTime = double(at - firstMark[s]) / double(lastMark[s] - firstMark[s]);
        const double byLoudness = whole > 0 ? energy.of(firstMark[s], at) / whole : byTime;
        const double position = (1 - byLoudnessShare) * byTime + byLoudnessShare * byLoudness;
        double level = levelAt(contour, position);
        if (s > 0 && shaped(s - 1) && sample < firstMark[s] + glide &&
            firstMark[s] <= lastMark[s - 1] + glide) {
            const double share = double(sample - std::min(sample, firstMark[s])) / double(glide);
            level = share * level + (1 - share) * contourOfSyllable(s - 1).end;
        }
        return middle * std::exp2((level - 3) * semitonesPerLevel / 12);
    };

    std::vector<double> sum(samples.size(), 0), weight(samples.size(), 0);
    std::vector<bool> inside(samples.size(), false);
    for (const VoicedRun& run : runs) {
        std::fill(inside.begin() + long(run.marks.front()), inside.begin() + long(run.marks.back()),
                  true);
        const std::vector<std::size_t>& marks = run.marks;
        std::size_t nearest = 0;
        for (double at = double(marks.front()); at <= double(marks.back());) {
            const auto place = std::size_t(std::lround(at));
            while (nearest + 1 < marks.size() && std::abs(double(marks[nearest + 1]) - at) <=
                                                     std::abs(double(marks[nearest]) - at))
                ++nearest;
            // One period of the voice, its own period on either side of its peak.
            const std::size_t centre = marks[nearest];
            const double own = nearest + 1 < marks.size() ? double(marks[nearest + 1] - centre)
                                                          : double(centre - marks[nearest - 1]);
            const auto halfWidth = std::ptrdiff_t(own);
            const double wanted = targetAt(place);
            const double step = wanted > 0 ? sampleRate / wanted : own;
            // Periods closer together overlap more: each is made softer by as much, so the
            // voice keeps its loudness.
            const double gain = std::min(1.0, step / own);
            for (std::ptrdiff_t j = -halfWidth + 1; j < halfWidth; ++j) {
                const std::ptrdiff_t from = std::ptrdiff_t(centre) + j,
                                     to = std::ptrdiff_t(place) + j;
                if (from < 0 || to < 0 || from >= std::ptrdiff_t(samples.size()) ||
                    to >= std::ptrdiff_t(samples.size()))
                    continue;
                const double w =
                    0.5 * (1 + std::cos(std::numbers::pi * double(j) / double(halfWidth)));
                sum[std::size_t(to)] += gain * w * samples[std::size_t(from)];
                weight[std::size_t(to)] += w;
            }
            at += step;
        }
    }
    // Inside a voiced run, the periods laid anew; at its edges the new sound fades into the
    // sound that was there, so nothing clicks.
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (weight[i] == 0)
            continue;
        const double shaped =
            inside[i] ? sum[i] : sum[i] + std::max(0.0, 1 - weight[i]) * samples[i];
        out[i] = std::int16_t(std::clamp<long>(std::lround(shaped), INT16_MIN, INT16_MAX));
    }
    return out;
}

} // namespace mulo::speech
