#include "controls/colors.h"
#include "detect/frame_compare.h"
#include "resources/resources.h"
#include "tests/support/window_fixture.h"
#include "workflow/bit_transfer.h"
#include "workflow/check_time.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

// The real window on a camera the test feeds.
class WorkflowTest : public WindowFixture {
  protected:
    // Command4, Command1, Command2 enabled and Picture2 visible.
    std::tuple<bool, bool, bool, bool> states() const {
        return {form->Command4->isEnabled(), form->Command1->isEnabled(),
                form->Command2->isEnabled(), form->Picture2->isVisibleTo(form.get())};
    }

    QImage map() const { return form->Picture2->persistentImage(); }
};

TEST_F(WorkflowTest, IdenticalSnapshotsGiveABlackMapNoCountAndNoAlarm) {
    runCheck(solid(Qt::darkGreen), solid(Qt::darkGreen));
    EXPECT_TRUE(errors.isEmpty()) << errors.join(";").toStdString();
    EXPECT_EQ(form->state().Threshold, 2'500'000);
    EXPECT_EQ(map(), solid(Qt::black));
    EXPECT_EQ(form->Label2->text(), "0");
    EXPECT_EQ(form->Label3->text(), generalDateTime(now));
    EXPECT_EQ(form->Shape1->fillColor(), fromBgr(IdleColor));
    EXPECT_EQ(player.plays, 0);
    EXPECT_EQ(states(), std::make_tuple(true, false, true, true));
}

TEST_F(WorkflowTest, ACountAboveFiveTimesTheSliderRaisesTheAlarmAfterTheResultsAreShown) {
    QImage changed = solid(QColor(0, 0, 0));
    for (int i = 0; i < 252; ++i) changed.setPixel(i % 320, i / 320, qRgb(200, 0, 0));
    QString labelAtAlarm;
    QColor shapeAtAlarm;
    bool mapVisibleAtAlarm = false;
    player.onPlay = [&] {
        labelAtAlarm = form->Label2->text();
        shapeAtAlarm = form->Shape1->fillColor();
        mapVisibleAtAlarm = form->Picture2->isVisibleTo(form.get());
    };
    runCheck(solid(Qt::black), changed);
    EXPECT_EQ(form->Label2->text(), "251");
    EXPECT_EQ(form->Shape1->fillColor(), QColor(255, 0, 0));
    ASSERT_EQ(player.plays, 1);
    // The resource's own bytes, not a copy.
    EXPECT_EQ(player.last.constData(), resources::customResource(102).constData());
    EXPECT_EQ(labelAtAlarm, "251");
    EXPECT_EQ(shapeAtAlarm, QColor(255, 0, 0));
    EXPECT_TRUE(mapVisibleAtAlarm);

    // The map is opaque light yellow where marked, black elsewhere.
    const QImage shown = form->Picture2->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(0xFF, 0xFF, 0xC0));
    EXPECT_EQ(shown.pixel(100, 100), qRgb(0, 0, 0));
    EXPECT_EQ(map().pixel(0, 0) | 0xFF000000u, 0xFFFFFFC0u);
}

TEST_F(WorkflowTest, ACountOfExactlyFiveTimesTheSliderIsNoAlarm) {
    QImage changed = solid(QColor(0, 0, 0));
    for (int i = 0; i < 251; ++i) changed.setPixel(i % 320, i / 320, qRgb(200, 0, 0));
    runCheck(solid(Qt::black), changed);
    EXPECT_EQ(form->Label2->text(), "250");
    EXPECT_EQ(form->Shape1->fillColor(), fromBgr(IdleColor));
    EXPECT_EQ(player.plays, 0);
}

