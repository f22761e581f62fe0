#pragma once

#include "sources/frame_source.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <memory>

namespace skymra {

struct CameraInfo {
    QByteArray id;
    QString description;
};

// Whether the list holds the camera with this id.
bool listsCamera(const QList<CameraInfo>& cameras, const QByteArray& id);

// The cameras the system lists and a way to open one, and video streams by address.
class SourceCatalog : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    virtual QList<CameraInfo> cameras() const = 0;
    virtual QByteArray defaultCamera() const = 0;
    // A source for the camera, or null when it cannot be opened.
    virtual std::unique_ptr<FrameSource> open(const QByteArray& id) = 0;
    // A source for a stream or file; one that cannot play says so through lost().
    virtual std::unique_ptr<FrameSource> openStream(const QUrl& url) = 0;

  signals:
    void camerasChanged();
};

}  // namespace skymra
