#include "stream/stream_address.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

    // A path is typed as it is named, spaces and all letters; a network address must be exact.
    const QUrl loose(typed, QUrl::TolerantMode);
    const bool file = loose.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
    const QUrl url = file ? loose : QUrl(typed, QUrl::StrictMode);
    if (!url.isValid()) return fail(tr("Adressen %1 är felaktig.").arg(shownText(typed)));
    const QString scheme = url.scheme().toLower();
    if (file) {
        if (!url.host().isEmpty() && url.host() != QLatin1String("localhost"))
            return fail(tr("Filer på andra datorer kan inte öppnas här: %1").arg(shownText(typed)));
        return fileAddress(url.toLocalFile());
    }
    if (scheme != QLatin1String("rtsp") && scheme != QLatin1String("http") &&
        scheme != QLatin1String("https")) {
        return fail(tr("Adresser som börjar med %1:// kan inte användas; ange rtsp://, http://, "
                       "https://, file:// eller en sökväg.")
                        .arg(shownText(url.scheme())));
    }
    if (url.host().isEmpty())
        return fail(tr("Adressen %1 saknar värddator.").arg(shownText(typed)));
    return {url, {}};
}

QString displayAddress(const QUrl& url) {
    if (url.isLocalFile()) return QDir::toNativeSeparators(url.toLocalFile());
    return url.toDisplayString(QUrl::RemovePassword);
}

QString shownText(const QString& text, const QUrl& url) {
    QString out = text;
    for (const QUrl::ComponentFormattingOptions form : {QUrl::FullyDecoded, QUrl::FullyEncoded}) {
        const QString password = url.password(form);
        // A very short one would mask letters that happen to match it.
        if (password.size() >= 3) out.replace(password, QLatin1String("***"));
    }
    // user:password@ after a scheme, as it stands in an address: up to the last @ of the
    // address, since a typed password may hold one.
    static const QRegularExpression login(QStringLiteral("(://[^\\s/@:]*:)[^\\s/]*@"));
    out.replace(login, QStringLiteral("\\1***@"));
    for (QChar& c : out) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    if (out.size() > MaxShownText) {
        out.truncate(MaxShownText - 1);
        out += QChar(0x2026);
    }
    return out;
}

}  // namespace skymra
