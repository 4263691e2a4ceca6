#pragma once

// How loud an answer is heard, and every answer brought to one loudness. The synthesiser
// says some syllables far softer than others (a light 了 or 呢 by a dozen decibels), and a
// child should not strain for one answer and wince at the next.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace mulo::speech {

// The active speech level (dB against a full-scale square wave) in the manner of ITU-T
// P.56: the energy of the speech over the time it is active, the pauses left out. None for
// sound too short or too quiet to hold speech.
std::optional<double> activeSpeechLevel(std::span<const std::int16_t> samples, int sampleRate);

// The active speech level at which an answer is heard at volume 100; other volumes are as
// many decibels softer as their share of 100 says (volume 40: 8 dB).
inline constexpr double fullVolumeLevel = -12.0;
double levelAtVolume(int volume);

// The samples brought to the level of the volume (0 to 100) in one gain, or at most by
// mostGain decibels where the sound is very soft; peaks that would pass the ceiling are
// taken down smoothly, never clipped. Sound without speech in it is only scaled by the
// volume.
inline constexpr double mostGain = 24.0;
inline constexpr double peakCeiling = 0.9; // of full scale
std::vector<std::int16_t> levelled(std::span<const std::int16_t> samples, int sampleRate,
                                   int volume);

} // namespace mulo::speech
