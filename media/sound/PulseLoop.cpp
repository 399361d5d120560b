#include "media/sound/PulseLoop.h"

#include <QSocketNotifier>
#include <QTimer>

#include <sys/time.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tavlo {

namespace {

// The library's deadlines are wall-clock time, or monotonic time when the
// microseconds carry its real-time marker bit.
std::int64_t msUntil(const timeval &tv)
{
    constexpr long kMonotonicMarker = 1L << 30;
    std::int64_t nowUs = 0;
    long usec = tv.tv_usec;
    if (usec & kMonotonicMarker) {
        usec &= ~kMonotonicMarker;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        nowUs = std::int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    } else {
        timeval now{};
        gettimeofday(&now, nullptr);
        nowUs = std::int64_t(now.tv_sec) * 1000000 + now.tv_usec;
    }
    const std::int64_t leftUs = std::int64_t(tv.tv_sec) * 1000000 + usec - nowUs;
    // Rounded up: a timer that fired early would only be set again.
    return leftUs <= 0 ? 0 : (leftUs + 999) / 1000;
}

} // namespace

struct PulseLoop::Event {
    PulseLoop *loop{nullptr};
    void *userdata{nullptr};
    bool dead{false};

    virtual ~Event() = default;
    virtual void switchOff() = 0;
    virtual void tellDestroyed() = 0;

    void release()
    {
        if (dead)
            return;
        dead = true;
        switchOff();
        tellDestroyed();
        loop->reapLater();
    }
};

struct PulseLoop::IoEvent : Event {
    int fd{-1};
    pa_io_event_cb_t callback{nullptr};
    pa_io_event_destroy_cb_t destroy{nullptr};
    std::unique_ptr<QSocketNotifier> read;
    std::unique_ptr<QSocketNotifier> write;

    pa_io_event *handle() { return reinterpret_cast<pa_io_event *>(this); }

    // A hang-up or an error is seen by the library itself when its next
    // read or write fails: a closed or broken socket reads as ready.
    void enable(pa_io_event_flags_t flags)
    {
        if (dead)
            return;
        watch(read, QSocketNotifier::Read, (flags & PA_IO_EVENT_INPUT) != 0, PA_IO_EVENT_INPUT);
        watch(write, QSocketNotifier::Write, (flags & PA_IO_EVENT_OUTPUT) != 0, PA_IO_EVENT_OUTPUT);
    }

    // A notifier is made on first use: two of one kind live on one socket
    // (the connecting socket's and the channel's) would upset some event
    // dispatchers.
    void watch(std::unique_ptr<QSocketNotifier> &notifier, QSocketNotifier::Type type, bool on,
               pa_io_event_flags_t what)
    {
        if (!on) {
            if (notifier)
                notifier->setEnabled(false);
            return;
        }
        if (!notifier) {
            notifier = std::make_unique<QSocketNotifier>(type);
            QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this, what] {
                if (!dead)
                    callback(&loop->m_api, handle(), fd, what, userdata);
            });
            notifier->setSocket(fd);
        }
        notifier->setEnabled(true);
    }

    void switchOff() override
    {
        if (read)
            read->setEnabled(false);
        if (write)
            write->setEnabled(false);
    }

    void tellDestroyed() override
    {
        if (destroy)
            destroy(&loop->m_api, handle(), userdata);
    }
};

struct PulseLoop::TimeEvent : Event {
    timeval when{};
    pa_time_event_cb_t callback{nullptr};
    pa_time_event_destroy_cb_t destroy{nullptr};
    QTimer timer;

    pa_time_event *handle() { return reinterpret_cast<pa_time_event *>(this); }

    // No deadline switches the event off.
    void restart(const timeval *tv)
    {
        if (dead)
            return;
        timer.stop();
        if (!tv)
            return;
        when = *tv;
        timer.start(int(std::min<std::int64_t>(msUntil(when), std::numeric_limits<int>::max())));
    }

    void fire()
    {
        if (dead)
            return;
        // The callback gets the deadline as it was given, marker and all.
        const timeval tv = when;
        callback(&loop->m_api, handle(), &tv, userdata);
    }

    void switchOff() override { timer.stop(); }

    void tellDestroyed() override
    {
        if (destroy)
            destroy(&loop->m_api, handle(), userdata);
    }
};

struct PulseLoop::DeferEvent : Event {
    pa_defer_event_cb_t callback{nullptr};
    pa_defer_event_destroy_cb_t destroy{nullptr};
    QTimer timer;

    pa_defer_event *handle() { return reinterpret_cast<pa_defer_event *>(this); }

