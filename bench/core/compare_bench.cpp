// compareFrames beside a plain scalar loop and the streaming floor (read two buffers, write one),
// all in the same run on 64-byte aligned buffers, with the ratio to the floor printed at the end.
// Unless told otherwise it repeats every case five times in a random order, each after a warm-up,
// so that no case inherits the cache state of the one before; the ratios come with their spread.
#include "bench/console_options.h"
#include "detect/frame_compare.h"
#include "tests/support/reference_compare.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <random>
#include <span>
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

// Buffers on cache-line boundaries, as the tool's own are.
template <typename T>
struct LineAligned {
    using value_type = T;
    LineAligned() = default;
    template <typename U>
    LineAligned(const LineAligned<U>&) {}
    T* allocate(std::size_t n) {
        return static_cast<T*>(::operator new(n * sizeof(T), std::align_val_t(64)));
    }
    void deallocate(T* p, std::size_t) { ::operator delete(p, std::align_val_t(64)); }
    bool operator==(const LineAligned&) const = default;
};
using Buffer = std::vector<std::int32_t, LineAligned<std::int32_t>>;

// The kernel overwrites its input with the map. Start from the map itself and choose the
// reference so that the map compares to the same map: every call then sees the same pattern.
struct Frames {
    Buffer now, ref;
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
        benchmark::DoNotOptimize(skymra::compareFrames(std::span(f.now.data(), f.now.size()),
                                                       std::span(f.ref.data(), f.ref.size()),
                                                       threshold));
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

// Collects each repetition's time so the ratios can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    using ConsoleReporter::ConsoleReporter;
    std::map<std::string, std::vector<double>> ns;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && !run.error_occurred) {
                ns[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    const std::vector<double>* find(const std::string& name) const {
        const auto it = ns.find(name);
        return it == ns.end() || it->second.empty() ? nullptr : &it->second;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

bool given(int argc, char** argv, const char* flag) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], flag, std::strlen(flag)) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::pair<std::string, double>> patterns = {
        {"0pct", 0.0}, {"1pct", 0.01}, {"50pct", 0.5}, {"100pct", 1.0}};
    const auto add = [](benchmark::internal::Benchmark* b) { b->MinWarmUpTime(0.05); };
    for (const Size& s : Sizes) {
        const auto n = static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height);
        const std::string tag = std::string("/") + s.name;
        add(benchmark::RegisterBenchmark(("floor" + tag).c_str(), BM_Floor, n));
        for (const auto& [label, share] : patterns) {
            add(benchmark::RegisterBenchmark(("compareFrames" + tag + "/" + label).c_str(),
                                             BM_Compare, n, share, DefaultThreshold));
            add(benchmark::RegisterBenchmark(("scalar" + tag + "/" + label).c_str(), BM_Scalar, n,
                                             share));
#ifdef SKYMRA_HAVE_OPENCV
            add(benchmark::RegisterBenchmark(("opencv" + tag + "/" + label).c_str(), BM_OpenCV, s,
                                             share));
#endif
        }
        add(benchmark::RegisterBenchmark(("compareFrames" + tag + "/threshold0").c_str(),
                                         BM_Compare, n, 0.5, 0));
    }
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=5";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    if (!given(argc, argv, "--benchmark_repetitions")) args.push_back(repetitions.data());
    if (!given(argc, argv, "--benchmark_enable_random_interleaving"))
        args.push_back(interleave.data());
    int count = static_cast<int>(args.size());
    RatioReporter reporter(skymra::bench::consoleOptions(count, args.data()));
    benchmark::Initialize(&count, args.data());
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf(
        "\ncompareFrames on %s; median time relative to the median streaming floor of the "
        "same size, with the range over repetitions:\n",
        std::string(skymra::targetName(skymra::activeTarget())).c_str());
    for (const Size& s : Sizes) {
        const std::string tag = std::string("/") + s.name;
        const std::vector<double>* floor = reporter.find("floor" + tag);
        if (floor == nullptr) continue;
        const double base = median(*floor);
        std::printf("  %s (floor %.1f us)\n", s.name, base / 1000.0);
        for (const char* name : {"compareFrames", "scalar", "opencv"}) {
            for (const char* label : {"0pct", "1pct", "50pct", "100pct", "threshold0"}) {
                const std::vector<double>* times =
                    reporter.find(std::string(name) + tag + "/" + label);
                if (times == nullptr) continue;
                const auto [lo, hi] = std::minmax_element(times->begin(), times->end());
                std::printf("    %-14s %-10s %6.2fx  (%.2f-%.2f)\n", name, label,
                            median(*times) / base, *lo / base, *hi / base);
            }
        }
    }
    benchmark::Shutdown();
    return 0;
}
