#pragma once

#include <random>

namespace tavlo {

// The game's source of chance: the starting layout and the computer's
// tie-breaks. Injected so tests can script every draw.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniform draw in 0..n-1; n is at least 1.
    virtual int draw(int n) = 0;
};

// The program's one generator, seeded from the clock once when made.
class ClockRandom : public RandomSource {
public:
    ClockRandom();
    explicit ClockRandom(unsigned seed);
    int draw(int n) override;

private:
    std::mt19937 m_engine;
};

} // namespace tavlo
