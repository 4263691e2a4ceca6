#include "toneshaping.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string_view>

namespace mulo::speech {

namespace {

// The pitch a tone moves through, on the five levels teachers draw tones with (1 low, 5
// high): 1st 55, 2nd 25, 3rd 214 alone and 21 inside, 4th 51, a little wider than the
// levels, as a teacher speaking to a child does: the 4th tone starts above the top and the
// 3rd dips below the bottom, so that even a short syllable carries its whole tone. Each
// level is this many semitones above the one below; level 3 is the pitch at which the voice
// says a level tone.
constexpr double semitonesPerLevel = 1.75;

struct Contour {
    double start, turn, end; // levels at the start, at the turning point, at the end
    double turnAt;           // where the turn is, from 0 (start) to 1 (end)
};

// A light syllable's level after each tone (index: the tone before; 0, none or a word that
// is no syllable): a little below a 1st, lower after a 2nd, low after a 4th, and above a
// 3rd, which stays low.
constexpr double lightLevelAfter[] = {3, 3.5, 3, 4, 1.5};

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
        return last ? Contour{3, 0.5, 4.5, 0.5} : Contour{2, 1, 1, 0.6};
    case 4:
        if (!last && nextTone == 4)
            return {5.5, 4.25, 3, 0.5}; // 4-4: the first falls halfway
        return {6, 3.5, 1, 0.5};
    default:
        return {3, 3, 3, 0.5};
    }
}

