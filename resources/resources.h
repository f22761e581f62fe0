#pragma once

#include <QImage>
#include <QString>

namespace skymra::resources {

// Paths inside the program's embedded resources.
inline const QString MarkerPath = QStringLiteral(":/marker.png");
inline const QString IconPath = QStringLiteral(":/skymra.png");

// The 32 x 32 marker: a red frame with dotted cross hairs, transparent elsewhere.
QImage markerPicture();

}  // namespace skymra::resources
