#pragma once

// What the Mandarin voice is given to say: Chinese text as numbered pinyin, each character's
// reading decided in its context. The voice would otherwise read every character with one
// fixed reading; here 长大 is zhang3 da4, 长短 chang2 duan3, 一个 yi2 ge4.

#include <QString>
#include <string_view>

namespace mulo::speech {

// The text with every character that has a reading replaced by its syllable: tone digit
// always written (5 for the neutral tone), syllables separated by spaces, ü spelt v. The
// tone changes of 一 and 不 are applied; third-tone pairs are left to the voice. Everything
// else (digits, Latin letters, punctuation, spaces) stays as it is.
QString voicePinyin(const QString& text);

// What the voice says for the character at code unit at of a lesson when it is asked alone:
// its reading in the lesson, in full tone (行 of 银行 hang2, 长 of 长大 zhang3), so that a child
// hears the character as the lesson teaches it. The tone changes of 一 and 不 and the light
// syllable of a word (子 of 桌子) give way to the character's own reading; a particle the
// lesson reads light (地 of 快乐地) stays light. Anything that is no Chinese character is as
// voicePinyin has it.
QString readingInLesson(const QString& lesson, qsizetype at);

// Numbered pinyin as a child's book writes it, with tone marks: "chun1 lv4 dian3r ma5" is
// "chūn lǜ diǎnr ma". Anything that is no syllable stays as it is.
QString toneMarked(const QString& numbered);

// A sorted table of "key<TAB>value" lines, searched in place: nothing is parsed or copied
// when it is opened, so a table compiled into the program costs nothing until it is used.
class ReadingTable {
public:
    explicit ReadingTable(std::string_view lines) : m_lines(lines) {}

    // What one search tells of a key: its value (empty when it is no key), and whether some
    // key starts with it, so that a caller growing a key knows when to stop.
    struct Match {
        std::string_view value;
        bool isPrefix = false;
    };
    Match match(std::string_view key) const;

    // The value of key, or an empty view.
    std::string_view find(std::string_view key) const { return match(key).value; }
    // Whether some key starts with prefix.
    bool hasKeyStartingWith(std::string_view prefix) const { return match(prefix).isPrefix; }
    // The table's lines, as they lie in memory.
    std::string_view text() const { return m_lines; }

private:
    // The first line whose key is not less than key.
    std::size_t lowerBound(std::string_view key) const;
    std::string_view keyAt(std::size_t line) const;

    std::string_view m_lines;
};

// The tables compiled into the program: words of two or more characters, and every
// character's reading when it stands alone.
const ReadingTable& wordReadings();
const ReadingTable& characterReadings();

// Hands the tables' pages back to the system. An answer reads a few hundred bytes of them,
// but the system maps whole pages, and their neighbours with them, and would go on counting
// them against the program for as long as it runs. They stay in the page cache, so the next
// answer maps them again in microseconds.
void releaseReadingPages();

} // namespace mulo::speech
