#include "answer.h"
#include "espeakengine.h"
#include "fakes.h"
#include "lessonlistmodel.h"
#include "loudness.h"
#include "outputs.h"
#include "questionpicking.h"
#include "readings.h"
#include "speechfakes.h"
#include "startup.h"
#include "wavfile.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#if defined(Q_OS_LINUX)
#include <alsa/asoundlib.h>
#endif
#include <cstring>
#include <future>

using namespace mulo;
using namespace mulo::speech;
using namespace mulo::test;

namespace {

// A voice over the real engine speaking into a WAV file.
struct WavVoice {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("answer.wav"));
    std::unique_ptr<SpVoice> voice;
    WavVoice()
    {
        setUpVoice(voice, [this] {
            return std::make_unique<SpVoice>(EspeakEngine::open(),
                                             std::make_shared<WavFileOutput>(path));
        });
    }
    Wav speak(const QString& text)
    {
        voice->Speak(text, SVSFDefault);
        return readWav(path);
    }
};

// Start-up with a lesson list and a voice set up through the given factory.
struct Startup {
    LessonListModel list;
    FakeCaption caption;
    RecordingMessageBox messageBox;
    FakeAppInfo app;
    std::unique_ptr<SpVoice> Voice;

    FakeCheckBox chkRnd{CheckBoxOps::Unchecked};
    FakeCheckBox chkSingle{CheckBoxOps::Unchecked};
    FakeTextBox txtTi;
    ScriptedRandom random;
    QuizControls quiz{list, chkRnd, chkSingle, txtTi, random};

    void load(const VoiceFactory& create,
              const QString& requiredAttributes = mandarinVoiceAttributes)
    {
        StartupContext context{
            list,
            caption,
            messageBox,
            app,
            [](const QString&) {
                return FileBytes{QByteArray("\xd2\xbb\xb6\xfe\xc8\xfd\xcb\xc4\r\n"), {}};
            },
            [&] { setUpVoice(Voice, create, requiredAttributes); }};
        Form_Load(context);
    }
    void answer()
    {
        AnswerControls controls{txtTi, [this] { cmdTest_Click(quiz); }, Voice.get()};
        cmdRead_Click(controls);
    }
};

} // namespace

class TestSpeech : public QObject {
    Q_OBJECT
private slots:
    void rateFollowsTheClassicScale_data();
    void rateFollowsTheClassicScale();
    void requiredAttributesMatchExactly_data();
    void requiredAttributesMatchExactly();
    void anUnknownFormatTypeIsRefusedAndKeepsTheFormat();
    void setUpGivesTheMandarinVoiceAt8kHzRate3Volume40();

    void answerSpeaksTheBox_data();
    void answerSpeaksTheBox();
    void twoAnswersSpeakTwiceOneAfterTheOther();
    void aFailingPickEndsTheAnswerSilently();

    void voiceStates();

    void speechInAWavFileIs8kHzMono16BitAndNotSilent();
    void rate3SpeaksAbout1Point39TimesFaster();
    void volume40ScalesThePeakTo40Percent();
    void everyAnswerIsHeardAtTheLoudnessOfTheVolume_data();
    void everyAnswerIsHeardAtTheLoudnessOfTheVolume();
    void theVoiceSaysTheSyllablesItIsGiven_data();
    void theVoiceSaysTheSyllablesItIsGiven();
    void aMissingDataDirectoryIsAFailure();
#if defined(Q_OS_WIN)
    void theWaveOutputPlaysTheWholeAnswerBeforePlayReturns();
#endif
#if defined(Q_OS_LINUX) // on stand-in ALSA devices
    void theSoundDevicePlaysTheWholeAnswerBeforePlayReturns_data();
    void theSoundDevicePlaysTheWholeAnswerBeforePlayReturns();
    void aDeviceThatStopsPlayingIsGivenUpOnAfterTheAnswerAndFiveSeconds();
    void anUnusableSoundDeviceFailsAtOnceAndTheAnswerStaysQuiet_data();
    void anUnusableSoundDeviceFailsAtOnceAndTheAnswerStaysQuiet();
#endif
};

