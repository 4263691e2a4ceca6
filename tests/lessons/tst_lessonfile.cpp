#include "core/errors.h"
#include "lessonfile.h"
#include "textcodec.h"

#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <random>
#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

using namespace mulo;
using mulo::test::gbk;

class TestLessonFile : public QObject {
    Q_OBJECT
private slots:
    void joinsDirectoryWithOneSeparator_data();
    void joinsDirectoryWithOneSeparator();
    void entriesFromLines_data();
    void entriesFromLines();
    void everyTwoByteGbkCodeReadsAsTheSystemConverterReadsIt();
    void detectsEncoding_data();
    void detectsEncoding();
    void everyCharacterAndWordReadsAsWritten_data();
    void everyCharacterAndWordReadsAsWritten();
    void randomLessonsInBothEncodingsReadAsWritten();
    void decoratedLessonsReadAsWritten_data();
    void decoratedLessonsReadAsWritten();
    void badBytesBecomeReplacementCharacters_data();
    void badBytesBecomeReplacementCharacters();
    void hundredLinesNumberedInOrder();
    void keepsOnlyAsManyEntriesAsTheListHolds();
    void unfinishedLastLineIsDroppedAfterAFailedRead();
    void readsRegularFilesAndRefusesTheRest();
};

void TestLessonFile::joinsDirectoryWithOneSeparator_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("path");
    QTest::newRow("ordinary directory") << "/opt/mulo"
                                        << "/opt/mulo/test.txt";
    QTest::newRow("root directory") << "/"
                                    << "/test.txt";
    QTest::newRow("trailing separator") << "/home/kid/"
                                        << "/home/kid/test.txt";
}

void TestLessonFile::joinsDirectoryWithOneSeparator()
{
    QFETCH(QString, directory);
    QFETCH(QString, path);
    QCOMPARE(lessonFilePath(directory), path);
}

void TestLessonFile::entriesFromLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("lineCount");

    const auto g = [](const char* utf8) { return gbk(QString::fromUtf8(utf8)); };
    QTest::newRow("blank line keeps its number")
        << g("春夏秋冬\r\n\r\n东南西北") << QStringList{"第1课：春夏秋冬", "第3课：东南西北"} << 3;
    QTest::newRow("line of spaces is blank")
        << g("   \r\n山水田园\r\n") << QStringList{"第2课：山水田园"} << 2;
    QTest::newRow("spaces around a lesson are kept")
        << g(" 山水田园 ") << QStringList{"第1课： 山水田园 "} << 1;
    QTest::newRow("two leading spaces") << g("一二三四\r\n\r\n  天地人和")
                                        << QStringList{"第1课：一二三四", "第3课：  天地人和"} << 3;
    QTest::newRow("tab is content") << g("\t") << QStringList{"第1课：\t"} << 1;
    QTest::newRow("ideographic space is content")
        << g("\u3000") << QStringList{"第1课：\u3000"} << 1;
    QTest::newRow("CR alone ends a line")
        << g("日月\r星辰") << QStringList{"第1课：日月", "第2课：星辰"} << 2;
    QTest::newRow("LF alone ends a line")
        << g("日月\n星辰") << QStringList{"第1课：日月", "第2课：星辰"} << 2;
    QTest::newRow("CR CR LF is two line ends")
        << g("日月\r\r\n星辰") << QStringList{"第1课：日月", "第3课：星辰"} << 3;
    QTest::newRow("LF CR is two line ends")
        << g("日月\n\r星辰") << QStringList{"第1课：日月", "第3课：星辰"} << 3;
    QTest::newRow("final CR LF adds no line")
        << g("一二三四\r\n") << QStringList{"第1课：一二三四"} << 1;
    QTest::newRow("last line without terminator")
        << g("一二三四\r\n五六七八") << QStringList{"第1课：一二三四", "第2课：五六七八"} << 2;
    QTest::newRow("empty file") << QByteArray() << QStringList{} << 0;
    QTest::newRow("only CR") << QByteArray("\r\r\r") << QStringList{} << 3;
    QTest::newRow("only LF") << QByteArray("\n\n") << QStringList{} << 2;
    QTest::newRow("only spaces") << QByteArray("    ") << QStringList{} << 1;
    QTest::newRow("NUL is content")
        << QByteArray("a\0b", 3) << QStringList{QStringLiteral("第1课：a") + QChar(0) + u'b'} << 1;
    QTest::newRow("lines longer and shorter than four are entered whole")
        << g("人\r\n一二三四五六") << QStringList{"第1课：人", "第2课：一二三四五六"} << 2;
}

