// Start-up with a full lesson file (GBK, UTF-8, or the two mixed line by line), how many
// lines of a mixed file are read in the right encoding, and single picks over a full list.
//   build/bench/bench_lessons

#include "fakes.h"
#include "lessonfile.h"
#include "lessonlistmodel.h"
#include "questionpicking.h"
#include "startup.h"
#include "textcodec.h"

#include <QStringEncoder>
#include <benchmark/benchmark.h>
#include <limits>
#include <random>

using namespace mulo;

namespace {

enum Encodings { Gbk, Utf8, Mixed };

QByteArray encodeLine(const QString& line, bool asGbk)
{
    QStringEncoder gbk("GB18030");
    return asGbk ? QByteArray(gbk(line)) : line.toUtf8();
}

// A file of the given lines in one encoding, or with every other line in the other one.
QByteArray lessonFile(Encodings encodings, int lines = ListOps::maxCount)
{
    const QString characters = QStringLiteral("春夏秋冬东南西北日月星辰山川河流花草树木");
    QByteArray bytes;
    for (int i = 0; i < lines; ++i) {
        QString line;
        for (int k = 0; k < 4; ++k)
            line += characters[(i * 7 + k * 3) % characters.size()];
        bytes += encodeLine(line, encodings == Gbk || (encodings == Mixed && i % 2 == 0));
        bytes += "\r\n";
    }
    return bytes;
}

void loadFullLessonFile(benchmark::State& state)
{
    const QByteArray bytes = lessonFile(Encodings(state.range(0)));
    test::FakeCaption caption;
    test::RecordingMessageBox messageBox;
    test::FakeAppInfo app;
    for (auto _ : state) {
        LessonListModel list;
        StartupContext context{list, caption, messageBox, app, [&](const QString&) {
                                   return FileBytes{bytes, {}};
                               }};
        Form_Load(context);
        benchmark::DoNotOptimize(list.ListCount());
    }
    if (!messageBox.shown.isEmpty())
        state.SkipWithError("start-up failed");
}
BENCHMARK(loadFullLessonFile)
    ->ArgName("gbk0_utf8_1_mixed2")
    ->DenseRange(Gbk, Mixed)
    ->Unit(benchmark::kMillisecond);

// Reading 100,000 lines, each encoding.
void readHundredThousandLines(benchmark::State& state)
{
    const QByteArray bytes = lessonFile(Encodings(state.range(0)), 100000);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseLessonFile(bytes, std::numeric_limits<int>::max()));
}
BENCHMARK(readHundredThousandLines)
    ->ArgName("gbk0_utf8_1_mixed2")
    ->DenseRange(Gbk, Mixed)
    ->Unit(benchmark::kMillisecond);

// Random lessons of four GB2312 characters, each line in GBK or UTF-8 at random, in one
// file: how long reading takes, and the lines read as something else are counted.
void mixedEncodingsReadRight(benchmark::State& state)
{
    const QString common = test::gb2312Characters();
    std::mt19937 random(20261207);
    std::uniform_int_distribution<qsizetype> pick(0, common.size() - 1);
    QStringList lessons;
    QByteArray bytes;
    for (int i = 0; i < state.range(0); ++i) {
        QString line;
        for (int k = 0; k < 4; ++k)
            line += common[pick(random)];
        lessons.append(line);
        bytes += encodeLine(line, random() % 2 == 0) + '\n';
    }
    qint64 wrong = 0;
    for (auto _ : state) {
        const LessonFile file = parseLessonFile(bytes, std::numeric_limits<int>::max());
        wrong = 0;
        for (qsizetype i = 0; i < lessons.size(); ++i)
            wrong += file.entries[i] != lessonEntry(qint32(i + 1), lessons[i]);
    }
    state.counters["characters"] = double(common.size());
    state.counters["lines"] = double(lessons.size());
    state.counters["wrong"] = double(wrong);
}
BENCHMARK(mixedEncodingsReadRight)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

struct Fixed : RandomSource {
    void reseedFromClock() override {}
    double next() override { return 0.73; }
};

// One pick with every lesson selected, by rule: 0 in order, 1 at random; the current
// entry sits in the middle so that in-order walks half the list.
void pickAmongAllSelected(benchmark::State& state)
{
    LessonListModel list;
    for (int i = 0; i < ListOps::maxCount; ++i) {
        list.AddItem(
            QStringLiteral("第%1课：%2").arg(i + 1).arg(i % 10000, 4, 10, QLatin1Char('0')));
        list.setSelected(i, true);
    }
    test::FakeCheckBox rnd{int(state.range(0))}, single{0};
    test::FakeTextBox box;
    Fixed random;
    QuizControls controls{list, rnd, single, box, random};
    for (auto _ : state) {
        state.PauseTiming();
        list.setListIndex(ListOps::maxCount / 2);
        state.ResumeTiming();
        cmdTest_Click(controls);
    }
}
BENCHMARK(pickAmongAllSelected)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The same over all lessons when none is selected.
void pickAmongAll(benchmark::State& state)
{
    LessonListModel list;
    for (int i = 0; i < ListOps::maxCount; ++i)
        list.AddItem(QStringLiteral("第%1课：一二三四").arg(i + 1));
    test::FakeCheckBox rnd{int(state.range(0))}, single{1};
    test::FakeTextBox box;
    Fixed random;
    QuizControls controls{list, rnd, single, box, random};
    for (auto _ : state)
        cmdTest_Click(controls);
}
BENCHMARK(pickAmongAll)->ArgName("random")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
