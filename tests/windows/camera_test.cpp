// The Windows camera path as it runs, under Wine on a real display, with a simulated webcam under
// Qt's Media Foundation backend: listed and chosen in "Set Camera", its pattern in the preview,
// its formats in "Display Format" and switched, a check that finds what moved with the alarm
// rung (recorded by on_display_recorded.sh), and the camera unplugged and plugged in again.
#include "app/form/form1.h"
#include "app/form/language.h"
#include "app/form/program.h"
#include "scene/scene_source.h"
#include "tests/windows/on_windows.h"
#include "tests/windows/simulated_camera.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>

namespace skymra::test {
namespace {

namespace Camera = SimulatedCamera;

// The pattern at the capture size: the dark bar on top, the grey room, and the white square
// somewhere along its row.
bool showsThePattern(const QImage& frame) {
    if (frame.isNull()) return false;
    const int w = frame.width(), h = frame.height();
    const auto luma = [&](int x, int y) { return qGray(frame.pixel(x, y)); };
    int white = 0;
    const int row = h / 2 + Camera::SquareSide(h) / 2;
    for (int x = 0; x < w; ++x) white += luma(x, row) > 220;
    std::printf("pattern: bar %d, room %d, %d white in the square's row\n", luma(w / 2, h / 16),
                luma(w / 2, h / 3), white);
    return luma(w / 2, h / 16) < 30 && std::abs(luma(w / 2, h / 3) - 130) < 12 && white >= 8 &&
           white <= w / 5;
}

// Runs `drive` on the next modal dialog, then closes it.
void onDialog(const std::function<void(QDialog&)>& drive) {
    QTimer::singleShot(0, [drive] {
        ASSERT_TRUE(pumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, 5000));
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        drive(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

TEST(CameraOnWindowsTest, ListedShownSwitchedCheckedUnpluggedAndTakenBack) {
    QStringList errors, notices;
    Program program({.player = nullptr,
                     .reportError = [&](const QString& e) { errors << e; },
                     .inform = [&](const QString& n) { notices << n; }});
    Form1& form = program.window();
    VideoCaptureControl& capture = program.capture();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto showsCamera = [&] {
        return !capture.showsScene() && showsThePattern(capture.currentFrame());
    };

    // Listed in "Set Camera" by its name, and chosen there over the test picture.
    capture.useScene();
    onDialog([&](QDialog& dialog) {
        auto* sources = dialog.findChild<QComboBox*>();
        ASSERT_NE(sources, nullptr);
        const int item = sources->findText(Camera::Name);
        ASSERT_GE(item, 0) << "not listed";
        sources->setCurrentIndex(item);
        emit sources->activated(item);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
    });
    form.Command5_Click();
    ASSERT_TRUE(pumpUntil(showsCamera, 8000)) << qPrintable(capture.sourceName());
    EXPECT_EQ(capture.sourceName(), Camera::Name);

    // "Display Format" offers each size and format; the other size is taken and keeps the preview.
    const QStringList formats = capture.source()->formats();
    std::printf("formats: %s\n", qPrintable(formats.join(" | ")));
    // Qt 6.4's Windows backend knows no MJPG: the camera's two MJPG modes are not offered.
    EXPECT_EQ(formats.size(), 4);
    EXPECT_EQ(QStringList(formats).removeDuplicates(), 0) << "two formats read the same";
    const int current = capture.source()->currentFormat();
    const int wide =
        static_cast<int>(formats.indexOf(formats.filter(QStringLiteral("1280 × 720")).value(0)));
    ASSERT_GE(wide, 0);
    onDialog([&](QDialog& dialog) {
        QComboBox* choice = nullptr;  // the source's formats, not the capture sizes
        for (auto* box : dialog.findChildren<QComboBox*>())
            if (box->itemText(0).contains(QStringLiteral("bilder/s"))) choice = box;
        ASSERT_NE(choice, nullptr);
        choice->setCurrentIndex(wide);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    form.cmdFormatDlg_Click();
    EXPECT_NE(current, wide);
    EXPECT_TRUE(pumpUntil([&] { return capture.source()->currentFormat() == wide; }, 3000));
    pump(1000);
    EXPECT_TRUE(pumpUntil(showsCamera, 5000));

    // Two snapshots with the square moved on, and the check: the change found, the indicator red,
    // the alarm rung, and rung again.
    QTest::mouseClick(form.Command3, Qt::LeftButton);
    pump(700);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    form.Slider1->setValue(form.Slider1->minimum());
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    std::printf("alarm at check: %s changes\n", qPrintable(form.Label2->text()));
    pump(500);
    EXPECT_GT(form.Label2->text().toInt(), 5 * form.Slider1->value());
    EXPECT_EQ(centreOf(screenOf(form), form, *form.Shape1), qRgb(255, 0, 0));
    const QImage reference = form.Picture1->persistentImage();
    EXPECT_TRUE(showsThePattern(reference));
    ringTwiceMore(form);

    // Unplugged: the test picture with the reason; plugged in again: taken back, snapshots kept.
    Camera::setPlugged(false);
    ASSERT_TRUE(pumpUntil([&] { return capture.showsScene(); }, 5000));
    auto* scene = qobject_cast<SceneSource*>(capture.source());
    ASSERT_NE(scene, nullptr);
    std::printf("unplugged: %s\n", qPrintable(scene->notice()));
    EXPECT_TRUE(scene->notice().contains(QStringLiteral("försvann")));
    Camera::setPlugged(true);
    EXPECT_TRUE(pumpUntil(showsCamera, 8000)) << qPrintable(capture.sourceName());
    EXPECT_EQ(form.Picture1->persistentImage(), reference);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
}

}  // namespace
}  // namespace skymra::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    skymra::installFontSubstitutes();
    skymra::installSwedishTranslations(app);
    QString why;
    if (!skymra::test::SimulatedCamera::install(&why)) {
        std::printf("the simulated camera cannot be installed: %s\n", qPrintable(why));
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
