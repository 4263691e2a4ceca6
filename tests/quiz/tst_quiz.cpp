#include "clockrandom.h"
#include "fakes.h"
#include "lessonlistmodel.h"
#include "memory.h"
#include "questionpicking.h"

#include <QTest>

using namespace mulo;
using namespace mulo::test;

namespace {

// The lesson list and settings a pick sees, with scripted random values.
struct Quiz {
    LessonListModel list;
    FakeCheckBox chkRnd{CheckBoxOps::Unchecked};
    FakeCheckBox chkSingle{CheckBoxOps::Unchecked};
    FakeTextBox txtTi;
    ScriptedRandom random;
    QuizControls controls{list, chkRnd, chkSingle, txtTi, random};

    explicit Quiz(const QStringList& lines)
    {
        for (int i = 0; i < lines.size(); ++i)
            list.AddItem(QStringLiteral("第%1课：%2").arg(i + 1).arg(lines[i]));
    }
    void select(std::initializer_list<int> rows)
    {
        for (int row : rows)
            list.setSelected(row, true);
    }
    QString pick()
    {
        cmdTest_Click(controls);
        return txtTi.text;
    }
};

const QStringList example{"一二三四", "上下左右", "日月水火", "山石田土", "花草树木"};

using Rows = QList<int>;

} // namespace

class TestQuiz : public QObject {
    Q_OBJECT
private slots:
    void lessonTextIsTheEntrysLastFourCharacters_data();
    void lessonTextIsTheEntrysLastFourCharacters();
    void randomFormulasAtTheirBoundaries_data();
    void randomFormulasAtTheirBoundaries();

    void inOrderPicks_data();
    void inOrderPicks();
    void randomPicks_data();
    void randomPicks();
    void questionForms_data();
    void questionForms();
    void emojiQuestionsAreWholeCharacters_data();
    void emojiQuestionsAreWholeCharacters();

    void everyRandomPickReseedsAndDraws();
    void lessonTextWithSemicolonStaysWhole();
    void sameTextTwiceContinuesAfterTheFirst();
    void pickChangesOnlyTheCurrentIndexAndTheBox();
    void emptyListLeavesEverythingAsItWas();
    void failedPickLeavesTheBoxAlone();
    void aCountThatDisagreesWithTheFlagsNamesTheMissingLesson();
    void clockRandomIsUniformAndReseedsApart();
    void manyPicksHoldNoMoreMemory();
};

void TestQuiz::lessonTextIsTheEntrysLastFourCharacters_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("text");
    QTest::newRow("four characters") << "第1课：一二三四"
                                     << "一二三四";
    QTest::newRow("longer line gives its end") << "第5课：一二三四五"
                                               << "二三四五";
    QTest::newRow("one character reaches into the label") << "第1课：人"
                                                          << "1课：人";
    QTest::newRow("two characters") << "第12课：大小"
                                    << "课：大小";
    QTest::newRow("trailing space counts") << "第2课：山水田 "
                                           << "山水田 ";
}

void TestQuiz::lessonTextIsTheEntrysLastFourCharacters()
{
    QFETCH(QString, entry);
    QFETCH(QString, text);
    QCOMPARE(lessonText(entry).toString(), text);
}

void TestQuiz::randomFormulasAtTheirBoundaries_data()
{
    QTest::addColumn<double>("u");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("character");
    constexpr double eps = 1e-9;
    // Five lessons: ⌊4u + 0.5⌋ puts the ends at 1/8 each. One character: ⌊3u + 0.5⌋ + 1.
    QTest::newRow("u = 0") << 0.0 << 5 << 0 << 1;
    QTest::newRow("just below 1/8") << 0.125 - eps << 5 << 0 << 1;
    QTest::newRow("1/8") << 0.125 << 5 << 1 << 1;
    QTest::newRow("just below 1/6") << 1.0 / 6 - eps << 5 << 1 << 1;
    QTest::newRow("just above 1/6") << 1.0 / 6 + eps << 5 << 1 << 2;
    QTest::newRow("just below 1/2") << 0.5 - eps << 5 << 2 << 2;
    QTest::newRow("1/2") << 0.5 << 5 << 2 << 3;
    QTest::newRow("just below 5/6") << 5.0 / 6 - eps << 5 << 3 << 3;
    QTest::newRow("just above 5/6") << 5.0 / 6 + eps << 5 << 3 << 4;
    QTest::newRow("just below 7/8") << 0.875 - eps << 5 << 3 << 4;
    QTest::newRow("7/8") << 0.875 << 5 << 4 << 4;
    QTest::newRow("largest u below 1") << 1.0 - 0x1.0p-53 << 5 << 4 << 4;
    QTest::newRow("one lesson, any u") << 0.999 << 1 << 0 << 4;
    QTest::newRow("two lessons below 1/2") << 0.5 - eps << 2 << 0 << 2;
    QTest::newRow("two lessons at 1/2") << 0.5 << 2 << 1 << 3;
}

