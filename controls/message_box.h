#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

namespace skymra {

// A message box that shows its text as it stands: never as rich text, whatever the text holds
// (a server's reason or an address can hold markup).
void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& text);

// How a failure or warning reaches the user.
using Report = std::function<void(const QString&)>;
// Warnings in message boxes over the dialog that is open, else over `parent`.
Report warningBoxes(QWidget* parent);

}  // namespace skymra
