#include "media/sound/SoundPlayer.h"

#include "media/pictures/Resources.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/stream.h>

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace tavlo {

// ---------------------------------------------------------------- player

namespace {

SoundPlayer *theInstance = nullptr;

// A silent stand-in for the real output once the application is going away.
class NoAudioOutput : public AudioOutput {
public:
    void start(const WaveSound &) override {}
    void stop() override {}
    bool isPlaying() const override { return false; }
    void beep() override {}
};

// The audio sink must go while the application still exists; the player
// itself stays (it is program-wide), silent from then on.
void releaseAudio()
{
    if (theInstance)
        theInstance->setOutput(std::make_unique<NoAudioOutput>());
}

} // namespace

SoundPlayer &SoundPlayer::instance()
{
    if (!theInstance) {
        theInstance = new SoundPlayer{std::make_unique<PulseAudioOutput>()};
        qAddPostRoutine(releaseAudio);
    }
    return *theInstance;
}

SoundPlayer::SoundPlayer(std::unique_ptr<AudioOutput> output)
    : m_output{std::move(output)}
{
}

SoundPlayer::~SoundPlayer()
{
    if (m_output)
        m_output->stop();
}

bool SoundPlayer::play(const QString &name, Interrupt interrupt)
{
    if (interrupt == Interrupt::No && m_output->isPlaying())
        return false;
    WaveSound sound;
    try {
        sound = readWave(resourceBytes(QStringLiteral("WAVE"), name));
    } catch (const Exception &) {
        // Like the system's own player: a sound that cannot be played
        // falls back to the default sound. The playing one goes on.
        m_output->beep();
        return false;
    }
    if (m_output->isPlaying())
        m_output->stop();
    m_current = name.toUpper();
    m_output->start(sound);
    return true;
}

void SoundPlayer::stop()
{
    if (m_output->isPlaying())
        m_output->stop();
    m_current.clear();
}

bool SoundPlayer::isPlaying() const { return m_output->isPlaying(); }

QString SoundPlayer::playing() const { return m_output->isPlaying() ? m_current : QString(); }

AudioOutput &SoundPlayer::setOutput(std::unique_ptr<AudioOutput> output)
{
    if (m_output)
        m_output->stop();
    m_output = std::move(output);
    m_current.clear();
    return *m_output;
}

// ---------------------------------------------------------------- sound server

namespace {

// How long a sound may wait for the connection to come up before it is
// dropped: a click heard later belongs to nothing on the screen.
constexpr qint64 kConnectBudgetMs = 100;
// How often a lost or refused server is asked again.
constexpr qint64 kRetryMs = 1000;

// Qt iterates GLib's context itself unless told not to (QT_NO_GLIB=1). Then
// the client library's GLib loop runs on a context of our own, served from
// Qt's event loop by this: the descriptors the context asks to watch get
// socket notifiers and its next deadline a timer, so nothing runs while the
// game is quiet and no thread is added. A call into the library may add
// work the notifiers cannot see, so the output asks for a pass after each.
class GlibContextPump {
public:
    GlibContextPump()
        : m_context{g_main_context_new()}
    {
        // Owned by this thread for good: only its passes ever iterate it.
        g_main_context_acquire(m_context);
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { pass(); });
    }
    ~GlibContextPump()
    {
        m_notifiers.clear();
        g_main_context_release(m_context);
        g_main_context_unref(m_context);
    }
    GlibContextPump(const GlibContextPump &) = delete;
    GlibContextPump &operator=(const GlibContextPump &) = delete;

    GMainContext *context() const { return m_context; }
    void schedule() { m_timer.start(0); }

private:
    void pass()
    {
        // Deleted here, never inside their own signal: they only ask for a pass.
        m_notifiers.clear();
        std::vector<GPollFD> fds(8);
        // A bounded number of rounds: a source that stays ready must not
        // hold the window up.
        for (int round = 0; round < 8; ++round) {
            gint priority = 0;
            gint timeout = -1;
            gint count = 0;
            g_main_context_prepare(m_context, &priority);
            while ((count = g_main_context_query(m_context, priority, &timeout, fds.data(), gint(fds.size())))
                   > gint(fds.size()))
                fds.resize(std::size_t(count));
            g_poll(fds.data(), guint(count), 0);
            if (!g_main_context_check(m_context, priority, fds.data(), count)) {
                watch(fds.data(), count);
                if (timeout >= 0)
                    m_timer.start(timeout);
                else
                    m_timer.stop();
                return;
            }
            g_main_context_dispatch(m_context);
        }
        schedule();
    }

    // One notifier of a kind per descriptor: the context may list one twice
    // (the socket being connected and the channel on it).
    void watch(const GPollFD *fds, int count)
    {
        std::map<int, gushort> wanted;
        for (int i = 0; i < count; ++i)
            wanted[fds[i].fd] |= fds[i].events;
        for (const auto &[fd, events] : wanted) {
            if (events & G_IO_IN)
                watch(fd, QSocketNotifier::Read);
            if (events & G_IO_OUT)
                watch(fd, QSocketNotifier::Write);
        }
    }

    void watch(int fd, QSocketNotifier::Type type)
    {
        auto notifier = std::make_unique<QSocketNotifier>(fd, type);
        QSocketNotifier *n = notifier.get();
        QObject::connect(n, &QSocketNotifier::activated, n, [this, n] {
            n->setEnabled(false);
            schedule();
        });
        m_notifiers.push_back(std::move(notifier));
    }

    GMainContext *m_context;
    QTimer m_timer;
    std::vector<std::unique_ptr<QSocketNotifier>> m_notifiers;
};

bool qtRunsGlib()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    return dispatcher && dispatcher->inherits("QEventDispatcherGlib");
}

} // namespace

