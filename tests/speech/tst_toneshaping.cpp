#include "answer.h"
#include "espeakengine.h"
#include "outputs.h"
#include "toneshaping.h"
#include "wavfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <numbers>

using namespace mulo::speech;

namespace {

// The pitch around a sample, by autocorrelation over 20 ms: the first peak nearly as strong
// as the strongest (not a multiple of the period); 0 where nothing repeats.
double pitchAt(const std::vector<std::int16_t>& samples, int rate, std::size_t centre)
{
    const std::size_t window = std::size_t(rate / 50), shortest = std::size_t(rate / 400),
                      longest = std::size_t(rate / 75);
    if (centre < window / 2 || centre + window / 2 + longest + 1 >= samples.size())
        return 0;
    std::vector<double> r(longest + 2, 0);
    for (std::size_t lag = shortest - 1; lag <= longest + 1; ++lag) {
        double product = 0, first = 0, second = 0;
        for (std::size_t i = centre - window / 2; i < centre + window / 2; ++i) {
            product += double(samples[i]) * samples[i + lag];
            first += double(samples[i]) * samples[i];
            second += double(samples[i + lag]) * samples[i + lag];
        }
        r[lag] = product / std::sqrt(first * second + 1);
    }
    const double best = *std::max_element(r.begin() + long(shortest), r.end() - 1);
    for (std::size_t lag = shortest; lag <= longest && best > 0.5; ++lag) {
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1])
            return double(rate) / double(lag);
    }
    return 0;
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

// The same vowel fading away after 150 ms, to a tenth of its loudness at 230 ms.
std::vector<std::int16_t> fadingVowel(int rate)
{
    std::vector<std::int16_t> samples = vowel(rate);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double t = double(i) / rate;
        const double swell = std::sin(std::numbers::pi * double(i) / double(samples.size()));
        const double fade = t < 0.03 ? t / 0.03 : t < 0.15 ? 1 : std::exp(-(t - 0.15) / 0.035);
        samples[i] = std::int16_t(samples[i] / std::max(swell, 1e-3) * fade);
    }
    return samples;
}

// The median, first and last pitch of a syllable's loud voiced frames (a tenth of the
// loudest or more, less a tenth at each end), frames every 5 ms: what a listener hears of its
// tone; and the lowest, with whether it lies in the middle half.
struct Heard {
    double median = 0, first = 0, last = 0, lowest = 0, highest = 0;
    bool lowestInTheMiddle = false;
    double climb = 0; // semitones from the very first loud voiced frame up to the highest of
                      // the first 50 ms, untrimmed
};

Heard hear(const std::vector<std::int16_t>& samples, int rate, std::size_t from, std::size_t to)
{
    const auto step = std::size_t(rate / 200), half = std::size_t(rate / 100);
    const auto loudness = [&](std::size_t centre) {
        double sum = 0;
        for (std::size_t i = centre - std::min(centre, half); i < std::min(to, centre + half); ++i)
            sum += double(samples[i]) * samples[i];
        return sum;
    };
    double loudest = 0;
    for (std::size_t i = from; i < to; i += step)
        loudest = std::max(loudest, loudness(i));
    std::vector<double> pitches;
    for (std::size_t i = from; i < to; i += step) {
        if (const double pitch = pitchAt(samples, rate, i);
            pitch > 0 && loudness(i) >= loudest / 10)
            pitches.push_back(pitch);
    }
    double climb = 0;
    for (std::size_t i = 1; i < std::min<std::size_t>(pitches.size(), 10); ++i)
        climb = std::max(climb, semitones(pitches.front(), pitches[i]));
    const std::size_t trim = pitches.size() / 10;
    pitches = {pitches.begin() + long(trim), pitches.end() - long(trim)};
    if (pitches.size() < 4)
        return {};
    const auto lowest = std::min_element(pitches.begin(), pitches.end());
    const auto at = std::size_t(lowest - pitches.begin());
    std::vector<double> sorted = pitches;
    std::sort(sorted.begin(), sorted.end());
    return {sorted[sorted.size() / 2],
            pitches.front(),
            pitches.back(),
            *lowest,
            sorted.back(),
            at >= pitches.size() / 4 && at <= pitches.size() * 3 / 4,
            climb};
}

} // namespace

