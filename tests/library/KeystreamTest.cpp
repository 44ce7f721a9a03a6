#include "library/Keystream.h"
#include "library/Windows1252.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarnwell::library;

// Libraries already packed must keep reading: any change to the generator, its reset, its
// seeding or the seed shows up here first.
TEST(Keystream, FirstKeysOfTheLibraryStreamArePinned)
{
    const std::vector<int> golden = {0xCB, 0x2A, 0x9F, 0x84, 0x23, 0xAD, 0x5A, 0x97,
                                     0x75, 0x18, 0x94, 0x8C, 0xB7, 0x0A, 0x93, 0x05};
    Keystream stream;
    std::vector<int> keys;
    for (size_t i = 0; i < golden.size(); ++i)
        keys.push_back(stream.nextKey());
    EXPECT_EQ(keys, golden);
}

TEST(Keystream, ResetAndSeedAlwaysGiveTheSameStream)
{
    Generator first;
    first.next(5.0); // wherever it stood before
    first.next(-1);
    first.seed(LibrarySeed);
    Generator second;
    second.next(-1);
    second.seed(LibrarySeed);
    for (int i = 0; i < 1000; ++i) {
        const float a = first.next();
        ASSERT_EQ(a, second.next());
        ASSERT_GE(a, 0.0f);
        ASSERT_LT(a, 1.0f);
    }
    Keystream other(LibrarySeed + 1);
    Keystream library;
    int same = 0;
    for (int i = 0; i < 64; ++i)
        same += other.nextKey() == library.nextKey();
    EXPECT_LT(same, 16) << "another seed must give another stream";
}

TEST(Keystream, ApplyAdvancesByItsLengthAndUndoesItself)
{
    const QByteArray plain = QByteArrayLiteral("0123456789,\r\n\xB5\xB0\xE9");
    Keystream whole;
    const QByteArray atOnce = ApplyKeystream(whole, plain);
    Keystream pieces;
    QByteArray inPieces = ApplyKeystream(pieces, QByteArrayView(plain).first(5));
    inPieces += ApplyKeystream(pieces, QByteArrayView(plain).sliced(5));
    EXPECT_EQ(atOnce, inPieces);
    EXPECT_NE(atOnce, plain);

    Keystream back;
    EXPECT_EQ(ApplyKeystream(back, atOnce), plain);
}

TEST(Windows1252, DecodesTheCodePageAndEncodesItBack)
{
    EXPECT_EQ(decodeWindows1252("12 \xB5"
                                "F 90\xB0 Caf\xE9"),
              QString::fromUtf8("12 µF 90° Café"));
    EXPECT_EQ(decodeWindows1252("\x80\x8A\x9F"), QString::fromUtf8("€ŠŸ"));

    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const QString text = decodeWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(encodeWindows1252(text), std::optional<QByteArray>(all));

    EXPECT_FALSE(encodeWindows1252(QString::fromUtf8("Ω")).has_value());
}