// Everything runs on the thread that owns the output, inside its event
// loop: no call here waits for the server.
struct PulseAudioOutput::Connection {
    explicit Connection(PulseAudioOutput &owner)
        : owner{owner}
        , pump{qtRunsGlib() ? nullptr : std::make_unique<GlibContextPump>()}
        // Under Qt's GLib dispatcher, the context it iterates on this thread.
        , loop{pa_glib_mainloop_new(pump ? pump->context() : g_main_context_get_thread_default())}
    {
    }

    ~Connection()
    {
        dropContext();
        pa_glib_mainloop_free(loop);
    }

    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // After each call into the library from outside its loop.
    void kick()
    {
        if (pump)
            pump->schedule();
    }

    PulseAudioOutput &owner;
    std::unique_ptr<GlibContextPump> pump;
    pa_glib_mainloop *loop;
    pa_context *context{nullptr};
    pa_stream *stream{nullptr};
    // The sound written once its stream is ready.
    QByteArray pending;
    // The last sound asked for while the connection was coming up.
    std::optional<WaveSound> waiting;
    QElapsedTimer waitingSince;

    bool waitingInBudget() const { return waiting && waitingSince.elapsed() < kConnectBudgetMs; }

    void dropStream()
    {
        if (!stream)
            return;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        stream = nullptr;
        pending.clear();
    }

    void dropContext()
    {
        dropStream();
        waiting.reset();
        if (!context)
            return;
        pa_context_set_state_callback(context, nullptr, nullptr);
        pa_context_disconnect(context);
        pa_context_unref(context);
        context = nullptr;
    }

    // A context that failed is kept until the next sound asks for the
    // server: it cannot be freed from inside its own callback.
    static void contextStateChanged(pa_context *context, void *self)
    {
        auto &c = *static_cast<Connection *>(self);
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_READY) {
            if (c.waitingInBudget())
                c.owner.openStream(*c.waiting);
            c.waiting.reset();
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            c.waiting.reset();
        }
    }

    // A short sound never fills the server's pre-buffer, so it is drained
    // at once to start it.
    static void streamStateChanged(pa_stream *stream, void *self)
    {
        auto &c = *static_cast<Connection *>(self);
        if (pa_stream_get_state(stream) != PA_STREAM_READY || c.pending.isEmpty())
            return;
        pa_stream_write(stream, c.pending.constData(), std::size_t(c.pending.size()), nullptr, 0,
                        PA_SEEK_RELATIVE);
        c.pending.clear();
        if (pa_operation *drain = pa_stream_drain(stream, nullptr, nullptr))
            pa_operation_unref(drain);
    }
};

