// RvDxfImport: the file, the counting and reading passes, the record lists
// and their accessors.

#include "dxf/rv_dxf_import.h"

#include <gtest/gtest.h>

#include "model/rv_document.h"
#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::DxfText;
using testing::Drawing;
using testing::ImportBytes;
using testing::ScopedRecordingPrompt;
using testing::Section;
using testing::TempDir;
using testing::WriteFileBytes;

// Both passes over `bytes`, as the DXF stage runs them.
struct Passes {
  RvDxfImport reader;
  bool counted = false, read = false;
  int32_t counted_tables = 0, counted_entities = 0;
  std::vector<std::string> messages;

  explicit Passes(const std::string& bytes) {
    TempDir dir;
    const std::string path = (dir / "d.dxf").string();
    WriteFileBytes(path, bytes);
    ScopedRecordingPrompt prompt;
    EXPECT_TRUE(reader.OpenDxfFile(path));
    counted = reader.GetDxfDataCount();
    counted_tables = reader.TableCount();
    counted_entities = reader.EntityCount();
    reader.CloseDxfFile();
    EXPECT_TRUE(reader.OpenDxfFile(path));
    read = counted && reader.ReadDxfFile();
    reader.CloseDxfFile();
    messages = prompt.texts();
  }
  std::vector<std::string> EntityTypes() const {
    std::vector<std::string> out;
    for (int32_t i = 0; i < reader.EntityCount(); ++i) out.push_back(reader.EntityType(i));
    return out;
  }
};

const DxfPairs kTables{{0, "TABLE"},  {2, "LAYER"},     {0, "LAYER"}, {2, "0"},
                       {62, "7"},     {0, "layer"},     {2, "lower"}, {0, "ENDTAB"},
                       {0, "TABLE"},  {2, "VPORT"},     {0, "VPORT"}, {2, "*ACTIVE"},
                       {0, "ENDTAB"}, {0, "TABLE"},     {2, "STYLE"}, {0, "STYLE"},
                       {2, "Standard"}, {0, "ENDTAB"}};

TEST(DxfReader, CountsAndStoresTheKnownTableRecordsAndEveryEntity) {
  DxfPairs entities = testing::Line(0, 0, 1, 1);
  entities.insert(entities.end(), {{0, "insert"}, {2, "BLK"}, {0, "HATCH"}});
  Passes p(Drawing(entities, kTables));
  ASSERT_TRUE(p.read);
  // A lower-case table type and other tables' records are neither counted
  // nor stored; entity types are upper-cased.
  EXPECT_EQ(p.counted_tables, 2);
  EXPECT_EQ(p.counted_entities, 3);
  EXPECT_EQ(p.reader.TableCount(), 2);
  EXPECT_EQ(p.reader.TableType(0), "LAYER");
  EXPECT_EQ(p.reader.TableType(1), "STYLE");
  EXPECT_EQ(p.EntityTypes(), (std::vector<std::string>{"LINE", "INSERT", "HATCH"}));
  std::vector<int32_t> codes;
  std::vector<std::string> values;
  EXPECT_EQ(p.reader.GetTableNo(0, codes), 2);
  EXPECT_EQ(codes, (std::vector<int32_t>{2, 62}));
  EXPECT_EQ(p.reader.GetTableValue(0, values), 2);
  EXPECT_EQ(values, (std::vector<std::string>{"0", "7"}));
  EXPECT_EQ(p.reader.EntityParmeterCount(0), 7);
  EXPECT_EQ(p.reader.GetEntityNo(0, codes), 7);
  EXPECT_EQ(codes.front(), 8);
}

