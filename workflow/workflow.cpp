#include "workflow/workflow.h"

#include "controls/colors.h"
#include "detect/frame_compare.h"
#include "events/yield.h"
#include "resources/resources.h"
#include "workflow/bit_transfer.h"
#include "workflow/check_time.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QScopeGuard>

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
    c_.Picture1->setAccessibleDescription(tr("Ingen referensbild tagen"));
    c_.ezVidCap->setAccessibleDescription(tr("Ingen ny bild tagen"));
    describeAlarm(false);
}

QString Workflow::tr(const char* text) { return QCoreApplication::translate("Workflow", text); }

void Workflow::showAlarm(bool raised) {
    c_.Shape1->setFillColor(fromBgr(raised ? AlarmColor : IdleColor));
    if (!rechecking_) describeAlarm(raised);
}

void Workflow::describeAlarm(bool raised) {
    // The colour alone tells nothing to a screen reader; nor does silence tell why.
    QString problem = sound_.problem();
    if (!problem.isEmpty()) problem[0] = problem[0].toUpper();
    QString text = raised ? tr("Larm") : tr("Inget larm");
    if (!problem.isEmpty()) text += QStringLiteral(". ") + problem;
    // Said only when it changes: an unchanged state is no news.
    if (c_.Shape1->accessibleDescription() != text) c_.Shape1->setAccessibleDescription(text);
    c_.Shape1->setToolTip(problem);
}

void Workflow::parkMarkers() {
    // Outside their boxes, and so hidden: a screen reader does not report them as showing.
    for (QLabel* marker : {c_.Image1, c_.Image2}) {
        marker->move(Parked);
        marker->hide();
    }
}

void Workflow::Command3_Click() {
    clipboard_.clear();
    c_.ezVidCap1->copyFrameToClipboard();  // its yes/no is not looked at
    referenceSource_ = c_.ezVidCap1->sourceName();
    c_.Picture1->setPicture(clipboard_.image());
    // A snapshot's description carries its own time; the window's clock is the check's.
    c_.Picture1->setAccessibleDescription(
        tr("Referensbild tagen %1").arg(generalDateTime(localNow())));
    c_.Command4->setEnabled(true);
    parkMarkers();
}

void Workflow::Command4_Click() {
    clipboard_.clear();
    c_.ezVidCap1->copyFrameToClipboard();
    newSource_ = c_.ezVidCap1->sourceName();
    c_.ezVidCap->setPicture(clipboard_.image());
    c_.ezVidCap->setAccessibleDescription(tr("Ny bild tagen %1").arg(generalDateTime(localNow())));
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
        throw ClipboardError(tr("Urklippet innehåller ingen bild att kontrollera.").toStdString());
    }
    readBits(newImage, NewPixels);
    readBits(c_.Picture1->persistentImage(), RefPixels);
    const std::int32_t changeCount = compareFrames(NewPixels, RefPixels, Threshold);
    const bool raised = alarmRaised(changeCount, c_.Slider1->value());
    c_.Label3->setText(generalDateTime(clock_()));
    writeBits(NewPixels, c_.Picture2->persistentImage());
    c_.Picture2->refresh();
    c_.Picture2->show();
    result_ =
        (raised ? tr("%1 förändringar, larm") : tr("%1 förändringar, inget larm")).arg(changeCount);
    c_.Picture2->setAccessibleName(tr("Förändringskarta, %1").arg(result_));
    c_.Label2->setAccessibleName(tr("Antal förändringar: %1").arg(changeCount));
    // Focus leaves the check button, which turns itself off next, for the map: a screen reader
    // speaks the map's name, the result, as focus arrives. A re-check from the slider leaves
    // focus on the slider for its next value.
    if (!c_.Slider1->hasFocus()) c_.Picture2->setFocus(Qt::OtherFocusReason);
    c_.Command2->setEnabled(true);
    c_.Command1->setEnabled(false);
    c_.Label2->setText(QString::number(changeCount));
    if (raised) {
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
    notice_(tr("Bilderna kommer från olika källor: referensbilden från "
               "%1, den nya bilden från %2. Förändringarna kan bero på "
               "bytet av källa.")
                .arg(referenceSource_, newSource_));
}

void Workflow::Command2_Click() {
    c_.Picture2->hide();
    if (!c_.Label2->text().isEmpty()) {
        c_.Label2->setAccessibleName(
            tr("Antal förändringar vid förra kontrollen: %1").arg(c_.Label2->text()));
    }
    c_.Slider1->setAccessibleDescription(QString());
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
    const QString spot = tr("Markerar punkten %1, %2").arg(std::lround(X)).arg(std::lround(Y));
    for (QLabel* marker : {c_.Image1, c_.Image2}) {
        marker->move(at);
        marker->show();
        marker->setAccessibleDescription(spot);
    }
}

void Workflow::Slider1_MouseUp() {
    {
        rechecking_ = true;
        const auto done = qScopeGuard([this] { rechecking_ = false; });
        Command4_Click();
    }
    yieldToEvents();
    Command1_Click();
    // The slider keeps focus: the result comes as its description, which a screen reader speaks
    // for the focused control. Once per check, the same result again included.
    if (!c_.Slider1->hasFocus()) return;
    if (c_.Slider1->accessibleDescription() != result_) {
        c_.Slider1->setAccessibleDescription(result_);
    } else {
        QAccessibleEvent said(c_.Slider1, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&said);
    }
}

}  // namespace skymra