void TestLessonFile::entriesFromLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QFETCH(int, lineCount);
    const LessonFile file = parseLessonFile(bytes);
    QCOMPARE(file.entries, entries);
    QCOMPARE(file.lineCount, lineCount);
    QVERIFY(!file.truncated);
}

void TestLessonFile::detectsEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");

    const QString lessons = QStringLiteral("春夏秋冬\r\n东南西北");
    const QStringList expected{"第1课：春夏秋冬", "第2课：东南西北"};
    QTest::newRow("GBK") << gbk(lessons) << expected;
    QTest::newRow("UTF-8 without mark") << lessons.toUtf8() << expected;
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + lessons.toUtf8() << expected;
    QTest::newRow("UTF-16 LE with mark")
        << test::utf16(lessons, QStringConverter::Utf16LE) << expected;
    QTest::newRow("UTF-16 BE with mark")
        << test::utf16(lessons, QStringConverter::Utf16BE) << expected;
    // 山水小园 in GBK is also well-formed two-byte UTF-8 (IPA, Cyrillic, Armenian); GBK wins.
    QTest::newRow("GBK that is valid two-byte UTF-8")
        << gbk(QStringLiteral("山水小园")) << QStringList{"第1课：山水小园"};
    // E4A1 B0C2 B0E0 B0A1 also reads as UTF-8 "䡰°డ".
    QTest::newRow("GBK that is valid three-byte UTF-8")
        << gbk(QStringLiteral("洹奥班啊")) << QStringList{"第1课：洹奥班啊"};
    QTest::newRow("GBK that reads as Arabic in UTF-8")
        << gbk(QStringLiteral("侃侃\n叨叨\n丐"))
        << QStringList{"第1课：侃侃", "第2课：叨叨", "第3课：丐"};
    // GBK 茅 is UTF-8 é: a lone accented letter is no Latin word.
    QTest::newRow("GBK that reads as a lone accented letter")
        << gbk(QStringLiteral("茅")) << QStringList{"第1课：茅"};
    const QStringList rare{"蜻蜓点水",  "尴尬",        "白鹭", "跷跷板",  "姹紫嫣红",      "鑫淼喆",
                           "chūn tiān", "mā má mǎ mà", "café", "ā á ǎ à", "列夫·托尔斯泰", "3×4÷2"};
    QStringList rareEntries;
    for (qsizetype i = 0; i < rare.size(); ++i)
        rareEntries << lessonEntry(qint32(i + 1), rare[i]);
    QTest::newRow("UTF-8 lessons of rarer characters, pinyin and accents")
        << rare.join(u'\n').toUtf8() << rareEntries;
    // Alone in a file, ü is byte for byte GBK 眉; among lessons the file decides.
    QTest::newRow("ü among UTF-8 lessons")
        << QStringLiteral("春夏秋冬\nü").toUtf8() << QStringList{"第1课：春夏秋冬", "第2课：ü"};
    for (const QString& line : rare)
        QTest::addRow("UTF-8 file of one line: %s", qPrintable(line))
            << line.toUtf8() << QStringList{lessonEntry(1, line)};
    QTest::newRow("a GBK file with a UTF-8 line added")
        << gbk(lessons) + "\n" + QStringLiteral("我的新课").toUtf8() + "\n"
        << expected + QStringList{"第3课：我的新课"};
    // GBK lines added to a UTF-8 file; some are valid UTF-8 too (IPA and Armenian, Cyrillic,
    // a Latin-1 sign).
    for (const char* added : {"我的新课", "山水小园", "谢谢", "陆"})
        QTest::addRow("a UTF-8 file with a GBK line added: %s", added)
            << lessons.toUtf8() + "\r\n" + gbk(QString::fromUtf8(added))
            << expected + QStringList{lessonEntry(3, QString::fromUtf8(added))};
    // Decorated lessons and full-width punctuation, saved as UTF-8.
    const QStringList decorated{"苹果🍎", "香蕉🍌",   "西瓜🍉",    "小狗🐶", "★★★★",
                                "花儿😀", "向左→走", "我爱你！", "25℃",   "√×"};
    QStringList decoratedEntries;
    for (qsizetype i = 0; i < decorated.size(); ++i)
        decoratedEntries << lessonEntry(qint32(i + 1), decorated[i]);
    QTest::newRow("decorated UTF-8 lessons") << decorated.join(u'\n').toUtf8() << decoratedEntries;
    QTest::newRow("a GBK file with a UTF-8 line of a Latin word added")
        << gbk(lessons) + "\n" + QStringLiteral("café").toUtf8()
        << expected + QStringList{"第3课：café"};
    // UTF-8 lines added to a GBK file with another editor, whose bytes are no GBK text: a
    // script no lesson uses, a keycap, an arrow, a rare script beside Chinese.
    for (const char* added : {"안녕하세요", "1️⃣春夏秋冬", "⬆️上下左右", "春天ⱹ",
                              "ࡉ春天", "ب春天", "‼️⁉️"})
        QTest::addRow("a GBK file with a UTF-8 line added: %s", added)
            << gbk(lessons) + "\r\n" + QByteArray(added)
            << expected + QStringList{lessonEntry(3, QString::fromUtf8(added))};
    // GBK characters whose bytes spell a sign or letters in UTF-8 (聽 is a no-break space,
    // 藝 ˇ, 螞蟻 Λρ, 佴绉俫 ٦秂g) go the way the file leans: GBK among GBK lessons.
    for (const char* line : {"聽", "藝", "螞蟻", "佴绉俫"})
        QTest::addRow("a GBK file with a line that spells a sign or letters in UTF-8: %s", line)
            << gbk(lessons + u'\n' + QString::fromUtf8(line))
            << expected + QStringList{lessonEntry(3, QString::fromUtf8(line))};
    // GBK lines added to UTF-8 lessons, one of them UTF-8 too: Chinese and an odd letter.
    QTest::newRow("a UTF-8 file with GBK lines added, one of them 貽左ð in UTF-8")
        << lessons.toUtf8() + "\n" + gbk(QStringLiteral("春天\n璨藉乏冒"))
        << expected + QStringList{"第3课：春天", "第4课：璨藉乏冒"};
    QTest::newRow("a UTF-8 file with a GBK line of traditional characters added")
        << lessons.toUtf8() + "\n" + gbk(QStringLiteral("螞蟻"))
        << expected + QStringList{"第3课：螞蟻"};
    // A UTF-8 file that is no GBK text as a whole is UTF-8, its odd lines too.
    const QStringList odd{"1️⃣ 花草树木", "······", "·", "안녕",
                          "🏴󠁧󠁢󠁳󠁣󠁴󠁿"};
    QStringList oddEntries = expected;
    for (qsizetype i = 0; i < odd.size(); ++i)
        oddEntries << lessonEntry(qint32(i + 3), odd[i]);
    QTest::newRow("UTF-8 lessons with numbered, separator, Korean and flag lines")
        << (QStringList{lessons} + odd).join(u'\n').toUtf8() << oddEntries;
    QTest::newRow("a mark decides for every line")
        << QByteArray("\xEF\xBB\xBF") + lessons.toUtf8() + "\n" + gbk(QStringLiteral("春"))
        << expected + QStringList{"第3课：\uFFFD\uFFFD"};
    QTest::newRow("ASCII") << QByteArray("abcd") << QStringList{"第1课：abcd"};
    QTest::newRow("mark alone") << QByteArray("\xEF\xBB\xBF") << QStringList{};
}

