// mulo-readings: what the drill's Mandarin voice says, for a parent checking lessons.
//   mulo-readings < 课文.txt   for each line of standard input, the numbered pinyin the voice
//                             is given (other programs read this: one line per input line)
//   mulo-readings test.txt    each lesson as the drill lists and asks it: its number, the
//                             question, its reading with tone marks, and each character as
//                             the one-character question says it alone
// Input is read as the drill reads its lesson file: GBK or UTF-8, a byte-order mark, lines of
// both.

#include "lessonfile.h"
#include "questionpicking.h"
#include "readings.h"

#include <QFile>
#include <QRegularExpression>
#include <iostream>
#include <string>
#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

// What a parent should know of a line the drill asks differently from how it was written.
QString noteOn(const QString& line)
{
    QStringList notes;
    if (line.endsWith(u' '))
        notes << QStringLiteral("行尾有空格，题目里也有");
    if (line.contains(QRegularExpression(QStringLiteral("[A-Za-z\\x{00C0}-\\x{01DC}]"))))
        notes << QStringLiteral("有拼音或字母，题目是最后四个字符");
    else if (line.size() > 4)
        notes << QStringLiteral("超过四个字，只问最后四个");
    if (line.size() < 4)
        notes << QStringLiteral("不足四个字，题目带上了“课：”");
    return notes.isEmpty() ? QString() : QStringLiteral("  ※ ") + notes.join(QStringLiteral("；"));
}

void showLessons(const QByteArray& bytes)
{
    for (const QString& entry : mulo::parseLessonFile(bytes).entries) {
        const QString line = entry.mid(entry.indexOf(u'：') + 1);
        const QString question = mulo::lessonText(entry).toString();
        QString alone;
        for (const uint c : question.toUcs4()) {
            const QString character = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
            if (character != QStringLiteral(" "))
                alone += QStringLiteral("  ") + character + u' ' +
                         mulo::speech::toneMarked(mulo::speech::voicePinyin(character));
        }
        const QString number = entry.left(entry.indexOf(u'：'));
        std::cout << QStringLiteral("%1  题目：%2  读作：%3  单字：%4%5\n")
                         .arg(number, question,
                              mulo::speech::toneMarked(mulo::speech::voicePinyin(question)),
                              alone.trimmed(), noteOn(line))
                         .toStdString();
    }
}

} // namespace

int main(int argc, char* argv[])
{
#if defined(_WIN32)
    SetConsoleOutputCP(CP_UTF8);
#endif
    if (argc > 2 || (argc == 2 && std::string(argv[1]).starts_with('-'))) {
        std::cout << "用法：mulo-readings 课文.txt    每一课的题目、读音（带声调）和单字的读音\n"
                     "      mulo-readings < 课文.txt  每一行给语音的拼音（数字标调）\n"
                     "Usage: mulo-readings test.txt   each lesson as the drill asks and says it\n"
                     "       mulo-readings < test.txt the numbered pinyin the voice is given, "
                     "one line per line\n";
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
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
