#pragma once

#include "media/sound/Wave.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QVector>

#include <memory>

namespace tavlo {

// Where the player's sounds go. The real one is PulseAudioOutput; tests put a
// RecordingAudioOutput in its place to see what would have been heard.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts `sound` at once and returns without waiting for it.
    virtual void start(const WaveSound &sound) = 0;
    // Cuts off the sound playing, if any, at once.
    virtual void stop() = 0;
    // True from start() until the sound has been heard to its end or stopped.
    virtual bool isPlaying() const = 0;
    // The platform's default sound, heard when a sound cannot be played.
    virtual void beep() = 0;
};

// Plays embedded "WAVE" resources by name, asynchronously and one at a
// time: by default a new sound cuts off the one still playing, so sounds
// never pile up behind each other.
//
// The game calls it from the window thread only:
//     SoundPlayer::instance().play("Click");                          // cuts anything playing
//     SoundPlayer::instance().play("Bloque");                         // a player has to pass
//     SoundPlayer::instance().play("Click", SoundPlayer::Interrupt::No); // the indicator's click
// The indicator's click after a pass is requested with Interrupt::No, so
// the "Bloque" warning is heard whole: a sound requested with
// Interrupt::No while another one is still playing is skipped (not queued:
// a click heard half a second late would belong to nothing on screen).
//
// A name that is not embedded, or whose data is not a wave file this
// player reads, gives the platform's beep instead. Without a sound server
// the real output stays silent and prints nothing; the game goes on the
// same, and a server that comes back is heard again.
class SoundPlayer {
public:
    enum class Interrupt { Yes, No };

    // The program-wide player, created on first use with the real output.
    // Needs the QApplication to exist.
    static SoundPlayer &instance();

    explicit SoundPlayer(std::unique_ptr<AudioOutput> output);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer &) = delete;
    SoundPlayer &operator=(const SoundPlayer &) = delete;

    // Fetches "WAVE" resource `name` (any letter case) and starts it.
    // Returns true when the sound was handed to the output (which plays it
    // into silence when there is no device); false when it was skipped
    // (Interrupt::No while busy) or could not be played (then it beeps,
    // and a sound still playing goes on).
    bool play(const QString &name, Interrupt interrupt = Interrupt::Yes);
    // Cuts off the sound playing, if any.
    void stop();
    // True while the last sound started is still being heard.
    bool isPlaying() const;
    // The upper-case name of the sound being heard, or an empty string.
    QString playing() const;

    // Test seam: replaces where the sounds go (the old output is stopped
    // and destroyed) and returns the new one.
    AudioOutput &setOutput(std::unique_ptr<AudioOutput> output);
    AudioOutput &output() const { return *m_output; }

private:
    std::unique_ptr<AudioOutput> m_output;
    QString m_current;
};

// The real output: a client of the sound server (PulseAudio, or PipeWire's
// server for PulseAudio clients) that plays each sound on a stream of its
// own, at the sound's stored rate and format; stopping a sound closes its
// stream, which cuts it off at once.
//
// It talks to the server from the event loop of the thread that uses it
// (the window thread): the client library's sockets and timers are served
// by that loop, so no thread is added, nothing is polled, and no call waits
// for the server. A connection is made when a sound is first asked for; a
// sound asked for while it comes up is played once it is ready, if that
// happens within 100 ms of the request, and dropped otherwise (only the
// latest such sound is kept). Such a sound counts as playing while it may
// still start.
//
// The connection outlives the server: when the server goes away the sounds
// fall silent, and when a sound is asked for later a new connection is
// tried (at most once a second), so a restarted server is heard again.
// Without a server it stays silent and prints nothing; it never starts one.
class PulseAudioOutput : public AudioOutput {
public:
    // `server` names the server as its clients do ("unix:/path"); by
    // default the user's own.
    explicit PulseAudioOutput(QByteArray server = {});
    ~PulseAudioOutput() override;

    void start(const WaveSound &sound) override;
    void stop() override;
    bool isPlaying() const override;
    void beep() override;

    // Whether the last start() found the connection ready.
    bool connected() const { return m_connected; }

    struct Connection;

private:
    // Starts a connection when there is none (or it failed and a second
    // has passed); true when it is ready now.
    bool connect();
    void openStream(const WaveSound &sound);

    QByteArray m_server;
    std::unique_ptr<Connection> m_connection;
    QElapsedTimer m_lastAttempt;
    QElapsedTimer m_started;
    qint64 m_durationUs{0};
    bool m_connected{false};
};

// Test seam: an output that records what it was asked to do. A started
// sound counts as playing until finish() or stop() is called.
class RecordingAudioOutput : public AudioOutput {
public:
    enum class Kind { Start, Stop, Beep };
    struct Event {
        Kind kind{Kind::Start};
        WaveSound sound; // for Start
    };

    void start(const WaveSound &sound) override;
    void stop() override;
    bool isPlaying() const override { return m_playing; }
    void beep() override;

    // The started sound has been heard to its end.
    void finish() { m_playing = false; }
    const QVector<Event> &events() const { return m_events; }
    void clear() { m_events.clear(); }

private:
    QVector<Event> m_events;
    bool m_playing{false};
};

} // namespace tavlo
