#pragma once

// What the device tests share: the program as main() builds it, and a way to drive its dialogs.
#include "app/form/program.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace skymra::test {

extern QElapsedTimer sinceStart;

// The program as main() builds it, with what it would show in message boxes kept instead.
struct Program {
    QStringList notices;
    skymra::Program program{{nullptr, {}, [this](const QString& n) { notices << n; }}};
    Form1& window = program.window();
    VideoCaptureControl& capture() { return program.capture(); }
    bool showsCamera() { return !capture().showsScene() && !capture().preview().isNull(); }
};

// videotestsrc's SMPTE bars at the given strength (the virtual camera sends 75 %, 192; a clip
// made with its defaults 100 %, 255): white or grey, then yellow, in the upper left.
inline bool looksLikeBars(const QImage& image, int level) {
    if (image.isNull()) return false;
    const auto near = [](QRgb p, int r, int g, int b) {
        return std::abs(qRed(p) - r) < 40 && std::abs(qGreen(p) - g) < 40 &&
               std::abs(qBlue(p) - b) < 40;
    };
    const int w = image.width(), h = image.height();
    return near(image.pixel(w / 14, h / 4), level, level, level) &&
           near(image.pixel(w * 3 / 14, h / 4), level, level, 0);
}

// Runs `drive` on the next modal dialog once it is open.
inline void onDialog(const std::function<void(QDialog&)>& drive) {
    QTimer::singleShot(0, [drive] {
        ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        drive(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

// How late a 10 ms timer fires on the window's thread (printed: that is the machine's as much as
// the program's), the bytes that thread has read since (a camera's bytes read there would be
// counted), and the process's resident memory.
class Health {
  public:
    Health() : readBefore_(windowThreadReadBytes()) {
        connect();
        clock_.start();
    }
    qint64 worstLateMs() const { return worstLate_; }
    qint64 peakRssMb() const { return peakRss_ / 1024; }
    qint64 windowReadKb() const { return (windowThreadReadBytes() - readBefore_) / 1024; }
    // Far less than any hostile camera sends; the window's own files (this class reads
    // /proc/self/status ten times a second) stay well under it.
    static constexpr qint64 WindowReadLimitKb = 1024;

  private:
    void connect() {
        QObject::connect(&tick_, &QTimer::timeout, [this] {
            const qint64 now = clock_.elapsed();
            if (last_ >= 0) worstLate_ = std::max(worstLate_, now - last_ - 10);
            last_ = now;
            if (++ticks_ % 10 == 0) peakRss_ = std::max(peakRss_, rssKb());
        });
        tick_.setTimerType(Qt::PreciseTimer);
        tick_.start(10);
    }
    // What read() has brought the calling thread, which is the window's: the kernel's count.
    static qint64 windowThreadReadBytes() {
        QFile io(QStringLiteral("/proc/thread-self/io"));
        if (!io.open(QIODevice::ReadOnly)) return 0;
        for (const QByteArray& line : io.readAll().split('\n')) {
            if (line.startsWith("rchar:")) return line.mid(6).trimmed().toLongLong();
        }
        return 0;
    }
    static qint64 rssKb() {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly)) return 0;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
        }
        return 0;
    }
    QTimer tick_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    qint64 worstLate_ = 0;
    qint64 peakRss_ = 0;
    int ticks_ = 0;
    qint64 readBefore_;
};

// Runs `drive` once a modal dialog of type T is on top, over whatever dialog is open already.
template <typename T>
void onModal(std::function<void(T&)> drive) {
    QTimer::singleShot(0, [drive = std::move(drive)] {
        ASSERT_TRUE(QTest::qWaitFor(
            [] { return qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr; }, 15000));
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        drive(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
}

// Picks "Videoström…" in Set Camera, types the address and waits for the outcome. Returns the
// text of the message box that came, if one did, and sets `format` to the box's text format.
// With `cancelAfterMs`, "Avbryt" is pressed that long after the connecting began.
inline QString chooseStream(Program& p, const QString& address, Qt::TextFormat* format = nullptr,
                            int cancelAfterMs = -1) {
    QString message;
    QTimer boxes;  // a message box may or may not come: answered whenever one is on top
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        if (progress && cancelAfterMs >= 0 && clock.elapsed() >= cancelAfterMs) progress->cancel();
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            message = box->text();
            if (format) *format = box->textFormat();
            box->accept();
        }
    });
    boxes.start(50);
    onDialog([&](QDialog& dialog) {
        auto* sources = dialog.findChild<QComboBox*>();
        ASSERT_NE(sources, nullptr);
        const int item = sources->findText(QStringLiteral("Videoström…"));
        ASSERT_EQ(item, sources->count() - 1);
        onModal<QInputDialog>([&](QInputDialog& input) {
            input.setTextValue(address);
            input.accept();
        });
        sources->setCurrentIndex(item);
        emit sources->activated(item);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
    });
    p.window.Command5_Click();
    return message;
}

}  // namespace skymra::test
