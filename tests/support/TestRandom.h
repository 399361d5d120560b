#pragma once

#include "game/Random.h"

#include <deque>
#include <utility>

namespace tavlo {

// Plays back a fixed list of draws, then zeros. Lets a window test choose
// the starting layout and the computer's tie-breaks.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(std::deque<int> draws = {})
        : m_draws(std::move(draws))
    {
    }
    int draw(int n) override
    {
        if (m_draws.empty())
            return 0;
        const int value = m_draws.front();
        m_draws.pop_front();
        return value % n;
    }

private:
    std::deque<int> m_draws;
};

} // namespace tavlo
