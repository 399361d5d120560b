// gifinfo FILE [--frames DIR]
// Prints one JSON object describing what the GIF reader made of FILE, or
// the reader's error message with exit code 2. With --frames, every
// decoded frame is also written to DIR as frame-NNN.png.

#include "media/base/Exceptions.h"
#include "media/gif/RxGIF.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <stdexcept>

using namespace tavlo;

namespace {

QString jsonString(const QByteArray &bytes)
{
    // Comment bytes carry no declared encoding; Latin-1 keeps every byte.
    QString out = QStringLiteral("\"");
    for (const QChar c : QString::fromLatin1(bytes)) {
        switch (c.unicode()) {
        case '"': out += QStringLiteral("\\\""); break;
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\u%1").arg(int(c.unicode()), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out + QLatin1Char('"');
}

QString colorText(TColor color)
{
    if (color == clNone)
        return QStringLiteral("\"clNone\"");
    return QStringLiteral("\"#%1%2%3\"")
        .arg(redOf(color), 2, 16, QLatin1Char('0'))
        .arg(greenOf(color), 2, 16, QLatin1Char('0'))
        .arg(blueOf(color), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString describe(const TGIFImage &image, const QString &framesDir)
{
    static const char *const versions[] = {"", "87a", "89a"};
    QString json;
    QTextStream out{&json};
    out << "{\n";
    out << "  \"screenWidth\": " << image.ScreenWidth() << ",\n";
    out << "  \"screenHeight\": " << image.ScreenHeight() << ",\n";
    out << "  \"version\": \"" << versions[image.Version()] << "\",\n";
    out << "  \"backgroundColor\": " << colorText(image.BackgroundColor()) << ",\n";
    out << "  \"looping\": " << (image.Looping() ? "true" : "false") << ",\n";
    out << "  \"repeatCount\": " << image.RepeatCount() << ",\n";
    out << "  \"comment\": [";
    const QList<QByteArray> &comment = image.Header().Comment;
    for (int i = 0; i < comment.size(); ++i)
        out << (i ? ", " : "") << jsonString(comment[i]);
    out << "],\n";
    out << "  \"frames\": [";
    for (int i = 0; i < image.Count(); ++i) {
        const TGIFFrame &frame = image.Frames(i);
        // A frame whose bitmap cannot be built is reported as such; the
        // others are still described and written.
        QString error;
        int width = 0;
        int height = 0;
        try {
            const QImage &bitmap = frame.Bitmap();
            width = bitmap.width();
            height = bitmap.height();
            if (!framesDir.isEmpty() && !bitmap.isNull()) {
                const QString path = QDir{framesDir}.filePath(
                    QStringLiteral("frame-%1.png").arg(i, 3, 10, QLatin1Char('0')));
                if (!bitmap.save(path, "PNG"))
                    throw std::runtime_error(qPrintable(QStringLiteral("Cannot write %1").arg(path)));
            }
        } catch (const Exception &e) {
            error = e.message();
        }
        out << (i ? ",\n" : "\n") << "    {\"left\": " << frame.Left() << ", \"top\": " << frame.Top()
            << ", \"width\": " << width << ", \"height\": " << height
            << ", \"delay\": " << frame.Delay() << ", \"disposal\": " << frame.Disposal()
            << ", \"interlaced\": " << (frame.Interlaced() ? "true" : "false")
            << ", \"corrupted\": " << (frame.Corrupted() ? "true" : "false")
            << ", \"transparentColor\": " << colorText(frame.TransparentColor());
        if (!error.isEmpty())
            out << ", \"error\": " << jsonString(error.toUtf8());
        out << "}";
    }
    out << (image.Count() ? "\n  ]\n" : "]\n") << "}\n";
    out.flush();
    return json;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app{argc, argv};
    const QStringList args = app.arguments();
    QString file;
    QString framesDir;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--frames") && i + 1 < args.size())
            framesDir = args[++i];
        else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            file = args[i];
        else
            file.clear(), i = int(args.size());
    }
    if (file.isEmpty()) {
        std::fprintf(stderr, "usage: gifinfo FILE [--frames DIR]\n");
        return 1;
    }
    QFile in{file};
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "gifinfo: cannot open %s\n", qPrintable(file));
        return 1;
    }
    if (!framesDir.isEmpty())
        QDir{}.mkpath(framesDir);
    TGIFImage image;
    try {
        image.LoadFromStream(in);
    } catch (const Exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    try {
        const QString json = describe(image, framesDir);
        std::fputs(json.toUtf8().constData(), stdout);
    } catch (const std::runtime_error &e) {
        std::fprintf(stderr, "gifinfo: %s\n", e.what());
        return 1;
    }
    return 0;
}
