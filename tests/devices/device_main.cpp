// The device tests' entry, and the program's measured modes: one cold start to the first camera
// frame, and the preview's processor time on a camera or a stream.
#include "app/form/language.h"
#include "tests/devices/program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace skymra::test {
QElapsedTimer sinceStart;
}  // namespace skymra::test

int main(int argc, char** argv) {
    skymra::test::sinceStart.start();
    // Headless unless told otherwise: the tests are listed at build time, with no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    skymra::installFontSubstitutes();
    skymra::installSwedishTranslations(app);
    if (argc > 1 && qstrcmp(argv[1], "--first-frame") == 0) {
        // One cold start: prints the milliseconds from process start to a camera frame shown.
        skymra::test::Program p;
        QObject::connect(&p.capture(), &skymra::VideoCaptureControl::previewUpdated, [&] {
            if (p.showsCamera()) {
                std::printf("%lld\n", static_cast<long long>(skymra::test::sinceStart.elapsed()));
                QApplication::exit(0);
            }
        });
        QTimer::singleShot(10000, [] { QApplication::exit(2); });
        return QApplication::exec();
    }
    const bool stream = argc > 3 && qstrcmp(argv[1], "--stream-cpu") == 0;
    if (stream || (argc > 2 && qstrcmp(argv[1], "--preview-cpu") == 0)) {
        // The whole process's processor time while the preview runs for the given seconds,
        // after the first camera frame, as a share of one core, and the frames delivered: of
        // the camera, or of the stream at the address given.
        skymra::test::Program p;
        if (stream) p.capture().openStream(QUrl(QString::fromLocal8Bit(argv[2])));
        if (!QTest::qWaitFor([&] { return p.showsCamera(); }, 10000)) return 2;
        if (stream) ++argv;
        int frames = 0;
        QObject::connect(p.capture().source(), &skymra::FrameSource::frameChanged,
                         [&] { ++frames; });
        const double seconds = std::atof(argv[2]);
        const std::clock_t cpu = std::clock();
        QElapsedTimer wall;
        wall.start();
        // The program's own event loop, which sleeps until something happens (qWait would
        // wake it a hundred times a second and count that against it).
        QEventLoop running;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &running, &QEventLoop::quit);
        running.exec();
        const double used = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
        std::printf("%.1f %.1f\n", 100.0 * used / elapsed, frames / elapsed);
        return p.showsCamera() ? 0 : 3;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
