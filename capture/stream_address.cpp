#include "capture/stream_address.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace skymra {
namespace {

QString tr(const char* text) { return QCoreApplication::translate("StreamAddress", text); }

StreamAddress fail(const QString& why) { return {{}, why}; }

StreamAddress fileAddress(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists()) return fail(tr("Filen %1 finns inte.").arg(QDir::toNativeSeparators(path)));
    if (!file.isFile() || !file.isReadable())
        return fail(tr("Filen %1 kan inte läsas.").arg(QDir::toNativeSeparators(path)));
    return {QUrl::fromLocalFile(file.absoluteFilePath()), {}};
}

}  // namespace

StreamAddress readStreamAddress(const QString& text) {
    const QString typed = text.trimmed();
    if (typed.isEmpty()) return fail(tr("Ingen adress angavs."));
    // A Windows drive letter looks like a one-letter scheme: a path, not an address.
    const bool looksLikeUrl =
        typed.contains(QLatin1String("://")) && typed.indexOf(QLatin1String("://")) > 1;
    if (!looksLikeUrl) return fileAddress(QDir::fromNativeSeparators(typed));

    const QUrl url(typed, QUrl::StrictMode);
    if (!url.isValid()) return fail(tr("Adressen %1 är felaktig.").arg(typed));
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("file")) {
        if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
            return fail(tr("Filer på andra datorer kan inte öppnas här: %1").arg(typed));
        return fileAddress(url.toLocalFile());
    }
    if (scheme != QLatin1String("rtsp") && scheme != QLatin1String("http") &&
        scheme != QLatin1String("https")) {
        return fail(tr("Adresser som börjar med %1:// kan inte användas; ange rtsp://, http://, "
                       "https://, file:// eller en sökväg.")
                        .arg(url.scheme()));
    }
    if (url.host().isEmpty()) return fail(tr("Adressen %1 saknar värddator.").arg(typed));
    return {url, {}};
}

QString displayAddress(const QUrl& url) {
    if (url.isLocalFile()) return QDir::toNativeSeparators(url.toLocalFile());
    return url.toDisplayString(QUrl::RemovePassword);
}

}  // namespace skymra
