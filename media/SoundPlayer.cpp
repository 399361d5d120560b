#include "media/SoundPlayer.h"

#include "media/Resources.h"

#include <QApplication>
#include <QAudioSink>
#include <QMediaDevices>

namespace tavlo {

QAudioFormat audioFormatOf(const WaveSound &sound)
{
    QAudioFormat format;
    format.setSampleRate(sound.sampleRate);
    format.setChannelCount(sound.channels);
    format.setSampleFormat(sound.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    format.setChannelConfig(QAudioFormat::defaultChannelConfigForChannelCount(sound.channels));
    return format;
}

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
        theInstance = new SoundPlayer{std::make_unique<QtAudioOutput>()};
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

// ---------------------------------------------------------------- Qt output

namespace {

QtMessageHandler previousHandler = nullptr;

void dropSoundServerWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("PulseAudioService:")))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

// Without a sound server Qt's audio backend complains the first time it is
// asked for a device. A game without sound is not an error: it says nothing.
QAudioDevice quietDefaultOutput()
{
    previousHandler = qInstallMessageHandler(dropSoundServerWarnings);
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    qInstallMessageHandler(previousHandler);
    return device;
}

} // namespace

QtAudioOutput::QtAudioOutput(DeviceSource device)
    : m_device{device ? std::move(device) : DeviceSource{quietDefaultOutput}}
{
}

QtAudioOutput::~QtAudioOutput()
{
    stop();
    m_sink.reset();
}

void QtAudioOutput::start(const WaveSound &sound)
{
    stop();
    const QAudioDevice device = m_device();
    if (device.isNull())
        return; // no sound server or card: the game plays silently
    const QAudioFormat format = audioFormatOf(sound);
    // A fresh sink for every sound: Qt 6.4's PulseAudio sink falls silent
    // after about eight stop-and-start rounds of the same object.
    m_sink.reset();
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_pcm = sound.pcm;
    m_buffer.setBuffer(&m_pcm);
    m_buffer.open(QIODevice::ReadOnly);
    m_sink->start(&m_buffer);
    m_durationUs = sound.durationUs();
    m_started.start();
}

void QtAudioOutput::stop()
{
    if (m_sink && m_sink->state() != QAudio::StoppedState)
        m_sink->stop();
    m_buffer.close();
    m_started.invalidate();
}

// The sink turns idle once its last bytes are in the server's buffer,
// a tenth of a second or so before they are heard; the clock knows better.
bool QtAudioOutput::isPlaying() const
{
    return m_sink && m_sink->state() != QAudio::StoppedState && m_started.isValid()
        && m_started.nsecsElapsed() / 1000 < m_durationUs;
}

void QtAudioOutput::beep() { QApplication::beep(); }

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
