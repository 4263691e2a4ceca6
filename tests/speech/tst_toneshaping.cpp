#include "espeakengine.h"
#include "toneshaping.h"

#include <QTest>
#include <cmath>
#include <numbers>

using namespace mulo::speech;

namespace {

// The pitch around a sample, by autocorrelation over 20 ms; 0 where nothing repeats.
double pitchAt(const std::vector<std::int16_t>& samples, int rate, std::size_t centre)
{
    const std::size_t window = std::size_t(rate / 50), longest = std::size_t(rate / 75);
    if (centre < window / 2 || centre + window / 2 + longest >= samples.size())
        return 0;
    double best = 0;
    std::size_t bestLag = 0;
    for (std::size_t lag = std::size_t(rate / 400); lag <= longest; ++lag) {
        double product = 0, first = 0, second = 0;
        for (std::size_t i = centre - window / 2; i < centre + window / 2; ++i) {
            product += double(samples[i]) * samples[i + lag];
            first += double(samples[i]) * samples[i];
            second += double(samples[i + lag]) * samples[i + lag];
        }
        const double r = product / std::sqrt(first * second + 1);
        if (r > best * 1.02)
            best = r, bestLag = lag;
    }
    return best > 0.5 ? double(rate) / double(bestLag) : 0;
}

double semitones(double from, double to)
{
    return 12 * std::log2(to / from);
}

// A vowel at 150 Hz: twenty harmonics, swelling and fading over 300 ms.
std::vector<std::int16_t> vowel(int rate)
{
    std::vector<std::int16_t> samples(std::size_t(rate * 3 / 10));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        double v = 0;
        for (int k = 1; k <= 20; ++k)
            v += std::sin(2 * std::numbers::pi * 150 * k * t) / k;
        const double swell = std::sin(std::numbers::pi * double(i) / double(samples.size()));
        samples[i] = std::int16_t(6000 * swell * v);
    }
    return samples;
}

} // namespace

class TestToneShaping : public QObject {
    Q_OBJECT
private slots:
    void eachToneHasItsShape_data();
    void eachToneHasItsShape();
    void syllablesAreReadFromThePinyin_data();
    void syllablesAreReadFromThePinyin();
    void theVoiceSaysEachToneWithItsShape_data();
    void theVoiceSaysEachToneWithItsShape();
};

// Pitch at a quarter, the middle and three quarters of the sound, against its start: how a
// tone moves (semitones) once shaped. A third tone said last dips, then rises again.
void TestToneShaping::eachToneHasItsShape_data()
{
    QTest::addColumn<int>("tone");
    QTest::addColumn<double>("minimumMove"); // three quarters against a quarter
    QTest::addColumn<double>("maximumMove");
    QTest::newRow("1st is level") << 1 << -0.5 << 0.5;
    QTest::newRow("2nd rises") << 2 << 2.5 << 12.0;
    QTest::newRow("3rd said alone dips, then rises") << 3 << 1.5 << 12.0;
    QTest::newRow("4th falls") << 4 << -12.0 << -3.5;
    QTest::newRow("a light syllable keeps its pitch") << 5 << -0.5 << 0.5;
}

void TestToneShaping::eachToneHasItsShape()
{
    QFETCH(int, tone);
    QFETCH(double, minimumMove);
    QFETCH(double, maximumMove);
    const int rate = 22050;
    const std::vector<std::int16_t> before = vowel(rate);
    const SyllableTone syllable{0, tone};
    const std::vector<std::int16_t> after = shapeTones(before, rate, {&syllable, 1});
    QCOMPARE(after.size(), before.size()); // the answer keeps its length
    const auto at = [&](double share) {
        return pitchAt(after, rate, std::size_t(share * double(after.size())));
    };
    const double quarter = at(0.25), middle = at(0.45), threeQuarters = at(0.75);
    QVERIFY(quarter > 0 && middle > 0 && threeQuarters > 0);
    const double move = semitones(quarter, threeQuarters);
    QVERIFY2(move >= minimumMove && move <= maximumMove, qPrintable(QString::number(move)));
    if (tone == 3)
        QVERIFY2(semitones(quarter, middle) <= -1,
                 qPrintable(QString::number(semitones(quarter, middle))));
}

void TestToneShaping::syllablesAreReadFromThePinyin_data()
{
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QList<int>>("tones");
    QTest::newRow("syllables") << "ni3 hao3" << QList<int>{3, 3};
    QTest::newRow("an erhua syllable") << "yi4 dian3r" << QList<int>{4, 3};
    QTest::newRow("a light syllable") << "ma1 ma5" << QList<int>{1, 5};
    QTest::newRow("spaces around") << " tian1 " << QList<int>{1};
    // The engine says these as words of their own: the syllables would not line up.
    QTest::newRow("a digit") << "di4 1 ke4" << QList<int>{};
    QTest::newRow("letters") << "Ag tian1" << QList<int>{};
    QTest::newRow("punctuation") << "ke4 ：" << QList<int>{};
    QTest::newRow("nothing") << "" << QList<int>{};
}

void TestToneShaping::syllablesAreReadFromThePinyin()
{
    QFETCH(QString, pinyin);
    QFETCH(QList<int>, tones);
    const std::vector<int> read = syllableTones(pinyin.toStdString());
    QCOMPARE(QList<int>(read.begin(), read.end()), tones);
}

// The real voice, one character of each tone, as the answer says it alone.
void TestToneShaping::theVoiceSaysEachToneWithItsShape_data()
{
    QTest::addColumn<int>("tone");
    QTest::addColumn<double>("minimumMove");
    QTest::addColumn<double>("maximumMove");
    QTest::newRow("天 is level") << 1 << -1.0 << 1.0;
    QTest::newRow("人 rises") << 2 << 2.5 << 12.0;
    QTest::newRow("马 said alone rises again") << 3 << 1.5 << 12.0;
    QTest::newRow("地 falls") << 4 << -12.0 << -3.0;
}

void TestToneShaping::theVoiceSaysEachToneWithItsShape()
{
    QFETCH(int, tone);
    QFETCH(double, minimumMove);
    QFETCH(double, maximumMove);
    const QString characters[] = {
        {}, QStringLiteral("天"), QStringLiteral("人"), QStringLiteral("马"), QStringLiteral("地")};
    const auto engine = EspeakEngine::open();
    const std::vector<std::int16_t> samples =
        engine->synthesize(characters[tone], engine->voices().front(), 243);
    // The voiced stretch: where the pitch can be told.
    std::vector<double> pitches;
    for (std::size_t i = 0; i < samples.size(); i += std::size_t(engine->sampleRate() / 200))
        pitches.push_back(pitchAt(samples, engine->sampleRate(), i));
    while (!pitches.empty() && pitches.front() == 0)
        pitches.erase(pitches.begin());
    while (!pitches.empty() && pitches.back() == 0)
        pitches.pop_back();
    std::erase(pitches, 0.0); // a creaky period here and there
    QVERIFY(pitches.size() >= 8);
    const double quarter = pitches[pitches.size() / 4],
                 threeQuarters = pitches[pitches.size() * 3 / 4];
    const double move = semitones(quarter, threeQuarters);
    QVERIFY2(move >= minimumMove && move <= maximumMove, qPrintable(QString::number(move)));
}

QTEST_GUILESS_MAIN(TestToneShaping)
#include "tst_toneshaping.moc"
