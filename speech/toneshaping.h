#pragma once

// The pitch of each syllable of an answer, shaped the way a teacher says its tone to a child.
// The synthesiser's own tones move by a semitone or two and its third tone never rises
// again; a child learns a character's tone from the answer, so every tone is given a clear
// shape here, syllable by syllable, before the answer is played:
//   1st  level;   2nd  a clear rise;   4th  a long fall, half as long before another 4th;
//   3rd  said alone (the end of the answer) dips and rises again; inside the answer it stays
//        low, and before another 3rd tone it rises like a 2nd (你好: ní hǎo);
//   light syllables take their pitch from the tone before them: a little below a 1st,
//        lower after a 2nd or a 4th, higher after the low 3rd.
// Every syllable is said in the voice's one register, whatever the synthesiser did with it.
// A character said alone is said in full, as a teacher says it: its voiced part is drawn
// out to a citation length. Syllables of a longer answer keep their timing.
// The shape is laid on by pitch-synchronous overlap-add: each period of the voiced sound is
// moved (or, to draw a syllable out, repeated), not stretched, so the voice keeps its timbre.
//
// This is a stage of its own between any voice and the output: a voice hands over its
// samples with where each syllable starts (an Utterance), and the answer is shaped here.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace mulo::speech {

// One syllable of the answer: where it starts in the samples, and its tone: 1 to 4, 5 for a
// light syllable, 0 for a word that is no syllable (a digit, a letter), said as it is.
struct SyllableTone {
    std::size_t start;
    int tone;
};

// A text as a voice says it. syllables is empty where the voice has no tones to shape (a
// voice for another language); levelPitch is the pitch (Hz) at which the voice says a level
// tone, the middle of the register every syllable is shaped into (0: taken from the answer).
struct Utterance {
    std::vector<std::int16_t> samples;
    std::vector<SyllableTone> syllables;
    double levelPitch = 0;
};

// The answer's samples with each syllable's pitch reshaped. Syllables run from their start
// to the next one's (the last to the end); those must be in order. Unvoiced sound is kept as
// it is.
std::vector<std::int16_t> shapeTones(std::span<const std::int16_t> samples, int sampleRate,
                                     std::span<const SyllableTone> syllables,
                                     double levelPitch = 0);
inline std::vector<std::int16_t> shapeTones(const Utterance& utterance, int sampleRate)
{
    return shapeTones(utterance.samples, sampleRate, utterance.syllables, utterance.levelPitch);
}

// The middle pitch (Hz) of the voiced sound, 0 where nothing is voiced: how a voice's
// register is measured.
double medianPitch(std::span<const std::int16_t> samples, int sampleRate);

// The tone of each word of numbered pinyin ("ni3 hao3", "dian3r"): 1 to 5, or 0 where a word
// is no syllable (a digit, a letter, punctuation).
std::vector<int> syllableTones(std::string_view pinyin);

// A word the synthesiser reported: the place in the text it said (counted in characters
// from 1, as the synthesiser counts them) and the sample where it starts.
struct WordEvent {
    std::size_t textPosition;
    std::size_t sample;
};

// Where each word of numbered pinyin starts in the samples: the synthesiser's event for the
// word's place in the text. Events for no word of the text (the synthesiser sometimes adds
// an empty one at the end) are passed over. A word that is no syllable and has no event (a
// mark, an emoji) owns no sound and is left out; a syllable without an event is placed
// between its neighbours, and with no event at all the syllables share the sound evenly.
// Empty when the pinyin holds no syllable.
std::vector<SyllableTone> matchSyllables(std::string_view pinyin, std::span<const WordEvent> events,
                                         std::size_t sampleCount);

} // namespace mulo::speech
