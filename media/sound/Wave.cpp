#include "media/sound/Wave.h"

#include <cstdint>
#include <cstring>

namespace tavlo {

namespace {

constexpr std::uint16_t formatPcm = 0x0001;
constexpr std::uint16_t formatExtensible = 0xFFFE;
constexpr int minSampleRate = 1000;
constexpr int maxSampleRate = 384000;

[[noreturn]] void fail(const char *what)
{
    throw EInvalidWave(QStringLiteral("Wave file: %1").arg(QLatin1String(what)));
}

// Little-endian reads from a span already checked to hold the bytes.
std::uint16_t u16(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint16_t(b[0] | (b[1] << 8));
}

std::uint32_t u32(const char *p)
{
    const auto *b = reinterpret_cast<const unsigned char *>(p);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16)
        | (std::uint32_t(b[3]) << 24);
}

bool tagIs(const char *p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

struct Format {
    int channels{0};
    int sampleRate{0};
    int bitsPerSample{0};
};

Format readFormat(const char *p, std::uint32_t size)
{
    if (size < 16)
        fail("format chunk shorter than 16 bytes");
    std::uint16_t tag = u16(p);
    const int channels = u16(p + 2);
    const std::uint32_t rate = u32(p + 4);
    const int blockAlign = u16(p + 12);
    const int bits = u16(p + 14);
    // An extensible header is still plain PCM when its sub-format says so.
    // The 18-byte form's extension-size word means nothing for PCM.
    if (tag == formatExtensible) {
        if (size < 40 || u16(p + 16) < 22)
            fail("extensible format chunk too short");
        tag = u16(p + 24);
    }
    if (tag != formatPcm)
        fail("not uncompressed PCM");
    if (channels == 0)
        fail("zero channels");
    if (channels > 2)
        fail("more than two channels");
    if (rate == 0)
        fail("zero sample rate");
    if (rate < std::uint32_t(minSampleRate) || rate > std::uint32_t(maxSampleRate))
        fail("sample rate out of range");
    if (bits != 8 && bits != 16)
        fail("samples neither 8 nor 16 bits");
    if (blockAlign != channels * bits / 8)
        fail("block alignment does not match channels and sample size");
    return Format{channels, int(rate), bits};
}

} // namespace

qint64 WaveSound::durationUs() const
{
    if (sampleRate <= 0)
        return 0;
    return frameCount * 1000000 / sampleRate;
}

WaveSound readWave(const QByteArray &bytes)
{
    const qsizetype total = bytes.size();
    if (total > maxWaveBytes)
        fail("file too large");
    if (total < 12)
        fail("shorter than a RIFF header");
    const char *const data = bytes.constData();
    if (!tagIs(data, "RIFF") || !tagIs(data + 8, "WAVE"))
        fail("not a RIFF WAVE file");
    // The RIFF length counts from byte 8. Bytes beyond it are not ours;
    // a length reaching past the end means the file was cut short.
    const std::uint32_t riffSize = u32(data + 4);
    if (qint64(riffSize) + 8 > qint64(total))
        fail("RIFF length runs past the end of the file");
    const qsizetype end = qsizetype(riffSize) + 8;

    bool haveFormat = false;
    Format format;
    const char *pcm = nullptr;
    qsizetype pcmSize = 0;

    qsizetype pos = 12;
    while (pos < end) {
        if (end - pos < 8) {
            // A lone pad byte after the last odd chunk is fine.
            break;
        }
        const char *header = data + pos;
        const std::uint32_t size = u32(header + 4);
        const qsizetype body = pos + 8;
        if (qint64(size) > qint64(end - body))
            fail("chunk length runs past the end of the file");
        if (tagIs(header, "fmt ")) {
            if (haveFormat)
                fail("two format chunks");
            format = readFormat(data + body, size);
            haveFormat = true;
        } else if (tagIs(header, "data")) {
            if (pcm)
                fail("two data chunks");
            pcm = data + body;
            pcmSize = qsizetype(size);
        }
        if (haveFormat && pcm)
            break; // anything after them cannot change the sound
        pos = body + qsizetype(size) + (size & 1);
    }
    if (!haveFormat)
        fail("no format chunk");
    if (!pcm)
        fail("no data chunk");

    WaveSound sound;
    sound.sampleRate = format.sampleRate;
    sound.channels = format.channels;
    sound.bitsPerSample = format.bitsPerSample;
    const int frameBytes = sound.bytesPerFrame();
    sound.frameCount = pcmSize / frameBytes;
    // A torn last frame cannot be played; drop it.
    sound.pcm = QByteArray(pcm, qsizetype(sound.frameCount * frameBytes));
    return sound;
}

} // namespace tavlo
