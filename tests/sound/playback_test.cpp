// Plays the alarm for real into the null sink and records the sink's monitor.
#include "alarm_sound.h"
#include "audio_player.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace skymra::test {

void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

namespace {

constexpr int Rate = 11025;

struct Recording {
    std::vector<double> samples;  // 16-bit levels, mono
    // From the first to the last 20 ms block that is clearly not silent, in seconds.
    double soundSeconds() const {
        const int block = Rate / 50;
        int first = -1, last = -1;
        for (int b = 0; (b + 1) * block <= static_cast<int>(samples.size()); ++b) {
            if (rms(b * block, block) > 300) {
                if (first < 0) first = b;
                last = b;
            }
        }
        return first < 0 ? 0 : (last - first + 1) / 50.0;
    }
    int firstLoud() const {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::abs(samples[i]) > 1000) return static_cast<int>(i);
        }
        return -1;
    }
    double rms(int from, int count) const {
        double sum = 0;
        for (int i = from; i < from + count && i < static_cast<int>(samples.size()); ++i)
            sum += samples[i] * samples[i];
        return std::sqrt(sum / count);
    }
};

Recording record(const std::function<void()>& play, int ms) {
    QProcess parec;
    const QString file =
        QDir::temp().filePath(QString("skymra-rec-%1.raw").arg(QCoreApplication::applicationPid()));
    parec.setStandardOutputFile(file);
    // parec flushes what it recorded only when it ends cleanly, on SIGINT.
    const QString seconds = QString::number((400 + ms) / 1000.0);
    parec.start("timeout",
                {"-s", "INT", seconds, "parec", "-d", "nullout.monitor", "--format=s16le",
                 "--channels=1", QString("--rate=%1").arg(Rate), "--raw", "--latency-msec=20"});
    EXPECT_TRUE(parec.waitForStarted());
    pump(400);
    play();
    pump(ms);
    parec.waitForFinished(5000);
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QByteArray raw = f.readAll();
    f.remove();
    Recording r;
    const auto* s = reinterpret_cast<const qint16*>(raw.constData());
    for (qsizetype i = 0; i < raw.size() / 2; ++i) r.samples.push_back(s[i]);
    return r;
}

TEST(PlaybackTest, OneAlarmSoundsForAbout0Point9Seconds) {
    SystemAudioPlayer player;  // made at start-up in the program, long before an alarm
    AlarmSound sound(player);
    pump(500);
    const Recording r = record([&] { sound.SoundPlay(102); }, 1800);
    EXPECT_NEAR(r.soundSeconds(), 0.9, 0.12);
}

TEST(PlaybackTest, ASecondCallRestartsTheSoundInsteadOfMixingTwo) {
    SystemAudioPlayer player;
    AlarmSound sound(player);
    sound.SoundPlay(102);
    pump(1500);
    const Recording single = record([&] { sound.SoundPlay(102); }, 1500);
    const Recording twice = record(
        [&] {
            sound.SoundPlay(102);
            pump(300);
            sound.SoundPlay(102);
        },
        1800);
    // Restarted: 0.3 s of the first, then one whole sound.
    EXPECT_NEAR(twice.soundSeconds(), 1.2, 0.15);
    // Not mixed: after the restart it is as loud as one sound at the same point of it.
    const int a = single.firstLoud(), b = twice.firstLoud();
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    const int restart = b + Rate * 3 / 10;
    const double one = single.rms(a + Rate / 10, Rate / 4);
    const double after = twice.rms(restart + Rate / 10, Rate / 4);
    EXPECT_LT(after, 1.25 * one) << after << " vs " << one;
    EXPECT_GT(after, 0.6 * one);
}

}  // namespace
}  // namespace skymra::test

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Let the audio backend finish closing its streams before the process tears it down.
    skymra::test::pump(300);
    return result;
}
