#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

namespace skymra {

// The boundary of a multipart content type ("multipart/x-mixed-replace; boundary=frame"), or
// nothing when the type is not multipart or names no boundary.
std::optional<QByteArray> multipartBoundary(const QByteArray& contentType);

// What the first bytes of a body that says nothing of its type tell: that it is a multipart
// stream of JPEG pictures after all, and its boundary (ffmpeg's server and some cheap cameras
// label one "application/octet-stream"); that it is not; or that more bytes are needed. Only the
// first SniffBytes are looked at.
struct SniffedMultipart {
    enum Verdict { NeedMore, No, Yes } verdict = NeedMore;
    QByteArray boundary;
};
inline constexpr qsizetype SniffBytes = 4096;
SniffedMultipart sniffMultipart(const QByteArray& head);

struct MultipartLimits {
    // Larger parts are skipped whole: far beyond any camera's picture, even at 8K.
    qsizetype partBytes = 16 * 1024 * 1024;
    qsizetype headerBytes = 16 * 1024;  // so are parts with longer headers
};

// Splits a multipart body, as it arrives in pieces of any size, into its parts: the way network
// cameras send their JPEG frames. Parts with a Content-Length are cut at that length, the rest
// at the next boundary. The bytes are not trusted: each is looked at a bounded number of times
// however the body is cut into pieces, and no more than the largest allowed part, its headers,
// a boundary and the piece being fed is ever held.
class MultipartSplitter {
  public:
    struct Part {
        QByteArray contentType;
        QByteArray body;
    };
    using Limits = MultipartLimits;

    explicit MultipartSplitter(QByteArray boundary, Limits limits = {});

    // The parts completed by this piece, in order.
    QList<Part> feed(QByteArrayView data);
    // Parts skipped as too large or as having unreadable headers.
    int skipped() const { return skipped_; }
    // The closing boundary came.
    bool finished() const { return finished_; }
    // Bytes held back for a part not yet complete.
    qsizetype held() const { return buffer_.size() - pos_; }

  private:
    enum class State { Boundary, Headers, Body };
    bool step(QList<Part>& out);
    bool findBoundary();
    bool readHeaders();
    bool readBody(QList<Part>& out);
    void skipPart(qsizetype resumeAt);
    void compact();

    QByteArray delimiter_;
    Limits limits_;
    QByteArray buffer_;
    qsizetype pos_ = 0;   // where the unread bytes start
    qsizetype scan_ = 0;  // where the next search starts: nothing before it needs looking at again
    State state_ = State::Boundary;
    qsizetype headerStart_ = 0;
    qsizetype lineStart_ = 0;
    bool boundaryLineDone_ = false;
    Part part_;
    qsizetype length_ = -1;
    qsizetype skipping_ = 0;  // bytes of an oversized part still to throw away
    int skipped_ = 0;
    bool finished_ = false;
};

}  // namespace skymra
