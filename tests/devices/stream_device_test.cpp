// Video streams and files as the program plays them: Qt Multimedia and GStreamer for a clip the
// test makes, Qt Network for a network camera the test serves on 127.0.0.1. Nothing faked, and
// no address but the loopback one is ever asked.
#include "scene/scene_source.h"
#include "tests/devices/mjpeg_server.h"
#include "tests/devices/program.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace skymra::test {
namespace {

bool bluish(const QImage& image) {
    if (image.isNull()) return false;
    const QRgb p = image.pixel(image.width() / 2, image.height() / 2);
    return qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60;
}

// Two seconds of SMPTE bars at 25 frames a second, as MJPEG in AVI.
QString makeClip(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("bars.avi"));
    QProcess gst;
    gst.start(QStringLiteral("gst-launch-1.0"),
              {"-q", "videotestsrc", "num-buffers=50", "pattern=smpte", "!",
               "video/x-raw,width=320,height=240,framerate=25/1", "!", "jpegenc", "!", "avimux",
               "!", "filesink", "location=" + path});
    if (!gst.waitForFinished(30000) || gst.exitCode() != 0) return {};
    return path;
}

bool showsStream(Program& p) {
    return !p.capture().stream().isEmpty() && !p.capture().preview().isNull();
}

TEST(StreamDevice, AClipPlaysAsTheSourceLoopsAndIsSnapshotted) {
    QTemporaryDir dir;
    const QString clip = makeClip(dir);
    ASSERT_FALSE(clip.isEmpty()) << "gst-launch-1.0 could not make the clip";
    Program p;
    EXPECT_EQ(chooseStream(p, clip), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return showsStream(p); }, 5000));
    EXPECT_TRUE(p.capture().stream().isLocalFile());
    p.window.Command3_Click();
    EXPECT_TRUE(looksLikeBars(p.window.Picture1->persistentImage(), 255));

    // Past the clip's two seconds it plays on from its start.
    int frames = 0;
    QObject::connect(p.capture().source(), &FrameSource::frameChanged, [&] { ++frames; });
    QTest::qWait(3500);
    std::printf("%d frames of a 50-frame clip in 3.5 s\n", frames);
    EXPECT_GT(frames, 60);
    ASSERT_TRUE(showsStream(p));
    p.window.Command4_Click();
    p.window.Command1_Click();
    EXPECT_TRUE(looksLikeBars(p.window.ezVidCap->persistentImage(), 255));
    EXPECT_TRUE(p.notices.isEmpty()) << p.notices.join(' ').toStdString();
    EXPECT_EQ(p.capture().sourceName(), QDir::toNativeSeparators(clip));
}

TEST(StreamDevice, ANetworkCameraThatDropsIsReconnectedAndTheReferenceKept) {
    MjpegServer camera([](int) {
        QImage blue(320, 240, QImage::Format_RGB32);
        blue.fill(QColor(0, 0, 255));
        return blue;
    });
    ASSERT_TRUE(camera.start());
    Program p;
    EXPECT_EQ(chooseStream(p, camera.address()), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return showsStream(p); }, 5000));
    EXPECT_TRUE(bluish(p.capture().currentFrame()));
    p.window.Command3_Click();
    const QImage reference = p.window.Picture1->persistentImage();
    ASSERT_TRUE(bluish(reference));

    QElapsedTimer down;
    down.start();
    camera.cutOff();
    ASSERT_TRUE(QTest::qWaitFor([&] { return p.capture().showsScene(); }, 5000));
    std::printf("the scene took over %lld ms after the camera was cut off\n",
                static_cast<long long>(down.elapsed()));
    auto* scene = qobject_cast<SceneSource*>(p.capture().source());
    ASSERT_NE(scene, nullptr);
    EXPECT_TRUE(scene->notice().contains(QStringLiteral("nytt försök")))
        << scene->notice().toStdString();
    EXPECT_EQ(p.capture().reconnectingStream().toString(), camera.address());
    // At least one attempt finds nobody listening before the camera comes back.
    QTest::qWait(2500);
    EXPECT_TRUE(p.capture().showsScene());
    EXPECT_EQ(p.window.Picture1->persistentImage(), reference);

    ASSERT_TRUE(camera.start(camera.port()));
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return showsStream(p); }, 20000));
    std::printf("back %lld ms after the camera was, after %d requests\n",
                static_cast<long long>(back.elapsed()), camera.requests());
    EXPECT_GE(camera.requests(), 2);
    EXPECT_TRUE(bluish(p.capture().currentFrame()));
    p.window.Command4_Click();
    p.window.Command1_Click();
    EXPECT_EQ(p.window.Picture1->persistentImage(), reference);
    EXPECT_EQ(p.window.Label2->text(), QStringLiteral("0"));
    EXPECT_TRUE(p.notices.isEmpty()) << p.notices.join(' ').toStdString();
}

TEST(StreamDevice, BadAddressesSayWhyAndChangeNothing) {
    QTemporaryDir dir;
    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a video\n");
    text.close();
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    Program p;
    ASSERT_TRUE(p.capture().showsScene());
    const struct {
        QString address;
        QString says;
    } cases[] = {
        {QStringLiteral("ftp://127.0.0.1/clip.avi"), QStringLiteral("ftp:// kan inte användas")},
        {dir.filePath(QStringLiteral("missing.avi")), QStringLiteral("finns inte")},
        {text.fileName(), QStringLiteral("kan inte visas: formatet kan inte spelas")},
        {QStringLiteral("http://127.0.0.1:%1/video.mjpg").arg(closedPort),
         QStringLiteral("kan inte visas: ingen kontakt med källan")},
    };
    for (const auto& c : cases) {
        const QString message = chooseStream(p, c.address);
        std::printf("%s\n", qPrintable(message));
        EXPECT_TRUE(message.contains(c.says))
            << c.address.toStdString() << ": " << message.toStdString();
        EXPECT_TRUE(p.capture().showsScene()) << c.address.toStdString();
        EXPECT_TRUE(p.capture().stream().isEmpty());
        EXPECT_TRUE(p.capture().reconnectingStream().isEmpty());
    }
}

}  // namespace
}  // namespace skymra::test
