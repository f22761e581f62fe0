#pragma once

#include <functional>
#include <thread>

namespace skymra {

// rtspsrc takes whatever length a server's answer claims and fills it as fast as the server
// sends (GStreamer 1.22 gives rtspsrc no limit to set). Until `settled` says pictures flow, the
// program may grow by 256 MB before `flood` is called, once, on the watch's own thread. The size
// is the process's, so the watch ends once pictures flow: a camera that shows is not made to
// answer for what another attempt, or anything else in the program, takes. Destruction ends the
// watch at once.
class FloodWatch {
  public:
    FloodWatch(std::function<bool()> settled, std::function<void()> flood);
    ~FloodWatch();

  private:
    int statm_ = -1;  // /proc/self/statm, kept open
    std::jthread thread_;
};

}  // namespace skymra
