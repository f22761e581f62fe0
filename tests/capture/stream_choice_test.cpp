// How the capture control takes a stream up, keeps what it had when one fails, and reconnects one
// that dropped, and how Set Camera asks for an address. Streams here are fed sinks; the real ones
// run in the device tests.
#include "capture/capture_dialogs.h"
#include "capture/video_capture.h"
#include "scene/scene_source.h"
#include "stream/stream_address.h"
#include "tests/support/fakes.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QInputDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QVideoSink>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

// A stream the test feeds, as the fake catalog opens it.
class StreamTest : public ::testing::Test {
  protected:
    static void feed(FakeCatalog& catalog, QColor colour) {
        ASSERT_NE(catalog.opened(), nullptr);
        catalog.opened()->sink()->setVideoFrame(frameFromImage(solid(colour)));
    }
    static QColor centre(const QImage& image) {
        return image.isNull() ? QColor() : image.pixelColor(image.rect().center());
    }

    FakeClipboard clipboard;
    FakeCatalog catalog;
    const QUrl url{"http://127.0.0.1:8080/video.mjpg"};
};

TEST_F(StreamTest, AStreamIsTakenUpAtItsFirstFrameAndAFailedOneChangesNothing) {
    catalog.addCamera("cam0");
    VideoCaptureControl control(clipboard, catalog);
    feed(catalog, Qt::green);
    int opened = 0;
    QStringList failed;
    QObject::connect(&control, &VideoCaptureControl::streamOpened, [&] { ++opened; });
    QObject::connect(&control, &VideoCaptureControl::streamFailed,
                     [&](const QString& why) { failed << why; });

    control.openStream(url);
    EXPECT_EQ(control.cameraId(), "cam0");  // nothing changes before a frame came
    emit catalog.opened()->lost("ingen kontakt med källan (Anslutningen nekades)");
    EXPECT_EQ(failed, QStringList{"ingen kontakt med källan (Anslutningen nekades)"});
    EXPECT_EQ(control.cameraId(), "cam0");
    EXPECT_TRUE(control.reconnectingStream().isEmpty());

    control.openStream(url);
    feed(catalog, Qt::blue);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(control.stream(), url);
    EXPECT_FALSE(control.showsScene());
    EXPECT_TRUE(control.cameraId().isEmpty());
    EXPECT_EQ(control.sourceName(), url.toString());
    EXPECT_EQ(centre(control.currentFrame()), QColor(Qt::blue));
    EXPECT_EQ(catalog.streamsOpened, (QList<QUrl>{url, url}));
}

TEST_F(StreamTest, ADroppedStreamShowsTheSceneAndComesBackWithoutTakingANewCamera) {
    VideoCaptureControl control(clipboard, catalog);
    control.openStream(url);
    feed(catalog, Qt::blue);
    ASSERT_EQ(control.stream(), url);

    emit catalog.opened()->lost("strömmen bröts (Fjärrvärden stängde anslutningen)");
    ASSERT_TRUE(control.showsScene());
    auto* scene = qobject_cast<SceneSource*>(control.source());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->notice(),
              "Testbild: nytt försök om 1 s; strömmen bröts (Fjärrvärden stängde anslutningen)");
    EXPECT_EQ(control.reconnectingStream(), url);
    EXPECT_EQ(control.sourceName(), "den inbyggda testbilden");

    // A camera plugged in meanwhile does not push the user's stream aside.
    catalog.addCamera("cam0");
    EXPECT_TRUE(control.showsScene());

    // The first attempt, after a second, fails; the next waits longer.
    ASSERT_TRUE(QTest::qWaitFor([&] { return catalog.streamsOpened.size() == 2; }, 3000));
    emit catalog.opened()->lost("ingen kontakt med källan");
    scene = qobject_cast<SceneSource*>(control.source());
    ASSERT_NE(scene, nullptr);
    EXPECT_EQ(scene->notice(), "Testbild: nytt försök om 2 s; ingen kontakt med källan");

    ASSERT_TRUE(QTest::qWaitFor([&] { return catalog.streamsOpened.size() == 3; }, 4000));
    feed(catalog, Qt::red);
    EXPECT_EQ(control.stream(), url);
    EXPECT_EQ(centre(control.currentFrame()), QColor(Qt::red));
    EXPECT_TRUE(control.reconnectingStream().isEmpty());
}

TEST_F(StreamTest, ChoosingAnotherSourceCallsTheReconnectingOff) {
    VideoCaptureControl control(clipboard, catalog);
    control.openStream(url);
    feed(catalog, Qt::blue);
    emit catalog.opened()->lost("strömmen tog slut");
    ASSERT_EQ(control.reconnectingStream(), url);
    control.useScene();
    EXPECT_TRUE(control.reconnectingStream().isEmpty());
    ASSERT_TRUE(passTimersDueWithin(StreamOpener::DefaultPausesMs.first()));
    EXPECT_EQ(catalog.streamsOpened.size(), 1);
}

TEST_F(StreamTest, SetCameraAsksForTheAddressAndSaysWhyOneCannotBeUsed) {
    VideoCaptureControl control(clipboard, catalog);
    SourceDialog dialog(control, catalog);
    auto* sources = dialog.findChild<QComboBox*>();
    const int item = sources->findText("Videoström…");
    ASSERT_EQ(item, sources->count() - 1);

    // Answers the address prompt, then whatever message comes.
    QString message;
    QTimer answer;
    QString address = "ftp://127.0.0.1/x";
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        if (auto* input = qobject_cast<QInputDialog*>(top)) {
            input->setTextValue(address);
            input->accept();
        } else if (auto* box = qobject_cast<QMessageBox*>(top)) {
            message = box->text();
            box->accept();
        } else if (top && top != &dialog && catalog.opened()) {
            feed(catalog, Qt::blue);  // the wait for the stream: it delivers
        }
    });
    answer.start(20);
    sources->setCurrentIndex(item);
    emit sources->activated(item);
    EXPECT_TRUE(message.contains("ftp://")) << message.toStdString();
    EXPECT_TRUE(control.showsScene());
    EXPECT_TRUE(catalog.streamsOpened.isEmpty());

    message.clear();
    address = url.toString();
    emit sources->activated(item);
    EXPECT_EQ(message, QString());
    EXPECT_EQ(control.stream(), url);
    // The stream shown is listed as the current source, above the scene.
    EXPECT_EQ(sources->currentText(), url.toString());
    EXPECT_EQ(sources->itemText(sources->currentIndex() + 1), "Inbyggd testbild");
}

}  // namespace
}  // namespace skymra::test
