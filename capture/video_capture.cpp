#include "capture/video_capture.h"

#include <QLoggingCategory>

#include "controls/focus_mark.h"

#include "capture/capture_dialogs.h"
#include "scene/scene_source.h"
#include "stream/stream_address.h"

#include <QPainter>

#include <utility>

namespace skymra {

// Which source the preview shows, and why it changed: QT_LOGGING_RULES="skymra.capture=true".
Q_LOGGING_CATEGORY(captureLog, "skymra.capture", QtWarningMsg)
namespace {

constexpr qint64 PreviewIntervalMs = 60;  // about 16 preview frames a second is plenty

QString noCameraNotice() { return VideoCaptureControl::tr("Testbild: ingen kamera hittades"); }
QString lostNotice(const QString& why) { return VideoCaptureControl::tr("Testbild: %1").arg(why); }

}  // namespace

VideoCaptureControl::VideoCaptureControl(Clipboard& clipboard, SourceCatalog& catalog, Report warn,
                                         QWidget* parent)
    : QWidget(parent),
      clipboard_(clipboard),
      catalog_(catalog),
      warn_(warn ? std::move(warn) : warningBoxes(this)),
      trial_([&catalog](const QUrl& url) { return catalog.openStream(url); }),
      reconnect_([&catalog](const QUrl& url) { return catalog.openStream(url); }) {
    setFixedSize(DefaultCaptureSize);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&catalog_, &SourceCatalog::camerasChanged, this,
            &VideoCaptureControl::onCamerasChanged);
    connect(&trial_, &StreamOpener::opened, this, [this] {
        onStreamOpened(trial_);
        emit streamOpened();
        if (auto done = std::exchange(trialDone_, {})) done(QString());
    });
    connect(&trial_, &StreamOpener::failed, this, [this](const QString& why) {
        emit streamFailed(why);
        if (auto done = std::exchange(trialDone_, {})) done(why);
    });
    connect(&reconnect_, &StreamOpener::opened, this, [this] { onStreamOpened(reconnect_); });
    connect(&reconnect_, &StreamOpener::waiting, this, [this](const QString& why, int pauseMs) {
        fallBackToScene(tr("Testbild: nytt försök om %1 s; %2").arg(pauseMs / 1000).arg(why));
    });
    for (const CameraInfo& c : catalog_.cameras()) knownCameras_.append(c.id);
    const QByteArray id = catalog_.defaultCamera().isEmpty() && !catalog_.cameras().isEmpty()
                              ? catalog_.cameras().first().id
                              : catalog_.defaultCamera();
    if (id.isEmpty() || !useCamera(id)) fallBackToScene(noCameraNotice());
}

VideoCaptureControl::~VideoCaptureControl() = default;

bool VideoCaptureControl::useCamera(const QByteArray& id) {
    std::unique_ptr<FrameSource> camera = catalog_.open(id);
    if (!camera) return false;
    trial_.cancel();
    reconnect_.cancel();
    sceneByDefault_ = true;
    setSource(std::move(camera), id);
    return true;
}

void VideoCaptureControl::useScene() {
    trial_.cancel();
    reconnect_.cancel();
    sceneByDefault_ = false;
    setSource(std::make_unique<SceneSource>(tr("Testbild: vald i Set Camera")), {});
}

void VideoCaptureControl::fallBackToScene(const QString& notice) {
    sceneByDefault_ = true;
    setSource(std::make_unique<SceneSource>(notice), {});
}

void VideoCaptureControl::openStream(const QUrl& url) { trial_.tryOnce(url); }

void VideoCaptureControl::tryStream(const QUrl& url, std::function<void(const QString& why)> done) {
    trialDone_ = std::move(done);
    openStream(url);
}

void VideoCaptureControl::cancelStream() {
    trialDone_ = {};
    trial_.cancel();
}

QUrl VideoCaptureControl::reconnectingStream() const {
    return reconnect_.reconnecting() ? reconnect_.url() : QUrl();
}

void VideoCaptureControl::onStreamOpened(StreamOpener& opener) {
    const QUrl url = opener.url();
    if (&opener == &trial_) reconnect_.cancel();
    setSource(opener.take(), {}, url);
}

