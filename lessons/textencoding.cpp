#include "textencoding.h"

#include "core/errors.h"
#include "emojitable.h"
#include "gbktable.h"

#include <QChar>
#include <algorithm>

namespace mulo {

namespace {

bool isGbkLead(uchar b)
{
    return b >= 0x81 && b <= 0xFE;
}

bool isGbkTrail(uchar b)
{
    return b >= 0x40 && b <= 0xFE && b != 0x7F;
}

// What a character of a UTF-8 reading is, for its plausibility.
enum class Kind {
    Other,       // plausible by itself: ASCII but letters, Chinese, punctuation, symbols, emoji
    AsciiLetter, // makes a Latin word
    Marked,      // a letter with a tone mark or accent: plausible inside a Latin word
    Combining,   // a tone mark typed after its letter: likewise
    Between,     // · between parts of a name, × and ÷ between numbers: plausible between two
    Sign,        // a Latin-1 sign (§ ° ½) or a spacing tone mark (ˇ): the two bytes of a GBK
                 // character (搂 掳 陆 藝), plausible beside other text
    OtherSign,   // a sign, number or space of three bytes or more none of the above lists
    Rare,        // a character outside the basic plane
    Unusual,     // a letter of another script that GB2312 carries too: kana, Greek, Cyrillic
    Foreign,     // a letter or sign of a script no lesson is written in: odd, but text;
                 // below U+0800 it is what GBK's Chinese most often becomes (丿 is ب)
    NoText,      // unassigned, private-use or a control character
};

struct Range {
    char32_t first, last;
};

// Chinese characters of every level, their punctuation, strokes, zhuyin, number forms and
// full-width forms, and the general punctuation Chinese text uses (“” … —).
constexpr Range plausibleRanges[] = {
    {0x2010, 0x2027}, {0x2030, 0x203B}, {0x2150, 0x218F}, {0x2460, 0x24FF}, {0x3000, 0x303F},
    {0x3100, 0x312F}, {0x31A0, 0x31EF}, {0x3200, 0x33FF}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF},
    {0xF900, 0xFAFF}, {0xFE30, 0xFE4F}, {0xFF01, 0xFF60}, {0xFFE0, 0xFFE6},
};

// Latin letters with marks: those of Western European words (é, ç) and of pinyin (ā, ě, ǚ,
// ń, ǹ, ḿ, ế). Other Latin letters come from GBK bytes far more often than from a lesson.
constexpr Range markedLetterRanges[] = {
    {0x00C0, 0x00D6}, {0x00D8, 0x00F6}, {0x00F8, 0x00FF}, {0x0100, 0x0101}, {0x0112, 0x0113},
    {0x011A, 0x011B}, {0x012A, 0x012B}, {0x0143, 0x0144}, {0x0147, 0x0148}, {0x014C, 0x014D},
    {0x016A, 0x016B}, {0x01CD, 0x01DC}, {0x01F8, 0x01F9}, {0x1E3E, 0x1E3F}, {0x1EBE, 0x1EC1},
};

// The symbols parents decorate lessons with beside emoji (emojitable.h): letterlike symbols
// (℃ №), arrows, mathematical signs (√ ≈ ∞), technical signs (⌒), box drawing and geometric
// shapes (■ △ ○ ◎), the symbols and dingbats (★ ☆ ♪ ✓), ⭐ and ⭕, and the pictographs. The
// same bytes read as GBK are one of GBK's added characters at best.
constexpr Range symbolRanges[] = {
    {0x2100, 0x214F}, {0x2190, 0x23FF}, {0x2500, 0x27BF}, {0x2B50, 0x2B55}, {0x1F000, 0x1FAFF},
};

// Letters of other scripts that GB2312 carries as well (ɑ ɡ of its pinyin row, Greek,
// Cyrillic, kana): odd in a lesson, but no odder than the GBK reading of the same bytes
// where that is one of GBK's added characters; GBK's Chinese characters read as UTF-8 become
// such letters, and stay the less plausible reading.
constexpr Range unusualLetterRanges[] = {
    {0x0251, 0x0251}, {0x0261, 0x0261}, {0x0391, 0x03A9}, {0x03B1, 0x03C9},
    {0x0401, 0x0401}, {0x0410, 0x044F}, {0x0451, 0x0451}, {0x3041, 0x3093},
    {0x309B, 0x309E}, {0x30A1, 0x30F6}, {0x30FC, 0x30FE},
};

template <std::size_t N> bool inRanges(char32_t c, const Range (&ranges)[N])
{
    return std::any_of(std::begin(ranges), std::end(ranges),
                       [c](Range r) { return c >= r.first && c <= r.last; });
}

bool isEmoji(char32_t c)
{
    const auto end = std::end(emojiRanges);
    const auto after = std::upper_bound(std::begin(emojiRanges), end, c,
                                        [](char32_t c, CodeRange r) { return c < r.first; });
    return after != std::begin(emojiRanges) && c <= std::prev(after)->last;
}

// Latin, Hebrew and Arabic letters in their presentation forms: no one types them, and GBK's
// last row spells them in UTF-8.
bool isPresentationForm(char32_t c)
{
    return (c >= 0xFB00 && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

Kind kindOf(char32_t c)
{
    if (c >= 0x4E00 && c <= 0x9FFF) // most of a lesson
        return Kind::Other;
    if (c < 0x80)
        return (c | 0x20) >= 'a' && (c | 0x20) <= 'z' ? Kind::AsciiLetter : Kind::Other;
    if (c == 0x00B7 || c == 0x00D7 || c == 0x00F7)
        return Kind::Between;
    if (inRanges(c, markedLetterRanges))
        return Kind::Marked;
    if (c >= 0x0300 && c <= 0x030C)
        return Kind::Combining;
    if ((c >= 0x00A0 && c <= 0x00BF) || c == 0x02C7 || (c >= 0x02C9 && c <= 0x02CB) || c == 0x02D9)
        return Kind::Sign;
    if (inRanges(c, plausibleRanges) || inRanges(c, symbolRanges) || isEmoji(c))
        return Kind::Other;
    if (inRanges(c, unusualLetterRanges))
        return Kind::Unusual;
    if (c >= 0x20000 && c <= 0x323AF) // the rarer Chinese characters
        return Kind::Rare;
    const QChar::Category category = QChar::category(c);
    switch (category) {
    case QChar::Other_Control:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Other_Surrogate:
        return Kind::NoText;
    default:
        break;
    }
    // Signs, numbers and spaces of every kind from three bytes up (CJK radicals, ⟶, €, ⠁), but
    // not the digits of other scripts (෩): text, if odd. Below U+0800 they are what a GBK
    // character's two bytes spell.
    const bool signOrNumber =
        (category >= QChar::Punctuation_Connector && category <= QChar::Symbol_Other) ||
        category == QChar::Number_Letter || category == QChar::Number_Other ||
        category == QChar::Separator_Space;
    return signOrNumber && c >= 0x800 && !isPresentationForm(c) ? Kind::OtherSign : Kind::Foreign;
}

bool isLetter(Kind k)
{
    return k == Kind::AsciiLetter || k == Kind::Marked || k == Kind::Combining;
}

// GBK's rows by what they hold: GB2312's symbols, Chinese characters of both levels,
// pinyin and zhuyin; the rarer characters GBK added; user-defined and foreign rows.
Plausibility gbkCharacterPlausibility(uchar lead, uchar trail)
{
    if (lead <= 0xA0)
        return Plausibility::Doubtful; // GBK's added characters, rows 81–A0
    if (trail < 0xA1)
        // Rows AA–FE below A1: more added characters; A1–A9 below A1: user-defined
        // and vertical forms.
        return lead >= 0xAA ? Plausibility::Doubtful : Plausibility::Implausible;
    if (lead >= 0xB0 && lead <= 0xF7) // GB2312's Chinese characters; D7FA–D7FE are unused
        return lead == 0xD7 && trail > 0xF9 ? Plausibility::Implausible : Plausibility::Plausible;
    switch (lead) {
    case 0xA1: // punctuation and signs
    case 0xA2: // numbers: ①, ⑴, ⅰ
    case 0xA3: // full-width forms
    case 0xA8: // pinyin letters and zhuyin
        return Plausibility::Plausible;
    default: // kana, Greek, Cyrillic, box drawing, user-defined rows
        return Plausibility::Implausible;
    }
}

} // namespace

Encoding detectByteOrderMark(QByteArrayView bytes, qsizetype* bomLength)
{
    const auto starts = [&](QByteArrayView mark) { return bytes.startsWith(mark); };
    const auto result = [&](Encoding e, qsizetype bom) {
        if (bomLength)
            *bomLength = bom;
        return e;
    };
    if (starts("\xEF\xBB\xBF"))
        return result(Encoding::Utf8, 3);
    if (starts("\xFF\xFE"))
        return result(Encoding::Utf16LE, 2);
    if (starts("\xFE\xFF"))
        return result(Encoding::Utf16BE, 2);
    return result(Encoding::Unmarked, 0);
}

Utf8Reading readUtf8(QByteArrayView utf8)
{
    Utf8Reading reading;
    Plausibility& result = reading.plausibility;
    const auto doubt = [&] { result = std::min(result, Plausibility::Doubtful); };
    // A run of letters: a Latin word wants at least one plain ASCII letter.
    bool inWord = false, wordHasAscii = false, wordHasMarks = false;
    const auto endWord = [&] {
        if (inWord && wordHasMarks && !wordHasAscii)
            doubt();
        inWord = wordHasAscii = wordHasMarks = false;
    };
    // ·, × and ÷ stand between two letters, digits or Chinese characters.
    bool afterOperand = false, wantsOperand = false;
    // Letters of a script no lesson uses, on a line: in two bytes they are what GBK's Chinese
    // most often spells (丿 is ب), and so are presentation forms (יּ ﺟ, GBK's last row).
    bool foreign = false, twoByteForeign = false;
    const auto endLine = [&] {
        if (twoByteForeign) {
            result = Plausibility::Implausible;
            reading.otherLetters = true;
        } else if (foreign) {
            result = std::min(result, Plausibility::Foreign);
        }
        foreign = twoByteForeign = false;
    };
    const qsizetype n = utf8.size();
    for (qsizetype i = 0; i < n;) {
        // The bytes are valid UTF-8: each sequence is whole.
        const auto at = [&](qsizetype k) { return char32_t(uchar(utf8[i + k])); };
        char32_t c = at(0);
        if (c < 0x80) {
            i += 1;
        } else if (c < 0xE0) {
            c = (c & 0x1F) << 6 | (at(1) & 0x3F);
            i += 2;
        } else if (c < 0xF0) {
            c = (c & 0x0F) << 12 | (at(1) & 0x3F) << 6 | (at(2) & 0x3F);
            i += 3;
        } else {
            c = (c & 0x07) << 18 | (at(1) & 0x3F) << 12 | (at(2) & 0x3F) << 6 | (at(3) & 0x3F);
            i += 4;
        }
        const Kind kind = kindOf(c);
        if (kind == Kind::NoText)
            result = Plausibility::Implausible;
        // What one GBK character's two bytes can spell: a sign, or a letter or mark of
        // another script below U+0800 (kana takes three).
        const bool spelling =
            kind == Kind::Sign || (c < 0x800 && (kind == Kind::Unusual || kind == Kind::Foreign));
        reading.otherLetters = reading.otherLetters || (spelling && kind == Kind::Unusual);
        reading.latinSigns = reading.latinSigns || kind == Kind::Sign;
        reading.spellingOnly = reading.spellingOnly && (spelling || c == ' ');
        reading.chinese = reading.chinese || kind == Kind::Rare ||
                          (c >= 0x3400 && kind == Kind::Other && c <= 0x9FFF);
        const bool operand =
            isLetter(kind) || (c >= '0' && c <= '9') || (kind == Kind::Other && c >= 0x3400);
        if (wantsOperand && !operand)
            doubt();
        wantsOperand = kind == Kind::Between;
        if (wantsOperand && !afterOperand)
            doubt();
        afterOperand = operand;
        if (kind == Kind::Rare || kind == Kind::Unusual || kind == Kind::OtherSign)
            doubt();
        const bool presentationForm = isPresentationForm(c);
        foreign = foreign || (kind == Kind::Foreign && c >= 0x800 && !presentationForm);
        twoByteForeign =
            twoByteForeign || (kind == Kind::Foreign && (c < 0x800 || presentationForm));
        if (c == '\n' || c == '\r')
            endLine();
        if (isLetter(kind)) {
            inWord = true;
            wordHasAscii = wordHasAscii || kind == Kind::AsciiLetter;
            wordHasMarks = wordHasMarks || kind != Kind::AsciiLetter;
        } else {
            endWord();
        }
    }
    endWord();
    // A line of signs alone is no lesson (GBK 陆 is ½, 聽 a no-break space).
    if (wantsOperand || reading.spellingOnly)
        doubt();
    endLine();
    return reading;
}

Plausibility gbkPlausibility(QByteArrayView bytes)
{
    Plausibility result = Plausibility::Plausible;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        if (!isGbkLead(b) || i + 1 == n || !isGbkTrail(uchar(bytes[i + 1])))
            return Plausibility::Implausible; // the euro sign, 0xFF, a lead byte alone
        result = std::min(result, gbkCharacterPlausibility(b, uchar(bytes[i + 1])));
        if (result == Plausibility::Implausible)
            return result;
        i += 2;
    }
    return result;
}

bool isUtf8(QByteArrayView bytes, bool* multiByte)
{
    if (!bytes.isValidUtf8())
        return false;
    if (multiByte)
        *multiByte =
            std::any_of(bytes.begin(), bytes.end(), [](char b) { return uchar(b) >= 0x80; });
    return true;
}

Encoding decideUnmarkedFile(QByteArrayView bytes)
{
    bool multiByte = false;
    if (!isUtf8(bytes, &multiByte))
        return Encoding::Unmarked;
    if (!multiByte)
        return Encoding::Utf8; // plain ASCII reads the same either way
    const Utf8Reading utf8 = readUtf8(bytes);
    const Plausibility gbk = gbkPlausibility(bytes);
    // Latin-1 signs, Greek and Cyrillic letters are also what GBK's Chinese becomes in UTF-8
    // (陆 is ½, 谢谢 is лл): a file that holds them is weighed line by line.
    const bool spelling = utf8.latinSigns || utf8.otherLetters;
    const Plausibility asAWhole =
        spelling ? std::min(utf8.plausibility, Plausibility::Doubtful) : utf8.plausibility;
    if (asAWhole == Plausibility::Plausible)
        return Encoding::Utf8;
    if (gbk > asAWhole)
        return Encoding::Gbk;
    // A file that is no GBK text but reads as UTF-8 with an odd line (a separator of middle
    // dots, ü, a line of Korean): UTF-8. GBK's Chinese spells a script in three bytes too
    // seldom to weigh against that (of 140,000 words and characters, 欷歔 is 줚[).
    if (!spelling && asAWhole > gbk)
        return Encoding::Utf8;
    // Some lines of each, or an odd line: line by line, so that a GBK line added to a UTF-8
    // file is not read as UTF-8 with the rest.
    return Encoding::Unmarked;
}

Encoding leaningOf(QByteArrayView bytes)
{
    // Lines that can be only one: not UTF-8 (GBK), or Chinese in UTF-8 and nothing in GBK.
    qsizetype gbkLines = 0, utf8Lines = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const QByteArrayView line = bytes.sliced(start, end - start);
        bool multiByte = false;
        if (!isUtf8(line, &multiByte)) {
            ++gbkLines;
        } else if (multiByte) {
            const Utf8Reading utf8 = readUtf8(line);
            utf8Lines += utf8.chinese && utf8.plausibility > gbkPlausibility(line);
        }
        start = end + 1;
    }
    if (gbkLines > utf8Lines)
        return Encoding::Gbk;
    return utf8Lines > 0 ? Encoding::Utf8 : Encoding::Unmarked;
}

