#include "stream/rtsp/own_connection.h"

#include <gst/gst.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdlib>
#include <set>
#include <string_view>
#include <vector>

namespace skymra {
namespace {

// A socket's inode, which tells it from a later one with the same number.
std::optional<ino_t> inodeOf(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
    return st.st_ino;
}

// Where a TCP socket is connected, as inet_ntop spells the address, and the port; -1 for any
// other socket.
std::pair<std::string, int> peerOf(int fd) {
    int type = 0;
    socklen_t length = sizeof type;
    sockaddr_storage address{};
    char host[NI_MAXHOST] = {}, port[NI_MAXSERV] = {};
    if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM)
        return {{}, -1};
    length = sizeof address;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, port,
                    sizeof port, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return {{}, -1};
    return {host, std::atoi(port)};
}

// The connections that some attempt has taken, by inode.
struct Taken {
    std::mutex mutex;
    std::set<ino_t> inodes;
};

Taken& taken() {
    static Taken t;
    return t;
}

}  // namespace

OwnConnection::OwnConnection(const std::string& uri) {
    // Made with the first attempt, before the teardown that waits at exit for the last one.
    taken();
    GstUri* parsed = gst_uri_from_string(uri.c_str());
    if (!parsed) return;
    if (const guint port = gst_uri_get_port(parsed); port != GST_URI_NO_PORT)
        port_ = static_cast<int>(port);
    else if (g_strcmp0(gst_uri_get_scheme(parsed), "rtsps") == 0)
        port_ = 322;
    if (const gchar* host = gst_uri_get_host(parsed)) {
        std::string bare(host);
        if (bare.size() > 2 && bare.front() == '[') bare = bare.substr(1, bare.size() - 2);
        char text[INET6_ADDRSTRLEN] = {};
        in6_addr literal{};  // room for either
        if (inet_pton(AF_INET, bare.c_str(), &literal) == 1)
            inet_ntop(AF_INET, &literal, text, sizeof text);
        else if (inet_pton(AF_INET6, bare.c_str(), &literal) == 1)
            inet_ntop(AF_INET6, &literal, text, sizeof text);
        address_ = text;
    }
    gst_uri_unref(parsed);
}

OwnConnection::~OwnConnection() {
    if (!own_) return;
    Taken& t = taken();
    const std::lock_guard lock(t.mutex);
    t.inodes.erase(own_->second);
}

void OwnConnection::claim() {
    const std::lock_guard lock(mutex_);
    if (own_) return;
    Taken& t = taken();
    const std::lock_guard takenLock(t.mutex);
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return;
    std::optional<std::pair<int, ino_t>> mine;
    bool several = false;  // two new ones at once: no telling whose is whose
    while (const dirent* entry = readdir(fds)) {
        int fd = -1;
        const std::string_view name(entry->d_name);
        if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc() ||
            fd == dirfd(fds))
            continue;
        const auto [peer, port] = peerOf(fd);
        if (port != port_ || (!address_.empty() && peer != address_)) continue;
        const auto inode = inodeOf(fd);
        if (!inode || t.inodes.count(*inode)) continue;
        several = several || mine.has_value();
        mine = {fd, *inode};
    }
    closedir(fds);
    if (!mine || several) return;
    t.inodes.insert(mine->second);
    own_ = mine;
}

void OwnConnection::end() {
    const std::lock_guard lock(mutex_);
    if (own_ && inodeOf(own_->first) == own_->second) shutdown(own_->first, SHUT_RDWR);
}

}  // namespace skymra
