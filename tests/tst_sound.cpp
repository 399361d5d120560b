#include "media/pictures/Resources.h"
#include "media/sound/SoundPlayer.h"
#include "media/sound/Wave.h"
#include "tests/support/Threads.h"

#include <QtEndian>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tavlo;

namespace {

QByteArray le16(int v)
{
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(quint16(v), b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

// One chunk: tag, stated length, body, and the pad byte after an odd body.
QByteArray chunk(const char *tag, const QByteArray &body, bool pad = true)
{
    QByteArray c = QByteArray(tag, 4) + le32(quint32(body.size())) + body;
    if (pad && body.size() % 2)
        c += '\0';
    return c;
}

QByteArray riff(const QByteArray &chunks) { return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks; }

// A format chunk body: tag, channels, rate, byte rate, block align, bits.
QByteArray fmtBody(int tag, int channels, quint32 rate, int bits, int blockAlign = -1)
{
    if (blockAlign < 0)
        blockAlign = channels * bits / 8;
    return le16(tag) + le16(channels) + le32(rate) + le32(rate * quint32(blockAlign)) + le16(blockAlign) + le16(bits);
}

QByteArray pcm8(int n)
{
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char(0x80 + (i % 7) * 9);
    return b;
}

// The same layout as the shipped click: 18-byte format chunk whose
// extension word holds 0x7900, a fact chunk, an odd data chunk and its pad.
QByteArray clickLike()
{
    return riff(chunk("fmt ", fmtBody(1, 1, 11025, 8) + le16(0x7900)) + chunk("fact", le32(221))
                + chunk("data", pcm8(221)));
}

QString messageOf(const QByteArray &bytes)
{
    try {
        readWave(bytes);
    } catch (const EInvalidWave &e) {
        return e.message();
    }
    return {};
}

// Collects whatever Qt would print while it is installed.
struct MessageCatcher {
    static inline QStringList messages;
    QtMessageHandler previous;
    MessageCatcher()
    {
        messages.clear();
        previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &m) {
            messages << m;
        });
    }
    ~MessageCatcher() { qInstallMessageHandler(previous); }
};

using Kind = RecordingAudioOutput::Kind;

// A socket that takes connections and never answers them.
int silentListener(const QByteArray &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) < 0 || ::listen(fd, 8) < 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    return fd;
}

QList<Kind> kinds(const RecordingAudioOutput &out)
{
    QList<Kind> k;
    for (const auto &e : out.events())
        k << e.kind;
    return k;
}

} // namespace

class TestSound : public QObject {
    Q_OBJECT

private slots:
    void shippedSounds_data();
    void shippedSounds();
    void clickKeepsItsQuirks();
    void validLayouts_data();
    void validLayouts();
    void damaged_data();
    void damaged();
    void everyTruncationFails();
    void everyDamagedByteIsSafe();

    void playStartsTheSoundAsStored();
    void newSoundCutsThePlayingOne();
    void noInterruptSkipsWhileBusy();
    void unplayableSoundBeeps_data();
    void unplayableSoundBeeps();
    void stopCutsTheSound();
    void instanceTakesAFakeOutput();
    void noServerIsSilent_data();
    void noServerIsSilent();
    void defaultOutputPrintsNothing();
};

void TestSound::shippedSounds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("durationMs");
    QTest::newRow("click") << "Click" << 11025 << 221 << 20;
    QTest::newRow("bloque") << "Bloque" << 22254 << 11136 << 500;
}

void TestSound::shippedSounds()
{
    QFETCH(QString, name);
    QFETCH(int, rate);
    QFETCH(int, frames);
    QFETCH(int, durationMs);
    const WaveSound s = readWave(resourceBytes("WAVE", name));
    QCOMPARE(s.sampleRate, rate);
    QCOMPARE(s.channels, 1);
    QCOMPARE(s.bitsPerSample, 8);
    QCOMPARE(s.frameCount, frames);
    QCOMPARE(s.pcm.size(), frames);
    QCOMPARE(s.durationUs() / 1000, durationMs);
}