void TestLessonFile::detectsEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QCOMPARE(parseLessonFile(bytes).entries, entries);
}

// Every GB2312 character and every word of the reading table, one or four to a line, as
// UTF-8 and as GBK: in a file of their own, one file per line, and added to a file of the
// other encoding.
void TestLessonFile::everyCharacterAndWordReadsAsWritten_data()
{
    QTest::addColumn<QStringList>("lines");
    const QString characters = test::gb2312Characters();
    QStringList words;
    QFile table(QStringLiteral(MULO_WORD_TABLE));
    QVERIFY(table.open(QIODevice::ReadOnly));
    for (const QByteArray& line : table.readAll().split('\n')) {
        if (!line.isEmpty())
            words << QString::fromUtf8(line.left(line.indexOf('\t')));
    }
    QVERIFY(words.size() > 100000);
    const auto grouped = [](const QStringList& items, int perLine, const QString& separator) {
        QStringList lines;
        for (qsizetype i = 0; i < items.size(); i += perLine)
            lines << items.mid(i, perLine).join(separator);
        return lines;
    };
    QStringList single;
    for (QChar c : characters)
        single << QString(c);
    QTest::newRow("GB2312, one per line") << single;
    QTest::newRow("GB2312, four per line") << grouped(single, 4, {});
    QTest::newRow("words, one per line") << words;
    QTest::newRow("words, four per line") << grouped(words, 4, {});
}

