#pragma once

#include "sources/source_catalog.h"

#include <QMediaDevices>
#include <QSet>

namespace skymra {

// The cameras of Qt Multimedia.
//
// Qt 6.4's GStreamer list names a PipeWire camera twice under two ids, and when the camera goes
// it keeps the second entry, which crashes when opened. So a camera is listed once by its name,
// and an entry that outlives a removed entry of the same name is dropped as stale.
class SystemCatalog : public SourceCatalog {
    Q_OBJECT
  public:
    explicit SystemCatalog(QObject* parent = nullptr);
    QList<CameraInfo> cameras() const override { return listed_; }
    QByteArray defaultCamera() const override;
    std::unique_ptr<FrameSource> open(const QByteArray& id) override;
    std::unique_ptr<FrameSource> openStream(const QUrl& url) override;

    // What to list, given the system's previous and current entries; adds to stale.
    static QList<CameraInfo> usable(const QList<CameraInfo>& before, const QList<CameraInfo>& now,
                                    QSet<QByteArray>& stale);

  private:
    void refresh();

    QMediaDevices devices_;
    QList<CameraInfo> system_;
    QList<CameraInfo> listed_;
    QSet<QByteArray> stale_;
};

}  // namespace skymra
