#include "workbook/deflate_stream.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>

namespace ovix::workbook {

namespace {

// The empty final block (fixed codes, end-of-block only) that closes a stream
// whose chunks ended in full flushes.
constexpr std::string_view kFinalBlock("\x03\x00", 2);

// ISA-L level 1: about ten times smaller for the engine's XML at several
// hundred megabytes a second.
constexpr int kLevel = 1;

uint32_t Crc(std::string_view data) {
  uint32_t crc = 0;
  // The ISA-L routine takes at most 4 GB at a time.
  while (!data.empty()) {
    const size_t n = std::min<size_t>(data.size(), 1u << 30);
    crc = crc32_gzip_refl(crc, reinterpret_cast<const unsigned char*>(data.data()), n);
    data.remove_prefix(n);
  }
  return crc;
}

// Compresses `input` as deflate blocks: the last of the stream when `last`,
// otherwise ending in a full flush (byte-aligned, no history kept).
std::string Compress(std::string_view input, bool last) {
  thread_local std::unique_ptr<uint8_t[]> level_buffer(new uint8_t[ISAL_DEF_LVL1_DEFAULT]);
  // Scratch output, reused by the thread's next chunk; the result is copied
  // out at its exact size. Deflate never grows data by more than its
  // stored-block framing; the margin covers that and the block headers.
  thread_local std::vector<uint8_t> scratch;
  size_t capacity = input.size() + input.size() / 16 + 1024;
  for (int attempt = 0; attempt < 3; ++attempt, capacity *= 2) {
    if (scratch.size() < capacity) scratch.resize(capacity);
    isal_zstream stream;
    isal_deflate_stateless_init(&stream);
    stream.level = kLevel;
    stream.level_buf = level_buffer.get();
    stream.level_buf_size = ISAL_DEF_LVL1_DEFAULT;
    stream.end_of_stream = last ? 1 : 0;
    stream.flush = last ? NO_FLUSH : FULL_FLUSH;
    stream.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(input.data()));
    stream.avail_in = static_cast<uint32_t>(input.size());
    stream.next_out = scratch.data();
    stream.avail_out = static_cast<uint32_t>(std::min<size_t>(scratch.size(), UINT32_MAX));
    const int result = isal_deflate_stateless(&stream);
    if (result == COMP_OK) return std::string(reinterpret_cast<const char*>(scratch.data()), stream.total_out);
    if (result != STATELESS_OVERFLOW) break;
  }
  throw std::runtime_error("the deflate compressor failed");
}

}  // namespace

DeflatedData DeflateAll(std::string_view data) {
  DeflatedData result;
  result.size = data.size();
  result.crc = Crc(data);
  // The stateless compressor takes less than 4 GB at a time; larger parts go
  // in flushed pieces.
  constexpr size_t kPiece = size_t{1} << 30;
  while (data.size() > kPiece) {
    result.pieces.push_back(Compress(data.substr(0, kPiece), false));
    data.remove_prefix(kPiece);
  }
  result.pieces.push_back(Compress(data, true));
  for (const std::string& p : result.pieces) result.compressed_size += p.size();
  return result;
}

ChunkedDeflater::ChunkedDeflater(unsigned workers) {
  if (workers == 0) workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  max_in_flight_ = workers + 1;
  workers_.reserve(workers);
  for (unsigned i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
}

ChunkedDeflater::~ChunkedDeflater() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_ready_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void ChunkedDeflater::Add(std::string& chunk) {
  if (chunk.empty()) return;
  Job job;
  job.input.swap(chunk);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!spare_inputs_.empty()) {
      chunk.swap(spare_inputs_.back());
      spare_inputs_.pop_back();
    }
  }
  chunk.clear();
  Queue(std::move(job));
}

void ChunkedDeflater::Add(ChunkWriter write) {
  Job job;
  job.write = std::move(write);
  Queue(std::move(job));
}

void ChunkedDeflater::Queue(Job job) {
  std::unique_lock<std::mutex> lock(mutex_);
  slot_free_.wait(lock, [&] { return in_flight_ < max_in_flight_ || error_; });
  if (error_) std::rethrow_exception(error_);
  EmitReady(lock);
  job.index = outputs_.size();
  outputs_.emplace_back();
  done_.push_back(0);
  crcs_.push_back(0);
  sizes_.push_back(job.input.size());
  queue_.push_back(std::move(job));
  ++in_flight_;
  lock.unlock();
  work_ready_.notify_one();
}

void ChunkedDeflater::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    work_ready_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    if (job.write && !spare_inputs_.empty()) {
      job.input.swap(spare_inputs_.back());
      spare_inputs_.pop_back();
    }
    lock.unlock();
    std::string out;
    uint32_t crc = 0;
    std::exception_ptr error;
    try {
      if (job.write) {
        job.input.clear();
        job.write(job.input);
        job.write = nullptr;
      }
      crc = Crc(job.input);
      // An empty chunk adds nothing to the stream.
      if (!job.input.empty()) out = Compress(job.input, false);
    } catch (...) {
      error = std::current_exception();
    }
    lock.lock();
    if (error && !error_) error_ = error;
    outputs_[job.index] = std::move(out);
    done_[job.index] = 1;
    crcs_[job.index] = crc;
    sizes_[job.index] = job.input.size();
    job.input.clear();
    spare_inputs_.push_back(std::move(job.input));
    --in_flight_;
    slot_free_.notify_all();
  }
}

void ChunkedDeflater::EmitReady(std::unique_lock<std::mutex>& lock) {
  if (!sink_) return;
  while (next_emit_ < outputs_.size() && done_[next_emit_]) {
    const std::string piece = std::move(outputs_[next_emit_]);
    outputs_[next_emit_] = std::string();
    ++next_emit_;
    emitted_bytes_ += piece.size();
    lock.unlock();
    try {
      if (!piece.empty()) sink_(piece);
    } catch (...) {
      lock.lock();
      throw;
    }
    lock.lock();
  }
}

DeflatedData ChunkedDeflater::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (error_) std::rethrow_exception(error_);
    EmitReady(lock);
    if (in_flight_ == 0) break;
    slot_free_.wait(lock, [&] {
      return in_flight_ == 0 || error_ || (sink_ && next_emit_ < done_.size() && done_[next_emit_]);
    });
  }
  if (error_) std::rethrow_exception(error_);
  EmitReady(lock);
  DeflatedData result;
  for (size_t i = 0; i < outputs_.size(); ++i) {
    result.crc = i == 0 ? crcs_[i]
                        : static_cast<uint32_t>(crc32_combine(result.crc, crcs_[i],
                                                              static_cast<z_off_t>(sizes_[i])));
    result.size += sizes_[i];
    if (!sink_) {
      result.compressed_size += outputs_[i].size();
      result.pieces.push_back(std::move(outputs_[i]));
    }
  }
  outputs_.clear();
  done_.clear();
  crcs_.clear();
  sizes_.clear();
  if (sink_) {
    result.compressed_size = emitted_bytes_ + kFinalBlock.size();
    lock.unlock();
    sink_(kFinalBlock);
  } else {
    result.pieces.emplace_back(kFinalBlock);
    result.compressed_size += kFinalBlock.size();
  }
  return result;
}

}  // namespace ovix::workbook