class TestToneShaping : public QObject {
    Q_OBJECT
private slots:
    void eachToneHasItsShape_data();
    void eachToneHasItsShape();
    void aSyllableIsShapedByItsNeighbours_data();
    void aSyllableIsShapedByItsNeighbours();
    void aBurstIsNoVoice_data();
    void aBurstIsNoVoice();
    void syllablesAreReadFromThePinyin_data();
    void syllablesAreReadFromThePinyin();
    void syllablesAreFoundByTheirPlaceInTheText_data();
    void syllablesAreFoundByTheirPlaceInTheText();
    void aMarkOrAnEmojiLeavesTheSyllablesAsTheyAre_data();
    void aMarkOrAnEmojiLeavesTheSyllablesAsTheyAre();
    void eachAnswerOfADrillSaysItsTonesInOneRegister_data();
    void eachAnswerOfADrillSaysItsTonesInOneRegister();
    void withoutOurVoiceFileTheEnginesOwnMandarinVoiceSpeaks();
    void syllablesStartWhereTheVoiceSaysThem();
    void theVoiceShapesWhatItSays_data();
    void theVoiceShapesWhatItSays();

private:
    std::shared_ptr<EspeakEngine> m_engine = EspeakEngine::open();
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
    QTest::newRow("a light syllable alone stays about level") << 5 << -1.5 << 0.5;
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
    QVERIFY(after.size() >= before.size()); // a syllable alone may be drawn out
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

// Syllables of the same vowel one after another, at 150 Hz: how one syllable's pitch moves
// against the one before (semitones, middle against middle), or within itself (a quarter
// against three quarters) when "within" is set.
void TestToneShaping::aSyllableIsShapedByItsNeighbours_data()
{
    QTest::addColumn<QList<int>>("tones");
    QTest::addColumn<bool>("within");
    QTest::addColumn<double>("least");
    QTest::addColumn<double>("most");
    QTest::addColumn<bool>("fading"); // and "within" is the middle against the fading end
    QTest::newRow("a 4th before a 4th falls halfway (大象)")
        << QList<int>{4, 4} << true << -3.3 << -1.0 << false;
    QTest::newRow("a 4th before a 1st falls all the way")
        << QList<int>{4, 1} << true << -7.0 << -3.5 << false;
    QTest::newRow("a 1st is level into its fading end (大树's end)")
        << QList<int>{1, 1} << true << -1.0 << 1.0 << true;
    QTest::newRow("a light syllable after a 1st lies below it (妈妈)")
        << QList<int>{1, 5} << false << -5.0 << -2.0 << false;
    QTest::newRow("a light syllable after a 3rd lies above it (姐姐)")
        << QList<int>{3, 5} << false << 2.0 << 8.0 << false;
    QTest::newRow("a light syllable after a light one goes on from it (爸爸们)")
        << QList<int>{4, 5, 5} << false << -2.0 << 0.5 << false;
}

void TestToneShaping::aSyllableIsShapedByItsNeighbours()
{
    QFETCH(QList<int>, tones);
    QFETCH(bool, within);
    QFETCH(double, least);
    QFETCH(double, most);
    QFETCH(bool, fading);
    const int rate = 22050;
    const std::vector<std::int16_t> one = fading ? fadingVowel(rate) : vowel(rate);
    std::vector<std::int16_t> before;
    std::vector<SyllableTone> syllables;
    for (const int tone : tones) {
        syllables.push_back({before.size(), tone});
        before.insert(before.end(), one.begin(), one.end());
    }
    const std::vector<std::int16_t> after = shapeTones(before, rate, syllables, 150);
    const auto at = [&](std::size_t s, double share) {
        return pitchAt(after, rate, syllables[s].start + std::size_t(share * double(one.size())));
    };
    const std::size_t last = syllables.size() - 1;
    const double move = within ? semitones(at(last - 1, fading ? 0.3 : 0.25), at(last - 1, 0.75))
                               : semitones(at(last - 1, 0.5), at(last, 0.5));
    QVERIFY2(move >= least && move <= most, qPrintable(QString::number(move)));
}

// The burst of zh or j before a vowel repeats itself for a moment, as a voice does; held for
// less than three frames it is no voice, and is kept as it is.
void TestToneShaping::aBurstIsNoVoice_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("kept");
    QTest::newRow("a burst of 8 ms") << 0.008 << true;
    QTest::newRow("a burst of 15 ms") << 0.015 << true;
    QTest::newRow("a vowel of 60 ms is voice") << 0.06 << false;
}

