#include "game/Random.h"

#include <chrono>

namespace tavlo {

ClockRandom::ClockRandom()
    : m_engine(unsigned(std::chrono::system_clock::now().time_since_epoch().count()))
{
}

ClockRandom::ClockRandom(unsigned seed)
    : m_engine(seed)
{
}

int ClockRandom::draw(int n)
{
    if (n <= 1)
        return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(m_engine);
}

} // namespace tavlo