// The reader's tolerance is only proven if the shipped click really has the
// awkward layout; if the asset changes, this says so.
void TestSound::clickKeepsItsQuirks()
{
    const QByteArray b = resourceBytes("WAVE", "CLICK");
    QVERIFY(b.size() > 60);
    QCOMPARE(b.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(qFromLittleEndian<quint32>(b.constData() + 16), 18u);
    QCOMPARE(qFromLittleEndian<quint16>(b.constData() + 36), 0x7900);
    QCOMPARE(b.mid(38, 4), QByteArray("fact"));
    QCOMPARE(b.mid(50, 4), QByteArray("data"));
    QCOMPARE(qFromLittleEndian<quint32>(b.constData() + 54), 221u);
    QCOMPARE(b.size(), 58 + 221 + 1); // the pad byte
    QCOMPARE(readWave(b).pcm, b.mid(58, 221));
}

void TestSound::validLayouts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QByteArray>("pcm");

    const QByteArray p = pcm8(221);
    QTest::newRow("click layout") << clickLike() << 11025 << 1 << 8 << p;
    QTest::newRow("plain 16-byte format")
        << riff(chunk("fmt ", fmtBody(1, 1, 22254, 8)) + chunk("data", p)) << 22254 << 1 << 8 << p;
    QTest::newRow("odd chunk before format, with pad")
        << riff(chunk("LIST", "abc") + chunk("fmt ", fmtBody(1, 1, 8000, 8)) + chunk("data", p)) << 8000 << 1 << 8
        << p;
    QTest::newRow("data before format")
        << riff(chunk("data", p) + chunk("fmt ", fmtBody(1, 1, 8000, 8))) << 8000 << 1 << 8 << p;
    QTest::newRow("last pad byte missing")
        << riff(chunk("fmt ", fmtBody(1, 1, 8000, 8)) + chunk("data", p, false)) << 8000 << 1 << 8 << p;
    QTest::newRow("bytes after the RIFF length ignored")
        << riff(chunk("fmt ", fmtBody(1, 1, 8000, 8)) + chunk("data", p)) + "garbage" << 8000 << 1 << 8 << p;
    QTest::newRow("torn chunk after the data ignored")
        << riff(chunk("fmt ", fmtBody(1, 1, 8000, 8)) + chunk("data", p) + "LIS") << 8000 << 1 << 8 << p;
    QTest::newRow("16-bit stereo")
        << riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", pcm8(16))) << 44100 << 2 << 16 << pcm8(16);
    QTest::newRow("torn last frame dropped")
        << riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", pcm8(19))) << 44100 << 2 << 16 << pcm8(16);
    QTest::newRow("8-bit stereo")
        << riff(chunk("fmt ", fmtBody(1, 2, 11025, 8)) + chunk("data", pcm8(10))) << 11025 << 2 << 8 << pcm8(10);
    const QByteArray pcmGuid = le16(1) + QByteArray::fromHex("000000001000800000aa00389b71");
    QTest::newRow("extensible PCM")
        << riff(chunk("fmt ", fmtBody(0xFFFE, 1, 16000, 16) + le16(22) + le16(16) + le32(4) + pcmGuid)
                + chunk("data", pcm8(8)))
        << 16000 << 1 << 16 << pcm8(8);
}

void TestSound::validLayouts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(QByteArray, pcm);
    const WaveSound s = readWave(bytes);
    QCOMPARE(s.sampleRate, rate);
    QCOMPARE(s.channels, channels);
    QCOMPARE(s.bitsPerSample, bits);
    QCOMPARE(s.pcm, pcm);
    QCOMPARE(s.frameCount, pcm.size() / (channels * bits / 8));
}

