#include "espeakengine.h"

#include "core/platform.h"
#include "readings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <optional>

namespace mulo::speech {

namespace {

std::vector<std::int16_t>* collecting = nullptr;
std::vector<WordEvent>* collectingWords = nullptr; // where each word of the text starts
bool collectingFailed = false;

// Called from inside the engine's C code: nothing may be thrown through it. Returning 1
// tells the engine to stop synthesising.
int collect(short* samples, int count, espeak_EVENT* events) noexcept
{
    if (!collecting)
        return 0;
    try {
        for (espeak_EVENT* event = events; event && event->type != espeakEVENT_LIST_TERMINATED;
             ++event) {
            if (event->type == espeakEVENT_WORD && collectingWords)
                collectingWords->push_back({std::size_t(std::max(event->text_position, 0)),
                                            std::size_t(std::max(event->sample, 0))});
        }
        if (samples)
            collecting->insert(collecting->end(), samples, samples + count);
        return 0;
    } catch (...) {
        collectingFailed = true;
        return 1;
    }
}

// Where the Mandarin voice of our own is looked for, first to last: beside the program, else
// in the source tree (for a program run from the build tree); and the first of those places
// that holds it, as a name the engine can open (empty when none has it), found once for the
// places rather than at every answer. The engine lower-cases a voice file's name and cuts it
// at a "+" (a home folder "Zhang" would not be found), which the platform's name for
// libraries survives. Tests may take the voice away by giving other places.
struct VoiceFile {
    QStringList places;
    std::optional<QByteArray> name;
};

VoiceFile& voiceFile()
{
    static VoiceFile file = [] {
        VoiceFile defaults;
        if (QCoreApplication::instance())
            defaults.places << QCoreApplication::applicationDirPath() +
                                   QStringLiteral("/" MULO_MANDARIN_VOICE_NAME);
        defaults.places << QStringLiteral(MULO_MANDARIN_VOICE_SOURCE);
        return defaults;
    }();
    return file;
}

QByteArray mandarinVoiceFile()
{
    VoiceFile& file = voiceFile();
    if (!file.name) {
        file.name.emplace();
        for (const QString& place : file.places) {
            if (QByteArray name = platform::nameForLibraries(place); !name.isEmpty()) {
                file.name = name;
                break;
            }
        }
    }
    return *file.name;
}

// Where the engine's data is when none is given: the system's own, or on Windows the
// copy that comes beside the program. The library starts before the application object
// exists, so the program's folder comes from the system.
QString dataParentOrDefault(const QString& dataParent)
{
#if defined(MULO_ESPEAK_DATA_BESIDE_PROGRAM)
    if (dataParent.isEmpty())
        return platform::programDirectory();
#endif
    return dataParent;
}

std::mutex openLock;

// Whether the engine's Mandarin voice, selected, reads an erhua syllable such as "dian3r"
// as one syllable. espeak-ng 1.51 does; 1.52 (the Windows version's) spells it out in
// English, so there the syllable is given with a light "er" of its own instead.
bool readsErhuaSyllables()
{
    static const bool reads = [] {
        const char* text = "dian3r";
        const void* position = text;
        const char* phonemes = espeak_TextToPhonemes(&position, espeakCHARS_UTF8, 0);
        return phonemes && !std::strstr(phonemes, "(en)");
    }();
    return reads;
}

QString withLightEr(const QString& pinyin)
{
    QStringList syllables = pinyin.split(u' ');
    for (QString& syllable : syllables) {
        if (syllable.size() > 2 && syllable.endsWith(u'r') &&
            syllable.at(syllable.size() - 2).isDigit())
            syllable = syllable.chopped(1) + QStringLiteral(" er5");
    }
    return syllables.join(u' ');
}

// The Mandarin voice would read each character with one fixed reading; it is given the
// readings decided in context instead, which it speaks exactly as written.
QByteArray engineText(const QString& text, const VoiceToken& voice)
{
    if (voice.engineVoice != mandarinEngineVoice)
        return text.toUtf8();
    const QString pinyin = voicePinyin(text);
    releaseReadingPages(); // one answer's look-ups; the next answer maps them again
    return (readsErhuaSyllables() ? pinyin : withLightEr(pinyin)).toUtf8();
}

// The library once started: its sample rate and the data directory it was started with.
struct Library {
    int sampleRate;
    QString dataParent;
};
std::optional<Library> library; // guarded by openLock

RuntimeError otherDataDirectory()
{
    return RuntimeError(QStringLiteral("语音引擎已使用另一个数据目录"));
}

const Library& startLibraryLocked(const QString& dataParent)
{
    if (library) {
        if (library->dataParent != dataParent)
            throw otherDataDirectory();
        return *library;
    }
    // espeak-ng quietly falls back on its default data when the given one is missing; a
    // wrong directory must fail instead.
    const QString place = dataParentOrDefault(dataParent);
    if (!place.isEmpty() && !QFileInfo::exists(place + QStringLiteral("/espeak-ng-data/phontab")))
        throw RuntimeError(QStringLiteral("找不到语音数据：") + place);
    const QByteArray path = platform::nameForLibraries(place);
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, place.isEmpty() ? nullptr : path.constData(),
                          espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0)
        throw RuntimeError(QStringLiteral("无法启动语音引擎"));
    espeak_SetSynthCallback(collect);
    return library.emplace(Library{rate, dataParent});
}

} // namespace

void EspeakEngine::startLibrary(const QString& dataParent) noexcept
{
    std::lock_guard guard(openLock);
    try {
        startLibraryLocked(dataParent);
    } catch (...) {
        // open() meets the same failure and reports it.
    }
}

