#pragma once

#include <QString>

#include <functional>
#include <vector>

namespace skymra::test {

// Runs the event loop for the given time.
void pump(int ms);

struct Burst {
    double start;    // seconds into the recording
    double seconds;  // how long it is clearly not silent
};

// The null sink's monitor, mono 16-bit at 11025 Hz.
struct Recording {
    static constexpr int Rate = 11025;
    std::vector<double> samples;

    // Stretches of sound, split where 30 ms or more are quiet or the alarm starts again after
    // its fading tail.
    std::vector<Burst> bursts() const;
    // The largest level between two times, in seconds.
    double peak(double from = 0, double to = 1e9) const;
    double rms(double from, double seconds) const;
};

// Records while `play` runs and for `afterMs` after it.
Recording record(const std::function<void()>& play, int afterMs);

}  // namespace skymra::test
