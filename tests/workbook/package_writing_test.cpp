// Writing packages fast: chunked parallel deflate, the ZIP container (with its
// ZIP64 form), the drawing part streamed in pieces, and default shape names
// found without a hash index.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <span>
#include <string>
#include <vector>

#include "tests/support/shared_files.h"
#include "workbook/deflate_stream.h"
#include "workbook/shape_model.h"
#include "workbook/xlsx_parts.h"
#include "workbook/zip_archive.h"
#include "workbook/zip_package_reader.h"

namespace {

using namespace ovix::workbook;
using ovix::testing::TempDir;

std::string Joined(const DeflatedData& d) {
  std::string all;
  for (const std::string& p : d.pieces) all += p;
  return all;
}

// Inflates a raw deflate stream with zlib; fails the test on a bad stream or
// bytes after its end.
std::string Inflate(const std::string& deflated, size_t expected_size) {
  std::string out(expected_size + 1, '\0');
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
  z.avail_in = static_cast<uInt>(deflated.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

uint32_t ZlibCrc(const std::string& s) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
}

// Repetitive XML-like text with some noise, like a drawing part.
std::string SampleText(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) {
    s += "<xdr:cxnSp macro=\"\"><a:off x=\"" + std::to_string(rng() % 100000) + "\" y=\"" +
         std::to_string(rng() % 100000) + "\"/></xdr:cxnSp>";
  }
  s.resize(size);
  return s;
}

TEST(ChunkedDeflate, ChunksJoinIntoOneStreamWithTheWholeCrc) {
  for (unsigned workers : {1u, 3u}) {
    SCOPED_TRACE(workers);
    const std::string text = SampleText(8 * ChunkedDeflater::kChunkSize + 12345, workers);
    ChunkedDeflater deflater(workers);
    std::string chunk;
    // Uneven chunks, one of them empty, as the drawing writer hands them over.
    const size_t cuts[] = {1, 700000, 0, ChunkedDeflater::kChunkSize, 3 * ChunkedDeflater::kChunkSize};
    size_t at = 0;
    for (size_t n : cuts) {
      chunk.assign(text, at, n);
      deflater.Add(chunk);
      EXPECT_TRUE(chunk.empty());
      at += n;
    }
    // Chunks the workers write themselves, one empty, joined in the order
    // they were added whichever worker finishes first.
    const size_t written[] = {ChunkedDeflater::kChunkSize / 3, 0, 2 * ChunkedDeflater::kChunkSize};
    for (size_t n : written) {
      const std::string piece = text.substr(at, n);
      deflater.Add([piece](std::string& buffer) {
        EXPECT_TRUE(buffer.empty());
        buffer += piece;
      });
      at += n;
    }
    chunk.assign(text, at, std::string::npos);
    deflater.Add(chunk);
    const DeflatedData d = deflater.Finish();
    EXPECT_EQ(d.size, text.size());
    EXPECT_EQ(d.crc, ZlibCrc(text));
    EXPECT_EQ(d.compressed_size, Joined(d).size());
    EXPECT_LT(d.compressed_size, text.size() / 2);
    EXPECT_EQ(Inflate(Joined(d), text.size()), text);
  }
}

TEST(ChunkedDeflate, EmptyAndSmallPartsAreValidStreams) {
  ChunkedDeflater none;
  const DeflatedData empty = none.Finish();
  EXPECT_EQ(empty.size, 0u);
  EXPECT_EQ(empty.crc, 0u);
  EXPECT_EQ(Inflate(Joined(empty), 0), "");

  const DeflatedData whole = DeflateAll("<a/>");
  EXPECT_EQ(Inflate(Joined(whole), 4), "<a/>");
  EXPECT_EQ(whole.crc, ZlibCrc("<a/>"));
  EXPECT_EQ(Inflate(Joined(DeflateAll("")), 0), "");
}

TEST(ZipArchive, ReadsBackWithLibzipInPlainAndZip64Form) {
  const std::string big = SampleText(300000, 7);
  const DeflatedData a = DeflateAll("<?xml version=\"1.0\"?><Types/>");
  const DeflatedData b = DeflateAll(big);
  const DeflatedData c = DeflateAll("");
  // Members compressed already, written from the caller's bytes: one stored,
  // one deflated (another member's stream copied).
  const std::string plain = "<stored>text</stored>";
  DeflatedData d;
  d.method = 0;
  d.crc = ZlibCrc(plain);
  d.size = d.compressed_size = plain.size();
  const std::string b_stream = Joined(b);
  DeflatedData e;
  e.crc = b.crc;
  e.size = b.size;
  e.compressed_size = b_stream.size();
  const std::vector<ZipMember> members = {{"[Content_Types].xml", &a},
                                          {"xl/drawings/drawing1.xml", &b},
                                          {"docProps/漢字.xml", &c},
                                          {"xl/media/stored.xml", &d, plain},
                                          {"xl/media/copied.xml", &e, b_stream}};
  // The format's own limits, and limits so low that every size, offset and
  // the directory take the ZIP64 fields.
  for (uint64_t limit : {uint64_t{0xFFFFFFFF}, uint64_t{64}}) {
    SCOPED_TRACE(limit);
    TempDir dir;
    std::string bytes;
    WriteZipArchive(members, 1700000000, [&](const char* p, size_t n) { bytes.append(p, n); }, limit);
    ovix::testing::WriteFileBytes(dir / "book.xlsx", bytes);
    const PackageContents contents = ReadZipPackage(dir / "book.xlsx");
    ASSERT_EQ(contents.parts().size(), 5u);
    EXPECT_EQ(contents.parts()[0].name(), "[Content_Types].xml");
    EXPECT_EQ(contents.parts()[1].data(), big);
    EXPECT_EQ(contents.parts()[2].name(), "docProps/漢字.xml");
    EXPECT_EQ(contents.parts()[2].data(), "");
    EXPECT_EQ(contents.parts()[3].data(), plain);
    EXPECT_EQ(contents.parts()[3].method(), 0);
    EXPECT_EQ(contents.parts()[4].data(), big);
    EXPECT_EQ(contents.parts()[4].compressed(), b_stream);
  }
}

// Writes `members` as WriteZipArchive does into a string whose earlier bytes
// the patch function may overwrite.
std::string ArchiveBytes(const std::vector<ZipMember>& members, uint64_t limit = 0xFFFFFFFF) {
  std::string bytes;
  WriteZipArchive(
      members, 1700000000, [&](const char* p, size_t n) { bytes.append(p, n); }, limit,
      [&](uint64_t offset, const char* p, size_t n) {
        ASSERT_LE(offset + n, bytes.size());
        bytes.replace(offset, n, p, n);
      });
  return bytes;
}

TEST(ZipArchive, AStreamedMemberIsWrittenAsIfItsSizesWereKnownBeforehand) {
  const std::string big = SampleText(5 * ChunkedDeflater::kChunkSize + 999, 11);
  const DeflatedData types = DeflateAll("<Types/>");
  // The drawing deflated in chunks on the workers, once held and once
  // handed on as it is compressed.
  auto deflate = [&](ChunkedDeflater& deflater) {
    for (size_t at = 0; at < big.size(); at += ChunkedDeflater::kChunkSize) {
      const std::string piece = big.substr(at, ChunkedDeflater::kChunkSize);
      deflater.Add([piece](std::string& buffer) { buffer += piece; });
    }
    return deflater.Finish();
  };
  ChunkedDeflater held_deflater(2);
  const DeflatedData held = deflate(held_deflater);
  std::vector<std::string> handed;
  auto streamed = [&](const ZipSink& sink) {
    ChunkedDeflater deflater(2);
    deflater.StreamTo([&](std::string_view piece) {
      handed.emplace_back(piece);
      sink(piece.data(), piece.size());
    });
    const DeflatedData d = deflate(deflater);
    EXPECT_TRUE(d.pieces.empty());
    return d;
  };
  ZipMember drawing{"xl/drawings/drawing1.xml", nullptr};
  drawing.stream = streamed;
  const std::string expected = ArchiveBytes({{"[Content_Types].xml", &types}, {drawing.name, &held}});
  EXPECT_EQ(ArchiveBytes({{"[Content_Types].xml", &types}, drawing}), expected);
  EXPECT_EQ(handed, held.pieces);

  // Taking the ZIP64 fields whatever its size, it reads back as well.
  drawing.stream_zip64 = true;
  const std::string wide = ArchiveBytes({{"[Content_Types].xml", &types}, drawing});
  EXPECT_EQ(wide.size(), expected.size() + 2 * 20);  // local header and directory
  TempDir dir;
  ovix::testing::WriteFileBytes(dir / "book.xlsx", wide);
  const PackageContents contents = ReadZipPackage(dir / "book.xlsx");
  ASSERT_EQ(contents.parts().size(), 2u);
  EXPECT_EQ(contents.parts()[1].data(), big);

  // Without them, a member that reaches the format's limit fails the archive.
  drawing.stream_zip64 = false;
  EXPECT_THROW(ArchiveBytes({drawing}, 4096), std::length_error);
}

TEST(DrawingXmlPieces, RunsOfShapesJoinToTheWholePart) {
  Drawing drawing;
  for (int i = 0; i < 300; ++i) {
    drawing.AddLine(i, 2.0 * i, 3.0 * i + 1, i + 0.5);
    drawing.AddAutoShape(ShapeKind::kOval, i, i, 10, 5);
  }
  const SheetGrid grid;
  XmlBuffer whole;
  WriteDrawingXml(drawing, grid, whole);
  std::vector<const ShapeNode*> shapes;
  drawing.ForEachTopLevel([&](const ShapeNode& node) { shapes.push_back(&node); });
  XmlBuffer joined;
  WriteDrawingXmlStart(drawing, grid, joined);
  for (size_t at = 0; at < shapes.size(); at += 77) {
    const size_t n = std::min<size_t>(77, shapes.size() - at);
    WriteDrawingXmlAnchors(drawing, grid, std::span(shapes).subspan(at, n), joined);
  }
  WriteDrawingXmlEnd(drawing, grid, joined);
  EXPECT_EQ(joined.str(), whole.str());
}

TEST(ShapeNames, DefaultNamesAreFoundByNumberAndRenamesByName) {
  Drawing drawing;
  ShapeNode& line = drawing.AddLine(0, 0, 10, 10);            // Line 1
  ShapeNode& oval = drawing.AddAutoShape(ShapeKind::kOval, 0, 0, 5, 5);  // Oval 2
  EXPECT_EQ(drawing.Find("Line 1"), &line);
  EXPECT_EQ(drawing.Find("Oval 2"), &oval);
  // Only the exact default name: another kind, leading zeros, blanks or
  // missing numbers find nothing.
  for (const char* wrong : {"Oval 1", "Line 01", "Line  1", "Line 1 ", "Line", "Line ", "1", " 1", "Line -1",
                            "Line 99999999999999999999"}) {
    EXPECT_EQ(drawing.Find(wrong), nullptr) << wrong;
  }
  // A renamed shape gives up its default name and is found by its new one.
  drawing.Rename(line, "外形");
  EXPECT_EQ(drawing.Find("Line 1"), nullptr);
  EXPECT_EQ(drawing.Find("外形"), &line);
  // The default name of a shape still to come may be taken by a rename: the
  // new shape skips that number.
  drawing.Rename(oval, "Line 3");
  EXPECT_EQ(drawing.Find("Line 3"), &oval);
  ShapeNode& next = drawing.AddLine(1, 1, 2, 2);
  EXPECT_EQ(next.Name(), "Line 4");
  EXPECT_EQ(drawing.Find("Line 4"), &next);
  EXPECT_EQ(drawing.Find("Line 3"), &oval);
  // A default name still held cannot be given to another shape, and a shape
  // renamed back to its default name is found again.
  EXPECT_THROW(drawing.Rename(line, "Line 4"), excel::AutomationError);
  drawing.Rename(line, "Line 1");
  EXPECT_EQ(drawing.Find("Line 1"), &line);
  // Names reserved by an opened drawing are skipped too.
  drawing.ReserveName("Oval 5");
  EXPECT_EQ(drawing.AddAutoShape(ShapeKind::kOval, 0, 0, 1, 1).Name(), "Oval 6");
}

TEST(ShapeNames, ThousandsOfShapesKeepTheirAddressesAndNames) {
  Drawing drawing;
  std::vector<ShapeNode*> nodes;
  for (int i = 0; i < 20000; ++i) nodes.push_back(&drawing.AddLine(i, 0, i + 1, 1));
  EXPECT_EQ(drawing.shape_count(), 20000u);
  for (int i = 0; i < 20000; i += 997) {
    EXPECT_EQ(drawing.Find("Line " + std::to_string(i + 1)), nodes[static_cast<size_t>(i)]);
    EXPECT_EQ(nodes[static_cast<size_t>(i)]->left, i);
  }
  EXPECT_EQ(&drawing.TopLevelAt(19999), nodes.back());
}

}  // namespace
