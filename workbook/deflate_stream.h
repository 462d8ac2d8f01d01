#pragma once
// Raw deflate streams for the members of a ZIP package, made with ISA-L's
// fast deflate. A large part is cut into chunks that are compressed
// independently on worker threads, each ending on a byte boundary with a full
// flush (no back-references across chunks), so that the pieces joined in
// order and closed by an empty final block are one valid deflate stream; the
// part's CRC-32 is combined from the chunks' own.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ovix::workbook {

// A part's bytes as one raw deflate stream, held as consecutive pieces.
struct DeflatedData {
  std::vector<std::string> pieces;
  uint16_t method = 8;            // ZIP method of the pieces: 8 deflated, 0 stored
  uint32_t crc = 0;               // CRC-32 of the uncompressed bytes
  uint64_t size = 0;              // uncompressed
  uint64_t compressed_size = 0;  // sum of the pieces' sizes
};

// Compresses `data` as one deflate stream on the calling thread.
DeflatedData DeflateAll(std::string_view data);

// Compresses a part handed over in chunks, on worker threads, while the
// caller writes the next chunk. Chunks are compressed in parallel and joined
// in the order they were added. At most a few chunks wait at a time: Add
// blocks until a worker is free, so memory stays bounded however large the
// part.
class ChunkedDeflater {
 public:
  // Chunks of about this size compress well and keep both cores busy.
  static constexpr size_t kChunkSize = 1 << 20;

  // `workers`: 0 for one per core (at least one, at most four).
  explicit ChunkedDeflater(unsigned workers = 0);
  ~ChunkedDeflater();
  ChunkedDeflater(const ChunkedDeflater&) = delete;
  ChunkedDeflater& operator=(const ChunkedDeflater&) = delete;

  // Takes the bytes of `chunk` for compression and leaves in it an empty
  // buffer (with room, recycled from an earlier chunk) for the next one.
  void Add(std::string& chunk);
  // A chunk that a worker writes itself before compressing it: `write`
  // appends the chunk's bytes to the (empty) buffer it is given, on a worker
  // thread, so that making the text runs on all cores too. Chunks are joined
  // in the order they were added, whichever way they came.
  using ChunkWriter = std::function<void(std::string& buffer)>;
  void Add(ChunkWriter write);
  // Hands the stream's pieces to `sink` in order as soon as they are
  // compressed, on the thread that calls Add and Finish, instead of keeping
  // them: a part written straight to its file is then never held whole, not
  // even compressed. Set before the first Add.
  using PieceSink = std::function<void(std::string_view piece)>;
  void StreamTo(PieceSink sink) { sink_ = std::move(sink); }
  // Waits for the chunks still being compressed and returns the stream (its
  // CRC and sizes only, when the pieces went to a sink). A failure on a
  // worker (out of memory), or of the sink, is raised here or by Add.
  DeflatedData Finish();

 private:
  struct Job {
    size_t index = 0;
    std::string input;
    ChunkWriter write;  // when set, makes the input on the worker
  };
  void Queue(Job job);
  void Work();
  // Hands the compressed pieces that are next in order to the sink.
  void EmitReady(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable slot_free_;
  std::deque<Job> queue_;
  std::vector<std::string> spare_inputs_;
  std::vector<std::string> outputs_;
  std::vector<char> done_;  // whether outputs_[i] is compressed
  std::vector<uint32_t> crcs_;
  std::vector<uint64_t> sizes_;
  size_t in_flight_ = 0;
  size_t max_in_flight_ = 0;
  bool stopping_ = false;
  std::exception_ptr error_;
  PieceSink sink_;
  size_t next_emit_ = 0;
  uint64_t emitted_bytes_ = 0;
  std::vector<std::thread> workers_;
};

}  // namespace ovix::workbook