void TestSpeech::rateFollowsTheClassicScale_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("wpm");
    QTest::newRow("slowest") << -10 << 58;
    QTest::newRow("normal") << 0 << 175;
    QTest::newRow("answer rate") << 3 << 243;
    QTest::newRow("fastest") << 10 << 525;
}

void TestSpeech::rateFollowsTheClassicScale()
{
    QFETCH(int, rate);
    QFETCH(int, wpm);
    QCOMPARE(wordsPerMinute(rate), wpm);
}

void TestSpeech::requiredAttributesMatchExactly_data()
{
    QTest::addColumn<QString>("required");
    QTest::addColumn<QStringList>("names");
    const QString zh = QStringLiteral("Microsoft Simplified Chinese");
    const QString en = QStringLiteral("English (Great Britain)");
    QTest::newRow("the Mandarin voice") << mandarinVoiceAttributes << QStringList{zh};
    QTest::newRow("nothing required") << QString() << QStringList{zh, en};
    QTest::newRow("a prefix is no match") << QStringLiteral("name=Microsoft") << QStringList{};
    QTest::newRow("case counts") << QStringLiteral("name=microsoft simplified chinese")
                                 << QStringList{};
    QTest::newRow("an unknown attribute") << QStringLiteral("gender=female") << QStringList{};
}

void TestSpeech::requiredAttributesMatchExactly()
{
    QFETCH(QString, required);
    QFETCH(QStringList, names);
    FakeSpeech speech;
    const VoiceTokens tokens = speech.factory()()->GetVoices(required, QString());
    QStringList found;
    for (int i = 0; i < tokens.Count(); ++i)
        found.append(tokens.Item(i).name);
    QCOMPARE(found, names);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, tokens.Item(tokens.Count()));
}

void TestSpeech::anUnknownFormatTypeIsRefusedAndKeepsTheFormat()
{
    SpAudioFormat format;
    format.setType(SAFT8kHz16BitMono);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, format.setType(7)); // 8 kHz stereo is not offered
    QCOMPARE(format.Type(), int(SAFT8kHz16BitMono));
    QCOMPARE(format.sampleRate(), 8000);
}

void TestSpeech::setUpGivesTheMandarinVoiceAt8kHzRate3Volume40()
{
    FakeSpeech speech;
    speech.engine->rate = 22050;
    std::unique_ptr<SpVoice> voice;
    setUpVoice(voice, speech.factory());
    QCOMPARE(voice->Voice().name, QStringLiteral("Microsoft Simplified Chinese"));
    QVERIFY(!voice->AllowAudioOutputFormatChangesOnNextSet());
    QCOMPARE(voice->AudioOutputStream()->Format().Type(), int(SAFT8kHz16BitMono));
    QCOMPARE(voice->Rate(), 3);
    QCOMPARE(voice->Volume(), 40);

    voice->Speak(QStringLiteral("一二三四"), SVSFDefault);
    QCOMPARE(speech.stream->played.size(), 1);
    QCOMPARE(speech.stream->played[0].sampleRate, 8000);
    QCOMPARE(speech.engine->said[0].wordsPerMinute, 243);
}

void TestSpeech::answerSpeaksTheBox_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("spoken");
    QTest::addColumn<int>("refreshes");
    QTest::newRow("a question is spoken unchanged")
        << QStringLiteral("春夏秋冬") << QStringLiteral("春夏秋冬") << 0;
    QTest::newRow("surrounding spaces are kept")
        << QStringLiteral(" 山 ") << QStringLiteral(" 山 ") << 0;
    QTest::newRow("empty: picks first") << QString() << QStringLiteral("一二三四") << 1;
    QTest::newRow("only spaces: picks first")
        << QStringLiteral("   ") << QStringLiteral("一二三四") << 1;
    QTest::newRow("a tab is content") << QStringLiteral("\t") << QStringLiteral("\t") << 0;
}

