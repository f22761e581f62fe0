#pragma once

#include <QImage>
#include <QObject>
#include <QStringList>

class QWidget;

namespace skymra {

// Where the capture control's frames come from: a camera or the built-in scene.
class FrameSource : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // The current frame at the capture size (normalised), or null before the first frame.
    virtual QImage currentFrame() = 0;
    virtual void setCaptureSize(QSize size) = 0;
    // The formats the source can deliver, for the format dialog, and the one in use.
    virtual QStringList formats() const = 0;
    virtual int currentFormat() const = 0;
    virtual void setFormat(int index) = 0;
    // Settings the source exposes, for the source dialog; null when it has none.
    virtual QWidget* createSettingsWidget(QWidget* parent) = 0;

  signals:
    void frameChanged();
    // The source stopped delivering frames for good.
    void lost(const QString& reason);
};

}  // namespace skymra
