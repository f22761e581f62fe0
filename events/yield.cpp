#include "events/yield.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>

namespace skymra {
namespace {

// Counts the events delivered in this thread while it is installed. Qt's dispatchers disagree
// on what processEvents() returns, so emptiness is told by events seen, not by its result.
class EventCounter : public QObject {
  public:
    int seen = 0;

  protected:
    bool eventFilter(QObject*, QEvent*) override {
        ++seen;
        return false;
    }
};

}  // namespace

void yieldToEvents(std::chrono::milliseconds limit) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    EventCounter counter;
    app->installEventFilter(&counter);
    const QDeadlineTimer deadline(limit);
    do {
        counter.seen = 0;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    } while (counter.seen > 0 && !deadline.hasExpired());
    app->removeEventFilter(&counter);
}

}  // namespace skymra
