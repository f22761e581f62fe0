// What a screen reader gets from the window, through Qt's accessibility interfaces.
#include "tests/support/window_fixture.h"

#include <QLabel>

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>

namespace skymra::test {
namespace {

QString accessible(QWidget* w, QAccessible::Text which) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(which) : QString();
}

class AccessibilityTest : public WindowFixture {
  protected:
    AccessibilityTest() { showAndWait(); }
};

TEST_F(AccessibilityTest, EveryShownControlHasANameAndTheIndicatorSaysItsState) {
    runCheck(solid(Qt::black), solid(Qt::red));  // an alarm, so every control shows
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(form.get()) || w->objectName().isEmpty()) continue;
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_FALSE(accessible(w, QAccessible::Name).isEmpty());
    }
    EXPECT_EQ(accessible(form->Shape1, QAccessible::Name), "Larmindikator");
    EXPECT_EQ(accessible(form->Shape1, QAccessible::Description), "Larm");
    EXPECT_EQ(accessible(form->Label2, QAccessible::Name), "Antal förändringar: 76799");
    click(form->Command4);
    EXPECT_EQ(accessible(form->Shape1, QAccessible::Description), "Inget larm");
}

TEST_F(AccessibilityTest, TheWindowIsAFrameOfWhatMattersWithCaptionsLabellingTheirPictures) {
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    QStringList children;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(window->indexOfChild(child), i);
        children << child->object()->objectName();
    }
    // The arrow's line pieces only decorate.
    EXPECT_FALSE(children.contains("Line1"));
    EXPECT_TRUE(children.contains("Label2"));
    EXPECT_TRUE(children.contains("Picture2"));
    EXPECT_EQ(children.size(), 20);

    const std::pair<QWidget*, QLabel*> captions[] = {{form->ezVidCap1, form->Label1[0]},
                                                     {form->Picture1, form->Label1[1]},
                                                     {form->ezVidCap, form->Label1[2]},
                                                     {form->Picture2, form->Label1[3]},
                                                     {form->Slider1, form->Label1[5]}};
    for (const auto& [picture, caption] : captions) {
        SCOPED_TRACE(picture->objectName().toStdString());
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(picture);
        bool labelled = false;
        for (const auto& [other, relation] : face->relations(QAccessible::Label))
            labelled = labelled || other->object() == caption;
        EXPECT_TRUE(labelled);
    }
    // The preview says what it shows: here the test picture, for want of a camera.
    FakeCatalog none;
    VideoCaptureControl control(clipboard, none);
    EXPECT_EQ(accessible(&control, QAccessible::Description), "Testbild: ingen kamera hittades");
}

TEST_F(AccessibilityTest, TheSlidersCaptionLabelsItAndFocusIsDrawn) {
    EXPECT_EQ(form->Label1[5]->buddy(), form->Slider1);
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(form->Slider1);
    ASSERT_NE(slider, nullptr);
    bool labelled = false;
    for (const auto& [other, relation] : slider->relations(QAccessible::Label)) {
        labelled = labelled || other->object() == form->Label1[5];
    }
    EXPECT_TRUE(labelled);

    // Reached with the keyboard, a picture box and the capture control show a focus frame.
    for (QWidget* w :
         {static_cast<QWidget*>(form->Picture1), static_cast<QWidget*>(form->ezVidCap1)}) {
        SCOPED_TRACE(w->objectName().toStdString());
        form->setAttribute(Qt::WA_KeyboardFocusChange, false);  // no Tab pressed yet
        w->setFocus();
        const QImage unmarked = w->grab().toImage();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        ASSERT_TRUE(w->hasFocus());
        const QImage marked = w->grab().toImage();
        EXPECT_NE(marked, unmarked);
        EXPECT_EQ(marked.copy(40, 40, 200, 150), unmarked.copy(40, 40, 200, 150));  // edge only
    }
}

}  // namespace
}  // namespace skymra::test
