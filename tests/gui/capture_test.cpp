#include "camera/camera_source.h"
#include "camera/video_frame.h"
#include "camera/yuv.h"
#include "capture/system_catalog.h"
#include "capture/video_capture.h"
#include "detect/frame_compare.h"
#include "platform/guarded_copy.h"
#include "scene/scene_source.h"
#include "tests/gui/fakes.h"

#include <QVideoFrame>

#if defined(__linux__)
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <random>
#include <vector>

namespace skymra::test {
namespace {

bool allOpaque(const QImage& img) {
    for (int y = 0; y < img.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            if (qAlpha(row[x]) != 0xFF) return false;
        }
    }
    return true;
}

class CaptureTest : public ::testing::Test {
  protected:
    FakeClipboard clipboard;
    FakeCatalog catalog;
};

TEST_F(CaptureTest, WithoutACameraTheSceneRunsAndSaysSo) {
    VideoCaptureControl control(clipboard, catalog);
    EXPECT_TRUE(control.showsScene());
    auto* scene = qobject_cast<SceneSource*>(control.source());
    ASSERT_NE(scene, nullptr);
    EXPECT_TRUE(scene->notice().contains("ingen kamera"));
    ASSERT_TRUE(control.copyFrameToClipboard());
    EXPECT_EQ(clipboard.content.size(), QSize(320, 240));
    EXPECT_EQ(clipboard.content.format(), QImage::Format_RGB32);
    EXPECT_TRUE(allOpaque(clipboard.content));
}

TEST_F(CaptureTest, SceneIsStillWithinASecondAndChangesInRedAcrossSeconds) {
    const qint64 t = 1'700'000'000'000;
    const QImage a = SceneSource::render(t, "x");
    EXPECT_EQ(a, SceneSource::render(t, "x"));
    for (const qint64 gap : {1000, 2000, 20'000, 60'000}) {
        SCOPED_TRACE(gap);
        QImage b = SceneSource::render(t + gap, "x");
        std::vector<std::int32_t> now(76'800), ref(76'800);
        std::memcpy(now.data(), b.constBits(), 307'200);
        std::memcpy(ref.data(), a.constBits(), 307'200);
        const std::int32_t count = compareFrames(now, ref, 2'500'000);
        EXPECT_GT(count, 0);
        if (gap < 20'000) {
            EXPECT_TRUE(alarmRaised(count, 50)) << count;  // the ball moved as well
        }
    }
}

TEST_F(CaptureTest, CopyPutsExactlyTheCurrentCameraFrameOnTheClipboard) {
    catalog.addCamera("cam0");
    VideoCaptureControl control(clipboard, catalog);
    ASSERT_FALSE(control.showsScene());
    VideoSinkSource* camera = catalog.opened();
    ASSERT_NE(camera, nullptr);
    EXPECT_FALSE(control.copyFrameToClipboard());  // no frame yet

    camera->sink()->setVideoFrame(
        solidFrame({320, 240}, QVideoFrameFormat::Format_BGRA8888, QColor(10, 200, 30)));
    ASSERT_TRUE(control.copyFrameToClipboard());
    EXPECT_EQ(clipboard.content, control.currentFrame());
    EXPECT_EQ(clipboard.content.pixel(5, 5), qRgb(10, 200, 30));

    camera->sink()->setVideoFrame(
        solidFrame({320, 240}, QVideoFrameFormat::Format_BGRA8888, QColor(200, 0, 0)));
    ASSERT_TRUE(control.copyFrameToClipboard());
    EXPECT_EQ(clipboard.content.pixel(5, 5), qRgb(200, 0, 0));

    clipboard.refuseSet = true;
    EXPECT_FALSE(control.copyFrameToClipboard());
}

TEST_F(CaptureTest, CameraFormatsComeOutAsOpaqueRgb32AtTheCaptureSize) {
    catalog.addCamera("cam0");
    VideoCaptureControl control(clipboard, catalog);
    VideoSinkSource* camera = catalog.opened();
    ASSERT_NE(camera, nullptr);
    const QColor colour(180, 60, 90);
    for (const auto format : {QVideoFrameFormat::Format_BGRA8888, QVideoFrameFormat::Format_NV12,
                              QVideoFrameFormat::Format_YUYV}) {
        for (const QSize size :
             {QSize(320, 240), QSize(640, 480), QSize(1280, 720), QSize(160, 120)}) {
            SCOPED_TRACE(testing::Message()
                         << format << " " << size.width() << "x" << size.height());
            camera->sink()->setVideoFrame(solidFrame(size, format, colour));
            const QImage img = control.currentFrame();
            ASSERT_EQ(img.size(), QSize(320, 240));
            EXPECT_EQ(img.format(), QImage::Format_RGB32);
            EXPECT_TRUE(allOpaque(img));
            const QColor got = img.pixelColor(160, 120);
            EXPECT_NEAR(got.red(), colour.red(), 4);
            EXPECT_NEAR(got.green(), colour.green(), 4);
            EXPECT_NEAR(got.blue(), colour.blue(), 4);
        }
    }
}

TEST_F(CaptureTest, WideFramesAreCroppedTo4By3NotStretched) {
    QImage wide(1280, 720, QImage::Format_RGB32);
    wide.fill(Qt::black);
    wide.fill(Qt::blue);
    for (int y = 0; y < 720; ++y) {
        for (int x = 0; x < 160; ++x) {
            wide.setPixel(x, y, qRgb(255, 0, 0));         // cropped away on the left
            wide.setPixel(1279 - x, y, qRgb(255, 0, 0));  // and on the right
        }
    }
    const QImage out = normaliseFrame(wide, {320, 240});
    EXPECT_EQ(out.size(), QSize(320, 240));
    EXPECT_EQ(out.pixel(1, 120), qRgb(0, 0, 255));
    EXPECT_EQ(out.pixel(318, 120), qRgb(0, 0, 255));
    EXPECT_TRUE(normaliseFrame(QImage(), {320, 240}).isNull());
    EXPECT_EQ(normaliseFrame(QImage(1, 1, QImage::Format_ARGB32), {320, 240}).size(),
              QSize(320, 240));
}

TEST_F(CaptureTest, CaptureSizeScalesFramesAndTheCopy) {
    VideoCaptureControl control(clipboard, catalog);
    control.setCaptureSize({640, 480});
    ASSERT_TRUE(control.copyFrameToClipboard());
    EXPECT_EQ(clipboard.content.size(), QSize(640, 480));
}

TEST_F(CaptureTest, FallsBackToTheSceneWhenTheCameraGoesAndTakesOneThatComes) {
    catalog.addCamera("cam0");
    VideoCaptureControl control(clipboard, catalog);
    ASSERT_FALSE(control.showsScene());
    catalog.removeCamera("cam0");
    ASSERT_TRUE(control.showsScene());
    auto* scene = qobject_cast<SceneSource*>(control.source());
    ASSERT_NE(scene, nullptr);
    EXPECT_TRUE(scene->notice().contains("försvann"));
    EXPECT_TRUE(control.copyFrameToClipboard());

    catalog.addCamera("cam1");
    EXPECT_FALSE(control.showsScene());
    EXPECT_EQ(control.cameraId(), "cam1");

    // A scene the user chose stays, whatever cameras come.
    control.useScene();
    catalog.addCamera("cam2");
    EXPECT_TRUE(control.showsScene());
}

TEST(SystemCatalogTest, ListsACameraOnceAndDropsAnEntryThatOutlivesItsTwin) {
    QSet<QByteArray> stale;
    const QList<CameraInfo> start = {{"0", "Virtual camera"}, {"1", "Virtual camera"}};
    QList<CameraInfo> listed = SystemCatalog::usable({}, start, stale);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].id, "0");
    // Unplugged: Qt keeps "1", which would crash when opened.
    const QList<CameraInfo> unplugged = {{"1", "Virtual camera"}};
    EXPECT_TRUE(SystemCatalog::usable(start, unplugged, stale).isEmpty());
    // Plugged in again as "2": that one is listed, "1" stays out.
    const QList<CameraInfo> again = {{"1", "Virtual camera"}, {"2", "Virtual camera"}};
    listed = SystemCatalog::usable(unplugged, again, stale);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].id, "2");
    // Another camera is not touched by that.
    const QList<CameraInfo> two = {{"2", "Virtual camera"}, {"3", "USB Camera"}};
    EXPECT_EQ(SystemCatalog::usable(again, two, stale).size(), 2);
}

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

