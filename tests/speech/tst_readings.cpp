#include "espeakengine.h"
#include "readings.h"

#include <QFile>
#include <QTest>
#if defined(Q_OS_LINUX)
#include <unistd.h>
#endif

using namespace mulo::speech;

// How the answer's voice is told to read a lesson: each row is what a Mandarin teacher
// would say to a child.
class TestReadings : public QObject {
    Q_OBJECT

private slots:
    void readsAsATeacherWould_data();
    void readsAsATeacherWould();
    void everyRuleReadsItsLines_data();
    void everyRuleReadsItsLines();
    void everydayLinesAreReadAsATeacherReadsThem();
    void everyLineReadsAsTheSnapshotRecords();
    void aCharacterAloneIsSaidAsItsLessonSaysIt_data();
    void aCharacterAloneIsSaidAsItsLessonSaysIt();
    void toneMarksAreWhereABookPutsThem_data();
    void toneMarksAreWhereABookPutsThem();
    void theTablesPagesAreHandedBackAfterAnAnswer();
    void tableLookUpFindsFirstMiddleAndLastKeys_data();
    void tableLookUpFindsFirstMiddleAndLastKeys();
};

void TestReadings::readsAsATeacherWould_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pinyin");
    const auto row = [](const char* name, const char* text, const char* pinyin) {
        QTest::newRow(name) << QString::fromUtf8(text) << QString::fromUtf8(pinyin);
    };
    // A character with several readings takes the one of its word.
    row("长 grows up", "长大", "zhang3 da4");
    row("长 is long", "长短", "chang2 duan3");
    row("行 is a bank", "银行", "yin2 hang2");
    row("行 walks", "行人", "xing2 ren2");
    row("重 again", "重新", "chong2 xin1");
    row("重 weighs", "重要", "zhong4 yao4");
    row("乐 is music", "音乐", "yin1 yue4");
    row("乐 is joy", "快乐", "kuai4 le4");
    row("还 still", "还有", "hai2 you3");
    row("还 gives back", "还书", "huan2 shu1");
    row("觉 feels", "觉得", "jue2 de5");
    row("觉 sleeps", "睡觉", "shui4 jiao4");
    row("的 indeed", "的确", "di2 que4");
    row("的 aims", "目的", "mu4 di4");
    row("a neutral tone of the word", "朋友", "peng2 you5");
    row("东西 is a thing", "东西", "dong1 xi5");
    // Alone, a character has its full tone; a particle keeps its neutral one.
    row("地 alone", "地", "di4");
    row("个 alone", "个", "ge4");
    row("得 alone", "得", "de2");
    row("长 alone", "长", "chang2");
    row("子 alone", "子", "zi3");
    row("了 alone", "了", "le5");
    row("吗 alone", "吗", "ma5");
    row("迹 as today's standard reads it", "迹", "ji4");
    // 一 and 不 change with the next syllable, and 一 stays itself where it is a number.
    row("一 before tone 4", "一样", "yi2 yang4");
    row("一 before the measure word 个", "一个", "yi2 ge4");
    row("一 before tone 1", "一天", "yi4 tian1");
    row("一 before tone 3", "一起", "yi4 qi3");
    row("一 twice in an idiom", "一心一意", "yi4 xin1 yi2 yi4");
    row("一 alone", "一", "yi1");
    row("一 counting", "一二三四", "yi1 er4 san1 si4");
    row("一 after 第", "第一", "di4 yi1");
    row("一 in a number", "十一", "shi2 yi1");
    row("一 at the end of a word inside a longer one", "统一战线", "tong3 yi1 zhan4 xian4");
    row("一 counted against 二", "一清二楚", "yi1 qing1 er4 chu3");
    row("一 counted against 三", "举一反三", "ju3 yi1 fan3 san1");
    row("一 between a verb and its repeat", "看一看", "kan4 yi5 kan4");
    row("一 as a month", "一月", "yi1 yue4");
    row("一 before the text ends", "说一", "shuo1 yi1");
    row("不 before tone 4", "不对", "bu2 dui4");
    row("不 before tone 3", "不好", "bu4 hao3");
    row("不 at the end", "我不", "wo3 bu4");
    row("不 neutral in its word", "对不起", "dui4 bu5 qi3");
    // Spelling the voice understands.
    row("ü as v", "绿色", "lv4 se4");
    row("u after j q x y", "下雨", "xia4 yu3");
    row("erhua joins the syllable before it", "一点儿", "yi4 dian3r");
    row("儿 in its own word", "女儿", "nv3 er2");
    // The sample lessons.
    row("sample 天地人和", "天地人和", "tian1 di4 ren2 he2");
    row("sample 春夏秋冬", "春夏秋冬", "chun1 xia4 qiu1 dong1");
    row("sample 大小多少", "大小多少", "da4 xiao3 duo1 shao3");
    // Whatever is not a Chinese character goes to the voice as it is.
    row("a short lesson's label", "第1课：一二", "di4 1 ke4 ： yi1 er4");
    row("Latin letters", "Ag天", "Ag tian1");
    row("a tab", "天\t地", "tian1 \t di4");
    row("spaces kept", " 天 ", " tian1 ");
    row("empty", "", "");
    row("a character beyond the basic plane", "𠀀", "he1");
}

