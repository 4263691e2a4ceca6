#pragma once

// Output streams for the voice: the default sound device, and a WAV file.

#include "voice.h"

#include <QFile>
#include <QString>

namespace mulo::speech {

// The default sound device: through ALSA on Linux (and so through PulseAudio or PipeWire
// where they run), through the system's wave output on Windows; one source file each. The
// device is opened for each utterance and closed once it has been played; play() returns
// when everything has been played. A missing device, or one that another program holds,
// makes play() fail at once.
class SoundDeviceOutput : public OutputStream {
public:
    void play(std::span<const std::int16_t> samples, int sampleRate) override;
};

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
