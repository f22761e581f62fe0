#pragma once

#include <QString>
#include <QUrl>

namespace skymra {

// What the user typed as a video stream's address, read: an rtsp, http or https address, or a
// file as a file URL or a plain path. Exactly one of the two is set.
struct StreamAddress {
    QUrl url;
    QString error;  // why the text cannot be used, in words for the user
};

StreamAddress readStreamAddress(const QString& text);

// The address as it may be shown: without the password a camera's address often carries.
QString displayAddress(const QUrl& url);

// Whether frames come from a file, which loops, rather than from a stream.
inline bool isFileAddress(const QUrl& url) { return url.isLocalFile(); }

}  // namespace skymra
