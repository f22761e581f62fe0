#include "stream/rtsp/flood_watch.h"
#include "stream/rtsp/own_connection.h"
#include "stream/rtsp/stream_decoder.h"
#include "stream/rtsp/teardown.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <utility>

namespace skymra {
namespace {

// What rtspsrc holds back to reorder packets: its own 2 s make a camera's picture lag far behind
// the room; a local network reorders little.
constexpr guint RtspLatencyMs = 300;

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
        : events_(std::move(events)), own_(uri) {
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
        flood_.emplace([this] { return flowing_.load(); },
                       [this] { report(streamFailure(StreamFailure::Kind::Flood)); });
        if (gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE)
            report(streamFailure(StreamFailure::Kind::NoContact));
    }

    // Joins the streaming threads: no callback runs after this. Slow where rtspsrc still waits
    // on its camera, so it runs on a thread of its own (GstStreamHandle).
    ~GstStreamDecoder() {
        flood_.reset();
        if (pipeline_) {
            gst_element_set_state(pipeline_, GST_STATE_NULL);
            if (bus_) {
                gst_bus_set_sync_handler(bus_, nullptr, nullptr, nullptr);
                gst_object_unref(bus_);
            }
            gst_object_unref(pipeline_);
        }
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
        if (!flowing_ || failedOnce_) own_.end();
    }

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
        static_cast<GstStreamDecoder*>(self)->own_.claim();
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

    // What GStreamer's error means for the user; any other is no contact.
    static StreamFailure::Kind kindOf(const GError* error) {
        using Kind = StreamFailure::Kind;
        const struct {
            GQuark domain;
            int code;
            Kind kind;
        } known[] = {
            {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_AUTHORIZED, Kind::Denied},
            {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, Kind::NotFound},
            {GST_STREAM_ERROR, GST_STREAM_ERROR_CODEC_NOT_FOUND, Kind::MissingDecoder},
            {GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN, Kind::MissingDecoder},
            {GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, Kind::Unplayable},
            {GST_STREAM_ERROR, GST_STREAM_ERROR_DEMUX, Kind::Unplayable},
            {GST_STREAM_ERROR, GST_STREAM_ERROR_FORMAT, Kind::Unplayable},
            {GST_STREAM_ERROR, GST_STREAM_ERROR_WRONG_TYPE, Kind::Unplayable},
            {GST_STREAM_ERROR, GST_STREAM_ERROR_TYPE_NOT_FOUND, Kind::Unplayable},
        };
        for (const auto& k : known)
            if (error && error->domain == k.domain && error->code == k.code) return k.kind;
        return Kind::NoContact;
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
    OwnConnection own_;
    std::optional<FloodWatch> flood_;
    GstCaps* infoCaps_ = nullptr;  // what info_ was read from; the taking thread's
    GstVideoInfo info_{};
};

// What the caller holds: letting it go hands the pipeline to a teardown of its own.
class GstStreamHandle final : public StreamDecoder {
  public:
    GstStreamHandle(const std::string& uri, Events events)
        : stopped_(std::move(events.stopped)),
          decoder_(std::make_shared<GstStreamDecoder>(uri, std::move(events))) {}
    ~GstStreamHandle() override {
        decoder_->giveUp();
        tearDownApart([decoder = std::move(decoder_), stopped = std::move(stopped_)]() mutable {
            decoder.reset();
            if (stopped) stopped();
        });
    }
    std::optional<DecodedPicture> take() override { return decoder_->take(); }

  private:
    std::function<void()> stopped_;
    std::shared_ptr<GstStreamDecoder> decoder_;
};

}  // namespace

std::unique_ptr<StreamDecoder> makeStreamDecoder(const std::string& uri,
                                                 StreamDecoder::Events events) {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return nullptr;
    return std::make_unique<GstStreamHandle>(uri, std::move(events));
}

}  // namespace skymra
