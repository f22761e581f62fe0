#pragma once

#include "camera/video_sink_source.h"
#include "capture/clipboard.h"
#include "sound/alarm_sound.h"
#include "sound/audio_player.h"
#include "sources/source_catalog.h"

#include <QPointer>

#include <QVideoFrameFormat>
#include <functional>
#include <optional>

namespace skymra::test {

// An in-memory clipboard that can be told to refuse.
class FakeClipboard : public Clipboard {
  public:
    void clear() override;
    void setImage(const QImage& image) override;
    QImage image() const override;

    QImage content;
    bool refuseClear = false;
    bool refuseSet = false;
    int clears = 0;
};

// Cameras the test lists and removes; each opens as a source fed through its sink.
class FakeCatalog : public SourceCatalog {
  public:
    QList<CameraInfo> cameras() const override { return cameras_; }
    QByteArray defaultCamera() const override {
        return cameras_.isEmpty() ? QByteArray() : cameras_.first().id;
    }
    std::unique_ptr<FrameSource> open(const QByteArray& id) override;
    // Streams open as fed sources too; each address asked for is recorded.
    std::unique_ptr<FrameSource> openStream(const QUrl& url) override;

    void addCamera(const QByteArray& id);
    void removeCamera(const QByteArray& id);
    // The source most recently opened, while it lives.
    VideoSinkSource* opened() const { return opened_.data(); }

    // Given to each source opened: fed sinks are not watched unless told.
    std::optional<VideoSinkSource::Watchdog> watchdog;
    // Cameras that are listed but fail to open.
    QList<QByteArray> broken;
    QList<QUrl> streamsOpened;

  private:
    std::unique_ptr<FrameSource> fed();

    QList<CameraInfo> cameras_;
    QPointer<VideoSinkSource> opened_;
};

// Counts what it is asked to play.
class FakeAudioPlayer : public AudioPlayer {
  public:
    void play(const QByteArray& wav) override {
        ++plays;
        last = wav;
        if (onPlay) onPlay();
    }
    QString problem() const override { return problemText; }
    std::function<void()> onPlay;
    int plays = 0;
    QByteArray last;
    QString problemText;
};

// A left click posted to a widget (press and release), at its centre unless told: it runs when
// events are next processed.
void postClick(QWidget* w, QPoint at = {});

// Returns once every timer of this thread that falls due within `ms` of now has fired, however
// late the thread runs: timers fire in the order they fall due. For what must not happen by then.
[[nodiscard]] bool passTimersDueWithin(int ms);

// A camera frame in BGRA holding the picture.
QVideoFrame frameFromImage(const QImage& image);

// A 320 x 240 (or other) RGB32 picture of one colour.
QImage solid(QColor colour, QSize size = {320, 240});

// A frame of one solid colour in the given pixel format.
QVideoFrame solidFrame(QSize size, QVideoFrameFormat::PixelFormat format, QColor color);

}  // namespace skymra::test