void TestToneShaping::aBurstIsNoVoice()
{
    QFETCH(double, seconds);
    QFETCH(bool, kept);
    const int rate = 22050;
    std::vector<std::int16_t> before(std::size_t(rate / 10), 0);
    const auto burst = std::size_t(seconds * rate);
    for (std::size_t i = 0; i < burst; ++i) {
        double v = 0;
        for (int k = 1; k <= 10; ++k)
            v += std::sin(2 * std::numbers::pi * 220 * k * double(i) / rate) / k;
        before.push_back(std::int16_t(8000 * v));
    }
    const std::size_t vowelStart = before.size() + std::size_t(rate / 10);
    before.resize(vowelStart, 0);
    const std::vector<std::int16_t> one = vowel(rate);
    before.insert(before.end(), one.begin(), one.end());
    const SyllableTone syllables[] = {{0, 4}, {vowelStart, 2}};
    const std::vector<std::int16_t> after = shapeTones(before, rate, syllables, 150);
    const auto from = std::size_t(rate / 10);
    QCOMPARE(std::equal(before.begin() + long(from), before.begin() + long(from + burst),
                        after.begin() + long(from)),
             kept);
}

void TestToneShaping::syllablesAreReadFromThePinyin_data()
{
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QList<int>>("tones");
    QTest::newRow("syllables") << "ni3 hao3" << QList<int>{3, 3};
    QTest::newRow("an erhua syllable") << "yi4 dian3r" << QList<int>{4, 3};
    QTest::newRow("a light syllable") << "ma1 ma5" << QList<int>{1, 5};
    QTest::newRow("spaces around") << " tian1 " << QList<int>{1};
    // Said as the engine says them, between shaped syllables.
    QTest::newRow("a digit") << "di4 1 ke4" << QList<int>{4, 0, 4};
    QTest::newRow("letters") << "Ag tian1" << QList<int>{0, 1};
    QTest::newRow("punctuation") << "ke4 ：" << QList<int>{4, 0};
    QTest::newRow("nothing") << "" << QList<int>{};
}

void TestToneShaping::syllablesAreReadFromThePinyin()
{
    QFETCH(QString, pinyin);
    QFETCH(QList<int>, tones);
    const std::vector<int> read = syllableTones(pinyin.toStdString());
    QCOMPARE(QList<int>(read.begin(), read.end()), tones);
}

void TestToneShaping::syllablesAreFoundByTheirPlaceInTheText_data()
{
    QTest::addColumn<QString>("pinyin");
    QTest::addColumn<QList<int>>("events"); // place in the text, sample; pairs
    QTest::addColumn<QList<int>>("starts");
    QTest::newRow("one event a syllable")
        << "chun1 xia4" << QList<int>{1, 0, 7, 5000} << QList<int>{0, 5000};
    // What espeak-ng 1.51 adds after some answers, depending on what was said before.
    QTest::newRow("an empty event at the end")
        << "shu4" << QList<int>{1, 0, 0, 4069} << QList<int>{0};
    // The synthesiser says nothing for a mark or an emoji, and reports no event for it.
    QTest::newRow("a mark at the end owns no sound")
        << "ni3 hao3 ！" << QList<int>{1, 0, 5, 3000} << QList<int>{0, 3000};
    QTest::newRow("an emoji between two syllables owns no sound")
        << "chun1 tian1 🌸 hua1 kai1" << QList<int>{1, 0, 7, 2000, 15, 4000, 20, 6000}
        << QList<int>{0, 2000, 4000, 6000};
    QTest::newRow("places count characters: a full-width mark before the syllables")
        << "ke4 ： yi1 er4" << QList<int>{1, 0, 7, 3000, 11, 6000} << QList<int>{0, 3000, 6000};
    QTest::newRow("a digit the voice says keeps its sound")
        << "di4 1 ke4" << QList<int>{1, 0, 5, 3000, 7, 6000} << QList<int>{0, 3000, 6000};
    QTest::newRow("a syllable without an event lies between its neighbours")
        << "a1 b2 c3 d4" << QList<int>{1, 0, 10, 6000} << QList<int>{0, 2000, 4000, 6000};
    QTest::newRow("no event at all: the syllables share the sound")
        << "a1 b2" << QList<int>{} << QList<int>{0, 4000};
    QTest::newRow("an event out of order is passed over")
        << "a1 b2 c3" << QList<int>{1, 0, 4, 5000, 7, 3000} << QList<int>{0, 5000, 6500};
    QTest::newRow("no syllable: nothing to shape") << "1 2" << QList<int>{1, 0} << QList<int>{};
}

