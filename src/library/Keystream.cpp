#include "library/Keystream.h"

#include <bit>
#include <cmath>

namespace tarnwell::library {

namespace {
constexpr std::uint32_t StateMask = 0xFFFFFF;
constexpr std::uint32_t Multiplier = 3141597; // = 1 mod 4
constexpr std::uint32_t Increment = 2718281;  // odd
constexpr float StateScale = 1.0f / 16777216.0f;
} // namespace

float Generator::next(double argument)
{
    if (argument < 0) {
        // Same negative argument, same state: fold it like a seed into a fixed start.
        m_state = 0x50A2C3;
        seed(argument);
    }
    return next();
}

float Generator::next()
{
    m_state = (m_state * Multiplier + Increment) & StateMask;
    return static_cast<float>(m_state) * StateScale;
}

void Generator::seed(double seed)
{
    const auto bits = std::bit_cast<std::uint64_t>(seed);
    const auto folded = static_cast<std::uint32_t>(bits ^ (bits >> 24) ^ (bits >> 48));
    m_state = (m_state ^ folded) & StateMask;
}

Keystream::Keystream() : Keystream(LibrarySeed) {}

Keystream::Keystream(double seed)
{
    m_generator.next(-1);
    m_generator.seed(seed);
}

std::uint8_t Keystream::nextKey()
{
    const float r = m_generator.next();
    return static_cast<std::uint8_t>(std::floor(r * 256.0f));
}

void Keystream::apply(char* data, qsizetype length)
{
    for (qsizetype i = 0; i < length; ++i)
        data[i] = static_cast<char>(static_cast<std::uint8_t>(data[i]) ^ nextKey());
}

QByteArray ApplyKeystream(Keystream& stream, QByteArrayView bytes)
{
    QByteArray result(bytes.data(), bytes.size());
    stream.apply(result);
    return result;
}

} // namespace tarnwell::library
