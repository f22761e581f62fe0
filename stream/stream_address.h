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

// Text from outside (a server's reason, a library's error, an address as typed) made fit to
// show: every login's password masked, in plain and in percent-encoded form, the password of
// `url` wherever it stands, control characters gone and the length kept within reason.
QString shownText(const QString& text, const QUrl& url = {});
constexpr int MaxShownText = 300;

// Whether frames come from a file, which loops, rather than from a stream.
inline bool isFileAddress(const QUrl& url) { return url.isLocalFile(); }

}  // namespace skymra
