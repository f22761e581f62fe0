// Faults and bad input on the real window: no crash, a message where a step failed, nothing lost.
#include "tests/support/window_fixture.h"

#include <QTest>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

class FaultTest : public WindowFixture {
  protected:
    // The state table holds in either view.
    void expectConsistent() {
        EXPECT_TRUE(form->Command3->isEnabled());
        EXPECT_TRUE(form->Command5->isEnabled());
        EXPECT_TRUE(form->cmdFormatDlg->isEnabled());
        if (form->Picture2->isVisibleTo(form.get())) {
            EXPECT_TRUE(form->Command2->isEnabled());
            EXPECT_FALSE(form->Label2->text().isEmpty());
            EXPECT_FALSE(form->Label3->text().isEmpty());
        } else {
            EXPECT_FALSE(form->Command2->isEnabled());
        }
    }
};

TEST_F(FaultTest, TheCameraGoingBetweenTwoSnapshotsKeepsTheReference) {
    show(solid(Qt::blue));
    click(form->Command3);
    const QImage reference = form->Picture1->persistentImage();
    catalog.removeCamera("cam0");  // unplugged
    ASSERT_TRUE(form->ezVidCap1->showsScene());
    click(form->Command4);
    click(form->Command1);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(form->Picture1->persistentImage(), reference);
    EXPECT_NE(form->ezVidCap->persistentImage(), reference);  // the scene's frame
    EXPECT_TRUE(form->Picture2->isVisibleTo(form.get()));
    expectConsistent();
    // Said after the check, which kept all its results.
    ASSERT_EQ(notices.size(), 1);
    EXPECT_EQ(notices[0],
              "Bilderna kommer från olika källor: referensbilden från cam0, den nya bilden från "
              "den inbyggda testbilden. Förändringarna kan bero på bytet av källa.");
    EXPECT_FALSE(form->Label2->text().isEmpty());
    // A snapshot from the same source as the reference again: nothing to say.
    catalog.addCamera("cam1");
    click(form->Command2);
    click(form->Command3);
    click(form->Command4);
    click(form->Command1);
    EXPECT_EQ(notices.size(), 1);
}

TEST_F(FaultTest, FramesOfOtherSizesAndFormatsGiveFullSizeSnapshots) {
    for (const QSize size : {QSize(160, 120), QSize(640, 480), QSize(1, 1), QSize(1920, 1080)}) {
        SCOPED_TRACE(size.width());
        show(solid(Qt::green, size));
        click(form->Command3);
        EXPECT_EQ(form->Picture1->picture().size(), QSize(320, 240));
        EXPECT_EQ(form->Picture1->persistentImage().pixel(319, 239), qRgb(0, 255, 0));
    }
    camera->sink()->setVideoFrame(solidFrame({2, 2}, QVideoFrameFormat::Format_NV12, Qt::white));
    click(form->Command4);
    camera->sink()->setVideoFrame(QVideoFrame());  // an invalid frame is ignored
    click(form->Command4);
    click(form->Command1);
    EXPECT_TRUE(errors.isEmpty());
    expectConsistent();
}

TEST_F(FaultTest, AClipboardWithoutAPictureLeavesTheBoxShowingItsBackground) {
    struct TextOnly : FakeClipboard {
        void setImage(const QImage&) override {}  // another program keeps its text there
    } text;
    Form1 other(services(text, sound));
    other.Picture1->setPicture(solid(Qt::red));
    QTest::mouseClick(other.Command3, Qt::LeftButton);
    EXPECT_EQ(other.Picture1->persistentImage(), solid(QColor(0, 0, 0x80)));
    EXPECT_TRUE(other.Command4->isEnabled());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(FaultTest, ACheckWithoutAnAudioDeviceKeepsItsResults) {
    SystemAudioPlayer silent;  // tests run with no audio server
    AlarmSound noDevice(silent);
    Form1 other(services(clipboard, noDevice));
    other.Slider1->setValue(0);
    QTest::mouseClick(other.Command3, Qt::LeftButton);
    QTest::mouseClick(other.Command4, Qt::LeftButton);
    QTest::mouseClick(other.Command1, Qt::LeftButton);
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_EQ(other.Label2->text(), "76799");
    EXPECT_EQ(other.Shape1->fillColor(), QColor(255, 0, 0));
}

TEST_F(FaultTest, AStormOfQueuedClicksAndReleasesDuringAYieldLeavesAConsistentWindow) {
    show(solid(Qt::black));
    click(form->Command3);
    show(solid(Qt::red));
    form->Slider1->setValue(0);  // every check alarms and yields once more in SoundPlay
    for (int i = 0; i < 20; ++i) {
        postClick(form->Command1, form->Command1->rect().center());
        postClick(form->Command4, form->Command4->rect().center());
        postClick(form->Slider1, {4, form->Slider1->height() / 2});
        if (i % 5 == 0) postClick(form->Command2, form->Command2->rect().center());
        postClick(form->Picture2, {10 + i, 20 + i});
    }
    const QImage reference = form->Picture1->persistentImage();
    form->runHandler([this] { form->Slider1_MouseUp(); });
    QCoreApplication::processEvents();
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    EXPECT_EQ(form->Picture1->persistentImage(), reference);
    EXPECT_GT(player.plays, 1);
    expectConsistent();
}

}  // namespace
}  // namespace skymra::test