void TestReadings::readsAsATeacherWould()
{
    QFETCH(QString, text);
    QFETCH(QString, pinyin);
    QCOMPARE(voicePinyin(text), pinyin);
}

namespace {

struct EverydayLine {
    QString kind, line, reading;
};

// Whether a reading is the table's: syllable by syllable, where the table may allow either
// of two (chang3|chang2).
bool readsAs(const QString& reading, const QString& wanted)
{
    const QStringList given = reading.split(u' '), expected = wanted.split(u' ');
    if (given.size() != expected.size())
        return false;
    for (qsizetype i = 0; i < given.size(); ++i) {
        if (!expected[i].split(u'|').contains(given[i]))
            return false;
    }
    return true;
}

// The teacher's table: nursery rhymes, first-grade sentences and phrases, and a group of
// lines for each rule of context.
QList<EverydayLine> everydayLines()
{
    QFile file(QStringLiteral(MULO_EVERYDAY_LINES));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no table of everyday lines");
    QList<EverydayLine> lines;
    for (const QByteArray& row : file.readAll().split('\n')) {
        const QStringList columns = QString::fromUtf8(row).split(u'\t');
        if (columns.size() == 3 && !columns[0].startsWith(u'#'))
            lines.append({columns[0], columns[1], columns[2]});
    }
    return lines;
}

} // namespace

void TestReadings::everyRuleReadsItsLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pinyin");
    const QStringList rules{"de", "measure", "verbs", "yibu", "surnames", "erhua", "words"};
    for (const EverydayLine& line : everydayLines()) {
        if (rules.contains(line.kind))
            QTest::addRow("%s: %s", qPrintable(line.kind), qPrintable(line.line))
                << line.line << line.reading;
    }
}

void TestReadings::everyRuleReadsItsLines()
{
    QFETCH(QString, text);
    QFETCH(QString, pinyin);
    QVERIFY2(readsAs(voicePinyin(text), pinyin), qPrintable(voicePinyin(text)));
}

// Rhymes and sentences: a line is right only when every syllable is. The lines still read
// wrong are named here, and each must still be wrong, so that the list stays true.
void TestReadings::everydayLinesAreReadAsATeacherReadsThem()
{
    const QStringList knownMisses{};
    const QList<EverydayLine> lines = everydayLines();
    QStringList wrong;
    for (const EverydayLine& line : lines) {
        if (!readsAs(voicePinyin(line.line), line.reading))
            wrong << line.line;
    }
    QVERIFY(lines.size() >= 300);
    QStringList unexpected;
    for (const QString& line : wrong) {
        if (!knownMisses.contains(line))
            unexpected << line + QStringLiteral(" → ") + voicePinyin(line);
    }
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u'\n')));
    for (const QString& line : knownMisses)
        QVERIFY2(wrong.contains(line), qPrintable(line + QStringLiteral(" reads right now")));
}

// Some 50,000 lines (the common characters alone, the dictionary's words with a character of
// several readings, idioms, the tables) read exactly as recorded: a change to the readings
// must rewrite the snapshot (scripts/snapshot-readings), so its diff shows what changed.
void TestReadings::everyLineReadsAsTheSnapshotRecords()
{
    QFile file(QStringLiteral(MULO_READINGS_SNAPSHOT));
    QVERIFY(file.open(QIODevice::ReadOnly));
    int lines = 0;
    QStringList differ;
    for (const QByteArray& row : file.readAll().split('\n')) {
        const QList<QByteArray> columns = row.split('\t');
        if (columns.size() != 3 || row.startsWith('#'))
            continue;
        ++lines;
        const QString said = voicePinyin(QString::fromUtf8(columns[1]));
        if (said != QString::fromUtf8(columns[2]))
            differ << QString::fromUtf8(columns[0] + '\t' + columns[1] + "\twas: " + columns[2] +
                                        "\tnow: ") +
                          said;
    }
    QVERIFY(lines >= 20000);
    QVERIFY2(differ.isEmpty(),
             qPrintable(QStringLiteral("%1 lines read otherwise:\n").arg(differ.size()) +
                        differ.join(u'\n')));
}

