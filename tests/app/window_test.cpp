#include "controls/colors.h"
#include "resources/resources.h"
#include "tests/support/window_fixture.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <gtest/gtest.h>

namespace skymra::test {
namespace {

struct Row {
    const char* name;
    const char* container;
    QRect geometry;
    const char* text;  // nullptr: the control has no text
    int fontPixels;
    bool bold;
    bool enabled;
    bool visible;
};

// The window's controls as designed.
const Row Table[] = {
    {"ezVidCap1", "Form1", {10, 4, 320, 240}, nullptr, 0, false, true, true},
    {"Label1_0",
     "Form1",
     {12, 246, 315, 15},
     "Videokamera fönster    Skall vara:   320 * 240",
     13,
     true,
     true,
     true},
    {"Picture1", "Form1", {10, 266, 320, 240}, nullptr, 0, false, true, true},
    {"Image1", "Picture1", {152, 112, 32, 32}, nullptr, 0, false, true, true},
    {"Label1_1", "Form1", {10, 508, 87, 19}, "Orginalbild", 13, true, true, true},
    {"Picture2", "Form1", {498, 4, 320, 240}, nullptr, 0, false, true, false},
    {"Label3", "Picture2", {190, 224, 141, 21}, "", 11, false, true, true},
    {"Label1_3", "Form1", {498, 248, 141, 15}, "Filter förändringar", 13, true, true, true},
    {"ezVidCap", "Form1", {496, 266, 320, 240}, nullptr, 0, false, true, true},
    {"Image2", "ezVidCap", {152, 112, 32, 32}, nullptr, 0, false, true, true},
    {"Label1_2", "Form1", {498, 508, 87, 15}, "Nya bilden", 13, true, true, true},
    {"Shape1", "Form1", {358, 34, 111, 87}, nullptr, 0, false, true, true},
    {"Command5", "Form1", {370, 222, 93, 21}, "Set Camera", 11, false, true, true},
    {"Label4",
     "Form1",
     {340, 318, 139, 43},
     "Just nu har satt 250 som \"wake up\" call",
     13,
     true,
     true,
     true},
    {"Label2", "Form1", {372, 366, 83, 25}, "", 16, true, true, true},
    {"Label1_4", "Form1", {378, 418, 63, 21}, "Filter", 18, true, true, true},
    {"Label1_5", "Form1", {354, 444, 117, 15}, "Känslighet  %", 13, true, true, true},
    {"Slider1", "Form1", {332, 462, 161, 42}, nullptr, 0, false, true, true},
    {"Command3", "Form1", {10, 528, 167, 25}, "Referens  SnapShot  1", 11, false, true, true},
    {"cmdFormatDlg", "Form1", {222, 528, 93, 25}, "Display Format", 11, false, true, true},
    {"Command1", "Form1", {356, 528, 107, 25}, "Kontrollera Bild", 11, false, false, true},
    {"Command4", "Form1", {496, 530, 137, 25}, "SnapShot  2", 11, false, false, true},
    {"Command2", "Form1", {676, 530, 137, 25}, "Åter till Videofönster", 11, false, false, true},
};

// The window as it opens, on the built-in scene.
class WindowTest : public WindowFixture {
  protected:
    WindowTest() : WindowFixture(Camera::None) {}

