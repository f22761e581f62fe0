#include "stream/rtsp/teardown.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace skymra {

void tearDownApart(std::function<void()> teardown) {
    static struct Running {
        std::mutex mutex;
        std::condition_variable done;
        int count = 0;
        ~Running() {
            std::unique_lock lock(mutex);
            done.wait(lock, [this] { return count == 0; });
        }
    } running;
    {
        const std::lock_guard lock(running.mutex);
        ++running.count;
    }
    std::thread([teardown = std::move(teardown)] {
        teardown();
        const std::lock_guard lock(running.mutex);
        if (--running.count == 0) running.done.notify_all();
    }).detach();
}

}  // namespace skymra