void TestSpeech::answerSpeaksTheBox()
{
    QFETCH(QString, box);
    QFETCH(QString, spoken);
    QFETCH(int, refreshes);
    FakeSpeech speech;
    Startup s;
    s.load(speech.factory());
    s.txtTi.text = box;
    s.answer();
    QCOMPARE(s.txtTi.text, spoken);
    QCOMPARE(s.txtTi.refreshes, refreshes);
    QCOMPARE(speech.engine->said.size(), 1);
    QCOMPARE(speech.engine->said[0].text, spoken);
    QCOMPARE(speech.stream->played.size(), 1);
}

void TestSpeech::twoAnswersSpeakTwiceOneAfterTheOther()
{
    FakeSpeech speech;
    Startup s;
    s.load(speech.factory());
    s.txtTi.text = QStringLiteral("日月");
    s.answer();
    s.answer();
    QCOMPARE(speech.engine->said.size(), 2);
    QCOMPARE(speech.stream->played.size(), 2);
}

void TestSpeech::aFailingPickEndsTheAnswerSilently()
{
    FakeSpeech speech;
    Startup s;
    s.load(speech.factory());
    s.chkRnd.value = CheckBoxOps::Checked; // and no random value to draw: the pick fails
    s.answer();
    QVERIFY(s.txtTi.text.isEmpty());
    QVERIFY(speech.engine->said.isEmpty());
    QCOMPARE(s.messageBox.shown.size(), 0);
}

// The voice's state is decided once at start-up by real failures of the engine; each state
// answers as it should.
void TestSpeech::voiceStates()
{
    const auto realVoice = [](std::shared_ptr<OutputStream> stream,
                              const QString& dataParent = {}) {
        return [stream, dataParent] {
            return std::make_unique<SpVoice>(EspeakEngine::open(dataParent), stream);
        };
    };

    // Absent: the engine's data is not there.
    {
        auto stream = std::make_shared<RecordingStream>();
        Startup s;
        s.load(realVoice(stream, QStringLiteral("/nonexistent/espeak")));
        QCOMPARE(s.messageBox.shown.size(), 1);
        QCOMPARE(s.messageBox.shown[0].text, startupFailureText);
        QVERIFY(!s.Voice);
        QCOMPARE(s.caption.caption, QStringLiteral(MULO_TITLE));
        s.txtTi.text = QStringLiteral("一二");
        s.answer();
        QCOMPARE(s.txtTi.text, QStringLiteral("一二"));
        s.txtTi.text.clear();
        s.answer(); // still picks a question, then stays silent
        QCOMPARE(s.txtTi.text, QStringLiteral("一二三四"));
        QVERIFY(stream->played.isEmpty());
        QCOMPARE(s.messageBox.shown.size(), 1);
    }
    // Created, not fully set up: no voice has the name asked for.
    {
        auto stream = std::make_shared<RecordingStream>();
        Startup s;
        s.load(realVoice(stream), QStringLiteral("name=Nobody"));
        QCOMPARE(s.messageBox.shown.size(), 1);
        QVERIFY(s.Voice);
        QCOMPARE(s.Voice->Voice().name, EspeakEngine::open()->defaultVoice().name);
        QCOMPARE(s.Voice->Rate(), 0);
        QCOMPARE(s.Voice->Volume(), 100);
        s.txtTi.text = QStringLiteral("one");
        s.answer();
        QCOMPARE(stream->played.size(), 1);
        QCOMPARE(stream->played[0].sampleRate, EspeakEngine::open()->sampleRate());
        QCOMPARE(s.messageBox.shown.size(), 1);
    }
    // Set up.
    {
        auto stream = std::make_shared<RecordingStream>();
        Startup s;
        s.load(realVoice(stream));
        QCOMPARE(s.messageBox.shown.size(), 0);
        QCOMPARE(s.caption.caption, QStringLiteral(MULO_CAPTION));
        s.txtTi.text = QStringLiteral("春夏秋冬");
        s.answer();
        QCOMPARE(stream->played.size(), 1);
        QCOMPARE(stream->played[0].sampleRate, 8000);
        QVERIFY(stream->played[0].samples > 4000); // four syllables take more than half a second
    }
}

