// Plays the alarm for real into the null sink (with_pulseaudio.sh) and records the sink's
// monitor: every alarm of long series must be heard, whole, at its call.
#include "sound/alarm_sound.h"
#include "sound/audio_player.h"
#include "tests/sound/recording.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace skymra::test {
namespace {

// Each test records once, from before the player is made: a recorder that joins later makes
// the null sink change its latency under a playing stream.
// The recording holds a first alarm alone, for length and loudness, then what `calls` does;
// `calls` gets a clock started at its beginning and returns the times of its calls.
struct Series {
    Burst single;
    double singlePeak = 0;
    std::vector<Burst> bursts;  // after the single one
    std::vector<qint64> calls;  // ms
    double peak = 0;
};

Series recordSeries(const std::function<std::vector<qint64>(AlarmSound&)>& calls, int afterMs) {
    Series out;
    std::unique_ptr<SystemAudioPlayer> player;
    const Recording r = record(
        [&] {
            // As in the program: the player is made at start-up, long before an alarm.
            player = std::make_unique<SystemAudioPlayer>();
            AlarmSound sound(*player);
            pump(2000);
            sound.SoundPlay(102);
            pump(1500);
            out.calls = calls(sound);
        },
        afterMs);
    std::vector<Burst> all = r.bursts();
    EXPECT_FALSE(all.empty());
    if (all.empty()) return out;
    out.single = all.front();
    out.singlePeak = r.peak(0, out.single.start + out.single.seconds + 0.05);
    out.bursts.assign(all.begin() + 1, all.end());
    out.peak = r.peak(out.single.start + out.single.seconds + 0.05, 1e9);
    return out;
}

std::vector<qint64> spaced(AlarmSound& sound, int count, int spacingMs) {
    std::vector<qint64> calls;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        while (clock.elapsed() < qint64{i} * spacingMs) pump(2);
        calls.push_back(clock.elapsed());
        sound.SoundPlay(102);
    }
    return calls;
}

// `count` alarms `spacingMs` apart: one whole burst per call, each at its call.
void expectEveryAlarmHeard(int count, int spacingMs) {
    const Series s = recordSeries([&](AlarmSound& a) { return spaced(a, count, spacingMs); }, 1500);
    ASSERT_NEAR(s.single.seconds, 0.9, 0.12);
    int whole = 0;
    for (const Burst& b : s.bursts) whole += std::abs(b.seconds - s.single.seconds) < 0.1 ? 1 : 0;
    std::printf("%d alarms %d ms apart: %zu bursts heard, %d of full length (%.2f s)\n", count,
                spacingMs, s.bursts.size(), whole, s.single.seconds);
    if (static_cast<int>(s.bursts.size()) != count) {
        std::printf("the first at %.2f s\n", s.single.start);
        for (const Burst& b : s.bursts) std::printf("  %.2f s, %.2f s long\n", b.start, b.seconds);
    }
    ASSERT_EQ(static_cast<int>(s.bursts.size()), count);
    EXPECT_EQ(whole, count);
    // Each at its call: the gaps between bursts are those between calls, within half of one,
    // so that each burst is nearer its own call than any other. How near is the sound server's
    // and the machine's, and printed. (The null sink's clock runs slightly slow against ours
    // under load, so offsets from the first one drift.)
    double worst = 0;
    for (int i = 1; i < count; ++i) {
        const double gap = s.bursts[i].start - s.bursts[i - 1].start;
        const double called = (s.calls[i] - s.calls[i - 1]) / 1000.0;
        worst = std::max(worst, std::abs(gap - called));
        EXPECT_NEAR(gap, called, called / 2) << "alarm " << i;
    }
    const double drift = (s.bursts.back().start - s.bursts.front().start) -
                         (s.calls.back() - s.calls.front()) / 1000.0;
    std::printf("gaps between bursts within %.0f ms of those between calls; %.0f ms drift in all\n",
                worst * 1000, drift * 1000);
    EXPECT_LT(s.peak, 1.1 * s.singlePeak);
}

TEST(PlaybackTest, ThirtyAlarmsThreeSecondsApartAreAllHeardWhole) {
    expectEveryAlarmHeard(30, 3000);
}

TEST(PlaybackTest, ThirtyAlarmsOneSecondApartAreAllHeardAtTheirCalls) {
    expectEveryAlarmHeard(30, 1000);
}

TEST(PlaybackTest, TheAlarmIsFedWhileTheWindowsThreadIsHeldUp) {
    // A check or a repaint holds the window's thread for longer than the sound server's buffer
    // lasts: the output has to take the sound meanwhile. Asked here, not heard: a sleeping
    // thread's wake-up on this kind of machine can come 100 ms late whenever a core is busy,
    // which splits a recorded alarm however it is fed.
    SystemAudioPlayer player;
    AlarmSound sound(player);
    pump(1500);  // as in the program: the player is made long before an alarm
    sound.SoundPlay(102);
    const qint64 before = player.fed();
    QElapsedTimer held;
    held.start();
    while (player.fed() == before && held.elapsed() < 5000) {
    }
    EXPECT_GT(player.fed(), before) << "nothing taken in " << held.elapsed() << " ms";
}

TEST(PlaybackTest, CallsDuringPlaybackRestartTheSoundAndNeverMixTwo) {
    const Series s = recordSeries([](AlarmSound& a) { return spaced(a, 10, 200); }, 1500);
    for (const Burst& b : s.bursts)
        std::printf("burst at %.2f s, %.2f s long\n", b.start, b.seconds);
    ASSERT_EQ(s.bursts.size(), 1u);
    const Burst& b = s.bursts[0];
    const double last = (s.calls.back() - s.calls.front()) / 1000.0;
    // Nine restarts, then the last sound plays to its end.
    EXPECT_NEAR(b.seconds, last + s.single.seconds, 0.15);
    EXPECT_LT(s.peak, 1.1 * s.singlePeak);
}

}  // namespace
}  // namespace skymra::test

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Let the audio backend finish closing its streams before the process tears it down: under
    // AddressSanitizer, 300 ms once left PulseAudio's main loop mid-way and its teardown aborted.
    skymra::test::pump(1000);
    return result;
}
