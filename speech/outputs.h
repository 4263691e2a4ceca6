#pragma once

// Output streams for the voice: the default sound device, and a WAV file.

#include "voice.h"

#include <QFile>
#include <QString>
#include <atomic>
#include <functional>

namespace mulo::speech {

// The default sound device: through ALSA on Linux (and so through PulseAudio or PipeWire
// where they run), through the system's wave output on Windows; one source file each. The
// device is opened for each utterance and closed once it has been played; play() returns
// when everything has been played. A missing device, or one that another program holds,
// makes play() fail at once.
//
// A sound server can stop answering in the middle of an answer (a stalled server,
// Bluetooth headphones dropping out), and then every call into the device may wait for it,
// closing it too. So the device is played by a player thread of its own, and play() waits
// for it no longer than the answer's length and five seconds: then it fails, and the
// player is left to finish on its own, its device never touched again from here; the next
// answer opens the device afresh. A player given up on stops its sound as soon as the
// server answers again. While mostPlayersGivenUp players are still stuck, the server is
// taken for gone and every answer fails at once.
//
// While it waits, play() calls whileWaiting every few milliseconds: the window hands in
// what keeps it painted and answering the desktop (but not the user's clicks and keys,
// which wait for the answer to end), so that a stalled server never freezes it.
class SoundDeviceOutput : public OutputStream {
public:
    explicit SoundDeviceOutput(std::function<void()> whileWaiting = {})
        : m_whileWaiting(std::move(whileWaiting))
    {}
    void play(std::span<const std::int16_t> samples, int sampleRate) override;

    static constexpr int mostPlayersGivenUp = 2;
    // Players given up on that have not ended yet.
    static int playersGivenUp();

private:
    std::function<void()> m_whileWaiting;
};

// The platform's part of SoundDeviceOutput, run by its player thread: plays the samples on
// the default device and returns once they have been played, or soon after givenUp is set
// (then the sound is stopped, not played out). A failure is a RuntimeError.
void playOnSoundDevice(std::span<const std::int16_t> samples, int sampleRate,
                       const std::atomic<bool>& givenUp);

// A 16-bit mono WAV file. Each utterance is appended; a change of sample rate starts the
// file anew. The header is kept up to date after every utterance.
class WavFileOutput : public OutputStream {
public:
    explicit WavFileOutput(QString path);
    ~WavFileOutput() override;
    void play(std::span<const std::int16_t> samples, int sampleRate) override;

private:
    void writeHeader();

    QFile m_file;
    int m_sampleRate = 0;
    quint32 m_dataBytes = 0;
};

} // namespace mulo::speech