void TestReadings::aCharacterAloneIsSaidAsItsLessonSaysIt_data()
{
    QTest::addColumn<QString>("lesson");
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("pinyin");
    QFile file(QStringLiteral(MULO_ALONE_IN_LESSONS));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no table of characters in their lessons");
    for (const QByteArray& row : file.readAll().split('\n')) {
        const QStringList columns = QString::fromUtf8(row).split(u'\t');
        if (columns.size() == 4 && !columns[0].startsWith(u'#'))
            QTest::addRow("%s", qPrintable(columns[0]))
                << columns[1] << columns[2].toInt() - 1 << columns[3];
    }
}

void TestReadings::aCharacterAloneIsSaidAsItsLessonSaysIt()
{
    QFETCH(QString, lesson);
    QFETCH(int, at);
    QFETCH(QString, pinyin);
    QCOMPARE(readingInLesson(lesson, at), pinyin);
}

void TestReadings::toneMarksAreWhereABookPutsThem_data()
{
    QTest::addColumn<QString>("numbered");
    QTest::addColumn<QString>("marked");
    QTest::newRow("on a, on e, on o of ou") << "hao3 xue2 dou4"
                                            << "hǎo xué dòu";
    QTest::newRow("on the last of i and u") << "liu2 gui4 shui3"
                                            << "liú guì shuǐ";
    QTest::newRow("ü, a light syllable, erhua") << "lv4 ma5 dian3r"
                                                << "lǜ ma diǎnr";
    QTest::newRow("no syllable stays") << "5 ： ke4"
                                       << "5 ： kè";
}

void TestReadings::toneMarksAreWhereABookPutsThem()
{
    QFETCH(QString, numbered);
    QFETCH(QString, marked);
    QCOMPARE(toneMarked(numbered), marked);
}

// How many pages of a stretch of memory this process has mapped in, by the kernel's page map;
// -1 where there is none.
static int pagesMappedIn([[maybe_unused]] std::string_view memory)
{
#if !defined(Q_OS_LINUX)
    return -1;
#else
    QFile map(QStringLiteral("/proc/self/pagemap"));
    if (!map.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return -1;
    const auto page = quintptr(::sysconf(_SC_PAGESIZE));
    int mapped = 0;
    for (quintptr at = quintptr(memory.data()); at < quintptr(memory.data() + memory.size());
         at += page) {
        quint64 entry = 0;
        map.seek(qint64(at / page * sizeof entry));
        if (map.read(reinterpret_cast<char*>(&entry), sizeof entry) == sizeof entry &&
            (entry >> 63))
            ++mapped;
    }
    return mapped;
#endif
}

// An answer looks up a few hundred bytes of the tables, but the program would go on counting
// every page it ever touched.
void TestReadings::theTablesPagesAreHandedBackAfterAnAnswer()
{
    const std::string_view words = wordReadings().text();
    int sum = 0;
    for (std::size_t i = 0; i < words.size(); i += 1024)
        sum += words[i];
    QVERIFY(sum != 0);
    const int touched = pagesMappedIn(words);
    if (touched < 0)
        QSKIP("no page map to read here");
    QVERIFY2(touched > 500, qPrintable(QString::number(touched)));
    const auto engine = EspeakEngine::open(); // a real answer hands them back itself
    engine->synthesize(QStringLiteral("春夏秋冬"), engine->voices().front(), 243);
    const int kept = pagesMappedIn(words);
    QVERIFY2(kept < touched / 10, qPrintable(QStringLiteral("%1 of %2").arg(kept).arg(touched)));
}

void TestReadings::tableLookUpFindsFirstMiddleAndLastKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("first") << "a"
                           << "1";
    QTest::newRow("middle") << "bb"
                            << "2";
    QTest::newRow("last") << "d"
                          << "4";
    QTest::newRow("before all") << "0"
                                << "";
    QTest::newRow("between") << "bc"
                             << "";
    QTest::newRow("a prefix of a key is not the key") << "b"
                                                      << "";
    QTest::newRow("after all") << "z"
                               << "";
}

void TestReadings::tableLookUpFindsFirstMiddleAndLastKeys()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    const ReadingTable table("a\t1\nbb\t2\ncc\t3\nd\t4\n");
    QCOMPARE(QString::fromUtf8(table.find(key.toStdString())), value);
    QCOMPARE(table.hasKeyStartingWith("b"), true);
    QCOMPARE(table.hasKeyStartingWith("e"), false);
}

QTEST_APPLESS_MAIN(TestReadings)
#include "tst_readings.moc"
