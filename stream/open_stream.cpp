#include "stream/open_stream.h"

#include "stream/http_source.h"
#include "stream/player_source.h"
#include "stream/rtsp/rtsp_source.h"
#include "stream/stream_address.h"
#include "stream/stream_log.h"

namespace skymra {

std::unique_ptr<FrameSource> openStream(const QUrl& url, StreamTimeouts timeouts) {
    const QString scheme = url.scheme().toLower();
    qCInfo(streamLog) << "opening" << displayAddress(url);
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return std::make_unique<HttpSource>(url, timeouts);
    if (scheme == QLatin1String("rtsp")) {
        if (auto rtsp = RtspSource::open(url, timeouts)) return rtsp;
    }
    return std::make_unique<PlayerSource>(url, timeouts);
}

}  // namespace skymra
