// The compound file under legacy .xls workbooks: every stream of the
// Excel-made references read as an independent reader reads it, one stream
// rewritten (shorter, longer, past the header's 109 table sectors) with every
// other stream kept byte for byte, and damaged files refused cleanly.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/xls/xls_record_diff.h"
#include "workbook/xls/compound_file_reader.h"
#include "workbook/xls/compound_file_rewriter.h"
#include "workbook/xls/le_bytes.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;
using namespace ovix::workbook::xls;

std::vector<fs::path> References() {
  std::vector<fs::path> files;
  if (const auto dir = SharedPath("xls-reference")) {
    for (const auto& e : fs::directory_iterator(*dir)) {
      if (e.path().extension() == ".xls") files.push_back(e.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::map<std::u16string, std::string> AllStreams(const CompoundFile& file) {
  return ovix::testing::AllStreams(file.bytes());
}

TEST(XlsCompoundFile, ReferenceStreamsReadAsAnIndependentReaderReadsThem) {
  const auto files = References();
  if (files.empty()) GTEST_SKIP() << "xls-reference not found (set OVIX_SHARED_DIR)";
  if (!HasProgram("/usr/bin/python3")) GTEST_SKIP() << "python3 not found";
  TempDir dir;
  for (const fs::path& path : files) {
    SCOPED_TRACE(path.filename().string());
    const CompoundFile file(ReadFileBytes(path));
    const auto streams = AllStreams(file);
    ASSERT_EQ(streams.count(u"Workbook"), 1u);
    // olefile's view: each stream's path and size, and the Workbook bytes.
    const auto result = RunCommand(
        "/usr/bin/python3 -c \"import olefile,sys\no=olefile.OleFileIO(sys.argv[1])\n"
        "for e in o.listdir():\n  print('/'.join(e), o.get_size('/'.join(e)))\n"
        "open(sys.argv[2],'wb').write(o.openstream('Workbook').read())\" " +
        ShellQuote(path.string()) + " " + ShellQuote((dir / "wb").string()));
    ASSERT_EQ(result.exit_code, 0) << result.output;
    size_t lines = 0;
    for (size_t at = 0; at < result.output.size(); at = result.output.find('\n', at) + 1, ++lines) {}
    EXPECT_EQ(lines, streams.size()) << result.output;
    for (const auto& [name, data] : streams) {
      std::string utf8;
      for (char16_t c : name) utf8.push_back(static_cast<char>(c < 0x80 ? c : '?'));
      if (name.find(u'\x01') != std::u16string::npos || name.find(u'\x03') != std::u16string::npos ||
          name.find(u'\x05') != std::u16string::npos) {
        continue;  // control characters in the name: the size line is not comparable as text
      }
      EXPECT_NE(result.output.find(utf8 + " " + std::to_string(data.size()) + "\n"), std::string::npos) << utf8;
    }
    EXPECT_EQ(ReadFileBytes(dir / "wb"), streams.at(u"Workbook"));
  }
}

TEST(XlsCompoundFile, ReplacingAStreamKeepsEveryOtherStreamByteForByte) {
  const auto files = References();
  if (files.empty()) GTEST_SKIP() << "xls-reference not found (set OVIX_SHARED_DIR)";
  for (const fs::path& path : files) {
    SCOPED_TRACE(path.filename().string());
    const CompoundFile file(ReadFileBytes(path));
    const auto before = AllStreams(file);
    const uint32_t entry = file.FindChild(0, u"Workbook");
    const std::string& old = before.at(u"Workbook");
    // Shorter, a little longer, and several times longer than it was.
    for (const std::string& data : {old.substr(0, old.size() / 3), old + std::string(700, 'x'),
                                    old + std::string(3 * old.size() + 100000, 'y')}) {
      const CompoundFile after(ReplaceStream(file, entry, data));
      auto streams = AllStreams(after);
      std::string written = streams.at(u"Workbook");
      ASSERT_GE(written.size(), data.size());
      EXPECT_EQ(written.substr(0, data.size()), data);
      EXPECT_EQ(written.find_first_not_of('\0', data.size()), std::string::npos) << "padding is zeros";
      streams.erase(u"Workbook");
      auto others = before;
      others.erase(u"Workbook");
      EXPECT_EQ(streams, others);
    }
  }
}

TEST(XlsCompoundFile, AStreamPastTheHeadersTableSectorsGetsDifatSectors) {
  OVIX_REQUIRE_SHARED(simple, "xls-reference/apache__poi__Simple.xls");
  const CompoundFile file(ReadFileBytes(simple));
  // 8 MB: more than the 109 table sectors the header lists can map.
  std::string big(8 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + (i >> 13));
  const std::string bytes = ReplaceStream(file, file.FindChild(0, u"Workbook"), big);
  const CompoundFile after(bytes);
  EXPECT_GT(after.fat_sectors().size(), 109u);
  EXPECT_FALSE(after.difat_sectors().empty());
  EXPECT_EQ(after.ReadStream(after.FindChild(0, u"Workbook")), big);
  EXPECT_EQ(after.ReadStream(after.FindChild(0, u"\x05SummaryInformation")),
            file.ReadStream(file.FindChild(0, u"\x05SummaryInformation")));
  if (HasProgram("/usr/bin/python3")) {
    TempDir dir;
    WriteFileBytes(dir / "big.xls", bytes);
    const auto result = RunCommand(
        "/usr/bin/python3 -c \"import olefile,sys\no=olefile.OleFileIO(sys.argv[1])\n"
        "print(o.get_size('Workbook'), len(o.openstream('Workbook').read()))\" " +
        ShellQuote((dir / "big.xls").string()));
    EXPECT_EQ(result.exit_code, 0) << result.output;
    EXPECT_EQ(result.output, std::to_string(big.size()) + " " + std::to_string(big.size()) + "\n");
  }
}

// A valid one-stream file to damage: header, one table sector, one directory
// sector, a stream "Workbook" of 8 sectors.
std::string SmallFile() {
  std::string b(512 * 11, '\0');
  b.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  SetU16(b, 0x18, 0x3E);
  SetU16(b, 0x1A, 3);
  SetU16(b, 0x1C, 0xFFFE);
  SetU16(b, 0x1E, 9);
  SetU16(b, 0x20, 6);
  SetU32(b, 0x2C, 1);   // one table sector
  SetU32(b, 0x30, 1);   // directory at sector 1
  SetU32(b, 0x38, 4096);
  SetU32(b, 0x3C, kEndOfChain);
  SetU32(b, 0x44, kEndOfChain);
  for (int i = 0; i < 109; ++i) SetU32(b, 0x4C + 4 * i, i == 0 ? 0 : kFreeSector);
  const size_t fat = 512;
  for (int i = 0; i < 128; ++i) SetU32(b, fat + 4 * i, kFreeSector);
  SetU32(b, fat, kFatSector);
  SetU32(b, fat + 4, kEndOfChain);
  for (uint32_t s = 2; s < 10; ++s) SetU32(b, fat + 4 * s, s + 1 < 10 ? s + 1 : kEndOfChain);
  auto entry = [&](int index, std::u16string name, uint8_t type, uint32_t child, uint32_t start, uint32_t size) {
    const size_t at = 1024 + 128 * index;
    for (size_t c = 0; c < name.size(); ++c) SetU16(b, at + 2 * c, name[c]);
    SetU16(b, at + 0x40, static_cast<uint16_t>(2 * (name.size() + 1)));
    b[at + 0x42] = static_cast<char>(type);
    SetU32(b, at + 0x44, kNoStream);
    SetU32(b, at + 0x48, kNoStream);
    SetU32(b, at + 0x4C, child);
    SetU32(b, at + 0x74, start);
    SetU32(b, at + 0x78, size);
  };
  entry(0, u"Root Entry", 5, 1, kEndOfChain, 0);
  entry(1, u"Workbook", 2, kNoStream, 2, 4096);
  return b;
}

TEST(XlsCompoundFile, AFileLongerThanItsTableGetsTableSectorsMarkedAsSuch) {
  // Bytes after the last sector the table maps (found by the fuzzer): the
  // new table sectors lie beyond the old table's end, and are marked once
  // the table reaches them (they were written past its end).
  OVIX_REQUIRE_SHARED(simple, "xls-reference/apache__poi__Simple.xls");
  std::string bytes = ReadFileBytes(simple);
  bytes.append(300 * 512, '\0');  // one table sector maps 128
  const CompoundFile file(bytes);
  const std::string workbook(200000, 'w');
  const CompoundFile after(ReplaceStream(file, file.FindChild(0, u"Workbook"), workbook));
  EXPECT_EQ(after.ReadStream(after.FindChild(0, u"Workbook")), workbook);
  EXPECT_EQ(after.ReadStream(after.FindChild(0, u"\x05SummaryInformation")),
            file.ReadStream(file.FindChild(0, u"\x05SummaryInformation")));
  ASSERT_GT(after.fat_sectors().size(), file.fat_sectors().size());
  for (const uint32_t t : after.fat_sectors()) {
    ASSERT_LT(t, after.fat().size());
    EXPECT_EQ(after.fat()[t], 0xFFFFFFFDu) << "table sector " << t;
  }
}

TEST(XlsCompoundFile, DamagedFilesAreRefusedWithoutCrashingOrLooping) {
  ASSERT_EQ(CompoundFile(SmallFile()).ReadStream(1).size(), 4096u);
  auto refused = [](std::string bytes, const char* what) {
    SCOPED_TRACE(what);
    try {
      const CompoundFile file(std::move(bytes));
      const uint32_t e = file.FindChild(0, u"Workbook");
      if (e != kNoStream) file.ReadStream(e);
      ADD_FAILURE() << "accepted";
    } catch (const CompoundFileError& e) {
      EXPECT_NE(std::string(e.what()).size(), 0u);
    }
  };
  std::string b = SmallFile();
  SetU32(b, 512 + 4 * 5, 3);  // the stream's chain loops back
  refused(b, "a chain that loops");
  b = SmallFile();
  SetU32(b, 512 + 4 * 5, 5000);
  refused(b, "a chain leaving the file");
  b = SmallFile();
  SetU32(b, 512 + 4 * 5, kEndOfChain);
  refused(b, "a chain shorter than its stream");
  b = SmallFile();
  SetU32(b, 1024 + 128 + 0x44, 1);  // the entry is its own left sibling
  refused(b, "a directory tree that loops");
  b = SmallFile();
  SetU32(b, 1024 + 0x4C, 77);
  refused(b, "a directory link outside the directory");
  b = SmallFile();
  SetU32(b, 0x2C, 500);
  refused(b, "more table sectors than the file has");
  b = SmallFile();
  SetU32(b, 0x4C, 4000);
  refused(b, "a table sector outside the file");
  b = SmallFile();
  SetU32(b, 0x2C, 2);
  SetU32(b, 0x4C + 4, kFreeSector);
  SetU32(b, 0x44, 3);
  SetU32(b, 0x48, 1);
  refused(b, "a DIFAT chain where the table should be");
  refused(SmallFile().substr(0, 300), "a file cut inside its header");
  refused(std::string(600, 'x'), "not a compound file");
  b = SmallFile();
  SetU16(b, 0x1E, 30);
  refused(b, "an absurd sector size");
  // Cut inside the stream's sectors: the missing sectors read as zeros, the
  // chain itself still points outside the file.
  refused(SmallFile().substr(0, 512 * 6), "a file cut inside the stream");
}

}  // namespace
