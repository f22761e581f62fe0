#include "platform/stream_decoder.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace skymra {
namespace {

// What rtspsrc holds back to reorder packets: its own 2 s make a camera's picture lag far behind
// the room; a local network reorders little.
constexpr guint RtspLatencyMs = 300;

// rtspsrc takes whatever length a server's answer claims and fills it as fast as the server
// sends (GStreamer 1.22 gives rtspsrc no limit to set): until its first picture, the program may
// grow by this much before the stream counts as a flood and is stopped. The size is the
// process's, so the watch ends once pictures flow: a camera that shows is not made to answer for
// what another attempt, or anything else in the program, takes.
constexpr long long MaxGrowthBytes = 256LL << 20;
constexpr auto GrowthCheck = std::chrono::milliseconds(200);

// The program's resident size, read from `statm` (/proc/self/statm, kept open); 0 if unknown.
long long residentBytes(int statm) {
    char text[128];
    const ssize_t got = pread(statm, text, sizeof text - 1, 0);
    if (got <= 0) return 0;
    const char* end = text + got;
    const char* resident = std::find(static_cast<const char*>(text), end, ' ');
    long long pages = 0;
    if (resident == end || std::from_chars(resident + 1, end, pages).ec != std::errc()) return 0;
    return pages * sysconf(_SC_PAGESIZE);
}

// Where rtspsrc connects for `uri`: its port, and its address where the host is written as one.
struct Peer {
    int port = 554;
    std::optional<in_addr> v4;
    std::optional<in6_addr> v6;
};

Peer peerOf(const std::string& uri) {
    Peer peer;
    GstUri* parsed = gst_uri_from_string(uri.c_str());
    if (!parsed) return peer;
    if (const guint port = gst_uri_get_port(parsed); port != GST_URI_NO_PORT)
        peer.port = static_cast<int>(port);
    else if (g_strcmp0(gst_uri_get_scheme(parsed), "rtsps") == 0)
        peer.port = 322;
    if (const gchar* host = gst_uri_get_host(parsed)) {
        std::string bare(host);
        if (bare.size() > 2 && bare.front() == '[') bare = bare.substr(1, bare.size() - 2);
        in_addr v4{};
        in6_addr v6{};
        if (inet_pton(AF_INET, bare.c_str(), &v4) == 1) peer.v4 = v4;
        if (inet_pton(AF_INET6, bare.c_str(), &v6) == 1) peer.v6 = v6;
    }
    gst_uri_unref(parsed);
    return peer;
}

// A socket, by its descriptor and the inode that tells it from a later one with the same number.
struct Socket {
    int fd = -1;
    ino_t inode = 0;
};

std::optional<ino_t> inodeOf(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return std::nullopt;
    return st.st_ino;
}

// This process's TCP connections to `peer`.
std::vector<Socket> connectionsTo(const Peer& peer) {
    std::vector<Socket> found;
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return found;
    while (const dirent* entry = readdir(fds)) {
        int fd = -1;
        const std::string_view name(entry->d_name);
        if (std::from_chars(name.data(), name.data() + name.size(), fd).ec != std::errc() ||
            fd == dirfd(fds))
            continue;
        int type = 0;
        socklen_t length = sizeof type;
        if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM)
            continue;
        sockaddr_storage address{};
        length = sizeof address;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) continue;
        bool same = false;
        if (address.ss_family == AF_INET) {
            const auto& in = reinterpret_cast<const sockaddr_in&>(address);
            same = ntohs(in.sin_port) == peer.port &&
                   (!peer.v4 || in.sin_addr.s_addr == peer.v4->s_addr) && !peer.v6;
        } else if (address.ss_family == AF_INET6) {
            const auto& in = reinterpret_cast<const sockaddr_in6&>(address);
            same = ntohs(in.sin6_port) == peer.port && !peer.v4 &&
                   (!peer.v6 || std::memcmp(&in.sin6_addr, &*peer.v6, sizeof(in6_addr)) == 0);
        }
        if (!same) continue;
        if (const auto inode = inodeOf(fd)) found.push_back({fd, *inode});
    }
    closedir(fds);
    return found;
}

