#include "capture/capture_dialogs.h"

#include "capture/source_catalog.h"
#include "capture/video_capture.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace skymra {

SourceDialog::SourceDialog(VideoCaptureControl& control, SourceCatalog& catalog, QWidget* parent)
    : QDialog(parent), control_(control), catalog_(catalog), sources_(new QComboBox(this)) {
    setWindowTitle(tr("Set Camera"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(tr("Videokälla"), sources_);
    layout->addLayout(form);
    settingsArea_ = new QVBoxLayout;
    layout->addLayout(settingsArea_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    layout->addWidget(buttons);

    int current = 0;
    for (const CameraInfo& c : catalog_.cameras()) {
        if (c.id == control_.cameraId()) current = sources_->count();
        sources_->addItem(c.description, c.id);
    }
    sources_->addItem(tr("Inbyggd testbild"), QByteArray());
    if (control_.showsScene()) current = sources_->count() - 1;
    sources_->setCurrentIndex(current);
    connect(sources_, &QComboBox::activated, this, &SourceDialog::choose);
    showSettings();
}

void SourceDialog::choose(int index) {
    const QByteArray id = sources_->itemData(index).toByteArray();
    if (id.isEmpty()) {
        control_.useScene();
    } else if (id != control_.cameraId() && !control_.useCamera(id)) {
        QMessageBox::warning(this, windowTitle(), tr("Kameran kunde inte öppnas."));
    }
    showSettings();
}

void SourceDialog::showSettings() {
    delete settings_;
    settings_ = control_.source() ? control_.source()->createSettingsWidget(this) : nullptr;
    if (settings_ == nullptr) settings_ = new QLabel(tr("Källan har inga inställningar."), this);
    settingsArea_->addWidget(settings_);
}

FormatDialog::FormatDialog(VideoCaptureControl& control, QWidget* parent)
    : QDialog(parent),
      control_(control),
      formats_(new QComboBox(this)),
      sizes_(new QComboBox(this)) {
    setWindowTitle(tr("Display Format"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(tr("Källans format"), formats_);
    form->addRow(tr("Bildstorlek"), sizes_);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FormatDialog::apply);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    FrameSource* source = control_.source();
    if (source) {
        formats_->addItems(source->formats());
        formats_->setCurrentIndex(source->currentFormat());
    }
    formats_->setEnabled(formats_->count() > 1);
    for (const QSize s : {DefaultCaptureSize, DefaultCaptureSize / 2, DefaultCaptureSize * 2}) {
        sizes_->addItem(tr("%1 × %2").arg(s.width()).arg(s.height()), s);
        if (s == control_.captureSize()) sizes_->setCurrentIndex(sizes_->count() - 1);
    }
}

void FormatDialog::apply() {
    if (FrameSource* source = control_.source();
        source && formats_->currentIndex() >= 0 &&
        formats_->currentIndex() != source->currentFormat()) {
        source->setFormat(formats_->currentIndex());
    }
    control_.setCaptureSize(sizes_->currentData().toSize());
    accept();
}

}  // namespace skymra
