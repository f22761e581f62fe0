#include "workflow/workflow.h"

#include "controls/colors.h"
#include "detect/frame_compare.h"
#include "events/yield.h"
#include "resources/resources.h"
#include "workflow/bit_transfer.h"
#include "workflow/check_time.h"

#include <QCoreApplication>

#include <cmath>
#include <stdexcept>

namespace skymra {
namespace {

constexpr QPoint Parked(-32, -32);

}  // namespace

Workflow::Workflow(WorkflowControls controls, Clipboard& clipboard, AlarmSound& sound, Clock clock,
                   Notice notice)
    : c_(controls),
      clipboard_(clipboard),
      sound_(sound),
      clock_(std::move(clock)),
      notice_(std::move(notice)) {
    if (!clock_) clock_ = localNow;
}

void Workflow::showAlarm(bool raised) {
    c_.Shape1->setFillColor(fromBgr(raised ? AlarmColor : IdleColor));
    // The colour alone tells nothing to a screen reader.
    c_.Shape1->setAccessibleDescription(
        raised ? QCoreApplication::translate("Workflow", "Larm")
               : QCoreApplication::translate("Workflow", "Inget larm"));
}

void Workflow::parkMarkers() {
    c_.Image1->move(Parked);
    c_.Image2->move(Parked);
}

void Workflow::Command3_Click() {
    clipboard_.clear();
    c_.ezVidCap1->copyFrameToClipboard();  // its yes/no is not looked at
    referenceSource_ = c_.ezVidCap1->sourceName();
    c_.Picture1->setPicture(clipboard_.image());
    c_.Command4->setEnabled(true);
    parkMarkers();
}

void Workflow::Command4_Click() {
    clipboard_.clear();
    c_.ezVidCap1->copyFrameToClipboard();
    newSource_ = c_.ezVidCap1->sourceName();
    c_.ezVidCap->setPicture(clipboard_.image());
    c_.Command1->setEnabled(true);
    Threshold = c_.Slider1->value() * ThresholdPerStep;
    showAlarm(false);
}

void Workflow::Command1_Click() {
    clipboard_.clear();
    clipboard_.setImage(c_.ezVidCap->persistentImage());
    const QImage newImage = clipboard_.image();
    // Comparing stale pixels would report a result for pictures nobody took.
    if (newImage.isNull()) {
        throw ClipboardError(QCoreApplication::translate(
                                 "Workflow", "Urklippet innehåller ingen bild att kontrollera.")
                                 .toStdString());
    }
    readBits(newImage, NewPixels);
    readBits(c_.Picture1->persistentImage(), RefPixels);
    const std::int32_t changeCount = compareFrames(NewPixels, RefPixels, Threshold);
    c_.Label3->setText(generalDateTime(clock_()));
    writeBits(NewPixels, c_.Picture2->persistentImage());
    c_.Picture2->refresh();
    c_.Picture2->show();
    c_.Command2->setEnabled(true);
    c_.Command1->setEnabled(false);
    c_.Label2->setText(QString::number(changeCount));
    if (alarmRaised(changeCount, c_.Slider1->value())) {
        showAlarm(true);
        sound_.SoundPlay(AlarmResource);
    } else {
        showAlarm(false);
    }
    warnOfMixedSources();
}

void Workflow::warnOfMixedSources() {
    // A camera lost between the snapshots makes the scene the new picture: a change nobody made.
    if (referenceSource_.isEmpty() || newSource_.isEmpty() || referenceSource_ == newSource_ ||
        !notice_) {
        return;
    }
    notice_(QCoreApplication::translate("Workflow",
                                        "Bilderna kommer från olika källor: referensbilden från "
                                        "%1, den nya bilden från %2. Förändringarna kan bero på "
                                        "bytet av källa.")
                .arg(referenceSource_, newSource_));
}

void Workflow::Command2_Click() {
    c_.Picture2->hide();
    c_.Label1_0->setText(QStringLiteral("Videokamera fönster Nu"));
    c_.Command1->setEnabled(false);
    c_.Command2->setEnabled(false);
    c_.Command4->setEnabled(false);
    c_.Slider1->setValue(SliderStart);
    showAlarm(false);
    parkMarkers();
}

void Workflow::Picture2_MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, float X, float Y) {
    // The marker centred on the click: X - 16 in single precision, rounded half away from zero.
    constexpr float centre = resources::MarkerCentre;
    const QPoint at(static_cast<int>(std::lround(X - centre)),
                    static_cast<int>(std::lround(Y - centre)));
    c_.Image1->move(at);
    c_.Image2->move(at);
}

void Workflow::Slider1_MouseUp() {
    Command4_Click();
    yieldToEvents();
    Command1_Click();
}

}  // namespace skymra
