// Number parsing and formatting shared by the reader, the model and the run.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/numeric.h"
#include "tools/rv_error.h"

namespace ovix::num {
namespace {

TEST(LeadingNumber, TakesTheLongestNumericPrefix) {
  EXPECT_DOUBLE_EQ(LeadingNumber("1/100"), 1.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("2倍"), 2.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("   -.5x"), -0.5);
  EXPECT_DOUBLE_EQ(LeadingNumber("+3.25"), 3.25);
  EXPECT_DOUBLE_EQ(LeadingNumber("1.5e3mm"), 1500.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("7e"), 7.0);      // a bare exponent letter is not part of it
  EXPECT_DOUBLE_EQ(LeadingNumber("1.2.3"), 1.2);   // one decimal point only
  EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber(""), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("-"), 0.0);
  EXPECT_DOUBLE_EQ(LeadingNumber("."), 0.0);
}

TEST(LeadingNumber, HugeExponentIsAnOverflowAndTinyOneIsZero) {
  EXPECT_THROW(LeadingNumber("1e400"), RvError);
  EXPECT_DOUBLE_EQ(LeadingNumber("1e-400"), 0.0);
}

TEST(StrictConversion, AcceptsOnlyWholeNumbers) {
  EXPECT_TRUE(IsNumeric(" 12.5 "));
  EXPECT_TRUE(IsNumeric("-1E+3"));
  EXPECT_TRUE(IsNumeric(".5"));
  EXPECT_FALSE(IsNumeric(""));
  EXPECT_FALSE(IsNumeric("12a"));
  EXPECT_FALSE(IsNumeric("1,5"));  // never a decimal comma, whatever the locale
  EXPECT_FALSE(IsNumeric("1.2.3"));
  EXPECT_FALSE(IsNumeric("FF"));
  EXPECT_DOUBLE_EQ(ToDouble(" 2.5"), 2.5);
  try {
    ToDouble("3F2A");
    FAIL() << "no error";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::TypeMismatch);
    EXPECT_NE(std::string(e.what()).find("3F2A"), std::string::npos);
  }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2.0);
  EXPECT_EQ(RoundHalfEven(3.5), 4.0);
  EXPECT_EQ(RoundHalfEven(-2.5), -2.0);
  EXPECT_EQ(RoundHalfEven(0.5), 0.0);
  EXPECT_EQ(RoundHalfEven(2.4999), 2.0);
  EXPECT_EQ(RoundHalfEven(1e17 + 1), 1e17 + 1);
  EXPECT_EQ(ToInt32("0.5"), 0);
  EXPECT_EQ(ToInt32("1.5"), 2);
}

TEST(Narrowing, OutOfRangeIsAnOverflow) {
  EXPECT_EQ(ToInt16(32767.4), 32767);
  EXPECT_EQ(ToInt16(-32768.0), -32768);
  EXPECT_THROW(ToInt16(32767.5), RvError);  // rounds to 32768
  EXPECT_THROW(ToInt16(int32_t{40000}), RvError);
  EXPECT_EQ(ToInt32(2147483647.0), 2147483647);
  EXPECT_THROW(ToInt32(2147483648.0), RvError);
  EXPECT_THROW(ToInt32(std::nan("")), RvError);
  try {
    ToInt16(70000.0);
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::Overflow);
  }
}

TEST(GeneralFormat, ShortestDecimalWithFifteenDigits) {
  EXPECT_EQ(FormatGeneral(100.0), "100");
  EXPECT_EQ(FormatGeneral(12.35), "12.35");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(-42.5), "-42.5");
  EXPECT_EQ(FormatGeneral(1e15), "1E+15");
  EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
  EXPECT_EQ(FormatGeneral(0.00001), "1E-05");
}

TEST(DigitPattern, HashesShowOnlySignificantDigits) {
  EXPECT_EQ(FormatPattern(35277.6, "##########"), "35278");
  EXPECT_EQ(FormatPattern(2.834645669, "#####.###"), "2.835");
  EXPECT_EQ(FormatPattern(35.27750, "#####.###"), "35.278");
  EXPECT_EQ(FormatPattern(1.0, "#####.###"), "1");
  EXPECT_EQ(FormatPattern(12.5, "#####.###"), "12.5");
  EXPECT_EQ(FormatPattern(0.5, "#.##"), ".5");
  EXPECT_EQ(FormatPattern(-3.14159, "#.##"), "-3.14");
}

TEST(DigitPattern, ZerosAreAlwaysShown) {
  EXPECT_EQ(FormatPattern(5.25, "00.##"), "05.25");
  EXPECT_EQ(FormatPattern(5.0, "00.##"), "05");
  EXPECT_EQ(FormatPattern(0.0, "00"), "00");
  EXPECT_EQ(FormatPattern(7.5, "00"), "08");
  EXPECT_EQ(FormatPattern(3.1, "0.00"), "3.10");
  EXPECT_EQ(FormatPattern(123.0, "00"), "123");
}

}  // namespace
}  // namespace ovix::num
