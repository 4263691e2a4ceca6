// mulo-readings: what the drill's Mandarin voice says, for a parent checking lessons.
//   mulo-readings < 课文.txt   for each line of standard input, the numbered pinyin the voice
//                             is given (other programs read this: one line per input line)
//   mulo-readings test.txt    each lesson as the drill lists and asks it: its number, the
//                             question, its reading with tone marks, and each character as
//                             the one-character question says it alone (spaces and tabs by
//                             name); a note on a lesson the drill asks otherwise than it
//                             reads, or whose one-character question can be silent; at the
//                             end, how many lessons have a note
// Input is read as the drill reads its lesson file: GBK or UTF-8, a byte-order mark, lines of
// both.

#include "lessonfile.h"
#include "questionpicking.h"
#include "readings.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <iostream>
#include <string>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// A character as the parent's view shows it: spaces, tabs and invisible marks by name.
QString visible(const QString& character)
{
    const char32_t c = character.toUcs4().value(0);
    if (c == u' ')
        return QStringLiteral("[空格]");
    if (c == 0x3000)
        return QStringLiteral("[全角空格]");
    if (c == u'\t')
        return QStringLiteral("[Tab]");
    if (QChar::isSpace(c))
        return QStringLiteral("[空白]");
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return QStringLiteral("[看不见的符号]"); // an emoji's selector or keycap, cut off
    default:
        return character;
    }
}

// Whether the voice says nothing for the character asked alone: a symbol, mark, space or
// emoji; letters, digits and Chinese characters are said.
bool silentAlone(const QString& character)
{
    return !QChar::isLetterOrNumber(character.toUcs4().value(0));
}

// The characters a one-character question can ask of a lesson text, in order, each once.
struct Asked {
    qsizetype at; // where the character starts in the question
    QString character;
};
QList<Asked> askedAlone(const QString& question)
{
    QList<Asked> characters;
    for (int position = 1; position <= 4; ++position) {
        const qsizetype at =
            question.size() - std::min<qsizetype>(question.size(), 4) + position - 1;
        if (at > 0 && question[at].isLowSurrogate() && question[at - 1].isHighSurrogate())
            continue; // the second half of the pair just listed
        characters.append({mulo::questionCharacterAt(question, position),
                           mulo::questionCharacter(question, position)});
    }
    return characters;
}

// What a parent should know of a line the drill asks differently from how it was written.
QString noteOn(const QString& line, const QString& question)
{
    QStringList notes;
    if (line.endsWith(u' '))
        notes << QStringLiteral("行尾有空格，题目里也有");
    else if (line.endsWith(u'\u3000'))
        notes << QStringLiteral("行尾有全角空格，题目里也有");
    else if (line.endsWith(u'\t'))
        notes << QStringLiteral("行尾有制表符（Tab），题目里也有");
    if (line.contains(QRegularExpression(QStringLiteral("[A-Za-z\\x{00C0}-\\x{01DC}]"))))
        notes << QStringLiteral("有拼音或字母，题目是最后四个字符");
    else if (line.size() > 4)
        notes << QStringLiteral("超过四个字，只问最后四个");
    if (line.size() < 4)
        notes << QStringLiteral("不足四个字，题目带上了“课：”");
    QStringList silent;
    bool space = false;
    for (const auto& [at, character] : askedAlone(question)) {
        if (character == QStringLiteral(" "))
            space = true;
        else if (silentAlone(character) && !silent.contains(visible(character)))
            silent << visible(character);
    }
    if (space)
        notes << (question.startsWith(u' ')
                      ? QStringLiteral(
                            "按顺序出单字题时，题目是一个空格，看起来是空白；按“答案”会先换一题")
                      : QStringLiteral("单字题可能出一个空格，看起来是空白；按“答案”会先换一题"));
    if (!silent.isEmpty())
        notes << QStringLiteral("单字题会单独问到“%1”，这时答案没有声音")
                     .arg(silent.join(QStringLiteral("”“")));
    return notes.isEmpty() ? QString() : QStringLiteral("  ※ ") + notes.join(QStringLiteral("；"));
}

void showLessons(const QByteArray& bytes)
{
    const QStringList entries = mulo::parseLessonFile(bytes).entries;
    qsizetype noted = 0;
    for (const QString& entry : entries) {
        const QString line = entry.mid(entry.indexOf(u'：') + 1);
        const QString question = mulo::lessonText(entry).toString();
        QString alone; // as the one-character question says each, in the lesson's reading
        for (const auto& [at, character] : askedAlone(question)) {
            const QString said =
                character == QStringLiteral(" ") ? QStringLiteral("（先换一题）")
                : silentAlone(character)
                    ? QStringLiteral("（无声）")
                    : mulo::speech::toneMarked(mulo::speech::readingInLesson(question, at));
            alone += QStringLiteral("  ") + visible(character) + u' ' + said;
        }
        const QString number = entry.left(entry.indexOf(u'：'));
        const QString note = noteOn(line, question);
        noted += !note.isEmpty();
        std::cout << QStringLiteral("%1  题目：%2  读作：%3  单字：%4%5\n")
                         .arg(number, question,
                              mulo::speech::toneMarked(mulo::speech::voicePinyin(question)),
                              alone.trimmed(), note)
                         .toStdString();
    }
    std::cout << QStringLiteral("共 %1 课，其中 %2 课有 ※ 提示\n")
                     .arg(entries.size())
                     .arg(noted)
                     .toStdString();
}

} // namespace

int main(int argc, char* argv[])
{
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
    if (argc > 2 || (argc == 2 && std::string(argv[1]).starts_with('-'))) {
        std::cout
            << "用法：mulo-readings 课文.txt    每一课的题目、读音（带声调）、单字的读音和提示\n"
               "      mulo-readings < 课文.txt  每一行给语音的拼音（数字标调）\n"
               "Usage: mulo-readings test.txt   each lesson as the drill asks and says it\n"
               "       mulo-readings < test.txt the numbered pinyin the voice is given, "
               "one line per line\n";
        const bool asked =
            argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h");
        return asked ? 0 : 2;
    }
    QFile in;
    const bool named = argc == 2;
    if (named)
        in.setFileName(QString::fromLocal8Bit(argv[1]));
    if (!(named ? in.open(QIODevice::ReadOnly) : in.open(stdin, QIODevice::ReadOnly))) {
        std::cerr << (named ? "mulo-readings：无法读取课文文件 " + std::string(argv[1]) + "\n"
                            : "mulo-readings：无法读取标准输入\n");
        return 1;
    }
    const QByteArray bytes = in.readAll();
    if (named) {
        showLessons(bytes);
        return 0;
    }
    for (const QString& line : mulo::lessonLines(bytes))
        std::cout << mulo::speech::voicePinyin(line).toStdString() << '\n';
    return 0;
}