TEST(DxfReader, AccessorsAnswerNegativeIndexesAndRefuseIndexesPastTheList) {
  RvDxfImport reader;
  // After Clear each list reads as one blank record.
  EXPECT_EQ(reader.TableCount(), 0);
  EXPECT_EQ(reader.TableType(0), "");
  EXPECT_EQ(reader.EntityParmeterCount(0), 0);
  std::vector<int32_t> codes{42};
  EXPECT_EQ(reader.GetTableNo(-1, codes), 0);
  EXPECT_EQ(codes, std::vector<int32_t>{42});  // untouched
  EXPECT_EQ(reader.TableType(-1), "");
  EXPECT_THROW(reader.EntityType(1), RvError);
  Passes p(Drawing(testing::Line(0, 0, 1, 1)));
  EXPECT_EQ(p.reader.EntityType(0), "LINE");
  EXPECT_THROW(p.reader.EntityType(1), RvError);
  std::vector<std::string> values;
  EXPECT_THROW(p.reader.GetEntityValue(5, values), RvError);
}

TEST(DxfReader, SectionNamesInAnyCaseAndBlocksPassedOver) {
  const DxfPairs all{{0, "SECTION"}, {2, "blocks"},   {0, "BLOCK"},    {2, "B"},
                     {0, "LINE"},    {8, "0"},        {0, "ENDBLK"},   {0, "endsec"},
                     {0, "Section"}, {2, "Entities"}, {0, "Circle"},   {40, "1"},
                     {0, "EndSec"},  {0, "EOF"}};
  Passes p(DxfText(all));
  ASSERT_TRUE(p.read);
  EXPECT_EQ(p.EntityTypes(), std::vector<std::string>{"CIRCLE"});
  EXPECT_EQ(p.reader.TableCount(), 0);  // no TABLES section at all
}

TEST(DxfReader, ViewportEndsNothingAndValuesThatReadViewportAreText) {
  DxfPairs entities{{0, "VIEWPORT"}, {67, "1"}, {8, "0"}, {0, "TEXT"}, {1, "VIEWPORT"}};
  const DxfPairs line = testing::Line(0, 0, 5, 5);
  entities.insert(entities.end(), line.begin(), line.end());
  Passes p(Drawing(entities));
  ASSERT_TRUE(p.read);
  EXPECT_EQ(p.EntityTypes(), (std::vector<std::string>{"VIEWPORT", "TEXT", "LINE"}));
}

TEST(DxfReader, EmptyDrawingsReadAsEmpty) {
  for (const std::string& text :
       {Drawing({}), DxfText({{0, "EOF"}}), DxfText(Section("ENTITIES", {})),
        DxfText({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {0, "ENDSEC"}})}) {
    Passes p(text);
    EXPECT_TRUE(p.read) << text;
    EXPECT_EQ(p.reader.EntityCount(), 0);
    EXPECT_TRUE(p.messages.empty());
  }
}

TEST(DxfReader, DataAfterEofIsIgnored) {
  Passes p(Drawing(testing::Line(0, 0, 1, 1)) + "ignore\ninvalid\ndata\n");
  EXPECT_TRUE(p.read);
  EXPECT_EQ(p.reader.EntityCount(), 1);
}

TEST(DxfReader, RecordWithThousandsOfPairsIsStoredWhole) {
  DxfPairs entity{{0, "SPLINE"}};
  for (int i = 0; i < 5000; ++i) entity.push_back({40, std::to_string(i)});
  Passes p(Drawing(entity));
  ASSERT_TRUE(p.read);
  EXPECT_EQ(p.reader.EntityParmeterCount(0), 5000);
  std::vector<std::string> values;
  p.reader.GetEntityValue(0, values);
  EXPECT_EQ(values.back(), "4999");
}

TEST(DxfReader, BinaryAndNonDxfFilesFailWithAMessage) {
  const std::string binary = std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + "\x00\x07SECTION";
  Passes b(binary);
  EXPECT_FALSE(b.counted);
  ASSERT_EQ(b.messages.size(), 1u);
  EXPECT_EQ(b.messages[0], kDxfBinaryMessage);

  for (const std::string& bytes : {std::string("\x89PNG\r\n\x1a\n\0\0", 10), std::string(),
                                   std::string("hello\nworld\n"), std::string("0\nhello\n")}) {
    Passes n(bytes);
    EXPECT_FALSE(n.counted);
    ASSERT_EQ(n.messages.size(), 1u);
    EXPECT_EQ(n.messages[0].rfind(kDxfNotDxfMessage, 0), 0u) << n.messages[0];
  }
}

