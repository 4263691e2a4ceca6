// Any text as a question: no crash; and its Chinese characters alone become one syllable
// each, with a tone digit (an erhua 儿 joins the syllable before it as its r), and so is
// each of them asked alone.
//   build-fuzz/fuzz/fuzz_readings -max_total_time=60 fuzz/corpus/readings

#include "readings.h"

#include <QRegularExpression>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    mulo::speech::voicePinyin(text);

    QString chinese;
    for (const uint c : text.toUcs4()) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        if (!mulo::speech::characterReadings().find(one.toStdString()).empty())
            chinese += one;
    }
    const QStringList syllables =
        mulo::speech::voicePinyin(chinese).split(u' ', Qt::SkipEmptyParts);
    static const QRegularExpression well(QStringLiteral("^[a-z]+[1-5]r?$"));
    const qsizetype characters = chinese.toUcs4().size();
    if (syllables.size() > characters || syllables.size() < characters - chinese.count(u'儿'))
        std::abort();
    for (const QString& syllable : syllables) {
        if (!well.match(syllable).hasMatch())
            std::abort();
    }
    // Each Chinese character asked alone from the text as its lesson is one syllable.
    for (qsizetype at = 0; at < chinese.size(); ++at) {
        const QString alone = mulo::speech::readingInLesson(chinese, at);
        if (!chinese.at(at).isLowSurrogate() && !well.match(alone).hasMatch())
            std::abort();
    }
    mulo::speech::readingInLesson(text, qsizetype(size % 7));
    return 0;
}
