#pragma once

#include <QAccessibleWidget>

namespace skymra {

// The window as a screen reader meets it: a frame, with the arrow's five line pieces, which
// only decorate, left out of its children.
class FormAccessible : public QAccessibleWidget {
  public:
    explicit FormAccessible(QWidget* form);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

    // Serves windows of the class named `className` their interface; installed once, at the
    // window's first construction.
    static void install(const char* className);

  private:
    QList<QWidget*> children() const;
};

}  // namespace skymra