void TestToneShaping::syllablesAreFoundByTheirPlaceInTheText()
{
    QFETCH(QString, pinyin);
    QFETCH(QList<int>, events);
    QFETCH(QList<int>, starts);
    std::vector<WordEvent> reported;
    for (qsizetype i = 0; i + 1 < events.size(); i += 2)
        reported.push_back({std::size_t(events[i]), std::size_t(events[i + 1])});
    QList<int> found;
    for (const SyllableTone& s : matchSyllables(pinyin.toStdString(), reported, 8000))
        found.append(int(s.start));
    QCOMPARE(found, starts);
}

// The same answer with and without a mark or an emoji, as lessons are decorated: the
// syllable next to it sounds the same.
void TestToneShaping::aMarkOrAnEmojiLeavesTheSyllablesAsTheyAre_data()
{
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<int>("next"); // the syllable next to the mark
    QTest::newRow("a mark after a 3rd tone") << "你好！"
                                             << "你好" << 1;
    QTest::newRow("an emoji after a 3rd tone") << "苹果🍎"
                                               << "苹果" << 1;
    QTest::newRow("an emoji after a 4th tone") << "大象🐘"
                                               << "大象" << 1;
    QTest::newRow("an emoji inside") << "春天🌸花开"
                                     << "春天花开" << 1;
    QTest::newRow("a mark before") << "“天”"
                                   << "天" << 0;
}

void TestToneShaping::aMarkOrAnEmojiLeavesTheSyllablesAsTheyAre()
{
    QFETCH(QString, marked);
    QFETCH(QString, plain);
    QFETCH(int, next);
    const int rate = m_engine->sampleRate();
    const auto heard = [&](const QString& text) {
        const Utterance said = m_engine->synthesize(text, m_engine->voices().front(), 243);
        const std::vector<std::int16_t> shaped = shapeTones(said, rate);
        const auto s = std::size_t(next);
        const std::size_t from = said.syllables.size() == 1 ? 0 : said.syllables[s].start;
        const std::size_t to =
            s + 1 < said.syllables.size() ? said.syllables[s + 1].start : shaped.size();
        return hear(shaped, rate, from + std::size_t(rate / 50), to);
    };
    const Heard withMark = heard(marked), without = heard(plain);
    const QByteArray what = QByteArray::number(withMark.first) + " → " +
                            QByteArray::number(withMark.last) + " Hz against " +
                            QByteArray::number(without.first) + " → " +
                            QByteArray::number(without.last);
    QVERIFY2(without.median > 0, what);
    for (const auto part : {&Heard::median, &Heard::first, &Heard::last})
        QVERIFY2(std::abs(semitones(without.*part, withMark.*part)) <= 1, what);
}

