// The 4:2:0 conversion the preview runs on every decoded picture it shows, per size and shrink
// factor, beside memcpy of the bytes it reads, timed in turns in the same loop: the ratio holds
// on a machine whose speed drifts.
#include "camera/yuv.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Case {
    const char* name;
    std::size_t width, height;  // the decoder's picture
    std::size_t shown;          // the middle columns converted (4:3 of a wide picture)
    std::size_t shrink;
    std::size_t uvStep;
};
constexpr Case Cases[] = {
    {"320x240_I420_1", 320, 240, 320, 1, 1},      {"640x480_I420_2", 640, 480, 640, 2, 1},
    {"640x480_NV12_2", 640, 480, 640, 2, 2},      {"1280x720_I420_3", 1280, 720, 960, 3, 1},
    {"1280x720_NV12_3", 1280, 720, 960, 3, 2},    {"1920x1080_I420_4", 1920, 1080, 1440, 4, 1},
    {"2560x1440_I420_6", 2560, 1440, 1920, 6, 1},
};

void BM_Convert(benchmark::State& state, const Case& c) {
    // Noise, so that no branch or clamp is predictable.
    std::mt19937 rng(7);
    const auto bytes = [&rng](std::size_t n) {
        std::vector<std::uint8_t> v(n);
        for (auto& b : v) b = static_cast<std::uint8_t>(rng());
        return v;
    };
    const std::size_t cw = c.width / 2, ch = c.height / 2, left = (c.width - c.shown) / 2;
    const std::vector<std::uint8_t> y = bytes(c.width * c.height);
    // I420: u and v apart; NV12: both in u, interleaved.
    const std::vector<std::uint8_t> u = bytes(cw * ch * c.uvStep),
                                    v = bytes(c.uvStep == 1 ? cw * ch : 0);
    skymra::Yuv420 in;
    in.y = std::span(y).subspan(left);
    in.yStride = c.width;
    in.u = std::span(u).subspan(left / 2 * c.uvStep);
    in.v = c.uvStep == 2 ? std::span(u).subspan(left / 2 * c.uvStep + 1)
                         : std::span(v).subspan(left / 2);
    in.uvStride = cw * c.uvStep;
    in.uvStep = c.uvStep;
    std::vector<std::uint32_t> out(c.shown / c.shrink * (c.height / c.shrink));
    // What the conversion reads: the shown lumas and their colour.
    const std::size_t read = c.shown * c.height + c.shown * c.height / 2;
    const std::vector<std::uint8_t> from = bytes(read);
    std::vector<std::uint8_t> to(read);

    using Clock = std::chrono::steady_clock;
    double converting = 0, copying = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const bool ok =
            skymra::convertYuv420(in, skymra::YuvMatrix::Bt601, skymra::YuvRange::Limited, c.shown,
                                  c.height, c.shrink, out);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
        const auto t1 = Clock::now();
        std::memcpy(to.data(), from.data(), read);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        if (!ok) {
            state.SkipWithError("the conversion refused its input");
            return;
        }
        const double conversion = std::chrono::duration<double>(t1 - t0).count();
        converting += conversion;
        copying += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(conversion);
    }
    state.counters["memcpy_us"] =
        benchmark::Counter(copying * 1e6 / static_cast<double>(state.iterations()));
    state.counters["x_memcpy"] = benchmark::Counter(copying > 0 ? converting / copying : 0);
}

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : Cases)
        benchmark::RegisterBenchmark((std::string("convertYuv420/") + c.name).c_str(), BM_Convert,
                                     c)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