void TestSpeech::speechInAWavFileIs8kHzMono16BitAndNotSilent()
{
    WavVoice v;
    const Wav wav = v.speak(QStringLiteral("春夏秋冬"));
    QVERIFY(wav.valid);
    QCOMPARE(wav.sampleRate, 8000);
    QCOMPARE(wav.channels, 1);
    QCOMPARE(wav.bitsPerSample, 16);
    QVERIFY2(wav.seconds() > 0.6 && wav.seconds() < 4.0,
             qPrintable(QString::number(wav.seconds())));
    QVERIFY(wav.peak() > 1000);
}

void TestSpeech::rate3SpeaksAbout1Point39TimesFaster()
{
    const QString text = QStringLiteral("春夏秋冬东南西北日月星辰山川河流");
    WavVoice fast;
    const double atRate3 = fast.speak(text).spokenSeconds();
    WavVoice normal;
    normal.voice->setRate(0);
    const double atRate0 = normal.speak(text).spokenSeconds();
    const double ratio = atRate3 / atRate0;
    QVERIFY2(ratio > 0.62 && ratio < 0.82,
             qPrintable(QStringLiteral("%1 s / %2 s = %3").arg(atRate3).arg(atRate0).arg(ratio)));
}

// The same samples at each volume: the engine's own vary a little from one answer to the
// next, so a stand-in gives them.
void TestSpeech::volume40ScalesThePeakTo40Percent()
{
    FakeSpeech speech;
    std::unique_ptr<SpVoice> voice;
    setUpVoice(voice, speech.factory());
    voice->Speak(QStringLiteral("花草树木"), SVSFDefault);
    voice->setVolume(100);
    voice->Speak(QStringLiteral("花草树木"), SVSFDefault);
    QCOMPARE(speech.stream->played[0].peak, 400);
    QCOMPARE(speech.stream->played[1].peak, 1000);
}

// Answers one after another, as a drill goes: the light particles the synthesiser says a
// dozen decibels softer than 二 or 他 are heard as loud as they are, and nothing clips.
void TestSpeech::everyAnswerIsHeardAtTheLoudnessOfTheVolume_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("volume");
    for (const char* answer : {"呢", "了", "的", "吗", "人", "二", "他", "春夏秋冬", "你好！"})
        QTest::newRow(answer) << QString::fromUtf8(answer) << 40;
    QTest::newRow("二 at full volume") << QStringLiteral("二") << 100;
    QTest::newRow("春夏秋冬 at full volume") << QStringLiteral("春夏秋冬") << 100;
}

void TestSpeech::everyAnswerIsHeardAtTheLoudnessOfTheVolume()
{
    QFETCH(QString, text);
    QFETCH(int, volume);
    WavVoice v; // a file of its own; the engine goes on from the answers before
    v.voice->setVolume(volume);
    const Wav wav = v.speak(text);
    const std::optional<double> level = activeSpeechLevel(wav.samples, wav.sampleRate);
    QVERIFY(level);
    // At full volume the loudest peaks are taken down, and the level with them.
    const double under = volume == 100 ? 2 : 0.1;
    QVERIFY2(*level <= levelAtVolume(volume) + 0.1 && *level >= levelAtVolume(volume) - under,
             qPrintable(QString::number(*level)));
    QVERIFY2(wav.peak() <= peakCeiling * 32767 + 1, qPrintable(QString::number(wav.peak())));
}

void TestSpeech::theVoiceSaysTheSyllablesItIsGiven_data()
{
    QTest::addColumn<QString>("text");
    for (const char* lesson :
         {"春夏秋冬", "一二三四", "上下左右", "日月水火", "山石田土", "花草树木", "东南西北",
          "大小多少", "爸爸妈妈", "你我他们", "天地人和", "长大成人", "一心一意", "不对不好",
          "绿水青山", "一点儿"})
        QTest::newRow(lesson) << QString::fromUtf8(lesson);
}

