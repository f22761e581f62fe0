#include "tests/devices/hostile_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace skymra::test {

bool HostileServer::Connection::alive() const {
    return !server_.stopping_ && std::chrono::steady_clock::now() < server_.until_;
}

void HostileServer::Connection::pause(std::chrono::milliseconds ms) const {
    const auto end = std::chrono::steady_clock::now() + ms;
    while (alive() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

bool HostileServer::Connection::send(std::string_view bytes) {
    while (!bytes.empty()) {
        if (!alive()) return false;
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 50) <= 0) continue;  // the peer reads slowly, or not at all
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) return false;
        server_.sent_ += n;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

HostileServer::HostileServer(Behaviour behaviour, std::chrono::seconds limit)
    : behaviour_(std::move(behaviour)), until_(std::chrono::steady_clock::now() + limit) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), length) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
        return;
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { serve(); });
}

HostileServer::~HostileServer() {
    stopping_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    if (acceptor_.joinable()) acceptor_.join();
    {
        const std::lock_guard lock(mutex_);
        for (const int fd : fds_) ::shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& t : threads_) t.join();
    for (const int fd : fds_) ::close(fd);
    ::close(listener_);
}

QString HostileServer::address(const QString& userInfo) const {
    const QString login = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
    return QStringLiteral("http://") + login + QStringLiteral("127.0.0.1:%1/video.mjpg").arg(port_);
}

void HostileServer::serve() {
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) continue;
        ++connections_;
        ++open_;
        const std::lock_guard lock(mutex_);
        fds_.push_back(fd);
        threads_.emplace_back([this, fd] { handle(fd); });
    }
}

void HostileServer::handle(int fd) {
    // The request, up to its blank line.
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && !stopping_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
    }
    Connection c(fd, *this);
    behaviour_(c);
    // Until the peer closes: how long it keeps a connection it gave up is what is measured.
    while (!stopping_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0) break;
    }
    --open_;
}

}  // namespace skymra::test