// Copies, and refuses a page handed back to the system, as PipeWire hands back a camera's
// buffers when it goes.
bool copiesAndRefusesWhatIsGone() {
    const std::vector<std::uint8_t> from = {1, 2, 3, 4, 5};
    std::vector<std::uint8_t> to(5, 0);
    if (!guardedCopy(to.data(), from.data(), from.size()) || to != from) return false;
#if defined(__linux__)
    const long page = sysconf(_SC_PAGESIZE);
    auto* gone = static_cast<std::uint8_t*>(mmap(nullptr, static_cast<std::size_t>(page) * 2,
                                                 PROT_READ | PROT_WRITE,
                                                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (gone == MAP_FAILED) return false;
    munmap(gone + page, static_cast<std::size_t>(page));
    // Wholly gone, and running from a mapped page into one that is gone.
    if (guardedCopy(to.data(), gone + page, 5) || guardedCopy(to.data(), gone + page - 2, 5))
        return false;
    munmap(gone, static_cast<std::size_t>(page));
#endif
    return true;
}

TEST(GuardedCopyTest, CopiesMappedMemoryAndRefusesMemoryThatIsGone) {
    EXPECT_TRUE(copiesAndRefusesWhatIsGone());
}

#if defined(__linux__)
// Forbids process_vm_readv as some sandboxes do (EPERM), then copies; exits 0 when all went right.
[[noreturn]] void copyWhereTheKernelMayNotRead() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_process_vm_readv, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        std::_Exit(2);
    std::uint8_t probe = 0;
    iovec v{&probe, 1};
    if (process_vm_readv(getpid(), &v, 1, &v, 1, 0) != -1 || errno != EPERM) std::_Exit(3);
    std::_Exit(copiesAndRefusesWhatIsGone() ? 0 : 1);
}

TEST(GuardedCopyTest, StillGuardsWhereReadingThroughTheKernelIsForbidden) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(copyWhereTheKernelMayNotRead(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace skymra::test