TEST(DxfReader, BadGroupCodeInsideADrawingNamesItsLine) {
  std::string text = DxfText({{0, "SECTION"}, {2, "ENTITIES"}}) + "LINE\n8\n";
  Passes p(text);
  EXPECT_FALSE(p.counted);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_NE(p.messages[0].find(kDxfBadCodeMessage), std::string::npos);
  EXPECT_NE(p.messages[0].find("5行目"), std::string::npos);
  EXPECT_NE(p.messages[0].find("\"LINE\""), std::string::npos);
}

TEST(DxfReader, AGroupCodeTooLargeIsOutOfRangeNotANonNumber) {
  std::string text = DxfText({{0, "SECTION"}, {2, "ENTITIES"}}) + "9999999999\nLINE\n";
  Passes p(text);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_NE(p.messages[0].find("\"9999999999\" が範囲外です"), std::string::npos) << p.messages[0];
  EXPECT_EQ(p.messages[0].find("数値ではありません"), std::string::npos);
}

// A line beyond the reader's limit (a file without line ends, a runaway
// value) is refused with its line number instead of being held in memory;
// a long value below it reads.
TEST(DxfReader, ALineLongerThanTheLimitIsRefusedWithItsNumber) {
  const std::string head = DxfText({{0, "SECTION"}, {2, "ENTITIES"}, {0, "MTEXT"}, {8, "0"}});
  Passes p(head + "1\n" + std::string(kMaxDxfLineBytes + 10, 'x') + "\n0\nENDSEC\n0\nEOF\n");
  EXPECT_FALSE(p.counted);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0].rfind(kDxfLineTooLongMessage, 0), 0u) << p.messages[0];
  EXPECT_NE(p.messages[0].find("\n10行目"), std::string::npos) << p.messages[0];

  // No line end at all: the first line is the one.
  Passes q(std::string(kMaxDxfLineBytes + 1, '0'));
  EXPECT_FALSE(q.counted);
  ASSERT_EQ(q.messages.size(), 1u);
  EXPECT_NE(q.messages[0].find("\n1行目"), std::string::npos) << q.messages[0];

  Passes ok(head + "1\n" + std::string(1 << 20, 'y') + "\n0\nENDSEC\n0\nEOF\n");
  EXPECT_TRUE(ok.read);
  EXPECT_TRUE(ok.messages.empty());
}

TEST(DxfReader, FileOperations) {
  RvDxfImport reader;
  EXPECT_FALSE(reader.CloseDxfFile());  // nothing opened yet
  EXPECT_FALSE(reader.OpenDxfFile("/no/such/file.dxf"));
  EXPECT_EQ(reader.FilePath(), "");
  TempDir dir;
  EXPECT_FALSE(reader.OpenDxfFile(dir.path().string()));  // a directory
  EXPECT_FALSE(reader.GetDxfDataCount());
  EXPECT_FALSE(reader.ReadDxfFile());
  EXPECT_TRUE(reader.CloseDxfFile());
}

TEST(DxfReader, ClearForgetsTheRecordsAndTheModel) {
  Passes p(Drawing(testing::Line(0, 0, 1, 1)));
  RvDocument doc;
  p.reader.SetRvSystem(doc.SharedSystem());
  p.reader.Clear();
  EXPECT_EQ(p.reader.EntityCount(), 0);
  EXPECT_EQ(p.reader.EntityType(0), "");
  EXPECT_EQ(p.reader.SetEntityData(), nullptr);  // no model any more
  EXPECT_EQ(doc.System().LineCount(), 0);
}

TEST(DxfReader, EncodingIsSettledByTheCountingPass) {
  EXPECT_EQ(Passes(Drawing({}, {}, "AC1015", "ANSI_932")).reader.TextEncoding(), "CP932");
  EXPECT_EQ(Passes(Drawing({}, {}, "AC1027", "ANSI_1252")).reader.TextEncoding(), "UTF-8");
  EXPECT_EQ(Passes(Drawing({{0, "TEXT"}, {1, "\x8e\x9a"}}, {}, "", "")).reader.TextEncoding(),
            "CP932");
}

}  // namespace
}  // namespace ovix
