// The animated GIF control and its frame timer: composition rules, drawing
// over the parent's background, the shipped animations, and the pacing
// thread's behaviour (interval changes, disabling, teardown).

#include "media/base/Exceptions.h"
#include "media/animation/AnimationProbe.h"
#include "media/animation/GIFCtrl.h"
#include "media/gif/RxGIF.h"
#include "media/pictures/Resources.h"
#include "media/animation/RxTimer.h"
#include "tests/support/Backdrop.h"
#include "tests/support/GifWriter.h"
#include "tests/support/PaintWatch.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QPainter>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gif_lib.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>

using namespace tavlo;
using tavlo::test::Backdrop;
using tavlo::test::GifWriter;
using tavlo::test::PaintWatch;
using Probe = tavlo::testing::AnimationProbe;

namespace {

// ---------------------------------------------------------------------------
// Hand-made GIFs, written with giflib.

struct TestFrame {
    int left{0};
    int top{0};
    int width{0};
    int height{0};
    int disposal{1};
    int delay{10}; // hundredths of a second
    int transparent{-1};
    QList<std::uint8_t> pixels; // colour indices, row by row
};

TestFrame solidFrame(int left, int top, int width, int height, std::uint8_t index, int disposal,
                     int transparent = -1)
{
    TestFrame frame{left, top, width, height, disposal, 10, transparent, {}};
    frame.pixels.fill(index, width * height);
    return frame;
}

// Palette of the hand-made GIFs: no entry is a colour of the backdrop.
const QList<QRgb> testPalette = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255),
                                 qRgb(255, 0, 255)};
constexpr std::uint8_t Red = 0, Green = 1, Blue = 2, Key = 3;

QByteArray makeGif(int screenWidth, int screenHeight, const QList<TestFrame> &frames)
{
    GifWriter gif(screenWidth, screenHeight, testPalette);
    for (const TestFrame &frame : frames) {
        gif.control(frame.disposal, frame.delay, frame.transparent);
        gif.frame(QRect(frame.left, frame.top, frame.width, frame.height),
                  [&frame](int x, int y) { return frame.pixels[y * frame.width + x]; });
    }
    return gif.finish();
}

// The picture a GIF viewer shows after frame `index`, from the GIF rules
// alone (restore to background = the key, restore previous = undo), with
// key pixels left as `key`.
QImage referenceComposition(int screenWidth, int screenHeight, const QList<TestFrame> &frames,
                            int index, QRgb key)
{
    QImage canvas(screenWidth, screenHeight, QImage::Format_RGB32);
    canvas.fill(key);
    for (int j = 0; j <= index; ++j) {
        const TestFrame &frame = frames[j];
        const QImage before = canvas;
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x) {
                const int pixel = frame.pixels[y * frame.width + x];
                if (pixel != frame.transparent)
                    canvas.setPixel(frame.left + x, frame.top + y, testPalette[pixel]);
            }
        if (j == index)
            break;
        if (frame.disposal == 2) {
            QPainter painter(&canvas);
            painter.fillRect(QRect(frame.left, frame.top, frame.width, frame.height), QColor(key));
        } else if (frame.disposal == 3) {
            canvas = before;
        }
    }
    return canvas;
}

