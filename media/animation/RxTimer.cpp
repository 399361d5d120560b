#include "media/animation/RxTimer.h"

#include "media/base/Exceptions.h"

#include <QCoreApplication>
#include <QTimerEvent>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include <sys/timerfd.h>
#include <unistd.h>

namespace {

std::mutex displayLock;
using Lock = std::unique_lock<std::mutex>;
TRxTimer::ExceptionDisplay exceptionDisplay;

// The system gave no timer, a window timer or the pacing thread's alarm.
[[noreturn]] void throwOutOfTimers()
{
    throw tavlo::EOutOfResources(QStringLiteral("Pas assez de timers disponibles"));
}

// Like Qt's own default timers, a sleep is coarse: its end moves by up to 5 %
// of the interval toward the nearest whole multiple of the interval on the
// monotonic clock. Timers of one interval soon end their sleeps at the same
// moments, however their ticks were spread and however long they take, so
// the window thread wakes and repaints once for all of them, not once each.
TTimerThread::Clock::time_point coarseDeadline(TTimerThread::Clock::time_point now, std::chrono::milliseconds interval)
{
    using std::chrono::nanoseconds;
    const nanoseconds whole = interval;
    const TTimerThread::Clock::time_point end = now + whole;
    if (whole.count() <= 0)
        return end;
    const nanoseconds past = end.time_since_epoch() % whole;
    const nanoseconds toNearest = past * 2 <= whole ? -past : whole - past;
    const nanoseconds slack = whole / 20;
    return end + std::clamp(toNearest, -slack, slack);
}

} // namespace

// A call handed to the window thread. It is shared between the waiting
// thread and the queued event, so neither outlives what the other needs.
// Its flags are under the thread's m_mutex.
struct TTimerThread::Call {
    std::function<void()> method;
    // A tick: once it has returned, its thread's next sleep begins.
    bool beginsSleep{false};
    bool done{false};
    bool abandoned{false};
};

TTimerThread::TTimerThread(TRxTimer *timer)
    : m_alarm{::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC)}
    , m_timer{timer}
{
    if (m_alarm < 0)
        throwOutOfTimers();
}

TTimerThread::~TTimerThread()
{
    terminate();
    wait();
    ::close(m_alarm);
}

