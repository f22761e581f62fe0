#pragma once

#include "app/form/form1.h"
#include "tests/support/fakes.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace skymra::test {

// The real window with fakes for what it reaches outside itself: a camera the test feeds (or
// none, and the built-in scene shows), an in-memory clipboard, a counting player, errors
// collected instead of shown and a clock the test sets.
class WindowFixture : public ::testing::Test {
  protected:
    enum class Camera { Fed, None };

    explicit WindowFixture(Camera with = Camera::Fed) {
        if (with == Camera::Fed) catalog.addCamera("cam0");
        form = std::make_unique<Form1>(services(clipboard, sound));
        camera = catalog.opened();
    }

    // The fixture's services with another clipboard or sound, for a second window.
    Form1Services services(Clipboard& board, AlarmSound& alarm) {
        return {board,
                catalog,
                alarm,
                [this](const QString& e) { errors << e; },
                [this] {
                    ++checks;
                    return now;
                },
                [this](const QString& n) { notices << n; }};
    }

    void showAndWait() {
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    // The camera's next frame.
    void show(const QImage& picture) { camera->sink()->setVideoFrame(frameFromImage(picture)); }
    // A left click, at the centre unless told (QTest takes (0, 0) for "the centre").
    void click(QWidget* w, QPoint at = {}) {
        QTest::mouseClick(w, Qt::LeftButton, {}, at.isNull() ? w->rect().center() : at);
    }

    // Reference, second snapshot and check through the buttons.
    void runCheck(const QImage& reference, const QImage& second) {
        show(reference);
        click(form->Command3);
        show(second);
        click(form->Command4);
        click(form->Command1);
    }

    FakeClipboard clipboard;
    FakeCatalog catalog;
    FakeAudioPlayer player;
    AlarmSound sound{player};
    QStringList errors;
    QStringList notices;  // what would have been shown in message boxes
    QDateTime now{QDate(2026, 12, 7), QTime(14, 5, 9)};
    int checks = 0;  // how often the clock was read
    std::unique_ptr<Form1> form;
    VideoSinkSource* camera = nullptr;  // null without a camera
};

}  // namespace skymra::test