// Answers one after another in one run, as a child hears them: a lesson, then characters of
// every onset (zh ch sh j q x z c s, b p, none) and tone. Each syllable's shape, in the
// voice's one register (levels of 1.75 semitones around the pitch of its level tone):
//   "1" level at the top, "2" rises, "3" alone dips and rises, "3-" low inside, "4" falls,
//   "4^" falls from its top, and "4-" less far before another 4th,
//   "5>" a light syllable higher than the one before, "5<" lower than the middle.
void TestToneShaping::eachAnswerOfADrillSaysItsTonesInOneRegister_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("shapes");
    const auto row = [](const char* answer, const char* shapes) {
        QTest::newRow(answer) << QString::fromUtf8(answer)
                              << QString::fromLatin1(shapes).split(u' ');
    };
    row("春夏秋冬", "1 4 1 1");
    row("树", "4");
    row("猫", "1");
    row("你好", "2 3"); // 3-3 is said 2-3
    row("肉", "4");
    row("马车", "3- 1");
    row("大妈", "4 1"); // the 1st level soon after the fall before it
    row("姐姐", "3- 5>");
    row("谢谢", "4 5<");
    row("天地人和", "1 4 2 2"); // a sample lesson
    row("大树", "4- 4");
    // A 4th after l, m or y starts where the voice starts, at its top.
    row("锻炼", "4- 4^");
    row("秘密", "4- 4^");
    row("软硬", "3- 4^");
    for (const auto& [character, shape] :
         std::initializer_list<std::pair<const char*, const char*>>{{"知", "1"},
                                                                    {"吃", "1"},
                                                                    {"书", "1"},
                                                                    {"家", "1"},
                                                                    {"七", "1"},
                                                                    {"西", "1"},
                                                                    {"资", "1"},
                                                                    {"次", "4"},
                                                                    {"四", "4"},
                                                                    {"八", "1"},
                                                                    {"怕", "4"},
                                                                    {"阿", "1"},
                                                                    {"人", "2"},
                                                                    {"马", "3"},
                                                                    {"地", "4"},
                                                                    {"车", "1"},
                                                                    {"出", "1"}})
        row(character, shape);
}

void TestToneShaping::eachAnswerOfADrillSaysItsTonesInOneRegister()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, shapes);
    const int rate = m_engine->sampleRate();
    const Utterance said = m_engine->synthesize(answer, m_engine->voices().front(), 243);
    QCOMPARE(qsizetype(said.syllables.size()), shapes.size());
    QVERIFY2(said.levelPitch > 150, "our own, higher voice speaks");
    const std::vector<std::int16_t> shaped = shapeTones(said, rate);
    const auto level = [&](double l) { return said.levelPitch * std::exp2((l - 3) * 1.75 / 12); };
    Heard before;
    for (qsizetype s = 0; s < shapes.size(); ++s) {
        const std::size_t from = shapes.size() == 1 ? 0 : said.syllables[std::size_t(s)].start;
        const std::size_t to =
            s + 1 < shapes.size() ? said.syllables[std::size_t(s) + 1].start : shaped.size();
        Heard h = hear(shaped, rate, from + std::size_t(rate / 50), to);
        h.climb = hear(shaped, rate, from, to).climb;
        const QString shape = shapes[s];
        const QByteArray what =
            QStringLiteral("syllable %1 (%2): median %3 Hz, %4 → %5 Hz, lowest %6; level %7 Hz")
                .arg(s + 1)
                .arg(shape)
                .arg(h.median)
                .arg(h.first)
                .arg(h.last)
                .arg(h.lowest)
                .arg(said.levelPitch)
                .toUtf8();
        QVERIFY2(h.median > 0, what);
        if (shape == u"1") {
            QVERIFY2(std::abs(semitones(level(5), h.median)) < 1, what);
            QVERIFY2(std::abs(semitones(h.first, h.last)) < 1.5, what);
        } else if (shape == u"2") {
            QVERIFY2(semitones(h.first, h.last) >= 2.5, what);
        } else if (shape == u"3") {
            QVERIFY2(semitones(h.lowest, h.first) >= 0.5 && semitones(h.lowest, h.last) >= 1.5,
                     what);
        } else if (shape == u"3-") {
            QVERIFY2(h.median < level(2) && semitones(h.lowest, h.last) < 1.5, what);
        } else if (shape == u"4") {
            QVERIFY2(semitones(h.first, h.last) <= -3.5, what);
        } else if (shape == u"4^" || shape == u"4-") {
            QVERIFY2(semitones(h.first, h.last) <= (shape == u"4^" ? -2.5 : -1), what);
            QVERIFY2(h.climb <= 1, what + " climbs " + QByteArray::number(h.climb));
        } else if (shape == u"5>") {
            QVERIFY2(semitones(before.median, h.median) >= 2, what);
        } else if (shape == u"5<") {
            QVERIFY2(h.median < level(2), what);
        }
        // Every syllable in the voice's register, none an octave off.
        QVERIFY2(h.median > level(0) && h.median < level(6.5), what);
        before = h;
    }
    // A character alone is said in full.
    if (shapes.size() == 1)
        QVERIFY(shaped.size() >= std::size_t(rate * 0.27));
}