    void enable(bool on)
    {
        if (dead)
            return;
        if (!on)
            timer.stop();
        else if (!timer.isActive())
            timer.start();
    }

    void fire()
    {
        if (!dead)
            callback(&loop->m_api, handle(), userdata);
    }

    void switchOff() override { timer.stop(); }

    void tellDestroyed() override
    {
        if (destroy)
            destroy(&loop->m_api, handle(), userdata);
    }
};

namespace {

PulseLoop &loopOf(pa_mainloop_api *api) { return *static_cast<PulseLoop *>(api->userdata); }

} // namespace

PulseLoop::PulseLoop()
{
    m_api.userdata = this;
    m_api.io_new = &ioNew;
    m_api.io_enable = [](pa_io_event *e, pa_io_event_flags_t flags) {
        reinterpret_cast<IoEvent *>(e)->enable(flags);
    };
    m_api.io_free = [](pa_io_event *e) { reinterpret_cast<IoEvent *>(e)->release(); };
    m_api.io_set_destroy = [](pa_io_event *e, pa_io_event_destroy_cb_t cb) {
        reinterpret_cast<IoEvent *>(e)->destroy = cb;
    };
    m_api.time_new = &timeNew;
    m_api.time_restart = [](pa_time_event *e, const timeval *tv) { reinterpret_cast<TimeEvent *>(e)->restart(tv); };
    m_api.time_free = [](pa_time_event *e) { reinterpret_cast<TimeEvent *>(e)->release(); };
    m_api.time_set_destroy = [](pa_time_event *e, pa_time_event_destroy_cb_t cb) {
        reinterpret_cast<TimeEvent *>(e)->destroy = cb;
    };
    m_api.defer_new = &deferNew;
    m_api.defer_enable = [](pa_defer_event *e, int on) { reinterpret_cast<DeferEvent *>(e)->enable(on != 0); };
    m_api.defer_free = [](pa_defer_event *e) { reinterpret_cast<DeferEvent *>(e)->release(); };
    m_api.defer_set_destroy = [](pa_defer_event *e, pa_defer_event_destroy_cb_t cb) {
        reinterpret_cast<DeferEvent *>(e)->destroy = cb;
    };
    // There is no loop of its own here to leave.
    m_api.quit = [](pa_mainloop_api *, int) {};
}

PulseLoop::~PulseLoop()
{
    // By index: a destroy callback may still make an event.
    for (std::size_t i = 0; i < m_events.size(); ++i)
        m_events[i]->release();
    m_events.clear();
}

int PulseLoop::liveEvents() const
{
    return int(std::count_if(m_events.begin(), m_events.end(), [](const auto &e) { return !e->dead; }));
}

template <typename E>
E &PulseLoop::adopt(std::unique_ptr<E> event, void *userdata)
{
    event->loop = this;
    event->userdata = userdata;
    E &e = *event;
    m_events.push_back(std::move(event));
    return e;
}

pa_io_event *PulseLoop::ioNew(pa_mainloop_api *api, int fd, pa_io_event_flags_t flags, pa_io_event_cb_t cb,
                              void *userdata)
{
    IoEvent &e = loopOf(api).adopt(std::make_unique<IoEvent>(), userdata);
    e.fd = fd;
    e.callback = cb;
    e.enable(flags);
    return e.handle();
}

pa_time_event *PulseLoop::timeNew(pa_mainloop_api *api, const timeval *tv, pa_time_event_cb_t cb, void *userdata)
{
    TimeEvent &e = loopOf(api).adopt(std::make_unique<TimeEvent>(), userdata);
    e.callback = cb;
    e.timer.setSingleShot(true);
    e.timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&e.timer, &QTimer::timeout, &e.timer, [&e] { e.fire(); });
    e.restart(tv);
    return e.handle();
}

pa_defer_event *PulseLoop::deferNew(pa_mainloop_api *api, pa_defer_event_cb_t cb, void *userdata)
{
    DeferEvent &e = loopOf(api).adopt(std::make_unique<DeferEvent>(), userdata);
    e.callback = cb;
    e.timer.setInterval(0);
    QObject::connect(&e.timer, &QTimer::timeout, &e.timer, [&e] { e.fire(); });
    e.enable(true); // a deferred event is born enabled
    return e.handle();
}

void PulseLoop::reapLater()
{
    if (m_reapPosted)
        return;
    m_reapPosted = true;
    QMetaObject::invokeMethod(&m_anchor, [this] { reap(); }, Qt::QueuedConnection);
}

void PulseLoop::reap()
{
    m_reapPosted = false;
    std::erase_if(m_events, [](const std::unique_ptr<Event> &e) { return e->dead; });
}

} // namespace tavlo