QString firstDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if ((actual.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF))
                return QStringLiteral("pixel (%1, %2) is %3, expected %4")
                    .arg(x).arg(y)
                    .arg(actual.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'))
                    .arg(expected.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    return {};
}

// The bounding rectangle of the pixels that differ; empty when none do.
QRect differingPixels(const QImage &a, const QImage &b)
{
    QRect bounds;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// ---------------------------------------------------------------------------
// A parent window with a busy background, so that every pixel that shows the
// background can be told from any GIF colour.

QRgb backdropColor(int x, int y)
{
    return qRgb(40 + (x * 7) % 160, 60 + (y * 5) % 150, 90 + ((x + y) % 2) * 30);
}

// The backdrop after it changed: every pixel differs from before.
QRgb changedBackdropColor(int x, int y)
{
    return backdropColor(x, y) ^ 0x808080;
}

// Screen pixels expected for a keyed frame drawn at an offset over the
// backdrop (or what under gives); anything outside the frame shows it.
QImage expectedOverBackdrop(const QRect &control, const TGIFFrame &frame,
                            const std::function<QRgb(int, int)> &under = backdropColor)
{
    QImage expected(control.size(), QImage::Format_RGB32);
    const QImage bitmap = frame.Bitmap().convertToFormat(QImage::Format_RGB32);
    const QRgb key = toQColor(frame.TransparentColor()).rgb() & 0xFFFFFF;
    for (int y = 0; y < control.height(); ++y)
        for (int x = 0; x < control.width(); ++x) {
            const int fx = x - frame.Left();
            const int fy = y - frame.Top();
            QRgb pixel = under(control.x() + x, control.y() + y);
            if (fx >= 0 && fy >= 0 && fx < bitmap.width() && fy < bitmap.height()
                && (bitmap.pixel(fx, fy) & 0xFFFFFF) != key)
                pixel = bitmap.pixel(fx, fy);
            expected.setPixel(x, y, pixel);
        }
    return expected;
}

void loadGif(TRxGIFAnimator &animator, const QByteArray &gif)
{
    animator.Image().LoadGIF(QByteArrayView(gif));
}

// Three opaque 4 x 4 frames, one after the other.
QByteArray redBlueGreen()
{
    return makeGif(4, 4, {solidFrame(0, 0, 4, 4, Red, 1), solidFrame(0, 0, 4, 4, Blue, 1),
                          solidFrame(0, 0, 4, 4, Green, 1)});
}

// A control whose painting can also be watched on a surface of any pixel
// ratio, as a scaled screen gives it.
class ScaledControl : public TRxGIFAnimator {
public:
    using TRxGIFAnimator::TRxGIFAnimator;

    // The surface (device pixels) after the control painted over it at ratio.
    QImage paintedAt(qreal ratio, QImage surface)
    {
        surface.setDevicePixelRatio(ratio);
        {
            QPainter canvas(&surface);
            PaintFrame(canvas, size());
        }
        surface.setDevicePixelRatio(1);
        return surface.convertToFormat(QImage::Format_RGB32);
    }
};

QImage filled(QSize size, const std::function<QRgb(int, int)> &color)
{
    QImage surface(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            surface.setPixel(x, y, color(x, y));
    return surface;
}

double meanDifference(const QImage &a, const QImage &b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The backdrop window with one control on it, at (0, 0), playing gif.
struct Stage {
    Backdrop window{QSize(800, 600), backdropColor};
    ScaledControl &animator{*new ScaledControl(&window)};

    explicit Stage(const QByteArray &gif) { loadGif(animator, gif); }
    bool shown()
    {
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }
};

} // namespace

class TestAnimator : public QObject {
    Q_OBJECT

private slots:
    // The shipped animations.
    void titleWalksFramesAndWraps();
    void shippedFramesOverBackground_data();
    void shippedFramesOverBackground();

    // Composition rules.
    void composition_data();
    void composition();
    void frameIndexJumps();
    void outOfRangeFrameIndexIgnored();
    void imageChangeStartsOver();
    void singleFrameNeverTicks();
    void loopFalseStopsOnFrameZero();
    void hiddenControlFreezes_data();
    void hiddenControlFreezes();
    void unshownWindowNeverTicks();
    void frameInterval_data();
    void frameInterval();
    void firstTickWaitsForTheFirstSleep();
    void placement_data();
    void placement();
    void transparentOffDrawsKeyOpaque();
    void autoSizeOnlyOutsideLoading();
    void destructionIsSilent();
    void asyncDrawing();

    // The timer.
    void timerTicksOnWindowThread();
    void timerIntervalFromNextSleep();
    void timerDisableStopsTicks_data();
    void timerDisableStopsTicks();
    void timerDestroyWhileRunning_data();
    void timerDestroyWhileRunning();
    void timerTickFailureIsShown();
    void timerStopsWhenApplicationQuits();
    void timerWindowMode();
    void timerWindowModeWithoutEventLoop();
};

// ---------------------------------------------------------------------------

void TestAnimator::titleWalksFramesAndWraps()
{
    Backdrop window({800, 600}, backdropColor);
    auto *title = new TRxGIFAnimator(&window);
    title->setGeometry(200, 4, 400, 70);
    title->setImageResource(QStringLiteral("TITLE"));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(title->Image().Count(), 20);
    QCOMPARE(title->FrameIndex(), 0);
    QCOMPARE(Probe::timer(*title).Interval(), 100u);
    title->repaint();
    const auto fullBefore = Probe::fullCompositions(*title);
    QSignalSpy changed(title, &TRxGIFAnimator::OnFrameChanged);
    for (int i = 1; i < 20; ++i) {
        title->AdvanceFrame();
        QCOMPARE(title->FrameIndex(), i);
        QCOMPARE(Probe::cacheIndex(*title), i);
    }
    // Consecutive frames only undo the previous frame and draw the next.
    QCOMPARE(Probe::fullCompositions(*title), fullBefore);
    title->AdvanceFrame();
    QCOMPARE(title->FrameIndex(), 0);
    QCOMPARE(Probe::fullCompositions(*title), fullBefore + 1);
    QCOMPARE(Probe::lastStartFrame(*title), 0);
    QCOMPARE(changed.count(), 20);
    QCOMPARE(Probe::timer(*title).Interval(), 100u);
}

void TestAnimator::shippedFramesOverBackground_data()
{
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<qreal>("ratio");
    // Every composed picture of the two rounds, as drawn, recorded from a
    // composition known to show the frames right: a change in how frames
    // are composed must not change a single pixel of them.
    QTest::addColumn<QByteArray>("digest");
    const QRect title(200, 4, 400, 70);
    const QRect character(184, 464, 90, 115);
    QTest::newRow("title") << "TITLE" << title << false << 1.0 << QByteArray("118a8329c1707a42");
    QTest::newRow("character, stretched") << "CHARACTER" << character << true << 1.0 << QByteArray("80a16d21d4779293");
    QTest::newRow("title at 200 %") << "TITLE" << title << false << 2.0 << QByteArray("fa95c8dcc255a498");
    QTest::newRow("character at 200 %") << "CHARACTER" << character << true << 2.0 << QByteArray("79af6b224d3093fe");
    QTest::newRow("title at 150 %") << "TITLE" << title << false << 1.5 << QByteArray("fa95c8dcc255a498");
}

// Frame by frame, two rounds and the wraps after each, the screen
// shows exactly the frame's opaque pixels at its own offset over the
// window's background: no key pixel hides it, no opaque pixel is lost to the
// key, nothing of the previous frame remains. On a scaled surface the
// twice-size frame of the same index is drawn instead, pixel for pixel at
// 200 %; a screen at 100 % never reads it.
void TestAnimator::shippedFramesOverBackground()
{
    QFETCH(QString, resource);
    QFETCH(QRect, geometry);
    QFETCH(bool, stretch);
    QFETCH(qreal, ratio);
    QFETCH(QByteArray, digest);
    Backdrop window({800, 600}, backdropColor);
    auto *animator = new ScaledControl(&window);
    animator->setGeometry(geometry);
    animator->setImageResource(resource);
    animator->setStretch(stretch);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(animator->size(), geometry.size());
    const TGIFImage &image = animator->Image();
    const int count = image.Count();
    TGIFImage twin;
    if (ratio != 1.0)
        twin.LoadGIF(QByteArrayView(resourceBytes(QStringLiteral("GIF"), resource + QStringLiteral("@2X"))));

    const QSize twice = geometry.size() * 2;
    const QSize shownSize = (QSizeF(geometry.size()) * ratio).toSize();
    const auto black = [](int, int) { return qRgb(0, 0, 0); };
    // A tick repaints no more than the control, and at least every pixel
    // that differs from the frame before.
    PaintWatch watch{animator};
    int partialTicks = 0;
    QCryptographicHash composed(QCryptographicHash::Sha1);
    // Two rounds and the wrap after them: the second wrap is composed from
    // what the first one changed.
    for (int tick = 0; tick <= 2 * count; ++tick) {
        watch.painted = QRegion();
        if (tick == count && ratio == 1.0) {
            window.paintPicture(changedBackdropColor);
            window.update();
        }
        if (tick > 0)
            animator->AdvanceFrame();
        const int i = tick % count;
        QCOMPARE(animator->FrameIndex(), i);
        QString difference;
        if (ratio == 1.0) {
            // The second round plays over a window that changed its
            // background just before: every tick shows the new one.
            const auto under = [count](int round) {
                return round < count ? backdropColor : changedBackdropColor;
            };
            const QImage expected = expectedOverBackdrop(geometry, image.Frames(i), under(tick));
            if (tick > 0) {
                const QImage before =
                    expectedOverBackdrop(geometry, image.Frames((i + count - 1) % count), under(tick - 1));
                for (int y = 0; y < geometry.height(); ++y)
                    for (int x = 0; x < geometry.width(); ++x)
                        if (before.pixel(x, y) != expected.pixel(x, y) && !watch.painted.contains(QPoint(x, y)))
                            difference = QStringLiteral("(%1, %2) changed but was not repainted").arg(x).arg(y);
                QVERIFY(QRegion(animator->rect()).united(watch.painted) == QRegion(animator->rect()));
                if (watch.painted.boundingRect() != animator->rect())
                    ++partialTicks;
            }
            if (difference.isEmpty())
                difference = firstDifference(window.shot(geometry), expected);
        } else if (ratio == 2.0) {
            const QImage shown = animator->paintedAt(ratio, filled(twice, backdropColor));
            difference = firstDifference(shown, expectedOverBackdrop(QRect(QPoint(0, 0), twice), twin.Frames(i)));
        } else {
            // Filtered smoothly from the twice-size frame: close to it scaled
            // smoothly, far from the 1x frame's pixels repeated.
            const QImage shown = animator->paintedAt(ratio, filled(shownSize, black));
            const QImage smooth = expectedOverBackdrop(QRect(QPoint(0, 0), twice), twin.Frames(i), black)
                                      .scaled(shownSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const QImage blocky = expectedOverBackdrop(QRect(QPoint(0, 0), geometry.size()), image.Frames(i), black)
                                      .scaled(shownSize, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            const double fromSmooth = meanDifference(shown, smooth);
            const double fromBlocky = meanDifference(shown, blocky);
            if (fromSmooth >= 1 || fromSmooth >= fromBlocky / 4)
                difference = QStringLiteral("%1 from the smoothly scaled twin, %2 from the 1x frame repeated")
                                 .arg(fromSmooth).arg(fromBlocky);
        }
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("frame %1: %2").arg(i).arg(difference)));
        const QImage picture = Probe::composed(*animator, ratio != 1.0);
        composed.addData(QByteArrayView(picture.constBits(), picture.sizeInBytes()));
    }
    QCOMPARE(composed.result().toHex().left(16), digest);
    QCOMPARE(Probe::twinLoaded(*animator), ratio != 1.0);
    // The title's letters turn one after another: most ticks repaint only
    // the letters that move.
    if (ratio == 1.0 && resource == QStringLiteral("TITLE"))
        QVERIFY2(partialTicks > count, qPrintable(QString::number(partialTicks)));
}

// ---------------------------------------------------------------------------

void TestAnimator::composition_data()
{
    QTest::addColumn<QList<TestFrame>>("frames");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("startFrame");

    QList<TestFrame> frames;
    frames = {solidFrame(0, 0, 8, 6, Red, 1), solidFrame(1, 1, 3, 2, Green, 0),
              solidFrame(2, 2, 4, 3, Blue, 3), solidFrame(5, 0, 2, 2, Green, 1)};
    // Frame 2 is undone: frame 3 goes over frames 0 and 1 (no disposal
    // given: left in place) from scratch.
    QTest::newRow("restore previous, opaque full frame") << frames << 3 << 0;

    frames = {solidFrame(0, 0, 8, 6, Red, 1), solidFrame(0, 0, 8, 6, Green, 2, Key),
              solidFrame(2, 2, 4, 3, Blue, 3), solidFrame(5, 0, 2, 2, Green, 1)};
    // A full keyed frame restored to background hides what came before.
    QTest::newRow("restore previous after full background frame") << frames << 3 << 1;

    TestFrame holes = solidFrame(0, 0, 8, 6, Blue, 1, Key);
    for (int i = 0; i < holes.pixels.size(); i += 3)
        holes.pixels[i] = Key;
    frames = {solidFrame(0, 0, 8, 6, Red, 1), holes, solidFrame(3, 3, 2, 2, Green, 3),
              solidFrame(0, 0, 2, 2, Green, 1)};
    // A keyed full frame left in place does not hide frame 0.
    QTest::newRow("keyed full frame left in place") << frames << 3 << 0;

    frames = {solidFrame(0, 0, 8, 6, Red, 1), solidFrame(1, 1, 3, 2, Green, 2),
              solidFrame(0, 0, 8, 6, Blue, 1), solidFrame(2, 2, 4, 3, Green, 3),
              solidFrame(6, 4, 2, 2, Red, 1)};
    // The latest opaque full frame is where drawing starts.
    QTest::newRow("latest opaque full frame") << frames << 4 << 2;

    frames = {solidFrame(0, 0, 8, 6, Blue, 2, Key), solidFrame(2, 1, 3, 3, Red, 3),
              solidFrame(3, 2, 3, 3, Green, 3), solidFrame(1, 1, 2, 2, Blue, 1)};
    // Two restore-previous frames in a row: neither is drawn.
    QTest::newRow("two restore previous in a row") << frames << 3 << 0;

    frames = {solidFrame(0, 0, 8, 6, Key, 1, Key), solidFrame(1, 1, 2, 2, Red, 2),
              solidFrame(4, 3, 2, 2, Red, 2), solidFrame(4, 3, 2, 2, Red, 2)};
    // A sprite moves (the change spans where it was and where it is), then
    // stays: the step is given back and drawn again, and nothing changes.
    QTest::newRow("sprite moves, then stays") << frames << 3 << 0;
}

void TestAnimator::composition()
{
    QFETCH(QList<TestFrame>, frames);
    QFETCH(int, target);
    QFETCH(int, startFrame);

    Stage stage{makeGif(8, 6, frames)};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    QCOMPARE(animator.Image().Count(), frames.size());

    // Tick by tick up to the target: every composition, incremental or not,
    // shows what the GIF rules say.
    // Restore to background gives back the key colour, else the picture's
    // background colour when it has transparency, else the window colour.
    const TGIFImage &image = animator.Image();
    TColor brush = image.Frames(0).TransparentColor();
    if (brush == clNone)
        brush = image.BackgroundColor() != clNone && image.Transparent() ? image.BackgroundColor() : clWindow;
    const QRgb key = toQColor(brush).rgb();
    animator.repaint();
    // The same steps on a composer of its own: what each step says it
    // changed is exactly where the pictures differ, and the picture drawn is
    // clear exactly on the key (the cache above shows it in the key colour).
    FrameComposer composer;
    TColor composerKey = clNone;
    composer.compose(image, 0, composerKey);
    QCOMPARE(composer.changed(), QRect(0, 0, 8, 6));
    for (int i = 1; i <= target; ++i) {
        const auto full = Probe::fullCompositions(animator);
        animator.AdvanceFrame();
        const QImage expected = referenceComposition(8, 6, frames, i, key);
        const QString difference = firstDifference(Probe::frameCache(animator), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("frame %1: %2").arg(i).arg(difference)));
        const bool afterRestorePrevious = frames[i - 1].disposal == 3;
        QCOMPARE(Probe::fullCompositions(animator), full + (afterRestorePrevious ? 1 : 0));

        const QImage &keyed = composer.compose(image, i, composerKey);
        // From scratch too (after a restore previous), only what differs.
        const QRect change = differingPixels(referenceComposition(8, 6, frames, i - 1, key), expected);
        QCOMPARE(composer.changed(), change);
        if (composerKey == clNone)
            continue;
        QCOMPARE(keyed.format(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const QRgb pixel = expected.pixel(x, y) | 0xFF000000;
                QCOMPARE(keyed.pixel(x, y), pixel == (key | 0xFF000000) ? 0u : pixel);
            }
    }
    QCOMPARE(Probe::lastStartFrame(animator), startFrame);
}

void TestAnimator::frameIndexJumps()
{
    const QList<TestFrame> frames = {solidFrame(0, 0, 8, 6, Red, 1), solidFrame(1, 1, 3, 2, Green, 1),
                                     solidFrame(0, 0, 8, 6, Blue, 1), solidFrame(2, 2, 2, 2, Red, 1),
                                     solidFrame(4, 3, 3, 2, Green, 1)};
    QList<TestFrame> delayed = frames;
    delayed[3].delay = 30;
    delayed[4].delay = 70;
    Stage stage{makeGif(8, 6, delayed)};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    const QRgb key = toQColor(clWindow).rgb();
    QSignalSpy changed(&animator, &TRxGIFAnimator::OnFrameChanged);

    animator.setFrameIndex(3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(Probe::timer(animator).Interval(), 300u);
    const auto full = Probe::fullCompositions(animator);
    animator.repaint();
    QCOMPARE(Probe::fullCompositions(animator), full + 1);
    QCOMPARE(Probe::lastStartFrame(animator), 2);
    QVERIFY(firstDifference(Probe::frameCache(animator), referenceComposition(8, 6, frames, 3, key)).isEmpty());

    // The next frame builds on the cached one.
    animator.setFrameIndex(4);
    animator.repaint();
    QCOMPARE(Probe::fullCompositions(animator), full + 1);
    QCOMPARE(Probe::timer(animator).Interval(), 700u);
    QVERIFY(firstDifference(Probe::frameCache(animator), referenceComposition(8, 6, frames, 4, key)).isEmpty());

    // A jump back composes anew.
    animator.setFrameIndex(1);
    animator.repaint();
    QCOMPARE(Probe::fullCompositions(animator), full + 2);
    QCOMPARE(Probe::lastStartFrame(animator), 0);
    QVERIFY(firstDifference(Probe::frameCache(animator), referenceComposition(8, 6, frames, 1, key)).isEmpty());
}

void TestAnimator::outOfRangeFrameIndexIgnored()
{
    TRxGIFAnimator animator;
    loadGif(animator, redBlueGreen());
    animator.setFrameIndex(1);
    QSignalSpy changed(&animator, &TRxGIFAnimator::OnFrameChanged);
    for (int bad : {-1, 3, 1000}) {
        animator.setFrameIndex(bad);
        QCOMPARE(animator.FrameIndex(), 1);
    }
    animator.setFrameIndex(1);
    QCOMPARE(changed.count(), 0);
}

void TestAnimator::imageChangeStartsOver()
{
    Stage stage{redBlueGreen()};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    animator.AdvanceFrame();
    animator.AdvanceFrame();
    QCOMPARE(Probe::cacheIndex(animator), 2);

    QList<TestFrame> other = {solidFrame(0, 0, 4, 4, Blue, 1), solidFrame(0, 0, 4, 4, Red, 1)};
    other[0].delay = 25;
    TRxGIFAnimator source;
    loadGif(source, makeGif(4, 4, other));
    QSignalSpy changed(&animator, &TRxGIFAnimator::OnChange);
    animator.setImage(source.Image());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(animator.Image().Count(), 2);
    QCOMPARE(animator.FrameIndex(), 0);
    QCOMPARE(Probe::cacheIndex(animator), -1);
    QCOMPARE(Probe::timer(animator).Interval(), 250u);
    QCOMPARE(window.shot(QRect(0, 0, 4, 4)).pixel(2, 2), testPalette[Blue]);

    // A picture that replaces an embedded one leaves its twice-size frames
    // behind: a scaled surface shows the new picture, each pixel a 2 x 2
    // block.
    animator.setImageResource(QStringLiteral("TITLE"));
    const QImage black = filled(QSize(8, 8), [](int, int) { return qRgb(0, 0, 0); });
    QCOMPARE(animator.paintedAt(2, black).size(), QSize(8, 8));
    QVERIFY(Probe::twinLoaded(animator));
    animator.setImage(source.Image());
    QCOMPARE(animator.paintedAt(2, black).pixel(7, 7), testPalette[Blue]);
    QVERIFY(!Probe::twinLoaded(animator));

    // An empty picture: nothing to show, the window shows through.
    animator.setImageResource(QStringLiteral("TITLE"));
    animator.setImageResource(QString());
    QVERIFY(animator.Image().Empty());
    QCOMPARE(animator.FrameIndex(), -1);
    QCOMPARE(window.shot(QRect(0, 0, 4, 4)).pixel(2, 2), backdropColor(2, 2));
}

void TestAnimator::singleFrameNeverTicks()
{
    Stage stage{makeGif(6, 6, {solidFrame(0, 0, 6, 6, Green, 1)})};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    QSignalSpy changed(&animator, &TRxGIFAnimator::OnFrameChanged);
    animator.setAnimate(true);
    QVERIFY(animator.Animate());
    QCOMPARE(Probe::timer(animator).Interval(), 0u);
    QVERIFY(Probe::thread(Probe::timer(animator))->suspended());
    animator.AdvanceFrame();
    QCOMPARE(animator.FrameIndex(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(window.shot(QRect(0, 0, 6, 6)).pixel(3, 3), testPalette[Green]);
}

void TestAnimator::loopFalseStopsOnFrameZero()
{
    Stage stage{redBlueGreen()};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    animator.setLoop(false);
    animator.setAnimate(true);
    QSignalSpy stopped(&animator, &TRxGIFAnimator::OnStop);
    animator.AdvanceFrame();
    animator.AdvanceFrame();
    QVERIFY(animator.Animate());
    QCOMPARE(stopped.count(), 0);
    animator.AdvanceFrame();
    QCOMPARE(animator.FrameIndex(), 0);
    QVERIFY(!animator.Animate());
    QCOMPARE(stopped.count(), 1);
    QVERIFY(!Probe::timer(animator).Enabled());
    QCOMPARE(window.shot(QRect(0, 0, 4, 4)).pixel(1, 1), testPalette[Red]);
}

void TestAnimator::hiddenControlFreezes_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("control hidden") << 0;
    QTest::newRow("window minimised") << 1;
    QTest::newRow("window hidden") << 2;
}

void TestAnimator::hiddenControlFreezes()
{
    QFETCH(int, how);
    Stage stage{redBlueGreen()};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    const auto hide = [&, how] {
        if (how == 0)
            animator.hide();
        else if (how == 1)
            window.showMinimized();
        else
            window.hide();
    };
    const auto show = [&, how] {
        if (how == 0)
            animator.show();
        else
            window.showNormal();
    };

    // A tick that gets through while the control itself is hidden changes
    // nothing.
    animator.AdvanceFrame();
    if (how == 0) {
        hide();
        animator.AdvanceFrame();
        QCOMPARE(animator.FrameIndex(), 1);
        show();
    }
    animator.AdvanceFrame();
    QCOMPARE(animator.FrameIndex(), 2);

    // Playing: nothing sleeps or wakes while hidden, and once seen again the
    // frame shown stays its whole 100 ms before the next one.
    animator.setAnimate(true);
    QTRY_VERIFY(animator.FrameIndex() != 2);
    hide();
    QVERIFY(Probe::timer(animator).paused());
    QVERIFY(animator.Animate());
    QVERIFY(Probe::timer(animator).Enabled());
    const int frozen = animator.FrameIndex();
    const std::uint64_t sleeps = Probe::sleepCount(Probe::timer(animator));
    QTest::qWait(350);
    QCOMPARE(animator.FrameIndex(), frozen);
    QCOMPARE(Probe::sleepCount(Probe::timer(animator)), sleeps);

    qint64 resumedAfter = -1;
    QElapsedTimer clock;
    connect(&animator, &TRxGIFAnimator::OnFrameChanged, this, [&] {
        if (resumedAfter < 0)
            resumedAfter = clock.elapsed();
    });
    show();
    QTRY_VERIFY(!Probe::timer(animator).paused());
    clock.start();
    QTRY_COMPARE(animator.FrameIndex(), (frozen + 1) % 3);
    QVERIFY2(resumedAfter >= 80, qPrintable(QString::number(resumedAfter)));
    QCOMPARE(Probe::timer(animator).Interval(), 100u);
}

void TestAnimator::unshownWindowNeverTicks()
{
    // As at start-up, while the splash shows: the layout starts the
    // animation before its window is on screen. No tick, not even a sleep,
    // until it is.
    Backdrop unshown({800, 600}, backdropColor);
    TRxGIFAnimator waiting(&unshown);
    waiting.setAnimate(true);
    loadGif(waiting, makeGif(4, 4, {solidFrame(0, 0, 4, 4, Red, 1), solidFrame(0, 0, 4, 4, Blue, 1)}));
    waiting.AdvanceFrame();
    QCOMPARE(waiting.FrameIndex(), 0);
    QTest::qWait(250);
    QVERIFY(waiting.Animate());
    QVERIFY(Probe::timer(waiting).paused());
    QCOMPARE(Probe::sleepCount(Probe::timer(waiting)), 0u);
    QCOMPARE(waiting.FrameIndex(), 0);

    unshown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&unshown));
    QTRY_COMPARE(waiting.FrameIndex(), 1);
    QCOMPARE(Probe::sleepInterval(Probe::timer(waiting)), 100u);
}

void TestAnimator::frameInterval_data()
{
    QTest::addColumn<int>("hundredths");
    QTest::addColumn<int>("interval");
    QTest::newRow("0") << 0 << 50;
    QTest::newRow("1") << 1 << 50;
    QTest::newRow("4") << 4 << 50;
    QTest::newRow("5") << 5 << 50;
    QTest::newRow("6") << 6 << 60;
    QTest::newRow("10") << 10 << 100;
    QTest::newRow("1000") << 1000 << 10000;
    QTest::newRow("1001") << 1001 << 10000;
    QTest::newRow("5000") << 5000 << 10000;
}

void TestAnimator::frameInterval()
{
    QFETCH(int, hundredths);
    QFETCH(int, interval);
    QList<TestFrame> frames = {solidFrame(0, 0, 2, 2, Red, 1), solidFrame(0, 0, 2, 2, Blue, 1)};
    frames[0].delay = hundredths;
    frames[1].delay = hundredths;
    TRxGIFAnimator animator;
    loadGif(animator, makeGif(2, 2, frames));
    QCOMPARE(animator.FrameInterval(0), interval);
    QCOMPARE(Probe::timer(animator).Interval(), std::uint32_t(interval));
    QCOMPARE(animator.FrameInterval(-1), 0);
    QCOMPARE(animator.FrameInterval(2), 0);
}

void TestAnimator::firstTickWaitsForTheFirstSleep()
{
    // As the layout does it: Animate first, then the picture.
    Backdrop window({800, 600}, backdropColor);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TRxGIFAnimator animator(&window);
    animator.show();
    QElapsedTimer clock;
    clock.start();
    animator.setAnimate(true);
    QCOMPARE(Probe::timer(animator).Interval(), 1000u);
    QTRY_VERIFY(Probe::sleepCount(Probe::timer(animator)) >= 1);
    QCOMPARE(Probe::sleepInterval(Probe::timer(animator)), 1000u);

    qint64 firstChange = -1;
    connect(&animator, &TRxGIFAnimator::OnFrameChanged, this, [&] {
        if (firstChange < 0)
            firstChange = clock.elapsed();
    });
    loadGif(animator, redBlueGreen());
    QCOMPARE(Probe::timer(animator).Interval(), 100u);
    QCOMPARE(Probe::sleepInterval(Probe::timer(animator)), 1000u);
    QTRY_VERIFY_WITH_TIMEOUT(firstChange >= 0, 5000);
    QVERIFY2(firstChange >= 950, qPrintable(QString::number(firstChange)));
    QTRY_COMPARE(Probe::sleepInterval(Probe::timer(animator)), 100u);
}

void TestAnimator::placement_data()
{
    QTest::addColumn<QSize>("control");
    QTest::addColumn<bool>("center");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QRect>("expected");
    // The picture is 10 x 6; integer division truncates toward zero.
    QTest::newRow("top left") << QSize(25, 15) << false << false << QRect(0, 0, 10, 6);
    QTest::newRow("centred") << QSize(25, 15) << true << false << QRect(7, 4, 10, 6);
    QTest::newRow("centred, larger than control") << QSize(5, 3) << true << false << QRect(-2, -1, 10, 6);
    QTest::newRow("stretched") << QSize(20, 12) << false << true << QRect(0, 0, 20, 12);
    QTest::newRow("stretch wins over centre") << QSize(20, 12) << true << true << QRect(0, 0, 20, 12);
}

void TestAnimator::placement()
{
    QFETCH(QSize, control);
    QFETCH(bool, center);
    QFETCH(bool, stretch);
    QFETCH(QRect, expected);

    // Opaque left half in red, keyed right half with a blue dot.
    TestFrame frame = solidFrame(0, 0, 10, 6, Red, 1, Key);
    for (int y = 0; y < 6; ++y)
        for (int x = 5; x < 10; ++x)
            frame.pixels[y * 10 + x] = (x == 7 && y == 2) ? Blue : Key;
    Backdrop window({800, 600}, backdropColor);
    TRxGIFAnimator animator(&window);
    animator.loaded();
    animator.setAutoSize(false);
    animator.setGeometry(QRect(QPoint(30, 20), control));
    loadGif(animator, makeGif(10, 6, {frame}));
    animator.setCenter(center);
    animator.setStretch(stretch);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QRect where = animator.geometry();
    const QImage shot = window.shot(where);
    for (int y = 0; y < where.height(); ++y)
        for (int x = 0; x < where.width(); ++x) {
            QRgb want = backdropColor(where.x() + x, where.y() + y);
            if (expected.contains(x, y)) {
                const int fx = (x - expected.x()) * 10 / expected.width();
                const int fy = (y - expected.y()) * 6 / expected.height();
                const int index = frame.pixels[fy * 10 + fx];
                if (index != Key)
                    want = testPalette[index];
            }
            QVERIFY2((shot.pixel(x, y) & 0xFFFFFF) == (want & 0xFFFFFF),
                     qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
        }
}

void TestAnimator::transparentOffDrawsKeyOpaque()
{
    Stage stage{makeGif(4, 4, {solidFrame(0, 0, 4, 4, Key, 1, Key), solidFrame(1, 1, 2, 2, Red, 1)})};
    QVERIFY(stage.shown());
    auto &[window, animator] = stage;
    QCOMPARE(window.shot(QRect(0, 0, 4, 4)).pixel(0, 0), backdropColor(0, 0));
    animator.setTransparent(false);
    QCOMPARE(window.shot(QRect(0, 0, 4, 4)).pixel(0, 0), testPalette[Key]);
}

void TestAnimator::autoSizeOnlyOutsideLoading()
{
    const QByteArray gif = makeGif(12, 7, {solidFrame(0, 0, 12, 7, Red, 1)});
    TRxGIFAnimator reading;
    reading.setGeometry(5, 6, 40, 30);
    loadGif(reading, gif);
    QCOMPARE(reading.geometry(), QRect(5, 6, 40, 30));

    Backdrop window({800, 600}, backdropColor);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    TRxGIFAnimator loaded(&window);
    QVERIFY(loaded.loading());
    QCoreApplication::processEvents();
    QVERIFY(!loaded.loading());
    loaded.show();
    loaded.setGeometry(5, 6, 40, 30);
    loadGif(loaded, gif);
    QCOMPARE(loaded.geometry(), QRect(5, 6, 12, 7));
    loaded.resize(50, 50);
    QCOMPARE(loaded.size(), QSize(12, 7));
    loaded.setAutoSize(false);
    loaded.resize(50, 50);
    QCOMPARE(loaded.size(), QSize(50, 50));

    // A screen too large to compose: the control keeps its size, and its
    // paint fails with the read error before allocating anything.
    QStringList shown;
    TRxTimer::setExceptionDisplay([&shown](const std::exception &e) { shown << QString::fromUtf8(e.what()); });
    auto restore = qScopeGuard([] { TRxTimer::setExceptionDisplay(nullptr); });
    loaded.setAutoSize(true);
    QCOMPARE(loaded.size(), QSize(12, 7));
    loadGif(loaded, makeGif(65535, 65535, {solidFrame(0, 0, 1, 1, Red, 1)}));
    QCOMPARE(loaded.size(), QSize(12, 7));
    loaded.repaint();
    QVERIFY(Probe::frameCache(loaded).isNull());
    QVERIFY(!shown.isEmpty());
    QCOMPARE(shown.first(), QStringLiteral("Erreur de lecture du flux"));
}

void TestAnimator::destructionIsSilent()
{
    Backdrop window({800, 600}, backdropColor);
    auto *animator = new TRxGIFAnimator(&window);
    loadGif(*animator, makeGif(4, 4, {solidFrame(0, 0, 4, 4, Red, 1), solidFrame(0, 0, 4, 4, Blue, 1)}));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int heard = 0;
    for (auto signal : {&TRxGIFAnimator::OnStop, &TRxGIFAnimator::OnChange, &TRxGIFAnimator::OnFrameChanged})
        connect(animator, signal, this, [&heard] { ++heard; });
    animator->setAnimate(true);
    delete animator;
    QCOMPARE(heard, 0);
}

void TestAnimator::asyncDrawing()
{
    QList<TestFrame> frames = {solidFrame(0, 0, 6, 6, Red, 2, Key), solidFrame(1, 1, 4, 4, Blue, 2, Key),
                               solidFrame(2, 2, 2, 2, Green, 2, Key)};
    for (TestFrame &frame : frames)
        frame.delay = 5;
    Backdrop window({800, 600}, backdropColor);
    auto *animator = new TRxGIFAnimator(&window);
    animator->setAsyncDrawing(true);
    QVERIFY(!Probe::timer(*animator).SyncEvent());
    loadGif(*animator, makeGif(6, 6, frames));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    std::atomic<int> offThread{0};
    int heard = 0;
    connect(animator, &TRxGIFAnimator::OnFrameChanged, animator, [&] {
        ++heard;
        if (QThread::currentThread() != thread())
            ++offThread;
    });
    animator->setAnimate(true);
    QTRY_VERIFY(heard >= 6);
    QCOMPARE(offThread.load(), 0);

    // Stopped on a known frame, the window shows that frame.
    animator->setAnimate(false);
    animator->setFrameIndex(2);
    const QImage shot = window.shot(QRect(0, 0, 6, 6));
    QCOMPARE(shot.pixel(0, 0), backdropColor(0, 0));
    QCOMPARE(shot.pixel(2, 2), testPalette[Green]);
    QCOMPARE(shot.pixel(1, 1), backdropColor(1, 1));

    animator->setAnimate(true);
    QTRY_VERIFY(heard >= 12);

    // Stopping waits for a tick already under way: the frame stays put.
    for (int round = 0; round < 10; ++round) {
        animator->setAnimate(true);
        QTest::qWait(40 + round * 7);
        animator->setAnimate(false);
        const int stoppedAt = animator->FrameIndex();
        QTest::qWait(70);
        QCOMPARE(animator->FrameIndex(), stoppedAt);
    }

    // The picture replaced through Image() while ticks compose on the
    // pacing thread: each replacement holds the control's lock throughout.
    TGIFImage other;
    other.LoadGIF(makeGif(6, 6, {frames[2], frames[0], frames[1]}));
    animator->setAnimate(true);
    for (int round = 0; round < 40; ++round) {
        if (round % 2)
            animator->Image() = other;
        else
            animator->Image().LoadGIF(makeGif(6, 6, frames));
        QTest::qWait(3);
    }
    QCOMPARE(animator->Image().Count(), 3);
    delete animator;
}

// ---------------------------------------------------------------------------

void TestAnimator::timerTicksOnWindowThread()
{
    TRxTimer timer;
    timer.setInterval(10);
    std::atomic<int> ticks{0};
    std::atomic<int> offThread{0};
    timer.setOnTimer([&] {
        ++ticks;
        if (QThread::currentThread() != thread())
            ++offThread;
    });
    QTRY_VERIFY(ticks >= 3);
    QCOMPARE(offThread.load(), 0);

    timer.setSyncEvent(false);
    const int before = ticks;
    QTRY_VERIFY(offThread >= 2);
    QVERIFY(ticks > before);
    // Coarse, like Qt's own timers: the sleeps soon end on whole multiples of
    // the interval, where every other timer of that interval ends its own.
    QTRY_VERIFY([&] {
        const auto end = Probe::sleepEnd(timer);
        return end && end->time_since_epoch() % std::chrono::milliseconds(10) == std::chrono::nanoseconds(0);
    }());

    // On either thread, each sleep is counted from the end of the tick
    // before it, however long that tick took (less at most the 5 % by which
    // a sleep may end early, to tick together with other timers).
    for (bool sync : {true, false}) {
        QElapsedTimer clock;
        clock.start();
        QMutex spansLock;
        QList<QPair<qint64, qint64>> spans;
        // Made after what its ticks write to, so it ends (and a tick still
        // running on its thread with it) before they go.
        TRxTimer slow;
        slow.setSyncEvent(sync);
        slow.setInterval(20);
        slow.setOnTimer([&] {
            const qint64 began = clock.nsecsElapsed();
            QThread::msleep(30);
            QMutexLocker lock(&spansLock);
            spans.append({began, clock.nsecsElapsed()});
        });
        QTRY_VERIFY([&] {
            QMutexLocker lock(&spansLock);
            return spans.size() >= 4;
        }());
        slow.setEnabled(false);
        QMutexLocker lock(&spansLock);
        for (qsizetype i = 1; i < spans.size(); ++i) {
            const qint64 gap = spans[i].first - spans[i - 1].second;
            QVERIFY2(gap >= 19'000'000, qPrintable(QStringLiteral("sync %1: %2 ns").arg(sync).arg(gap)));
        }
    }
}

void TestAnimator::timerIntervalFromNextSleep()
{
    TRxTimer timer;
    timer.setInterval(400);
    std::atomic<int> ticks{0};
    QElapsedTimer clock;
    clock.start();
    qint64 firstTick = -1;
    timer.setOnTimer([&] {
        if (ticks++ == 0)
            firstTick = clock.elapsed();
    });
    QTRY_VERIFY(Probe::sleepCount(timer) >= 1);
    timer.setInterval(20);
    // The sleep in progress is not restarted...
    QCOMPARE(Probe::sleepInterval(timer), 400u);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 3000);
    QVERIFY2(firstTick >= 380, qPrintable(QString::number(firstTick)));
    // ...and the next ones use the new interval.
    QTRY_VERIFY(ticks >= 4);
    QCOMPARE(Probe::sleepInterval(timer), 20u);
}

void TestAnimator::timerDisableStopsTicks_data()
{
    QTest::addColumn<bool>("pause");
    QTest::newRow("disabled") << false;
    QTest::newRow("paused") << true;
}

void TestAnimator::timerDisableStopsTicks()
{
    QFETCH(bool, pause);
    TRxTimer timer;
    timer.setInterval(10);
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    QTRY_VERIFY(ticks >= 2);
    if (pause)
        timer.setPaused(true);
    else
        timer.setEnabled(false);
    const int stoppedAt = ticks;
    const std::uint64_t sleeps = Probe::sleepCount(timer);
    QTest::qWait(120);
    QCOMPARE(ticks, stoppedAt);
    QVERIFY(Probe::thread(timer)->suspended());
    // A pause leaves the timer enabled, and its thread does not even sleep.
    QCOMPARE(timer.Enabled(), pause);
    if (pause)
        QCOMPARE(Probe::sleepCount(timer), sleeps);

    if (pause)
        timer.setPaused(false);
    else
        timer.setEnabled(true);
    QTRY_VERIFY(ticks > stoppedAt);
    timer.setOnTimer(nullptr);
    QVERIFY(Probe::thread(timer)->suspended());
}

void TestAnimator::timerDestroyWhileRunning_data()
{
    QTest::addColumn<bool>("syncEvent");
    QTest::addColumn<bool>("windowThreadBusy");
    QTest::newRow("ticking on the window thread") << true << false;
    QTest::newRow("tick waiting for a busy window thread") << true << true;
    QTest::newRow("ticking on its own thread") << false << false;
}

void TestAnimator::timerDestroyWhileRunning()
{
    QFETCH(bool, syncEvent);
    QFETCH(bool, windowThreadBusy);
    for (int round = 0; round < 5; ++round) {
        std::atomic<int> ticks{0};
        auto timer = std::make_unique<TRxTimer>();
        timer->setSyncEvent(syncEvent);
        timer->setInterval(5);
        timer->setOnTimer([&ticks] { ++ticks; });
        QTRY_VERIFY(ticks >= 2);
        if (windowThreadBusy)
            QThread::msleep(30); // the next tick is now posted and waiting
        QElapsedTimer clock;
        clock.start();
        timer.reset();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
        const int after = ticks;
        QTest::qWait(20);
        QCOMPARE(ticks.load(), after);
    }
}

void TestAnimator::timerTickFailureIsShown()
{
    QStringList shown;
    QMutex shownLock;
    TRxTimer::setExceptionDisplay([&](const std::exception &error) {
        QMutexLocker lock(&shownLock);
        shown << QString::fromUtf8(error.what());
    });
    auto restore = qScopeGuard([] { TRxTimer::setExceptionDisplay(nullptr); });
    for (bool sync : {true, false}) {
        TRxTimer timer;
        timer.setSyncEvent(sync);
        timer.setInterval(5);
        std::atomic<int> ticks{0};
        timer.setOnTimer([&ticks] {
            ++ticks;
            throw EInvalidGraphicOperation(QStringLiteral("broken frame"));
        });
        // The thread carries on after a failed tick.
        QTRY_VERIFY(ticks >= 3);
        timer.setEnabled(false);
        QMutexLocker lock(&shownLock);
        QVERIFY(shown.size() >= 3);
        QCOMPARE(shown.first(), QStringLiteral("broken frame"));
        shown.clear();
    }
}

void TestAnimator::timerStopsWhenApplicationQuits()
{
    // The event loop has ended: a tick waiting for the window thread must not
    // keep the thread (and the process) alive.
    TRxTimer timer;
    timer.setInterval(5);
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    QTRY_VERIFY(ticks >= 2);
    QThread::msleep(20); // a tick is now waiting for this thread
    QElapsedTimer clock;
    clock.start();
    QVERIFY(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit", Qt::DirectConnection));
    QVERIFY(Probe::thread(timer)->isFinished());
    QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed())));
    const int after = ticks;
    QTest::qWait(30);
    QCOMPARE(ticks, after);
}

void TestAnimator::timerWindowMode()
{
    TRxTimer timer;
    timer.setThreaded(false);
    timer.setInterval(10);
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    QVERIFY(Probe::thread(timer)->suspended());
    QTRY_VERIFY(ticks >= 3);
    QCOMPARE(Probe::sleepCount(timer), 0u);

    timer.setThreaded(true);
    const int before = ticks;
    QTRY_VERIFY(Probe::sleepCount(timer) >= 2);
    QTRY_VERIFY(ticks > before);
}

void TestAnimator::timerWindowModeWithoutEventLoop()
{
    // A thread without an event dispatcher cannot give a window timer.
    QString message;
    bool raised = false;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Timers can only be used")));
    std::thread worker([&] {
        TRxTimer timer;
        timer.setThreaded(false);
        try {
            timer.setOnTimer([] {});
        } catch (const EOutOfResources &error) {
            raised = true;
            message = error.message();
        }
    });
    worker.join();
    QVERIFY(raised);
    QCOMPARE(message, QStringLiteral("Pas assez de timers disponibles"));
}

QTEST_MAIN(TestAnimator)
#include "tst_animator.moc"
