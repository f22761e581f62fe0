#include "audio_player.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QResource>
#include <QtEndian>

#include <cstring>

namespace skymra {
namespace {

quint32 le32(const char* p) { return qFromLittleEndian<quint32>(p); }
quint16 le16(const char* p) { return qFromLittleEndian<quint16>(p); }

// Silence after the sound: the audio server holds back a stream shorter than its pre-buffer,
// and Qt 6.4 ends the stream before the server has played its last part.
constexpr int TrailingSilenceMs = 1500;

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

SystemAudioPlayer::SystemAudioPlayer() {
    // Connects to the audio server now: a stream opened while that connection is still being set
    // up is cut short on Qt 6.4.
    (void)QMediaDevices::defaultAudioOutput();
}

SystemAudioPlayer::~SystemAudioPlayer() {
    // The sink reads the buffer: it has to go first.
    if (sink_) sink_->stop();
    sink_.reset();
}

void SystemAudioPlayer::play(const QString& resourcePath) {
    const QResource resource(resourcePath);
    if (!resource.isValid()) return;
    const PcmWave wave = parseWave(
        QByteArray::fromRawData(reinterpret_cast<const char*>(resource.data()), resource.size()));
    if (!wave.format.isValid() || wave.samples.isEmpty()) return;
    // One sound at a time: a new alarm restarts it from the beginning.
    if (sink_) sink_->stop();
    buffer_.close();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull() || !device.isFormatSupported(wave.format)) {
        sink_.reset();
        return;
    }
    if (!sink_ || sink_->format() != wave.format) {
        sink_ = std::make_unique<QAudioSink>(device, wave.format);
    }
    const qsizetype silence = wave.format.bytesForDuration(TrailingSilenceMs * 1000);
    const char zero = wave.format.sampleFormat() == QAudioFormat::UInt8 ? char(0x80) : char(0);
    playing_ = wave.samples + QByteArray(silence, zero);
    buffer_.setData(playing_);
    buffer_.open(QIODevice::ReadOnly);
    sink_->start(&buffer_);
}

}  // namespace skymra
