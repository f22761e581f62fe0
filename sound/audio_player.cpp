#include "sound/audio_player.h"

#include "platform/program_file.h"
#include "sound/pcm_convert.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace skymra {

// Once a problem that keeps the alarm from being heard, always; more with
// QT_LOGGING_RULES="skymra.sound=true".
Q_LOGGING_CATEGORY(soundLog, "skymra.sound", QtWarningMsg)
namespace {

quint32 le32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 le16(const char* p) { return qFromLittleEndian<quint16>(p); }

// How far ahead of the speaker the output is fed: a restart is heard this much later, and a
// sound thread kept from running longer than the server's share of it cuts the alarm. Asked for
// 120 ms PulseAudio kept 80 ms, for 300 ms 170 ms: on a busy virtual machine, where even a
// real-time thread now and then wakes 100-150 ms late, that cut one alarm in thirty. Asked for
// 600 ms it keeps 320 ms: an alarm or its restart is heard a third of a second after its call.
constexpr int BufferMs = 600;

}  // namespace

PcmWave parseWave(const QByteArray& wav) {
    PcmWave out;
    const char* d = wav.constData();
    const qsizetype size = wav.size();
    if (size < 12 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WAVE", 4) != 0)
        return out;
    bool haveFormat = false;
    qsizetype pos = 12;
    while (pos + 8 <= size) {
        const quint32 length = le32(d + pos + 4);
        const qsizetype body = pos + 8;
        if (length > static_cast<quint64>(size - body)) return {};  // chunk runs past the end
        if (std::memcmp(d + pos, "fmt ", 4) == 0 && length >= 16) {
            const quint16 tag = le16(d + body), channels = le16(d + body + 2);
            const quint32 rate = le32(d + body + 4);
            const quint16 bits = le16(d + body + 14);
            if (tag != 1 || channels == 0 || rate == 0 || rate > 384000) return {};
            out.format.setChannelCount(channels);
            out.format.setSampleRate(static_cast<int>(rate));
            if (bits == 8) {
                out.format.setSampleFormat(QAudioFormat::UInt8);
            } else if (bits == 16) {
                out.format.setSampleFormat(QAudioFormat::Int16);
            } else {
                return {};
            }
            haveFormat = true;
        } else if (std::memcmp(d + pos, "data", 4) == 0 && haveFormat) {
            out.samples = QByteArray::fromRawData(d + body, length);
            return out;
        }
        pos = body + length + (length & 1);  // chunks are padded to even lengths
    }
    return {};
}

AlarmStream::AlarmStream(const QAudioFormat& format, std::atomic<qint64>& fed)
    : silence_(silenceFrame(format)), rate_(format.sampleRate()), fed_(fed) {
    // Unbuffered: QIODevice would otherwise read 16 KiB ahead, 1.5 s of sound past a restart.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

void AlarmStream::start(const QByteArray& samples) {
    const std::lock_guard lock(mutex_);
    samples_ = samples;
    pos_ = 0;
}

qint64 AlarmStream::bytesAvailable() const {
    // Never runs dry; a little at a time is offered, so little is read ahead of a restart.
    return QIODevice::bytesAvailable() + silence_.size() * rate_ / 50;
}

qint64 AlarmStream::readData(char* data, qint64 maxSize) {
    const qint64 frame = silence_.size();
    const qint64 size = maxSize / frame * frame;
    const std::lock_guard lock(mutex_);
    const qint64 sound = std::min<qint64>(size, samples_.size() - pos_);
    if (sound > 0) {
        std::memcpy(data, samples_.constData() + pos_, static_cast<std::size_t>(sound));
        pos_ += sound;
        fed_ += sound;
    }
    for (qint64 at = std::max<qint64>(sound, 0); at + frame <= size; at += frame)
        std::memcpy(data + at, silence_.constData(), static_cast<std::size_t>(frame));
    return size;
}

QAudioFormat alarmFormat() {
    QAudioFormat f;
    f.setSampleFormat(QAudioFormat::UInt8);
    f.setChannelCount(1);
    f.setSampleRate(11025);
    return f;
}

SystemAudioPlayer::SystemAudioPlayer(const QAudioFormat& format)
    : wanted_(format), home_(std::make_unique<QObject>()) {
    thread_.setObjectName(QStringLiteral("Skymra sound"));
    thread_.start();
    home_->moveToThread(&thread_);
    open();
    // A new default output (headphones plugged in) is taken at once, not at the next alarm.
    QObject::connect(&devices_, &QMediaDevices::audioOutputsChanged, &devices_, [this] {
        if (QMediaDevices::defaultAudioOutput() != device_) {
            close();
            open();
        }
    });
}

SystemAudioPlayer::~SystemAudioPlayer() {
    close();
    // Deleted on its own thread as that thread finishes.
    home_.release()->deleteLater();
    thread_.quit();
    thread_.wait();
}

template <typename Work>
void SystemAudioPlayer::onOutputThread(Work work) {
    QMetaObject::invokeMethod(home_.get(), std::move(work), Qt::BlockingQueuedConnection);
}

void SystemAudioPlayer::close() {
    onOutputThread([this] { closeHere(); });
}

bool SystemAudioPlayer::open() {
    bool ok = false;
    onOutputThread(
        [this, &ok] { ok = (sink_ && sink_->state() != QAudio::StoppedState) || openHere(); });
    return ok;
}

void SystemAudioPlayer::closeHere() {
    // The sink reads the stream: it has to go first.
    if (sink_) sink_->stop();
    sink_.reset();
    stream_.reset();
    device_ = QAudioDevice();
    preparedFrom_ = nullptr;
}

QString SystemAudioPlayer::problem() const {
    const std::lock_guard lock(problemMutex_);
    return problem_;
}

void SystemAudioPlayer::warnOnce(const QString& why) {
    {
        const std::lock_guard lock(problemMutex_);
        problem_ = why;
    }
    if (warned_) return;
    warned_ = true;
    qCWarning(soundLog).noquote() << why;
}

QAudioFormat SystemAudioPlayer::formatFor(const QAudioDevice& device, const QAudioFormat& sound) {
    if (device.isFormatSupported(sound)) return sound;
    return device.preferredFormat();
}

bool SystemAudioPlayer::openHere() {
    closeHere();
    device_ = QMediaDevices::defaultAudioOutput();
    if (device_.isNull()) {
        warnOnce(QCoreApplication::translate("SystemAudioPlayer",
                                             "ingen ljudutgång hittades, larmet kan inte höras."));
        return false;
    }
    const QAudioFormat format = formatFor(device_, wanted_);
    if (!format.isValid()) {
        warnOnce(QCoreApplication::translate(
            "SystemAudioPlayer", "ljudutgången tar inget format, larmet kan inte höras."));
        return false;
    }
    stream_ = std::make_unique<AlarmStream>(format, fed_);
    sink_ = std::make_unique<QAudioSink>(device_, format);
    sink_->setBufferSize(format.bytesForDuration(BufferMs * 1000));
    sink_->start(stream_.get());
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        warnOnce(QCoreApplication::translate("SystemAudioPlayer",
                                             "ljudutgången kunde inte öppnas, larmet hörs inte."));
        closeHere();
        return false;
    }
    const std::lock_guard lock(problemMutex_);
    problem_.clear();
    return true;
}

void SystemAudioPlayer::play(const QByteArray& wav) {
    const PcmWave wave = parseWave(wav);
    if (!wave.format.isValid() || wave.samples.isEmpty()) return;
    if (!open()) return;
    if (preparedFrom_ != wav.constData()) {
        const QAudioFormat out = sink_->format();
        prepared_ = out == wave.format ? wave.samples : convertPcm(wave.samples, wave.format, out);
        preparedFrom_ = wav.constData();
    }
    // One sound at a time: a new alarm starts it again from the beginning.
    stream_->start(prepared_);
}

void SystemSoundPlayer::play(const QByteArray& wav) { playSoundFromMemory(wav.constData()); }

std::unique_ptr<AudioPlayer> makeSystemPlayer() {
    if (systemPlaysSoundFromMemory()) return std::make_unique<SystemSoundPlayer>();
    return std::make_unique<SystemAudioPlayer>();
}

}  // namespace skymra
