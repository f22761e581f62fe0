// One whole check (Command1_Click, offscreen) beside its floor measured in the same run: the three
// 307,200-byte copies and compareFrames, on 64-byte aligned buffers. BM_Check runs before the
// window is exposed, so no pixel is painted; BM_CheckPainted repaints the map on an exposed
// window; BM_CheckAlarm raises the alarm each time (the sound muted) and yields.
#include "app/form/program.h"
#include "bench/console_options.h"
#include "detect/frame_compare.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

class Silent : public skymra::AudioPlayer {
  public:
    void play(const QByteArray&) override {}
};

enum class Window { Unexposed, Exposed };

void runChecks(benchmark::State& state, Window window, int sliderValue) {
    Silent player;
    skymra::Program program({&player, [](const QString&) {}});
    skymra::Form1& form = program.window();
    if (window == Window::Exposed && !QTest::qWaitForWindowExposed(&form)) {
        state.SkipWithError("the window was not exposed");
        return;
    }
    form.Slider1->setValue(sliderValue);
    form.Command3_Click();
    form.Command4_Click();
    for (auto _ : state) {
        form.Command1_Click();
        benchmark::ClobberMemory();
    }
}

void BM_Check(benchmark::State& state) { runChecks(state, Window::Unexposed, 50); }
void BM_CheckPainted(benchmark::State& state) { runChecks(state, Window::Exposed, 50); }
// At 0 every pixel is marked and the alarm goes off.
void BM_CheckAlarm(benchmark::State& state) { runChecks(state, Window::Exposed, 0); }

void BM_Floor(benchmark::State& state) {
    alignas(64) static std::array<std::int32_t, 76'800> a{}, b{}, c{}, d{}, e{};
    for (auto _ : state) {
        std::memcpy(a.data(), c.data(), sizeof a);
        std::memcpy(b.data(), d.data(), sizeof b);
        benchmark::DoNotOptimize(skymra::compareFrames(a, b, 2'500'000));
        std::memcpy(e.data(), a.data(), sizeof e);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_Floor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Check)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckPainted)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CheckAlarm)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's median (or only) time for the ratios printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    using ConsoleReporter::ConsoleReporter;
    std::map<std::string, double> us;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred ||
                !(median || (run.run_type == Run::RT_Iteration && run.repetitions <= 1)))
                continue;
            us[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    skymra::installFontSubstitutes();
    RatioReporter reporter(skymra::bench::consoleOptions(argc, argv));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (const auto floor = reporter.us.find("BM_Floor"); floor != reporter.us.end()) {
        std::printf("\nwhole check relative to its floor (%.1f us):", floor->second);
        for (const char* name : {"BM_Check", "BM_CheckPainted", "BM_CheckAlarm"}) {
            if (const auto it = reporter.us.find(name); it != reporter.us.end())
                std::printf("  %s %.2fx", name + 3, it->second / floor->second);
        }
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}
