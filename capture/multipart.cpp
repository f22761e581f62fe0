#include "capture/multipart.h"

namespace skymra {
namespace {

constexpr qsizetype MaxHeaderBytes = 16 * 1024;

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

// Where the headers end (after their blank line) and how long that blank line is, or -1.
qsizetype headerEnd(const QByteArray& buffer, qsizetype& blankLine) {
    const qsizetype crlf = buffer.indexOf("\r\n\r\n");
    const qsizetype lf = buffer.indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf <= lf)) {
        blankLine = 4;
        return crlf;
    }
    blankLine = 2;
    return lf;
}

}  // namespace

std::optional<QByteArray> multipartBoundary(const QByteArray& contentType) {
    if (!contentType.trimmed().toLower().startsWith("multipart/")) return std::nullopt;
    QByteArray boundary = parameter(contentType, "boundary");
    if (boundary.isEmpty()) return std::nullopt;
    return boundary;
}

MultipartSplitter::MultipartSplitter(QByteArray boundary) {
    // Some cameras put the two dashes into the parameter as well; the line then has four.
    if (!boundary.startsWith("--")) boundary.prepend("--");
    delimiter_ = boundary;
}

QList<MultipartSplitter::Part> MultipartSplitter::feed(const QByteArray& data) {
    QList<Part> out;
    if (finished_) return out;
    if (skipping_ > 0) {
        const qsizetype drop = std::min(skipping_, data.size());
        skipping_ -= drop;
        buffer_.append(data.constData() + drop, data.size() - drop);
    } else {
        buffer_.append(data);
    }
    while (!finished_ && step(out)) {
    }
    return out;
}

// One step of the parse; false when it needs more data.
bool MultipartSplitter::step(QList<Part>& out) {
    switch (state_) {
        case State::Boundary: {
            const qsizetype at = buffer_.indexOf(delimiter_);
            if (at < 0) {
                // Keep only what could be the start of a boundary split across pieces.
                if (buffer_.size() > delimiter_.size())
                    buffer_.remove(0, buffer_.size() - delimiter_.size());
                return false;
            }
            const qsizetype after = at + delimiter_.size();
            if (buffer_.size() < after + 2) return false;
            if (buffer_.mid(after, 2) == "--") {
                finished_ = true;
                buffer_.clear();
                return false;
            }
            buffer_.remove(0, after);
            state_ = State::Headers;
            return true;
        }
        case State::Headers: {
            qsizetype blank = 0;
            // The boundary line's own end is the first line ending: headers follow it.
            const qsizetype lineEnd = buffer_.indexOf('\n');
            if (lineEnd < 0) {
                if (buffer_.size() > MaxHeaderBytes) {
                    ++skipped_;
                    buffer_.clear();
                    state_ = State::Boundary;
                }
                return false;
            }
            // A part without headers has its blank line right after the boundary line.
            QByteArray rest = buffer_.mid(lineEnd + 1);
            qsizetype end = -1;
            if (rest.startsWith("\r\n")) {
                end = 0;
                blank = 2;
            } else if (rest.startsWith("\n")) {
                end = 0;
                blank = 1;
            } else {
                end = headerEnd(rest, blank);
            }
            if (end < 0) {
                if (buffer_.size() > MaxHeaderBytes) {  // no sane headers: look for the next part
                    ++skipped_;
                    buffer_.remove(0, lineEnd + 1);
                    state_ = State::Boundary;
                    return true;
                }
                return false;
            }
            part_ = {};
            length_ = -1;
            for (const QByteArray& line : rest.left(end).split('\n')) {
                const qsizetype colon = line.indexOf(':');
                if (colon < 0) continue;
                const QByteArray name = line.left(colon).trimmed().toLower();
                const QByteArray value = line.mid(colon + 1).trimmed();
                if (name == "content-type") part_.contentType = value;
                if (name == "content-length") {
                    bool ok = false;
                    const qlonglong n = value.toLongLong(&ok);
                    if (ok && n >= 0) length_ = static_cast<qsizetype>(n);
                }
            }
            buffer_.remove(0, lineEnd + 1 + end + blank);
            if (length_ > MaxPartBytes) {
                ++skipped_;
                const qsizetype drop = std::min(length_, buffer_.size());
                buffer_.remove(0, drop);
                skipping_ = length_ - drop;
                state_ = State::Boundary;
                return true;
            }
            state_ = State::Body;
            return true;
        }
        case State::Body: {
            if (length_ >= 0) {
                if (buffer_.size() < length_) return false;
                part_.body = buffer_.left(length_);
                buffer_.remove(0, length_);
            } else {
                const qsizetype next = buffer_.indexOf(delimiter_);
                if (next < 0) {
                    if (buffer_.size() > MaxPartBytes) {
                        ++skipped_;
                        buffer_.remove(0, buffer_.size() - delimiter_.size());
                        state_ = State::Boundary;
                        return true;
                    }
                    return false;
                }
                qsizetype cut = next;
                if (cut >= 1 && buffer_[cut - 1] == '\n') --cut;
                if (cut >= 1 && buffer_[cut - 1] == '\r') --cut;
                part_.body = buffer_.left(cut);
                buffer_.remove(0, next);
            }
            out.append(std::move(part_));
            part_ = {};
            state_ = State::Boundary;
            return true;
        }
    }
    return false;
}

}  // namespace skymra
