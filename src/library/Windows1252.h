#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

namespace tarnwell::library {

// Library text is single-byte Windows-1252. The table is built in rather than taken from a
// codec, because the platform's codecs need a conversion library that is not always present.
// The five bytes the code page leaves undefined map to the control characters of the same
// number, so every byte decodes to something and encodes back to itself.
QString decodeWindows1252(QByteArrayView bytes);
// One byte's character.
char16_t decodeWindows1252Byte(unsigned char byte);
// The same into `out`, which has room for bytes.size() characters.
void decodeWindows1252Into(QByteArrayView bytes, QChar* out);

// The bytes of `text` in Windows-1252, or nothing when a character has no byte there.
std::optional<QByteArray> encodeWindows1252(QStringView text);

} // namespace tarnwell::library