void TestSpeech::theVoiceSaysTheSyllablesItIsGiven()
{
    QFETCH(QString, text);
    const auto engine = EspeakEngine::open();
    const VoiceToken mandarin = engine->voices().first();
    QCOMPARE(mandarin.name, mandarinVoiceName);
    const QString phonemes = engine->phonemes(text, mandarin);
    QVERIFY2(!phonemes.contains(QStringLiteral("(en)")), qPrintable(phonemes));
    // The engine ends each syllable with "_|" and writes its tone as a pitch contour: 55,
    // 35, 21 or 214 (35 before another third tone), 51; a neutral tone takes its pitch
    // from the syllable before it.
    const QStringList said = phonemes.split(QStringLiteral("_|"), Qt::SkipEmptyParts);
    const QStringList given = engine->engineInput(text, mandarin).split(u' ', Qt::SkipEmptyParts);
    QCOMPARE(said.size(), given.size());
    const QRegularExpression contour(QStringLiteral("[1-5]+"));
    for (qsizetype i = 0; i < given.size(); ++i) {
        const QChar tone = given[i].back();
        const QString pitch = contour.match(said[i]).captured();
        const QStringList expected =
            tone == u'1'   ? QStringList{QStringLiteral("55")}
            : tone == u'2' ? QStringList{QStringLiteral("35")}
            : tone == u'3'
                ? QStringList{QStringLiteral("21"), QStringLiteral("214"), QStringLiteral("35")}
            : tone == u'4' ? QStringList{QStringLiteral("51")}
                           : QStringList{pitch}; // neutral
        QVERIFY2(expected.contains(pitch), qPrintable(given[i] + QStringLiteral(" → ") + said[i]));
    }
}

void TestSpeech::aMissingDataDirectoryIsAFailure()
{
    QVERIFY_THROWS_EXCEPTION(RuntimeError,
                             EspeakEngine::open(QStringLiteral("/nonexistent/espeak")));
}

#if defined(Q_OS_WIN)
// A second of sound: play() returns once the system has played it, not when it has been
// handed over. (scripts/test-windows gives Wine a device that plays in real time.)
void TestSpeech::theWaveOutputPlaysTheWholeAnswerBeforePlayReturns()
{
    std::vector<std::int16_t> second(8000);
    for (std::size_t i = 0; i < second.size(); ++i)
        second[i] = std::int16_t(i * 7 % 20000 - 10000);
    QElapsedTimer timer;
    timer.start();
    try {
        SoundDeviceOutput().play(second, 8000);
    } catch (const RuntimeError& error) {
        QSKIP(error.what()); // no sound device here
    }
    QVERIFY2(timer.elapsed() >= 900, qPrintable(QString::number(timer.elapsed())));
}
#endif

#if defined(Q_OS_LINUX)
void TestSpeech::theSoundDevicePlaysTheWholeAnswerBeforePlayReturns_data()
{
    QTest::addColumn<int>("underrunAt"); // 0: none
    QTest::addColumn<int>("leastMs");    // running dry skips what was in the device's buffer
    QTest::newRow("played in real time") << 0 << 900;
    QTest::newRow("with an underrun in the middle") << 4000 << 600;
}

