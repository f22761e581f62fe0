#include "tests/sound/recording.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace skymra::test {

void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::vector<Burst> Recording::bursts() const {
    constexpr int Block = Rate / 100;  // 10 ms
    // 30 ms of quiet ends a burst. The alarm has no quiet 10 ms of its own, so a shorter gap
    // inside one is a dropout.
    constexpr int Gap = 3;
    std::vector<Burst> out;
    int start = -1, last = -1;
    double loudest = 0, lastLevel = 0;
    const int blocks = static_cast<int>(samples.size()) / Block;
    const auto end = [&] {
        out.push_back({start / 100.0, (last - start + 1) / 100.0});
        start = -1;
    };
    for (int b = 0; b <= blocks; ++b) {
        const double level = b < blocks ? rms(double(b) * Block / Rate, double(Block) / Rate) : 0;
        if (level > 300) {
            // The alarm never falls below half its loudest but in its fading tail: full
            // loudness straight after the tail is the next alarm, however close it came.
            if (start >= 0 && lastLevel < 0.3 * loudest && level > 0.6 * loudest) end();
            if (start < 0) {
                start = b;
                loudest = 0;
            }
            last = b;
            lastLevel = level;
            loudest = std::max(loudest, level);
        } else if (start >= 0 && (b - last >= Gap || b == blocks)) {
            end();
        }
    }
    return out;
}

double Recording::peak(double from, double to) const {
    double p = 0;
    const auto end = static_cast<std::size_t>(std::min(to * Rate, double(samples.size())));
    for (auto i = static_cast<std::size_t>(from * Rate); i < end; ++i)
        p = std::max(p, std::abs(samples[i]));
    return p;
}

double Recording::rms(double from, double seconds) const {
    const auto begin = static_cast<std::size_t>(from * Rate);
    const auto count = static_cast<std::size_t>(seconds * Rate);
    double sum = 0;
    for (std::size_t i = begin; i < begin + count && i < samples.size(); ++i)
        sum += samples[i] * samples[i];
    return count == 0 ? 0 : std::sqrt(sum / static_cast<double>(count));
}

Recording record(const std::function<void()>& play, int afterMs) {
    QProcess parec;
    const QString file =
        QDir::temp().filePath(QString("skymra-rec-%1.raw").arg(QCoreApplication::applicationPid()));
    parec.setStandardOutputFile(file);
    parec.start("parec", {"-d", "nullout.monitor", "--format=s16le", "--channels=1",
                          QString("--rate=%1").arg(Recording::Rate), "--raw", "--latency-msec=20"});
    EXPECT_TRUE(parec.waitForStarted());
    // Started is not recording: on a busy machine its first samples came a second or more
    // later, past an alarm played meanwhile.
    QElapsedTimer waited;
    waited.start();
    while (QFileInfo(file).size() == 0 && waited.elapsed() < 15000) pump(20);
    EXPECT_GT(QFileInfo(file).size(), 0) << "parec recorded nothing in 15 s";
    pump(300);
    play();
    pump(afterMs);
    // parec writes out what it holds only when it ends cleanly, on SIGINT or SIGTERM.
    parec.terminate();
    parec.waitForFinished(5000);
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray raw = f.readAll();
    f.remove();
    Recording r;
    const auto* s = reinterpret_cast<const qint16*>(raw.constData());
    for (qsizetype i = 0; i < raw.size() / 2; ++i) r.samples.push_back(s[i]);
    return r;
}

}  // namespace skymra::test
