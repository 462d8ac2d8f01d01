// Character-wise UTF-8 helpers: Japanese characters count once, malformed
// bytes never break counting or cutting.
#include <gtest/gtest.h>

#include <string>

#include "tools/utf8.h"

namespace ovix::utf8 {
namespace {

TEST(Utf8, CountsCharactersNotBytes) {
  EXPECT_EQ(Length(""), 0u);
  EXPECT_EQ(Length("ABC"), 3u);
  EXPECT_EQ(Length("寸法線"), 3u);           // 9 bytes
  EXPECT_EQ(Length("φ12°"), 4u);            // 2-byte and 2-byte characters
  EXPECT_EQ(Length("\xF0\x9F\x98\x80x"), 2u);  // a 4-byte character
}

TEST(Utf8, CutsByCharacterPosition) {
  const std::string s = "図面A1縦";
  EXPECT_EQ(Substr(s, 0, 2), "図面");
  EXPECT_EQ(Substr(s, 2, 2), "A1");
  EXPECT_EQ(Substr(s, 4), "縦");
  EXPECT_EQ(Substr(s, 5), "");
  EXPECT_EQ(Substr(s, 99, 3), "");
  EXPECT_EQ(CharAt(s, 1), "面");
  EXPECT_EQ(Left(s, 3), "図面A");
  EXPECT_EQ(Right(s, 2), "1縦");
  EXPECT_EQ(Right(s, 10), s);
  EXPECT_EQ(ByteOffset(s, 2), 6u);
  EXPECT_EQ(ByteOffset(s, 50), s.size());
}

TEST(Utf8, MalformedBytesCountOneEachAndAreReported) {
  const std::string truncated = "A\xE5\x9B";  // the first two bytes of a 3-byte character
  EXPECT_EQ(Length(truncated), 3u);
  EXPECT_FALSE(IsValid(truncated));
  const std::string sjis = "\x90\x7D";  // Shift-JIS bytes that were never converted
  EXPECT_EQ(Length(sjis), 2u);
  EXPECT_FALSE(IsValid(sjis));
  EXPECT_FALSE(IsValid("\xC0\xAF"));          // overlong "/"
  EXPECT_FALSE(IsValid("\xED\xA0\x80"));      // a surrogate
  EXPECT_FALSE(IsValid("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_TRUE(IsValid("寸法 φ12"));
  EXPECT_EQ(SequenceLength("寸", 0), 3u);
  EXPECT_EQ(SequenceLength("寸", 3), 0u);
}

}  // namespace
}  // namespace ovix::utf8
