// The whole workflow by keyboard alone, and what a screen reader finds on the way: the keys do
// what the mouse does. Which events reach the screen reader, and how often, the AT-SPI device test
// tells: without one, Qt sends none.
#include "controls/colors.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

class KeyboardTest : public WindowFixture {
  protected:
    KeyboardTest() {
        showAndWait();
        form->activateWindow();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) {
        QTest::keyClick(QApplication::focusWidget(), k, mods);
    }
};

TEST_F(KeyboardTest, ReturnAndEnterPressTheFocusedButtonAndTheCheckSaysItsResultByFocus) {
    show(solid(Qt::black));
    form->Command3->setFocus();
    key(Qt::Key_Return);
    EXPECT_TRUE(form->Command4->isEnabled());
    show(solid(Qt::red));
    form->Command4->setFocus();
    key(Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_TRUE(form->Command1->isEnabled());

    form->Command1->setFocus();
    key(Qt::Key_Return);
    ASSERT_TRUE(form->Picture2->isVisible());
    EXPECT_EQ(player.plays, 1);
    // Focus leaves the button that turned itself off for the map, named with the result.
    EXPECT_TRUE(form->Picture2->hasFocus());
    EXPECT_EQ(form->Picture2->accessibleName(), "Förändringskarta, 76799 förändringar, larm");
    EXPECT_EQ(form->Label2->text(), "76799");
    EXPECT_EQ(form->Label2->accessibleName(), "Antal förändringar: 76799");
    EXPECT_EQ(form->Shape1->accessibleDescription(), "Larm");

    // Disabled, a button takes no Return.
    form->Command1->setFocus();
    key(Qt::Key_Return);
    EXPECT_EQ(player.plays, 1);
}

TEST_F(KeyboardTest, ReturnOnTheSliderRechecksAsLettingGoOfTheMouseDoes) {
    runCheck(solid(Qt::black), solid(Qt::black));
    ASSERT_EQ(form->Label2->text(), "0");
    form->Slider1->setFocus();
    key(Qt::Key_Left);
    key(Qt::Key_Home);
    EXPECT_EQ(form->Slider1->value(), 0);
    EXPECT_EQ(checks, 1);  // moving the slider checks nothing

    show(solid(Qt::red));
    key(Qt::Key_Return);
    EXPECT_EQ(checks, 2);
    EXPECT_EQ(form->ezVidCap->persistentImage().pixel(5, 5), qRgb(255, 0, 0));  // new snapshot
    EXPECT_EQ(form->Label2->text(), "76799");
    EXPECT_EQ(player.plays, 1);
    // Focus stays for the next value, and the slider carries the result.
    EXPECT_TRUE(form->Slider1->hasFocus());
    EXPECT_EQ(form->Slider1->accessibleDescription(), "76799 förändringar, larm");
    EXPECT_EQ(form->Shape1->accessibleDescription(), "Larm");
    key(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(checks, 3);
    EXPECT_EQ(player.plays, 2);
    // Back to the video window: the result no longer stands.
    click(form->Command2);
    EXPECT_TRUE(form->Slider1->accessibleDescription().isEmpty());
}

TEST_F(KeyboardTest, ArrowsMoveAPointOnTheMapAndReturnOrSpacePlacesTheMarkersThere) {
    runCheck(solid(Qt::black), solid(Qt::red));
    ASSERT_TRUE(form->Picture2->hasFocus());
    // Parked after the reference snapshot: outside their boxes and not showing.
    EXPECT_FALSE(form->Image1->isVisible());
    form->setAttribute(Qt::WA_KeyboardFocusChange);
    const QImage before = form->Picture2->grab().toImage();
    key(Qt::Key_Right);
    key(Qt::Key_Right);
    key(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(form->Picture2->keyboardPoint(), QPoint(176, 121));
    EXPECT_NE(form->Picture2->grab().toImage(), before);  // the point is drawn
    EXPECT_TRUE(form->Picture2->accessibleDescription().startsWith("Punkt 176, 121."));
    key(Qt::Key_Return);
    // As a click on (176, 121) would: centred there.
    EXPECT_EQ(form->Image1->pos(), QPoint(160, 105));
    EXPECT_EQ(form->Image2->pos(), QPoint(160, 105));
    EXPECT_TRUE(form->Image1->isVisible());
    EXPECT_EQ(form->Image2->accessibleDescription(), "Markerar punkten 176, 121");

    // Never off the map, and Space places too.
    for (int i = 0; i < 50; ++i) key(Qt::Key_Up);
    key(Qt::Key_Space);
    EXPECT_EQ(form->Image1->pos(), QPoint(160, -16));
}

TEST_F(KeyboardTest, BackMarksTheCountAsTheLastChecksAndPicturesSayWhatTheyShow) {
    EXPECT_EQ(form->Picture1->accessibleDescription(), "Ingen referensbild tagen");
    runCheck(solid(Qt::black), solid(Qt::black));
    EXPECT_TRUE(form->Picture1->accessibleDescription().startsWith("Referensbild tagen "));
    EXPECT_TRUE(form->ezVidCap->accessibleDescription().startsWith("Ny bild tagen "));
    EXPECT_EQ(form->Picture2->accessibleName(), "Förändringskarta, 0 förändringar, inget larm");
    form->Command2->setFocus();
    key(Qt::Key_Return);
    EXPECT_FALSE(form->Picture2->isVisible());
    EXPECT_EQ(form->Label2->accessibleName(), "Antal förändringar vid förra kontrollen: 0");
}

TEST_F(KeyboardTest, SilenceIsToldInTheIndicatorNotOnlyOnStandardError) {
    player.problemText = "ingen ljudutgång hittades, larmet kan inte höras.";
    runCheck(solid(Qt::black), solid(Qt::red));
    EXPECT_EQ(form->Shape1->accessibleDescription(),
              "Larm. Ingen ljudutgång hittades, larmet kan inte höras.");
    EXPECT_EQ(form->Shape1->toolTip(), "Ingen ljudutgång hittades, larmet kan inte höras.");
    player.problemText.clear();
    click(form->Command2);
    EXPECT_EQ(form->Shape1->accessibleDescription(), "Inget larm");
    EXPECT_TRUE(form->Shape1->toolTip().isEmpty());
}

}  // namespace
}  // namespace skymra::test
