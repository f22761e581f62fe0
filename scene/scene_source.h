#pragma once

#include "sources/frame.h"
#include "sources/frame_source.h"

#include <QTimer>

#include <functional>

namespace skymra {

// A still room in which a red ball hops along the desk once a second and a red wall clock shows
// the seconds: a deterministic function of time, so two frames of the same second are identical
// and two frames a second or more apart differ strongly in red.
class SceneSource : public FrameSource {
    Q_OBJECT
  public:
    using Clock = std::function<qint64()>;  // milliseconds since the epoch

    explicit SceneSource(QString notice, Clock clock = {}, QObject* parent = nullptr);

    QImage currentFrame() override;
    void setCaptureSize(QSize size) override;
    QStringList formats() const override;
    int currentFormat() const override { return 0; }
    void setFormat(int) override {}

    QString notice() const { return notice_; }
    // The scene at a given time, at 320 x 240 before scaling.
    static QImage render(qint64 msecsSinceEpoch, const QString& notice);

  private:
    void scheduleTick();

    QString notice_;
    Clock clock_;
    qint64 shownSecond_ = -1;
    NormalisedFrame frame_;
    QTimer tick_;
};

}  // namespace skymra
