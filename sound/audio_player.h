#pragma once

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QByteArray>
#include <QIODevice>
#include <QMediaDevices>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>

namespace skymra {

// Plays an embedded sound asynchronously from memory.
class AudioPlayer {
  public:
    virtual ~AudioPlayer() = default;
    // Starts a RIFF WAVE from its beginning, stopping the sound that still plays. The bytes are
    // the embedded resource's own and stay valid while the program runs. Data it cannot play and
    // a missing audio device are not errors: nothing is heard.
    virtual void play(const QByteArray& wav) = 0;
    // Why nothing can be heard (no audio output, say), or empty.
    virtual QString problem() const { return {}; }
};

// The system's own player for sound in memory (Windows' PlaySoundA): the bytes go to it as they
// are, and restarting and one sound at a time come from the call itself.
class SystemSoundPlayer : public AudioPlayer {
  public:
    void play(const QByteArray& wav) override;
};

// The system's player where it has one for sound in memory, else the audio output.
std::unique_ptr<AudioPlayer> makeSystemPlayer();

// The PCM samples and their format, or an invalid format when the data is no PCM WAVE.
struct PcmWave {
    QAudioFormat format;
    QByteArray samples;  // a view into the data passed in, not a copy
};
PcmWave parseWave(const QByteArray& wav);

// Feeds an output for as long as it is open: the sound from where it stands, then silence.
// Started from one thread and read by the output's own.
class AlarmStream : public QIODevice {
  public:
    // `fed` counts the bytes of sound handed out (silence aside).
    AlarmStream(const QAudioFormat& format, std::atomic<qint64>& fed);
    // Starts the samples from their beginning, replacing whatever still plays.
    void start(const QByteArray& samples);
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

  protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray silence_;  // one frame
    int rate_;
    std::mutex mutex_;
    QByteArray samples_;
    qsizetype pos_ = 0;
    std::atomic<qint64>& fed_;
};

// The format of the embedded alarm: 8-bit mono at 11,025 Hz.
QAudioFormat alarmFormat();

// The system's default audio output through one QAudioSink, opened when the player is made and
// kept open: a new stream per alarm got less buffer each time from Qt 6.4 and PulseAudio and
// fell silent after a few alarms, and a fresh stream is heard only after the server has settled
// its latency (1.5 s on a null sink). Sounds in other formats are converted to the output's.
// The output lives on a thread of its own: it is fed from a timer every few milliseconds, and on
// the window's thread any longer piece of work (a check, a repaint, a busy machine) let its
// short buffer run dry and cut the alarm.
class SystemAudioPlayer : public AudioPlayer {
  public:
    explicit SystemAudioPlayer(const QAudioFormat& format = alarmFormat());
    ~SystemAudioPlayer() override;
    void play(const QByteArray& wav) override;
    QString problem() const override;
    // The format the output was opened with; invalid while it is not open.
    QAudioFormat outputFormat() const { return sink_ ? sink_->format() : QAudioFormat(); }
    // How many bytes of sound the output has taken so far, from any thread.
    qint64 fed() const { return fed_.load(); }

    // The format to open a device with for a sound: its own where the device takes it.
    static QAudioFormat formatFor(const QAudioDevice& device, const QAudioFormat& sound);

  private:
    bool open();
    void close();
    bool openHere();
    void closeHere();
    void warnOnce(const QString& why);
    template <typename Work>
    void onOutputThread(Work work);

    QAudioFormat wanted_;
    QThread thread_;
    std::unique_ptr<QObject> home_;  // lives on thread_
    QMediaDevices devices_;
    QAudioDevice device_;
    std::atomic<qint64> fed_{0};  // before stream_, which counts into it
    std::unique_ptr<AlarmStream> stream_;
    std::unique_ptr<QAudioSink> sink_;
    const char* preparedFrom_ = nullptr;  // the embedded sound that prepared_ was made from
    QByteArray prepared_;                 // that sound in the output's format
    bool warned_ = false;
    mutable std::mutex problemMutex_;  // set on the output's thread, read on the window's
    QString problem_;
};

}  // namespace skymra
