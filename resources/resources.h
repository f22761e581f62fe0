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

// Resource CUSTOM/id (the alarm is 102), where it lives in the embedded data.
QString customResourcePath(std::int32_t id);
// Its bytes, straight from the program's embedded data; empty if absent.
QByteArray customResource(std::int32_t id);

}  // namespace skymra::resources
