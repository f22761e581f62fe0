// Camera and decoder frames: the 4:2:2 and 4:2:0 conversions done here against Qt's own, and
// the format a camera is opened with.
#include "camera/camera_source.h"
#include "camera/video_frame.h"
#include "camera/yuv.h"

#include <QVideoFrame>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace skymra::test {
namespace {

// Random 4:2:2 camera frames: the conversion here gives what Qt's own CPU path gives, within the
// two levels Qt's integer rounding may differ by (as for 4:2:0), and every pixel opaque.
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
        EXPECT_LE(worst, 2);
    }
    std::vector<std::uint8_t> in(16 * 2 * 2);
    std::vector<std::uint32_t> out(16 * 2);
    EXPECT_TRUE(convertYuv422(in, 32, Yuv422::Uyvy, 16, 2, out));
    EXPECT_EQ(out[0], 0xFF008800u);  // Y, U and V all zero: dark green
    EXPECT_FALSE(convertYuv422(in, 32, Yuv422::Uyvy, 15, 2, out));  // odd width
    EXPECT_FALSE(convertYuv422(in, 32, Yuv422::Uyvy, 16, 3, out));  // rows beyond the input
    EXPECT_FALSE(convertYuv422(in, 30, Yuv422::Uyvy, 16, 2, out));  // stride shorter than a row
    EXPECT_FALSE(convertYuv422(in, 32, Yuv422::Yuyv, 16, 2, {out.data(), 31}));  // short output
}

// One scene from a 4:2:2 camera and a 4:2:0 decoder (colour shared by two rows instead of one)
// comes out as the same pixels, to the bit: a check compares pictures, not converters.
TEST(Yuv422Test, GivesTheSamePixelsAs420ForTheSameScene) {
    std::mt19937 rng(11);
    constexpr std::size_t w = 70, h = 6;  // more than one run of pixels a row
    std::vector<std::uint8_t> y(w * h), u(w / 2 * h / 2), v(w / 2 * h / 2), packed(w * 2 * h);
    for (auto* plane : {&y, &u, &v}) std::generate(plane->begin(), plane->end(), std::ref(rng));
    for (std::size_t row = 0; row < h; ++row) {
        for (std::size_t x = 0; x < w; x += 2) {
            std::uint8_t* g = &packed[row * w * 2 + x * 2];
            const std::size_t c = row / 2 * (w / 2) + x / 2;
            g[0] = y[row * w + x], g[1] = u[c], g[2] = y[row * w + x + 1], g[3] = v[c];
        }
    }
    std::vector<std::uint32_t> from422(w * h), from420(w * h);
    ASSERT_TRUE(convertYuv422(packed, w * 2, Yuv422::Yuyv, w, h, from422));
    ASSERT_TRUE(convertYuv420({y, w, u, v, w / 2, 1}, YuvMatrix::Bt601, YuvRange::Limited, w, h, 1,
                              from420));
    EXPECT_EQ(from422, from420);
}

// A random 4:2:0 frame of one of the layouts decoders give.
QVideoFrame randomYuv420(
    QSize size, QVideoFrameFormat::PixelFormat format, std::mt19937& rng,
    QVideoFrameFormat::ColorSpace space = QVideoFrameFormat::ColorSpace_BT601) {
    QVideoFrameFormat f(size, format);
    f.setColorSpace(space);
    f.setColorRange(QVideoFrameFormat::ColorRange_Video);
    QVideoFrame frame(f);
    if (!frame.map(QVideoFrame::WriteOnly)) return {};
    for (int p = 0; p < frame.planeCount(); ++p)
        for (int i = 0; i < frame.mappedBytes(p); ++i) frame.bits(p)[i] = static_cast<uchar>(rng());
    frame.unmap();
    return frame;
}

int worstDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return worst;
}

