#include "stream/http_get.h"

#include "stream/stream_log.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QSslSocket>

namespace skymra {
namespace {

constexpr qsizetype MaxChunkLine = 1024;
constexpr qint64 ReadPiece = 64 * 1024;

// The parameters of an authentication challenge: realm="x", nonce="y", qop="auth", ...
QHash<QByteArray, QByteArray> challengeParameters(QByteArrayView text) {
    QHash<QByteArray, QByteArray> out;
    qsizetype i = 0;
    const auto skip = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == ',' || text[i] == '\t')) ++i;
    };
    while (true) {
        skip();
        const qsizetype nameStart = i;
        while (i < text.size() && text[i] != '=' && text[i] != ',') ++i;
        if (i >= text.size() || text[i] != '=') break;
        const QByteArray name = text.sliced(nameStart, i - nameStart).trimmed().toByteArray();
        ++i;
        QByteArray value;
        if (i < text.size() && text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) ++i;
                value += text[i];
            }
            ++i;
        } else {
            const qsizetype start = i;
            while (i < text.size() && text[i] != ',') ++i;
            value = text.sliced(start, i - start).trimmed().toByteArray();
        }
        out.insert(name.toLower(), value);
    }
    return out;
}

QByteArray md5Hex(const QByteArray& text) {
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

// The Authorization line that answers `challenges` (the WWW-Authenticate values) with the
// address's login, Digest where offered, else Basic; empty where neither is.
QByteArray answerTo(const QList<QByteArray>& challenges, const QUrl& url) {
    const QByteArray user = url.userName(QUrl::FullyDecoded).toUtf8();
    const QByteArray password = url.password(QUrl::FullyDecoded).toUtf8();
    for (const QByteArray& challenge : challenges) {
        if (!challenge.toLower().startsWith("digest ")) continue;
        const auto p = challengeParameters(QByteArrayView(challenge).sliced(7));
        const QByteArray algorithm = p.value("algorithm", "MD5").toUpper();
        if (algorithm != "MD5" || !p.contains("nonce")) continue;
        const QByteArray uri =
            url.path(QUrl::FullyEncoded).toUtf8() +
            (url.hasQuery() ? "?" + url.query(QUrl::FullyEncoded).toUtf8() : QByteArray());
        const QByteArray path = uri.isEmpty() ? QByteArray("/") : uri;
        const QByteArray ha1 = md5Hex(user + ':' + p.value("realm") + ':' + password);
        const QByteArray ha2 = md5Hex("GET:" + path);
        QByteArray line = "Digest username=\"" + user + "\", realm=\"" + p.value("realm") +
                          "\", nonce=\"" + p.value("nonce") + "\", uri=\"" + path + "\"";
        const bool qopAuth = p.value("qop").split(',').contains("auth");
        if (qopAuth) {
            const QByteArray cnonce =
                QByteArray::number(QRandomGenerator::global()->generate64(), 16);
            line += ", qop=auth, nc=00000001, cnonce=\"" + cnonce + "\", response=\"" +
                    md5Hex(ha1 + ':' + p.value("nonce") + ":00000001:" + cnonce + ":auth:" + ha2) +
                    "\"";
        } else {
            line += ", response=\"" + md5Hex(ha1 + ':' + p.value("nonce") + ':' + ha2) + "\"";
        }
        if (p.contains("opaque")) line += ", opaque=\"" + p.value("opaque") + "\"";
        return line;
    }
    for (const QByteArray& challenge : challenges) {
        if (challenge.toLower().startsWith("basic"))
            return "Basic " + (user + ':' + password).toBase64();
    }
    return {};
}

}  // namespace

HttpGet::HttpGet(QUrl url, int idleMs, QObject* parent)
    : QObject(parent), url_(std::move(url)), idleMs_(idleMs), piece_(ReadPiece, Qt::Uninitialized) {
    idle_.setSingleShot(true);
    connect(&idle_, &QTimer::timeout, this, [this] {
        fail(status_ >= 200 ? StreamFailure::Kind::Broken : StreamFailure::Kind::NoContact);
    });
}

void HttpGet::start() { connectTo(url_); }

HttpGet::~HttpGet() { close(); }

void HttpGet::abort() {
    stage_ = Stage::Done;
    close();
}

void HttpGet::close() {
    idle_.stop();
    if (!socket_) return;
    socket_->disconnect(this);
    socket_->abort();  // the descriptor is closed here, not later
    socket_.release()->deleteLater();
}

