// Heap allocations of the two animations, counted exactly (independent of
// the machine's load): per tick (composing the next frame and repainting
// what it changes, Qt's repaint included) and per paint of a frame by the
// control itself, over two rounds of both GIFs once a round has played.
// Runs on Qt's offscreen platform unless another one is chosen. Prints rows
// as row<TAB>metric<TAB>value<TAB>target.

#include "media/animation/GIFCtrl.h"
#include "tests/support/Backdrop.h"

#include <QApplication>
#include <QPainter>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <cstdlib>

extern "C" void *__libc_malloc(std::size_t);
extern "C" void *__libc_calloc(std::size_t, std::size_t);
extern "C" void *__libc_realloc(void *, std::size_t);

namespace {
std::atomic<long> allocations{0};
}

// Every allocation of the process, Qt's included, goes through these.
extern "C" void *malloc(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
extern "C" void *calloc(std::size_t count, std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
extern "C" void *realloc(void *block, std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(block, size);
}

namespace {

// Opens the control's own painting to the count.
class Animation : public TRxGIFAnimator {
public:
    using TRxGIFAnimator::TRxGIFAnimator;
    void paintOn(QPainter &canvas) { PaintFrame(canvas, size()); }
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tavlo::test::Backdrop window({800, 600}, [](int x, int y) { return qRgb(x * 255 / 800, y * 255 / 600, 96); });
    auto *title = new Animation(&window);
    title->setGeometry(200, 4, 400, 70);
    title->setImageResource(QStringLiteral("TITLE"));
    auto *character = new Animation(&window);
    character->setGeometry(184, 464, 90, 115);
    character->setImageResource(QStringLiteral("CHARACTER"));
    character->setStretch(true);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 5000))
        return 1;
    Animation *const animations[] = {title, character};
    const auto rounds = [&](int count, auto &&step) {
        for (int i = 0; i < count * 20; ++i)
            for (Animation *animation : animations)
                step(*animation);
    };
    rounds(1, [](Animation &animation) { animation.AdvanceFrame(); });

    long before = allocations.load();
    rounds(2, [](Animation &animation) { animation.AdvanceFrame(); });
    std::printf("row\tanimations: heap allocations per tick (compose and repaint), both GIFs\t%.1f\t-\n",
                double(allocations.load() - before) / 80.0);

    // The control's own drawing of its frame, on a painter already open.
    QImage surface(window.size(), QImage::Format_ARGB32_Premultiplied);
    QPainter canvas(&surface);
    long inPaint = 0;
    rounds(2, [&canvas, &inPaint](Animation &animation) {
        animation.AdvanceFrame();
        canvas.translate(animation.pos());
        const long start = allocations.load();
        animation.paintOn(canvas);
        inPaint += allocations.load() - start;
        canvas.resetTransform();
    });
    std::printf("row\tanimations: heap allocations per paint of a frame by the control, both GIFs\t%.1f\t0\n",
                double(inPaint) / 80.0);
    return 0;
}
