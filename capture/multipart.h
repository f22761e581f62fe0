#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace skymra {

// The boundary of a multipart content type ("multipart/x-mixed-replace; boundary=frame"), or
// nothing when the type is not multipart or names no boundary.
std::optional<QByteArray> multipartBoundary(const QByteArray& contentType);

// Splits a multipart body, as it arrives in pieces of any size, into its parts: the way network
// cameras send their JPEG frames. Parts with a Content-Length are cut at that length, the rest
// at the next boundary. Memory stays bounded by the largest part.
class MultipartSplitter {
  public:
    struct Part {
        QByteArray contentType;
        QByteArray body;
    };

    // Larger parts are skipped whole (the stream is not trusted to be sane).
    static constexpr qsizetype MaxPartBytes = 32 * 1024 * 1024;

    explicit MultipartSplitter(QByteArray boundary);

    // The parts completed by this piece, in order.
    QList<Part> feed(const QByteArray& data);
    // Parts skipped as too large or as having unreadable headers.
    int skipped() const { return skipped_; }
    // The closing boundary came.
    bool finished() const { return finished_; }

  private:
    enum class State { Boundary, Headers, Body };
    bool step(QList<Part>& out);

    QByteArray delimiter_;
    QByteArray buffer_;
    State state_ = State::Boundary;
    Part part_;
    qsizetype length_ = -1;
    qsizetype skipping_ = 0;  // bytes of an oversized part still to throw away
    int skipped_ = 0;
    bool finished_ = false;
};

}  // namespace skymra