// BT.709's limited-range formula in floating point, nearest colour sample.
QImage bt709(QVideoFrame frame) {
    QImage out(frame.size(), QImage::Format_RGB32);
    if (!frame.map(QVideoFrame::ReadOnly)) return {};
    const bool semi = frame.planeCount() == 2;
    const auto format = frame.pixelFormat();
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < frame.width(); ++x) {
            const double l = frame.bits(0)[y * frame.bytesPerLine(0) + x] - 16.0;
            const int at = (y / 2) * frame.bytesPerLine(1) + (x / 2) * (semi ? 2 : 1);
            double u = 0, v = 0;
            if (semi) {
                const bool nv21 = format == QVideoFrameFormat::Format_NV21;
                u = frame.bits(1)[at + (nv21 ? 1 : 0)] - 128.0;
                v = frame.bits(1)[at + (nv21 ? 0 : 1)] - 128.0;
            } else {
                const bool yv12 = format == QVideoFrameFormat::Format_YV12;
                u = frame.bits(yv12 ? 2 : 1)[at] - 128.0;
                v = frame.bits(yv12 ? 1 : 2)[at] - 128.0;
            }
            const auto clamp = [](double c) {
                return std::clamp(static_cast<int>(std::lround(c)), 0, 255);
            };
            out.setPixel(
                x, y,
                qRgb(clamp(1.164 * l + 1.793 * v), clamp(1.164 * l - 0.213 * u - 0.533 * v),
                     clamp(1.164 * l + 2.112 * u)));
        }
    }
    frame.unmap();
    return out;
}

// Decoders' 4:2:0 frames, in all four layouts and both matrices: what Qt's own conversion gives,
// and made smaller by whole factors on the way where the capture size allows.
TEST(Yuv420Test, MatchesQtsConversionInEveryLayoutAndShrinksToTheCaptureSize) {
    std::mt19937 rng(11);
    for (const auto format : {QVideoFrameFormat::Format_YUV420P, QVideoFrameFormat::Format_YV12,
                              QVideoFrameFormat::Format_NV12, QVideoFrameFormat::Format_NV21}) {
        for (const auto space :
             {QVideoFrameFormat::ColorSpace_BT601, QVideoFrameFormat::ColorSpace_BT709}) {
            SCOPED_TRACE(static_cast<int>(format) * 10 + static_cast<int>(space));
            const QVideoFrame frame = randomYuv420(QSize(64, 48), format, rng, space);
            const QImage ours = imageFromVideoFrame(frame, {}, FrameMemory::Own);
            ASSERT_EQ(ours.size(), QSize(64, 48));
            // Qt 6.4's own CPU conversion knows only BT.601; BT.709 is checked by its formula.
            const QImage expected = space == QVideoFrameFormat::ColorSpace_BT601
                                        ? frame.toImage().convertToFormat(QImage::Format_RGB32)
                                        : bt709(frame);
            EXPECT_LE(worstDifference(ours, expected), 2);
            EXPECT_EQ(imageFromVideoFrame(frame), ours);  // through a guarded copy: the same
        }
    }
    // 1280 x 720 for 320 x 240: its middle 960 columns, a third, as the normalisation keeps it.
    const auto sized = [&](QSize frame, QSize capture) {
        return imageFromVideoFrame(randomYuv420(frame, QVideoFrameFormat::Format_NV12, rng),
                                   capture, FrameMemory::Own)
            .size();
    };
    EXPECT_EQ(sized({1280, 720}, {320, 240}), QSize(320, 240));
    EXPECT_EQ(sized({1280, 720}, {}), QSize(1280, 720));  // no capture size: all of it
    EXPECT_EQ(sized({640, 480}, {320, 240}), QSize(320, 240));
    EXPECT_EQ(sized({640, 480}, {640, 480}), QSize(640, 480));
    EXPECT_EQ(sized({320, 240}, {640, 480}), QSize(320, 240));  // never larger
}

