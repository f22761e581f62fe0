// One whole check (Command1_Click, offscreen, up to the repainted map) beside its floor measured
// in the same run: the three 307,200-byte copies and compareFrames.
#include "app/form/form1.h"
#include "detect/frame_compare.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>

namespace {

class Silent : public skymra::AudioPlayer {
  public:
    void play(const QString&) override {}
};

void BM_Check(benchmark::State& state) {
    skymra::SystemClipboard clipboard;
    skymra::SystemCatalog catalog;
    Silent player;
    skymra::AlarmSound sound(player);
    skymra::Form1 form({clipboard, catalog, sound, [](const QString&) {}});
    form.show();
    form.Command3_Click();
    form.Command4_Click();
    for (auto _ : state) {
        form.Command1_Click();
        benchmark::ClobberMemory();
    }
}

void BM_Floor(benchmark::State& state) {
    static std::array<std::int32_t, 76'800> a{}, b{}, c{}, d{}, e{};
    for (auto _ : state) {
        std::memcpy(a.data(), c.data(), 307'200);
        std::memcpy(b.data(), d.data(), 307'200);
        benchmark::DoNotOptimize(skymra::compareFrames(a, b, 2'500'000));
        std::memcpy(e.data(), a.data(), 307'200);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_Floor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Check)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    skymra::installFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
