#pragma once

#include "controls/message_box.h"

#include <QDialog>

class QComboBox;
class QVBoxLayout;

namespace skymra {

class CaptureChoices;
class SourceCatalog;

// "Set Camera": choose a camera, a video stream or the built-in scene, and adjust what the
// source exposes.
class SourceDialog : public QDialog {
    Q_OBJECT
  public:
    // What cannot be done goes to `warn`; message boxes when none is given.
    SourceDialog(CaptureChoices& control, SourceCatalog& catalog, Report warn = {},
                 QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    enum Kind { Camera, Scene, CurrentStream, NewStream };
    void fillSources();
    void choose(int index);
    void askForStream();
    // Waits, with a way to call it off, until the stream shows or fails; its failure, or empty.
    QString connectTo(const QUrl& url);
    void showSettings();

    CaptureChoices& control_;
    SourceCatalog& catalog_;
    Report warn_;
    QComboBox* sources_;
    QVBoxLayout* settingsArea_;
    QWidget* settings_ = nullptr;
};

// "Display Format": the source's formats and the capture size.
class FormatDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FormatDialog(CaptureChoices& control, QWidget* parent = nullptr);

  private:
    void apply();

    CaptureChoices& control_;
    QComboBox* formats_;
    QComboBox* sizes_;
};

}  // namespace skymra
