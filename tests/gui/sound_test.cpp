#include "alarm_sound.h"
#include "audio_player.h"
#include "fakes.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

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
    const QByteArray wav = customResource(102);
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
    EXPECT_TRUE(customResource(103).isEmpty());
}

TEST(AlarmResourceTest, HoldsFourTonesWhoseLeadShiftsAndFadesOut) {
    const QByteArray samples = customResource(102).mid(44, 9'981);
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
    EXPECT_EQ(player.last, ":/CUSTOM/102");
    EXPECT_THROW(sound.SoundPlay(7), std::runtime_error);
    EXPECT_EQ(player.plays, 1);
}

TEST(ParseWaveTest, ReadsPcmAndRejectsWhatItCannotPlay) {
    const PcmWave wave = parseWave(customResource(102));
    EXPECT_EQ(wave.format.sampleRate(), 11'025);
    EXPECT_EQ(wave.format.channelCount(), 1);
    EXPECT_EQ(wave.format.sampleFormat(), QAudioFormat::UInt8);
    EXPECT_EQ(wave.samples.size(), 9'981);

    EXPECT_FALSE(parseWave("not a wave at all").format.isValid());
    EXPECT_FALSE(parseWave(customResource(102).left(100)).format.isValid());
    QByteArray compressed = customResource(102);
    compressed[20] = 2;  // ADPCM
    EXPECT_FALSE(parseWave(compressed).format.isValid());
    QByteArray lying = customResource(102);
    qToLittleEndian<quint32>(0xFFFFFFF0u, lying.data() + 40);  // data longer than the file
    EXPECT_FALSE(parseWave(lying).format.isValid());
    SystemAudioPlayer player;
    player.play(":/no/such/sound");  // silently nothing
}

}  // namespace
}  // namespace skymra::test
