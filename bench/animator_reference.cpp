// References for the idle CPU of the game's animations: a bare Qt window
// playing the same two embedded GIFs with Qt's own movie player, measured
// over the same 30 s; then the floor that the frame timers' design sets, two
// timers of 100 ms handing empty ticks to the window thread and waiting for
// them, with nothing composed or painted; and the floor of Qt's own
// painting, the same frames composed beforehand and repainted, only where
// they change, from two plain Qt timers on the window thread. Run by
// animator.sh; with --floor, only that last window, for windows.sh.
#include "bench/Serve.h"
#include "media/pictures/Resources.h"
#include "media/animation/RxTimer.h"
#include "tests/support/Backdrop.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QMovie>
#include <QPainter>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using tavlo::bench::processCpuSeconds;
using tavlo::bench::serveEvents;
using tavlo::test::Backdrop;

QMovie *play(QWidget *window, const QString &name, const QRect &where, QByteArray &bytes)
{
    bytes = tavlo::resourceBytes(QStringLiteral("GIF"), name);
    auto *buffer = new QBuffer(&bytes, window);
    auto *movie = new QMovie(buffer, QByteArray("gif"), window);
    auto *label = new QLabel(window);
    label->setGeometry(where);
    label->setScaledContents(true);
    label->setMovie(movie);
    movie->start();
    return movie;
}

// One GIF, every frame composed once by Qt's movie player, then shown by a
// Qt timer that repaints the part that differs from the frame before.
class Prepainted : public QWidget {
public:
    Prepainted(QWidget *window, const QString &name, const QRect &where)
        : QWidget{window}
    {
        QByteArray bytes = tavlo::resourceBytes(QStringLiteral("GIF"), name);
        QBuffer buffer(&bytes);
        QMovie movie(&buffer, QByteArray("gif"));
        for (int i = 0; i < movie.frameCount() && movie.jumpToFrame(i); ++i)
            m_frames.push_back(
                movie.currentImage().scaled(where.size()).convertToFormat(QImage::Format_ARGB32_Premultiplied));
        for (std::size_t i = 0; i < m_frames.size(); ++i)
            m_changes.push_back(difference(m_frames[(i + m_frames.size() - 1) % m_frames.size()], m_frames[i]));
        setGeometry(where);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_index = (m_index + 1) % m_frames.size();
            repaint(m_changes[m_index]);
        });
        if (m_frames.size() > 1)
            m_timer.start(100);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        const QRect part = event->rect();
        painter.drawImage(part, m_frames[m_index], part);
    }

private:
    static QRect difference(const QImage &a, const QImage &b)
    {
        QRect changed;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    changed |= QRect(x, y, 1, 1);
        return changed;
    }

    std::vector<QImage> m_frames;
    std::vector<QRect> m_changes;
    std::size_t m_index{0};
    QTimer m_timer;
};

// Qt's own repaint floor, shown until the process is killed: windows.sh
// reads its CPU and wake-ups from outside, as it reads the game's.
int showFloor()
{
    Backdrop backdrop({800, 600}, [](int x, int y) { return qRgb(x * 255 / 800, y * 255 / 600, 96); });
    backdrop.setFixedSize(800, 600);
    Prepainted title(&backdrop, QStringLiteral("TITLE"), QRect(200, 4, 400, 70));
    Prepainted character(&backdrop, QStringLiteral("CHARACTER"), QRect(184, 464, 90, 115));
    backdrop.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--floor")
        return showFloor();
    auto window = std::make_unique<QWidget>();
    window->setFixedSize(800, 600);
    window->setStyleSheet(QStringLiteral("background: #803060;"));
    QByteArray title, character;
    play(window.get(), QStringLiteral("TITLE"), QRect(200, 4, 400, 70), title);
    play(window.get(), QStringLiteral("CHARACTER"), QRect(184, 464, 90, 115), character);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get(), 5000))
        return 1;
    serveEvents(2000);
    const double cpu = processCpuSeconds();
    serveEvents(30000);
    std::printf("row\treference: bare Qt window, QMovie playing both GIFs, 30 s\t%.2f%% of one core\t-\n",
                100.0 * (processCpuSeconds() - cpu) / 30.0);
    // Closing the window would leave both movies decoding and ticking
    // behind it, and the floor below would count them.
    window.reset();

    // The hand-over alone: what is left of the game's in-game CPU once
    // composing and painting cost nothing. The timers are gone before the
    // next measurement.
    {
        int ticks = 0;
        TRxTimer timers[2];
        for (TRxTimer &timer : timers) {
            timer.setInterval(100);
            timer.setOnTimer([&ticks] { ++ticks; });
        }
        serveEvents(2000);
        const double before = processCpuSeconds();
        const int ticksBefore = ticks;
        // As long as the game's own in-game row, to be read beside it.
        serveEvents(10000);
        std::printf("row\treference: two frame timers of 100 ms handing empty ticks to the window thread,"
                    " %d ticks in 10 s\t%.2f%% of one core\t-\n",
                    ticks - ticksBefore, 100.0 * (processCpuSeconds() - before) / 10.0);
    }

    // Qt's own floor for the same pictures: no thread, no composing, only
    // the repaint of what each frame changes, as long as the game's row.
    {
        // An 800 x 600 window with a picture behind the animations, as the game has.
        Backdrop backdrop({800, 600}, [](int x, int y) { return qRgb(x * 255 / 800, y * 255 / 600, 96); });
        backdrop.setFixedSize(800, 600);
        Prepainted title(&backdrop, QStringLiteral("TITLE"), QRect(200, 4, 400, 70));
        Prepainted character(&backdrop, QStringLiteral("CHARACTER"), QRect(184, 464, 90, 115));
        backdrop.show();
        if (!QTest::qWaitForWindowExposed(&backdrop, 5000))
            return 1;
        serveEvents(2000);
        const double before = processCpuSeconds();
        serveEvents(10000);
        std::printf("row\treference: bare Qt window repainting what changes of the same frames, composed"
                    " beforehand, from two Qt timers, 10 s\t%.2f%% of one core\t-\n",
                    100.0 * (processCpuSeconds() - before) / 10.0);
    }
    return 0;
}
