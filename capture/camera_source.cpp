#include "capture/camera_source.h"

#include <QCameraDevice>
#include <QFormLayout>
#include <QSlider>
#include <QWidget>

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

CameraSource::CameraSource(std::unique_ptr<QCamera> camera, std::optional<Watchdog> watchdog,
                           QObject* parent)
    : FrameSource(parent), camera_(std::move(camera)), timeouts_(watchdog) {
    if (camera_ && !timeouts_) timeouts_ = Watchdog{};
    // Kept cheap: the camera's thread waits for this slot on every frame.
    connect(&sink_, &QVideoSink::videoFrameChanged, this, &CameraSource::onFrame);
    watchdog_.setSingleShot(true);
    connect(&watchdog_, &QTimer::timeout, this,
            [this] { emit lost(tr("Kameran slutade skicka bilder")); });
    if (camera_) {
        connect(camera_.get(), &QCamera::errorOccurred, this,
                [this](QCamera::Error, const QString& why) { emit lost(why); });
        const QList<QCameraFormat> formats = usableFormats();
        QList<QSize> resolutions;
        for (const QCameraFormat& f : formats) resolutions.append(f.resolution());
        const int format = preferredFormat(resolutions);
        if (format >= 0) camera_->setCameraFormat(formats[format]);
        // The sink goes in first: linked after the camera, it makes the running source
        // renegotiate its format, and GStreamer's videoconvert can crash on that change.
        session_.setVideoSink(&sink_);
        session_.setCamera(camera_.get());
        camera_->start();
    }
    if (timeouts_) watchdog_.start(timeouts_->firstFrameMs);
}

CameraSource::~CameraSource() {
    if (camera_) camera_->stop();
}

void CameraSource::onFrame(const QVideoFrame& frame) {
    if (!frame.isValid()) return;
    // Not read here: a frame is read when one is needed, and then only through a guarded copy
    // (a frame that arrives as a PipeWire camera goes can point into memory already given back).
    lastFrame_ = frame;
    lastPicture_ = {};
    arrived();
}

void CameraSource::showImage(const QImage& picture) {
    if (picture.isNull()) return;
    lastFrame_ = {};
    lastPicture_ = picture;
    arrived();
}

void CameraSource::arrived() {
    convertedIsCurrent_ = false;
    if (timeouts_) watchdog_.start(timeouts_->stallMs);
    emit frameChanged();
}

QImage CameraSource::currentFrame() {
    // Converting costs milliseconds: only when a frame is asked for, once per frame.
    if (!convertedIsCurrent_) {
        converted_ = normaliseFrame(
            lastFrame_.isValid() ? imageFromVideoFrame(lastFrame_) : lastPicture_, captureSize_);
        convertedIsCurrent_ = true;
    }
    return converted_;
}

void CameraSource::setCaptureSize(QSize size) {
    captureSize_ = size;
    convertedIsCurrent_ = false;
}

QList<QCameraFormat> CameraSource::usableFormats() const {
    QList<QCameraFormat> out;
    if (!camera_) return out;
    for (const QCameraFormat& f : camera_->cameraDevice().videoFormats()) {
        if (f.pixelFormat() != QVideoFrameFormat::Format_Invalid && !f.resolution().isEmpty()) {
            out.append(f);
        }
    }
    return out;
}

QStringList CameraSource::formats() const {
    QStringList out;
    for (const QCameraFormat& f : usableFormats()) {
        out << tr("%1 × %2, %3 bilder/s")
                   .arg(f.resolution().width())
                   .arg(f.resolution().height())
                   .arg(static_cast<double>(f.maxFrameRate()), 0, 'g', 3);
    }
    return out;
}

int CameraSource::currentFormat() const {
    if (!camera_) return -1;
    return static_cast<int>(usableFormats().indexOf(camera_->cameraFormat()));
}

void CameraSource::setFormat(int index) {
    const QList<QCameraFormat> all = usableFormats();
    if (camera_ && index >= 0 && index < all.size()) camera_->setCameraFormat(all[index]);
}

QWidget* CameraSource::createSettingsWidget(QWidget* parent) {
    if (!camera_) return nullptr;
    auto* box = new QWidget(parent);
    auto* form = new QFormLayout(box);
    QCamera* cam = camera_.get();
    if (cam->supportedFeatures().testFlag(QCamera::Feature::ExposureCompensation)) {
        auto* exposure = new QSlider(Qt::Horizontal, box);
        exposure->setRange(-20, 20);
        exposure->setValue(static_cast<int>(cam->exposureCompensation() * 10));
        connect(exposure, &QSlider::valueChanged, cam,
                [cam](int v) { cam->setExposureCompensation(static_cast<float>(v) / 10.0f); });
        form->addRow(tr("Exponering"), exposure);
    }
    if (cam->maximumZoomFactor() > 1.0f) {
        auto* zoom = new QSlider(Qt::Horizontal, box);
        zoom->setRange(10, static_cast<int>(cam->maximumZoomFactor() * 10));
        zoom->setValue(static_cast<int>(cam->zoomFactor() * 10));
        connect(zoom, &QSlider::valueChanged, cam,
                [cam](int v) { cam->setZoomFactor(static_cast<float>(v) / 10.0f); });
        form->addRow(tr("Zoom"), zoom);
    }
    if (form->rowCount() == 0) {
        delete box;
        return nullptr;
    }
    return box;
}

}  // namespace skymra
