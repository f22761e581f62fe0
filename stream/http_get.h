#pragma once

#include "stream/stream_failure.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <QUrl>

#include <memory>

class QTcpSocket;

namespace skymra {

// One GET of an http(s) address on a connection of our own, never waiting: Qt's network access
// keeps its connections on a thread its owner must wait for when it lets one go, and reads a
// header however long it grows. Here the answer's head is bounded (MaxHeadBytes), a redirect or
// a login (Basic or Digest, from the address) is followed, and closing ends the connection at
// once. It lives on the thread that reads the camera (http_camera.h), never the window's.
class HttpGet : public QObject {
    Q_OBJECT
  public:
    static constexpr qsizetype MaxHeadBytes = 16 * 1024;
    static constexpr int MaxRedirects = 5;
    // Body bytes held for the reader; past this, TCP holds the sender back.
    static constexpr qsizetype BodyBufferBytes = 256 * 1024;

    // The server may stay silent for at most `idleMs` at any point once started.
    HttpGet(QUrl url, int idleMs, QObject* parent = nullptr);
    // Asks; a failure found at once (no TLS for https) is signalled from here, so connect first.
    void start();
    ~HttpGet() override;

    // The final answer, once answered() came.
    int status() const { return status_; }
    QByteArray reason() const { return reason_; }
    QByteArray header(QByteArrayView name) const;

    // Body bytes not yet taken; dropBody() once they are, which keeps the memory for the next.
    const QByteArray& body() const { return body_; }
    void dropBody();
    bool ended() const { return ended_; }
    // Ends the connection now; nothing more is heard from it.
    void abort();

  signals:
    void answered();
    void bodyReady();
    // The body is complete (its length reached, or the server closed a body of no length).
    void finished();
    void failed(const StreamFailure& failure);

  private:
    enum class Stage { Head, Body, Done };
    void connectTo(const QUrl& url);
    void onConnected();
    void readMore();
    bool readHead();
    bool followed();
    void startBody();
    // The body is complete; `announce`: say so with finished().
    void endBody(bool announce);
    bool takeBodyBytes(QByteArrayView bytes);
    void onSocketError();
    void fail(StreamFailure::Kind kind, const QString& detail = {});
    void close();

    QUrl url_;
    int idleMs_;
    QTimer idle_;
    std::unique_ptr<QTcpSocket> socket_;
    Stage stage_ = Stage::Head;
    QByteArray head_;
    qsizetype headSeen_ = 0;  // head bytes over every answer, interim ones too
    int status_ = 0;
    QByteArray reason_;
    QList<QPair<QByteArray, QByteArray>> headers_;  // names in lower case
    int redirects_ = 0;
    QList<QByteArray> challenges_;  // the last login asked for, answered anew for each address
    QByteArray authorization_;
    bool triedLogin_ = false;
    // The body's framing: a length, chunks, or up to the close.
    qint64 remaining_ = -1;
    bool chunked_ = false;
    enum class Chunk { Size, Data, DataEnd };
    Chunk chunk_ = Chunk::Size;
    QByteArray chunkLine_;
    qint64 chunkLeft_ = 0;
    QByteArray body_;
    bool ended_ = false;
    // Every read lands here first: a camera's stream costs no memory per piece.
    QByteArray piece_;
};

}  // namespace skymra
