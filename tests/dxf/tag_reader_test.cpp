// Reading lines and group-code pairs: line ends, code forms, chunk borders.

#include "dxf/tag_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/shared_files.h"

namespace ovix {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

struct ReadPairs {
  std::vector<std::pair<int32_t, std::string>> pairs;
  std::vector<uint64_t> lines;
  DxfTagStatus last = DxfTagStatus::End;
  std::string bad_text;
  uint64_t bad_line = 0;
  bool bom = false;
};

ReadPairs ReadAll(const std::string& bytes, std::size_t chunk = 1 << 20) {
  TempDir dir;
  WriteFileBytes(dir / "t.dxf", bytes);
  DxfTagReader reader(chunk);
  EXPECT_TRUE(reader.Open((dir / "t.dxf").string()));
  ReadPairs out;
  DxfTag tag;
  while ((out.last = reader.NextPair(tag)) == DxfTagStatus::Pair) {
    out.pairs.emplace_back(tag.Code, std::string(tag.Value));
    out.lines.push_back(tag.Line);
  }
  out.bad_text = reader.BadCodeText();
  out.bad_line = reader.BadCodeLine();
  out.bom = reader.HadByteOrderMark();
  return out;
}

const std::vector<std::pair<int32_t, std::string>> kExpected{
    {0, "SECTION"}, {2, "ENTITIES"}, {10, "1.5"}, {0, "EOF"}};

TEST(DxfTagReader, EveryLineEndReadsAlike) {
  for (const std::string eol : {"\r\n", "\n", "\r"}) {
    const std::string text = "  0" + eol + "SECTION" + eol + "  2" + eol + "ENTITIES" + eol +
                             " 10" + eol + "1.5" + eol + "  0" + eol + "EOF" + eol;
    // Tiny chunks put line ends, CR LF halves included, on chunk borders.
    for (const std::size_t chunk : {std::size_t{1} << 20, std::size_t{16}, std::size_t{17}}) {
      const ReadPairs r = ReadAll(text, chunk);
      EXPECT_EQ(r.pairs, kExpected) << "eol size " << eol.size() << " chunk " << chunk;
      EXPECT_EQ(r.last, DxfTagStatus::End);
      EXPECT_EQ(r.lines, (std::vector<uint64_t>{1, 3, 5, 7}));
    }
  }
}

TEST(DxfTagReader, MixedLineEndsAndNoFinalLineEnd) {
  const ReadPairs r = ReadAll("0\r\nSECTION\n2\rENTITIES\r\n10\n1.5\r0\nEOF");
  EXPECT_EQ(r.pairs, kExpected);
}

TEST(DxfTagReader, CodesAreReadByValueWhateverTheirAlignment) {
  const ReadPairs r = ReadAll("0\nSECTION\n  2\nENTITIES\n10  \n1.5\n\t0 \nEOF\n\n");
  EXPECT_EQ(r.pairs, kExpected);
  EXPECT_EQ(r.last, DxfTagStatus::End);  // the blank last line is only a line end
  const ReadPairs d = ReadAll("10.0\n  x\n-5\ny\n");
  EXPECT_EQ(d.pairs, (std::vector<std::pair<int32_t, std::string>>{{10, "x"}, {-5, "y"}}));
}

TEST(DxfTagReader, ValuesAreTrimmedOfBlanks) {
  const ReadPairs r = ReadAll("  1\n  two words \t\n  1\n   \n");
  ASSERT_EQ(r.pairs.size(), 2u);
  EXPECT_EQ(r.pairs[0].second, "two words");
  EXPECT_EQ(r.pairs[1].second, "");
}

TEST(DxfTagReader, LinesLongerThanAChunkAreReadWhole) {
  const std::string long_value(100000, 'x');
  const ReadPairs r = ReadAll("  1\r\n" + long_value + "\r\n  0\r\nEOF\r\n", 64);
  ASSERT_EQ(r.pairs.size(), 2u);
  EXPECT_EQ(r.pairs[0].second, long_value);
  EXPECT_EQ(r.lines[1], 3u);
}

TEST(DxfTagReader, ByteOrderMarkIsSkippedAndNoted) {
  const ReadPairs r = ReadAll("\xEF\xBB\xBF  0\nEOF\n");
  EXPECT_TRUE(r.bom);
  ASSERT_EQ(r.pairs.size(), 1u);
  EXPECT_EQ(r.pairs[0].first, 0);
}

TEST(DxfTagReader, CodeLineThatIsNoNumberStopsWithItsLine) {
  const ReadPairs r = ReadAll("  0\nSECTION\nEXTENTS,1\nfoo\n");
  EXPECT_EQ(r.last, DxfTagStatus::BadCode);
  EXPECT_EQ(r.bad_line, 3u);
  EXPECT_EQ(r.bad_text, "EXTENTS,1");
  EXPECT_EQ(ReadAll("  0\n\n\n  1\nx\n").last, DxfTagStatus::BadCode);  // blank code line
  EXPECT_EQ(ReadAll("99999999999\nx\n").last, DxfTagStatus::BadCode);
}

TEST(DxfTagReader, PlainFlagMarksValuesThatNeedDecoding) {
  TempDir dir;
  WriteFileBytes(dir / "t.dxf", "  1\nabc\n  1\n\x93\xfa\n  1\na\\Pb\n");
  DxfTagReader reader;
  ASSERT_TRUE(reader.Open((dir / "t.dxf").string()));
  DxfTag tag;
  std::vector<bool> plain;
  while (reader.NextPair(tag) == DxfTagStatus::Pair) plain.push_back(tag.Plain);
  EXPECT_EQ(plain, (std::vector<bool>{true, false, false}));
}

// Values are scanned several bytes at a time: every length and every place of
// a byte that needs decoding, with either line end and with chunk borders
// anywhere, gives the same values and flags as reading byte by byte would.
TEST(DxfTagReader, ValuesAndPlainFlagsAtEveryLengthAndPosition) {
  struct Expected {
    std::string value;
    bool plain;
  };
  for (const char* eol : {"\n", "\r\n"}) {
    std::string file;
    std::vector<Expected> expected;
    for (int length = 0; length <= 19; ++length) {
      for (int at = -1; at < length; ++at) {
        for (const char special : {'\\', '\x93', '\x00'}) {
          std::string value;
          for (int i = 0; i < length; ++i) value.push_back(static_cast<char>('a' + (i % 26)));
          if (at >= 0) value[static_cast<size_t>(at)] = special;
          file += "  1";
          file += eol;
          file += value;
          file += eol;
          expected.push_back({value, at < 0 || special == '\x00'});
          if (at < 0) break;
        }
      }
    }
    for (const std::size_t chunk : {std::size_t{1} << 20, std::size_t{7}, std::size_t{64}}) {
      TempDir dir;
      WriteFileBytes(dir / "t.dxf", file);
      DxfTagReader reader(chunk);
      ASSERT_TRUE(reader.Open((dir / "t.dxf").string()));
      DxfTag tag;
      size_t n = 0;
      while (reader.NextPair(tag) == DxfTagStatus::Pair) {
        ASSERT_LT(n, expected.size());
        EXPECT_EQ(tag.Value, expected[n].value) << n << " chunk " << chunk;
        EXPECT_EQ(tag.Plain, expected[n].plain) << n << " chunk " << chunk;
        EXPECT_EQ(tag.Line, 1 + 2 * n);
        ++n;
      }
      EXPECT_EQ(n, expected.size()) << "chunk " << chunk;
    }
  }
}

TEST(DxfTagReader, ParseGroupCode) {
  int32_t code = -1;
  EXPECT_TRUE(ParseGroupCode("  0", code));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(ParseGroupCode("1071", code));
  EXPECT_EQ(code, 1071);
  EXPECT_TRUE(ParseGroupCode("+7", code));
  EXPECT_EQ(code, 7);
  EXPECT_FALSE(ParseGroupCode("", code));
  EXPECT_FALSE(ParseGroupCode("AutoCAD Binary DXF", code));
  EXPECT_FALSE(ParseGroupCode("1 0", code));
}

}  // namespace
}  // namespace ovix
