#pragma once

#include <QMessageBox>
#include <QString>

namespace skymra {

// A message box that shows its text as it stands: never as rich text, whatever the text holds
// (a server's reason or an address can hold markup).
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text);

}  // namespace skymra
