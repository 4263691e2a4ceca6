// How long a child waits between pressing "答案" and hearing the first sound: from the
// start of Speak to the moment the samples reach the output, for the very first answer of
// the process (its reading tables not yet touched) and for later ones; and how long the
// readings of a lesson take to decide.

#include "answer.h"
#include "espeakengine.h"
#include "readings.h"

#include <benchmark/benchmark.h>
#include <chrono>

using namespace mulo::speech;

namespace {

struct TimingStream : OutputStream {
    std::chrono::steady_clock::time_point reached;
    void play(std::span<const std::int16_t> samples, int) override
    {
        reached = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(samples.data());
    }
};

void speakToFirstSamples(benchmark::State& state)
{
    auto stream = std::make_shared<TimingStream>();
    std::unique_ptr<SpVoice> voice;
    setUpVoice(voice, [&] { return std::make_unique<SpVoice>(EspeakEngine::open(), stream); });
    const QString question = QStringLiteral("长大成人");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        voice->Speak(question, SVSFDefault);
        state.SetIterationTime(std::chrono::duration<double>(stream->reached - start).count());
    }
}
// The first run is the process's very first answer: registered first, it runs before
// anything else has touched the reading tables.
BENCHMARK(speakToFirstSamples)
    ->Name("firstAnswerToFirstSamples")
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(speakToFirstSamples)->UseManualTime()->Unit(benchmark::kMillisecond);

void readingsOfALesson(benchmark::State& state)
{
    const QString lesson = QStringLiteral("一心一意");
    for (auto _ : state)
        benchmark::DoNotOptimize(voicePinyin(lesson));
}
BENCHMARK(readingsOfALesson)->Unit(benchmark::kMicrosecond);

// A character asked alone, read in its lesson: what an answer adds to the voice's own work.
void readingOfACharacterInItsLesson(benchmark::State& state)
{
    const QString lesson = QStringLiteral("银行门口");
    for (auto _ : state)
        benchmark::DoNotOptimize(readingInLesson(lesson, 1));
}
BENCHMARK(readingOfACharacterInItsLesson)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