void HttpGet::connectTo(const QUrl& url) {
    close();
    stage_ = Stage::Head;
    head_.clear();
    status_ = 0;
    headers_.clear();
    const bool tls = url.scheme().toLower() == QLatin1String("https");
    if (tls && !QSslSocket::supportsSsl()) return fail(StreamFailure::Kind::NoContact);
    socket_ = tls ? std::make_unique<QSslSocket>() : std::make_unique<QTcpSocket>();
    socket_->setReadBufferSize(BodyBufferBytes);
    connect(socket_.get(), &QAbstractSocket::readyRead, this, &HttpGet::readMore);
    connect(socket_.get(), &QAbstractSocket::errorOccurred, this, &HttpGet::onSocketError);
    const quint16 port = static_cast<quint16>(url.port(tls ? 443 : 80));
    if (tls) {
        auto* ssl = static_cast<QSslSocket*>(socket_.get());
        connect(ssl, &QSslSocket::encrypted, this, &HttpGet::onConnected);
        ssl->connectToHostEncrypted(url.host(), port);
    } else {
        connect(socket_.get(), &QAbstractSocket::connected, this, &HttpGet::onConnected);
        socket_->connectToHost(url.host(), port);
    }
    idle_.start(idleMs_);
}

void HttpGet::onConnected() {
    QByteArray path = url_.path(QUrl::FullyEncoded).toUtf8();
    if (path.isEmpty()) path = "/";
    if (url_.hasQuery()) path += "?" + url_.query(QUrl::FullyEncoded).toUtf8();
    QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: " +
                         url_.authority(QUrl::RemoveUserInfo | QUrl::FullyEncoded).toUtf8() +
                         "\r\nUser-Agent: Skymra/1.00\r\nAccept: */*\r\nConnection: close\r\n";
    if (!authorization_.isEmpty()) request += "Authorization: " + authorization_ + "\r\n";
    socket_->write(request + "\r\n");
}

QByteArray HttpGet::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers_) {
        if (key == name) return value;
    }
    return {};
}

void HttpGet::readMore() {
    if (!socket_) return;
    idle_.start(idleMs_);
    while (socket_ && stage_ != Stage::Done && socket_->bytesAvailable() > 0) {
        if (stage_ == Stage::Head) {
            // Never more than the bound, however the bytes come.
            const qint64 n = socket_->read(
                piece_.data(), std::min<qint64>(ReadPiece, MaxHeadBytes + 4 - head_.size()));
            if (n < 0) return;
            head_.append(piece_.constData(), n);
            if (!readHead()) return;
            continue;
        }
        const qint64 room = BodyBufferBytes - body_.size();
        if (room <= 0) return;  // the reader takes first; TCP holds the sender back meanwhile
        const qint64 n = socket_->read(piece_.data(), std::min(room, ReadPiece));
        if (n <= 0) return;
        if (!takeBodyBytes(QByteArrayView(piece_.constData(), n))) return;
    }
}

// False while the head is not complete, or when the connection was given up or replaced.
bool HttpGet::readHead() {
    qsizetype end = head_.indexOf("\r\n\r\n");
    qsizetype bodyAt = end + 4;
    if (const qsizetype bare = head_.indexOf("\n\n"); bare >= 0 && (end < 0 || bare < end)) {
        end = bare;
        bodyAt = bare + 2;
    }
    if (end < 0) {
        if (headSeen_ + head_.size() > MaxHeadBytes) fail(StreamFailure::Kind::Flood);
        return false;
    }
    headSeen_ += bodyAt;
    if (headSeen_ > MaxHeadBytes) {
        fail(StreamFailure::Kind::Flood);
        return false;
    }
    const QList<QByteArray> lines = head_.left(end).split('\n');
    QByteArray rest = head_.mid(bodyAt);
    head_.clear();
    const QList<QByteArray> statusLine = lines.value(0).trimmed().split(' ');
    bool ok = false;
    status_ = statusLine.value(1).toInt(&ok);
    reason_ = statusLine.mid(2).join(' ');
    if (!lines.value(0).startsWith("HTTP/1.") || !ok || status_ < 100 || status_ > 999) {
        fail(StreamFailure::Kind::Unplayable);
        return false;
    }
    headers_.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            headers_.append(
                {lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed()});
    }
    if (status_ < 200) {  // an interim answer: the real one follows, maybe in the same bytes
        head_ = rest;
        return readHead();
    }
    if (followed()) return false;
    stage_ = Stage::Body;
    startBody();
    emit answered();
    if (!socket_ || stage_ == Stage::Done) return false;
    return rest.isEmpty() || takeBodyBytes(rest);
}

