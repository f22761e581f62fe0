#include "camera/camera_source.h"

#include <QCameraDevice>
#include <QPointer>
#include <QVideoFrameFormat>

#include <algorithm>

namespace skymra {

int preferredFormat(const QList<QSize>& resolutions) {
    int best = -1;
    for (int i = 0; i < resolutions.size(); ++i) {
        const QSize s = resolutions[i];
        if (s == DefaultCaptureSize) return i;
        if (s == DefaultCaptureSize * 2) best = i;
    }
    if (best >= 0) return best;
    qint64 smallest = 0;
    for (int i = 0; i < resolutions.size(); ++i) {
        const QSize s = resolutions[i];
        const qint64 area = qint64{s.width()} * s.height();
        if (s.width() * 3 == s.height() * 4 && (best < 0 || area < smallest)) {
            best = i;
            smallest = area;
        }
    }
    return best;
}

CameraSource::CameraSource(std::unique_ptr<QCamera> camera, QObject* parent)
    : FrameSource(parent), frames_(VideoSinkSource::Watchdog{}), camera_(std::move(camera)) {
    connect(&frames_, &FrameSource::frameChanged, this, &FrameSource::frameChanged);
    connect(&frames_, &FrameSource::lost, this, &FrameSource::lost);
    connect(camera_.get(), &QCamera::errorOccurred, this,
            [this](QCamera::Error, const QString& why) { emit lost(why); });
    const QList<QCameraFormat> formats = usableFormats();
    QList<QSize> resolutions;
    for (const QCameraFormat& f : formats) resolutions.append(f.resolution());
    const int format = preferredFormat(resolutions);
    if (format >= 0) camera_->setCameraFormat(formats[format]);
    // The sink goes in first: linked after the camera, it makes the running source renegotiate
    // its format, and GStreamer's videoconvert can crash on that change.
    session_.setVideoSink(frames_.sink());
    session_.setCamera(camera_.get());
    camera_->start();
}

CameraSource::~CameraSource() { camera_->stop(); }

QList<QCameraFormat> CameraSource::usableFormats() const {
    QList<QCameraFormat> out;
    for (const QCameraFormat& f : camera_->cameraDevice().videoFormats()) {
        if (f.pixelFormat() != QVideoFrameFormat::Format_Invalid && !f.resolution().isEmpty()) {
            out.append(f);
        }
    }
    return out;
}

QStringList CameraSource::formats() const {
    const QList<QCameraFormat> all = usableFormats();
    const auto alike = [](const QCameraFormat& a, const QCameraFormat& b) {
        return a.resolution() == b.resolution() && a.maxFrameRate() == b.maxFrameRate();
    };
    QStringList out;
    for (const QCameraFormat& f : all) {
        QString text = tr("%1 × %2, %3 bilder/s")
                           .arg(f.resolution().width())
                           .arg(f.resolution().height())
                           .arg(static_cast<double>(f.maxFrameRate()), 0, 'g', 3);
        // A webcam offers each size in two or three encodings (NV12, YUY2, MJPG on Windows):
        // the encoding tells them apart.
        if (std::count_if(all.begin(), all.end(), [&](const auto& g) { return alike(f, g); }) > 1)
            text += QStringLiteral(" (%1)").arg(
                QVideoFrameFormat::pixelFormatToString(f.pixelFormat()));
        out << text;
    }
    return out;
}

int CameraSource::currentFormat() const {
    return static_cast<int>(usableFormats().indexOf(camera_->cameraFormat()));
}

void CameraSource::setFormat(int index) {
    const QList<QCameraFormat> all = usableFormats();
    if (index >= 0 && index < all.size()) camera_->setCameraFormat(all[index]);
}

QList<SourceSetting> CameraSource::settings() {
    QList<SourceSetting> out;
    // The dialog may outlive the camera (unplugged while it is open).
    const QPointer<QCamera> cam = camera_.get();
    if (cam->supportedFeatures().testFlag(QCamera::Feature::ExposureCompensation)) {
        out.append(SourceSetting::range(
            tr("Exponering"), -20, 20, static_cast<int>(cam->exposureCompensation() * 10),
            [cam](int v) {
                if (cam) cam->setExposureCompensation(static_cast<float>(v) / 10.0f);
            }));
    }
    if (cam->maximumZoomFactor() > 1.0f) {
        out.append(SourceSetting::range(tr("Zoom"), 10,
                                        static_cast<int>(cam->maximumZoomFactor() * 10),
                                        static_cast<int>(cam->zoomFactor() * 10), [cam](int v) {
                                            if (cam)
                                                cam->setZoomFactor(static_cast<float>(v) / 10.0f);
                                        }));
    }
    return out;
}

}  // namespace skymra
