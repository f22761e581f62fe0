#pragma once

#include "capture/clipboard.h"
#include "capture/video_capture.h"
#include "controls/line_control.h"
#include "controls/picture_box.h"
#include "controls/shape_control.h"
#include "controls/slider_control.h"
#include "sound/alarm_sound.h"
#include "sources/source_catalog.h"
#include "workflow/workflow.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace skymra {

// What the window reaches outside itself; tests pass their own.
struct Form1Services {
    Clipboard& clipboard;
    SourceCatalog& catalog;
    AlarmSound& sound;
    // Shows a handler's failure to the user; a message box unless replaced.
    std::function<void(const QString&)> reportError = {};
    // The time a check is stamped with; the system clock unless replaced.
    Workflow::Clock clock = {};
    // Tells the user something that is no failure; a message box unless replaced.
    Workflow::Notice inform = {};
    // Tells the user what a capture dialog could not do; a message box over it unless replaced.
    std::function<void(const QString&)> warn = {};
};

// The one window. Controls keep their designer names, which are also their object names.
class Form1 : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(Form1Services services, QWidget* parent = nullptr);

    // Handlers, named after control and event.
    void Command1_Click() { workflow_->Command1_Click(); }
    void Command2_Click() { workflow_->Command2_Click(); }
    void Command3_Click() { workflow_->Command3_Click(); }
    void Command4_Click() { workflow_->Command4_Click(); }
    void Command5_Click();
    void cmdFormatDlg_Click();
    void Slider1_MouseUp() { workflow_->Slider1_MouseUp(); }
    void Picture2_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float X, float Y) {
        workflow_->Picture2_MouseUp(button, shift, X, Y);
    }
    // The form-level state: Threshold, NewPixels and RefPixels.
    Workflow& state() { return *workflow_; }

    // Runs a handler: a failure stops it at that step and is shown, the window stays usable.
    void runHandler(const std::function<void()>& handler);

    // The capture control: live preview top left, the source of every snapshot.
    VideoCaptureControl* ezVidCap1;
    // Captions: 0 over the preview, 1 "Orginalbild", 2 "Nya bilden", 3 over the new picture,
    // 4 "Filter", 5 the slider's.
    std::array<QLabel*, 6> Label1;
    // The reference snapshot, bottom left, with its marker.
    PictureBox* Picture1;
    QLabel* Image1;
    // The change map, top right, shown after a check, with the check's time on it.
    PictureBox* Picture2;
    QLabel* Label3;
    // The new picture (the second snapshot), bottom right, with its marker; a picture box,
    // not the capture control.
    PictureBox* ezVidCap;
    QLabel* Image2;
    // The middle column: the alarm indicator, Set Camera, the wake-up note and the change count.
    ShapeControl* Shape1;
    QPushButton* Command5;
    QLabel* Label4;
    QLabel* Label2;
    std::array<LineControl*, 5> Line;  // Line1 to Line5: the arrow under the count
    // The sensitivity: a release takes a second snapshot and checks.
    SliderControl* Slider1;
    // The buttons along the bottom: reference snapshot, format, check, second snapshot, back.
    QPushButton* Command3;
    QPushButton* cmdFormatDlg;
    QPushButton* Command1;
    QPushButton* Command4;
    QPushButton* Command2;

  protected:
    void showEvent(QShowEvent* event) override;
    // Return and Enter press the focused button, as Space does (and as they do on Windows).
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Form1Services services_;
    std::unique_ptr<Workflow> workflow_;
    bool centred_ = false;
};

// Where a window's frame of this size opens: centred on the available area, but never with its
// top or left edge beyond the area's.
QPoint placeOnScreen(QSize frame, QRect available);

// Where MS Sans Serif is missing, the nearest sans-serif face stands in for it; once, at start.
void installFontSubstitutes();
// MS Sans Serif at a pixel size (8.25, 9.75, 12 and 13.5 pt are 11, 13, 16 and 18 px at 96 dpi).
QFont formFont(int pixelSize, bool bold);

}  // namespace skymra
