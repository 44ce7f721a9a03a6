#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace tarnwell::library {

// Library text is single-byte Windows-1252. The table is built in rather than taken from a
// codec, because the platform's codecs need a conversion library that is not always present.
// The five bytes the code page leaves undefined map to the control characters of the same
// number, so every byte decodes to something and encodes back to itself.
QString decodeWindows1252(QByteArrayView bytes);
// 0x80 to 0x9F; the rest of the code page coincides with Latin-1.
inline constexpr std::array<char16_t, 32> Windows1252HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};
// Every byte's character, for decoding without a branch per byte.
inline constexpr std::array<char16_t, 256> Windows1252Characters = [] {
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte)
        table[byte] =
            byte >= 0x80 && byte <= 0x9F ? Windows1252HighControls[byte - 0x80] : char16_t(byte);
    return table;
}();
// One byte's character.
inline char16_t decodeWindows1252Byte(unsigned char byte)
{
    return Windows1252Characters[byte];
}
// The same into `out`, which has room for bytes.size() characters.
void decodeWindows1252Into(QByteArrayView bytes, QChar* out);

// The bytes of `text` in Windows-1252, or nothing when a character has no byte there.
std::optional<QByteArray> encodeWindows1252(QStringView text);

} // namespace tarnwell::library
