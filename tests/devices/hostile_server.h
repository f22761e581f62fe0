#pragma once

#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <mutex>
#include <string_view>
#include <thread>

namespace skymra::test {

// An http server on 127.0.0.1 that answers as its behaviour says, each connection on a thread of
// its own, so that a fast or slow sender is not paced by the program's event loop. Everything it
// sends is bounded: a behaviour ends when the peer goes, the server stops, or `limit` has passed.
class HostileServer {
  public:
    class Connection {
      public:
        // False once the peer has gone, the server stops or the time is up.
        bool send(std::string_view bytes);
        bool alive() const;
        void pause(std::chrono::milliseconds ms) const;

      private:
        friend class HostileServer;
        Connection(int fd, const HostileServer& server) : fd_(fd), server_(server) {}
        int fd_;
        const HostileServer& server_;
    };
    using Behaviour = std::function<void(Connection&)>;

    explicit HostileServer(Behaviour behaviour,
                           std::chrono::seconds limit = std::chrono::seconds(40));
    ~HostileServer();

    QString address(const QString& userInfo = {}) const;
    int connections() const { return connections_; }
    // Connections the peer has not closed yet.
    int open() const { return open_; }
    // Bytes sent to every peer so far.
    long long sent() const { return sent_; }

  private:
    void serve();
    void handle(int fd);

    Behaviour behaviour_;
    std::chrono::steady_clock::time_point until_;
    int listener_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> open_{0};
    mutable std::atomic<long long> sent_{0};  // counted by each connection
    std::mutex mutex_;
    std::list<int> fds_;
    std::list<std::thread> threads_;
    std::thread acceptor_;
};

}  // namespace skymra::test