// Which connection is whose. rtspsrc keeps its socket to itself, so each decoder takes as its own
// the one connection to its camera that no other decoder has taken, as rtspsrc is about to send
// on it; two cameras on one port (a recorder's channels, every camera on 554) stay apart.
class Claims {
  public:
    std::optional<Socket> claim(const Peer& peer) {
        const std::lock_guard lock(mutex_);
        std::optional<Socket> mine;
        for (const Socket& s : connectionsTo(peer)) {
            if (taken_.count(s.inode)) continue;
            if (mine) return std::nullopt;  // two new ones at once: no telling whose is whose
            mine = s;
        }
        if (mine) taken_.insert(mine->inode);
        return mine;
    }
    void release(const Socket& s) {
        const std::lock_guard lock(mutex_);
        taken_.erase(s.inode);
    }

  private:
    std::mutex mutex_;
    std::set<ino_t> taken_;
};

Claims& claims() {
    static Claims c;
    return c;
}

// Ends a connection for reading and writing, if the descriptor still names it: rtspsrc holds its
// lock through the whole of an answer it waits for, and a server that never finishes one would
// keep its teardown waiting up to the 20 s rtspsrc waits. The socket stays open for its owner.
void shutDown(const Socket& s) {
    if (inodeOf(s.fd) == s.inode) shutdown(s.fd, SHUT_RDWR);
}

// A sample mapped for reading, for as long as its picture is read.
struct MappedSample {
    explicit MappedSample(GstSample* s) : sample(s) {}
    ~MappedSample() {
        if (mapped) gst_video_frame_unmap(&frame);
        gst_sample_unref(sample);
    }
    MappedSample(const MappedSample&) = delete;
    MappedSample& operator=(const MappedSample&) = delete;

    GstSample* sample;
    GstVideoFrame frame{};
    bool mapped = false;
};

// The bytes of component `c` from its first to the end of its plane's last row.
std::span<const std::uint8_t> component(const GstVideoFrame& frame, guint c) {
    const auto* data = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame, c));
    const auto stride = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_STRIDE(&frame, c));
    const auto rows = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_HEIGHT(&frame, c));
    const auto offset = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_POFFSET(&frame, c));
    return {data, stride * rows - offset};
}

