#include "source_catalog.h"

#include "camera_source.h"

#include <QCamera>
#include <QCameraDevice>

namespace skymra {

SystemCatalog::SystemCatalog(QObject* parent) : SourceCatalog(parent) {
    // The first call builds Qt's media integration, whose device list reports every camera
    // already present while it holds the integration's lock: a slot calling back in would wait
    // on that lock for ever. Build it now, and let later changes arrive through the event loop.
    (void)QMediaDevices::videoInputs();
    connect(&devices_, &QMediaDevices::videoInputsChanged, this, &SourceCatalog::camerasChanged,
            Qt::QueuedConnection);
}

QList<CameraInfo> SystemCatalog::cameras() const {
    QList<CameraInfo> out;
    for (const QCameraDevice& d : QMediaDevices::videoInputs()) {
        // Some cameras are listed twice.
        const bool seen = std::any_of(out.begin(), out.end(),
                                      [&](const CameraInfo& c) { return c.id == d.id(); });
        if (!seen) out.append({d.id(), d.description()});
    }
    return out;
}

QByteArray SystemCatalog::defaultCamera() const { return QMediaDevices::defaultVideoInput().id(); }

std::unique_ptr<FrameSource> SystemCatalog::open(const QByteArray& id) {
    // A QCamera without a real device makes GStreamer feed a test pattern and can hang.
    for (const QCameraDevice& d : QMediaDevices::videoInputs()) {
        if (d.id() != id) continue;
        auto camera = std::make_unique<QCamera>(d);
        if (camera->error() != QCamera::NoError) return nullptr;
        return std::make_unique<CameraSource>(std::move(camera));
    }
    return nullptr;
}

}  // namespace skymra