std::shared_ptr<EspeakEngine> EspeakEngine::open(const QString& dataParent)
{
    static std::shared_ptr<EspeakEngine> engine;
    std::lock_guard guard(openLock);
    if (engine) {
        if (engine->m_dataParent != dataParent)
            throw otherDataDirectory();
        return engine;
    }
    engine.reset(new EspeakEngine(dataParent, startLibraryLocked(dataParent).sampleRate));
    return engine;
}

EspeakEngine::EspeakEngine(QString dataParent, int sampleRate)
    : m_dataParent(std::move(dataParent)), m_sampleRate(sampleRate)
{
    // Offer the Mandarin voice under the name the program asks for, and the engine's
    // default voice under its own name.
    // An identifier is the voice file's path under the engine's voices, with the system's
    // separator: "sit/cmn-Latn-pinyin", or on Windows "sit\cmn-Latn-pinyin".
    for (const espeak_VOICE** voice = espeak_ListVoices(nullptr); voice && *voice; ++voice) {
        QByteArray identifier((*voice)->identifier);
        identifier.replace('\\', '/');
        const QString name = QString::fromUtf8((*voice)->name);
        if (identifier.endsWith("/cmn-Latn-pinyin"))
            m_voices.prepend({mandarinVoiceName, mandarinEngineVoice});
        else if (identifier.endsWith("/en"))
            m_default = {name, identifier.mid(identifier.lastIndexOf('/') + 1)};
    }
    if (m_default.engineVoice.isEmpty())
        m_default = {QStringLiteral("eSpeak default"), "en"};
    m_voices.append(m_default);
}

QList<VoiceToken> EspeakEngine::voices() const
{
    return m_voices;
}

VoiceToken EspeakEngine::defaultVoice() const
{
    return m_default;
}

QStringList EspeakEngine::voiceFilePlaces()
{
    return voiceFile().places;
}

void EspeakEngine::setVoiceFilePlaces(QStringList places)
{
    voiceFile() = {std::move(places), std::nullopt};
}

void EspeakEngine::selectVoice(const VoiceToken& voice)
{
    // The Mandarin voice speaks with our own voice file where it is found, else with
    // espeak-ng's own Mandarin voice; the tones are shaped either way.
    if (voice.engineVoice == mandarinEngineVoice) {
        const QByteArray ownVoice = mandarinVoiceFile();
        if (!ownVoice.isEmpty() && espeak_SetVoiceByFile(ownVoice.constData()) == EE_OK) {
            // The engine says yes even to a file it did not read: a voice it read has a name.
            const espeak_VOICE* loaded = espeak_GetCurrentVoice();
            if (loaded && loaded->name && *loaded->name)
                return;
        }
    }
    if (espeak_SetVoiceByName(voice.engineVoice.constData()) != EE_OK)
        throw RuntimeError(QStringLiteral("语音引擎没有这个语音：") + voice.name);
}

std::vector<std::int16_t> EspeakEngine::synthesizeLocked(const QByteArray& utf8, int wordsPerMinute,
                                                         std::vector<WordEvent>& words)
{
    espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    std::vector<std::int16_t> samples;
    collecting = &samples;
    collectingWords = &words;
    collectingFailed = false;
    const espeak_ERROR error = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0,
                                            POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    collecting = nullptr;
    collectingWords = nullptr;
    if (collectingFailed)
        throw RuntimeError(QStringLiteral("语音合成失败：内存不足"));
    if (error != EE_OK)
        throw RuntimeError(QStringLiteral("语音合成失败（%1）").arg(int(error)));
    return samples;
}

double EspeakEngine::levelPitchLocked()
{
    // Measured once for each voice, on a level tone said by itself.
    const espeak_VOICE* current = espeak_GetCurrentVoice();
    const QByteArray name = current && current->name ? QByteArray(current->name) : QByteArray();
    if (const auto known = m_levelPitches.find(name); known != m_levelPitches.end())
        return known->second;
    std::vector<WordEvent> unused;
    const double pitch = medianPitch(synthesizeLocked("a1", 175, unused), m_sampleRate);
    m_levelPitches.emplace(name, pitch);
    return pitch;
}

Utterance EspeakEngine::synthesize(const QString& text, const VoiceToken& voice, int wordsPerMinute)
{
    std::lock_guard guard(m_lock);
    selectVoice(voice);
    const QByteArray utf8 = engineText(text, voice);
    // The level pitch is measured before the first answer, on a voice just selected, so
    // that it comes out the same at every start whatever is said first.
    const double levelPitch = voice.engineVoice == mandarinEngineVoice ? levelPitchLocked() : 0;
    std::vector<WordEvent> words;
    Utterance said{synthesizeLocked(utf8, wordsPerMinute, words), {}, levelPitch};
    if (voice.engineVoice != mandarinEngineVoice)
        return said;
    // Each syllable is a word to the engine: its tone is the one the readings decided.
    said.syllables = matchSyllables(utf8.toStdString(), words, said.samples.size());
    return said;
}

QString EspeakEngine::engineInput(const QString& text, const VoiceToken& voice)
{
    std::lock_guard guard(m_lock);
    selectVoice(voice);
    return QString::fromUtf8(engineText(text, voice));
}

QString EspeakEngine::phonemes(const QString& text, const VoiceToken& voice)
{
    std::lock_guard guard(m_lock);
    selectVoice(voice);
    const QByteArray utf8 = engineText(text, voice);
    const void* position = utf8.constData();
    QString result;
    while (position) {
        const char* piece = espeak_TextToPhonemes(&position, espeakCHARS_UTF8, 0);
        if (!piece)
            break;
        result += QString::fromUtf8(piece);
    }
    return result;
}

} // namespace mulo::speech
