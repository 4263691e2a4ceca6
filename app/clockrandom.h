#pragma once

#include "core/services.h"

#include <random>

namespace mulo {

// The production random source: a standard generator, reseeded from the high-resolution
// clock at every random pick.
class ClockRandom : public RandomSource {
public:
    ClockRandom();
    void reseedFromClock() override;
    double next() override;

private:
    std::mt19937_64 m_engine;
    std::uint64_t m_reseeds = 0;
};

} // namespace mulo
