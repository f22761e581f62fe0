#include "stream/rtsp/flood_watch.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace skymra {
namespace {

constexpr long long MaxGrowthBytes = 256LL << 20;
constexpr auto Check = std::chrono::milliseconds(200);

// The program's resident size, read from `statm`; 0 if unknown.
long long residentBytes(int statm) {
    char text[128];
    const ssize_t got = pread(statm, text, sizeof text - 1, 0);
    if (got <= 0) return 0;
    const char* end = text + got;
    const char* resident = std::find(static_cast<const char*>(text), end, ' ');
    long long pages = 0;
    if (resident == end || std::from_chars(resident + 1, end, pages).ec != std::errc()) return 0;
    return pages * sysconf(_SC_PAGESIZE);
}

}  // namespace

FloodWatch::FloodWatch(std::function<bool()> settled, std::function<void()> flood)
    : statm_(open("/proc/self/statm", O_RDONLY | O_CLOEXEC)) {
    if (statm_ < 0) return;
    thread_ = std::jthread([this, settled = std::move(settled), flood = std::move(flood),
                            atStart = residentBytes(statm_)](std::stop_token stop) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        while (!wake.wait_for(lock, stop, Check, [&] { return stop.stop_requested(); })) {
            if (settled()) return;
            if (residentBytes(statm_) - atStart > MaxGrowthBytes) return flood();
        }
    });
}

FloodWatch::~FloodWatch() {
    thread_ = {};  // stopped and joined before the file it reads is closed
    if (statm_ >= 0) close(statm_);
}

}  // namespace skymra
