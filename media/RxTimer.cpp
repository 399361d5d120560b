#include "media/RxTimer.h"

#include "media/Exceptions.h"

#include <QCoreApplication>
#include <QTimerEvent>

#include <chrono>

namespace {

std::mutex displayLock;
using Lock = std::unique_lock<std::mutex>;
TRxTimer::ExceptionDisplay exceptionDisplay;

} // namespace

// A call handed to the window thread. It is shared between the waiting
// thread and the queued event, so neither outlives what the other needs.
struct TTimerThread::Call {
    std::function<void()> method;
    std::mutex mutex;
    std::condition_variable finished;
    bool done{false};
    bool abandoned{false};
};

TTimerThread::TTimerThread(TRxTimer *timer)
    : m_timer{timer}
{
}

TTimerThread::~TTimerThread()
{
    Terminate();
    wait();
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

void TTimerThread::Suspend()
{
    Lock lock(m_mutex);
    m_suspended = true;
}

void TTimerThread::Resume(QThread::Priority priority)
{
    Lock lock(m_mutex);
    if (m_terminated)
        return;
    m_suspended = false;
    m_wake.notify_all();
    const bool newPriority = priority != m_priority;
    m_priority = priority;
    lock.unlock();
    if (!isRunning() && !isFinished())
        start(priority);
    else if (newPriority && priority != QThread::InheritPriority && isRunning())
        setPriority(priority);
}

bool TTimerThread::Suspended() const
{
    Lock lock(m_mutex);
    return m_suspended;
}

void TTimerThread::RestartSleep()
{
    Lock lock(m_mutex);
    m_restartSleep = true;
    m_wake.notify_all();
}

void TTimerThread::Terminate()
{
    Lock lock(m_mutex);
    m_terminated = true;
    m_wake.notify_all();
    abandonPendingCall();
}

void TTimerThread::abandonPendingCall()
{
    if (!m_pending)
        return;
    Lock callLock(m_pending->mutex);
    m_pending->abandoned = true;
    m_pending->finished.notify_all();
}

bool TTimerThread::Terminated() const
{
    Lock lock(m_mutex);
    return m_terminated;
}

std::uint32_t TTimerThread::SleepInterval() const
{
    Lock lock(m_mutex);
    return m_sleepInterval;
}

std::uint64_t TTimerThread::SleepCount() const
{
    Lock lock(m_mutex);
    return m_sleepCount;
}

bool TTimerThread::stopped() const
{
    return m_terminated || m_applicationTerminating || m_timer == nullptr;
}

void TTimerThread::run()
{
    Lock lock(m_mutex);
    while (!stopped()) {
        if (m_suspended || m_interval == 0) {
            m_wake.wait(lock);
            continue;
        }
        m_sleepInterval = m_interval;
        ++m_sleepCount;
        m_restartSleep = false;
        // The deadline is fixed when the sleep begins: a new interval or a
        // suspension on the way does not restart it; only RestartSleep does.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_sleepInterval);
        while (!stopped() && !(m_restartSleep && !m_suspended)
               && (m_suspended || std::chrono::steady_clock::now() < deadline)) {
            if (m_suspended)
                m_wake.wait(lock);
            else
                m_wake.wait_until(lock, deadline);
        }
        if (stopped())
            break;
        if (m_restartSleep)
            continue;
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
        RunOnWindowThread([timer] { timer->Tick(); });
        return;
    }
    try {
        timer->Tick();
    } catch (const std::exception &error) {
        TRxTimer::showException(error);
    }
}

void TTimerThread::RunOnWindowThread(const std::function<void()> &method)
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
    lock.lock();
    // A thread that is ending drops window-thread work rather than running
    // it on the wrong thread.
    if (stopped())
        return;
    m_pending = call;
    lock.unlock();
    QMetaObject::invokeMethod(receiver, "runWindowThreadCall", Qt::QueuedConnection);

    {
        Lock callLock(call->mutex);
        while (!call->done && !call->abandoned)
            call->finished.wait(callLock);
    }
    lock.lock();
    m_pending.reset();
}

void TTimerThread::runPendingCall()
{
    std::shared_ptr<Call> call;
    {
        Lock lock(m_mutex);
        call = m_pending;
    }
    if (!call)
        return;
    {
        Lock callLock(call->mutex);
        if (call->abandoned || call->done)
            return;
    }
    try {
        call->method();
    } catch (const std::exception &error) {
        TRxTimer::showException(error);
    }
    {
        Lock callLock(call->mutex);
        call->done = true;
    }
    // Woken after the lock is let go, the waiting thread finds it free and
    // does not have to sleep on it a second time.
    call->finished.notify_all();
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
    m_thread->Terminate();
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
        m_thread->m_wake.notify_all();
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

bool TRxTimer::Paused() const
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
        m_thread->RestartSleep();
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

void TRxTimer::Tick()
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
            m_thread->Suspend();
            m_thread->setInterval(m_interval);
            if (m_interval != 0 && m_enabled && m_onTimer && !m_destroying && !m_paused)
                m_thread->Resume(m_priority);
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
        m_thread->Suspend();
        m_thread->setInterval(m_interval);
        if (run)
            m_thread->Resume(m_priority);
        return;
    }
    m_thread->Suspend();
    if (m_windowTimer != 0) {
        killTimer(m_windowTimer);
        m_windowTimer = 0;
    }
    if (run) {
        m_windowTimer = startTimer(std::chrono::milliseconds(m_interval), Qt::PreciseTimer);
        if (m_windowTimer == 0)
            throw tavlo::EOutOfResources(QStringLiteral("Pas assez de timers disponibles"));
    }
}

void TRxTimer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_windowTimer) {
        QObject::timerEvent(event);
        return;
    }
    try {
        Tick();
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
