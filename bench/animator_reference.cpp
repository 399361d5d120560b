// References for the idle CPU of the game's animations: a bare Qt window
// playing the same two embedded GIFs with Qt's own movie player, measured
// over the same 30 s; then the floor that the frame timers' design sets, two
// timers of 100 ms handing empty ticks to the window thread and waiting for
// them, with nothing composed or painted. Run by animator.sh.
#include "bench/Serve.h"
#include "media/Resources.h"
#include "media/RxTimer.h"

#include <QApplication>
#include <QBuffer>
#include <QLabel>
#include <QMovie>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

using tavlo::bench::processCpuSeconds;
using tavlo::bench::serveEvents;

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

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
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
    // composing and painting cost nothing.
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
    std::printf("row\treference: two frame timers of 100 ms handing empty ticks to the window thread, %d ticks in 10 s"
                "\t%.2f%% of one core\t-\n",
                ticks - ticksBefore, 100.0 * (processCpuSeconds() - before) / 10.0);
    return 0;
}