void VideoCaptureControl::onSourceLost(const QString& why) {
    if (stream_.isEmpty()) {
        fallBackToScene(lostNotice(why));
    } else {
        reconnect_.reconnect(stream_, why);  // shows the scene while it waits
    }
}

void VideoCaptureControl::setSource(std::unique_ptr<FrameSource> source, QByteArray cameraId,
                                    QUrl stream) {
    // The old source may be the one whose signal brought us here: let it go later.
    if (source_) {
        source_->disconnect(this);
        source_.release()->deleteLater();
    }
    source_ = std::move(source);
    cameraId_ = std::move(cameraId);
    stream_ = std::move(stream);
    cameraName_.clear();
    for (const CameraInfo& c : catalog_.cameras()) {
        if (c.id == cameraId_) cameraName_ = c.description;
    }
    source_->setCaptureSize(captureSize_);
    connect(source_.get(), &FrameSource::frameChanged, this, &VideoCaptureControl::onFrameChanged);
    connect(source_.get(), &FrameSource::lost, this, &VideoCaptureControl::onSourceLost);
    sincePreview_.invalidate();
    // What the preview shows, for those who cannot see it.
    const auto* scene = qobject_cast<const SceneSource*>(source_.get());
    qCInfo(captureLog) << "source:" << sourceName() << (scene ? scene->notice() : QString());
    setAccessibleDescription(scene ? scene->notice() : tr("Direktbild från %1").arg(sourceName()));
    onFrameChanged();
}

void VideoCaptureControl::onCamerasChanged() {
    const QList<CameraInfo> cameras = catalog_.cameras();
    QList<QByteArray> appeared;
    for (const CameraInfo& c : cameras) {
        if (!knownCameras_.contains(c.id)) appeared.append(c.id);
    }
    knownCameras_.clear();
    for (const CameraInfo& c : cameras) knownCameras_.append(c.id);
    if (!cameraId_.isEmpty()) {
        if (!listsCamera(cameras, cameraId_)) fallBackToScene(lostNotice(tr("kameran försvann")));
        return;
    }
    // The stream the user chose comes first, even while it is being reconnected.
    if (!stream_.isEmpty() || reconnect_.reconnecting()) return;
    // Only a camera that has just appeared: one that fell silent and is still listed would
    // most likely fall silent again (or hang while it is opened).
    if (sceneByDefault_ && !appeared.isEmpty()) {
        const QByteArray preferred = catalog_.defaultCamera();
        useCamera(appeared.contains(preferred) ? preferred : appeared.first());
    }
}

void VideoCaptureControl::onFrameChanged() {
    if (sincePreview_.isValid() && sincePreview_.elapsed() < PreviewIntervalMs) return;
    sincePreview_.start();
    preview_ = source_->currentFrame();
    update();
    emit previewUpdated();
}

QString VideoCaptureControl::sourceName() const {
    if (!stream_.isEmpty()) return displayAddress(stream_);
    if (showsScene()) return tr("den inbyggda testbilden");
    return cameraName_.isEmpty() ? QString::fromUtf8(cameraId_) : cameraName_;
}

QImage VideoCaptureControl::currentFrame() { return source_ ? source_->currentFrame() : QImage(); }

bool VideoCaptureControl::copyFrameToClipboard() {
    const QImage frame = currentFrame();
    if (frame.isNull()) return false;
    try {
        clipboard_.setImage(frame);
    } catch (const ClipboardError&) {
        return false;
    }
    return true;
}

void VideoCaptureControl::setCaptureSize(QSize size) {
    if (size.isEmpty()) return;
    captureSize_ = size;
    if (source_) source_->setCaptureSize(size);
    sincePreview_.invalidate();
    onFrameChanged();
}

void VideoCaptureControl::showSourceDialog() {
    SourceDialog dialog(*this, catalog_, warn_, this);
    dialog.exec();
}

void VideoCaptureControl::showFormatDialog() {
    FormatDialog dialog(*this, this);
    dialog.exec();
}

void VideoCaptureControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (preview_.isNull()) {
        p.fillRect(rect(), Qt::black);
    } else {
        p.drawImage(rect(), preview_);
    }
    drawFocusMark(p, *this);
}

}  // namespace skymra
