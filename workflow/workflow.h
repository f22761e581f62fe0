#pragma once

#include "capture/clipboard.h"
#include "capture/video_capture.h"
#include "controls/picture_box.h"
#include "controls/shape_control.h"
#include "controls/slider_control.h"
#include "detect/pixels.h"
#include "sound/alarm_sound.h"

#include <QDateTime>
#include <QLabel>
#include <QPushButton>

#include <array>
#include <cstdint>
#include <functional>

namespace skymra {

// The controls the workflow reads and changes.
struct WorkflowControls {
    VideoCaptureControl* ezVidCap1;
    PictureBox* Picture1;
    PictureBox* Picture2;
    PictureBox* ezVidCap;
    QLabel* Image1;
    QLabel* Image2;
    QLabel* Label1_0;
    QLabel* Label2;
    QLabel* Label3;
    ShapeControl* Shape1;
    SliderControl* Slider1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command4;
};

// Snapshots, check, result view and reset, with the window's form-level state. Each handler
// throws on a failing step; the steps before it stay done.
class Workflow {
  public:
    static constexpr int Pixels = FramePixels;
    // Slider1 at start and after a return to the video window.
    static constexpr int SliderStart = 50;
    static constexpr std::int32_t ThresholdPerStep = 50000;
    static constexpr std::int32_t AlarmResource = 102;
    using Clock = std::function<QDateTime()>;
    // Tells the user something after a handler has done its work.
    using Notice = std::function<void(const QString&)>;

    Workflow(WorkflowControls controls, Clipboard& clipboard, AlarmSound& sound, Clock clock = {},
             Notice notice = {});

    void Command3_Click();  // reference snapshot
    void Command4_Click();  // second snapshot
    void Command1_Click();  // check
    void Command2_Click();  // back to the video window
    void Picture2_MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, float X, float Y);
    void Slider1_MouseUp();

    std::int32_t Threshold = 0;
    // On cache-line boundaries: a buffer 20 bytes off one made every copy and the comparison
    // touch two lines per 64 bytes.
    alignas(64) std::array<std::int32_t, Pixels> NewPixels{};
    alignas(64) std::array<std::int32_t, Pixels> RefPixels{};

  private:
    static QString tr(const char* text);
    void parkMarkers();
    void showAlarm(bool raised);
    void describeAlarm(bool raised);
    void warnOfMixedSources();

    WorkflowControls c_;
    Clipboard& clipboard_;
    AlarmSound& sound_;
    Clock clock_;
    Notice notice_;
    // Where each snapshot's frame came from; empty before the first.
    QString referenceSource_;
    QString newSource_;
    // For screen readers: the last check's result, and whether a slider re-check is under way
    // (its second snapshot does not announce the idle indicator in passing).
    QString result_;
    bool rechecking_ = false;
};

}  // namespace skymra