TEST_F(WorkflowTest, SliderAtZeroMarksEverythingAndAlarms) {
    show(solid(Qt::gray));
    click(form->Command3);
    form->Slider1->setValue(0);
    click(form->Command4);
    EXPECT_EQ(form->state().Threshold, 0);
    click(form->Command1);
    EXPECT_EQ(form->Label2->text(), "76799");
    const QImage m = map();
    for (const QPoint p : {QPoint(0, 0), QPoint(319, 239)})
        EXPECT_EQ(m.pixel(p) | 0xFF000000u, 0xFFFFFFC0u);
    EXPECT_EQ(player.plays, 1);
    EXPECT_EQ(form->Shape1->fillColor(), QColor(255, 0, 0));
    form->Slider1->setValue(100);
    click(form->Command4);
    EXPECT_EQ(form->state().Threshold, 5'000'000);
    EXPECT_EQ(form->Shape1->fillColor(), fromBgr(IdleColor));  // the second snapshot clears it
}

TEST_F(WorkflowTest, TheClipboardEndsHoldingTheLastPicture) {
    show(solid(Qt::blue));
    click(form->Command3);
    EXPECT_EQ(clipboard.content, solid(Qt::blue));
    show(solid(Qt::red));
    click(form->Command4);
    EXPECT_EQ(clipboard.content, solid(Qt::red));
    click(form->Command1);
    EXPECT_EQ(clipboard.content, form->ezVidCap->persistentImage());
}

