#include "sound/pcm_convert.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace skymra {
namespace {

// -1 to 1
float readSample(const char* p, QAudioFormat::SampleFormat format) {
    switch (format) {
        case QAudioFormat::UInt8:
            return (static_cast<unsigned char>(*p) - 128) / 128.0f;
        case QAudioFormat::Int16: {
            qint16 v;
            std::memcpy(&v, p, sizeof v);
            return v / 32768.0f;
        }
        case QAudioFormat::Int32: {
            qint32 v;
            std::memcpy(&v, p, sizeof v);
            return static_cast<float>(v / 2147483648.0);
        }
        case QAudioFormat::Float: {
            float v;
            std::memcpy(&v, p, sizeof v);
            return v;
        }
        default:
            return 0;
    }
}

void writeSample(char* p, float v, QAudioFormat::SampleFormat format) {
    v = std::clamp(v, -1.0f, 1.0f);
    switch (format) {
        case QAudioFormat::UInt8:
            *p = static_cast<char>(std::clamp(std::lround(v * 128.0f) + 128, 0L, 255L));
            break;
        case QAudioFormat::Int16: {
            const auto s =
                static_cast<qint16>(std::clamp(std::lround(v * 32768.0f), -32768L, 32767L));
            std::memcpy(p, &s, sizeof s);
            break;
        }
        case QAudioFormat::Int32: {
            const auto s = static_cast<qint32>(
                std::clamp(std::llround(v * 2147483648.0), -2147483648LL, 2147483647LL));
            std::memcpy(p, &s, sizeof s);
            break;
        }
        case QAudioFormat::Float:
            std::memcpy(p, &v, sizeof v);
            break;
        default:
            break;
    }
}

bool usable(const QAudioFormat& f) {
    return f.isValid() && f.sampleFormat() != QAudioFormat::Unknown && f.channelCount() > 0;
}

}  // namespace

QByteArray convertPcm(const QByteArray& samples, const QAudioFormat& from, const QAudioFormat& to) {
    if (!usable(from) || !usable(to)) return {};
    const int inChannels = from.channelCount(), outChannels = to.channelCount();
    const int inFrame = from.bytesPerFrame(), inBytes = from.bytesPerSample();
    const qsizetype frames = samples.size() / inFrame;
    const bool keepChannels = inChannels == outChannels;
    const int channels = keepChannels ? inChannels : 1;

    // Decoded, and mixed to one channel when the counts differ.
    std::vector<float> in(static_cast<std::size_t>(frames * channels));
    for (qsizetype f = 0; f < frames; ++f) {
        const char* frame = samples.constData() + f * inFrame;
        if (keepChannels) {
            for (int c = 0; c < channels; ++c)
                in[f * channels + c] = readSample(frame + c * inBytes, from.sampleFormat());
        } else {
            float sum = 0;
            for (int c = 0; c < inChannels; ++c)
                sum += readSample(frame + c * inBytes, from.sampleFormat());
            in[f] = sum / static_cast<float>(inChannels);
        }
    }

    const double step = static_cast<double>(from.sampleRate()) / to.sampleRate();
    const auto outFrames = static_cast<qsizetype>(std::floor(frames / step));
    const int outBytes = to.bytesPerSample();
    QByteArray out(outFrames * to.bytesPerFrame(), Qt::Uninitialized);
    for (qsizetype f = 0; f < outFrames; ++f) {
        const double at = f * step;
        const auto i = static_cast<qsizetype>(at);
        const auto t = static_cast<float>(at - static_cast<double>(i));
        const qsizetype j = std::min(i + 1, frames - 1);
        char* frame = out.data() + f * to.bytesPerFrame();
        for (int c = 0; c < outChannels; ++c) {
            const int src = keepChannels ? c : 0;
            const float v = in[i * channels + src] * (1 - t) + in[j * channels + src] * t;
            writeSample(frame + c * outBytes, v, to.sampleFormat());
        }
    }
    return out;
}

QByteArray silenceFrame(const QAudioFormat& format) {
    QByteArray frame(format.bytesPerFrame(), Qt::Uninitialized);
    for (int c = 0; c < format.channelCount(); ++c)
        writeSample(frame.data() + c * format.bytesPerSample(), 0, format.sampleFormat());
    return frame;
}

}  // namespace skymra
