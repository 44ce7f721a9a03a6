#include "library/Windows1252.h"

#include <array>

namespace tarnwell::library {

namespace {
// 0x80 to 0x9F; the rest of the code page coincides with Latin-1.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

char16_t decodeByte(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return HighControls[byte - 0x80];
    return byte;
}
} // namespace

char16_t decodeWindows1252Byte(unsigned char byte)
{
    return decodeByte(byte);
}

void decodeWindows1252Into(QByteArrayView bytes, QChar* out)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(decodeByte(static_cast<unsigned char>(bytes[i])));
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeWindows1252Into(bytes, text.data());
    return text;
}

std::optional<QByteArray> encodeWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes[i] = static_cast<char>(c);
            continue;
        }
        int found = -1;
        for (int k = 0; k < static_cast<int>(HighControls.size()); ++k) {
            if (HighControls[k] == c) {
                found = k;
                break;
            }
        }
        if (found < 0)
            return std::nullopt;
        bytes[i] = static_cast<char>(0x80 + found);
    }
    return bytes;
}

} // namespace tarnwell::library
