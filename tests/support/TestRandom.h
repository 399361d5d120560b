#pragma once

#include "game/Random.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <utility>

namespace tavlo {

// Plays back a fixed list of draws, then zeros, and notes what it was asked.
// Lets a test choose the starting layout and the computer's tie-breaks, count
// the draws made, and see the moment the computer chooses (it draws then).
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(std::deque<int> draws = {})
        : m_draws(std::move(draws))
    {
    }
    int draw(int n) override
    {
        ++m_used;
        m_otherThanCoin = m_otherThanCoin || n != 2;
        if (onDraw)
            onDraw();
        if (m_draws.empty()) {
            m_ranDry = true;
            return 0;
        }
        const int value = m_draws.front();
        m_draws.pop_front();
        return value % n;
    }

    // Called at every draw, before it is made.
    std::function<void()> onDraw;

    int used() const { return m_used; }
    std::size_t left() const { return m_draws.size(); }
    bool ranDry() const { return m_ranDry; }
    // Whether any draw was asked for other than out of two.
    bool otherThanCoin() const { return m_otherThanCoin; }

private:
    std::deque<int> m_draws;
    int m_used{0};
    bool m_ranDry{false};
    bool m_otherThanCoin{false};
};

} // namespace tavlo
