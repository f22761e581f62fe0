#pragma once

#include <QDialog>

class QComboBox;
class QVBoxLayout;

namespace skymra {

class VideoCaptureControl;
class SourceCatalog;

// "Set Camera": choose a camera or the built-in scene and adjust what the camera exposes.
class SourceDialog : public QDialog {
    Q_OBJECT
  public:
    SourceDialog(VideoCaptureControl& control, SourceCatalog& catalog, QWidget* parent = nullptr);

  private:
    void choose(int index);
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