// A wide picture loses its sides as the normalisation would crop them: what is left is its
// middle, whatever the layout.
TEST(Yuv420Test, AWidePictureIsConvertedOnlyInItsMiddle4By3) {
    // 16 x 6, black but for white in the middle 8 columns, neutral colour.
    std::vector<std::uint8_t> y(16 * 6, 16), uv(8 * 3 * 2, 128);
    for (std::size_t row = 0; row < 6; ++row)
        for (std::size_t x = 4; x < 12; ++x) y[row * 16 + x] = 235;
    for (const std::size_t step : {1u, 2u}) {
        const Yuv420 in{y, 16, uv, std::span(uv).subspan(step - 1), 8 * step, step};
        const QImage image =
            imageFromYuv420(in, QSize(16, 6), YuvMatrix::Bt601, YuvRange::Limited, QSize(4, 3));
        ASSERT_EQ(image.size(), QSize(4, 3));  // the middle 8 x 6, halved
        for (int row = 0; row < image.height(); ++row)
            for (int x = 0; x < image.width(); ++x) EXPECT_EQ(image.pixel(x, row), 0xFFFFFFFFu);
    }
}

TEST(Yuv420Test, AShrunkPixelIsTheMeanOfItsLumasAndPlanesThatDoNotFitAreRefused) {
    // 6 x 6 lumas 0..35 with neutral colour: grey levels out.
    std::vector<std::uint8_t> y(36), uv(9, 128);
    for (std::size_t i = 0; i < y.size(); ++i) y[i] = static_cast<std::uint8_t>(16 + i);
    const Yuv420 in{y, 6, uv, uv, 3, 1};
    std::vector<std::uint32_t> out(4);
    ASSERT_TRUE(convertYuv420(in, YuvMatrix::Bt601, YuvRange::Limited, 6, 6, 3, out));
    // Top left: lumas 16..18, 22..24, 28..30, mean 23: (23 - 16) * 298 / 256 = 8.
    EXPECT_EQ(out[0], 0xFF080808u);
    std::vector<std::uint32_t> whole(36);
    ASSERT_TRUE(convertYuv420(in, YuvMatrix::Bt601, YuvRange::Limited, 6, 6, 1, whole));
    EXPECT_EQ(whole[35], 0xFF292929u);  // luma 51: 35 * 298 / 256 = 41
    EXPECT_FALSE(
        convertYuv420(in, YuvMatrix::Bt601, YuvRange::Limited, 6, 6, 0, out));  // no factor
    EXPECT_FALSE(convertYuv420(in, YuvMatrix::Bt601, YuvRange::Limited, 6, 7, 1,
                               whole));  // a row beyond the plane
    EXPECT_FALSE(
        convertYuv420(in, YuvMatrix::Bt601, YuvRange::Limited, 6, 6, 1, out));  // output too small
    EXPECT_FALSE(convertYuv420({y, 5, uv, uv, 3, 1}, YuvMatrix::Bt601, YuvRange::Limited, 6, 6, 1,
                               whole));  // stride
    EXPECT_FALSE(convertYuv420({y, 6, {uv.data(), 8}, uv, 3, 1}, YuvMatrix::Bt601,
                               YuvRange::Limited, 6, 6, 1,
                               whole));  // colour plane short
}