void TestQuiz::randomFormulasAtTheirBoundaries()
{
    QFETCH(double, u);
    QFETCH(int, count);
    QFETCH(int, position);
    QFETCH(int, character);
    QCOMPARE(randomPosition(u, count), position);
    QCOMPARE(randomCharacterPosition(u), character);
}

void TestQuiz::inOrderPicks_data()
{
    QTest::addColumn<QStringList>("lessons");
    QTest::addColumn<Rows>("selected");
    QTest::addColumn<int>("current");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<Rows>("currents");

    QTest::newRow("all lessons from no current entry, wrapping")
        << example << Rows{} << -1
        << QStringList{"一二三四", "上下左右", "日月水火", "山石田土", "花草树木", "一二三四"}
        << Rows{0, 1, 2, 3, 4, 0};
    QTest::newRow("all lessons after the entry the user made current")
        << example << Rows{} << 2 << QStringList{"山石田土", "花草树木"} << Rows{3, 4};
    QTest::newRow("two selected alternate")
        << example << Rows{1, 3} << 3 << QStringList{"上下左右", "山石田土", "上下左右"}
        << Rows{1, 3, 1};
    QTest::newRow("three selected, every one takes part")
        << example << Rows{1, 2, 3} << 3
        << QStringList{"上下左右", "日月水火", "山石田土", "上下左右"} << Rows{1, 2, 3, 1};
    QTest::newRow("one selected and current repeats itself")
        << example << Rows{2} << 2 << QStringList{"日月水火", "日月水火"} << Rows{2, 2};
    QTest::newRow("selected without a current entry start at the first selected")
        << example << Rows{2, 4} << -1 << QStringList{"日月水火", "花草树木"} << Rows{2, 4};
    QTest::newRow("current entry not selected starts at the first selected")
        << example << Rows{2, 4} << 0 << QStringList{"日月水火", "花草树木"} << Rows{2, 4};
    QTest::newRow("the entry made current is a selected one with the text")
        << QStringList{"天地人和", "一二三四", "天地人和"} << Rows{1, 2} << 1
        << QStringList{"天地人和"} << Rows{2};
    QTest::newRow("the cycle follows the first selected entry with the current text")
        << QStringList{"一二三四", "天地人和", "日月水火", "天地人和"} << Rows{1, 2, 3} << 3
        << QStringList{"日月水火"} << Rows{2};
}

void TestQuiz::inOrderPicks()
{
    QFETCH(QStringList, lessons);
    QFETCH(Rows, selected);
    QFETCH(int, current);
    QFETCH(QStringList, questions);
    QFETCH(Rows, currents);
    Quiz quiz(lessons);
    for (int row : selected)
        quiz.list.setSelected(row, true);
    quiz.list.setListIndex(current);
    for (int i = 0; i < questions.size(); ++i) {
        QCOMPARE(quiz.pick(), questions[i]);
        QCOMPARE(int(quiz.list.ListIndex()), currents[i]);
    }
    QCOMPARE(quiz.random.draws, 0);
}

void TestQuiz::randomPicks_data()
{
    QTest::addColumn<Rows>("selected");
    QTest::addColumn<double>("u");
    QTest::addColumn<int>("current");
    QTest::newRow("all lessons, first end") << Rows{} << 0.1 << 0;
    QTest::newRow("all lessons, inner") << Rows{} << 0.3 << 1;
    QTest::newRow("all lessons, last end") << Rows{} << 0.9 << 4;
    QTest::newRow("selected, below 1/2 gives the first") << Rows{1, 3} << 0.49 << 1;
    QTest::newRow("selected, from 1/2 gives the second") << Rows{1, 3} << 0.5 << 3;
    QTest::newRow("one selected, any u") << Rows{4} << 0.0 << 4;
    QTest::newRow("three selected, middle") << Rows{0, 2, 4} << 0.5 << 2;
}

void TestQuiz::randomPicks()
{
    QFETCH(Rows, selected);
    QFETCH(double, u);
    QFETCH(int, current);
    Quiz quiz(example);
    for (int row : selected)
        quiz.list.setSelected(row, true);
    quiz.chkRnd.value = CheckBoxOps::Checked;
    quiz.random.values = {u};
    QCOMPARE(quiz.pick(), example[current]);
    QCOMPARE(int(quiz.list.ListIndex()), current);
}

