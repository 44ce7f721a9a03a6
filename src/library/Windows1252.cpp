#include "library/Windows1252.h"

namespace tarnwell::library {

void decodeWindows1252Into(QByteArrayView bytes, QChar* out)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(Windows1252Characters[static_cast<unsigned char>(bytes[i])]);
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
        for (int k = 0; k < static_cast<int>(Windows1252HighControls.size()); ++k) {
            if (Windows1252HighControls[k] == c) {
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
