#include "capture/system_catalog.h"

#include "camera/camera_source.h"
#include "platform/camera_names.h"
#include "platform/device_monitor.h"
#include "stream/open_stream.h"

#include <QCamera>
#include <QCameraDevice>

#include <algorithm>

namespace skymra {

SystemCatalog::SystemCatalog(QObject* parent) : SourceCatalog(parent) {
    // The first call builds Qt's media integration, whose device list reports every camera
    // already present while it holds the integration's lock: a slot calling back in would wait
    // on that lock for ever. Build it now, and let later changes arrive through the event loop.
    refresh();
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    balanceQtDeviceMonitor();
#endif
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
    std::optional<QStringList> present;
    if (const auto names = presentCameraNames()) {
        present.emplace();
        for (const std::string& name : *names) present->append(QString::fromStdString(name));
    }
    listed_ = usable(now, present, listable_);
}

QList<CameraInfo> SystemCatalog::usable(const QList<CameraInfo>& now,
                                        const std::optional<QStringList>& present,
                                        QHash<QByteArray, bool>& listable) {
    // At least one a name: a camera the framework missed for a moment is still listed.
    const auto room = [&](const QString& name) {
        return present ? std::max<qsizetype>(1, present->count(name)) : now.size();
    };
    QList<CameraInfo> out;
    QHash<QString, qsizetype> listed;
    for (const CameraInfo& c : now) {
        qsizetype& named = listed[c.description];
        auto entry = listable.find(c.id);
        if (entry == listable.end()) entry = listable.insert(c.id, named < room(c.description));
        if (*entry && named < room(c.description)) {
            out.append(c);
            ++named;
        }
    }
    // Numbered in the system's order, which is the order they came in.
    QHash<QString, int> numbered;
    for (CameraInfo& c : out) {
        if (listed.value(c.description) > 1)
            c.description =
                QStringLiteral("%1 (%2)").arg(c.description).arg(++numbered[c.description]);
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
