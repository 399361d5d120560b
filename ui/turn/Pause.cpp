#include "ui/turn/Pause.h"

#include "ui/turn/Testing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

namespace tavlo {

namespace {

double g_timeScale{1.0};
bool g_quitRequested{false};
std::function<void(double)> g_recorder;

} // namespace

void Pause(double milliseconds)
{
    if (g_recorder)
        g_recorder(milliseconds);
    using Clock = std::chrono::steady_clock;
    const double wait = std::max(0.0, milliseconds * g_timeScale);
    const auto deadline = Clock::now()
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(wait));

    if (!QCoreApplication::instance()) {
        std::this_thread::sleep_until(deadline);
        return;
    }

    // Whatever is pending is served even by a zero wait, as the game's
    // frames rely on a pause to get their repaints and presses through.
    QCoreApplication::processEvents(QEventLoop::AllEvents);

    // The timer only wakes the blocking wait at the deadline; it needs no
    // slot. processEvents(flags, maxtime) is no substitute: it never sleeps.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (;;) {
        if (quitRequested())
            return;
        const auto now = Clock::now();
        if (now >= deadline)
            return;
        const double left = std::chrono::duration<double, std::milli>(deadline - now).count();
        // Rounded up, so the wake never comes early and costs a second pass.
        wake.start(int(std::ceil(left)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void quitApplication()
{
    g_quitRequested = true;
    QCoreApplication::exit(0);
}

bool quitRequested()
{
    return g_quitRequested || QCoreApplication::closingDown();
}

void testing::setPauseTimeScale(double scale)
{
    g_timeScale = scale;
}

void testing::setPauseRecorder(std::function<void(double milliseconds)> recorder)
{
    g_recorder = std::move(recorder);
}

} // namespace tavlo