QString decodeUnmarkedLine(QByteArrayView line, Encoding lean)
{
    bool multiByte = false;
    if (!isUtf8(line, &multiByte) || !multiByte)
        return decodeGbk(line);
    const Utf8Reading utf8 = readUtf8(line);
    const Plausibility gbk = gbkPlausibility(line);
    bool utf8Wins;
    // What GBK's Chinese becomes in UTF-8, one byte pair at a time: Latin-1 signs (陆 is ½),
    // Greek and Cyrillic letters (谢谢 is лл, 螞蟻 is Λρ).
    const bool spelt = utf8.spellingOnly || utf8.otherLetters;
    if (gbk == Plausibility::Implausible)
        // No GBK text (UTF-8 春天 is 鏄ュぉ in GBK, 안녕하세요 leaves a byte over).
        utf8Wins = true;
    else if (lean == Encoding::Utf8 && spelt &&
             (gbk == Plausibility::Plausible || utf8.spellingOnly))
        // Among Chinese lessons in UTF-8, Chinese saved as GBK; traditional characters too
        // where that is all the line spells (螞蟻 is Λρ, 聽 a no-break space, but 苹果Α
        // stays).
        utf8Wins = false;
    else if (lean != Encoding::Gbk)
        // In a file of UTF-8 lines, the better reading, and an odd line too (ü alone, or
        // Greek Ρ in a list of symbols); but not an odd letter beside Chinese characters that
        // GBK's Chinese spells (璨藉乏冒 is 貽左ð), nor a line of a script no lesson uses
        // (欷歔 is 줚[).
        utf8Wins = utf8.plausibility >= gbk ||
                   (utf8.plausibility == Plausibility::Doubtful && !utf8.chinese);
    else
        // In a file of GBK lines, a UTF-8 line wins a tie (UTF-8 佻 is GBK 浣, café is caf茅),
        // but not with signs alone (GBK 搂 is UTF-8 §, 藝 is ˇ, 聽 a no-break space) or Greek
        // and Cyrillic letters (螞蟻 is Λρ).
        utf8Wins = spelt ? utf8.plausibility > gbk : utf8.plausibility >= gbk;
    return utf8Wins ? QString::fromUtf8(line) : decodeGbk(line);
}

QString decodeGbk(QByteArrayView bytes)
{
    // From our own table rather than the system's converters, which Windows lacks for GBK.
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(out.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const uchar b = uchar(bytes[i]);
        if (b < 0x80) {
            *to++ = b;
            ++i;
        } else if (isGbkLead(b) && i + 1 < n && isGbkTrail(uchar(bytes[i + 1]))) {
            const uchar trail = uchar(bytes[i + 1]);
            *to++ = gbkTable[(b - 0x81) * gbkTrailCount + trail - (trail < 0x80 ? 0x40 : 0x41)];
            i += 2;
        } else {
            // Code page 936 gives 0x80 the euro sign; a lead byte without its trail byte is
            // not a character at all.
            *to++ = b == 0x80 ? char16_t(0x20AC) : char16_t(QChar::ReplacementCharacter);
            ++i;
        }
    }
    out.truncate(to - reinterpret_cast<const char16_t*>(out.constData()));
    return out;
}

} // namespace mulo