void TestQuiz::questionForms_data()
{
    QTest::addColumn<int>("rnd");
    QTest::addColumn<int>("single");
    QTest::addColumn<double>("u2");
    QTest::addColumn<QString>("question");
    // Lesson 2 (上下左右) is chosen every time.
    QTest::newRow("whole lesson, in order") << 0 << 0 << -1.0 << "上下左右";
    QTest::newRow("whole lesson, random") << 1 << 0 << -1.0 << "上下左右";
    QTest::newRow("first character, in order") << 0 << 1 << -1.0 << "上";
    QTest::newRow("random character 1") << 1 << 1 << 0.1 << "上";
    QTest::newRow("random character 2") << 1 << 1 << 0.3 << "下";
    QTest::newRow("random character 3") << 1 << 1 << 0.6 << "左";
    QTest::newRow("random character 4") << 1 << 1 << 0.9 << "右";
    QTest::newRow("greyed boxes count as not ticked") << 2 << 2 << -1.0 << "上下左右";
}

void TestQuiz::questionForms()
{
    QFETCH(int, rnd);
    QFETCH(int, single);
    QFETCH(double, u2);
    QFETCH(QString, question);
    Quiz quiz(example);
    quiz.list.setSelected(1, true);
    quiz.list.setListIndex(1);
    quiz.chkRnd.value = rnd;
    quiz.chkSingle.value = single;
    quiz.random.values = {0.7};
    if (u2 >= 0)
        quiz.random.values.push_back(u2);
    QCOMPARE(quiz.pick(), question);
}

// Emoji are two code units: a one-character question, or a lesson text whose four units begin
// inside one, takes the whole pair.
void TestQuiz::emojiQuestionsAreWholeCharacters_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("single");
    QTest::addColumn<double>("u2");
    QTest::addColumn<QString>("question");
    const QString apple = QStringLiteral("🍎");
    const QString lesson = QStringLiteral("苹果🍎香蕉"), cut = QStringLiteral("苹🍎果香蕉");
    QTest::newRow("in order: first half") << cut << 1 << -1.0 << apple;
    QTest::newRow("position 1 of the last four: first half") << lesson << 1 << 0.1 << apple;
    QTest::newRow("position 2: second half") << lesson << 1 << 0.3 << apple;
    QTest::newRow("position 3 after an emoji") << lesson << 1 << 0.6 << "香";
    QTest::newRow("position 4") << lesson << 1 << 0.9 << "蕉";
    QTest::newRow("position 1 cuts a pair") << cut << 1 << 0.1 << apple;
    QTest::newRow("position 2 after the pair") << cut << 1 << 0.3 << "果";
    QTest::newRow("position 4 after the pair") << cut << 1 << 0.9 << "蕉";
    QTest::newRow("four emoji, position 4") << apple.repeated(4) << 1 << 0.9 << apple;
    QTest::newRow("whole lesson keeps the cut pair") << cut << 0 << -1.0 << "🍎果香蕉";
    QTest::newRow("whole lesson of four emoji")
        << apple.repeated(4) << 0 << -1.0 << apple.repeated(2);
}

void TestQuiz::emojiQuestionsAreWholeCharacters()
{
    QFETCH(QString, line);
    QFETCH(int, single);
    QFETCH(double, u2);
    QFETCH(QString, question);
    Quiz quiz({line});
    quiz.chkSingle.value = single;
    quiz.chkRnd.value = u2 >= 0 ? 1 : 0;
    quiz.random.values = {0.5};
    if (u2 >= 0)
        quiz.random.values.push_back(u2);
    QCOMPARE(quiz.pick(), question);
}

void TestQuiz::everyRandomPickReseedsAndDraws()
{
    Quiz quiz(example);
    quiz.chkRnd.value = CheckBoxOps::Checked;
    quiz.chkSingle.value = CheckBoxOps::Checked;
    quiz.random.values = {0.0, 0.0, 0.5, 0.5};
    quiz.pick();
    quiz.select({2});
    quiz.pick();
    QCOMPARE(quiz.random.reseeds, 2);
    QCOMPARE(quiz.random.draws, 4);
}

void TestQuiz::lessonTextWithSemicolonStaysWhole()
{
    // A semicolon in a lesson must not cut it into pieces that show as questions.
    Quiz quiz({"春;夏秋", "上下左右", "日月水火"});
    quiz.select({0, 1});
    quiz.list.setListIndex(1);
    QCOMPARE(quiz.pick(), QStringLiteral("春;夏秋"));
    QCOMPARE(quiz.list.ListIndex(), 0);
    QCOMPARE(quiz.pick(), QStringLiteral("上下左右"));
    QCOMPARE(quiz.list.ListIndex(), 1);
}

void TestQuiz::sameTextTwiceContinuesAfterTheFirst()
{
    Quiz quiz({"一二三四", "天地人和", "日月水火", "天地人和"});
    quiz.select({1, 3});
    quiz.list.setListIndex(3);
    QCOMPARE(quiz.pick(), QStringLiteral("天地人和"));
    QCOMPARE(quiz.list.ListIndex(), 1); // the later twin is never made current
}