void TestSound::damaged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    const QByteArray fmt = chunk("fmt ", fmtBody(1, 1, 11025, 8));
    const QByteArray data = chunk("data", pcm8(100));
    const QByteArray good = riff(fmt + data);

    QTest::newRow("empty") << QByteArray() << "shorter than a RIFF header";
    QTest::newRow("RIFF only") << QByteArray("RIFF") << "shorter than a RIFF header";
    QTest::newRow("not RIFF") << QByteArray("RIFX") + good.mid(4) << "not a RIFF WAVE file";
    QTest::newRow("not WAVE") << good.left(8) + "AVI " + good.mid(12) << "not a RIFF WAVE file";
    QTest::newRow("RIFF length past the end") << good.left(good.size() - 1) << "RIFF length runs past the end";
    QTest::newRow("RIFF length huge") << "RIFF" + le32(0xFFFFFFF0u) + good.mid(8) << "RIFF length runs past the end";
    QByteArray longData = good;
    qToLittleEndian<quint32>(101, longData.data() + 12 + fmt.size() + 4);
    QTest::newRow("data length past the end") << longData << "chunk length runs past the end";
    QByteArray hugeData = good;
    qToLittleEndian<quint32>(0xFFFFFFFFu, hugeData.data() + 12 + fmt.size() + 4);
    QTest::newRow("data length 4 GB") << hugeData << "chunk length runs past the end";
    QByteArray longFmt = good;
    qToLittleEndian<quint32>(0x7FFFFFFFu, longFmt.data() + 16);
    QTest::newRow("format length past the end") << longFmt << "chunk length runs past the end";
    QTest::newRow("short format chunk") << riff(chunk("fmt ", fmtBody(1, 1, 11025, 8).left(14)) + data)
                                        << "format chunk shorter than 16 bytes";
    QTest::newRow("zero channels") << riff(chunk("fmt ", fmtBody(1, 0, 11025, 8, 1)) + data) << "zero channels";
    QTest::newRow("three channels") << riff(chunk("fmt ", fmtBody(1, 3, 11025, 8)) + data)
                                    << "more than two channels";
    QTest::newRow("zero rate") << riff(chunk("fmt ", fmtBody(1, 1, 0, 8)) + data) << "zero sample rate";
    QTest::newRow("rate 100 Hz") << riff(chunk("fmt ", fmtBody(1, 1, 100, 8)) + data) << "sample rate out of range";
    QTest::newRow("rate 4 GHz") << riff(chunk("fmt ", fmtBody(1, 1, 0xFFFFFFFFu, 8, 1)) + data)
                                << "sample rate out of range";
    QTest::newRow("zero bits") << riff(chunk("fmt ", fmtBody(1, 1, 11025, 0, 1)) + data)
                               << "samples neither 8 nor 16 bits";
    QTest::newRow("24 bits") << riff(chunk("fmt ", fmtBody(1, 1, 11025, 24)) + data)
                             << "samples neither 8 nor 16 bits";
    QTest::newRow("float") << riff(chunk("fmt ", fmtBody(3, 1, 11025, 16)) + data) << "not uncompressed PCM";
    QTest::newRow("ADPCM") << riff(chunk("fmt ", fmtBody(2, 1, 11025, 4, 256)) + data) << "not uncompressed PCM";
    QTest::newRow("block align wrong") << riff(chunk("fmt ", fmtBody(1, 2, 11025, 16, 2)) + data)
                                       << "block alignment does not match";
    QTest::newRow("extensible, short") << riff(chunk("fmt ", fmtBody(0xFFFE, 1, 11025, 8) + le16(0)) + data)
                                       << "extensible format chunk too short";
    QTest::newRow("extensible, float")
        << riff(chunk("fmt ", fmtBody(0xFFFE, 1, 16000, 16) + le16(22) + le16(16) + le32(4) + le16(3)
                                  + QByteArray(14, 'x'))
                + data)
        << "not uncompressed PCM";
    QTest::newRow("no format") << riff(data) << "no format chunk";
    QTest::newRow("no data") << riff(fmt + chunk("fact", le32(100))) << "no data chunk";
    QTest::newRow("no chunks") << riff({}) << "no format chunk";
    QTest::newRow("torn chunk header") << riff(fmt + "dat") << "no data chunk";
    QTest::newRow("two format chunks") << riff(fmt + fmt + data) << "two format chunks";
    QTest::newRow("two data chunks") << riff(data + data + fmt) << "two data chunks";
    QTest::newRow("odd fact without pad shifts the walk")
        << riff(fmt + chunk("fact", "abc", false) + data) << "chunk length runs past the end";
}

void TestSound::damaged()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    const QString message = messageOf(bytes);
    QVERIFY2(message.startsWith("Wave file: "), qPrintable(message));
    QVERIFY2(message.contains(error), qPrintable(message));
}

