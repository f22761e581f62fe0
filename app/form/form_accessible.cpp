#include "app/form/form_accessible.h"

#include "controls/line_control.h"

namespace skymra {

FormAccessible::FormAccessible(QWidget* form) : QAccessibleWidget(form, QAccessible::Window) {}

QList<QWidget*> FormAccessible::children() const {
    QList<QWidget*> shown;
    for (QObject* o : widget()->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (w && !w->isWindow() && !qobject_cast<LineControl*>(w)) shown.append(w);
    }
    return shown;
}

int FormAccessible::childCount() const { return static_cast<int>(children().size()); }

QAccessibleInterface* FormAccessible::child(int index) const {
    const QList<QWidget*> all = children();
    if (index < 0 || index >= all.size()) return nullptr;
    return QAccessible::queryAccessibleInterface(all.at(index));
}

int FormAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child || !child->object()) return -1;
    return static_cast<int>(children().indexOf(qobject_cast<QWidget*>(child->object())));
}

void FormAccessible::install(const char* className) {
    static const char* form = nullptr;
    if (form) return;
    form = className;
    QAccessible::installFactory([](const QString& name, QObject* o) -> QAccessibleInterface* {
        auto* widget = qobject_cast<QWidget*>(o);
        if (!widget || name != QLatin1String(form)) return nullptr;
        return new FormAccessible(widget);
    });
}

}  // namespace skymra