// uridecodebin, which picks what the stream needs (rtspsrc, the depayloader, a decoder), then
// the decoder's own 4:2:0 pictures: videoconvert only converts what a decoder gives otherwise.
// The sink takes each picture as it is decoded, not at its clock time: a live preview wants the
// newest picture at once, and waiting on the clock for every picture cost a sixth of the
// program's share of the processor.
class GstStreamDecoder {
  public:
    using Events = StreamDecoder::Events;
    GstStreamDecoder(const std::string& uri, Events events)
        : events_(std::move(events)), peer_(peerOf(uri)) {
        GError* error = nullptr;
        pipeline_ = gst_parse_launch(
            "uridecodebin name=source caps=video/x-raw ! videoconvert ! "
            "video/x-raw,format=(string){I420,YV12,NV12,NV21} ! appsink name=sink max-buffers=1 "
            "drop=true sync=false",
            &error);
        if (!pipeline_ || error) {
            report(streamFailure(StreamFailure::Kind::Unplayable, error ? error->message : ""));
            if (error) g_error_free(error);
            return;
        }
        GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline_), "source");
        g_object_set(source, "uri", uri.c_str(), nullptr);
        g_signal_connect(source, "source-setup", G_CALLBACK(&GstStreamDecoder::onSourceSetup),
                         this);
        g_signal_connect(source, "autoplug-select", G_CALLBACK(&GstStreamDecoder::onAutoplug),
                         nullptr);
        gst_object_unref(source);

        GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline_), "sink");
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = &GstStreamDecoder::onSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        GstPad* input = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &GstStreamDecoder::onQuery,
                          nullptr, nullptr);
        gst_object_unref(input);
        gst_object_unref(sink);

        bus_ = gst_element_get_bus(pipeline_);
        gst_bus_set_sync_handler(bus_, &GstStreamDecoder::onMessage, this, nullptr);
        statm_ = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
        if (statm_ >= 0)
            watch_ = std::thread(&GstStreamDecoder::watchGrowth, this, residentBytes(statm_));
        if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
            report(streamFailure(StreamFailure::Kind::NoContact));
    }

    // Joins the streaming threads: no callback runs after this. Slow where rtspsrc still waits
    // on its camera, so it runs on a thread of its own (GstStreamHandle).
    ~GstStreamDecoder() {
        if (watch_.joinable()) {
            {
                const std::lock_guard lock(watchMutex_);
                stopping_ = true;
            }
            watchWake_.notify_all();
            watch_.join();
        }
        if (statm_ >= 0) close(statm_);
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_NULL);
            if (bus_) {
                gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
                gst_object_unref(bus_);
            }
            gst_object_unref(pipeline_);
        }
        if (own_) claims().release(*own_);
        if (latest_) gst_sample_unref(latest_);
        gst_caps_replace(&infoCaps_, nullptr);
    }

    // Nothing more is said to whoever asked for the stream. A stream that never flowed, or
    // failed, has its own connection ended, since rtspsrc may wait on an answer that does not
    // end; one that flows is stopped as usual, with its TEARDOWN.
    void giveUp() {
        {
            const std::lock_guard lock(eventsMutex_);
            events_ = {};
        }
        const std::lock_guard lock(ownMutex_);
        if (own_ && (!flowing_ || failedOnce_)) shutDown(*own_);
    }

    GstStreamDecoder(const GstStreamDecoder&) = delete;
    GstStreamDecoder& operator=(const GstStreamDecoder&) = delete;

    std::optional<DecodedPicture> take() {
        GstSample* sample = nullptr;
        {
            const std::lock_guard lock(mutex_);
            sample = std::exchange(latest_, nullptr);
            announced_ = false;
        }
        if (!sample) return std::nullopt;
        auto held = std::make_shared<MappedSample>(sample);
        GstCaps* caps = gst_sample_get_caps(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (!caps || !buffer) return std::nullopt;
        // The same caps come with every picture until the stream changes: read them once.
        if (!infoCaps_ || !gst_caps_is_equal(caps, infoCaps_)) {
            gst_caps_replace(&infoCaps_, nullptr);
            if (!gst_video_info_from_caps(&info_, caps)) return std::nullopt;
            gst_caps_replace(&infoCaps_, caps);
        }
        held->mapped = gst_video_frame_map(&held->frame, &info_, buffer, GST_MAP_READ);
        if (!held->mapped) return std::nullopt;
        const GstVideoFrame& f = held->frame;
        switch (GST_VIDEO_FRAME_FORMAT(&f)) {
            case GST_VIDEO_FORMAT_I420:
            case GST_VIDEO_FORMAT_YV12:
            case GST_VIDEO_FORMAT_NV12:
            case GST_VIDEO_FORMAT_NV21:
                break;
            default:
                return std::nullopt;
        }
        DecodedPicture picture;
        picture.width = static_cast<std::size_t>(GST_VIDEO_FRAME_WIDTH(&f));
        picture.height = static_cast<std::size_t>(GST_VIDEO_FRAME_HEIGHT(&f));
        picture.y = component(f, GST_VIDEO_COMP_Y);
        picture.u = component(f, GST_VIDEO_COMP_U);
        picture.v = component(f, GST_VIDEO_COMP_V);
        picture.yStride = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_STRIDE(&f, 0));
        picture.uvStride = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_STRIDE(&f, 1));
        picture.uvStep = static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_PSTRIDE(&f, 1));
        picture.bt709 = info_.colorimetry.matrix == GST_VIDEO_COLOR_MATRIX_BT709;
        picture.fullRange = info_.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
        picture.hold = std::move(held);
        return picture;
    }

  private:
    void watchGrowth(long long atStart) {
        std::unique_lock lock(watchMutex_);
        while (!watchWake_.wait_for(lock, GrowthCheck, [this] { return stopping_; })) {
            if (flowing_) return;
            if (residentBytes(statm_) - atStart > MaxGrowthBytes) {
                report(streamFailure(StreamFailure::Kind::Flood));
                return;
            }
        }
    }

    // decodebin's answers to "autoplug-select" (GstAutoplugSelectResult, not in its headers).
    enum AutoplugSelect { Try = 0, Skip = 2 };

    // A parser is left out where a decoder takes the depayloader's output as it is (H.264 as
    // rtph264depay gives it): parsing every frame again costs up to a fifth of decoding it.
    static int onAutoplug(GstElement*, GstPad*, GstCaps* caps, GstElementFactory* factory,
                          gpointer) {
        if (!gst_element_factory_list_is_type(factory, GST_ELEMENT_FACTORY_TYPE_PARSER)) return Try;
        GList* decoders = gst_element_factory_list_get_elements(GST_ELEMENT_FACTORY_TYPE_DECODER,
                                                                GST_RANK_MARGINAL);
        bool direct = false;
        for (GList* d = decoders; d && !direct; d = d->next)
            direct = gst_element_factory_can_sink_all_caps(GST_ELEMENT_FACTORY(d->data), caps);
        gst_plugin_feature_list_free(decoders);
        return direct ? Skip : Try;
    }

    static void onSourceSetup(GstElement*, GstElement* source, gpointer self) {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "latency"))
            g_object_set(source, "latency", RtspLatencyMs, nullptr);
        if (g_signal_lookup("before-send", G_OBJECT_TYPE(source)) != 0)
            g_signal_connect(source, "before-send", G_CALLBACK(&GstStreamDecoder::onBeforeSend),
                             self);
    }

    // On rtspsrc's thread, its connection open: the moment to learn which one it is.
    static gboolean onBeforeSend(GstElement*, gpointer, gpointer self) {
        auto* decoder = static_cast<GstStreamDecoder*>(self);
        const std::lock_guard lock(decoder->ownMutex_);
        if (!decoder->own_) decoder->own_ = claims().claim(decoder->peer_);
        return TRUE;
    }

    // Pictures are read through their video meta, with whatever strides the decoder keeps:
    // saying so lets it hand over its own frames instead of copying each into plain rows.
    static GstPadProbeReturn onQuery(GstPad*, GstPadProbeInfo* info, gpointer) {
        GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
        if (GST_QUERY_TYPE(query) != GST_QUERY_ALLOCATION) return GST_PAD_PROBE_OK;
        gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
        return GST_PAD_PROBE_HANDLED;
    }

    static GstFlowReturn onSample(GstAppSink* sink, gpointer self) {
        auto* decoder = static_cast<GstStreamDecoder*>(self);
        GstSample* sample = gst_app_sink_pull_sample(sink);
        if (!sample) return GST_FLOW_OK;
        decoder->flowing_ = true;
        bool announce = false;
        {
            const std::lock_guard lock(decoder->mutex_);
            // Only the newest counts: an older one would be replaced before anyone saw it.
            if (decoder->latest_) gst_sample_unref(decoder->latest_);
            decoder->latest_ = sample;
            announce = !std::exchange(decoder->announced_, true);
        }
        if (announce) {
            const std::lock_guard lock(decoder->eventsMutex_);
            if (decoder->events_.pictureReady) decoder->events_.pictureReady();
        }
        return GST_FLOW_OK;
    }

    static GstBusSyncReply onMessage(GstBus*, GstMessage* message, gpointer self) {
        static_cast<GstStreamDecoder*>(self)->handle(message);
        return GST_BUS_DROP;
    }

    void handle(GstMessage* message) {
        switch (GST_MESSAGE_TYPE(message)) {
            case GST_MESSAGE_ERROR: {
                GError* error = nullptr;
                gst_message_parse_error(message, &error, nullptr);
                report(streamFailure(kindOf(error), error ? error->message : ""));
                if (error) g_error_free(error);
                break;
            }
            case GST_MESSAGE_EOS:
                report(streamFailure(StreamFailure::Kind::Ended));
                break;
            case GST_MESSAGE_ELEMENT:
                // The picture cannot be decoded here; a missing audio decoder does not matter.
                if (std::string type = missingDecoder(message);
                    type.starts_with("video/") || type.starts_with("image/")) {
                    StreamFailure missing = streamFailure(StreamFailure::Kind::MissingDecoder);
                    missing.mediaType = std::move(type);
                    report(missing);
                }
                break;
            default:
                break;
        }
    }

    static StreamFailure::Kind kindOf(const GError* error) {
        if (!error) return StreamFailure::Kind::NoContact;
        if (error->domain == GST_RESOURCE_ERROR) {
            switch (error->code) {
                case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                    return StreamFailure::Kind::Denied;
                case GST_RESOURCE_ERROR_NOT_FOUND:
                    return StreamFailure::Kind::NotFound;
                default:
                    return StreamFailure::Kind::NoContact;
            }
        }
        if (error->domain == GST_STREAM_ERROR) {
            switch (error->code) {
                case GST_STREAM_ERROR_CODEC_NOT_FOUND:
                    return StreamFailure::Kind::MissingDecoder;
                case GST_STREAM_ERROR_DECODE:
                case GST_STREAM_ERROR_DEMUX:
                case GST_STREAM_ERROR_FORMAT:
                case GST_STREAM_ERROR_WRONG_TYPE:
                case GST_STREAM_ERROR_TYPE_NOT_FOUND:
                    return StreamFailure::Kind::Unplayable;
                default:
                    break;
            }
        }
        if (error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_MISSING_PLUGIN)
            return StreamFailure::Kind::MissingDecoder;
        return StreamFailure::Kind::NoContact;
    }

    // The media type of a "missing-plugin" message's decoder, else empty.
    static std::string missingDecoder(GstMessage* message) {
        const GstStructure* s = gst_message_get_structure(message);
        if (!s || !gst_structure_has_name(s, "missing-plugin")) return {};
        const gchar* type = gst_structure_get_string(s, "type");
        GstCaps* caps = nullptr;
        if (!type || g_strcmp0(type, "decoder") != 0 ||
            !gst_structure_get(s, "detail", GST_TYPE_CAPS, &caps, nullptr) || !caps)
            return {};
        std::string name;
        if (gst_caps_get_size(caps) > 0)
            name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
        gst_caps_unref(caps);
        return name;
    }

    // The first failure only: what follows it is its echo.
    void report(const StreamFailure& failure) {
        if (failedOnce_.exchange(true)) return;
        const std::lock_guard lock(eventsMutex_);
        if (events_.failed) events_.failed(failure);
    }

    std::mutex eventsMutex_;
    Events events_;  // under eventsMutex_
    GstElement* pipeline_ = nullptr;
    GstBus* bus_ = nullptr;
    std::mutex mutex_;
    GstSample* latest_ = nullptr;  // under mutex_
    bool announced_ = false;       // under mutex_
    std::atomic<bool> failedOnce_{false};
    std::atomic<bool> flowing_{false};
    Peer peer_;
    std::mutex ownMutex_;
    std::optional<Socket> own_;  // rtspsrc's connection, once known; under ownMutex_
    int statm_ = -1;
    std::thread watch_;
    std::mutex watchMutex_;
    std::condition_variable watchWake_;
    bool stopping_ = false;        // under watchMutex_
    GstCaps* infoCaps_ = nullptr;  // what info_ was read from; the taking thread's
    GstVideoInfo info_{};
};

