#pragma once

#include <QAudioFormat>
#include <QByteArray>

namespace skymra {

// PCM samples in one format made into another: sample format, channel count and rate (linear
// interpolation). A mono sound goes to every output channel; more channels are mixed to one
// first unless the counts match. Empty when either format is not one QAudioFormat knows.
QByteArray convertPcm(const QByteArray& samples, const QAudioFormat& from, const QAudioFormat& to);

// One frame of silence in the format, as bytes.
QByteArray silenceFrame(const QAudioFormat& format);

}  // namespace skymra
