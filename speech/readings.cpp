#include "readings.h"

#include <QList>
#include <algorithm>
#include <string>
#include <vector>

namespace mulo::speech {

std::string_view ReadingTable::keyAt(std::size_t line) const
{
    const std::string_view rest = m_lines.substr(line);
    return rest.substr(0, rest.find_first_of("\t\n"));
}

std::size_t ReadingTable::lowerBound(std::string_view key) const
{
    // Lines are sorted by their bytes, so a binary search over byte offsets works once each
    // probe is moved back to the start of its line.
    std::size_t low = 0;
    std::size_t high = m_lines.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        const std::size_t lineStart = m_lines.rfind('\n', middle == 0 ? 0 : middle - 1);
        const std::size_t line =
            (lineStart == std::string_view::npos || middle == 0) ? 0 : lineStart + 1;
        const std::size_t start = std::max(line, low);
        if (keyAt(start) < key) {
            const std::size_t end = m_lines.find('\n', start);
            low = end == std::string_view::npos ? m_lines.size() : end + 1;
        } else {
            high = start;
        }
    }
    return low;
}

ReadingTable::Match ReadingTable::match(std::string_view key) const
{
    const std::size_t line = lowerBound(key);
    if (line >= m_lines.size())
        return {};
    const std::string_view found = keyAt(line);
    if (found != key)
        return {{}, found.starts_with(key)};
    const std::string_view rest = m_lines.substr(line + key.size() + 1);
    return {rest.substr(0, rest.find('\n')), true};
}

