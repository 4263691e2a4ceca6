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
    // Holds characters no lesson uses: Arabic, Syriac, Telugu, Greek, Cyrillic, Hangul, box
    // drawing, private-use or undecodable characters (what the other encoding's bytes
    // turn into).
    Implausible,
    // Only odd: a tone-marked or accented letter in no Latin word (é alone), a middle dot
    // beside no letter, a character outside the basic plane; a rare GBK extension character.
    Doubtful,
    // Chinese characters, CJK and general punctuation, full-width forms, ASCII, pinyin and
    // other Latin words with their marks.
    Plausible,
};

// The plausibility of bytes read as UTF-8; they must be valid UTF-8 (isUtf8).
Plausibility utf8Plausibility(QByteArrayView utf8);
// The plausibility of bytes read as GBK, judged from the bytes.
Plausibility gbkPlausibility(QByteArrayView bytes);

// Whether bytes are well-formed UTF-8; multiByte tells whether any sequence is longer than
// one byte (pure ASCII reads the same in either encoding).
bool isUtf8(QByteArrayView bytes, bool* multiByte = nullptr);

// The encoding of a whole file without a byte-order mark: UTF-8 when it is valid UTF-8 and
// that reading is at least as plausible as the GBK one; GBK when the GBK reading is the more
// plausible; Unmarked when the file must be decided line by line (it is not valid UTF-8, or
// neither reading is plausible as a whole: a GBK file with UTF-8 lines added).
Encoding decideUnmarkedFile(QByteArrayView bytes);

// One line of a file decided line by line, by the same rule: a line that is not valid UTF-8
// is GBK; otherwise UTF-8, unless the GBK reading is the more plausible.
QString decodeUnmarkedLine(QByteArrayView line);

// GBK (code page 936) to UTF-16. Bytes that do not form a GBK character become U+FFFD.
QString decodeGbk(QByteArrayView bytes);

} // namespace mulo
