#include "platform/amounts.h"
#include "platform/error.h"

#include <gtest/gtest.h>
#include <functional>

using namespace cotavia;

namespace {

std::string errorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const AppError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(Amounts, BrazilianFormattingOfFileFields) {
  // The three examples of a proposal file's fields, padded as the grid shows them.
  EXPECT_EQ(padLeft(formatAmount(25000 / 10000.0L, 4, 14), 14), "        2,5000");
  EXPECT_EQ(padLeft(formatAmount(12345678 / 10000.0L, 4, 12), 10), "1.234,5678");
  EXPECT_EQ(padLeft(formatAmount(123456 / 100.0L, 2, 12), 14), "      1.234,56");
  // Grouping at every thousand, zero integer part, no decimals at all.
  EXPECT_EQ(formatAmount(1234567.891L, 2, 14), "1.234.567,89");
  EXPECT_EQ(formatAmount(999.999L, 2, 14), "1.000,00");
  EXPECT_EQ(formatAmount(0.05L, 4, 12), "0,0500");
  EXPECT_EQ(formatAmount(0, 2, 12), "0,00");
  EXPECT_EQ(formatAmount(1234, 0, 12), "1.234");
  EXPECT_EQ(formatAmount(-1234.5L, 2, 12), "-1.234,50");
  EXPECT_EQ(formatFixed(1234.5L, 4, 18), "1234,5000");
  // Longer texts are never cut by padding.
  EXPECT_EQ(padLeft("12.345.678,0000", 10), "12.345.678,0000");
  EXPECT_EQ(padRight("ab", 4), "ab  ");
}

TEST(Amounts, RoundingIsHalfAwayFromZeroWithinTheSignificantDigits) {
  // Exact binary halves show the rule: not to even, away from zero.
  EXPECT_EQ(formatAmount(0.125L, 2, 12), "0,13");
  EXPECT_EQ(formatAmount(-0.125L, 2, 12), "-0,13");
  EXPECT_EQ(formatAmount(2.5L, 0, 12), "3");
  EXPECT_EQ(formatAmount(0.375L, 2, 12), "0,38");
  // The decimal form decides, not the binary approximation: 1.005 shown with 18 digits is
  // 1.00500000000000000 and rounds up.
  EXPECT_EQ(formatAmount(1.005L, 2, 12), "1,01");
  // At most 12 significant digits: the fourth decimal of a 10-digit price is gone.
  EXPECT_EQ(formatAmount(1234567890.12345L, 4, 12), "1.234.567.890,1200");
  EXPECT_EQ(formatAmount(12345678.123456L, 4, 12), "12.345.678,1235");
  // A carry through every digit adds an integer digit.
  EXPECT_EQ(formatAmount(99999.99999L, 4, 12), "100.000,0000");
  // A tiny negative value that rounds to zero has no sign.
  EXPECT_EQ(formatAmount(-0.001L, 2, 12), "0,00");
  EXPECT_EQ(formatAmount(-0.0L, 2, 12), "0,00");
  // More integer digits than significant ones: the general form.
  EXPECT_EQ(formatAmount(1.5e15L, 2, 14), "1,5E15");
}

TEST(Amounts, GeneralFormIsShortest) {
  EXPECT_EQ(formatGeneral(25000), "25000");
  EXPECT_EQ(formatGeneral(0), "0");
  EXPECT_EQ(formatGeneral(10000), "10000");
  EXPECT_EQ(formatGeneral(123456789012345.0L), "123456789012345");
  EXPECT_EQ(formatGeneral(1e15L), "1E15");
  EXPECT_EQ(formatGeneral(1234567890123456.0L), "1,23456789012346E15");
  EXPECT_EQ(formatGeneral(0.5L), "0,5");
  EXPECT_EQ(formatGeneral(0.0001L), "0,0001");
  EXPECT_EQ(formatGeneral(0.00001L), "1E-5");
  EXPECT_EQ(formatGeneral(-12.25L), "-12,25");
}

TEST(Amounts, TextToNumberConversion) {
  EXPECT_EQ(strToFloat("        25000"), 25000);
  EXPECT_EQ(strToFloat("25000   "), 25000);
  EXPECT_EQ(strToFloat("1,5"), 1.5L);
  EXPECT_EQ(strToFloat("-3"), -3);
  EXPECT_EQ(strToFloat("+3"), 3);
  EXPECT_EQ(strToFloat("12,"), 12);
  EXPECT_EQ(strToFloat("1E3"), 1000);
  EXPECT_EQ(strToFloat("25e-1"), 2.5L);
  EXPECT_EQ(strToFloat("0"), 0);
  // The exact decimal value as the long double nearest to it.
  EXPECT_EQ(strToFloat("12345678901234567"), 12345678901234567.0L);
  for (const char* bad : {"", "   ", "1.5", "12a", "1,2,3", "1E", "--1", "1 2", ",", "1e99999"}) {
    const std::string quoted = std::string("'").append(bad).append("'");
    EXPECT_EQ(errorOf([&] { strToFloat(bad); }), quoted + " is not a valid floating point value") << bad;
  }
  // Control characters show as "?" in the message, which stays one line.
  EXPECT_EQ(errorOf([] { strToFloat(QByteArray("\t5\r\0", 4)); }),
            "'?5?"
            "?' is not a valid floating point value");
  EXPECT_EQ(strToInt(" 42"), 42);
  EXPECT_EQ(strToInt("-7"), -7);
  EXPECT_EQ(errorOf([] { strToInt("4x"); }), "'4x' is not a valid integer value");
  EXPECT_EQ(errorOf([] { strToInt("99999999999"); }), "'99999999999' is not a valid integer value");
}

TEST(Amounts, DigitsOnlyReading) {
  EXPECT_EQ(somente_numeros("1.234,56"), 123456);
  EXPECT_EQ(somente_numeros("      1.234,5678"), 12345678);
  EXPECT_EQ(somente_numeros("-12,50"), 1250);  // the sign is dropped with everything else
  EXPECT_EQ(somente_numeros("0,00"), 0);
  EXPECT_EQ(errorOf([] { somente_numeros("  ,  "); }), "'  ,  ' is not a valid floating point value");
}

TEST(Amounts, NumericFieldParsing) {
  EXPECT_EQ(parseNumEditText("1.234,56"), 1234.56L);
  EXPECT_EQ(parseNumEditText("   12,5"), 12.5L);
  EXPECT_EQ(parseNumEditText(""), 0);
  EXPECT_EQ(parseNumEditText("      1.234,5000"), 1234.5L);
  EXPECT_EQ(parseNumEditText("-12,50"), -12.5L);
  EXPECT_EQ(parseNumEditText(" -12,50"), 12.5L);  // a minus counts only in the first position
  EXPECT_EQ(parseNumEditText("1-2"), 12);
  EXPECT_EQ(parseNumEditText("1,2,3"), 1.23L);  // only the first separator counts
  EXPECT_EQ(parseNumEditText("abc"), 0);
  EXPECT_FALSE(std::signbit(parseNumEditText("-")));
  EXPECT_EQ(parseNumEditText("1.5", '.'), 1.5L);
}

TEST(Amounts, NumericFieldValueWriteAndDisplay) {
  EXPECT_EQ(numEditFixed(1, 4), "1,0000");
  EXPECT_EQ(numEditDisplay(1, 4, true), "1,0000");
  EXPECT_EQ(numEditFixed(1234.5L, 4), "1234,5000");
  EXPECT_EQ(numEditDisplay(1234.5L, 4, true), "1.234,5000");
  EXPECT_EQ(numEditDisplay(1234.5L, 4, false), "1234,5000");
  EXPECT_EQ(numEditFixed(-2.5L, 2), "-2,50");
  EXPECT_EQ(numEditFixed(7, 0), "7");
  // Writing Value rounds what reading gives back.
  EXPECT_EQ(numEditRound(0.9999L, 2), 1);
  EXPECT_EQ(numEditRound(2.345L, 2), 2.35L);
  EXPECT_EQ(numEditRound(-2.345L, 2), -2.35L);
  EXPECT_EQ(numEditRound(12345678.125L, 2), 12345678.13L);
}