void TestLessonFile::everyCharacterAndWordReadsAsWritten()
{
    QFETCH(QStringList, lines);
    QStringList wrong;
    // Checks that the file's entries from firstLine on are the given lines.
    const auto check = [&](const char* how, const QByteArray& bytes, const QStringList& expected,
                           int firstLine) {
        const QStringList entries = parseLessonFile(bytes, INT_MAX).entries;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const qsizetype at = firstLine - 1 + i;
            const QString want = lessonEntry(qint32(at + 1), expected[i]);
            if (at >= entries.size() || entries[at] != want)
                wrong << QStringLiteral("%1: %2 → %3")
                             .arg(QLatin1String(how), expected[i],
                                  at < entries.size() ? entries[at] : QString());
        }
    };
    QStringList inGbk; // GBK holds most, not all, of the characters outside GB2312
    for (const QString& line : lines) {
        if (decodeGbk(gbk(line)) == line)
            inGbk << line;
    }
    const auto file = [](const QStringList& lines, bool asGbk) {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += (asGbk ? gbk(line) : line.toUtf8()) + "\r\n";
        return bytes;
    };
    const QStringList others{QStringLiteral("春夏秋冬"), QStringLiteral("东南西北")};
    check("UTF-8 file", file(lines, false), lines, 1);
    check("GBK file", file(inGbk, true), inGbk, 1);
    check("UTF-8 added to GBK", file(others, true) + file(lines, false), lines, 3);
    check("GBK added to UTF-8", file(others, false) + file(inGbk, true), inGbk, 3);
    for (const QString& line : lines)
        check("UTF-8 line alone", line.toUtf8(), {line}, 1);
    for (const QString& line : inGbk)
        check("GBK line alone", gbk(line), {line}, 1);
    QVERIFY2(wrong.isEmpty(),
             qPrintable(QString::number(wrong.size()) + QStringLiteral(" wrong, first: ") +
                        wrong.mid(0, 20).join(u'\n')));
}

// Lessons of four GB2312 characters drawn at random, each line GBK or UTF-8 at random: GBK
// lines whose bytes happen to be UTF-8 too (愎兼邯鄢 is 㹼溪۳) stay GBK.
void TestLessonFile::randomLessonsInBothEncodingsReadAsWritten()
{
    const QString characters = test::gb2312Characters();
    std::mt19937 random(20261208);
    QStringList lessons;
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i) {
        QString line;
        for (int k = 0; k < 4; ++k)
            line += characters[qsizetype(random() % characters.size())];
        lessons << line;
        bytes += (random() % 2 ? gbk(line) : line.toUtf8()) + '\n';
    }
    const QStringList entries = parseLessonFile(bytes, INT_MAX).entries;
    for (qsizetype i = 0; i < lessons.size(); ++i)
        QCOMPARE(entries[i], lessonEntry(qint32(i + 1), lessons[i]));
}