    QWidget* control(const char* name) {
        if (QString::fromLatin1(name) == QLatin1String("Form1")) return form.get();
        return form->findChild<QWidget*>(QString::fromLatin1(name));
    }
};

TEST_F(WindowTest, WindowIsFixedTealAndNamedSkymra) {
    EXPECT_EQ(form->windowTitle(), "Skymra");
    EXPECT_EQ(form->size(), QSize(830, 563));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(0, 0x80, 0x80));
    EXPECT_FALSE(form->windowIcon().isNull());
}

TEST_F(WindowTest, EveryControlAsDesigned) {
    for (const Row& row : Table) {
        SCOPED_TRACE(row.name);
        QWidget* w = control(row.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget(), control(row.container));
        EXPECT_EQ(w->geometry(), row.geometry);
        EXPECT_EQ(w->isEnabled(), row.enabled);
        EXPECT_EQ(w->isVisibleTo(w->parentWidget()), row.visible);
        if (row.text == nullptr) continue;
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            EXPECT_EQ(l->palette().color(QPalette::WindowText), QColor(0xFF, 0xFF, 0xC0));
            EXPECT_FALSE(l->autoFillBackground());
            // Every caption fits its box unclipped.
            const QFontMetrics fm(l->font());
            const QRect need = fm.boundingRect(QRect(0, 0, l->width(), 1000),
                                               l->wordWrap() ? Qt::TextWordWrap : 0, text);
            EXPECT_LE(need.width(), l->width());
            EXPECT_LE(need.height(), l->height() + 2);
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            text = b->text();
            EXPECT_LE(QFontMetrics(b->font()).horizontalAdvance(text), b->width() - 6);
        }
        EXPECT_EQ(text, QString::fromUtf8(row.text));
        EXPECT_EQ(w->font().pixelSize(), row.fontPixels);
        EXPECT_EQ(w->font().bold(), row.bold);
        EXPECT_EQ(w->font().family(), "MS Sans Serif");
    }
}

TEST_F(WindowTest, MsSansSerifFallsBackToLiberationSans) {
    const QFontInfo info(formFont(13, true));
    EXPECT_EQ(info.family(), "Liberation Sans");
}

TEST_F(WindowTest, Label4WrapsAtBlanksIntoTwoLines) {
    EXPECT_TRUE(form->Label4->wordWrap());
    EXPECT_EQ(form->Label4->text().size(), 39);
    const QFontMetrics fm(form->Label4->font());
    const QRect r = fm.boundingRect(QRect(0, 0, 139, 1000), Qt::TextWordWrap, form->Label4->text());
    EXPECT_EQ(r.height(), 2 * fm.lineSpacing());
}

TEST_F(WindowTest, ShapeLinesAndSlider) {
    EXPECT_EQ(form->Shape1->diameter(), 87);
    EXPECT_EQ(form->Shape1->fillColor(), fromBgr(IdleColor));
    EXPECT_EQ(form->Shape1->borderColor(), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(form->Shape1->borderWidth(), 10);

    struct LineRow {
        const char* name;
        QPoint from, to;
        int width;
    };
    const LineRow lines[] = {{"Line1", {376, 392}, {448, 392}, 3},
                             {"Line2", {448, 390}, {434, 382}, 2},
                             {"Line3", {448, 392}, {436, 402}, 2},
                             {"Line4", {376, 392}, {390, 382}, 2},
                             {"Line5", {376, 392}, {390, 402}, 2}};
    for (const LineRow& row : lines) {
        SCOPED_TRACE(row.name);
        auto* line = form->findChild<LineControl*>(QString::fromLatin1(row.name));
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->from(), row.from);
        EXPECT_EQ(line->to(), row.to);
        EXPECT_EQ(line->lineWidth(), row.width);
        EXPECT_EQ(line->color(), QColor(0xFF, 0xFF, 0xC0));
    }

    const QSlider* s = form->Slider1;
    EXPECT_EQ(s->orientation(), Qt::Horizontal);
    EXPECT_EQ(s->minimum(), 0);
    EXPECT_EQ(s->maximum(), 100);
    EXPECT_EQ(s->value(), 50);
    EXPECT_EQ(s->singleStep(), 1);
    EXPECT_EQ(s->pageStep(), 5);
    EXPECT_EQ(s->tickInterval(), 1);
    EXPECT_NE(s->tickPosition(), QSlider::NoTicks);
}