// Each syllable's contour in the answer: a toned syllable its tone's, a light one level,
// half a level falling, from where the syllable before leaves it.
std::vector<Contour> contoursOf(std::span<const SyllableTone> syllables)
{
    std::vector<Contour> contours;
    for (std::size_t s = 0; s < syllables.size(); ++s) {
        const bool last = s + 1 == syllables.size();
        const int tone = syllables[s].tone;
        if (tone >= 1 && tone <= 4) {
            contours.push_back(contourOf(tone, last, last ? 0 : syllables[s + 1].tone));
            continue;
        }
        const int before = s > 0 ? syllables[s - 1].tone : 0;
        const double level = before == 5                  ? contours.back().end
                             : before >= 1 && before <= 4 ? lightLevelAfter[before]
                                                          : lightLevelAfter[0];
        contours.push_back({level, level, level - 0.5, 0.5});
    }
    return contours;
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

// The period, in samples, of each 10 ms frame (0 where the sound is not voiced).
struct PitchTrack {
    std::size_t hop;
    std::vector<double> periods;
    double periodAt(std::size_t sample) const
    {
        const std::size_t frame = std::min(sample / hop, periods.size() - 1);
        return periods[frame];
    }
};

// Where a voice's pitch can lie: between 75 and 400 Hz for any voice, or around the pitch
// at which it says a level tone, where that is known: its tones move from about two thirds
// of it to a little above it.
struct PitchRange {
    double lowest, highest; // Hz
};
PitchRange rangeAround(double levelPitch)
{
    if (levelPitch <= 0)
        return {75, 400};
    return {std::max(50.0, levelPitch / 1.8), std::min(500.0, levelPitch * 1.5)};
}

// A frame is voiced when it is loud for its surroundings (the burst of zh, ch or j before a
// vowel is a twentieth of the vowel or less), repeats itself clearly at a period the voice
// can have (a peak of the autocorrelation, not the edge of the range: the slow swell of a
// burst correlates at every short lag), and has most of its energy low, as a vowel has and
// a hiss has not. Then the pitch must hold: a stretch whose pitch keeps for less than three
// frames is a burst or a hiss, not the voice.
PitchTrack trackPitch(std::span<const std::int16_t> samples, const Energy& energy, int sampleRate,
                      PitchRange range)
{
    const auto minLag = std::size_t(sampleRate / range.highest),
               maxLag = std::size_t(sampleRate / range.lowest);
    // A window of the longest period the voice can have follows even a fast fall.
    const std::size_t window = std::size_t(sampleRate / 75);
    PitchTrack track{std::size_t(sampleRate / 100), {}}; // a frame every 10 ms
    const std::size_t frames = samples.size() / track.hop + 1;
    track.periods.assign(frames, 0);
    if (window + maxLag + 1 >= samples.size())
        return track;

    constexpr double quietest = 3e-3;       // of the loudest frame's energy
    constexpr double quietForAround = 0.05; // of the loudest frame within a syllable's length
    constexpr double leastLikeness = 0.6;
    // The energy of the sound's changes from sample to sample against its own: twice
    // (1 − the likeness of neighbouring samples); small for a vowel, above 1 for a hiss, and
    // in between where a hiss gives way to the vowel.
    constexpr double mostChange = 0.6;
    const auto windowStart = [&](std::size_t f) {
        // Near the end of the answer, the last window that fits.
        const std::size_t centre = f * track.hop;
        return std::min(centre > window / 2 ? centre - window / 2 : 0,
                        samples.size() - window - maxLag - 1);
    };
    std::vector<double> frameEnergy(frames);
    for (std::size_t f = 0; f < frames; ++f)
        frameEnergy[f] = energy.of(windowStart(f), windowStart(f) + window);
    const double loudest = *std::max_element(frameEnergy.begin(), frameEnergy.end());
    const std::size_t around = 15; // frames on either side: a syllable's length
    const auto loudEnough = [&](std::size_t f, double share) {
        const auto first = frameEnergy.begin() + long(f > around ? f - around : 0);
        const auto last = frameEnergy.begin() + long(std::min(frames, f + around + 1));
        return frameEnergy[f] >= loudest * quietest &&
               frameEnergy[f] >= share * *std::max_element(first, last);
    };
    const auto lowEnough = [&](std::size_t from, double most) {
        double change = 0;
        for (std::size_t i = from + 1; i < from + window; ++i) {
            const double step = double(samples[i]) - samples[i - 1];
            change += step * step;
        }
        return change <= most * energy.of(from + 1, from + window);
    };
    // A frame's own period: the strongest peak of its autocorrelation (or the first one
    // nearly as strong, not a multiple of the period), with how alike the sound is a period
    // later.
    std::vector<double> correlations(maxLag + 2, 0);
    const auto ownPeriod = [&](std::size_t f) -> std::pair<std::size_t, double> {
        const std::size_t from = windowStart(f);
        for (std::size_t lag = minLag - 1; lag <= maxLag + 1; ++lag)
            correlations[lag] = likeness(samples, energy, from, window, lag);
        const auto isPeak = [&](std::size_t lag) {
            return correlations[lag] >= correlations[lag - 1] &&
                   correlations[lag] >= correlations[lag + 1];
        };
        double best = 0;
        std::size_t bestLag = 0;
        for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
            if (correlations[lag] > best && isPeak(lag))
                best = correlations[lag], bestLag = lag;
        }
        for (std::size_t lag = minLag; lag < bestLag; ++lag) {
            if (correlations[lag] >= 0.95 * best && isPeak(lag))
                return {lag, correlations[lag]};
        }
        return {bestLag, best};
    };
    for (std::size_t f = 0; f < frames; ++f) {
        if (!loudEnough(f, quietForAround) || !lowEnough(windowStart(f), mostChange))
            continue;
        if (const auto [period, alike] = ownPeriod(f); alike >= leastLikeness)
            track.periods[f] = double(period);
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
    // Stretches whose pitch holds: each frame within a fifth of a period of the one before.
    constexpr std::size_t shortestHold = 3;
    for (std::size_t f = 0; f < frames;) {
        std::size_t end = f + 1;
        while (end < frames && smooth[end] > 0 && smooth[end - 1] > 0 &&
               std::abs(smooth[end] - smooth[end - 1]) <= 0.2 * smooth[end - 1])
            ++end;
        if (end - f < shortestHold)
            std::fill(smooth.begin() + long(f), smooth.begin() + long(end), 0.0);
        f = end;
    }
    // A stretch of the voice reaches out into its softer edges (a vowel's onset, a voiced
    // initial such as r or m, a fading end) for as long as each frame, on its own, repeats
    // at nearly the pitch of the one beside it: without them a syllable's edges would keep
    // their old pitch. A burst's pitch, on its own, jumps about from frame to frame. The
    // breath through which the voice sets in after ch (翅 chi4) repeats only loosely: laid
    // anew, and repeated to draw the syllable out, its uneven periods made the voice hoarse.
    constexpr double leastLikenessAtTheEdge = 0.7, mostChangeAtTheEdge = 0.8, quietestEdge = 0.01;
    const auto continues = [&](std::size_t f, double beside, std::size_t edge) {
        if (frameEnergy[f] < loudest * quietest ||
            frameEnergy[f] < quietestEdge * frameEnergy[edge] ||
            !lowEnough(windowStart(f), mostChangeAtTheEdge))
            return 0.0;
        const auto [period, alike] = ownPeriod(f);
        return alike >= leastLikenessAtTheEdge && std::abs(double(period) - beside) <= 0.12 * beside
                   ? double(period)
                   : 0.0;
    };
    const std::vector<double> sure = smooth;
    for (std::size_t edge = 0; edge < frames; ++edge) {
        if (sure[edge] == 0)
            continue;
        if (edge + 1 < frames && sure[edge + 1] == 0) { // the end of a stretch
            for (std::size_t f = edge + 1; f < frames && sure[f] == 0; ++f) {
                if ((smooth[f] = continues(f, smooth[f - 1], edge)) == 0)
                    break;
            }
        }
        if (edge > 0 && sure[edge - 1] == 0) { // the start of one
            for (std::size_t f = edge; f-- > 0 && sure[f] == 0;) {
                if ((smooth[f] = continues(f, smooth[f + 1], edge)) == 0)
                    break;
            }
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

// The pitch of every period of the voiced sound, in Hz.
std::vector<double> periodPitches(const std::vector<VoicedRun>& runs, int sampleRate)
{
    std::vector<double> pitches;
    for (const VoicedRun& run : runs) {
        for (std::size_t k = 1; k < run.marks.size(); ++k)
            pitches.push_back(sampleRate / double(run.marks[k] - run.marks[k - 1]));
    }
    return pitches;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// How much a character said alone has its voiced part drawn out: to at least a fifth of a
// second voiced, and the whole syllable to what a speaker's syllable lasts at the answer's
// rate (about 0.27 s), but never more than threefold.
double citationStretch(const std::vector<VoicedRun>& runs, std::span<const std::int16_t> samples,
                       int sampleRate)
{
    constexpr double leastVoiced = 0.24, leastWhole = 0.28, most = 3; // seconds; times
    double voiced = 0;
    for (const VoicedRun& run : runs)
        voiced += double(run.marks.back() - run.marks.front()) / sampleRate;
    // The whole: from the first sound to the last, past the silence the voice adds.
    std::int16_t peak = 0;
    for (std::int16_t s : samples)
        peak = std::max<std::int16_t>(peak, std::int16_t(std::abs(s)));
    const auto audible = [&](std::int16_t s) { return std::abs(s) * 50 > peak; };
    const auto first = std::find_if(samples.begin(), samples.end(), audible);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), audible);
    const double whole = double(samples.rend() - last - (first - samples.begin())) / sampleRate;
    if (voiced <= 0)
        return 1;
    return std::clamp(std::max(leastVoiced / voiced, 1 + (leastWhole - whole) / voiced), 1.0, most);
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
        tones.push_back(letters && word.back() >= '1' && word.back() <= '5' ? word.back() - '0'
                                                                            : 0);
        i = end;
    }
    return tones;
}

std::vector<SyllableTone> matchSyllables(std::string_view pinyin, std::span<const WordEvent> events,
                                         std::size_t sampleCount)
{
    const std::vector<int> tones = syllableTones(pinyin);
    if (std::none_of(tones.begin(), tones.end(), [](int tone) { return tone > 0; }))
        return {};
    // Each word's place in the text, in characters from 1 (a UTF-8 character's first byte
    // is not 10xxxxxx).
    std::vector<std::size_t> places;
    std::size_t character = 0;
    bool inWord = false;
    for (const char byte : pinyin) {
        if ((byte & 0xC0) == 0x80)
            continue;
        ++character;
        if (byte != ' ' && !inWord)
            places.push_back(character);
        inWord = byte != ' ';
    }
    // The first event at each word's place, where it keeps the words in order.
    std::vector<std::optional<std::size_t>> starts(places.size());
    std::size_t latest = 0;
    for (std::size_t w = 0; w < places.size(); ++w) {
        const auto event = std::find_if(events.begin(), events.end(), [&](const WordEvent& e) {
            return e.textPosition == places[w];
        });
        if (event != events.end() && event->sample >= latest && event->sample < sampleCount)
            starts[w] = latest = event->sample;
    }
    // A word that is no syllable and has no event (a mark, an emoji: the synthesiser says
    // nothing for it) owns no sound: it is left out, so that it takes no sound from the
    // syllable before it and the syllables around it are neighbours. Syllables without an
    // event share the stretch between the words around them that have one.
    std::vector<SyllableTone> syllables;
    std::size_t w = 0;
    while (w < places.size()) {
        std::size_t next = w + 1;
        while (next < places.size() && !starts[next])
            ++next;
        const std::size_t from = starts[w].value_or(0);
        const std::size_t to = next < places.size() ? *starts[next] : sampleCount;
        std::vector<std::size_t> sounding;
        for (std::size_t k = w; k < next; ++k) {
            if (tones[k] > 0 || starts[k])
                sounding.push_back(k);
        }
        for (std::size_t i = 0; i < sounding.size(); ++i)
            syllables.push_back({from + (to - from) * i / sounding.size(), tones[sounding[i]]});
        w = next;
    }
    return syllables;
}

double medianPitch(std::span<const std::int16_t> samples, int sampleRate)
{
    const Energy energy(samples);
    const PitchTrack track = trackPitch(samples, energy, sampleRate, rangeAround(0));
    return median(periodPitches(markPeriods(samples, energy, track), sampleRate));
}

std::vector<std::int16_t> shapeTones(std::span<const std::int16_t> samples, int sampleRate,
                                     std::span<const SyllableTone> syllables, double levelPitch)
{
    if (syllables.empty() || samples.size() < std::size_t(sampleRate / 20))
        return {samples.begin(), samples.end()};
    const Energy energy(samples);
    const PitchTrack track = trackPitch(samples, energy, sampleRate, rangeAround(levelPitch));
    const std::vector<VoicedRun> runs = markPeriods(samples, energy, track);
    if (runs.empty())
        return {samples.begin(), samples.end()};

    // Level 3: where the voice says a level tone, or else the answer's own middle pitch.
    const double middle = levelPitch > 0 ? levelPitch : median(periodPitches(runs, sampleRate));

    // Each syllable starts where the voice said it does, but the fading end of the voice
    // before it, reaching a little past that, still belongs to the syllable before.
    std::vector<std::size_t> starts;
    const auto tail = std::size_t(sampleRate / 25);
    for (const SyllableTone& syllable : syllables) {
        std::size_t start = syllable.start;
        for (const VoicedRun& run : runs) {
            if (run.marks.front() < start && start < run.marks.back() &&
                run.marks.back() - start < tail)
                start = run.marks.back() + 1;
        }
        starts.push_back(std::max(start, starts.empty() ? 0 : starts.back()));
    }
    // Each syllable's voiced stretch, from its first pitch mark to its last.
    const auto syllableOf = [&](std::size_t sample) {
        std::size_t s = 0;
        while (s + 1 < starts.size() && starts[s + 1] <= sample)
            ++s;
        return s;
    };
    std::vector<std::size_t> firstMark(syllables.size(), SIZE_MAX), lastMark(syllables.size(), 0);
    // Whether a syllable's voice runs on from the one before without a break (ni3 er4), or
    // sets in anew after a consonant (lian4 after duan4, mi4 after mi4).
    std::vector<bool> runsOn(syllables.size(), false);
    for (const VoicedRun& run : runs) {
        std::size_t before = SIZE_MAX;
        for (const std::size_t mark : run.marks) {
            const std::size_t s = syllableOf(mark);
            if (firstMark[s] == SIZE_MAX && before != SIZE_MAX && before + 1 == s)
                runsOn[s] = true;
            firstMark[s] = std::min(firstMark[s], mark);
            lastMark[s] = std::max(lastMark[s], mark);
            before = s;
        }
    }
    // How far into its syllable a sample is: mostly by time, partly by the share of the
    // syllable's voiced sound before it, so that a tone moves more where the syllable is
    // loud than in its fading tail, yet never so fast that the voice loses its pitch (a
    // fall of several semitones within a few periods no longer sounds voiced).
    constexpr double byLoudnessShare = 0.15;
    const auto shaped = [&](std::size_t s) {
        return syllables[s].tone >= 1 && syllables[s].tone <= 5 && firstMark[s] < lastMark[s];
    };
    const std::vector<Contour> contours = contoursOf(syllables);
    // Where the voice runs on from one syllable into the next, its pitch glides over the
    // last few periods of the one into where the next begins, as a voice does between two
    // tones; each syllable's tone starts where its voice starts (a 4th after l, m or y
    // starts at its top, not climbing to it).
    const auto glide = std::size_t(sampleRate / 40);
    // The pitch wanted at a sample: its syllable's contour, or 0 to keep the pitch it has.
    const auto targetAt = [&](std::size_t sample) -> double {
        const std::size_t s = syllableOf(sample);
        if (!shaped(s))
            return 0;
        const std::size_t at = std::clamp(sample, firstMark[s], lastMark[s]);
        const double whole = energy.of(firstMark[s], lastMark[s]);
        const double byTime = double(at - firstMark[s]) / double(lastMark[s] - firstMark[s]);
        const double byLoudness = whole > 0 ? energy.of(firstMark[s], at) / whole : byTime;
        const double position = (1 - byLoudnessShare) * byTime + byLoudnessShare * byLoudness;
        double level = levelAt(contours[s], position);
        if (s + 1 < syllables.size() && shaped(s + 1) && runsOn[s + 1] &&
            sample + glide > firstMark[s + 1]) {
            const double share =
                std::min(1.0, double(sample + glide - firstMark[s + 1]) / double(glide));
            level = (1 - share) * level + share * contours[s + 1].start;
        }
        return middle * std::exp2((level - 3) * semitonesPerLevel / 12);
    };

    // A character said alone is drawn out; an answer of several keeps its timing. Each run
    // then lies at a new place in the answer: the sound between runs is moved along with it.
    const bool alone = syllables.size() == 1;
    const double stretch = alone ? citationStretch(runs, samples, sampleRate) : 1;
    struct Placed {
        std::size_t from, to; // the run's first and last mark in the new answer
    };
    std::vector<Placed> placed;
    std::ptrdiff_t shift = 0; // how far the sound has moved so far
    for (const VoicedRun& run : runs) {
        const std::size_t from = run.marks.front() + std::size_t(shift);
        const auto span =
            std::size_t(std::lround(stretch * double(run.marks.back() - run.marks.front())));
        placed.push_back({from, from + span});
        shift = std::ptrdiff_t(from + span) - std::ptrdiff_t(run.marks.back());
    }
    const std::size_t length = std::size_t(std::ptrdiff_t(samples.size()) + shift);
    // The sound that is not voiced, at its new place; inside the runs nothing yet.
    std::vector<double> base(length, 0);
    std::vector<bool> inside(length, false);
    for (std::size_t k = 0, i = 0; k <= runs.size(); ++k) {
        const std::size_t until = k < runs.size() ? runs[k].marks.front() : samples.size();
        const std::ptrdiff_t by =
            k == 0 ? 0
                   : std::ptrdiff_t(placed[k - 1].to) - std::ptrdiff_t(runs[k - 1].marks.back());
        for (; i < until; ++i)
            base[std::size_t(std::ptrdiff_t(i) + by)] = samples[i];
        if (k < runs.size()) {
            std::fill(inside.begin() + long(placed[k].from), inside.begin() + long(placed[k].to),
                      true);
            i = runs[k].marks.back();
        }
    }

    std::vector<double> sum(length, 0), weight(length, 0);
    for (std::size_t k = 0; k < runs.size(); ++k) {
        const std::vector<std::size_t>& marks = runs[k].marks;
        const double span = double(marks.back() - marks.front());
        std::size_t nearest = 0;
        for (double out = 0; out <= stretch * span;) {
            // The moment of the original sound this period of the new one stands for.
            const double at = double(marks.front()) + out / stretch;
            const auto place = std::size_t(std::lround(at));
            while (nearest + 1 < marks.size() && std::abs(double(marks[nearest + 1]) - at) <=
                                                     std::abs(double(marks[nearest]) - at))
                ++nearest;
            // One period of the voice, its own period on either side of its peak; wider
            // where the new periods lie further apart, so that they always meet.
            const std::size_t centre = marks[nearest];
            const double own = nearest + 1 < marks.size() ? double(marks[nearest + 1] - centre)
                                                          : double(centre - marks[nearest - 1]);
            const double wanted = targetAt(place);
            const double step = wanted > 0 ? sampleRate / wanted : own;
            const double halfWidth = std::max(own, step);
            // Periods closer together overlap more: each is made softer by as much, so the
            // voice keeps its loudness.
            const double gain = std::min(1.0, step / own);
            // The new period lies exactly where it falls, between samples as much as on one:
            // rounded to a sample, the periods of a steady pitch would differ by one sample
            // here and there, which a listener hears as roughness.
            const double target = double(placed[k].from) + out;
            const auto first = std::ptrdiff_t(std::floor(target - halfWidth)) + 1,
                       last = std::ptrdiff_t(std::ceil(target + halfWidth)) - 1;
            for (std::ptrdiff_t to = std::max<std::ptrdiff_t>(first, 0);
                 to <= last && to < std::ptrdiff_t(length); ++to) {
                const double offset = double(to) - target;
                const double source = double(centre) + offset;
                const auto before = std::ptrdiff_t(std::floor(source));
                if (before < 0 || before + 1 >= std::ptrdiff_t(samples.size()))
                    continue;
                const double share = source - double(before);
                const double value = (1 - share) * samples[std::size_t(before)] +
                                     share * samples[std::size_t(before) + 1];
                const double w = 0.5 * (1 + std::cos(std::numbers::pi * offset / halfWidth));
                sum[std::size_t(to)] += gain * w * value;
                weight[std::size_t(to)] += w;
            }
            out += step;
        }
    }
    // Inside a voiced run, the periods laid anew; at its edges the new sound fades into the
    // sound that was there, so nothing clicks.
    std::vector<std::int16_t> result(length);
    for (std::size_t i = 0; i < length; ++i) {
        const double value = inside[i] ? sum[i] : sum[i] + std::max(0.0, 1 - weight[i]) * base[i];
        result[i] = std::int16_t(std::clamp<long>(std::lround(value), INT16_MIN, INT16_MAX));
    }
    return result;
}

} // namespace mulo::speech
