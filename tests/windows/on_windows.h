#pragma once

// What the Windows program tests share: running the window's events for a while, reading the
// screen's own pixels, and the alarms that on_display_recorded.sh checks the recording for.
#include "app/form/form1.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

namespace skymra::test {

// Until `done`, at most `ms`, with the window's events running.
inline bool pumpUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(5);
    }
    return true;
}

// The screen's own pixels, as the display shows them, of the window's area.
inline QImage screenOf(QWidget& window) {
    const QPoint at = window.mapToGlobal(QPoint(0, 0));
    return window.screen()
        ->grabWindow(0, at.x(), at.y(), window.width(), window.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

inline QRgb centreOf(const QImage& shot, const QWidget& window, const QWidget& w) {
    return shot.pixel(w.mapTo(&window, w.rect().center()));
}

inline void pump(int ms) {
    pumpUntil([] { return false; }, ms);
}

// After a check that rang: two re-checks by the slider 0.4 s apart, 2 s on, the second
// restarting the alarm; the recording is checked for one whole alarm and one restarted.
inline void ringTwiceMore(Form1& form) {
    pump(2000);
    for (int i = 0; i < 2; ++i) {
        if (i) pump(400);
        const QPoint left(4, form.Slider1->height() / 2);
        QTest::mousePress(form.Slider1, Qt::LeftButton, {}, left);
        QTest::mouseRelease(form.Slider1, Qt::LeftButton, {}, left);
        std::printf("alarm at re-check: %s changes, limit %d\n", qPrintable(form.Label2->text()),
                    5 * form.Slider1->value());
        EXPECT_GT(form.Label2->text().toInt(), 5 * form.Slider1->value());
    }
    pump(2500);
}

}  // namespace skymra::test
