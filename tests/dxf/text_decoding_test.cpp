// Choosing a file's encoding and decoding its strings to UTF-8.

#include "dxf/text_decoding.h"

#include <gtest/gtest.h>

namespace ovix {
namespace {

DxfEncodingClues Clues(const std::string& ver, const std::string& page, bool utf8 = true,
                       bool bom = false) {
  DxfEncodingClues c;
  c.AcadVer = ver;
  c.DwgCodePage = page;
  c.AllStringsUtf8 = utf8;
  c.ByteOrderMark = bom;
  return c;
}

TEST(DxfEncodingChoice, FollowsWhatTheFileSaysAboutItself) {
  // AutoCAD 2007 and later write UTF-8 whatever the code page says.
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1021", "ANSI_932", false)), "UTF-8");
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1032", "ANSI_1252", false)), "UTF-8");
  // Older files: the code page.
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1015", "ANSI_932")), "CP932");
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1018", "ansi_1252")), "CP1252");
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1015", "ANSI_1250")), "CP1250");
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1009", "DOS850")), "CP850");
  // A byte-order mark means UTF-8.
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1015", "ANSI_932", false, true)), "UTF-8");
  // Nothing usable said: valid UTF-8 stays UTF-8, anything else is CP932.
  EXPECT_EQ(ChooseDxfEncoding(Clues("", "", true)), "UTF-8");
  EXPECT_EQ(ChooseDxfEncoding(Clues("", "", false)), "CP932");
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1009", "UNDEFINED", false)), "CP932");
  EXPECT_EQ(ChooseDxfEncoding(Clues("AC1015", "ANSI_99999", true)), "UTF-8");
}

TEST(DxfTextDecoder, CodePagesBecomeUtf8) {
  DxfTextDecoder sjis("CP932");
  // 表 and ソ end in 0x5C, the backslash byte: no escape may be seen there.
  EXPECT_EQ(sjis.Decode("\x95\x5c\x83\x5c \x8c\x60\x8f\xf3"), "表ソ 形状");
  EXPECT_EQ(sjis.Decode("plain"), "plain");
  DxfTextDecoder latin("CP1252");
  EXPECT_EQ(latin.Decode("Gr\xfc\xdf" "e \x80"), "Grüße €");
}

TEST(DxfTextDecoder, UndecodableBytesBecomeReplacementCharacters) {
  DxfTextDecoder sjis("CP932");
  EXPECT_EQ(sjis.Decode("a\x81"), "a\xEF\xBF\xBD");  // a lead byte cut off
  DxfTextDecoder utf8("UTF-8", "CP1252");
  EXPECT_EQ(utf8.Decode("寸法"), "寸法");
  // A string of a UTF-8 file that is not UTF-8 is read in the fallback page.
  EXPECT_EQ(utf8.Decode("Ma\xdf"), "Maß");
}

TEST(DxfTextDecoder, UnicodeEscapesAreDecoded) {
  DxfTextDecoder d("CP1252");
  EXPECT_EQ(d.Decode("108\\U+00B0"), "108°");
  EXPECT_EQ(d.Decode("\\U+5BF8\\u+6cd5"), "寸法");
  EXPECT_EQ(d.Decode("\\U+D83D\\U+DE00"), "\xF0\x9F\x98\x80");  // a surrogate pair
  EXPECT_EQ(d.Decode("\\U+D83D"), "\xEF\xBF\xBD");               // a lone surrogate
  EXPECT_EQ(d.Decode("\\M+1889F"), "亜");  // double-byte character of code page 932
  // Not escapes: kept as written, MTEXT codes and escaped backslashes too.
  EXPECT_EQ(d.Decode("\\U+12G4 \\U+1"), "\\U+12G4 \\U+1");
  EXPECT_EQ(d.Decode("\\A1;a\\Pb\\\\U+0041"), "\\A1;a\\Pb\\\\U+0041");
  EXPECT_EQ(d.Decode("end\\"), "end\\");
}

TEST(DxfTextDecoder, UnknownEncodingFallsBackToCp932) {
  DxfTextDecoder d("NO-SUCH-PAGE");
  EXPECT_EQ(d.Encoding(), "CP932");
  EXPECT_EQ(d.Decode("\x8e\x9a"), "字");
}

}  // namespace
}  // namespace ovix
