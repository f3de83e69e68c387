#include "platform/codepage.h"

#include <gtest/gtest.h>

using namespace cotavia;

TEST(Codepage, Cp1252RoundTripKeepsEveryDefinedByte) {
  QByteArray all;
  for (int i = 1; i < 256; ++i) all.append(static_cast<char>(i));
  EXPECT_EQ(toCp1252(fromCp1252(all)), all);
  EXPECT_EQ(fromCp1252("\x80"), QString(QChar(0x20AC)));
  EXPECT_EQ(toCp1252(QStringLiteral("Licitação €")), QByteArray("Licita\xE7\xE3o \x80"));
  EXPECT_EQ(toCp1252(QString(QChar(0x4E2D))), QByteArray("?"));
}

TEST(Codepage, OemConversionKeepsLengthAndMapsAccents) {
  // CP850: ç = 0x87, ã = 0xC6, É = 0x90; CP437 has no ã.
  QByteArray in("a\xE7\xE3\xC9z");
  EXPECT_EQ(cp1252ToOem(in), QByteArray("a\x87\xC6\x90z"));
  EXPECT_EQ(cp1252ToOem(in, "CP437"), QByteArray("a\x87?\x90z"));
  EXPECT_EQ(cp1252ToOem("\x80").size(), 1);
}

TEST(Codepage, PriceListsMayBeUtf8OrCp1252) {
  EXPECT_EQ(utf8OrCp1252ToCp1252("\xEF\xBB\xBFpre\xC3\xA7o"), QByteArray("pre\xE7o"));
  EXPECT_EQ(utf8OrCp1252ToCp1252("pre\xE7o"), QByteArray("pre\xE7o"));
}