TEST_F(WorkflowTest, EnabledStatesFollowTheWorkflow) {
    EXPECT_EQ(states(), std::make_tuple(false, false, false, false));
    click(form->Command1);  // disabled: nothing happens
    click(form->Command4);
    EXPECT_EQ(states(), std::make_tuple(false, false, false, false));
    click(form->Command3);
    EXPECT_EQ(states(), std::make_tuple(true, false, false, false));
    EXPECT_EQ(form->Image1->pos(), QPoint(-32, -32));
    EXPECT_EQ(form->Image2->pos(), QPoint(-32, -32));
    click(form->Command3);  // twice in a row
    EXPECT_EQ(states(), std::make_tuple(true, false, false, false));
    click(form->Command4);
    EXPECT_EQ(states(), std::make_tuple(true, true, false, false));
    click(form->Command1);
    EXPECT_EQ(states(), std::make_tuple(true, false, true, true));
    click(form->Command3);  // a new reference leaves the rest
    EXPECT_EQ(states(), std::make_tuple(true, false, true, true));
    click(form->Command2);
    EXPECT_EQ(states(), std::make_tuple(false, false, false, false));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(WorkflowTest, ARefusingClipboardStopsTheHandlerWithAMessage) {
    show(solid(Qt::blue));
    clipboard.refuseClear = true;
    click(form->Command3);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_FALSE(form->Command4->isEnabled());  // stopped before enabling
    clipboard.refuseClear = false;
    click(form->Command3);
    click(form->Command4);
    const QImage before = map();
    clipboard.refuseSet = true;
    click(form->Command1);
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(form->Command1->isEnabled());
    EXPECT_FALSE(form->Picture2->isVisibleTo(form.get()));
    EXPECT_EQ(map(), before);
    clipboard.refuseSet = false;
    click(form->Command1);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_TRUE(form->Picture2->isVisibleTo(form.get()));
}

TEST(BitTransferTest, PicturesOfAnotherSizeOrFormatAreCopiedAsFarAsTheyReach) {
    std::vector<std::int32_t> pixels(76'800, 0x11111111);
    QImage small(100, 10, QImage::Format_ARGB32);
    small.fill(Qt::red);
    readBits(small, pixels);
    EXPECT_EQ(static_cast<std::uint32_t>(pixels[0]), 0xFFFF0000u);
    EXPECT_EQ(static_cast<std::uint32_t>(pixels[999]), 0xFFFF0000u);
    EXPECT_EQ(pixels[1000], 0);
    EXPECT_EQ(pixels[76'799], 0);

    QImage big(640, 480, QImage::Format_Indexed8);
    big.setColorTable({qRgb(1, 2, 3)});
    big.fill(0);
    readBits(big, pixels);
    EXPECT_EQ(static_cast<std::uint32_t>(pixels[76'799]), 0xFF010203u);

    readBits(QImage(), pixels);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0), 76'800);

    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    const std::vector<std::int32_t> few(5, 0x00123456);
    writeBits(few, target);
    EXPECT_EQ(target.pixel(4, 0) & 0xFFFFFFu, 0x123456u);
    EXPECT_EQ(target.pixel(5, 0), qRgb(255, 255, 255));
    const std::vector<std::int32_t> many(76'800, 0x00010203);
    writeBits(many, target);  // more than it holds: stops at its end
    EXPECT_EQ(target.pixel(9, 9) & 0xFFFFFFu, 0x010203u);
}

TEST_F(WorkflowTest, AClipboardEmptiedBeforeTheCheckReadsStopsIt) {
    struct Forgetful : FakeClipboard {
        void setImage(const QImage&) override { content = QImage(); }
    } forgetful;
    Form1 other(services(forgetful, sound));
    other.Command4->setEnabled(true);
    other.Command1->setEnabled(true);
    QTest::mouseClick(other.Command1, Qt::LeftButton);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("ingen bild"));
    EXPECT_EQ(other.Label2->text(), "");
    EXPECT_TRUE(other.Command1->isEnabled());
}

// The locale's short date and long time, without a time-zone field or its brackets.
TEST(CheckTimeTest, ShortDateAndTimeWithSecondsInEveryLocaleAndTheDateAloneAtMidnight) {
    struct Row {
        const char* locale;
        const char* afternoon;  // 14:05:09
        const char* midnight;   // 00:00:00 and 00:00:00.500
        const char* second;     // 00:00:01
    };
    const Row rows[] = {
        {"sv_SE", "2026-12-07 14:05:09", "2026-12-07", "2026-12-07 00:00:01"},
        {"en_US", "12/7/26 2:05:09 PM", "12/7/26", "12/7/26 12:00:01 AM"},
        {"C", "7 Dec 2026 14:05:09", "7 Dec 2026", "7 Dec 2026 00:00:01"},
        {"es_ES", "7/12/26 14:05:09", "7/12/26", "7/12/26 0:00:01"},
        {"ca_ES", "7/12/26 14:05:09", "7/12/26", "7/12/26 0:00:01"},
        {"fa_IR", "۲۰۲۶/۱۲/۷ ۱۴:۰۵:۰۹", "۲۰۲۶/۱۲/۷", "۲۰۲۶/۱۲/۷ ۰:۰۰:۰۱"},
        {"de_DE", "07.12.26 14:05:09", "07.12.26", "07.12.26 00:00:01"},
        {"ja_JP", "2026/12/07 14時05分09秒", "2026/12/07", "2026/12/07 0時00分01秒"},
        {"nds_DE", "7.12.26 Klock 14.05:09", "7.12.26", "7.12.26 Klock 0.00:01"},  // quoted text
    };
    const QDate day(2026, 12, 7);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.locale);
        const QLocale locale(QString::fromLatin1(row.locale));
        EXPECT_EQ(generalDateTime(QDateTime(day, QTime(14, 5, 9)), locale),
                  QString::fromUtf8(row.afternoon));
        EXPECT_EQ(generalDateTime(QDateTime(day, QTime(0, 0)), locale),
                  QString::fromUtf8(row.midnight));
        EXPECT_EQ(generalDateTime(QDateTime(day, QTime(0, 0, 0, 500)), locale),
                  QString::fromUtf8(row.midnight));
        EXPECT_EQ(generalDateTime(QDateTime(day, QTime(0, 0, 1)), locale),
                  QString::fromUtf8(row.second));
    }
}

TEST(CheckTimeTest, LocalNowReadsAsTheLocalClock) {
    for (int i = 0; i < 3; ++i) {
        const QDateTime ours = localNow();
        const QDateTime qt = QDateTime::currentDateTime();
        // The same wall-clock fields, not just the same instant.
        const QDateTime oursFields(ours.date(), ours.time());
        const QDateTime qtFields(qt.date(), qt.time());
        EXPECT_LE(std::abs(oursFields.msecsTo(qtFields)), 1000);
        EXPECT_EQ(ours.offsetFromUtc(), qt.offsetFromUtc());
    }
}

}  // namespace
}  // namespace skymra::test