// The symbols of GB2312's rows 1 to 9 and emoji, as parents decorate lessons with them: beside
// Chinese on a line, in a file of lessons in either encoding; alone and doubled, in a list of
// them, and in GBK among lessons too. (Alone, some are the bytes of a GBK character in UTF-8:
// GBK 搂 is UTF-8 §, GBK 谢谢 is UTF-8 лл; among Chinese lessons in UTF-8 such a line is read as
// the Chinese pasted in from a GBK file, which parents do more often than write Cyrillic.)
void TestLessonFile::decoratedLessonsReadAsWritten_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("asGbk");
    QTest::addColumn<bool>("amongLessons");
    QStringList symbols;
    for (int lead = 0xA1; lead <= 0xA9; ++lead) {
        for (int trail = 0xA1; trail <= 0xFE; ++trail) {
            const char code[] = {char(lead), char(trail)};
            const QString symbol = decodeGbk(QByteArrayView(code, 2));
            if (symbol.size() == 1 && symbol.front().category() != QChar::Other_PrivateUse &&
                symbol != QChar(QChar::ReplacementCharacter) && !symbol.front().isSpace())
                symbols << symbol;
        }
    }
    QVERIFY2(symbols.size() > 600, qPrintable(QString::number(symbols.size())));
    QStringList emoji;
    for (const char* e :
         {"🍎", "🍌", "🍉", "🐶", "😀", "👍", "❤️", "⭐", "🌸", "🚗", "👨‍👩‍👧", "🇨🇳"})
        emoji << QString::fromUtf8(e);
    QStringList doubled, beside;
    for (const QString& symbol : symbols + emoji) {
        doubled << symbol + symbol;
        beside << QStringLiteral("苹果") + symbol << symbol + QStringLiteral("小狗");
    }
    for (const bool asGbk : {false, true}) {
        const char* encoding = asGbk ? "GBK" : "UTF-8";
        QTest::addRow("%s: symbols alone", encoding) << symbols << asGbk << asGbk;
        QTest::addRow("%s: symbols doubled", encoding) << doubled << asGbk << asGbk;
        QTest::addRow("%s: symbols beside Chinese", encoding) << beside << asGbk << true;
    }
    QTest::addRow("UTF-8: emoji alone among lessons") << emoji << false << true;
}

void TestLessonFile::decoratedLessonsReadAsWritten()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, asGbk);
    QFETCH(bool, amongLessons);
    const QStringList lessons =
        amongLessons ? QStringList{QStringLiteral("春夏秋冬"), QStringLiteral("东南西北")}
                     : QStringList{};
    QStringList expected;
    QByteArray bytes;
    for (const QString& line : lines) {
        if (asGbk && decodeGbk(gbk(line)) != line)
            continue; // not in GBK
        for (const QString& around :
             lessons.isEmpty() ? QStringList{line} : QStringList{lessons[0], line, lessons[1]}) {
            expected << around;
            bytes += (asGbk ? gbk(around) : around.toUtf8()) + "\r\n";
        }
    }
    const QStringList entries = parseLessonFile(bytes, INT_MAX).entries;
    QStringList wrong;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        if (entries.value(i) != lessonEntry(qint32(i + 1), expected[i]))
            wrong << expected[i] + QStringLiteral(" → ") + entries.value(i);
    }
    QVERIFY2(wrong.isEmpty(),
             qPrintable(QString::number(wrong.size()) + QStringLiteral(" wrong: ") +
                        wrong.mid(0, 20).join(u'\n')));
}

void TestLessonFile::badBytesBecomeReplacementCharacters_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    const QString bad(QChar::ReplacementCharacter);
    const QByteArray spring = gbk(QStringLiteral("春"));

    QTest::newRow("lone lead byte at the end of a line")
        << spring + "\x81\r\n" + spring << QStringList{"第1课：春" + bad, "第2课：春"};
    QTest::newRow("lone lead byte at the end of the file")
        << spring + "\x81" << QStringList{"第1课：春" + bad};
    QTest::newRow("lead byte before an ASCII letter") << QByteArray("\x81"
                                                                    "0ab")
                                                      << QStringList{"第1课：" + bad + "0ab"};
    QTest::newRow("0xFF is no character") << QByteArray("\xFF") << QStringList{"第1课：" + bad};
    QTest::newRow("0x80 is the euro sign as in code page 936")
        << spring + "\x80" << QStringList{QStringLiteral("第1课：春€")};
    QTest::newRow("broken UTF-8 is read as GBK")
        << QByteArray("\xE6\x98") << QStringList{QStringLiteral("第1课：鏄")};
    QTest::newRow("UTF-16 with an odd byte count")
        << test::utf16(QStringLiteral("春夏"), QStringConverter::Utf16LE) + "A"
        << QStringList{"第1课：春夏" + bad};
}

