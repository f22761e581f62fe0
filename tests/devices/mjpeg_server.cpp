#include "tests/devices/mjpeg_server.h"

#include <QBuffer>

namespace skymra::test {

MjpegServer::MjpegServer(Picture picture) : picture_(std::move(picture)) {
    connect(&server_, &QTcpServer::newConnection, this, &MjpegServer::onConnection);
    connect(&frames_, &QTimer::timeout, this, &MjpegServer::sendFrame);
}

bool MjpegServer::start(quint16 port) {
    if (!server_.listen(QHostAddress::LocalHost, port)) return false;
    port_ = server_.serverPort();
    frames_.start(40);
    return true;
}

void MjpegServer::cutOff() {
    frames_.stop();
    server_.close();
    for (const QPointer<QTcpSocket>& s : streaming_) {
        if (s) s->abort();
    }
    streaming_.clear();
}

QString MjpegServer::address() const {
    return QStringLiteral("http://127.0.0.1:%1/video.mjpg").arg(port_);
}

void MjpegServer::onConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray request = socket->readAll();
            if (!request.startsWith("GET ")) return;
            ++requests_;
            socket->write(
                "HTTP/1.0 200 OK\r\n"
                "Content-Type: multipart/x-mixed-replace; boundary=skymraframe\r\n"
                "Cache-Control: no-cache\r\n\r\n");
            streaming_.append(socket);
        });
    }
}

void MjpegServer::sendFrame() {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture_(frame_++).save(&buffer, "JPEG", 90);
    const QByteArray part = "--skymraframe\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                            QByteArray::number(jpeg.size()) + "\r\n\r\n" + jpeg + "\r\n";
    for (const QPointer<QTcpSocket>& s : streaming_) {
        if (s && s->state() == QAbstractSocket::ConnectedState) s->write(part);
    }
}

}  // namespace skymra::test