// Whether the answer sends us elsewhere or asks for the login, and the new request is made.
bool HttpGet::followed() {
    if (status_ == 301 || status_ == 302 || status_ == 303 || status_ == 307 || status_ == 308) {
        const QUrl next = url_.resolved(QUrl::fromEncoded(header("location")));
        const QString scheme = next.scheme().toLower();
        const bool allowed = (scheme == QLatin1String("http") && url_.scheme() == "http") ||
                             scheme == QLatin1String("https");
        if (!header("location").isEmpty() && next.isValid() && allowed &&
            redirects_++ < MaxRedirects) {
            QUrl target = next;
            // A login goes only where it was given.
            const bool sameHost = next.host() == url_.host();
            if (sameHost && next.userInfo().isEmpty()) target.setUserInfo(url_.userInfo());
            // A Digest answer names its address: the new one gets an answer of its own.
            authorization_ = sameHost ? answerTo(challenges_, target) : QByteArray();
            if (!sameHost) challenges_.clear();
            triedLogin_ = false;
            qCInfo(streamLog) << "redirected to" << target.toString(QUrl::RemoveUserInfo);
            url_ = target;
            connectTo(url_);
            return true;
        }
    }
    if (status_ == 401 && !triedLogin_ && !url_.userName().isEmpty()) {
        challenges_.clear();
        for (const auto& [key, value] : headers_) {
            if (key == "www-authenticate") challenges_ << value;
        }
        authorization_ = answerTo(challenges_, url_);
        triedLogin_ = true;
        if (!authorization_.isEmpty()) {
            connectTo(url_);
            return true;
        }
    }
    return false;
}

void HttpGet::startBody() {
    chunked_ = header("transfer-encoding").toLower().contains("chunked");
    bool ok = false;
    const qint64 length = header("content-length").toLongLong(&ok);
    remaining_ = !chunked_ && ok && length >= 0 ? length : -1;
    body_.reserve(BodyBufferBytes);
    if (remaining_ == 0) endBody(false);
}

void HttpGet::endBody(bool announce) {
    stage_ = Stage::Done;
    ended_ = true;
    close();
    if (announce) emit finished();
}

// False once the body ended or the connection was given up.
bool HttpGet::takeBodyBytes(QByteArrayView bytes) {
    const qsizetype before = body_.size();
    if (!chunked_) {
        if (remaining_ >= 0) {
            bytes.truncate(std::min<qint64>(bytes.size(), remaining_));
            remaining_ -= bytes.size();
        }
        body_.append(bytes);
    } else {
        qsizetype i = 0;
        while (i < bytes.size() && stage_ != Stage::Done) {
            if (chunk_ == Chunk::Data) {
                const qsizetype n = std::min<qint64>(chunkLeft_, bytes.size() - i);
                body_.append(bytes.sliced(i, n));
                i += n;
                chunkLeft_ -= n;
                if (chunkLeft_ == 0) chunk_ = Chunk::DataEnd;
                continue;
            }
            const char c = bytes[i++];
            if (c != '\n') {
                if (chunk_ == Chunk::Size) chunkLine_ += c;
                if (chunkLine_.size() > MaxChunkLine) {
                    fail(StreamFailure::Kind::Flood);
                    return false;
                }
                continue;
            }
            if (chunk_ == Chunk::DataEnd) {
                chunk_ = Chunk::Size;
                continue;
            }
            bool ok = false;
            chunkLeft_ = chunkLine_.split(';').first().trimmed().toLongLong(&ok, 16);
            chunkLine_.clear();
            if (!ok || chunkLeft_ < 0) {
                fail(StreamFailure::Kind::Unplayable);
                return false;
            }
            if (chunkLeft_ == 0) remaining_ = 0;  // the last chunk; its trailer is not read
            chunk_ = Chunk::Data;
            if (chunkLeft_ == 0) break;
        }
    }
    const bool done = remaining_ == 0;
    if (body_.size() > before) emit bodyReady();
    if (done && stage_ != Stage::Done) endBody(true);
    return stage_ == Stage::Body && socket_;
}

void HttpGet::dropBody() {
    body_.resize(0);  // keeps its memory
    // What TCP held back meanwhile.
    if (socket_ && socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &HttpGet::readMore, Qt::QueuedConnection);
}

void HttpGet::onSocketError() {
    if (!socket_ || stage_ == Stage::Done) return;
    // A body of no stated length ends where the server closes.
    if (socket_->error() == QAbstractSocket::RemoteHostClosedError && stage_ == Stage::Body &&
        remaining_ < 0 && !chunked_) {
        readMore();
        endBody(true);
        return;
    }
    fail(status_ >= 200 ? StreamFailure::Kind::Broken : StreamFailure::Kind::NoContact,
         socket_->errorString());
}

void HttpGet::fail(StreamFailure::Kind kind, const QString& detail) {
    if (stage_ == Stage::Done) return;
    stage_ = Stage::Done;
    close();
    emit failed(streamFailure(kind, detail.toStdString()));
}

}  // namespace skymra
