#pragma once

#include "media/base/Exceptions.h"

#include <QByteArray>
#include <QString>

namespace tavlo {

// A RIFF/WAVE file that is damaged or holds something other than plain
// 8- or 16-bit PCM in one or two channels.
class EInvalidWave : public Exception {
public:
    using Exception::Exception;
};

// Uncompressed PCM as stored in a wave file. 8-bit samples are unsigned
// (silence is 0x80), 16-bit samples signed little-endian; stereo frames
// hold left then right.
struct WaveSound {
    int sampleRate{0};
    int channels{0};
    int bitsPerSample{0};
    QByteArray pcm;       // whole frames only
    qint64 frameCount{0}; // pcm.size() / bytesPerFrame()

    int bytesPerFrame() const { return channels * bitsPerSample / 8; }
    // Playing time in microseconds.
    qint64 durationUs() const;
};

// Files larger than this are refused before they are read: the game's
// sounds are a few kilobytes.
constexpr qsizetype maxWaveBytes = 64 * 1024 * 1024;

// Reads a complete RIFF/WAVE file. Chunks are walked by their stated
// lengths, each odd-sized chunk followed by a pad byte; chunks other than
// "fmt " and "data" (such as "fact" or "LIST") are skipped. For PCM the
// extension-size word of an 18-byte format chunk means nothing and is
// ignored. Throws EInvalidWave naming what is wrong; never reads outside
// `bytes`.
WaveSound readWave(const QByteArray &bytes);

} // namespace tavlo
