#include "controls/message_box.h"

#include <QApplication>
#include <QPointer>

namespace skymra {

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, parent ? parent->window()->windowTitle() : QString(), text,
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

Report warningBoxes(QWidget* parent) {
    return [parent = QPointer<QWidget>(parent)](const QString& text) {
        QWidget* over = QApplication::activeModalWidget();
        showMessage(over ? over : parent.data(), QMessageBox::Warning, text);
    };
}

}  // namespace skymra
