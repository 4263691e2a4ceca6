// Start-up with a full lesson file, and single picks over a full list.
//   build/bench/bench_lessons

#include "fakes.h"
#include "lessonlistmodel.h"
#include "quiz/questionpicking.h"
#include "startup.h"

#include <QStringEncoder>
#include <benchmark/benchmark.h>

using namespace mulo;

namespace {

QByteArray fullLessonFile()
{
    const QString characters = QStringLiteral("春夏秋冬东南西北日月星辰山川河流花草树木");
    QString text;
    for (int i = 0; i < ListOps::maxCount; ++i) {
        for (int k = 0; k < 4; ++k)
            text += characters[(i * 7 + k * 3) % characters.size()];
        text += QStringLiteral("\r\n");
    }
    QStringEncoder gbk("GB18030");
    return gbk(text);
}

void loadFullLessonFile(benchmark::State& state)
{
    const QByteArray bytes = fullLessonFile();
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
BENCHMARK(loadFullLessonFile)->Unit(benchmark::kMillisecond);

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
