#pragma once

// Which encoding a lesson file's bytes are in. Parents save lessons as GBK (Windows editors,
// older files) or UTF-8 (Linux editors), and add lines with whatever tool is at hand, so a
// file may hold both. Many byte strings are valid in both encodings (GBK 茅 is UTF-8 é,
// UTF-8 点 is half of GBK 鐐), so the reading a lesson can plausibly be decides.

#include <QByteArrayView>
#include <QString>

namespace mulo {

enum class Encoding { Unmarked, Gbk, Utf8, Utf16LE, Utf16BE };

// The encoding a byte-order mark gives the whole file (UTF-8, UTF-16 LE or BE), or Unmarked.
Encoding detectByteOrderMark(QByteArrayView bytes, qsizetype* bomLength = nullptr);

// How likely a reading is to be what a parent wrote, worst first.
enum class Plausibility {
    // Holds what no text holds: unassigned, private-use or control characters, bytes that are
    // no character of the encoding, or what the other encoding's bytes turn into (a two-byte
    // letter of a script no lesson uses, ب; a presentation form, ﺟ).
    Implausible,
    // Text, but of a script no lesson is written in (한, ⱹ, ࡉ): more likely than no text, less
    // likely than the same bytes in GBK where they are Chinese, even rare Chinese (GBK 欷歔
    // is UTF-8 줚[).
    Foreign,
    // Only odd: a tone-marked or accented letter in no Latin word (é alone), a middle dot
    // beside no letter, a line of Latin-1 signs alone, a character outside the basic plane,
    // kana, Greek or Cyrillic, a sign or number the lists leave out (⠁ ⾾); a rare GBK
    // extension character.
    Doubtful,
    // Chinese characters, CJK and general punctuation, full-width forms, ASCII, pinyin and
    // other Latin words with their marks, and the symbols and emoji lessons are decorated
    // with (★ ① ℃ → √ 🍎 1️⃣).
    Plausible,
};

// Bytes read as UTF-8, which they must be (isUtf8): how plausible they are, whether they hold
// Chinese characters, and whether they hold what a GBK character's two bytes spell in UTF-8
// (a Latin-1 sign or one of the spacing tone marks ˇ ˉ ˊ ˋ ˙, or a two-byte letter or mark of
// another script: GBK 搂 is §, 藝 is ˇ, 谢 is л, 丿 is ب).
struct Utf8Reading {
    Plausibility plausibility = Plausibility::Plausible;
    bool chinese = false;
    bool otherLetters = false; // two-byte letters and marks of other scripts: Greek, Cyrillic, ب
    bool latinSigns = false;   // any of those signs
    bool spellingOnly = true;  // nothing but those signs, letters and marks, and spaces
};
Utf8Reading readUtf8(QByteArrayView utf8);
// The plausibility of bytes read as GBK, judged from the bytes.
Plausibility gbkPlausibility(QByteArrayView bytes);

// Whether bytes are well-formed UTF-8; multiByte tells whether any sequence is longer than
// one byte (pure ASCII reads the same in either encoding).
bool isUtf8(QByteArrayView bytes, bool* multiByte = nullptr);

// The encoding of a whole file without a byte-order mark: UTF-8 when it is valid UTF-8 and
// that reading is plausible; GBK when the GBK reading is the more plausible; Unmarked when the
// file must be decided line by line (it is not valid UTF-8, or neither reading is plausible as
// a whole: a GBK file with UTF-8 lines added, a UTF-8 file with GBK lines added).
Encoding decideUnmarkedFile(QByteArrayView bytes);

// Which way a file decided line by line leans: the encoding most of its lines can only be
// in (GBK where they are not valid UTF-8; UTF-8 where they are Chinese only in UTF-8);
// Unmarked where none can (a list of symbols), which leans to UTF-8 too.
Encoding leaningOf(QByteArrayView bytes);

// One line of a file decided line by line, by the same rule: a line that is not valid UTF-8
// is GBK; otherwise the more plausible reading. Where that is unclear (GBK 搂 and UTF-8 § are
// the same bytes) the line goes the way the file leans.
QString decodeUnmarkedLine(QByteArrayView line, Encoding lean);

// GBK (code page 936) to UTF-16. Bytes that do not form a GBK character become U+FFFD.
QString decodeGbk(QByteArrayView bytes);

} // namespace mulo
