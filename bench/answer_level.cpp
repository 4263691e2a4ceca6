// The loudness of answers in WAV files (16-bit mono), one line each: the active speech level
// (dB against full scale, the pauses left out, as the program measures it), a second opinion
// that knows nothing of the first (the energy of the 20 ms frames within 20 dB of the
// loudest, in dB), and the peak (of full scale).
//   answer_level FILE...

#include "loudness.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char* argv[])
{
    for (int a = 1; a < argc; ++a) {
        QFile file(QString::fromLocal8Bit(argv[a]));
        if (!file.open(QIODevice::ReadOnly))
            return std::fprintf(stderr, "cannot read %s\n", argv[a]), 1;
        const QByteArray bytes = file.readAll();
        // The sample rate at byte 24; the samples after the "data" chunk's header.
        const qsizetype data = bytes.indexOf("data");
        if (bytes.size() < 44 || data < 0)
            return std::fprintf(stderr, "%s is no WAV file\n", argv[a]), 1;
        const int rate = int(qFromLittleEndian<quint32>(bytes.constData() + 24));
        std::vector<std::int16_t> samples(std::size_t(bytes.size() - data - 8) / 2);
        qFromLittleEndian<qint16>(bytes.constData() + data + 8, qsizetype(samples.size()),
                                  samples.data());
        const auto level = mulo::speech::activeSpeechLevel(samples, rate);
        const std::size_t frame = std::size_t(rate / 50);
        std::vector<double> energies;
        for (std::size_t i = 0; i + frame <= samples.size(); i += frame) {
            double energy = 0;
            for (std::size_t k = i; k < i + frame; ++k)
                energy += double(samples[k]) * samples[k];
            energies.push_back(energy / double(frame) / (32768.0 * 32768.0));
        }
        const double loudest =
            energies.empty() ? 0 : *std::max_element(energies.begin(), energies.end());
        double sum = 0;
        int counted = 0;
        for (double e : energies) {
            if (e > loudest / 100)
                sum += e, ++counted;
        }
        int peak = 0;
        for (std::int16_t s : samples)
            peak = std::max(peak, std::abs(int(s)));
        std::printf("%.2f %.2f %.3f\n", level ? *level : -99.0,
                    counted ? 10 * std::log10(sum / counted) : -99.0, peak / 32768.0);
    }
    return 0;
}
