#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace skymra::test {

// A network camera on 127.0.0.1, as most of them answer: one multipart/x-mixed-replace answer of
// JPEG frames, 25 a second, to every GET. It can be cut off (connections dropped, nobody
// listening) and brought back on the same port.
class MjpegServer : public QObject {
    Q_OBJECT
  public:
    using Picture = std::function<QImage(int frame)>;
    explicit MjpegServer(Picture picture);

    bool start(quint16 port = 0);
    void cutOff();
    quint16 port() const { return port_; }
    QString address() const;
    int requests() const { return requests_; }

  private:
    void onConnection();
    void sendFrame();

    Picture picture_;
    QTcpServer server_;
    QList<QPointer<QTcpSocket>> streaming_;
    QTimer frames_;
    quint16 port_ = 0;
    int frame_ = 0;
    int requests_ = 0;
};

}  // namespace skymra::test
