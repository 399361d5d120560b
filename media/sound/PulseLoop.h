#pragma once

#include <pulse/mainloop-api.h>

#include <QObject>

#include <memory>
#include <vector>

namespace tavlo {

// The sound server's client library asks its host for an event loop; this
// one is the Qt event loop of the thread that creates it, so the library
// needs no thread of its own. A descriptor is watched by socket notifiers,
// a deadline by a single-shot timer, and a deferred call by a zero-interval
// timer that runs once per pass of the loop, only while it is enabled:
// nothing runs while the library waits.
//
// The library may free an event from inside that event's own callback, so
// a freed event is switched off and its destroy callback told at once, but
// its memory goes on the next pass of the event loop (or with the loop).
// Events the library never freed are released with the loop.
//
//     PulseLoop loop;
//     pa_context *context = pa_context_new(loop.api(), "name");
//     ...                                  // free the context before the loop
class PulseLoop {
public:
    PulseLoop();
    ~PulseLoop();
    PulseLoop(const PulseLoop &) = delete;
    PulseLoop &operator=(const PulseLoop &) = delete;

    pa_mainloop_api *api() { return &m_api; }
    // Events made and not yet freed by the library.
    int liveEvents() const;

private:
    struct Event;
    struct IoEvent;
    struct TimeEvent;
    struct DeferEvent;

    static pa_io_event *ioNew(pa_mainloop_api *api, int fd, pa_io_event_flags_t flags, pa_io_event_cb_t cb,
                              void *userdata);
    static pa_time_event *timeNew(pa_mainloop_api *api, const struct timeval *tv, pa_time_event_cb_t cb,
                                  void *userdata);
    static pa_defer_event *deferNew(pa_mainloop_api *api, pa_defer_event_cb_t cb, void *userdata);
    template <typename E>
    E &adopt(std::unique_ptr<E> event, void *userdata);
    void reapLater();
    void reap();

    pa_mainloop_api m_api{};
    std::vector<std::unique_ptr<Event>> m_events;
    // Receives the queued reaping; one still queued when the loop goes is
    // dropped with it.
    QObject m_anchor;
    bool m_reapPosted{false};
};

} // namespace tavlo
