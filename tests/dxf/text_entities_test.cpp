// TEXT and MTEXT into the model: the codes, the estimated length, and the
// text arriving as UTF-8 from every encoding.

#include <gtest/gtest.h>

#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::Drawing;
using testing::ImportBytes;

TEST(TextEntities, CodesAndEstimatedLength) {
  auto r = ImportBytes(Drawing({
      {0, "TEXT"}, {5, "A1"}, {8, "文字"}, {7, "JIS"}, {10, "1"}, {20, "2"}, {40, "10"},
      {41, "0.7"}, {50, "30"}, {62, "3"}, {72, "1"}, {73, "2"}, {1, "AB"},
      // The width factor starts at 1 for every text.
      {0, "TEXT"}, {40, "2.5"}, {1, "abcd"},
      {0, "TEXT"}, {40, "2"}, {41, "0"}, {1, "寸法"},  // factor 0 counts as 1
  }));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.TextCount(), 3);
  EXPECT_DOUBLE_EQ(m.TextWidth(0), 14);
  EXPECT_EQ(m.TextHandle(0), "A1");
  EXPECT_EQ(m.TextLayer(0), "文字");
  EXPECT_EQ(m.TextStyleName(0), "JIS");
  EXPECT_DOUBLE_EQ(m.TextRotationAngle(0), 30);
  EXPECT_EQ(m.TextDirection(0), 1);
  EXPECT_EQ(m.TextSpacingStyle(0), "2");
  RvPoint3 at{};
  m.TextInsertionPoint(0, at);
  EXPECT_EQ(at, (RvPoint3{1, 2, 0}));
  EXPECT_DOUBLE_EQ(m.TextWidth(1), 10);
  EXPECT_DOUBLE_EQ(m.TextWidth(2), 4);  // two characters, not six bytes
  EXPECT_EQ(m.TextStyleName(1), "Standard");
}

TEST(TextEntities, EmptyTextsAreSkippedAndMtextChunksJoined) {
  auto r = ImportBytes(Drawing({
      {0, "TEXT"}, {40, "1"},                       // no code 1
      {0, "TEXT"}, {1, "   "},                      // blanks only
      {0, "MTEXT"}, {1, "\\A1;"},                   // nothing but the alignment code
      {0, "MTEXT"}, {1, "\\A1;注記\\P二行目"},        // kept whole, codes included
      {0, "MTEXT"}, {3, "first part "}, {3, "second part "}, {1, "end"},
  }));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.model().TextCount(), 0);
  ASSERT_EQ(r.model().MuTextCount(), 2);
  EXPECT_EQ(r.model().MtextText(0), "\\A1;注記\\P二行目");
  EXPECT_EQ(r.model().MtextText(1), "first partsecond partend");
}

TEST(TextEntities, MtextValuesEndAtTheEmbeddedObject) {
  // Recent MTEXTs carry an embedded object after their own data whose codes
  // 10, 11, 40 and 46 mean other things (columns, extents).
  auto r = ImportBytes(Drawing({
      {0, "MTEXT"}, {8, "0"}, {10, "5"}, {20, "6"}, {40, "2.5"}, {71, "1"}, {1, "注記"},
      {101, "Embedded Object"}, {70, "1"}, {10, "1"}, {20, "0"}, {11, "900"}, {21, "800"},
      {40, "7777"}, {41, "0"}, {71, "2"}, {1, "not the text"},
      // A TEXT after it reads all its codes again.
      {0, "TEXT"}, {10, "3"}, {20, "4"}, {40, "1.5"}, {1, "t"},
  }));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.MuTextCount(), 1);
  RvPoint3 at{};
  m.MtextInsertionPoint(0, at);
  EXPECT_EQ(at, (RvPoint3{5, 6, 0}));
  EXPECT_DOUBLE_EQ(m.MtextHeight(0), 2.5);
  EXPECT_EQ(m.MtextAttachment(0), 1);
  EXPECT_EQ(m.MtextText(0), "注記");
  ASSERT_EQ(m.TextCount(), 1);
  EXPECT_DOUBLE_EQ(m.TextHeight(0), 1.5);
}

TEST(TextEntities, EveryEncodingArrivesAsUtf8) {
  const DxfPairs sjis{{0, "TEXT"}, {8, "\x8a\x4f\x8c\x60"}, {1, "\x95\x5c\x8e\xa6 \x83\x5c"}};
  auto a = ImportBytes(Drawing(sjis, {}, "AC1015", "ANSI_932"));
  ASSERT_TRUE(a.ok);
  EXPECT_EQ(a.model().TextText(0), "表示 ソ");
  EXPECT_EQ(a.model().TextLayer(0), "外形");

  // No header at all: bytes that are not UTF-8 are Shift-JIS.
  auto b = ImportBytes(Drawing(sjis, {}, "", ""));
  EXPECT_EQ(b.model().TextText(0), "表示 ソ");

  const DxfPairs utf8{{0, "TEXT"}, {1, "寸法 \\U+00B0"}};
  auto c = ImportBytes(Drawing(utf8, {}, "AC1021", "ANSI_932"));
  EXPECT_EQ(c.model().TextText(0), "寸法 °");
  auto d = ImportBytes(Drawing(utf8, {}, "", ""));
  EXPECT_EQ(d.model().TextText(0), "寸法 °");
  auto bom = ImportBytes("\xEF\xBB\xBF" + Drawing(utf8, {}, "AC1015", "ANSI_1252"));
  EXPECT_EQ(bom.model().TextText(0), "寸法 °");

  auto e = ImportBytes(Drawing({{0, "TEXT"}, {1, "Stra\xdf" "e \\U+2205 20"}}, {}, "AC1018",
                               "ANSI_1252"));
  EXPECT_EQ(e.model().TextText(0), "Straße ∅ 20");
}

}  // namespace
}  // namespace ovix
