#pragma once

// Reads back a 16-bit PCM WAV file as a listener's tools would see it.

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace mulo::test {

struct Wav {
    bool valid = false;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<std::int16_t> samples;

    double seconds() const { return sampleRate ? double(samples.size()) / sampleRate : 0.0; }
    int peak() const
    {
        int p = 0;
        for (std::int16_t s : samples)
            p = std::max(p, std::abs(int(s)));
        return p;
    }
    // Duration of the stretch from the first to the last sample louder than the threshold,
    // so that silence before and after the speech does not count.
    double spokenSeconds(int threshold = 300) const
    {
        const auto loud = [threshold](std::int16_t s) { return std::abs(int(s)) > threshold; };
        const auto first = std::find_if(samples.begin(), samples.end(), loud);
        const auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
        if (first == samples.end())
            return 0.0;
        return double(std::distance(first, last.base())) / sampleRate;
    }
};

// A data chunk whose size was never filled in (a stream still being written) counts up to
// the end of the file.
inline Wav readWav(const QString& path)
{
    Wav wav;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return wav;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return wav;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            wav.channels = qFromLittleEndian<quint16>(bytes.constData() + body + 2);
            wav.sampleRate = int(qFromLittleEndian<quint32>(bytes.constData() + body + 4));
            wav.bitsPerSample = qFromLittleEndian<quint16>(bytes.constData() + body + 14);
        } else if (id == "data") {
            const qsizetype available = bytes.size() - body;
            const qsizetype length = std::min<qsizetype>(available, qsizetype(size));
            wav.samples.resize(size_t(length / 2));
            for (size_t i = 0; i < wav.samples.size(); ++i)
                wav.samples[i] =
                    qFromLittleEndian<qint16>(bytes.constData() + body + 2 * qsizetype(i));
            wav.valid = wav.bitsPerSample == 16;
            return wav;
        }
        at = body + qsizetype(size) + (size & 1);
    }
    return wav;
}

} // namespace mulo::test
