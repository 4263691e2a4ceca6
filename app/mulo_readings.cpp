// mulo-readings: for each line of standard input, the pinyin the drill's Mandarin voice is
// given for it, so that a parent can check how a lesson will be read. The input is read as
// the drill reads its lesson file: GBK or UTF-8, a byte-order mark, lines of both.

#include "lessonfile.h"
#include "readings.h"

#include <QFile>
#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    if (argc > 1) {
        std::cout << "用法：mulo-readings < 课文.txt\n"
                     "Usage: mulo-readings < lessons.txt\n"
                     "Writes, for each line of standard input (a lesson file in GBK or UTF-8), "
                     "the numbered pinyin the answer's voice is given.\n";
        return std::string(argv[1]) == "--help" ? 0 : 2;
    }
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) {
        std::cerr << "mulo-readings: cannot read standard input\n";
        return 1;
    }
    for (const QString& line : mulo::lessonLines(in.readAll()))
        std::cout << mulo::speech::voicePinyin(line).toStdString() << '\n';
    return 0;
}
