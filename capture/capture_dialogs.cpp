#include "capture/capture_dialogs.h"

#include "capture/capture_choices.h"
#include "sources/frame.h"
#include "sources/frame_source.h"
#include "sources/source_catalog.h"
#include "stream/stream_address.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace skymra {

SourceDialog::SourceDialog(CaptureChoices& control, SourceCatalog& catalog, Report warn,
                           QWidget* parent)
    : QDialog(parent),
      control_(control),
      catalog_(catalog),
      warn_(warn ? std::move(warn) : warningBoxes(this)),
      sources_(new QComboBox(this)) {
    setWindowTitle(tr("Set Camera"));
    sources_->setSizeAdjustPolicy(QComboBox::AdjustToContents);  // a stream's address is long
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

    fillSources();
    connect(sources_, &QComboBox::activated, this, &SourceDialog::choose);
    sources_->installEventFilter(this);
    showSettings();
}

bool SourceDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched != sources_) return QDialog::eventFilter(watched, event);
    // The closed list acts only on an explicit choice: arrows, letters and the wheel only move
    // through it (the list would call each of them a choice, and "Videoström…" would ask for an
    // address on the way past), and Return takes what it shows.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            choose(sources_->currentIndex());
            return true;
        }
        const bool moves = !(key->modifiers() & (Qt::AltModifier | Qt::ControlModifier)) &&
                           (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down ||
                            key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown ||
                            key->key() == Qt::Key_Home || key->key() == Qt::Key_End ||
                            (!key->text().isEmpty() && key->text().front().isLetterOrNumber()));
        if (!moves) return false;
    } else if (event->type() != QEvent::Wheel) {
        return false;
    }
    const QSignalBlocker quiet(sources_);
    static_cast<QObject*>(sources_)->event(event);
    return true;
}

namespace {
constexpr int KindRole = Qt::UserRole + 1;
}

void SourceDialog::fillSources() {
    sources_->clear();
    int current = -1;
    for (const CameraInfo& c : catalog_.cameras()) {
        if (c.id == control_.cameraId()) current = sources_->count();
        sources_->addItem(c.description, c.id);
        sources_->setItemData(sources_->count() - 1, Camera, KindRole);
    }
    if (!control_.stream().isEmpty()) {
        current = sources_->count();
        sources_->addItem(displayAddress(control_.stream()));
        sources_->setItemData(current, CurrentStream, KindRole);
    }
    sources_->addItem(tr("Inbyggd testbild"));
    sources_->setItemData(sources_->count() - 1, Scene, KindRole);
    if (current < 0) current = sources_->count() - 1;
    sources_->addItem(tr("Videoström…"));
    sources_->setItemData(sources_->count() - 1, NewStream, KindRole);
    sources_->setCurrentIndex(current);
}

void SourceDialog::choose(int index) {
    switch (sources_->itemData(index, KindRole).toInt()) {
        case Camera: {
            const QByteArray id = sources_->itemData(index).toByteArray();
            if (id != control_.cameraId() && !control_.useCamera(id))
                warn_(tr("Kameran kunde inte öppnas."));
            break;
        }
        case Scene:
            control_.useScene();
            break;
        case NewStream:
            askForStream();
            break;
        default:
            break;
    }
    fillSources();
    showSettings();
}

void SourceDialog::askForStream() {
    const QUrl shown =
        control_.stream().isEmpty() ? control_.reconnectingStream() : control_.stream();
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, tr("Videoström"),
        tr("Adress till en nätverkskamera eller videofil\n"
           "(rtsp://, http://, https://, file:// eller en sökväg):"),
        QLineEdit::Normal, shown.isEmpty() ? QString() : shown.toString(QUrl::RemovePassword), &ok);
    if (!ok) return;
    // The password is never shown; the address taken as offered keeps it.
    StreamAddress address = readStreamAddress(text);
    if (!shown.isEmpty() && text == shown.toString(QUrl::RemovePassword)) address.url = shown;
    if (!address.error.isEmpty()) {
        warn_(address.error);
        return;
    }
    const QString why = connectTo(address.url);
    if (!why.isEmpty()) {
        warn_(tr("Källan %1 kan inte visas: %2.").arg(displayAddress(address.url), why));
    }
}

QString SourceDialog::connectTo(const QUrl& url) {
    QProgressDialog progress(tr("Ansluter till %1 …").arg(displayAddress(url)), tr("Avbryt"), 0, 0,
                             this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    bool done = false;
    QString why;
    control_.tryStream(url, [&](const QString& reason) {
        done = true;
        why = reason;
        progress.accept();
    });
    if (!done && progress.exec() == QDialog::Rejected && !done) {
        control_.cancelStream();
        why.clear();  // the user's own choice needs no message
    }
    return why;
}

void SourceDialog::showSettings() {
    delete settings_;
    const QList<SourceSetting> settings =
        control_.source() ? control_.source()->settings() : QList<SourceSetting>();
    if (settings.isEmpty()) {
        settings_ = new QLabel(tr("Källan har inga inställningar."), this);
    } else {
        settings_ = new QWidget(this);
        auto* form = new QFormLayout(settings_);
        for (const SourceSetting& s : settings) {
            if (s.set) {
                auto* slider = new QSlider(Qt::Horizontal, settings_);
                slider->setRange(s.minimum, s.maximum);
                slider->setValue(s.value);
                connect(slider, &QSlider::valueChanged, slider, s.set);
                form->addRow(s.name, slider);
            } else {
                auto* text = new QLabel(s.text, settings_);
                text->setTextFormat(Qt::PlainText);
                text->setTextInteractionFlags(Qt::TextSelectableByMouse);
                form->addRow(s.name, text);
            }
        }
    }
    settingsArea_->addWidget(settings_);
}

FormatDialog::FormatDialog(CaptureChoices& control, QWidget* parent)
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
