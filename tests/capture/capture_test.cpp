#include "camera/camera_source.h"
#include "capture/system_catalog.h"
#include "capture/video_capture.h"
#include "detect/frame_compare.h"
#include "scene/scene_source.h"
#include "tests/support/fakes.h"

#include <QVideoFrame>

#include <gtest/gtest.h>

#include <algorithm>
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

// Qt 6.4 lists every camera present at its start again soon after (a shadow, in the same order)
// and keeps the shadow when the camera goes.
TEST(SystemCatalogTest, ListsEachCameraOnceNumberedByModelAndNeverAShadow) {
    QHash<QByteArray, bool> listable;
    const QString cam = "Virtual camera";
    const auto listed = [&](const QList<CameraInfo>& now, const QStringList& present) {
        QStringList out;
        for (const CameraInfo& c : SystemCatalog::usable(now, present, listable))
            out << c.id + ' ' + c.description;
        return out;
    };
    listed({{"0", cam}, {"1", cam}}, {cam, cam});
    EXPECT_EQ(
        listed({{"0", cam}, {"1", cam}, {"2", cam}, {"3", cam}, {"4", "USB"}}, {cam, cam, "USB"}),
        (QStringList{"0 Virtual camera (1)", "1 Virtual camera (2)", "4 USB"}));
    // One goes: the other stays, by its plain name; back again, it is numbered after that one.
    EXPECT_EQ(listed({{"1", cam}, {"2", cam}, {"3", cam}}, {cam}), QStringList{"1 Virtual camera"});
    EXPECT_EQ(listed({{"1", cam}, {"2", cam}, {"3", cam}, {"5", cam}}, {cam, cam}),
              (QStringList{"1 Virtual camera (1)", "5 Virtual camera (2)"}));
    // All gone: the shadows Qt keeps stay out, though a name is allowed one camera at least.
    EXPECT_TRUE(listed({{"2", cam}, {"3", cam}}, {}).isEmpty());
    // Where the platform lists cameras exactly (Windows), every entry is one.
    EXPECT_EQ(SystemCatalog::usable({{"a", cam}, {"b", cam}}, std::nullopt, listable).size(), 2);
}

}  // namespace
}  // namespace skymra::test
