// Arbitrary bytes, cut into pieces three ways: the splitter must give the same parts, the same
// skips and the same end for every cutting, hold no more than its limits allow, and stay linear:
// an input may ask for a long tail that makes any quadratic rescan blow the time budget.
#include "stream/multipart.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace {

using skymra::MultipartSplitter;

struct Outcome {
    QList<MultipartSplitter::Part> parts;
    int skipped = 0;
    bool finished = false;
};

bool operator==(const Outcome& a, const Outcome& b) {
    if (a.parts.size() != b.parts.size() || a.skipped != b.skipped || a.finished != b.finished)
        return false;
    for (qsizetype i = 0; i < a.parts.size(); ++i) {
        if (a.parts[i].body != b.parts[i].body || a.parts[i].contentType != b.parts[i].contentType)
            return false;
    }
    return true;
}

template <typename NextPiece>
Outcome split(const QByteArray& boundary, MultipartSplitter::Limits limits, const QByteArray& body,
              NextPiece next) {
    MultipartSplitter splitter(boundary, limits);
    Outcome o;
    // What may be held: a part, its headers, a boundary, line ends and the piece itself.
    const qsizetype bound = limits.partBytes + limits.headerBytes + 2 * boundary.size() + 8;
    for (qsizetype at = 0; at < body.size();) {
        const qsizetype n = std::min(next(), body.size() - at);
        for (auto& p : splitter.feed(body.mid(at, n))) {
            if (p.body.size() > limits.partBytes) std::abort();
            o.parts.append(std::move(p));
        }
        if (splitter.held() > bound + n) std::abort();
        at += n;
    }
    o.skipped = splitter.skipped();
    o.finished = splitter.finished();
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::uint8_t mode = data[0];
    const std::size_t boundaryLength = 1 + data[1] % 8;
    if (size < 2 + boundaryLength) return 0;
    const QByteArray boundary(reinterpret_cast<const char*>(data + 2),
                              static_cast<qsizetype>(boundaryLength));
    QByteArray body(reinterpret_cast<const char*>(data + 2 + boundaryLength),
                    static_cast<qsizetype>(size - 2 - boundaryLength));
    const MultipartSplitter::Limits limits =
        mode & 1 ? MultipartSplitter::Limits{64, 32} : MultipartSplitter::Limits{1 << 20, 1 << 14};
    // A long tail of the last byte: one endless line, header or body.
    if (mode & 2 && !body.isEmpty()) body.append(QByteArray(128 * 1024, body.back()));

    const auto started = std::chrono::steady_clock::now();
    const Outcome whole = split(boundary, limits, body, [&] { return body.size(); });
    const Outcome bytes = split(boundary, limits, body, [] { return qsizetype{1}; });
    std::size_t i = 0;
    const Outcome varied =
        split(boundary, limits, body, [&] { return qsizetype{1} + data[i++ % size] % 97; });
    if (!(whole == bytes) || !(whole == varied)) std::abort();
    if (std::chrono::steady_clock::now() - started > std::chrono::seconds(3)) std::abort();
    return 0;
}