void TestQuiz::pickChangesOnlyTheCurrentIndexAndTheBox()
{
    Quiz quiz(example);
    quiz.select({0, 3});
    quiz.chkRnd.value = CheckBoxOps::Checked;
    quiz.random.values = {0.9};
    quiz.pick();
    QCOMPARE(quiz.list.SelCount(), 2);
    QVERIFY(quiz.list.Selected(0) && quiz.list.Selected(3));
    QCOMPARE(quiz.list.ListCount(), 5);
    QCOMPARE(quiz.list.List(3), QStringLiteral("第4课：山石田土"));
}

void TestQuiz::emptyListLeavesEverythingAsItWas()
{
    Quiz quiz({});
    quiz.txtTi.text = "山";
    for (int rnd : {0, 1}) {
        quiz.chkRnd.value = rnd;
        QCOMPARE(quiz.pick(), QStringLiteral("山"));
    }
    QCOMPARE(quiz.list.ListIndex(), -1);
    QCOMPARE(quiz.random.draws, 0);
}

void TestQuiz::failedPickLeavesTheBoxAlone()
{
    Quiz quiz(example);
    quiz.txtTi.text = "山";
    quiz.chkRnd.value = CheckBoxOps::Checked;
    quiz.chkSingle.value = CheckBoxOps::Checked;
    quiz.random.values = {0.9}; // the character draw fails
    QVERIFY_THROWS_EXCEPTION(RuntimeError, quiz.pick());
    QCOMPARE(quiz.txtTi.text, QStringLiteral("山"));
    QCOMPARE(quiz.list.ListIndex(), 4); // already made current before the failure
}

void TestQuiz::aCountThatDisagreesWithTheFlagsNamesTheMissingLesson()
{
    // A list that claims three selected lessons while only one is flagged.
    struct MiscountingList : LessonListModel {
        qint16 SelCount() const override { return 3; }
    } list;
    for (const QString& lesson : example)
        list.AddItem(lesson);
    list.setSelected(1, true);
    FakeCheckBox chkRnd{CheckBoxOps::Checked}, chkSingle{CheckBoxOps::Unchecked};
    FakeTextBox txtTi;
    ScriptedRandom random;
    random.values = {0.99}; // the third selected lesson
    QuizControls controls{list, chkRnd, chkSingle, txtTi, random};
    try {
        cmdTest_Click(controls);
        QFAIL("no failure");
    } catch (const RuntimeError& error) {
        QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("找不到第 3 个选中的课文"));
    }
}

void TestQuiz::clockRandomIsUniformAndReseedsApart()
{
    ClockRandom random;
    // Reseeds in quick succession still start different sequences.
    QSet<double> firsts;
    for (int i = 0; i < 100; ++i) {
        random.reseedFromClock();
        firsts.insert(random.next());
    }
    QCOMPARE(firsts.size(), 100);

    // Over many real picks the two end lessons come up half as often as the inner ones.
    Quiz quiz(example);
    quiz.chkRnd.value = CheckBoxOps::Checked;
    QuizControls real{quiz.list, quiz.chkRnd, quiz.chkSingle, quiz.txtTi, random};
    int counts[5] = {};
    constexpr int picks = 40000;
    for (int i = 0; i < picks; ++i) {
        cmdTest_Click(real);
        ++counts[quiz.list.ListIndex()];
    }
    const double expected[5] = {0.125, 0.25, 0.25, 0.25, 0.125};
    for (int i = 0; i < 5; ++i)
        QVERIFY2(qAbs(double(counts[i]) / picks - expected[i]) < 0.015,
                 qPrintable(QStringLiteral("lesson %1 came up %2 times").arg(i).arg(counts[i])));
}

// 100 000 picks of every kind, with the production random source.
void TestQuiz::manyPicksHoldNoMoreMemory()
{
    LessonListModel list;
    for (int i = 0; i < 500; ++i)
        list.AddItem(QStringLiteral("第%1课：春夏秋冬").arg(i + 1));
    for (int i = 0; i < 500; i += 3)
        list.setSelected(i, true);
    FakeCheckBox chkRnd, chkSingle;
    FakeTextBox txtTi;
    ClockRandom random;
    QuizControls controls{list, chkRnd, chkSingle, txtTi, random};
    const long long growth = heapGrowth(50000, [&](int i) {
        chkRnd.value = i % 2;
        chkSingle.value = (i / 2) % 2;
        cmdTest_Click(controls);
    });
    QVERIFY2(growth < 4096, qPrintable(QString::number(growth)));
}

QTEST_GUILESS_MAIN(TestQuiz)
#include "tst_quiz.moc"
