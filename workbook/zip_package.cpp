#include "workbook/zip_package.h"

#include <ctime>
#include <memory>
#include <stdexcept>

#include "excel/excel_automation.h"
#include "workbook/file_replacement.h"
#include "workbook/zip_archive.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(const fs::path& target, const std::string& what) {
  throw excel::AutomationError("cannot save the workbook to \"" + target.string() + "\": " + what);
}

// Owns the archive being built in memory: each part deflated (a large one in
// chunks on all cores), then written out as one ZIP stream.
class MemoryArchive {
 public:
  explicit MemoryArchive(const fs::path& target) : target_(target) {}

  void Add(const std::string& name, std::string_view data) {
    try {
      owned_.push_back(std::make_unique<DeflatedData>(Deflate(data)));
    } catch (const std::exception& error) {
      Fail(target_, error.what());
    }
    members_.push_back({name, owned_.back().get()});
  }
  // A part deflated already (kept alive by the caller).
  void Add(const std::string& name, const DeflatedData& data, std::string_view stored_bytes = {}) {
    members_.push_back({name, &data, stored_bytes});
  }
  // A part deflated while it is written (the stream kept alive by the caller).
  void AddStreamed(const std::string& name, const ZipPackageWriter::PartStream& stream, bool zip64) {
    ZipMember member{name, nullptr};
    member.stream_zip64 = zip64;
    member.stream = [&stream](const ZipSink& sink) {
      return stream([&sink](std::string_view piece) { sink(piece.data(), piece.size()); });
    };
    members_.push_back(std::move(member));
  }

  // Hands the archive's bytes to `sink` in pieces.
  template <typename Sink, typename Patch>
  void Finish(Sink&& sink, Patch&& patch) {
    WriteZipArchive(members_, std::time(nullptr), sink, 0xFFFFFFFFu, patch);
  }

 private:
  static DeflatedData Deflate(std::string_view data) {
    if (data.size() < 4 * ChunkedDeflater::kChunkSize) return DeflateAll(data);
    ChunkedDeflater deflater;
    std::string chunk;
    for (size_t at = 0; at < data.size(); at += ChunkedDeflater::kChunkSize) {
      chunk.assign(data.substr(at, ChunkedDeflater::kChunkSize));
      deflater.Add(chunk);
    }
    return deflater.Finish();
  }

  fs::path target_;
  std::vector<std::unique_ptr<DeflatedData>> owned_;
  std::vector<ZipMember> members_;
};

}  // namespace

void ZipPackageWriter::Add(std::string name, std::string data) {
  parts_.push_back({std::move(name), std::move(data), {}, false, nullptr, {}});
}

void ZipPackageWriter::AddView(std::string name, std::string_view data) {
  parts_.push_back({std::move(name), {}, data, true, nullptr, {}});
}

void ZipPackageWriter::AddDeflated(std::string name, DeflatedData data) {
  Part part;
  part.name = std::move(name);
  part.deflated = std::make_shared<DeflatedData>(std::move(data));
  parts_.push_back(std::move(part));
}

void ZipPackageWriter::AddCompressedView(std::string name, std::string_view compressed, uint16_t method,
                                         uint32_t crc, uint64_t size) {
  auto header = std::make_shared<DeflatedData>();
  header->method = method;
  header->crc = crc;
  header->size = size;
  header->compressed_size = compressed.size();
  Part part;
  part.name = std::move(name);
  part.deflated = std::move(header);
  part.compressed = compressed;
  parts_.push_back(std::move(part));
}

void ZipPackageWriter::AddStreamed(std::string name, PartStream write, bool may_reach_4gb) {
  Part part;
  part.name = std::move(name);
  part.stream = std::move(write);
  part.stream_zip64 = may_reach_4gb;
  parts_.push_back(std::move(part));
}

void ZipPackageWriter::Commit(const fs::path& target) const {
  MemoryArchive archive(target);
  for (const Part& part : parts_) {
    if (part.stream) archive.AddStreamed(part.name, part.stream, part.stream_zip64);
    else if (part.deflated) archive.Add(part.name, *part.deflated, part.compressed);
    else archive.Add(part.name, part.data());
  }
  // The other parts are complete in memory before the new file is begun; a
  // streamed part is made as it is written into it. The workbook is only
  // replaced once the new file is complete.
  ReplaceFile(target, [&](FileSink& sink) {
    try {
      archive.Finish([&](const char* data, size_t size) { sink.Write(data, size); },
                     [&](uint64_t offset, const char* data, size_t size) { sink.WriteAt(offset, data, size); });
    } catch (const std::length_error& error) {
      Fail(target, error.what());
    }
  });
}

void ReplaceFileAtomically(
    const fs::path& target,
    const std::function<void(const std::function<void(const char*, size_t)>& sink)>& write) {
  ReplaceFile(target, [&](FileSink& sink) {
    write([&](const char* data, size_t size) { sink.Write(data, size); });
  });
}

}  // namespace ovix::workbook
