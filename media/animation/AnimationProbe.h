#pragma once

// What the animation classes are doing inside, for tests and benchmarks
// only: the game never includes this header. Every read takes the lock the
// class itself takes for that state.

#include "media/animation/FrameComposer.h"
#include "media/animation/GIFCtrl.h"
#include "media/animation/RxTimer.h"

#include <QImage>
#include <QMutexLocker>

#include <cstdint>
#include <mutex>

namespace tavlo::testing {

class AnimationProbe {
public:
    // The frame the composer's cached picture shows; -1 for none.
    static int cacheIndex(const FrameComposer &composer) { return composer.m_cacheIndex; }
    // How many compositions started from scratch, and the first frame the
    // latest of them drew from.
    static std::uint64_t fullCompositions(const FrameComposer &composer) { return composer.m_fullCompositions; }
    static int lastStartFrame(const FrameComposer &composer) { return composer.m_lastStartFrame; }

    static TRxTimer &timer(TRxGIFAnimator &animator) { return *animator.m_timer; }
    static int cacheIndex(const TRxGIFAnimator &animator)
    {
        QMutexLocker lock(&animator.ControlLock);
        return cacheIndex(animator.m_composer);
    }
    static QImage frameCache(const TRxGIFAnimator &animator)
    {
        QMutexLocker lock(&animator.ControlLock);
        return animator.m_composer.cache();
    }
    // The picture composed last for the screen's stream: the twice-size
    // rendering's with twice, as drawn (key pixels clear).
    static QImage composed(const TRxGIFAnimator &animator, bool twice)
    {
        QMutexLocker lock(&animator.ControlLock);
        return (twice ? animator.m_twinComposer : animator.m_composer).m_cache;
    }
    static std::uint64_t fullCompositions(const TRxGIFAnimator &animator)
    {
        QMutexLocker lock(&animator.ControlLock);
        return fullCompositions(animator.m_composer);
    }
    static int lastStartFrame(const TRxGIFAnimator &animator)
    {
        QMutexLocker lock(&animator.ControlLock);
        return lastStartFrame(animator.m_composer);
    }
    // True once the twice-size rendering has been read (a scaled surface
    // was painted).
    static bool twinLoaded(const TRxGIFAnimator &animator)
    {
        QMutexLocker lock(&animator.ControlLock);
        return !animator.m_twin.Empty();
    }

    static TTimerThread *thread(const TRxTimer &timer) { return timer.m_thread.get(); }
    // The interval of the pacing thread's sleep in progress (or its last
    // one), and how many sleeps it has begun.
    static std::uint32_t sleepInterval(const TRxTimer &timer)
    {
        std::lock_guard lock(timer.m_thread->m_mutex);
        return timer.m_thread->m_sleepInterval;
    }
    static std::uint64_t sleepCount(const TRxTimer &timer)
    {
        std::lock_guard lock(timer.m_thread->m_mutex);
        return timer.m_thread->m_sleepCount;
    }
    static std::optional<TTimerThread::Clock::time_point> sleepEnd(const TRxTimer &timer)
    {
        std::lock_guard lock(timer.m_thread->m_mutex);
        return timer.m_thread->m_deadline;
    }
};

} // namespace tavlo::testing
