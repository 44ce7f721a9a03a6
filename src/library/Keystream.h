#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace tarnwell::library {

// The seed of the library keystream. The reader and the packer both start their stream from it,
// so it lives here and nowhere else: a library packed with another seed reads as noise.
inline constexpr double LibrarySeed = 40187.62109375;

// A small deterministic generator that yields single-precision values in [0, 1).
//
// The library keystream must come out the same on every machine and with every compiler, which
// rules out the standard library's engines and distributions. This is a 24-bit linear
// congruential generator of full period (multiplier = 1 mod 4, odd increment); its value is the
// state divided by 2^24, which a float holds exactly.
class Generator
{
public:
    // A negative argument re-initialises the generator to a state fixed by that argument and
    // returns the value drawn from it; any other argument simply draws the next value.
    float next(double argument);
    float next();

    // Folds the 64 bits of the seed into the state.
    void seed(double seed);

    std::uint32_t state() const { return m_state; }

private:
    std::uint32_t m_state = 0x50A2C3;
};

// The key bytes that encipher and decipher a library, one per byte, in stream order.
class Keystream
{
public:
    // A stream positioned at its start: reset with -1, then seeded with LibrarySeed.
    Keystream();
    // As above with another seed; only tests and tools that probe the format want this.
    explicit Keystream(double seed);

    // floor(r * 256) of the next generator value r.
    std::uint8_t nextKey();

    // XORs every byte with the next key byte, in place; the stream advances by data's length.
    void apply(char* data, qsizetype length);
    void apply(QByteArray& data) { apply(data.data(), data.size()); }

private:
    Generator m_generator;
};

// Returns the bytes enciphered (or deciphered: XOR is its own inverse) with the next keys of
// `stream`, which advances by the argument's length.
QByteArray ApplyKeystream(Keystream& stream, QByteArrayView bytes);

} // namespace tarnwell::library
