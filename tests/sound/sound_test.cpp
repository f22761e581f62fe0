#include "resources/resources.h"
#include "sound/alarm_sound.h"
#include "sound/audio_player.h"
#include "sound/pcm_convert.h"
#include "tests/support/fakes.h"

#include <QAudioDevice>
#include <QMediaDevices>

#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace skymra::test {
namespace {

quint32 u32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 u16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

// Power of one frequency over a window of 8-bit samples.
double goertzel(const QByteArray& samples, int from, int count, double hz) {
    const double w = 2 * std::numbers::pi * hz / 11025.0, k = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (int i = from; i < from + count; ++i) {
        const double s0 = (static_cast<unsigned char>(samples[i]) - 128.0) + k * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - k * s1 * s2;
}

TEST(AlarmResourceTest, IsTheWaveFileToTheByte) {
    const QByteArray wav = resources::customResource(102);
    ASSERT_EQ(wav.size(), 10'026);
    EXPECT_EQ(wav.mid(0, 4), "RIFF");
    EXPECT_EQ(u32(wav, 4), 10'018u);
    EXPECT_EQ(wav.mid(8, 4), "WAVE");
    EXPECT_EQ(wav.mid(12, 4), "fmt ");
    EXPECT_EQ(u32(wav, 16), 16u);
    EXPECT_EQ(u16(wav, 20), 1);        // PCM
    EXPECT_EQ(u16(wav, 22), 1);        // mono
    EXPECT_EQ(u32(wav, 24), 11'025u);  // samples per second
    EXPECT_EQ(u32(wav, 28), 11'025u);  // bytes per second
    EXPECT_EQ(u16(wav, 32), 1);        // block align
    EXPECT_EQ(u16(wav, 34), 8);
    EXPECT_EQ(wav.mid(36, 4), "data");
    EXPECT_EQ(u32(wav, 40), 9'981u);
    EXPECT_EQ(wav.at(10'025), '\0');  // pad byte of the odd chunk
    EXPECT_TRUE(resources::customResource(103).isEmpty());
}

TEST(AlarmResourceTest, HoldsFourTonesWhoseLeadShiftsAndFadesOut) {
    const QByteArray samples = resources::customResource(102).mid(44, 9'981);
    const double tones[] = {1280, 1620, 3370, 4230};
    auto leader = [&](double seconds) {
        const int from = static_cast<int>(seconds * 11025);
        int best = 0;
        for (int i = 1; i < 4; ++i) {
            if (goertzel(samples, from, 1024, tones[i]) >
                goertzel(samples, from, 1024, tones[best]))
                best = i;
        }
        return tones[best];
    };
    EXPECT_EQ(leader(0.0), 1280);
    EXPECT_EQ(leader(0.36), 4230);
    EXPECT_EQ(leader(0.62), 1620);
    // Each tone stands well above a frequency that is not in the sound.
    for (const double hz : tones) {
        EXPECT_GT(goertzel(samples, 0, 9'981, hz), 50 * goertzel(samples, 0, 9'981, 2500)) << hz;
    }
    auto rms = [&](int from, int count) {
        double sum = 0;
        for (int i = from; i < from + count; ++i) {
            const double s = static_cast<unsigned char>(samples[i]) - 128.0;
            sum += s * s;
        }
        return std::sqrt(sum / count);
    };
    EXPECT_LT(rms(9'981 - 200, 200), 0.25 * rms(4000, 1000));
}

TEST(SoundPlayTest, PlaysTheResourceItselfAndFailsOnAMissingOne) {
    FakeAudioPlayer player;
    AlarmSound sound(player);
    sound.SoundPlay(102);
    ASSERT_EQ(player.plays, 1);
    // The resource's own bytes, not a copy.
    EXPECT_EQ(player.last.constData(), resources::customResource(102).constData());
    EXPECT_THROW(sound.SoundPlay(7), std::runtime_error);
    // Ids that 16-bit resource ids would wrap onto 102 name no resource.
    EXPECT_THROW(sound.SoundPlay(102 + 65'536), std::runtime_error);
    EXPECT_THROW(sound.SoundPlay(-65'434), std::runtime_error);
    EXPECT_EQ(player.plays, 1);
}

TEST(ParseWaveTest, ReadsPcmAndRejectsWhatItCannotPlay) {
    const PcmWave wave = parseWave(resources::customResource(102));
    EXPECT_EQ(wave.format.sampleRate(), 11'025);
    EXPECT_EQ(wave.format.channelCount(), 1);
    EXPECT_EQ(wave.format.sampleFormat(), QAudioFormat::UInt8);
    EXPECT_EQ(wave.samples.size(), 9'981);

    EXPECT_FALSE(parseWave("not a wave at all").format.isValid());
    EXPECT_FALSE(parseWave(resources::customResource(102).left(100)).format.isValid());
    QByteArray compressed = resources::customResource(102);
    compressed[20] = 2;  // ADPCM
    EXPECT_FALSE(parseWave(compressed).format.isValid());
    QByteArray lying = resources::customResource(102);
    qToLittleEndian<quint32>(0xFFFFFFF0u, lying.data() + 40);  // data longer than the file
    EXPECT_FALSE(parseWave(lying).format.isValid());
}

QAudioFormat format(QAudioFormat::SampleFormat sample, int channels, int rate) {
    QAudioFormat f;
    f.setSampleFormat(sample);
    f.setChannelCount(channels);
    f.setSampleRate(rate);
    return f;
}

TEST(ConvertPcmTest, TheAlarmBecomesFloatStereoAt48kHzWithItsTonesKept) {
    const PcmWave wave = parseWave(resources::customResource(102));
    const QAudioFormat out = format(QAudioFormat::Float, 2, 48000);
    const QByteArray converted = convertPcm(wave.samples, wave.format, out);
    const qsizetype frames = converted.size() / out.bytesPerFrame();
    EXPECT_NEAR(static_cast<double>(frames), 9'981 * 48000.0 / 11025, 2);
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    for (qsizetype i = 0; i < frames; ++i) {
        std::memcpy(&left[i], converted.constData() + i * 8, 4);
        std::memcpy(&right[i], converted.constData() + i * 8 + 4, 4);
    }
    EXPECT_EQ(left, right);
    // Same start (0x80 is silence, 0) and the same level at the same time.
    const auto level = [&](qsizetype sample) {
        return (static_cast<unsigned char>(wave.samples[sample]) - 128) / 128.0f;
    };
    for (qsizetype at : {0, 1000, 5000, 9000})
        EXPECT_NEAR(left[static_cast<std::size_t>(at * 48000 / 11025)], level(at), 0.15f) << at;
    EXPECT_TRUE(convertPcm(wave.samples, wave.format, QAudioFormat()).isEmpty());
}

TEST(ConvertPcmTest, StereoInt16MixesToMonoAndSilenceIsEachFormatsZero) {
    const QAudioFormat stereo = format(QAudioFormat::Int16, 2, 8000);
    const qint16 frames[] = {1000, 3000, -32768, 32767};
    const QByteArray in(reinterpret_cast<const char*>(frames), sizeof frames);
    const QByteArray mono = convertPcm(in, stereo, format(QAudioFormat::UInt8, 1, 8000));
    ASSERT_EQ(mono.size(), 2);
    EXPECT_EQ(static_cast<unsigned char>(mono[0]), 128 + 8);  // 2000 of 32768
    EXPECT_EQ(static_cast<unsigned char>(mono[1]), 128);
    EXPECT_EQ(silenceFrame(format(QAudioFormat::UInt8, 2, 8000)), QByteArray("\x80\x80"));
    EXPECT_EQ(silenceFrame(format(QAudioFormat::Int16, 1, 8000)), QByteArray(2, '\0'));
}

TEST(SystemAudioPlayerTest, OpensInTheSoundsFormatWhereTheDeviceTakesIt) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        // No audio server here: nothing opens.
        SystemAudioPlayer player;
        EXPECT_FALSE(player.outputFormat().isValid());
        return;
    }
    const QAudioFormat chosen = SystemAudioPlayer::formatFor(device, alarmFormat());
    EXPECT_EQ(chosen,
              device.isFormatSupported(alarmFormat()) ? alarmFormat() : device.preferredFormat());
}

}  // namespace
}  // namespace skymra::test
