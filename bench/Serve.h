#pragma once

#include <QEventLoop>
#include <QTimer>

#include <ctime>

namespace tavlo::bench {

// Serves the window thread's events for ms milliseconds, sleeping between
// them as the game's own event loop does. QTest::qWait is no substitute
// here: it wakes every 10 ms to look for events, which costs CPU that the
// game does not spend and delays every event by up to 10 ms.
inline void serveEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// CPU time of the whole process, every thread included, in seconds.
inline double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

} // namespace tavlo::bench
