#include "stream/multipart.h"

#include <algorithm>
#include <cstring>

namespace skymra {
namespace {

QByteArray parameter(const QByteArray& contentType, const QByteArray& name) {
    for (const QByteArray& piece : contentType.split(';')) {
        const QByteArray p = piece.trimmed();
        const qsizetype eq = p.indexOf('=');
        if (eq < 0 || p.left(eq).trimmed().toLower() != name) continue;
        QByteArray value = p.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return {};
}

}  // namespace

SniffedMultipart sniffMultipart(const QByteArray& head) {
    const QByteArray h = head.left(SniffBytes);
    // A need for more is an answer only while there can be more.
    const SniffedMultipart more{
        h.size() < SniffBytes ? SniffedMultipart::NeedMore : SniffedMultipart::No, {}};
    qsizetype at = 0;
    while (at < h.size() && (h[at] == '\r' || h[at] == '\n')) ++at;
    if (h.size() - at < 2) return more;
    if (h[at] != '-' || h[at + 1] != '-') return {SniffedMultipart::No, {}};
    const qsizetype eol = h.indexOf('\n', at);
    if (eol < 0) return h.size() - at > 2 + 72 ? SniffedMultipart{SniffedMultipart::No, {}} : more;
    QByteArray boundary = h.mid(at + 2, eol - at - 2);
    if (boundary.endsWith('\r')) boundary.chop(1);
    // RFC 2046: 1 to 70 characters of a small set, no blank at the end.
    static constexpr char extra[] = "'()+_,-./:=? ";
    const bool valid = !boundary.isEmpty() && boundary.size() <= 70 && !boundary.endsWith(' ') &&
                       std::all_of(boundary.begin(), boundary.end(), [](char c) {
                           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
                                  (c >= 'A' && c <= 'Z') || std::strchr(extra, c) != nullptr;
                       });
    if (!valid) return {SniffedMultipart::No, {}};
    // Then the first part's headers, up to their blank line: one says it is a JPEG picture.
    qsizetype line = eol + 1;
    while (true) {
        const qsizetype end = h.indexOf('\n', line);
        if (end < 0) return more;
        const QByteArray header = h.mid(line, end - line).trimmed();
        if (header.isEmpty()) return {SniffedMultipart::No, {}};
        const qsizetype colon = header.indexOf(':');
        if (colon <= 0) return {SniffedMultipart::No, {}};
        if (header.left(colon).trimmed().toLower() == "content-type" &&
            header.mid(colon + 1).trimmed().toLower().startsWith("image/jpeg"))
            return {SniffedMultipart::Yes, boundary};
        line = end + 1;
    }
}

std::optional<QByteArray> multipartBoundary(const QByteArray& contentType) {
    if (!contentType.trimmed().toLower().startsWith("multipart/")) return std::nullopt;
    QByteArray boundary = parameter(contentType, "boundary");
    if (boundary.isEmpty()) return std::nullopt;
    return boundary;
}

MultipartSplitter::MultipartSplitter(QByteArray boundary, Limits limits) : limits_(limits) {
    // Some cameras put the two dashes into the parameter as well; the line then has four.
    if (!boundary.startsWith("--")) boundary.prepend("--");
    delimiter_ = boundary;
}

void MultipartSplitter::compact() {
    // Moves fewer bytes than were consumed since the last move: linear over the whole stream.
    if (pos_ == 0 || pos_ < buffer_.size() - pos_) return;
    buffer_.remove(0, pos_);
    scan_ -= pos_;
    headerStart_ -= pos_;
    lineStart_ -= pos_;
    pos_ = 0;
    // After a large part, give its memory back rather than hold it for the stream's life.
    if (buffer_.capacity() > 1024 * 1024 && buffer_.capacity() > 4 * buffer_.size())
        buffer_.squeeze();
}

QList<MultipartSplitter::Part> MultipartSplitter::feed(QByteArrayView data) {
    QList<Part> out;
    if (finished_) return out;
    qsizetype from = 0;
    if (skipping_ > 0) {  // nothing else is held while a part is skipped
        from = std::min(skipping_, data.size());
        skipping_ -= from;
    }
    compact();
    buffer_.append(data.constData() + from, data.size() - from);
    while (!finished_ && step(out)) {
    }
    return out;
}

void MultipartSplitter::skipPart(qsizetype resumeAt) {
    ++skipped_;
    pos_ = std::max(pos_, resumeAt);
    scan_ = pos_;
    state_ = State::Boundary;
}

// One step of the parse; false when it needs more data.
bool MultipartSplitter::step(QList<Part>& out) {
    switch (state_) {
        case State::Boundary:
            return findBoundary();
        case State::Headers:
            return readHeaders();
        case State::Body:
            return readBody(out);
    }
    return false;
}

bool MultipartSplitter::findBoundary() {
    const qsizetype d = delimiter_.size();
    const qsizetype at = buffer_.indexOf(delimiter_, std::max(scan_, pos_));
    if (at < 0) {
        // Keep only what could be the start of a boundary split across pieces.
        pos_ = std::max(pos_, buffer_.size() - d + 1);
        scan_ = pos_;
        return false;
    }
    pos_ = scan_ = at;
    if (buffer_.size() < at + d + 2) return false;
    if (buffer_[at + d] == '-' && buffer_[at + d + 1] == '-') {
        finished_ = true;
        buffer_.clear();
        pos_ = scan_ = 0;
        return false;
    }
    headerStart_ = lineStart_ = scan_ = pos_ = at + d;
    boundaryLineDone_ = false;
    part_ = {};
    length_ = -1;
    state_ = State::Headers;
    return true;
}

bool MultipartSplitter::readHeaders() {
    const qsizetype limit = headerStart_ + limits_.headerBytes;
    // Headers that run past the limit: the part is skipped, and the next boundary is looked for
    // from the limit on, at the same place however the bytes came.
    const auto tooLong = [&] {
        skipPart(std::max(headerStart_, limit - delimiter_.size() + 1));
        return true;
    };
    for (;;) {
        const qsizetype end = buffer_.indexOf('\n', scan_);
        if (end < 0 || end >= limit) {
            scan_ = buffer_.size();
            if (buffer_.size() > limit) return tooLong();
            return false;
        }
        scan_ = end + 1;
        qsizetype lineEnd = end;
        if (lineEnd > lineStart_ && buffer_[lineEnd - 1] == '\r') --lineEnd;
        // Looked at in place: a flood of tiny parts costs no memory per header.
        const QByteArrayView line(buffer_.constData() + lineStart_, lineEnd - lineStart_);
        lineStart_ = scan_;
        if (!boundaryLineDone_) {  // the rest of the boundary's own line
            boundaryLineDone_ = true;
            continue;
        }
        if (line.isEmpty()) break;
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) continue;
        const QByteArrayView name = line.first(colon).trimmed();
        const QByteArrayView value = line.sliced(colon + 1).trimmed();
        const auto is = [&](QByteArrayView n) { return name.compare(n, Qt::CaseInsensitive) == 0; };
        if (is("content-type")) part_.contentType = value.toByteArray();
        if (is("content-length")) {
            bool ok = false;
            const qlonglong n = value.toLongLong(&ok);
            length_ = ok && n >= 0 ? static_cast<qsizetype>(n) : -1;
        }
    }
    pos_ = scan_;
    if (length_ > limits_.partBytes) {
        ++skipped_;
        const qsizetype drop = std::min(length_, buffer_.size() - pos_);
        pos_ += drop;
        scan_ = pos_;
        skipping_ = length_ - drop;
        state_ = State::Boundary;
        return skipping_ == 0;
    }
    state_ = State::Body;
    return true;
}

bool MultipartSplitter::readBody(QList<Part>& out) {
    const qsizetype d = delimiter_.size();
    if (length_ >= 0) {
        if (buffer_.size() - pos_ < length_) return false;
        part_.body = buffer_.mid(pos_, length_);
        pos_ += length_;
    } else {
        const qsizetype next = buffer_.indexOf(delimiter_, std::max(scan_, pos_));
        if (next < 0) {
            scan_ = std::max(pos_, buffer_.size() - d + 1);
            // Whatever boundary comes later, the body before it is already too long.
            if (buffer_.size() - pos_ > limits_.partBytes + d + 1) {
                skipPart(scan_);
                return true;
            }
            return false;
        }
        qsizetype cut = next;
        if (cut > pos_ && buffer_[cut - 1] == '\n') --cut;
        if (cut > pos_ && buffer_[cut - 1] == '\r') --cut;
        if (cut - pos_ > limits_.partBytes) {
            skipPart(next);
            return true;
        }
        part_.body = buffer_.mid(pos_, cut - pos_);
        pos_ = next;
    }
    scan_ = pos_;
    out.append(std::move(part_));
    part_ = {};
    state_ = State::Boundary;
    return true;
}

}  // namespace skymra
