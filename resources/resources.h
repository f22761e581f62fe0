#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

namespace skymra::resources {

// Paths inside the program's embedded resources.
inline const QString MarkerPath = QStringLiteral(":/marker.png");
inline const QString IconPath = QStringLiteral(":/skymra.png");

// The 32 x 32 marker: a red frame with dotted cross hairs, transparent elsewhere.
QImage markerPicture();
// The marker's centre, from its top-left corner, on either axis.
inline constexpr int MarkerCentre = 16;

// The bytes of resource CUSTOM/id (the alarm is 102), straight from the program file's own
// resources where the platform has them, else from Qt's embedded data; empty if absent. They stay
// valid for as long as the program runs.
QByteArray customResource(std::int32_t id);

}  // namespace skymra::resources
