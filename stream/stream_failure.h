#pragma once

#include <QMediaFormat>
#include <QString>

#include <string>
#include <utility>

namespace skymra {

// Why a stream cannot go on, the same for every way a stream is received (a GStreamer pipeline,
// a media player, an http camera read by the program itself). What a server or library said
// goes in `detail`, its own words, shown only as a quotation beside the program's.
struct StreamFailure {
    enum class Kind {
        NoContact,       // nothing answered, or the connection failed before a picture
        Broken,          // the connection failed after pictures had come
        Denied,          // a login was asked for and not given, or refused
        NotFound,        // the server or the system has nothing at that address
        ServerError,     // any other refusal by the server: `status`
        MissingDecoder,  // no decoder for `mediaType` ("video/x-h264"; empty when unknown)
        Unplayable,      // a format that cannot be played at all
        Unreadable,      // pictures came, and none could be read
        TooLarge,        // pictures came larger than any camera's: `width` x `height`
        NoPictures,      // nothing to show `seconds` after asking
        Stalled,         // pictures came, then stopped
        Flood,           // far more data than a camera sends (a header, an answer, a picture)
        Ended,           // the stream came to its end
    };
    Kind kind = Kind::NoContact;
    std::string detail;
    std::string mediaType;
    int status = 0;
    int width = 0, height = 0;
    int seconds = 0;
};

// A failure of `kind`, with what the library or server said, if anything.
inline StreamFailure streamFailure(StreamFailure::Kind kind, std::string detail = {}) {
    StreamFailure failure;
    failure.kind = kind;
    failure.detail = std::move(detail);
    return failure;
}

// Every stream failure in the user's words: the one place where a failure of any transport
// becomes a sentence. What a server or library said follows only as a quotation, so no foreign
// sentence stands as the program's own.
QString describe(const StreamFailure& failure);

// The failure a missing decoder for `codec` is (the media type GStreamer would name).
StreamFailure missingDecoder(QMediaFormat::VideoCodec codec);

}  // namespace skymra
