#include "loudness.h"

#include <QTest>
#include <cmath>
#include <numbers>

using namespace mulo::speech;

namespace {

constexpr int rate = 8000;

// A 200 Hz tone of the given amplitude (of full scale) for so many seconds, then silence.
std::vector<std::int16_t> tone(double amplitude, double seconds, double silence = 0)
{
    std::vector<std::int16_t> samples(std::size_t((seconds + silence) * rate), 0);
    for (std::size_t i = 0; i < std::size_t(seconds * rate); ++i)
        samples[i] = std::int16_t(std::lround(
            32767 * amplitude * std::sin(2 * std::numbers::pi * 200 * double(i) / rate)));
    return samples;
}

} // namespace

class TestLoudness : public QObject {
    Q_OBJECT
private slots:
    void theActiveLevelLeavesThePausesOut_data();
    void theActiveLevelLeavesThePausesOut();
    void levellingBringsSoundToTheVolumesLevel_data();
    void levellingBringsSoundToTheVolumesLevel();
    void aPeakIsTakenDownSmoothlyNotClipped();
};

void TestLoudness::theActiveLevelLeavesThePausesOut_data()
{
    QTest::addColumn<std::vector<std::int16_t>>("samples");
    QTest::addColumn<double>("level"); // 0: none
    // A sine's level is 3 dB below its peak.
    QTest::newRow("a steady tone") << tone(0.5, 1) << -9.03;
    // A pause counts only for the moment speech takes to die away (0.2 s): 1.9 dB here,
    // where over the whole sound it would be 6.
    QTest::newRow("a tone, then a long pause") << tone(0.5, 0.5, 1.5) << -10.95;
    QTest::newRow("a soft tone") << tone(0.01, 0.5, 0.5) << -44.95;
    QTest::newRow("silence") << std::vector<std::int16_t>(8000, 0) << 0.0;
}

void TestLoudness::theActiveLevelLeavesThePausesOut()
{
    QFETCH(std::vector<std::int16_t>, samples);
    QFETCH(double, level);
    const std::optional<double> measured = activeSpeechLevel(samples, rate);
    QCOMPARE(measured.has_value(), level != 0);
    if (measured)
        QVERIFY2(std::abs(*measured - level) <= 0.5, qPrintable(QString::number(*measured)));
}

void TestLoudness::levellingBringsSoundToTheVolumesLevel_data()
{
    QTest::addColumn<std::vector<std::int16_t>>("samples");
    QTest::addColumn<int>("volume");
    QTest::addColumn<double>("level");
    QTest::newRow("a soft answer rises") << tone(0.02, 0.5, 0.5) << 40 << levelAtVolume(40);
    QTest::newRow("a loud one falls") << tone(0.9, 0.5) << 40 << levelAtVolume(40);
    QTest::newRow("volume 40 is 8 dB below 100")
        << tone(0.1, 0.5) << 100 << levelAtVolume(40) + 7.96;
    QTest::newRow("near silence rises by no more than 24 dB")
        << tone(0.0005, 0.5, 0.5) << 40 << -71.0 + mostGain;
    QTest::newRow("volume 0 is silent") << tone(0.5, 0.5) << 0 << 0.0;
}

void TestLoudness::levellingBringsSoundToTheVolumesLevel()
{
    QFETCH(std::vector<std::int16_t>, samples);
    QFETCH(int, volume);
    QFETCH(double, level);
    const std::vector<std::int16_t> heard = levelled(samples, rate, volume);
    QCOMPARE(heard.size(), samples.size());
    const std::optional<double> measured = activeSpeechLevel(heard, rate);
    QCOMPARE(measured.has_value(), level != 0);
    if (measured)
        QVERIFY2(std::abs(*measured - level) <= 0.2, qPrintable(QString::number(*measured)));
}

// A spike far above the rest is taken down to the ceiling, and the sound around it with it,
// smoothly: not clipped alone.
void TestLoudness::aPeakIsTakenDownSmoothlyNotClipped()
{
    std::vector<std::int16_t> spiked = tone(0.05, 0.5);
    spiked[2000] = 32767;
    const std::vector<std::int16_t> capped = levelled(spiked, rate, 100);
    const auto peak = *std::max_element(capped.begin(), capped.end());
    QVERIFY2(peak <= peakCeiling * 32767 + 0.5 && peak > peakCeiling * 32767 - 2,
             qPrintable(QString::number(peak)));
    const double far = double(capped[3002]) / spiked[3002],
                 near = double(capped[2001]) / spiked[2001];
    QVERIFY2(near < 0.9 * far, qPrintable(QStringLiteral("%1 against %2").arg(near).arg(far)));
}

QTEST_GUILESS_MAIN(TestLoudness)
#include "tst_loudness.moc"
