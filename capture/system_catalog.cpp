#include "capture/system_catalog.h"

#include "camera/camera_source.h"
#include "stream/stream_source.h"

#include <QCamera>
#include <QCameraDevice>

namespace skymra {

SystemCatalog::SystemCatalog(QObject* parent) : SourceCatalog(parent) {
    // The first call builds Qt's media integration, whose device list reports every camera
    // already present while it holds the integration's lock: a slot calling back in would wait
    // on that lock for ever. Build it now, and let later changes arrive through the event loop.
    refresh();
    connect(
        &devices_, &QMediaDevices::videoInputsChanged, this,
        [this] {
            refresh();
            emit camerasChanged();
        },
        Qt::QueuedConnection);
}

void SystemCatalog::refresh() {
    QList<CameraInfo> now;
    for (const QCameraDevice& d : QMediaDevices::videoInputs())
        now.append({d.id(), d.description()});
    listed_ = usable(system_, now, stale_);
    system_ = now;
}

QList<CameraInfo> SystemCatalog::usable(const QList<CameraInfo>& before,
                                        const QList<CameraInfo>& now, QSet<QByteArray>& stale) {
    for (const CameraInfo& gone : before) {
        // A stale entry that goes at last says nothing of the others.
        if (listsCamera(now, gone.id) || stale.contains(gone.id)) continue;
        for (const CameraInfo& kept : before) {
            if (kept.description == gone.description && listsCamera(now, kept.id))
                stale.insert(kept.id);
        }
    }
    QList<CameraInfo> out;
    for (const CameraInfo& c : now) {
        const bool named = std::any_of(out.begin(), out.end(), [&](const CameraInfo& o) {
            return o.description == c.description;
        });
        if (!named && !stale.contains(c.id)) out.append(c);
    }
    return out;
}

QByteArray SystemCatalog::defaultCamera() const {
    const QByteArray id = QMediaDevices::defaultVideoInput().id();
    return listsCamera(listed_, id) ? id : listed_.isEmpty() ? QByteArray() : listed_.first().id;
}

std::unique_ptr<FrameSource> SystemCatalog::open(const QByteArray& id) {
    if (!listsCamera(listed_, id)) return nullptr;
    // A QCamera without a real device makes GStreamer feed a test pattern and can hang.
    for (const QCameraDevice& d : QMediaDevices::videoInputs()) {
        if (d.id() != id) continue;
        auto camera = std::make_unique<QCamera>(d);
        if (camera->error() != QCamera::NoError) return nullptr;
        return std::make_unique<CameraSource>(std::move(camera));
    }
    return nullptr;
}

std::unique_ptr<FrameSource> SystemCatalog::openStream(const QUrl& url) {
    return skymra::openStream(url);
}

}  // namespace skymra
