#pragma once

#include <sys/types.h>

#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace skymra {

// The TCP connection that rtspsrc opened for one attempt, told apart from every other one of
// the process. rtspsrc keeps its socket to itself, so the attempt takes as its own, as rtspsrc
// is about to send on it, the one connection to its camera that no other attempt has taken: two
// cameras on one port (a recorder's channels, every camera on 554) stay apart. Ending it ends
// that attempt's connection and no other, at once, from any thread.
class OwnConnection {
  public:
    // For the camera at `uri` (rtsp or rtsps).
    explicit OwnConnection(const std::string& uri);
    ~OwnConnection();

    // On rtspsrc's thread, its connection open; the first call that finds it decides. Where two
    // new connections to the camera are open at once, none is taken.
    void claim();
    // Shut for reading and writing, if the descriptor still names the connection claimed: a
    // server that never finishes an answer would keep rtspsrc's teardown waiting up to 20 s.
    // The socket stays open for rtspsrc.
    void end();

  private:
    int port_ = 554;
    std::string address_;  // the host where it is written as an address, as inet_ntop spells it
    std::mutex mutex_;
    std::optional<std::pair<int, ino_t>> own_;  // descriptor and inode; under mutex_
};

}  // namespace skymra