void TestSound::everyTruncationFails()
{
    for (const QByteArray &whole : {clickLike(), resourceBytes("WAVE", "CLICK")}) {
        for (int n = 0; n < whole.size(); ++n) {
            // A copy of exactly n bytes, so a read past it is caught by the
            // address sanitizer rather than hidden by the original's tail.
            const QByteArray cut(whole.constData(), n);
            QVERIFY2(!messageOf(cut).isEmpty(), qPrintable(QString("cut at %1 bytes was read").arg(n)));
        }
        QVERIFY(messageOf(whole).isEmpty());
    }
}

// Any single byte of a header changed to any of a few telling values: the
// reader either refuses the file or returns a sound that is whole frames
// taken from inside the file.
void TestSound::everyDamagedByteIsSafe()
{
    const QByteArray whole = clickLike();
    for (int at = 0; at < 58; ++at) {
        for (const int value : {0x00, 0x01, 0x02, 0x03, 0x7F, 0x80, 0xFE, 0xFF}) {
            QByteArray b(whole.constData(), whole.size());
            b[at] = char(value);
            try {
                const WaveSound s = readWave(b);
                QVERIFY(s.channels == 1 || s.channels == 2);
                QVERIFY(s.bitsPerSample == 8 || s.bitsPerSample == 16);
                QVERIFY(s.sampleRate > 0);
                QCOMPARE(s.pcm.size(), s.frameCount * s.bytesPerFrame());
                QVERIFY(b.contains(s.pcm));
            } catch (const EInvalidWave &) {
            }
        }
    }
}

void TestSound::playStartsTheSoundAsStored()
{
    for (const QString name : {"Click", "CLICK", "click"}) {
        auto *out = new RecordingAudioOutput;
        SoundPlayer player{std::unique_ptr<AudioOutput>(out)};
        QVERIFY(!player.isPlaying());
        QVERIFY(player.play(name));
        QCOMPARE(kinds(*out), QList<Kind>{Kind::Start});
        const WaveSound &started = out->events().at(0).sound;
        const WaveSound stored = readWave(resourceBytes("WAVE", "CLICK"));
        QCOMPARE(started.pcm, stored.pcm);
        QCOMPARE(started.sampleRate, 11025);
        QVERIFY(player.isPlaying());
        QCOMPARE(player.playing(), QString("CLICK"));
        out->finish();
        QVERIFY(!player.isPlaying());
        QCOMPARE(player.playing(), QString());
    }
}

void TestSound::newSoundCutsThePlayingOne()
{
    auto *out = new RecordingAudioOutput;
    SoundPlayer player{std::unique_ptr<AudioOutput>(out)};
    QVERIFY(player.play("Bloque"));
    QVERIFY(player.play("Click"));
    QCOMPARE(kinds(*out), (QList<Kind>{Kind::Start, Kind::Stop, Kind::Start}));
    QCOMPARE(out->events().at(0).sound.sampleRate, 22254);
    QCOMPARE(out->events().at(2).sound.sampleRate, 11025);
    QCOMPARE(player.playing(), QString("CLICK"));

    // Nothing left to cut once the sound has ended.
    out->finish();
    out->clear();
    QVERIFY(player.play("Bloque"));
    QCOMPARE(kinds(*out), QList<Kind>{Kind::Start});
}

// After a pass the indicator's click must leave the warning whole.
void TestSound::noInterruptSkipsWhileBusy()
{
    auto *out = new RecordingAudioOutput;
    SoundPlayer player{std::unique_ptr<AudioOutput>(out)};
    QVERIFY(player.play("Bloque"));
    QVERIFY(!player.play("Click", SoundPlayer::Interrupt::No));
    QCOMPARE(kinds(*out), QList<Kind>{Kind::Start});
    QCOMPARE(player.playing(), QString("BLOQUE"));

    out->finish();
    QVERIFY(player.play("Click", SoundPlayer::Interrupt::No));
    QCOMPARE(kinds(*out), (QList<Kind>{Kind::Start, Kind::Start}));
    QCOMPARE(player.playing(), QString("CLICK"));
}

