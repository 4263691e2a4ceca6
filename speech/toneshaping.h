#pragma once

// The pitch of each syllable of an answer, shaped the way a teacher says its tone to a child.
// The synthesiser's own tones move by a semitone or two and its third tone never rises
// again; a child learns a character's tone from the answer, so every tone is given a clear
// shape here, syllable by syllable, before the answer is played:
//   1st  level;   2nd  a clear rise;   4th  a long fall;
//   3rd  said alone (the end of the answer) dips and rises again; inside the answer it stays
//        low, and before another 3rd tone it rises like a 2nd (你好: ní hǎo);
//   light syllables keep the pitch they have.
// The shape is laid on by pitch-synchronous overlap-add: each period of the voiced sound is
// moved, not stretched, so the voice keeps its timbre and the answer its length.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace mulo::speech {

// One syllable of the answer: where it starts in the samples, and its tone (1 to 4; 5 or 0
// for a light syllable, whose pitch is left alone).
struct SyllableTone {
    std::size_t start;
    int tone;
};

// The samples with each syllable's pitch reshaped. Syllables run from their start to the
// next one's (the last to the end); those must be in order. Unvoiced sound is kept as it is.
std::vector<std::int16_t> shapeTones(std::span<const std::int16_t> samples, int sampleRate,
                                     std::span<const SyllableTone> syllables);

// The tones of the syllables of numbered pinyin ("ni3 hao3", "dian3r"), or nothing when a
// word of it is not a syllable (a digit, a letter, punctuation): then the synthesiser's
// words would not match the syllables one to one.
std::vector<int> syllableTones(std::string_view pinyin);

} // namespace mulo::speech