// A second of sound on a device that plays it in real time: play() returns once all of it
// has been played, not when it has been handed over, and an underrun loses none of it.
void TestSpeech::theSoundDevicePlaysTheWholeAnswerBeforePlayReturns()
{
    QFETCH(int, underrunAt);
    QFETCH(int, leastMs);
    QTemporaryDir home;
    const QString played = home.filePath(QStringLiteral("played.raw"));
    QFile file(home.filePath(QStringLiteral(".asoundrc")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("pcm_type.realtime { lib \"%1\" }\n"
                              "pcm.!default { type realtime; file \"%2\"; underrun_at %3 }\n")
                   .arg(QStringLiteral(MULO_STANDIN_DEVICES), played)
                   .arg(underrunAt)
                   .toUtf8());
    file.close();
    qputenv("HOME", QFile::encodeName(home.path()));
    snd_config_update_free_global();

    std::vector<std::int16_t> second(8000);
    for (std::size_t i = 0; i < second.size(); ++i)
        second[i] = std::int16_t(i * 7 % 20000 - 10000);
    QElapsedTimer timer;
    timer.start();
    SoundDeviceOutput().play(second, 8000);
    QVERIFY2(timer.elapsed() >= leastMs, qPrintable(QString::number(timer.elapsed())));
    QFile result(played);
    QVERIFY(result.open(QIODevice::ReadOnly));
    const QByteArray bytes = result.readAll();
    QCOMPARE(bytes.size(), qsizetype(second.size() * 2));
    QVERIFY(std::memcmp(bytes.constData(), second.data(), std::size_t(bytes.size())) == 0);
}

// A device that stops taking sound halfway (a USB speaker pulled out): the answer gives up on
// it once the answer's length and five seconds have passed, and the window goes on.
void TestSpeech::aDeviceThatStopsPlayingIsGivenUpOnAfterTheAnswerAndFiveSeconds()
{
    QTemporaryDir home;
    QFile file(home.filePath(QStringLiteral(".asoundrc")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        QStringLiteral("pcm_type.realtime { lib \"%1\" }\n"
                       "pcm.!default { type realtime; file \"%2\"; stall_at 4000 }\n")
            .arg(QStringLiteral(MULO_STANDIN_DEVICES), home.filePath(QStringLiteral("played.raw")))
            .toUtf8());
    file.close();
    qputenv("HOME", QFile::encodeName(home.path()));
    snd_config_update_free_global();
    const std::vector<std::int16_t> second(8000, 1000);
    QElapsedTimer timer;
    timer.start();
    auto playing = std::async(std::launch::async, [&] { SoundDeviceOutput().play(second, 8000); });
    QVERIFY(playing.wait_for(std::chrono::seconds(20)) == std::future_status::ready);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, playing.get());
    QVERIFY2(timer.elapsed() >= 5500, qPrintable(QString::number(timer.elapsed())));
}

void TestSpeech::anUnusableSoundDeviceFailsAtOnceAndTheAnswerStaysQuiet_data()
{
    QTest::addColumn<QByteArray>("asoundrc");
    QTest::newRow("no such device") << QByteArray("pcm.!default { type hw; card 99 }\n"
                                                  "ctl.!default { type hw; card 99 }\n");
    // Plain ALSA without a sound server, while another program plays.
    QTest::newRow("another program holds the device")
        << QByteArray("pcm_type.busy { lib \"" MULO_STANDIN_DEVICES "\" }\n"
                      "pcm.!default { type busy }\n");
}

void TestSpeech::anUnusableSoundDeviceFailsAtOnceAndTheAnswerStaysQuiet()
{
    QFETCH(QByteArray, asoundrc);
    // ALSA reads ~/.asoundrc the next time a device is opened after its configuration was
    // let go. No other test in this program touches the sound device.
    QTemporaryDir home;
    QFile file(home.filePath(QStringLiteral(".asoundrc")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(asoundrc);
    file.close();
    qputenv("HOME", QFile::encodeName(home.path()));
    snd_config_update_free_global();

    Startup s;
    s.load([] {
        return std::make_unique<SpVoice>(EspeakEngine::open(),
                                         std::make_shared<SoundDeviceOutput>());
    });
    QCOMPARE(s.messageBox.shown.size(), 0); // the device is only needed when speaking
    s.txtTi.text = QStringLiteral("春夏秋冬");
    // Waiting for a held device takes the stand-in a minute; failing at once, no time.
    auto speaking =
        std::async(std::launch::async, [&] { s.Voice->Speak(s.txtTi.text, SVSFDefault); });
    QVERIFY(speaking.wait_for(std::chrono::seconds(20)) == std::future_status::ready);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, speaking.get());
    s.answer();
    QCOMPARE(s.messageBox.shown.size(), 0);
}
#endif

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
