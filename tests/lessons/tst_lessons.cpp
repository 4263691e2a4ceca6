#include "lessonlistmodel.h"
#include "memory.h"
#include "selection.h"

#include <QElapsedTimer>
#include <QTest>

using namespace mulo;

namespace {

using Flags = QList<bool>;

void fill(LessonListModel& list, const Flags& flags)
{
    for (qsizetype i = 0; i < flags.size(); ++i) {
        list.AddItem(QStringLiteral("第%1课：一二三四").arg(i + 1));
        list.setSelected(int(i), flags[i]);
    }
}

Flags flagsOf(const LessonListModel& list)
{
    Flags flags;
    for (int i = 0; i < list.ListCount(); ++i)
        flags.append(list.Selected(i));
    return flags;
}

// Milliseconds for one command over a list of count entries, alternately selected.
double millisecondsFor(qint16 command, int count)
{
    LessonListModel list;
    for (int i = 0; i < count; ++i) {
        list.AddItem(QStringLiteral("第%1课：一二三四").arg(i + 1));
        list.setSelected(i, i % 2 == 0);
    }
    QElapsedTimer timer;
    timer.start();
    Option1_Click(list, command);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

class TestLessons : public QObject {
    Q_OBJECT
private slots:
    void commandsSetClearOrInvertEveryFlag_data();
    void commandsSetClearOrInvertEveryFlag();
    void theWorkedSequence();
    void commandsTouchNothingButTheFlags();
    void anEmptyListStaysEmpty();
    void commandsTakeLinearTime_data();
    void commandsTakeLinearTime();
    void manyCommandsHoldNoMoreMemory();
};

void TestLessons::commandsSetClearOrInvertEveryFlag_data()
{
    QTest::addColumn<Flags>("before");
    QTest::addColumn<int>("index");
    QTest::addColumn<Flags>("after");
    const Flags mixed{false, true, false, true, false};
    QTest::newRow("全选") << mixed << 0 << Flags(5, true);
    QTest::newRow("不选") << mixed << 1 << Flags(5, false);
    QTest::newRow("反选") << mixed << 2 << Flags{true, false, true, false, true};
    QTest::newRow("反选 of all") << Flags(5, true) << 2 << Flags(5, false);
    QTest::newRow("one entry") << Flags{true} << 2 << Flags{false};
    QTest::newRow("index 3 does nothing") << mixed << 3 << mixed;
    QTest::newRow("index -1 does nothing") << mixed << -1 << mixed;
    QTest::newRow("index 32767 does nothing") << mixed << 32767 << mixed;
}

void TestLessons::commandsSetClearOrInvertEveryFlag()
{
    QFETCH(Flags, before);
    QFETCH(int, index);
    QFETCH(Flags, after);
    LessonListModel list;
    fill(list, before);
    Option1_Click(list, qint16(index));
    QCOMPARE(flagsOf(list), after);
    QCOMPARE(list.SelCount(), int(after.count(true)));
}

void TestLessons::theWorkedSequence()
{
    LessonListModel list;
    fill(list, {false, true, false, true, false});
    Option1_Click(list, InvertSelection);
    QCOMPARE(flagsOf(list), (Flags{true, false, true, false, true}));
    Option1_Click(list, SelectAll);
    QCOMPARE(list.SelCount(), 5);
    Option1_Click(list, SelectNone);
    QCOMPARE(list.SelCount(), 0);
}

void TestLessons::commandsTouchNothingButTheFlags()
{
    LessonListModel list;
    fill(list, {false, true, false});
    list.setListIndex(2);
    int rowsChanged = 0;
    connect(&list, &QAbstractItemModel::rowsInserted, this, [&] { ++rowsChanged; });
    connect(&list, &QAbstractItemModel::rowsRemoved, this, [&] { ++rowsChanged; });
    for (qint16 index : {0, 2, 1, 2})
        Option1_Click(list, index);
    QCOMPARE(list.ListIndex(), 2);
    QCOMPARE(list.ListCount(), 3);
    QCOMPARE(list.List(1), QStringLiteral("第2课：一二三四"));
    QCOMPARE(rowsChanged, 0);
}

void TestLessons::anEmptyListStaysEmpty()
{
    LessonListModel list;
    for (qint16 index : {0, 1, 2}) {
        Option1_Click(list, index);
        QCOMPARE(list.ListCount(), 0);
        QCOMPARE(list.SelCount(), 0);
        QCOMPARE(list.ListIndex(), -1);
    }
}

void TestLessons::commandsTakeLinearTime_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("全选") << 0;
    QTest::newRow("不选") << 1;
    QTest::newRow("反选") << 2;
}

// Eight times the entries may take at most about eight times as long; a command that
// scanned the list per entry would take sixty-four times as long.
void TestLessons::commandsTakeLinearTime()
{
    QFETCH(int, index);
    const auto best = [index](int count) {
        double fastest = 1e9;
        for (int run = 0; run < 5; ++run)
            fastest = std::min(fastest, millisecondsFor(qint16(index), count));
        return fastest;
    };
    const double small = std::max(best(4096), 0.05); // below timer noise, count as 50 µs
    const double large = best(32768 - 1);
    QVERIFY2(large < 24 * small,
             qPrintable(QStringLiteral("%1 ms for 4096, %2 ms for 32767").arg(small).arg(large)));
    QVERIFY2(large < 20.0, qPrintable(QStringLiteral("%1 ms for 32767").arg(large)));
}

void TestLessons::manyCommandsHoldNoMoreMemory()
{
    LessonListModel list;
    for (int i = 0; i < 200; ++i)
        list.AddItem(QStringLiteral("第%1课：一二三四").arg(i + 1));
    const long long growth =
        test::heapGrowth(5000, [&](int i) { Option1_Click(list, qint16(i % 3)); });
    QVERIFY2(growth < 4096, qPrintable(QString::number(growth)));
}

QTEST_GUILESS_MAIN(TestLessons)
#include "tst_lessons.moc"
