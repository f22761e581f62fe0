#pragma once

#include <QDialog>

class QComboBox;
class QVBoxLayout;

namespace skymra {

class VideoCaptureControl;
class SourceCatalog;

// "Set Camera": choose a camera, a video stream or the built-in scene, and adjust what the
// source exposes.
class SourceDialog : public QDialog {
    Q_OBJECT
  public:
    SourceDialog(VideoCaptureControl& control, SourceCatalog& catalog, QWidget* parent = nullptr);

  private:
    enum Kind { Camera, Scene, CurrentStream, NewStream };
    void fillSources();
    void choose(int index);
    void askForStream();
    // Waits, with a way to call it off, until the stream shows or fails; its failure, or empty.
    QString connectTo(const QUrl& url);
    void showSettings();

    VideoCaptureControl& control_;
    SourceCatalog& catalog_;
    QComboBox* sources_;
    QVBoxLayout* settingsArea_;
    QWidget* settings_ = nullptr;
};

// "Display Format": the source's formats and the capture size.
class FormatDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FormatDialog(VideoCaptureControl& control, QWidget* parent = nullptr);

  private:
    void apply();

    VideoCaptureControl& control_;
    QComboBox* formats_;
    QComboBox* sizes_;
};

}  // namespace skymra
