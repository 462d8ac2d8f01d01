// CAD control sequences resolved into the characters a text box shows.
#include <gtest/gtest.h>

#include "tools/cad_text.h"

namespace ovix::cadtext {
namespace {

TEST(CadText, PercentCodesBecomeTheirSigns) {
  EXPECT_EQ(DecodeSpecialCharacters("4-%%c10 %%d %%P0.1"), "4-φ10 ° ±0.1");
  EXPECT_EQ(DecodeSpecialCharacters("%%uUnder%%u and 100%%%"), "Under and 100%");
  EXPECT_EQ(DecodeSpecialCharacters("%%177 %%065"), "± A");
  // Not a code: kept as written, also at the very end.
  EXPECT_EQ(DecodeSpecialCharacters("50% off %%"), "50% off %%");
  EXPECT_EQ(DecodeSpecialCharacters("%%x 寸法"), "%%x 寸法");
}

TEST(CadText, MultilineFormattingLeavesOnlyTheCharacters) {
  EXPECT_EQ(StripMTextCodes("\\A1;{\\fArial|b1|i0|c0|p34;\\H2.5x;注記}\\Pつぎ"), "注記\nつぎ");
  EXPECT_EQ(StripMTextCodes("\\C1;red\\c255; \\LU\\l \\Oo\\o \\Kk\\k"), "red U o k");
  EXPECT_EQ(StripMTextCodes("a\\~b \\\\ \\{x\\} {grouped}"), "a b \\ {x} grouped");
  EXPECT_EQ(StripMTextCodes("\\W0.8;\\Q15;\\T1.1;\\pxi-3,l3;wide"), "wide");
  EXPECT_EQ(StripMTextCodes("line\\Xbelow"), "line\nbelow");
}

TEST(CadText, StackedFractionsReadAsFractions) {
  EXPECT_EQ(StripMTextCodes("1\\S1/2;\""), "11/2\"");
  EXPECT_EQ(StripMTextCodes("25\\S+0.1^-0.2;"), "25+0.1/-0.2");
  EXPECT_EQ(StripMTextCodes("B\\S^ 1;"), "B1");  // one side blank: the other alone
  EXPECT_EQ(StripMTextCodes("x\\S3#4;"), "x3/4");
}

TEST(CadText, UnfinishedCodesAndStrayBackslashesDoNotLoseText) {
  EXPECT_EQ(StripMTextCodes("C:\\data"), "C:\\data");  // \d is not a code
  EXPECT_EQ(StripMTextCodes("end\\"), "end\\");
  EXPECT_EQ(StripMTextCodes("\\fArial"), "");  // a code without its ";" runs to the end
  EXPECT_EQ(StripMTextCodes("<> mm"), "<> mm");
}

}  // namespace
}  // namespace ovix::cadtext