namespace {

// One character of a run of Chinese text, with the syllable decided for it.
struct Syllable {
    char32_t character;
    std::string utf8;
    std::string reading;   // "zhang3"; "r5" for the 儿 of an erhua word
    std::size_t wordStart; // where the word this character belongs to starts in its run
};

int tone(const std::string& reading)
{
    return reading.empty() ? 0 : reading.back() - '0';
}

// Splits a run into words from the table, fewest pieces first: a longest match from the
// left would read 不可能 as 不可 + 能 where 不 + 可能 is a word of the same count; of two
// splits with as many pieces the one whose words start earlier wins.
void readWords(std::vector<Syllable>& run)
{
    struct Word {
        std::size_t length;
        std::string_view readings;
    };
    const std::size_t n = run.size();
    // words[i]: the table's words of two or more characters that start at i, shortest first.
    std::vector<std::vector<Word>> words(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::string key = run[i].utf8;
        for (std::size_t j = i + 1; j < n; ++j) {
            key += run[j].utf8;
            const ReadingTable::Match match = wordReadings().match(key);
            if (!match.value.empty())
                words[i].push_back({j + 1 - i, match.value});
            if (!match.isPrefix)
                break;
        }
    }
    // pieces[i]: fewest pieces that cover i … n − 1; choice[i]: the first piece, if a word.
    std::vector<std::size_t> pieces(n + 1, 0);
    std::vector<const Word*> choice(n, nullptr);
    for (std::size_t i = n; i-- > 0;) {
        pieces[i] = pieces[i + 1] + 1;
        for (auto word = words[i].rbegin(); word != words[i].rend(); ++word) {
            if (pieces[i + word->length] + 1 < pieces[i]) {
                pieces[i] = pieces[i + word->length] + 1;
                choice[i] = &*word;
            }
        }
    }
    for (std::size_t i = 0; i < n; i += choice[i] ? choice[i]->length : 1) {
        if (!choice[i])
            continue;
        std::string_view readings = choice[i]->readings;
        for (std::size_t j = i; j < i + choice[i]->length && !readings.empty(); ++j) {
            const std::size_t space = readings.find(' ');
            run[j].reading = readings.substr(0, space);
            run[j].wordStart = i;
            readings =
                space == std::string_view::npos ? std::string_view() : readings.substr(space + 1);
        }
    }
}

bool isDigitNumeral(char32_t c)
{
    return std::u32string_view(U"〇零一二三四五六七八九十").find(c) != std::u32string_view::npos;
}

// Whether the characters of run[i]'s word up to and including run[i] are a word of their
// own (统一 in 统一战线).
bool endsWord(const std::vector<Syllable>& run, std::size_t i)
{
    if (i + 1 == run.size() || run[i + 1].wordStart != run[i].wordStart)
        return i > run[i].wordStart;
    std::string key = run[i].utf8;
    for (std::size_t j = i; j-- > run[i].wordStart;) {
        key.insert(0, run[j].utf8);
        if (!wordReadings().find(key).empty())
            return true;
    }
    return false;
}

// Whether 一 at run[i] is counted against another number in a four-character word:
// 一清二楚 and 数一数二, 举一反三.
bool countedInWord(const std::vector<Syllable>& run, std::size_t i)
{
    const std::size_t start = run[i].wordStart;
    if (start + 4 > run.size() || run[start + 3].wordStart != start ||
        (start + 4 < run.size() && run[start + 4].wordStart == start))
        return false;
    const char32_t third = run[start + 2].character;
    const char32_t fourth = run[start + 3].character;
    return (i == start && third == U'二') ||
           (i == start + 1 && (fourth == U'二' || fourth == U'三'));
}

// 一 and 不 take their tone from the syllable after them. 一 keeps its own tone where it is
// a number rather than "one of something": alone, at the end of a word (统一, 第一), in
// counting (一二三四, 十一, 一清二楚), after 第, and as the month (一月). Between a verb and
// its repetition it is light: 看一看.
void changeTones(std::vector<Syllable>& run)
{
    for (std::size_t i = 0; i < run.size(); ++i) {
        const bool last = i + 1 == run.size();
        const int next = last ? 0 : tone(run[i + 1].reading);
        if (run[i].character == U'一' && run[i].reading.starts_with("yi")) {
            const bool number =
                last || endsWord(run, i) || countedInWord(run, i) ||
                (i > 0 &&
                 (isDigitNumeral(run[i - 1].character) || run[i - 1].character == U'第')) ||
                isDigitNumeral(run[i + 1].character) || run[i + 1].character == U'月';
            const bool betweenRepeats =
                !last && i > 0 && run[i - 1].character == run[i + 1].character;
            run[i].reading = number ? "yi1" : betweenRepeats ? "yi5" : next >= 4 ? "yi2" : "yi4";
        } else if (run[i].character == U'不' && run[i].reading.starts_with("bu") &&
                   tone(run[i].reading) != 5) {
            run[i].reading = next == 4 ? "bu2" : "bu4";
        }
    }
}

void appendRun(QString& out, std::vector<Syllable>& run)
{
    if (run.empty())
        return;
    readWords(run);
    changeTones(run);
    for (std::size_t i = 0; i < run.size(); ++i) {
        // An erhua 儿 is said as the r of the syllable before it: "dian3r". As a syllable of
        // its own ("r5") the voice says a separate er.
        if (run[i].reading == "r5" && i > 0) {
            out += u'r';
            continue;
        }
        if (!out.isEmpty() && !out.endsWith(u' '))
            out += u' ';
        out += QString::fromStdString(run[i].reading == "r5" ? "er2" : run[i].reading);
    }
    run.clear();
}

} // namespace

QString voicePinyin(const QString& text)
{
    QString out;
    std::vector<Syllable> run;
    const QList<uint> characters = text.toUcs4();
    for (const uint c : characters) {
        const QString one = QString::fromUcs4(reinterpret_cast<const char32_t*>(&c), 1);
        std::string utf8 = one.toStdString();
        const std::string_view reading = characterReadings().find(utf8);
        if (!reading.empty()) {
            run.push_back({char32_t(c), std::move(utf8), std::string(reading), run.size()});
            continue;
        }
        const bool afterSyllable = !run.empty();
        appendRun(out, run);
        if (afterSyllable && c != u' ')
            out += u' ';
        out += one;
    }
    appendRun(out, run);
    return out;
}

} // namespace mulo::speech