void TestSound::unplayableSoundBeeps_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("embedded");
    QTest::newRow("not embedded") << "Bravo" << false;
    QTest::newRow("empty name") << "" << false;
    QTest::newRow("damaged wave data") << "Broken" << true; // test-only resource
}

void TestSound::unplayableSoundBeeps()
{
    QFETCH(QString, name);
    QFETCH(bool, embedded);
    QCOMPARE(resourceExists("WAVE", name), embedded);
    auto *out = new RecordingAudioOutput;
    SoundPlayer player{std::unique_ptr<AudioOutput>(out)};
    QVERIFY(player.play("Bloque"));
    QVERIFY(!player.play(name));
    // The beep does not cut off the sound still playing.
    QCOMPARE(kinds(*out), (QList<Kind>{Kind::Start, Kind::Beep}));
    QCOMPARE(player.playing(), QString("BLOQUE"));
}

void TestSound::stopCutsTheSound()
{
    auto *out = new RecordingAudioOutput;
    SoundPlayer player{std::unique_ptr<AudioOutput>(out)};
    player.stop();
    QVERIFY(out->events().isEmpty());
    player.play("Bloque");
    player.stop();
    QCOMPARE(kinds(*out), (QList<Kind>{Kind::Start, Kind::Stop}));
    QVERIFY(!player.isPlaying());
    QCOMPARE(player.playing(), QString());
}

void TestSound::instanceTakesAFakeOutput()
{
    auto &out = static_cast<RecordingAudioOutput &>(
        SoundPlayer::instance().setOutput(std::make_unique<RecordingAudioOutput>()));
    QCOMPARE(&SoundPlayer::instance().output(), &out);
    SoundPlayer::instance().play("Click");
    SoundPlayer::instance().play("Bloque");
    QCOMPARE(kinds(out), (QList<Kind>{Kind::Start, Kind::Stop, Kind::Start}));
    SoundPlayer::instance().setOutput(std::make_unique<PulseAudioOutput>());
}

void TestSound::noServerIsSilent_data()
{
    QTest::addColumn<bool>("listening");
    QTest::newRow("nothing listening") << false;
    QTest::newRow("a server that never answers") << true;
}

// A server that is not there, or that takes the connection and never
// answers: no call keeps the game waiting, the sounds are dropped quietly,
// no thread is added, and the player carries on.
void TestSound::noServerIsSilent()
{
    QFETCH(bool, listening);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray path = listening ? QFile::encodeName(dir.filePath("native")) : "/nonexistent/tavlo-sound";
    const int listener = listening ? silentListener(path) : -1;
    const auto closeListener = qScopeGuard([listener] {
        if (listener >= 0)
            ::close(listener);
    });
    QCOMPARE(listener >= 0, listening);
    const QStringList threads = threadNames();
    MessageCatcher catcher;
    auto *out = new PulseAudioOutput("unix:" + path);
    SoundPlayer player{std::unique_ptr<AudioOutput>(out)};
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer call;
        call.start();
        QVERIFY(player.play(i % 2 ? "Click" : "Bloque"));
        QCOMPARE_LT(call.elapsed(), 50);
        QVERIFY(!out->connected());
        // Only a connection still coming up keeps the sound for a while.
        QCOMPARE(player.isPlaying(), listening);
        QTest::qWait(5);
    }
    QTest::qWait(120);
    QVERIFY(!player.isPlaying());
    QCOMPARE(player.playing(), QString());
    player.stop();
    QCOMPARE_LT(clock.elapsed(), 1000);
    QCOMPARE(threadNames(), threads);
    QCOMPARE(MessageCatcher::messages, QStringList());
}

// Whether or not this machine has a sound server, asking for the default
// device and playing through it prints nothing.
void TestSound::defaultOutputPrintsNothing()
{
    MessageCatcher catcher;
    {
        SoundPlayer player{std::make_unique<PulseAudioOutput>()};
        player.play("Click");
        QTest::qWait(50);
        player.stop();
    }
    QCOMPARE(MessageCatcher::messages, QStringList());
}

QTEST_MAIN(TestSound)
#include "tst_sound.moc"