TEST_F(WindowTest, PictureBoxesHoldTheirBackgrounds) {
    EXPECT_EQ(form->Picture1->persistentImage().pixel(0, 0), qRgb(0, 0, 0x80));
    EXPECT_EQ(form->ezVidCap->persistentImage().pixel(319, 239), qRgb(0, 0, 0x80));
    EXPECT_EQ(form->Picture2->background(), form->palette().color(QPalette::Button));
}

TEST_F(WindowTest, TabOrder) {
    const char* order[] = {"Command1",     "Picture1",  "Picture2", "ezVidCap",
                           "Command2",     "Command3",  "Command4", "Command5",
                           "cmdFormatDlg", "ezVidCap1", "Slider1"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        SCOPED_TRACE(order[i]);
        QWidget* next = control(order[i])->nextInFocusChain();
        while (next != nullptr && !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, control(order[i + 1]));
        EXPECT_NE(control(order[i])->focusPolicy() & Qt::TabFocus, 0);
    }
}

TEST_F(WindowTest, MarkersShowTheMarkerPictureAndPointer) {
    const QImage marker = resources::markerPicture();
    EXPECT_EQ(form->Image1->pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
              marker.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(form->Picture2->cursor().hotSpot(), QPoint(16, 16));
    EXPECT_EQ(form->Picture2->cursor().pixmap().size(), QSize(32, 32));
}

TEST_F(WindowTest, AFailingHandlerIsReportedAndTheWindowGoesOn) {
    int after = 0;
    form->runHandler([&] {
        clipboard.refuseClear = true;
        clipboard.clear();
        ++after;
    });
    EXPECT_EQ(after, 0);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("urklipp"))) << errors[0].toStdString();
    form->runHandler([&] { ++after; });
    EXPECT_EQ(after, 1);
}

TEST(MarkerPictureTest, RedFrameDottedMarksTransparentElsewhere) {
    const QImage m = resources::markerPicture().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(m.size(), QSize(32, 32));
    auto red = [](int x, int y) {
        const bool frame = x <= 30 && y >= 6 && y <= 26 && (x <= 2 || x >= 28 || y <= 8 || y >= 24);
        const bool row16 = y == 16 && (x == 3 || x == 5 || x == 7 || x == 9 || x == 11 || x == 19 ||
                                       x == 21 || x == 23 || x == 25 || x == 27);
        const bool col15 =
            x == 15 && (y == 9 || y == 11 || y == 13 || y == 19 || y == 21 || y == 23);
        return frame || row16 || col15;
    };
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            if (red(x, y)) {
                EXPECT_EQ(m.pixel(x, y), qRgb(255, 0, 0));
            } else {
                EXPECT_EQ(qAlpha(m.pixel(x, y)), 0);
            }
        }
    }
}

TEST(PlaceOnScreenTest, CentredWhereItFitsAndTopLeftOnTheScreenWhereNot) {
    const QSize frame(830 + 2, 563 + 30);
    EXPECT_EQ(placeOnScreen(frame, {0, 0, 1920, 1080}), QPoint(544, 243));
    EXPECT_EQ(placeOnScreen(frame, {1920, 0, 1280, 1024}), QPoint(1920 + 224, 215));
    // 1280 x 1024 at scale factor 2: 640 x 512 logical pixels, below a 28 px panel.
    EXPECT_EQ(placeOnScreen(frame, {0, 28, 640, 484}), QPoint(0, 28));
    // Too wide only: centred up and down.
    EXPECT_EQ(placeOnScreen(frame, {0, 0, 800, 1000}), QPoint(0, 203));
}

TEST_F(WindowTest, OpensWithItsTopLeftOnTheScreenEvenWhereItIsLarger) {
    showAndWait();
    const QRect available = form->screen()->availableGeometry();
    const QRect frame = form->frameGeometry();
    EXPECT_GE(frame.left(), available.left());
    EXPECT_GE(frame.top(), available.top());
    if (available.width() >= frame.width()) {
        EXPECT_LE(std::abs(frame.center().x() - available.center().x()), 1);
    }
}

}  // namespace
}  // namespace skymra::test
