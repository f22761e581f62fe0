#pragma once

#include "frame_source.h"

#include <QList>
#include <QMediaDevices>
#include <QObject>

#include <memory>

namespace skymra {

struct CameraInfo {
    QByteArray id;
    QString description;
};

// The cameras the system lists, and a way to open one.
class SourceCatalog : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual QList<CameraInfo> cameras() const = 0;
    virtual QByteArray defaultCamera() const = 0;
    // A source for the camera, or null when it cannot be opened.
    virtual std::unique_ptr<FrameSource> open(const QByteArray& id) = 0;

  signals:
    void camerasChanged();
};

// The cameras of Qt Multimedia.
class SystemCatalog : public SourceCatalog {
    Q_OBJECT
  public:
    explicit SystemCatalog(QObject* parent = nullptr);
    QList<CameraInfo> cameras() const override;
    QByteArray defaultCamera() const override;
    std::unique_ptr<FrameSource> open(const QByteArray& id) override;

  private:
    QMediaDevices devices_;
};

}  // namespace skymra
