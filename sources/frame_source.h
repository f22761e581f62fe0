#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>

namespace skymra {

// One setting a source offers, for the source dialog to show: a range with its value and a
// setter, or, without a setter, a line of text to read.
struct SourceSetting {
    QString name;
    int minimum = 0;
    int maximum = 0;
    int value = 0;
    std::function<void(int)> set;
    QString text;

    static SourceSetting range(QString name, int minimum, int maximum, int value,
                               std::function<void(int)> set) {
        return {std::move(name), minimum, maximum, value, std::move(set), {}};
    }
    static SourceSetting line(QString name, QString text) {
        return {std::move(name), 0, 0, 0, {}, std::move(text)};
    }
};

// Where the capture control's frames come from: a camera, a stream or the built-in scene.
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
    // What the source lets the user adjust, for the source dialog.
    virtual QList<SourceSetting> settings() { return {}; }

  signals:
    void frameChanged();
    // The source stopped delivering frames for good.
    void lost(const QString& reason);
};

}  // namespace skymra
