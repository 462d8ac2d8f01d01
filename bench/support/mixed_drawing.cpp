// The mixed drawing of the conversion benchmark (bench/support/mixed_drawing.h).
#include "bench/support/mixed_drawing.h"

#include <charconv>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ovix::bench {

namespace {

class PairWriter {
 public:
  explicit PairWriter(const std::filesystem::path& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw std::runtime_error("cannot write " + path.string());
    out_.reserve(kFlushAt + 4096);
  }
  ~PairWriter() {
    Flush();
    std::fclose(file_);
  }
  PairWriter(const PairWriter&) = delete;
  PairWriter& operator=(const PairWriter&) = delete;

  void Pair(int code, std::string_view value) {
    char text[16];
    const int n = std::snprintf(text, sizeof text, "%3d\n", code);
    out_.append(text, static_cast<size_t>(n));
    out_.append(value);
    out_.push_back('\n');
    if (out_.size() >= kFlushAt) Flush();
  }
  // The shortest form that reads back as the same number, as Python prints it.
  void Pair(int code, double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string_view v(text, static_cast<size_t>(end - text));
    if (v.find_first_of(".e") == std::string_view::npos) {
      Pair(code, std::string(v) + ".0");
    } else {
      Pair(code, v);
    }
  }
  void Pair(int code, long value) { Pair(code, std::string_view(std::to_string(value))); }

 private:
  static constexpr size_t kFlushAt = 1 << 20;
  void Flush() {
    if (!out_.empty() && std::fwrite(out_.data(), 1, out_.size(), file_) != out_.size()) {
      throw std::runtime_error("cannot write the drawing");
    }
    out_.clear();
  }
  std::FILE* file_;
  std::string out_;
};

}  // namespace

void WriteMixedDrawing(const std::filesystem::path& path, long entities) {
  PairWriter w(path);
  w.Pair(0, "SECTION");
  w.Pair(2, "HEADER");
  w.Pair(9, "$ACADVER");
  w.Pair(1, "AC1015");
  w.Pair(9, "$DWGCODEPAGE");
  w.Pair(3, "ANSI_1252");
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "TABLES");
  w.Pair(0, "TABLE");
  w.Pair(2, "LTYPE");
  w.Pair(0, "LTYPE");
  w.Pair(2, "Continuous");
  w.Pair(70, 0L);
  w.Pair(3, "Solid line");
  w.Pair(72, 65L);
  w.Pair(73, 0L);
  w.Pair(40, 0.0);
  w.Pair(0, "ENDTAB");
  w.Pair(0, "TABLE");
  w.Pair(2, "LAYER");
  w.Pair(0, "LAYER");
  w.Pair(2, "0");
  w.Pair(70, 0L);
  w.Pair(62, 7L);
  w.Pair(6, "Continuous");
  w.Pair(0, "ENDTAB");
  w.Pair(0, "TABLE");
  w.Pair(2, "STYLE");
  w.Pair(0, "STYLE");
  w.Pair(2, "Standard");
  w.Pair(70, 0L);
  w.Pair(40, 0.0);
  w.Pair(41, 1.0);
  w.Pair(3, "txt");
  w.Pair(0, "ENDTAB");
  w.Pair(0, "ENDSEC");

  w.Pair(0, "SECTION");
  w.Pair(2, "ENTITIES");
  std::mt19937_64 rng(1);
  auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  long handle = 0x8A;
  auto common = [&](const char* type, const char* subclass) {
    char h[24];
    std::snprintf(h, sizeof h, "%lX", handle++);
    w.Pair(0, type);
    w.Pair(5, h);
    w.Pair(330, "17");
    w.Pair(100, "AcDbEntity");
    w.Pair(8, "0");
    w.Pair(100, subclass);
  };
  for (long i = 0; i < entities; ++i) {
    const long k = i % 6;
    const double x = uniform(0, 1000), y = uniform(0, 700);
    if (k == 0 || k == 5) {
      const double x2 = k == 0 ? x + uniform(-50, 50) : x + 10;
      const double y2 = k == 0 ? y + uniform(-50, 50) : y;
      common("LINE", "AcDbLine");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(11, x2);
      w.Pair(21, y2);
      w.Pair(31, 0.0);
    } else if (k == 1) {
      common("CIRCLE", "AcDbCircle");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, uniform(1, 20));
    } else if (k == 2) {
      common("ARC", "AcDbCircle");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, uniform(1, 20));
      w.Pair(100, "AcDbArc");
      w.Pair(50, uniform(0, 360));
      w.Pair(51, uniform(0, 360));
    } else if (k == 3) {
      common("LWPOLYLINE", "AcDbPolyline");
      w.Pair(90, 8L);
      w.Pair(70, 0L);
      for (int j = 0; j < 8; ++j) {
        w.Pair(10, x + j * 3);
        w.Pair(20, y + (j % 2) * 4);
      }
    } else {
      common("TEXT", "AcDbText");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, 2.5);
      w.Pair(1, "\\U+90E8\\U+54C1" + std::to_string(i));  // 部品<i>
      w.Pair(100, "AcDbText");
    }
  }
  w.Pair(0, "ENDSEC");
  w.Pair(0, "EOF");
}

}  // namespace ovix::bench