// Every factor, both colour layouts, rows of more than one pass: each pixel out is the mean of
// its lumas with the colour at their middle, by the formula, so a sum or a colour taken from the
// wrong place shows (the colours are noise).
TEST(Yuv420Test, EveryShrinkFactorTakesItsOwnLumasAndTheColourAtTheirMiddle) {
    std::mt19937 rng(3);
    for (std::size_t k = 1; k <= 5; ++k) {
        for (const std::size_t step : {1u, 2u}) {
            SCOPED_TRACE(k * 10 + step);
            const std::size_t w = 70 * k + 1, h = 2 * k + 1, cw = (w + 1) / 2, ch = (h + 1) / 2;
            std::vector<std::uint8_t> y(w * h), uv(cw * ch * 2);
            for (auto* plane : {&y, &uv})
                for (auto& b : *plane) b = static_cast<std::uint8_t>(rng() & 0xFF);
            // Two planes one after the other, or one plane with u and v interleaved.
            const std::span<const std::uint8_t> u = std::span(uv).first(step == 1 ? cw * ch : 0);
            const Yuv420 in{y,
                            w,
                            step == 1 ? u : std::span<const std::uint8_t>(uv),
                            step == 1 ? std::span<const std::uint8_t>(uv).subspan(cw * ch)
                                      : std::span<const std::uint8_t>(uv).subspan(1),
                            cw * step,
                            step};
            const std::size_t outW = w / k, outH = h / k;
            std::vector<std::uint32_t> out(outW * outH);
            ASSERT_TRUE(convertYuv420(in, YuvMatrix::Bt601, YuvRange::Limited, w, h, k, out));
            int worst = 0;
            for (std::size_t oy = 0; oy < outH; ++oy) {
                for (std::size_t ox = 0; ox < outW; ++ox) {
                    double sum = 0;
                    for (std::size_t dy = 0; dy < k; ++dy)
                        for (std::size_t dx = 0; dx < k; ++dx)
                            sum += y[(oy * k + dy) * w + ox * k + dx];
                    const double l = 1.164384 * (sum / static_cast<double>(k * k) - 16);
                    const std::size_t at =
                        (oy * k + k / 2) / 2 * cw * step + (ox * k + k / 2) / 2 * step;
                    const double cu = in.u[at] - 128.0, cv = in.v[at] - 128.0;
                    const auto clamp = [](double c) {
                        return std::clamp(static_cast<int>(std::lround(c)), 0, 255);
                    };
                    const QRgb got = out[oy * outW + ox];
                    worst =
                        std::max({worst, std::abs(qRed(got) - clamp(l + 1.596027 * cv)),
                                  std::abs(qGreen(got) - clamp(l - 0.391762 * cu - 0.812968 * cv)),
                                  std::abs(qBlue(got) - clamp(l + 2.017232 * cu))});
                }
            }
            EXPECT_LE(worst, 1);
        }
    }
}

// JPEG's full range (what RTP/MJPEG cameras decode to), in rows longer than one pass of the
// conversion and of a width that is none of its multiples, against the standards' formulas.
TEST(Yuv420Test, FullRangeFollowsTheFormulasAcrossWholeRows) {
    std::mt19937 rng(5);
    const std::size_t w = 150, h = 4;
    std::vector<std::uint8_t> y(w * h), u(w / 2 * h / 2), v(w / 2 * h / 2);
    for (auto* plane : {&y, &u, &v})
        for (auto& b : *plane) b = static_cast<std::uint8_t>(rng() & 0xFF);
    y[0] = 0;
    y[1] = 255;
    struct Matrix {
        YuvMatrix matrix;
        double rv, gu, gv, bu;
    };
    for (const Matrix m : {Matrix{YuvMatrix::Bt601, 1.402, 0.344136, 0.714136, 1.772},
                           Matrix{YuvMatrix::Bt709, 1.5748, 0.187324, 0.468124, 1.8556}}) {
        std::vector<std::uint32_t> out(w * h);
        ASSERT_TRUE(convertYuv420({y, w, u, v, w / 2, 1}, m.matrix, YuvRange::Full, w, h, 1, out));
        int worst = 0;
        for (std::size_t row = 0; row < h; ++row) {
            for (std::size_t x = 0; x < w; ++x) {
                const double l = y[row * w + x];
                const double cu = u[row / 2 * (w / 2) + x / 2] - 128.0;
                const double cv = v[row / 2 * (w / 2) + x / 2] - 128.0;
                const auto clamp = [](double c) {
                    return std::clamp(static_cast<int>(std::lround(c)), 0, 255);
                };
                const QRgb got = out[row * w + x];
                worst = std::max({worst, std::abs(qRed(got) - clamp(l + m.rv * cv)),
                                  std::abs(qGreen(got) - clamp(l - m.gu * cu - m.gv * cv)),
                                  std::abs(qBlue(got) - clamp(l + m.bu * cu))});
            }
        }
        EXPECT_LE(worst, 2);
    }
    // Grey at both ends stays black and white rather than limited range's crushed ones.
    const std::vector<std::uint8_t> grey{0, 255, 0, 255}, neutral{128};
    std::vector<std::uint32_t> out(4);
    ASSERT_TRUE(convertYuv420({grey, 2, neutral, neutral, 1, 1}, YuvMatrix::Bt601, YuvRange::Full,
                              2, 2, 1, out));
    EXPECT_EQ(out[0], 0xFF000000u);
    EXPECT_EQ(out[1], 0xFFFFFFFFu);
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
