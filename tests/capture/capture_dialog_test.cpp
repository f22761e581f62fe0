// The capture control's two dialogs driven as a user would, and its watchdog on injected
// timeouts.
#include "camera/camera_source.h"
#include "capture/capture_dialogs.h"
#include "capture/video_capture.h"
#include "scene/scene_source.h"
#include "tests/support/fakes.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

class CaptureDialogTest : public ::testing::Test {
  protected:
    CaptureDialogTest() {
        catalog.addCamera("cam0");
        catalog.addCamera("cam1");
    }

    static QStringList items(const QComboBox* box) {
        QStringList out;
        for (int i = 0; i < box->count(); ++i) out << box->itemText(i);
        return out;
    }
    static void choose(QComboBox* box, const QString& text) {
        const int i = box->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        box->setCurrentIndex(i);
        emit box->activated(i);
    }
    static QPushButton* button(QDialog& d, QDialogButtonBox::StandardButton which) {
        return d.findChild<QDialogButtonBox*>()->button(which);
    }

    FakeClipboard clipboard;
    FakeCatalog catalog;
};

TEST_F(CaptureDialogTest, SetCameraListsEverySourceAndSwitchesToTheOneChosen) {
    VideoCaptureControl control(clipboard, catalog);
    SourceDialog dialog(control, catalog);
    auto* sources = dialog.findChild<QComboBox*>();
    EXPECT_EQ(items(sources), QStringList({"cam0", "cam1", "Inbyggd testbild", "Videoström…"}));
    EXPECT_EQ(sources->currentText(), "cam0");

    choose(sources, "Inbyggd testbild");
    EXPECT_TRUE(control.showsScene());
    ASSERT_NE(dialog.findChild<QLabel*>(), nullptr);
    choose(sources, "cam1");
    EXPECT_EQ(control.cameraId(), "cam1");

    // A camera that fails to open says so and leaves the one in use.
    catalog.broken << "cam0";
    QString warning;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            warning = box->text() + " / " + box->buttons().at(0)->text();
            box->accept();
        }
    });
    choose(sources, "cam0");
    EXPECT_EQ(warning, "Kameran kunde inte öppnas. / OK");
    EXPECT_EQ(control.cameraId(), "cam1");

    dialog.show();
    EXPECT_EQ(button(dialog, QDialogButtonBox::Close)->text(), "Stäng");
    button(dialog, QDialogButtonBox::Close)->click();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CaptureDialogTest, TheKeyboardMovesThroughTheClosedListAndOnlyReturnChooses) {
    VideoCaptureControl control(clipboard, catalog);
    SourceDialog dialog(control, catalog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* sources = dialog.findChild<QComboBox*>();
    sources->setFocus();
    // Any address dialog that opens is counted and called off.
    int asked = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            ++asked;
            input->reject();
        }
    });
    watch.start(10);

    // Down past every source to "Videoström…", up again, and the wheel: nothing is chosen.
    for (int i = 0; i < 3; ++i) QTest::keyClick(sources, Qt::Key_Down);
    EXPECT_EQ(sources->currentText(), "Videoström…");
    // An address dialog opened now or posted would be open and counted once these have run.
    QCoreApplication::processEvents();
    ASSERT_TRUE(passTimersDueWithin(10));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(control.cameraId(), "cam0");
    QTest::keyClick(sources, Qt::Key_Up);
    EXPECT_EQ(sources->currentText(), "Inbyggd testbild");
    EXPECT_FALSE(control.showsScene());
    QWheelEvent wheel(QPointF(5, 5), sources->mapToGlobal(QPointF(5, 5)), {}, {0, -120},
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(sources, &wheel);
    EXPECT_EQ(control.cameraId(), "cam0");

    // Return takes what the list shows, and the dialog stays open.
    sources->setCurrentIndex(sources->findText("Inbyggd testbild"));
    QTest::keyClick(sources, Qt::Key_Return);
    EXPECT_TRUE(control.showsScene());
    EXPECT_TRUE(dialog.isVisible());
    sources->setCurrentIndex(sources->findText("Videoström…"));
    QTest::keyClick(sources, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked == 1; }));
    // Escape still closes the dialog.
    QTest::keyClick(sources, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(CaptureDialogTest, DisplayFormatSetsTheCaptureSizeOnOkAndNothingOnCancel) {
    VideoCaptureControl control(clipboard, catalog);
    auto sizes = [](FormatDialog& d) { return d.findChildren<QComboBox*>().at(1); };
    {
        FormatDialog dialog(control);
        auto* formats = dialog.findChildren<QComboBox*>().at(0);
        EXPECT_EQ(formats->count(), 0);  // a fed camera lists none
        EXPECT_FALSE(formats->isEnabled());
        EXPECT_EQ(items(sizes(dialog)), QStringList({"320 × 240", "160 × 120", "640 × 480"}));
        EXPECT_EQ(sizes(dialog)->currentText(), "320 × 240");
        sizes(dialog)->setCurrentIndex(2);
        dialog.show();
        EXPECT_EQ(button(dialog, QDialogButtonBox::Ok)->text(), "OK");
        EXPECT_EQ(button(dialog, QDialogButtonBox::Cancel)->text(), "Avbryt");
        button(dialog, QDialogButtonBox::Cancel)->click();
        EXPECT_EQ(dialog.result(), QDialog::Rejected);
    }
    EXPECT_EQ(control.captureSize(), QSize(320, 240));
    {
        FormatDialog dialog(control);
        sizes(dialog)->setCurrentIndex(2);
        dialog.show();
        button(dialog, QDialogButtonBox::Ok)->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(control.captureSize(), QSize(640, 480));
    FormatDialog again(control);
    EXPECT_EQ(sizes(again)->currentText(), "640 × 480");
}

TEST_F(CaptureDialogTest, BothDialogsOpenFromTheControlAndReturnWhenClosed) {
    VideoCaptureControl control(clipboard, catalog);
    QStringList titles;
    auto closeNext = [&] {
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                titles << d->windowTitle();
                d->reject();
            }
        });
    };
    closeNext();
    control.showSourceDialog();
    closeNext();
    control.showFormatDialog();
    EXPECT_EQ(titles, QStringList({"Set Camera", "Display Format"}));
}

TEST_F(CaptureDialogTest, TheWatchdogGivesUpACameraWithoutFramesOrWhoseFramesStop) {
    catalog.watchdog = VideoSinkSource::Watchdog{150, 150};
    VideoCaptureControl control(clipboard, catalog);
    ASSERT_FALSE(control.showsScene());
    // No first frame.
    EXPECT_TRUE(QTest::qWaitFor([&] { return control.showsScene(); }, 5000));

    ASSERT_TRUE(control.useCamera("cam1"));
    VideoSinkSource* camera = catalog.opened();
    // Each frame falls due before the watchdog can, however late this thread runs.
    QTimer feed;
    int fed = 0;
    QObject::connect(&feed, &QTimer::timeout, camera, [&] {
        camera->sink()->setVideoFrame(frameFromImage(solid(Qt::green)));
        ++fed;
    });
    feed.start(20);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fed >= 30 || control.showsScene(); }, 60000));
    EXPECT_FALSE(control.showsScene());  // four times the stall time, with frames flowing
    feed.stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return control.showsScene(); }, 5000));
    auto* scene = qobject_cast<SceneSource*>(control.source());
    ASSERT_NE(scene, nullptr);
    EXPECT_TRUE(scene->notice().contains("slutade skicka bilder"));
}

}  // namespace
}  // namespace skymra::test
