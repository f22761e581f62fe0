#include "events/yield.h"
#include "tests/support/fakes.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace skymra::test {
namespace {

// Runs its function when it receives a user event.
class Chain : public QObject {
  public:
    std::function<void()> onEvent;

  protected:
    bool event(QEvent* e) override {
        if (e->type() != QEvent::User) return QObject::event(e);
        onEvent();
        return true;
    }
};

TEST(YieldTest, RunsEventsThatHandlersPostDuringTheYield) {
    Chain chain;
    int ran = 0;
    chain.onEvent = [&] {
        if (++ran < 3) QCoreApplication::postEvent(&chain, new QEvent(QEvent::User));
    };
    QCoreApplication::postEvent(&chain, new QEvent(QEvent::User));
    int timers = 0;
    std::function<void()> tick = [&] {
        if (++timers < 3) QTimer::singleShot(0, tick);
    };
    QTimer::singleShot(0, tick);
    yieldToEvents();
    EXPECT_EQ(ran, 3);
    EXPECT_EQ(timers, 3);
}

TEST(YieldTest, RunsQueuedClicksAndTheClicksTheirHandlersQueue) {
    QPushButton first, second;
    int firsts = 0, seconds = 0;
    QObject::connect(&first, &QPushButton::clicked, [&] {
        ++firsts;
        postClick(&second);
    });
    QObject::connect(&second, &QPushButton::clicked, [&] { ++seconds; });
    postClick(&first);
    postClick(&first);
    yieldToEvents();
    EXPECT_EQ(firsts, 2);
    EXPECT_EQ(seconds, 2);
}

TEST(YieldTest, ReturnsWhenEventsNeverStop) {
    QTimer spinning;
    int ticks = 0;
    QObject::connect(&spinning, &QTimer::timeout, [&] { ++ticks; });
    spinning.start(0);
    yieldToEvents(std::chrono::milliseconds(50));
    EXPECT_GT(ticks, 1);
}

}  // namespace
}  // namespace skymra::test
