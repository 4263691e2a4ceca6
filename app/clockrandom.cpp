#include "clockrandom.h"

#include <chrono>

namespace mulo {

ClockRandom::ClockRandom()
{
    reseedFromClock();
}

void ClockRandom::reseedFromClock()
{
    // The clock alone could repeat for two picks within its resolution; the reseed count
    // keeps their starting states apart.
    const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    const auto bits = std::uint64_t(ticks);
    std::seed_seq start{std::uint32_t(bits), std::uint32_t(bits >> 32), std::uint32_t(++m_reseeds)};
    m_engine = std::mt19937_64(start);
}

double ClockRandom::next()
{
    // 53 random bits: every value is a multiple of 2^-53 below 1.
    return double(m_engine() >> 11) * 0x1.0p-53;
}

} // namespace mulo
