// compareFrames beside a plain scalar loop and the streaming floor (read two buffers, write one),
// all in the same run, with the ratio to the floor printed at the end.
#include "detect/frame_compare.h"
#include "tests/support/reference_compare.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifdef SKYMRA_HAVE_OPENCV
#include <opencv2/core.hpp>
#endif

namespace {

constexpr std::int32_t DefaultThreshold = 2'500'000;

struct Size {
    const char* name;
    int width, height;
};
constexpr Size Sizes[] = {{"320x240", 320, 240},
                          {"640x480", 640, 480},
                          {"1920x1080", 1920, 1080},
                          {"3840x2160", 3840, 2160}};

// The kernel overwrites its input with the map. Start from the map itself and choose the
// reference so that the map compares to the same map: every call then sees the same pattern.
struct Frames {
    std::vector<std::int32_t> now, ref;
    Frames(std::size_t n, double changed) : now(n, 0), ref(n, 0) {
        std::mt19937 rng(42);
        std::bernoulli_distribution marked(changed);
        for (std::size_t i = 0; i < n; ++i) {
            if (marked(rng)) {
                now[i] = skymra::MarkColor;
                ref[i] = skymra::MarkColor - 0x00400000;  // 64 levels of red apart
            }
        }
    }
};

void setBytes(benchmark::State& state, std::size_t n) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n * 3 * 4));
}

// Built for the widest vector unit too, so the floor is as fast as a stream can be here.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target_clones("avx512f", "avx2", "default")))
#endif
void streamFloor(std::int32_t* __restrict out, const std::int32_t* __restrict in, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] ^= in[i];
}

void BM_Floor(benchmark::State& state, std::size_t n) {
    Frames f(n, 0.5);
    for (auto _ : state) {
        streamFloor(f.now.data(), f.ref.data(), n);
        benchmark::DoNotOptimize(f.now.data());
        benchmark::ClobberMemory();
    }
    setBytes(state, n);
}

void BM_Compare(benchmark::State& state, std::size_t n, double changed, std::int32_t threshold) {
    Frames f(n, changed);
    for (auto _ : state) {
        benchmark::DoNotOptimize(skymra::compareFrames(f.now, f.ref, threshold));
        benchmark::ClobberMemory();
    }
    setBytes(state, n);
}

void BM_Scalar(benchmark::State& state, std::size_t n, double changed) {
    Frames f(n, changed);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            skymra::reference::compareFrames(f.now.data(), f.ref.data(), n, DefaultThreshold));
        benchmark::ClobberMemory();
    }
    setBytes(state, n);
}

#ifdef SKYMRA_HAVE_OPENCV
void BM_OpenCV(benchmark::State& state, const Size& s, double changed) {
    Frames f(static_cast<std::size_t>(s.width) * s.height, changed);
    cv::Mat now(s.height, s.width, CV_32S, f.now.data()),
        ref(s.height, s.width, CV_32S, f.ref.data());
    cv::Mat diff, mask;
    for (auto _ : state) {
        cv::subtract(now, ref, diff);
        diff = cv::abs(diff);
        cv::compare(diff, DefaultThreshold, mask, cv::CMP_GE);
        const int marked = cv::countNonZero(mask);
        now.setTo(0);
        now.setTo(skymra::MarkColor, mask);
        benchmark::DoNotOptimize(marked);
    }
    setBytes(state, f.now.size());
}
#endif

// Collects each run's time so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> nsPerIteration;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
                nsPerIteration[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::pair<std::string, double>> patterns = {{"1pct", 0.01}, {"50pct", 0.5}};
    for (const Size& s : Sizes) {
        const auto n = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
        const std::string tag = std::string("/") + s.name;
        benchmark::RegisterBenchmark(("floor" + tag).c_str(), BM_Floor, n);
        for (const auto& [label, share] : patterns) {
            benchmark::RegisterBenchmark(("compareFrames" + tag + "/" + label).c_str(), BM_Compare,
                                         n, share, DefaultThreshold);
            benchmark::RegisterBenchmark(("scalar" + tag + "/" + label).c_str(), BM_Scalar, n,
                                         share);
#ifdef SKYMRA_HAVE_OPENCV
            benchmark::RegisterBenchmark(("opencv" + tag + "/" + label).c_str(), BM_OpenCV, s,
                                         share);
#endif
        }
        benchmark::RegisterBenchmark(("compareFrames" + tag + "/threshold0").c_str(), BM_Compare, n,
                                     0.5, 0);
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\ncompareFrames on %s; time relative to the streaming floor of the same size:\n",
                std::string(skymra::targetName(skymra::activeTarget())).c_str());
    for (const Size& s : Sizes) {
        const std::string tag = std::string("/") + s.name;
        const auto floor = reporter.nsPerIteration.find("floor" + tag);
        if (floor == reporter.nsPerIteration.end()) continue;
        std::printf("  %-10s floor %10.1f us", s.name, floor->second / 1000.0);
        for (const char* name : {"compareFrames", "scalar", "opencv"}) {
            for (const char* label : {"1pct", "50pct", "threshold0"}) {
                const auto it = reporter.nsPerIteration.find(std::string(name) + tag + "/" + label);
                if (it != reporter.nsPerIteration.end()) {
                    std::printf("  %s/%s %.2fx", name, label, it->second / floor->second);
                }
            }
        }
        std::printf("\n");
    }
    benchmark::Shutdown();
    return 0;
}
