#pragma once

#include "sources/source_catalog.h"

#include <QHash>
#include <QMediaDevices>
#include <QStringList>

#include <optional>

namespace skymra {

// The cameras of Qt Multimedia.
//
// Qt 6.4's GStreamer list names every camera present at its start a second time soon after,
// under a later id, and keeps that second entry when the camera goes, which crashes when
// opened. So an entry that comes while every camera of its name is already listed is such a
// shadow and never listed; how many cameras a name has, the media framework itself says. Cameras
// of one name (two webcams of one model) are told apart by a number after the name.
class SystemCatalog : public SourceCatalog {
    Q_OBJECT
  public:
    explicit SystemCatalog(QObject* parent = nullptr);
    QList<CameraInfo> cameras() const override { return listed_; }
    QByteArray defaultCamera() const override;
    std::unique_ptr<FrameSource> open(const QByteArray& id) override;
    std::unique_ptr<FrameSource> openStream(const QUrl& url) override;

    // What to list of the system's entries, in its order, given the names of the cameras
    // present where the platform knows them; `listable` keeps whether each entry, when it
    // first came, was a camera (true) or a shadow (false).
    static QList<CameraInfo> usable(const QList<CameraInfo>& now,
                                    const std::optional<QStringList>& present,
                                    QHash<QByteArray, bool>& listable);

  private:
    void refresh();

    QMediaDevices devices_;
    QList<CameraInfo> listed_;
    QHash<QByteArray, bool> listable_;
};

}  // namespace skymra