// Decoders given up, stopped each on a thread of its own: a camera that does not answer its
// TEARDOWN, or a connection that could not be told apart, must not hold the window up. At exit,
// what is still stopping is waited for.
class Reaper {
  public:
    void bury(std::unique_ptr<GstStreamDecoder> decoder, std::function<void()> stopped) {
        {
            const std::lock_guard lock(mutex_);
            ++stopping_;
        }
        std::thread([this, d = std::move(decoder), stopped = std::move(stopped)]() mutable {
            d.reset();
            if (stopped) stopped();
            const std::lock_guard lock(mutex_);
            if (--stopping_ == 0) done_.notify_all();
        }).detach();
    }
    ~Reaper() {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return stopping_ == 0; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_;
    int stopping_ = 0;
};

Reaper& reaper() {
    static Reaper r;
    return r;
}

class GstStreamHandle final : public StreamDecoder {
  public:
    GstStreamHandle(std::unique_ptr<GstStreamDecoder> decoder, std::function<void()> stopped)
        : decoder_(std::move(decoder)), stopped_(std::move(stopped)) {}
    ~GstStreamHandle() override {
        decoder_->giveUp();
        reaper().bury(std::move(decoder_), std::move(stopped_));
    }
    GstStreamHandle(const GstStreamHandle&) = delete;
    GstStreamHandle& operator=(const GstStreamHandle&) = delete;
    std::optional<DecodedPicture> take() override { return decoder_->take(); }

  private:
    std::unique_ptr<GstStreamDecoder> decoder_;
    std::function<void()> stopped_;
};

}  // namespace

std::unique_ptr<StreamDecoder> makeStreamDecoder(const std::string& uri,
                                                 StreamDecoder::Events events) {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return nullptr;
    // Made before the first decoder, so that at exit the reaper waits for the last one while
    // what that one still uses is there.
    claims();
    reaper();
    std::function<void()> stopped = std::move(events.stopped);
    return std::make_unique<GstStreamHandle>(
        std::make_unique<GstStreamDecoder>(uri, std::move(events)), std::move(stopped));
}

}  // namespace skymra
