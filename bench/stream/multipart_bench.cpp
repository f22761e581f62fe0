// The multipart splitter on the streams a network camera sends, 256 KB at a time as the http
// reader hands them on, timed in turns with memcpy of the same bytes in the same loop: the ratio
// holds on a machine whose speed drifts. A flood of tiny parts is the case where work per part,
// not per byte, shows.
#include "stream/multipart.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

constexpr qsizetype Piece = 256 * 1024;

QByteArray part(const QByteArray& body, const char* type, bool length) {
    QByteArray out = QByteArray("--b\r\nContent-Type: ") + type + "\r\n";
    if (length) out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    return out + "\r\n" + body + "\r\n";
}

// Whole parts up to about a piece, so that the piece fed again and again is one endless stream.
QByteArray piece(const QByteArray& onePart) {
    QByteArray out;
    while (out.size() + onePart.size() <= Piece) out += onePart;
    return out;
}

QByteArray picture() {
    QByteArray jpeg(30 * 1024, 'j');
    jpeg[0] = '\xff';
    jpeg[1] = '\xd8';
    return jpeg;
}

void run(benchmark::State& state, const QByteArray& first, const QByteArray& each,
         qsizetype warmUp) {
    skymra::MultipartSplitter splitter("b");
    splitter.feed(first);
    for (qsizetype fed = 0; fed < warmUp; fed += each.size()) splitter.feed(each);
    QByteArray to(each.size(), '\0');
    using Clock = std::chrono::steady_clock;
    double splitting = 0, copying = 0;
    qsizetype parts = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const auto out = splitter.feed(each);
        benchmark::DoNotOptimize(out.constData());
        const auto t1 = Clock::now();
        std::memcpy(to.data(), each.constData(), static_cast<std::size_t>(each.size()));
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        parts += out.size();
        const double split = std::chrono::duration<double>(t1 - t0).count();
        splitting += split;
        copying += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(split);
    }
    if (splitter.finished()) state.SkipWithError("the stream ended");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * each.size());
    state.counters["parts_per_piece"] =
        benchmark::Counter(static_cast<double>(parts) / static_cast<double>(state.iterations()));
    state.counters["x_memcpy"] = benchmark::Counter(copying > 0 ? splitting / copying : 0);
}

void BM_TinyParts(benchmark::State& state) {
    run(state, {}, piece(part("12345678", "text/plain", true)), 0);
}
void BM_Pictures(benchmark::State& state) {
    run(state, {}, piece(part(picture(), "image/jpeg", true)), 0);
}
void BM_PicturesWithoutLength(benchmark::State& state) {
    run(state, {}, piece(part(picture(), "image/jpeg", false)), 0);
}
// Past the largest allowed part, which is skipped: from then on a boundary is looked for.
void BM_EndlessPart(benchmark::State& state) {
    run(state, "--b\r\nContent-Type: image/jpeg\r\n\r\n", QByteArray(Piece, 'x'),
        skymra::MultipartLimits{}.partBytes + 2 * Piece);
}

BENCHMARK(BM_TinyParts)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Pictures)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PicturesWithoutLength)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EndlessPart)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