void TestLessonFile::badBytesBecomeReplacementCharacters()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QCOMPARE(parseLessonFile(bytes).entries, entries);
}

void TestLessonFile::hundredLinesNumberedInOrder()
{
    QByteArray bytes;
    for (int i = 1; i <= 100; ++i)
        bytes += gbk(QStringLiteral("课文%1\r\n").arg(i, 3, 10, QLatin1Char('0')));
    const LessonFile file = parseLessonFile(bytes);
    QCOMPARE(file.entries.size(), 100);
    for (int i = 1; i <= 100; ++i)
        QCOMPARE(file.entries[i - 1],
                 QStringLiteral("第%1课：课文%2").arg(i).arg(i, 3, 10, QLatin1Char('0')));
}

void TestLessonFile::keepsOnlyAsManyEntriesAsTheListHolds()
{
    const LessonFile file = parseLessonFile("a\n\nb\nc\nd\n", 2);
    QCOMPARE(file.entries, (QStringList{"第1课：a", "第3课：b"}));
    QVERIFY(file.truncated);
}

void TestLessonFile::unfinishedLastLineIsDroppedAfterAFailedRead()
{
    const QByteArray partial = gbk(QStringLiteral("一二三四\r\n五六"));
    QCOMPARE(parseLessonFile(partial, 32767, true).entries, QStringList{"第1课：一二三四"});
    QCOMPARE(parseLessonFile(partial, 32767, false).entries.size(), 2);
}

// The program's own GBK table against the converter Qt uses where it has one (ICU on Linux).
void TestLessonFile::everyTwoByteGbkCodeReadsAsTheSystemConverterReadsIt()
{
    QStringDecoder system("GB18030");
    if (!system.isValid())
        QSKIP("no GB18030 converter here to compare with");
    QByteArray bytes;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail != 0x7F)
                bytes += char(lead), bytes += char(trail);
        }
    }
    bytes += "\x80 a\x81"; // the euro sign, ASCII, a lead byte alone
    const QString ours = decodeGbk(bytes);
    const QString theirs = system(bytes.chopped(4)) + QStringLiteral("\u20AC a\uFFFD");
    QCOMPARE(ours.size(), theirs.size());
    for (qsizetype i = 0; i < ours.size(); ++i) {
        if (ours[i] != theirs[i])
            QFAIL(qPrintable(QStringLiteral("code %1: %2, not %3")
                                 .arg(i)
                                 .arg(ours[i].unicode(), 4, 16)
                                 .arg(theirs[i].unicode(), 4, 16)));
    }
}

void TestLessonFile::readsRegularFilesAndRefusesTheRest()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("test.txt");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("abc\r\n");
    out.close();
    QCOMPARE(readLessonFileBytes(file).bytes, QByteArray("abc\r\n"));
    QVERIFY(readLessonFileBytes(file).error.isEmpty());

    const auto refused = [](const QString& path) {
        const FileBytes read = readLessonFileBytes(path);
        return !read.error.isEmpty() && read.bytes.isEmpty();
    };
    QVERIFY(refused(dir.filePath("missing.txt")));
    QVERIFY(refused(dir.path()));
#if defined(Q_OS_UNIX)
    const QString fifo = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(refused(fifo)); // and does not block
#else
    QVERIFY(refused(QStringLiteral("NUL"))); // a device
#endif

    QFile big(dir.filePath("big.txt"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(maxLessonFileSize + 1));
    big.close();
    QVERIFY(refused(big.fileName()));
}

QTEST_MAIN(TestLessonFile)
#include "tst_lessonfile.moc"