void TestToneShaping::withoutOurVoiceFileTheEnginesOwnMandarinVoiceSpeaks()
{
    const QStringList places = EspeakEngine::voiceFilePlaces();
    QCOMPARE(places.first(), QCoreApplication::applicationDirPath() + QStringLiteral("/") +
                                 QFileInfo(places.last()).fileName()); // beside the program
    EspeakEngine::setVoiceFilePlaces({QDir::temp().filePath(QStringLiteral("no-such.voice"))});
    const VoiceToken mandarin = m_engine->voices().front();
    const Utterance said = m_engine->synthesize(QStringLiteral("天"), mandarin, 243);
    const QString phonemes = m_engine->phonemes(QStringLiteral("天"), mandarin);
    EspeakEngine::setVoiceFilePlaces(places);
    QVERIFY2(said.levelPitch > 60 && said.levelPitch < 140, "espeak-ng's own, lower voice");
    QVERIFY2(!phonemes.contains(QStringLiteral("(en)")), qPrintable(phonemes)); // not English
    QCOMPARE(said.syllables.size(), std::size_t(1));
}

// shuang1 is long and a5 short: each syllable starts where the engine said it, not at an
// even share of the answer.
void TestToneShaping::syllablesStartWhereTheVoiceSaysThem()
{
    const Utterance said =
        m_engine->synthesize(QStringLiteral("双啊"), m_engine->voices().front(), 243);
    QCOMPARE(said.syllables.size(), std::size_t(2));
    QVERIFY2(said.syllables[1].start > said.samples.size() * 2 / 3,
             qPrintable(
                 QStringLiteral("%1 of %2").arg(said.syllables[1].start).arg(said.samples.size())));
}

// A character said through the voice into a file, as the window says it: shaped to its tone
// and said in full.
void TestToneShaping::theVoiceShapesWhatItSays_data()
{
    QTest::addColumn<QString>("character");
    QTest::addColumn<double>("least"); // semitones, last against first
    QTest::addColumn<double>("most");
    QTest::newRow("人 rises") << QStringLiteral("人") << 2.5 << 12.0;
    QTest::newRow("大 falls") << QStringLiteral("大") << -12.0 << -3.5;
    QTest::newRow("天 is level") << QStringLiteral("天") << -1.5 << 1.5;
}

void TestToneShaping::theVoiceShapesWhatItSays()
{
    QFETCH(QString, character);
    QFETCH(double, least);
    QFETCH(double, most);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("answer.wav"));
    std::unique_ptr<SpVoice> voice;
    setUpVoice(voice, [&] {
        return std::make_unique<SpVoice>(m_engine, std::make_shared<WavFileOutput>(path));
    });
    voice->Speak(character, SVSFDefault);
    const mulo::test::Wav wav = mulo::test::readWav(path);
    QVERIFY2(wav.seconds() >= 0.27, qPrintable(QString::number(wav.seconds())));
    const Heard h = hear(wav.samples, wav.sampleRate, 0, wav.samples.size());
    const double move = semitones(h.first, h.last);
    QVERIFY2(h.median > 0 && move >= least && move <= most, qPrintable(QString::number(move)));
}

QTEST_GUILESS_MAIN(TestToneShaping)
#include "tst_toneshaping.moc"