void TTimerThread::setAlarm(std::optional<Clock::time_point> deadline)
{
    // Zero disarms; a deadline already past goes off at once.
    itimerspec when{};
    if (deadline) {
        const auto ns = std::max<std::int64_t>(
            1, std::chrono::duration_cast<std::chrono::nanoseconds>(deadline->time_since_epoch()).count());
        when.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        when.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    // steady_clock reads CLOCK_MONOTONIC, the alarm's clock.
    ::timerfd_settime(m_alarm, TFD_TIMER_ABSTIME, &when, nullptr);
}

void TTimerThread::wakeUp()
{
    setAlarm(Clock::time_point{});
}

void TTimerThread::waitForAlarm(Lock &lock, std::optional<Clock::time_point> deadline)
{
    // Set under the lock: a wakeUp after it (also under the lock) replaces
    // it and ends the read below at once, so no wake-up is lost.
    setAlarm(deadline);
    lock.unlock();
    std::uint64_t expirations = 0;
    while (::read(m_alarm, &expirations, sizeof expirations) < 0 && errno == EINTR) {
    }
    lock.lock();
}

void TTimerThread::setInterval(std::uint32_t ms)
{
    Lock lock(m_mutex);
    m_interval = ms;
}

std::uint32_t TTimerThread::Interval() const
{
    Lock lock(m_mutex);
    return m_interval;
}

void TTimerThread::suspend()
{
    Lock lock(m_mutex);
    m_suspended = true;
}

void TTimerThread::resume(QThread::Priority priority)
{
    Lock lock(m_mutex);
    if (m_terminated)
        return;
    m_suspended = false;
    wakeUp();
    const bool newPriority = priority != m_priority;
    m_priority = priority;
    lock.unlock();
    if (!isRunning() && !isFinished())
        start(priority);
    else if (newPriority && priority != QThread::InheritPriority && isRunning())
        setPriority(priority);
}

bool TTimerThread::suspended() const
{
    Lock lock(m_mutex);
    return m_suspended;
}

void TTimerThread::restartSleep()
{
    Lock lock(m_mutex);
    m_restartSleep = true;
    wakeUp();
}

void TTimerThread::terminate()
{
    Lock lock(m_mutex);
    m_terminated = true;
    wakeUp();
    abandonPendingCall();
}

void TTimerThread::abandonPendingCall()
{
    if (m_pending)
        m_pending->abandoned = true;
}

bool TTimerThread::terminated() const
{
    Lock lock(m_mutex);
    return m_terminated;
}

bool TTimerThread::stopped() const
{
    return m_terminated || m_applicationTerminating || m_timer == nullptr;
}

void TTimerThread::beginSleep()
{
    m_sleepInterval = m_interval;
    ++m_sleepCount;
    m_restartSleep = false;
    // The deadline is fixed when the sleep begins: a new interval or a
    // suspension on the way does not move it; only restartSleep does.
    m_deadline = coarseDeadline(Clock::now(), std::chrono::milliseconds(m_sleepInterval));
}

void TTimerThread::run()
{
    Lock lock(m_mutex);
    while (!stopped()) {
        if (m_restartSleep && !m_suspended)
            m_deadline.reset();
        if (!m_deadline) {
            if (m_suspended || m_interval == 0) {
                waitForAlarm(lock, std::nullopt);
                continue;
            }
            beginSleep();
        }
        // A sleep that runs out while the thread is suspended ticks as soon
        // as it is resumed.
        if (m_suspended) {
            waitForAlarm(lock, std::nullopt);
            continue;
        }
        if (Clock::now() < *m_deadline) {
            waitForAlarm(lock, m_deadline);
            continue;
        }
        m_deadline.reset();
        lock.unlock();
        tick();
        lock.lock();
    }
}

void TTimerThread::tick()
{
    TRxTimer *timer = nullptr;
    {
        Lock lock(m_mutex);
        timer = m_timer;
    }
    // The owner clears m_timer and then joins this thread before it goes
    // away, so the pointer stays good for the rest of this step.
    if (timer == nullptr || !timer->Enabled())
        return;
    if (timer->SyncEvent()) {
        handToWindowThread([timer] { timer->tick(); }, true);
        return;
    }
    try {
        timer->tick();
    } catch (const std::exception &error) {
        TRxTimer::showException(error);
    }
}

void TTimerThread::RunOnWindowThread(const std::function<void()> &method)
{
    handToWindowThread(method, false);
}

void TTimerThread::handToWindowThread(const std::function<void()> &method, bool beginsSleep)
{
    Lock lock(m_mutex);
    TRxTimer *receiver = m_timer;
    lock.unlock();
    if (receiver == nullptr || QThread::currentThread() == receiver->thread()) {
        method();
        return;
    }

    // The posted event carries nothing: the call itself goes through
    // m_pending, under our own lock. The event is posted to the timer object,
    // so if the timer is destroyed before the window thread gets to it, Qt
    // drops it. The wait below also ends when this thread is told to
    // terminate, so a window thread that is destroying the timer (or has left
    // its event loop) never deadlocks against us.
    auto call = std::make_shared<Call>();
    call->method = method;
    call->beginsSleep = beginsSleep;
    lock.lock();
    // A thread that is ending drops window-thread work rather than running
    // it on the wrong thread.
    if (stopped())
        return;
    m_pending = call;
    lock.unlock();
    QMetaObject::invokeMethod(receiver, "runWindowThreadCall", Qt::QueuedConnection);

    lock.lock();
    while (!call->done && !call->abandoned)
        waitForAlarm(lock, std::nullopt);
    m_pending.reset();
}

void TTimerThread::runPendingCall()
{
    std::shared_ptr<Call> call;
    {
        Lock lock(m_mutex);
        call = m_pending;
        if (!call || call->abandoned || call->done)
            return;
    }
    try {
        call->method();
    } catch (const std::exception &error) {
        TRxTimer::showException(error);
    }
    Lock lock(m_mutex);
    call->done = true;
    // After a tick its thread would only wake to begin the next sleep:
    // begin it here, and the alarm wakes the thread when it ends.
    if (call->beginsSleep && !call->abandoned && !m_suspended && m_interval != 0) {
        beginSleep();
        setAlarm(m_deadline);
    } else {
        wakeUp();
    }
}

TRxTimer::TRxTimer(QObject *owner)
    : QObject{owner}
    , m_thread{std::make_unique<TTimerThread>(this)}
{
    if (auto *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TRxTimer::stopThreadForQuit);
}

TRxTimer::~TRxTimer()
{
    {
        Lock lock(m_lock);
        m_destroying = true;
        m_enabled = false;
        m_onTimer = nullptr;
    }
    if (m_windowTimer != 0) {
        killTimer(m_windowTimer);
        m_windowTimer = 0;
    }
    {
        Lock lock(m_thread->m_mutex);
        m_thread->m_timer = nullptr;
    }
    m_thread->terminate();
    m_thread->wait();
}

void TRxTimer::runWindowThreadCall()
{
    m_thread->runPendingCall();
}

void TRxTimer::stopThreadForQuit()
{
    {
        Lock lock(m_thread->m_mutex);
        m_thread->m_applicationTerminating = true;
        m_thread->wakeUp();
        m_thread->abandonPendingCall();
    }
    m_thread->wait();
    if (m_windowTimer != 0) {
        killTimer(m_windowTimer);
        m_windowTimer = 0;
    }
}

bool TRxTimer::Enabled() const
{
    Lock lock(m_lock);
    return m_enabled;
}

void TRxTimer::setEnabled(bool value)
{
    {
        Lock lock(m_lock);
        if (m_enabled == value)
            return;
        m_enabled = value;
    }
    ApplyTimerSettings();
}

std::uint32_t TRxTimer::Interval() const
{
    Lock lock(m_lock);
    return m_interval;
}

void TRxTimer::setInterval(std::uint32_t value)
{
    {
        Lock lock(m_lock);
        if (m_interval == value)
            return;
        m_interval = value;
    }
    ApplyTimerSettings();
}

bool TRxTimer::SyncEvent() const
{
    Lock lock(m_lock);
    return m_syncEvent;
}

void TRxTimer::setSyncEvent(bool value)
{
    Lock lock(m_lock);
    m_syncEvent = value;
}

bool TRxTimer::Threaded() const
{
    Lock lock(m_lock);
    return m_threaded;
}

void TRxTimer::setThreaded(bool value)
{
    {
        Lock lock(m_lock);
        if (m_threaded == value)
            return;
        m_threaded = value;
    }
    ApplyTimerSettings();
}

QThread::Priority TRxTimer::ThreadPriority() const
{
    Lock lock(m_lock);
    return m_priority;
}

void TRxTimer::setThreadPriority(QThread::Priority value)
{
    bool threaded = false;
    {
        Lock lock(m_lock);
        if (m_priority == value)
            return;
        m_priority = value;
        threaded = m_threaded;
    }
    if (threaded)
        ApplyTimerSettings();
}

bool TRxTimer::paused() const
{
    Lock lock(m_lock);
    return m_paused;
}

void TRxTimer::setPaused(bool value)
{
    {
        Lock lock(m_lock);
        if (m_paused == value)
            return;
        m_paused = value;
    }
    // The frame on screen when ticking comes back stays its whole interval.
    if (!value)
        m_thread->restartSleep();
    ApplyTimerSettings();
}

bool TRxTimer::hasOnTimer() const
{
    Lock lock(m_lock);
    return bool(m_onTimer);
}

void TRxTimer::setOnTimer(TNotifyEvent handler)
{
    bool changed = false;
    {
        Lock lock(m_lock);
        changed = bool(m_onTimer) != bool(handler);
        m_onTimer = std::move(handler);
    }
    if (changed)
        ApplyTimerSettings();
}

void TRxTimer::tick()
{
    TNotifyEvent handler;
    {
        Lock lock(m_lock);
        // A tick already handed to the window thread when the timer was
        // paused is dropped like one after disabling.
        if (!m_enabled || m_paused || m_destroying || !m_onTimer)
            return;
        handler = m_onTimer;
    }
    handler();
}

void TRxTimer::ApplyTimerSettings()
{
    if (QThread::currentThread() != thread()) {
        // Window timers belong to the timer's own thread; a change made on
        // the pacing thread (a tick that sets the next interval) only needs
        // the thread's settings, anything else is carried over.
        if (Threaded()) {
            Lock lock(m_lock);
            m_thread->suspend();
            m_thread->setInterval(m_interval);
            if (m_interval != 0 && m_enabled && m_onTimer && !m_destroying && !m_paused)
                m_thread->resume(m_priority);
        } else {
            QMetaObject::invokeMethod(this, &TRxTimer::ApplyTimerSettings, Qt::QueuedConnection);
        }
        return;
    }

    Lock lock(m_lock);
    const bool run = m_interval != 0 && m_enabled && m_onTimer && !m_destroying && !m_paused;
    if (m_threaded) {
        if (m_windowTimer != 0) {
            killTimer(m_windowTimer);
            m_windowTimer = 0;
        }
        m_thread->suspend();
        m_thread->setInterval(m_interval);
        if (run)
            m_thread->resume(m_priority);
        return;
    }
    m_thread->suspend();
    if (m_windowTimer != 0) {
        killTimer(m_windowTimer);
        m_windowTimer = 0;
    }
    if (run) {
        m_windowTimer = startTimer(std::chrono::milliseconds(m_interval), Qt::PreciseTimer);
        if (m_windowTimer == 0)
            throwOutOfTimers();
    }
}

void TRxTimer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_windowTimer) {
        QObject::timerEvent(event);
        return;
    }
    try {
        tick();
    } catch (const std::exception &error) {
        showException(error);
    }
}

void TRxTimer::setExceptionDisplay(ExceptionDisplay display)
{
    Lock lock(displayLock);
    exceptionDisplay = std::move(display);
}

void TRxTimer::showException(const std::exception &error)
{
    ExceptionDisplay display;
    {
        Lock lock(displayLock);
        display = exceptionDisplay;
    }
    if (display)
        display(error);
    else
        qWarning("%s", error.what());
}
