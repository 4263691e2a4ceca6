#include "lessonfile.h"
#include "textcodec.h"

#include <QFile>
#include <QSet>
#include <QTest>

using namespace mulo;

// Every character of U+00A0–U+33FF, U+4E00–U+9FFF and U+FF00–U+FFEF and every fully-qualified
// emoji, alone, doubled, after and before 春天 and two other Chinese characters, between two
// lessons in four kinds of file: UTF-8, a UTF-8 line in a GBK file, a GBK line in a UTF-8 file,
// GBK (the last two for what GBK holds). Each file's middle lesson is compared with the same
// lines saved as UTF-8 with a byte-order mark. Where bytes make sense in both encodings (UTF-8
// · is GBK 路) the program decides; those decisions are kept in encoding-sweep.tsv, so that any
// that changes shows in its diff.
//   MULO_SWEEP_STRIDE=N     takes every Nth character and emoji only (for slow builds)
//   MULO_WRITE_SWEEP=FILE   writes the decisions to FILE instead (scripts/update-encoding-sweep)
class TestEncodingSweep : public QObject {
    Q_OBJECT
private slots:
    void decisionsAreTheKeptOnes();
};

namespace {

QStringList sweptCharacters()
{
    QStringList items;
    for (const auto& [first, last] :
         {std::pair{0x00A0, 0x33FF}, {0x4E00, 0x9FFF}, {0xFF00, 0xFFEF}})
        for (char32_t c = char32_t(first); c <= char32_t(last); ++c)
            items << QString::fromUcs4(&c, 1);
    QFile file(QStringLiteral("/usr/share/unicode/emoji/emoji-test.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype semicolon = line.indexOf(';');
        if (line.startsWith('#') || !line.mid(semicolon + 1).trimmed().startsWith("fully-q"))
            continue;
        QString emoji;
        for (const QByteArray& point : line.left(semicolon).simplified().split(' ')) {
            const char32_t c = point.toUInt(nullptr, 16);
            emoji += QString::fromUcs4(&c, 1);
        }
        items << emoji;
    }
    return items;
}

} // namespace

void TestEncodingSweep::decisionsAreTheKeptOnes()
{
    const QStringList items = sweptCharacters();
    if (items.isEmpty())
        QSKIP("Unicode's emoji-test.txt (Debian's unicode-data) is not installed");
    const int stride = qMax(1, qEnvironmentVariableIntValue("MULO_SWEEP_STRIDE"));
    const QString before = QStringLiteral("春夏秋冬"), after = QStringLiteral("东南西北");
    const QByteArray beforeUtf8 = before.toUtf8() + "\r\n", afterUtf8 = "\r\n" + after.toUtf8();
    const QByteArray beforeGbk = test::gbk(before) + "\r\n", afterGbk = "\r\n" + test::gbk(after);
    QStringEncoder toGbk("GB18030"); // made once: test::gbk makes one for each line
    if (!toGbk.isValid()) // the lines saved as GBK must be the ones the snapshot was made of
        QSKIP("no GB18030 converter here to save the lines as GBK");
    // Beside 春天, whose UTF-8 bytes are no GBK text, and beside two other characters of
    // GB2312, a different pair for each, whose bytes may be.
    const QString spring = QStringLiteral("春天"), gb2312 = test::gb2312Characters();
    QSet<QString> decisions, swept;
    qsizetype cases = 0;
    for (qsizetype i = 0; i < items.size(); i += stride) {
        const QString& item = items[i];
        QStringList points;
        for (const char32_t c : item.toUcs4())
            points << QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
        const QString key = points.join(u' ');
        swept.insert(key);
        const QString pair =
            gb2312.mid(i % gb2312.size(), 1) + gb2312.mid(i * 7 % gb2312.size(), 1);
        const std::pair<const char*, QString> forms[] = {{"alone", item},
                                                         {"doubled", item + item},
                                                         {"after 春天", spring + item},
                                                         {"before 春天", item + spring},
                                                         {"after Chinese", pair + item},
                                                         {"before Chinese", item + pair}};
        for (const auto& [form, line] : forms) {
            const QByteArray utf8 = line.toUtf8();
            const QByteArray gbk = toGbk.encode(line);
            const bool inGbk = decodeGbk(gbk) == line;
            const QString written =
                lessonLines("\xEF\xBB\xBF" + beforeUtf8 + utf8 + afterUtf8).value(1);
            const std::pair<const char*, QByteArray> files[] = {
                {"UTF-8", beforeUtf8 + utf8 + afterUtf8},
                {"UTF-8 in GBK", beforeGbk + utf8 + afterGbk},
                {"GBK in UTF-8", inGbk ? beforeUtf8 + gbk + afterUtf8 : QByteArray()},
                {"GBK", inGbk ? beforeGbk + gbk + afterGbk : QByteArray()},
            };
            for (const auto& [kind, bytes] : files) {
                if (bytes.isEmpty())
                    continue;
                ++cases;
                const QStringList lines = lessonLines(bytes);
                const bool neighbours =
                    lines.size() == 3 && lines[0] == before && lines[2] == after;
                const QString read = neighbours ? lines[1] : lines.join(QStringLiteral(" | "));
                if (read != written)
                    decisions << QStringLiteral("%1\t%2\t%3\t%4\t%5")
                                     .arg(QLatin1String(kind), QString::fromUtf8(form), key,
                                          written, read);
            }
        }
    }
    qInfo("%lld cases, %lld read otherwise than with a byte-order mark", cases,
          qsizetype(decisions.size()));

    QFile file(qEnvironmentVariable("MULO_WRITE_SWEEP", QStringLiteral(MULO_ENCODING_SWEEP)));
    QStringList kept;
    if (qEnvironmentVariableIsSet("MULO_WRITE_SWEEP")) {
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        kept = decisions.values();
        std::sort(kept.begin(), kept.end(), [](const QString& a, const QString& b) {
            return a.section(u'\t', 2, 2) + a < b.section(u'\t', 2, 2) + b;
        });
        file.write("# file\tline\tcharacter\twritten\tread (all three lines where the others "
                   "changed too); made by scripts/update-encoding-sweep\n" +
                   kept.join(u'\n').toUtf8() + '\n');
        return;
    }
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (!line.startsWith(u'#') && swept.contains(line.section(u'\t', 2, 2)))
            kept << line;
    }
    const QSet<QString> then(kept.begin(), kept.end());
    QStringList changed;
    for (const QString& line : then - decisions)
        changed << QStringLiteral("- ") + line;
    for (const QString& line : decisions - then)
        changed << QStringLiteral("+ ") + line;
    QVERIFY2(changed.isEmpty(), qPrintable(QStringLiteral("%1 decisions changed (- kept, + now; "
                                                          "scripts/update-encoding-sweep if "
                                                          "meant):\n")
                                               .arg(changed.size()) +
                                           changed.mid(0, 40).join(u'\n')));
}

QTEST_MAIN(TestEncodingSweep)
#include "tst_encodingsweep.moc"
