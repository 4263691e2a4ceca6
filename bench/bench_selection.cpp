// "全选", "不选" and "反选" over a full list shown in the real window.
//   build/bench/bench_selection

#include "fakes.h"
#include "form1.h"
#include "speechfakes.h"
#include "webfakes.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace mulo;

namespace {

QByteArray fullLessonFile()
{
    QByteArray bytes;
    for (int i = 0; i < ListOps::maxCount; ++i)
        bytes += "\xd2\xbb\xb6\xfe\xc8\xfd\xcb\xc4\r\n"; // 一二三四
    return bytes;
}

void selectionCommand(benchmark::State& state)
{
    test::ScriptedRandom random;
    test::FakeAppInfo app;
    test::RecordingMessageBox messageBox;
    test::FakeSpeech speech;
    test::RecordingBrowsers browsers;
    const QByteArray file = fullLessonFile();
    Form1 form({random, app, &messageBox,
                [&](const QString&) {
                    return FileBytes{file, {}};
                },
                speech.factory(), browsers.factory()});
    form.show();
    for (int i = 0; i < ListOps::maxCount; i += 2)
        form.lessons().setSelected(i, true);
    QApplication::processEvents();
    const auto command = qint16(state.range(0));
    for (auto _ : state) {
        form.Option1_Click(command);
        QApplication::processEvents(); // the list repaints what changed
    }
    state.counters["entries"] = form.lessons().ListCount();
}
BENCHMARK(selectionCommand)
    ->ArgName("command")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
