// mulo-readings: for each line of standard input, the pinyin the drill's Mandarin voice is
// given for it, so that a parent can check how a lesson will be read.

#include "readings.h"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    if (argc > 1) {
        std::cout << "用法：mulo-readings < 课文.txt\n"
                     "Usage: mulo-readings < lessons.txt\n"
                     "Writes, for each UTF-8 line of standard input, the numbered pinyin the "
                     "answer's voice is given.\n";
        return std::string(argv[1]) == "--help" ? 0 : 2;
    }
    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::cout << mulo::speech::voicePinyin(QString::fromStdString(line)).toStdString() << '\n';
    }
    return 0;
}