PulseAudioOutput::PulseAudioOutput(QByteArray server)
    : m_server{std::move(server)}
{
}

PulseAudioOutput::~PulseAudioOutput() = default;

bool PulseAudioOutput::connect()
{
    if (!m_connection)
        m_connection = std::make_unique<Connection>(*this);
    Connection &c = *m_connection;
    if (c.context && !PA_CONTEXT_IS_GOOD(pa_context_get_state(c.context)))
        c.dropContext(); // the server went away, or refused
    if (!c.context) {
        if (m_lastAttempt.isValid() && m_lastAttempt.elapsed() < kRetryMs)
            return false;
        m_lastAttempt.start();
        c.context = pa_context_new(pa_glib_mainloop_get_api(c.loop), "Tavlo");
        if (!c.context)
            return false;
        pa_context_set_state_callback(c.context, &Connection::contextStateChanged, &c);
        // A game has no business starting a sound server of its own.
        if (pa_context_connect(c.context, m_server.isEmpty() ? nullptr : m_server.constData(),
                               PA_CONTEXT_NOAUTOSPAWN, nullptr)
            < 0) {
            c.dropContext();
            return false;
        }
    }
    return pa_context_get_state(c.context) == PA_CONTEXT_READY;
}

void PulseAudioOutput::openStream(const WaveSound &sound)
{
    Connection &c = *m_connection;
    pa_sample_spec format{};
    format.format = sound.bitsPerSample == 8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    format.rate = std::uint32_t(sound.sampleRate);
    format.channels = std::uint8_t(sound.channels);
    if (!pa_sample_spec_valid(&format))
        return;
    c.stream = pa_stream_new(c.context, "Tavlo", &format, nullptr);
    if (!c.stream)
        return;
    c.pending = sound.pcm;
    pa_stream_set_state_callback(c.stream, &Connection::streamStateChanged, &c);
    if (pa_stream_connect_playback(c.stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) < 0) {
        c.dropStream();
        return;
    }
    m_durationUs = sound.durationUs();
    m_started.start();
}

void PulseAudioOutput::start(const WaveSound &sound)
{
    stop();
    m_connected = connect();
    if (m_connected) {
        openStream(sound);
    } else if (m_connection && m_connection->context) {
        // Still coming up: the sound is played when the connection is
        // ready, if that is soon enough.
        m_connection->waiting = sound;
        m_connection->waitingSince.start();
    }
    if (m_connection)
        m_connection->kick();
}

void PulseAudioOutput::stop()
{
    m_started.invalidate();
    if (!m_connection)
        return;
    m_connection->waiting.reset();
    m_connection->dropStream();
    m_connection->kick();
}

// The stream's own state says little about what is still heard (the server
// holds the last tenth of a second or so); the clock knows better. A sound
// waiting for the connection counts as playing while it may still start.
bool PulseAudioOutput::isPlaying() const
{
    if (m_connection && m_connection->waitingInBudget())
        return true;
    return m_started.isValid() && m_started.nsecsElapsed() / 1000 < m_durationUs;
}

void PulseAudioOutput::beep() { QApplication::beep(); }

// ---------------------------------------------------------------- recorder

void RecordingAudioOutput::start(const WaveSound &sound)
{
    m_events.append(Event{Kind::Start, sound});
    m_playing = true;
}

void RecordingAudioOutput::stop()
{
    m_events.append(Event{Kind::Stop, {}});
    m_playing = false;
}

void RecordingAudioOutput::beep() { m_events.append(Event{Kind::Beep, {}}); }

} // namespace tavlo
