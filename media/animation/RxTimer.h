#pragma once

// A timer whose ticks are paced by a background thread (or, if asked, by an
// ordinary window timer) and, by default, carried out on the window thread.

#include <QObject>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class TRxTimer;

namespace tavlo::testing {
class AnimationProbe;
}

// The pacing thread of one TRxTimer. It sleeps for its own copy of the
// interval, give or take 5 % to tick together with other timers, then
// ticks. Every wait in it (suspension, sleep, a call handed
// to the window thread) ends at once when the thread is told to terminate,
// so whoever ends it never waits longer than one tick.
//
// The thread blocks on one kernel alarm, set under m_mutex by whoever
// changes what it waits for. When a tick handed to the window thread
// returns, the window thread itself begins the next sleep and sets the alarm
// to its end: the pacing thread wakes once per tick, not once more to hear
// that the tick is done.
class TTimerThread : public QThread {
    Q_OBJECT

public:
    using Clock = std::chrono::steady_clock;

    explicit TTimerThread(TRxTimer *timer);
    ~TTimerThread() override;

    // The interval of the next sleep; the sleep in progress keeps its own.
    void setInterval(std::uint32_t ms);
    std::uint32_t Interval() const;

    // Suspension freezes the ticking, not the clock: a sleep that ran out
    // while suspended ticks as soon as the thread is resumed. The first
    // resume starts the thread (it is created suspended).
    void suspend();
    void resume(QThread::Priority priority = QThread::InheritPriority);
    bool suspended() const;
    // Drops the sleep in progress: once running, the thread begins a whole
    // new one before it ticks again.
    void restartSleep();

    // Asks the thread to end; it stops after its current step. Hides
    // QThread::terminate on purpose: nothing here ever kills the thread.
    void terminate();
    bool terminated() const;

    // Runs method on the window thread and waits until it has returned. On
    // the window thread itself the method runs directly; once the thread is
    // terminating, a call from elsewhere is dropped.
    void RunOnWindowThread(const std::function<void()> &method);

protected:
    void run() override;

private:
    struct Call;
    // Both with m_mutex held.
    bool stopped() const;
    void abandonPendingCall();
    // On the window thread: runs the call the thread is waiting for.
    void runPendingCall();
    void tick();
    void handToWindowThread(const std::function<void()> &method, bool beginsSleep);
    // With m_mutex held: the sleep begins now, for the current interval.
    void beginSleep();
    // The alarm, with m_mutex held. wakeUp makes the thread look again at
    // what it waits for; waitForAlarm lets go of the lock until the alarm
    // goes off at the deadline, or at once after a wakeUp (no deadline:
    // only a wakeUp ends the wait).
    void setAlarm(std::optional<Clock::time_point> deadline);
    void wakeUp();
    void waitForAlarm(std::unique_lock<std::mutex> &lock, std::optional<Clock::time_point> deadline);

    // Every piece of shared state is under m_mutex; the alarm only wakes.
    mutable std::mutex m_mutex;
    int m_alarm{-1};
    TRxTimer *m_timer{nullptr};
    std::uint32_t m_interval{1000};
    // Read by tests only: the interval of the sleep in progress (or the
    // last one) and how many sleeps have begun.
    std::uint32_t m_sleepInterval{0};
    std::uint64_t m_sleepCount{0};
    // The end of the sleep in progress, if one is.
    std::optional<Clock::time_point> m_deadline;
    QThread::Priority m_priority{QThread::InheritPriority};
    bool m_suspended{true};
    bool m_restartSleep{false};
    bool m_terminated{false};
    bool m_applicationTerminating{false};
    std::shared_ptr<Call> m_pending;
    friend class TRxTimer;
    friend class tavlo::testing::AnimationProbe;
};

class TRxTimer : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(uint Interval READ Interval WRITE setInterval)
    Q_PROPERTY(bool SyncEvent READ SyncEvent WRITE setSyncEvent)
    Q_PROPERTY(bool Threaded READ Threaded WRITE setThreaded)

public:
    using TNotifyEvent = std::function<void()>;
    // Shows a failure that a tick raised where nobody could catch it.
    using ExceptionDisplay = std::function<void(const std::exception &)>;

    explicit TRxTimer(QObject *owner = nullptr);
    ~TRxTimer() override;

    bool Enabled() const;
    void setEnabled(bool value);
    // Milliseconds; 0 keeps the timer from ticking.
    std::uint32_t Interval() const;
    void setInterval(std::uint32_t value);
    // True: the tick runs on the window thread while the pacing thread waits
    // for it. False: the tick runs on the pacing thread.
    bool SyncEvent() const;
    void setSyncEvent(bool value);
    // True: paced by the background thread; false: by a window timer.
    bool Threaded() const;
    void setThreaded(bool value);
    QThread::Priority ThreadPriority() const;
    void setThreadPriority(QThread::Priority value);
    // True while nothing the ticks drive can be seen: the timer neither
    // sleeps nor ticks, its thread does not wake, Enabled is left as it is.
    // Cleared, it waits a whole interval before the next tick.
    bool paused() const;
    void setPaused(bool value);

    bool hasOnTimer() const;
    void setOnTimer(TNotifyEvent handler);

    // One tick: calls OnTimer when enabled, not paused, assigned and not being
    // destroyed.
    void tick();

    // Where failures of ticks are shown; the default prints them on stderr.
    static void setExceptionDisplay(ExceptionDisplay display);
    static void showException(const std::exception &error);

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    friend class tavlo::testing::AnimationProbe;

    Q_INVOKABLE void runWindowThreadCall();
    void ApplyTimerSettings();
    void stopThreadForQuit();

    mutable std::mutex m_lock;
    bool m_enabled{true};
    std::uint32_t m_interval{1000};
    bool m_syncEvent{true};
    bool m_threaded{true};
    QThread::Priority m_priority{QThread::NormalPriority};
    bool m_paused{false};
    TNotifyEvent m_onTimer;
    bool m_destroying{false};
    int m_windowTimer{0};
    std::unique_ptr<TTimerThread> m_thread;
};
