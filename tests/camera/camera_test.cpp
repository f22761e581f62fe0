// Camera frames: the 4:2:2 conversion done here against Qt's own, and the format a camera is
// opened with.
#include "camera/camera_source.h"
#include "camera/video_frame.h"
#include "camera/yuv.h"

#include <QVideoFrame>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace skymra::test {
namespace {

// Random 4:2:2 camera frames: the conversion here gives what Qt's own CPU path gives, within the
// one level its rounding may differ by, and every pixel opaque.
TEST(Yuv422Test, MatchesQtsConversionAndRefusesWhatDoesNotFit) {
    std::mt19937 rng(7);
    for (const auto format : {QVideoFrameFormat::Format_UYVY, QVideoFrameFormat::Format_YUYV}) {
        SCOPED_TRACE(static_cast<int>(format));
        QVideoFrame frame(QVideoFrameFormat(QSize(64, 48), format));
        ASSERT_TRUE(frame.map(QVideoFrame::WriteOnly));
        for (int i = 0; i < frame.mappedBytes(0); ++i) frame.bits(0)[i] = static_cast<uchar>(rng());
        frame.unmap();
        const QImage ours = imageFromVideoFrame(frame);
        const QImage qt = frame.toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(ours.size(), QSize(64, 48));
        int worst = 0;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                const QRgb a = ours.pixel(x, y), b = qt.pixel(x, y);
                ASSERT_EQ(reinterpret_cast<const QRgb*>(ours.constScanLine(y))[x] >> 24, 0xFFu);
                worst = std::max({worst, std::abs(qRed(a) - qRed(b)),
                                  std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
            }
        }
        EXPECT_LE(worst, 1);
    }
    std::vector<std::uint8_t> in(16 * 2 * 2);
    std::vector<std::uint32_t> out(16 * 2);
    EXPECT_TRUE(convertYuv422(in, 32, Yuv422::Uyvy, 16, 2, out));
    EXPECT_EQ(out[0], 0xFF008600u);  // Y, U and V all zero: dark green
    EXPECT_FALSE(convertYuv422(in, 32, Yuv422::Uyvy, 15, 2, out));  // odd width
    EXPECT_FALSE(convertYuv422(in, 32, Yuv422::Uyvy, 16, 3, out));  // rows beyond the input
    EXPECT_FALSE(convertYuv422(in, 30, Yuv422::Uyvy, 16, 2, out));  // stride shorter than a row
    EXPECT_FALSE(convertYuv422(in, 32, Yuv422::Yuyv, 16, 2, {out.data(), 31}));  // short output
}

TEST(PreferredFormatTest, TheCaptureSizeThenTwiceItThenTheSmallest4By3) {
    const QSize vga(640, 480), qvga(320, 240), hd(1280, 720), xga(1024, 768), sxga(1280, 960);
    EXPECT_EQ(preferredFormat({hd, vga, qvga}), 2);
    EXPECT_EQ(preferredFormat({hd, vga, xga}), 1);
    EXPECT_EQ(preferredFormat({sxga, hd, xga}), 2);
    EXPECT_EQ(preferredFormat({hd, QSize(1920, 1080)}), -1);
    EXPECT_EQ(preferredFormat({}), -1);
}

}  // namespace
}  // namespace skymra::test
