#pragma once

#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QString>

#include <memory>

namespace skymra {

// Plays an embedded sound asynchronously from memory.
class AudioPlayer {
  public:
    virtual ~AudioPlayer() = default;
    // Starts the sound at a resource path (":/...") from its beginning, stopping it if it still
    // plays. Data it cannot play and a missing audio device are not errors: nothing is heard.
    virtual void play(const QString& resourcePath) = 0;
};

// The PCM samples and their format, or an invalid format when the data is no PCM WAVE.
struct PcmWave {
    QAudioFormat format;
    QByteArray samples;  // a view into the data passed in, not a copy
};
PcmWave parseWave(const QByteArray& wav);

// The system's default audio output through QAudioSink.
class SystemAudioPlayer : public AudioPlayer {
  public:
    SystemAudioPlayer();
    ~SystemAudioPlayer() override;
    void play(const QString& resourcePath) override;

  private:
    std::unique_ptr<QAudioSink> sink_;
    QBuffer buffer_;
    QByteArray playing_;
};

}  // namespace skymra
