#include "controls/colors.h"
#include "tests/support/window_fixture.h"

#include <QStyleOptionSlider>
#include <QTest>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

class ResultViewTest : public WindowFixture {
  protected:
    ResultViewTest() {
        now = QDateTime(QDate(2026, 12, 7), QTime(9, 0));
        showAndWait();
    }
    // QTest takes (0, 0) for "the centre", so the map gets its events by hand.
    void clickAt(QWidget* w, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, {});
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button,
                            Qt::NoButton, {});
        QCoreApplication::sendEvent(w, &press);
        QCoreApplication::sendEvent(w, &release);
    }
    QPoint handleCentre() {
        QStyleOptionSlider opt;
        opt.initFrom(form->Slider1);
        opt.orientation = Qt::Horizontal;
        opt.minimum = form->Slider1->minimum();
        opt.maximum = form->Slider1->maximum();
        opt.sliderPosition = form->Slider1->value();
        opt.sliderValue = form->Slider1->value();
        opt.tickPosition = form->Slider1->tickPosition();
        opt.tickInterval = form->Slider1->tickInterval();
        return form->Slider1->style()
            ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, form->Slider1)
            .center();
    }
};

TEST_F(ResultViewTest, AReleaseOnTheMapPlacesBothMarkers) {
    runCheck(solid(Qt::black), solid(Qt::red));
    clickAt(form->Picture2, {0, 0});
    EXPECT_EQ(form->Image1->geometry(), QRect(-16, -16, 32, 32));
    EXPECT_EQ(form->Image2->geometry(), QRect(-16, -16, 32, 32));
    clickAt(form->Picture2, {315, 236});
    EXPECT_EQ(form->Image1->pos(), QPoint(299, 220));  // partly outside the box
    EXPECT_EQ(form->Image2->pos(), QPoint(299, 220));
    // Over the time label too: the whole map is clickable.
    const QPoint overLabel = form->Label3->geometry().center();
    QTest::mouseClick(form->window()->windowHandle(), Qt::RightButton, {},
                      form->Picture2->mapTo(form.get(), overLabel));
    EXPECT_EQ(form->Image1->pos(), overLabel - QPoint(16, 16));
    EXPECT_EQ(form->Label2->text(), "76799");  // nothing else changed
}

TEST_F(ResultViewTest, ReleasingTheSliderOnGrooveOrHandleTakesASnapshotAndChecks) {
    show(solid(Qt::black));
    click(form->Command3);
    show(solid(Qt::red));
    form->Slider1->setValue(20);
    click(form->Slider1, handleCentre());
    EXPECT_EQ(checks, 1);
    EXPECT_TRUE(form->Picture2->isVisible());
    EXPECT_EQ(form->state().Threshold, form->Slider1->value() * 50000);
    EXPECT_EQ(form->ezVidCap->persistentImage(), solid(Qt::red));

    const int before = form->Slider1->value();
    click(form->Slider1, {form->Slider1->width() - 4, handleCentre().y()});  // the groove
    EXPECT_EQ(checks, 2);
    EXPECT_GT(form->Slider1->value(), before);  // a page step
    EXPECT_EQ(form->state().Threshold, form->Slider1->value() * 50000);

    QTest::keyClick(form->Slider1, Qt::Key_Left);
    EXPECT_EQ(checks, 2);
    form->Slider1->setValue(70);
    EXPECT_EQ(checks, 2);
}

TEST_F(ResultViewTest, ASliderReleaseBeforeAnyReferenceComparesAgainstPlainNavy) {
    show(solid(QColor(0, 0, 0x80)));
    click(form->Slider1, handleCentre());
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(form->Label2->text(), "0");
    EXPECT_EQ(form->Picture2->persistentImage(), solid(Qt::black));
}

TEST_F(ResultViewTest, AClickQueuedDuringTheYieldRunsItsOwnCheckAndTheSlidersFollows) {
    show(solid(Qt::black));
    click(form->Command3);
    show(solid(Qt::red));
    const QPoint c = form->Command1->rect().center();
    // Queued now, delivered in the yield, when the second snapshot has enabled the button.
    QCoreApplication::postEvent(
        form->Command1, new QMouseEvent(QEvent::MouseButtonPress, c, form->Command1->mapToGlobal(c),
                                        Qt::LeftButton, Qt::LeftButton, {}));
    QCoreApplication::postEvent(form->Command1, new QMouseEvent(QEvent::MouseButtonRelease, c,
                                                                form->Command1->mapToGlobal(c),
                                                                Qt::LeftButton, Qt::NoButton, {}));
    form->Slider1_MouseUp();
    EXPECT_EQ(checks, 2);
    EXPECT_FALSE(form->Command1->isEnabled());
    EXPECT_TRUE(form->Command2->isEnabled());
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(ResultViewTest, BackReturnsToWaitingAndKeepsTheResults) {
    runCheck(solid(Qt::black), solid(Qt::red));
    form->Slider1->setValue(80);
    const QString count = form->Label2->text(), time = form->Label3->text();
    const QImage reference = form->Picture1->persistentImage(),
                 map = form->Picture2->persistentImage();
    const std::int32_t threshold = form->state().Threshold;
    const int checksBefore = checks;
    click(form->Command2);
    EXPECT_FALSE(form->Picture2->isVisible());
    EXPECT_EQ(form->Label1[0]->text(), "Videokamera fönster Nu");
    EXPECT_FALSE(form->Command1->isEnabled());
    EXPECT_FALSE(form->Command2->isEnabled());
    EXPECT_FALSE(form->Command4->isEnabled());
    EXPECT_TRUE(form->Command3->isEnabled());
    EXPECT_EQ(form->Slider1->value(), 50);
    EXPECT_EQ(checks, checksBefore);  // setting the slider starts no check
    EXPECT_EQ(form->Shape1->fillColor(), fromBgr(IdleColor));
    EXPECT_EQ(form->Image1->pos(), QPoint(-32, -32));
    EXPECT_EQ(form->Image2->pos(), QPoint(-32, -32));
    EXPECT_EQ(form->Label2->text(), count);
    EXPECT_EQ(form->Label3->text(), time);
    EXPECT_EQ(form->Picture1->persistentImage(), reference);
    EXPECT_EQ(form->Picture2->persistentImage(), map);
    EXPECT_EQ(form->state().Threshold, threshold);
    click(form->Command3);
    click(form->Command4);
    EXPECT_EQ(form->state().Threshold, 2'500'000);
}

}  // namespace
}  // namespace skymra::test
