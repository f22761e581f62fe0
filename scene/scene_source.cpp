#include "scene/scene_source.h"

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

namespace skymra {
namespace {

constexpr int BallSteps = 10;  // the ball goes back and forth over 2 x 10 positions

QImage background() {
    QImage img(DefaultCaptureSize, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Wall and floor in cool, low-red tones so the red ball and clock stand out.
    p.fillRect(0, 0, 320, 150, QColor(40, 90, 120));
    p.fillRect(0, 150, 320, 90, QColor(50, 60, 70));
    // Window with a view.
    p.fillRect(20, 20, 90, 70, QColor(20, 40, 60));
    p.fillRect(24, 24, 82, 62, QColor(110, 170, 220));
    p.fillRect(63, 24, 4, 62, QColor(20, 40, 60));
    // Test chart on the wall.
    const QColor bars[] = {Qt::white, Qt::yellow, Qt::cyan, Qt::green, Qt::magenta, Qt::blue};
    for (int i = 0; i < 6; ++i) p.fillRect(200 + i * 16, 24, 16, 40, bars[i]);
    p.fillRect(200, 64, 96, 10, QColor(30, 30, 30));
    // Desk.
    p.fillRect(10, 160, 300, 14, QColor(60, 45, 40));
    p.fillRect(24, 174, 10, 56, QColor(45, 35, 30));
    p.fillRect(286, 174, 10, 56, QColor(45, 35, 30));
    // Plant.
    p.setBrush(QColor(30, 120, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRect(262, 96, 36, 46));
    p.fillRect(272, 136, 16, 24, QColor(70, 50, 45));
    return img;
}

}  // namespace

SceneSource::SceneSource(QString notice, Clock clock, QObject* parent)
    : FrameSource(parent), notice_(std::move(notice)), clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return QDateTime::currentMSecsSinceEpoch(); };
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, [this] {
        emit frameChanged();
        scheduleTick();
    });
    scheduleTick();
}

void SceneSource::scheduleTick() {
    // Wake only when the picture changes: at the next whole second.
    const qint64 now = clock_();
    tick_.start(static_cast<int>(1000 - now % 1000) + 1);
}

QImage SceneSource::render(qint64 msecsSinceEpoch, const QString& notice) {
    static const QImage room = background();
    QImage img = room.copy();
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const qint64 second = msecsSinceEpoch / 1000;
    const int step = static_cast<int>(second % (2 * BallSteps));
    const int position = step < BallSteps ? step : 2 * BallSteps - step;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 20, 20));
    p.drawEllipse(QRect(30 + position * 22, 128, 32, 32));
    // Wall clock in red digits; hh:mm:ss differs for any two seconds of a day.
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    p.fillRect(120, 22, 76, 24, QColor(15, 20, 25));
    QFont clockFont(QStringLiteral("Liberation Mono"));
    clockFont.setPixelSize(14);
    clockFont.setBold(true);
    p.setFont(clockFont);
    p.setPen(QColor(255, 40, 40));
    p.drawText(QRect(120, 22, 76, 24), Qt::AlignCenter, t.toString(QStringLiteral("HH:mm:ss")));
    // Say what this is.
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPixelSize(10);
    p.setFont(small);
    p.fillRect(0, 226, 320, 14, QColor(0, 0, 0, 150));
    p.setPen(Qt::white);
    p.drawText(QRect(4, 226, 312, 14), Qt::AlignVCenter | Qt::AlignLeft, notice);
    p.end();
    makeOpaque(img);
    return img;
}

QImage SceneSource::currentFrame() {
    const qint64 second = clock_() / 1000;
    if (second != shownSecond_) {
        shownSecond_ = second;
        frame_.invalidate();
    }
    return frame_.get([&] { return render(second * 1000, notice_); });
}

void SceneSource::setCaptureSize(QSize size) { frame_.setCaptureSize(size); }

QStringList SceneSource::formats() const { return {tr("320 × 240, 1 bild/s (testbild)")}; }

}  // namespace skymra
