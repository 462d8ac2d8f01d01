// The generated drawing of the DXF benchmark (bench/support/generated_drawing.h).
#include "bench/support/generated_drawing.h"

#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>

namespace ovix::bench {

namespace {

constexpr int kEntities = kGeneratedEntities;
constexpr int kLayers = 60;

std::string ToShiftJis(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  std::string out(utf8.size() * 2 + 8, '\0');
  char* in = const_cast<char*>(utf8.data());
  std::size_t in_left = utf8.size();
  char* dst = out.data();
  std::size_t dst_left = out.size();
  iconv(cd, &in, &in_left, &dst, &dst_left);
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

class DxfWriter {
 public:
  explicit DxfWriter(const std::filesystem::path& path) : out_(path, std::ios::binary) {
    if (!out_) throw std::runtime_error("cannot write " + path.string());
  }
  void Pair(int code, const std::string& value) {
    char code_text[16];
    std::snprintf(code_text, sizeof code_text, "%3d", code);
    out_ << code_text << "\r\n" << value << "\r\n";
  }
  void Pair(int code, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    Pair(code, std::string(text));
  }
  void Pair(int code, int value) { Pair(code, std::to_string(value)); }

 private:
  std::ofstream out_;
};

}  // namespace

void WriteGeneratedDrawing(const std::filesystem::path& path) {
  DxfWriter w(path);
  std::mt19937 rng(20240601);
  std::uniform_real_distribution<double> coord(-20000.0, 20000.0);
  std::uniform_real_distribution<double> size(1.0, 500.0);
  std::uniform_int_distribution<int> kind(0, 99);
  const std::string layer_base = ToShiftJis("外形線");
  const std::string texts[] = {ToShiftJis("部品名：ベースプレート"), ToShiftJis("材質 SS400"),
                               "NOTE: DEBURR ALL EDGES", ToShiftJis("表面処理 ソリッド")};
  auto layer = [&](int i) { return layer_base + "-" + std::to_string(i % kLayers); };
  int handle = 0x100;
  auto next_handle = [&] {
    char h[16];
    std::snprintf(h, sizeof h, "%X", handle++);
    return std::string(h);
  };

  w.Pair(0, "SECTION");
  w.Pair(2, "HEADER");
  w.Pair(9, "$ACADVER");
  w.Pair(1, "AC1015");
  w.Pair(9, "$DWGCODEPAGE");
  w.Pair(3, "ANSI_932");
  w.Pair(0, "ENDSEC");

  w.Pair(0, "SECTION");
  w.Pair(2, "TABLES");
  w.Pair(0, "TABLE");
  w.Pair(2, "LTYPE");
  for (const char* name : {"CONTINUOUS", "DASHED", "CENTER"}) {
    w.Pair(0, "LTYPE");
    w.Pair(2, name);
    w.Pair(70, 0);
    w.Pair(3, "");
    w.Pair(72, 65);
    const bool dashed = std::string(name) != "CONTINUOUS";
    w.Pair(73, dashed ? 2 : 0);
    w.Pair(40, dashed ? 1.0 : 0.0);
    if (dashed) {
      w.Pair(49, 0.5);
      w.Pair(74, 0);
      w.Pair(49, -0.5);
      w.Pair(74, 0);
    }
  }
  w.Pair(0, "ENDTAB");
  w.Pair(0, "TABLE");
  w.Pair(2, "LAYER");
  for (int i = 0; i < kLayers; ++i) {
    w.Pair(0, "LAYER");
    w.Pair(2, layer(i));
    w.Pair(70, 0);
    w.Pair(62, i % 13 == 5 ? -(i % 255 + 1) : i % 255 + 1);
    w.Pair(6, i % 3 == 0 ? "CONTINUOUS" : "DASHED");
    w.Pair(370, 25);
  }
  w.Pair(0, "ENDTAB");
  w.Pair(0, "TABLE");
  w.Pair(2, "STYLE");
  w.Pair(0, "STYLE");
  w.Pair(2, "Standard");
  w.Pair(70, 0);
  w.Pair(40, 0.0);
  w.Pair(41, 1.0);
  w.Pair(3, "txt");
  w.Pair(4, "bigfont.shx");
  w.Pair(0, "ENDTAB");
  w.Pair(0, "TABLE");
  w.Pair(2, "DIMSTYLE");
  w.Pair(0, "DIMSTYLE");
  w.Pair(2, "Standard");
  w.Pair(40, 1.0);
  w.Pair(140, 2.5);
  w.Pair(144, 1.0);
  w.Pair(0, "ENDTAB");
  w.Pair(0, "ENDSEC");

  w.Pair(0, "SECTION");
  w.Pair(2, "ENTITIES");
  for (int e = 0; e < kEntities; ++e) {
    const int k = kind(rng);
    const double x = coord(rng), y = coord(rng), r = size(rng);
    auto common = [&](const char* type, const char* subclass) {
      w.Pair(0, type);
      w.Pair(5, next_handle());
      w.Pair(100, "AcDbEntity");
      w.Pair(8, layer(e / 50));
      if (e % 7 == 0) w.Pair(62, e % 255 + 1);
      if (e % 5 == 0) w.Pair(370, 35);
      w.Pair(100, subclass);
    };
    if (k < 30) {
      common("LINE", "AcDbLine");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(11, x + r);
      w.Pair(21, y - r);
      w.Pair(31, 0.0);
    } else if (k < 42) {
      common("CIRCLE", "AcDbCircle");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, r);
    } else if (k < 52) {
      common("ARC", "AcDbCircle");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, r);
      w.Pair(100, "AcDbArc");
      w.Pair(50, 15.0);
      w.Pair(51, 200.0);
    } else if (k < 56) {
      common("ELLIPSE", "AcDbEllipse");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(11, r);
      w.Pair(21, r / 3);
      w.Pair(31, 0.0);
      w.Pair(40, 0.5);
      w.Pair(41, 0.0);
      w.Pair(42, 6.283185);
    } else if (k < 70) {
      common("LWPOLYLINE", "AcDbPolyline");
      const int n = 4 + e % 9;
      w.Pair(90, n);
      w.Pair(70, e % 2);
      for (int v = 0; v < n; ++v) {
        w.Pair(10, x + v * r);
        w.Pair(20, y + (v % 2) * r);
      }
    } else if (k < 80) {
      common("TEXT", "AcDbText");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, 3.5);
      w.Pair(1, texts[e % 4]);
      w.Pair(7, "Standard");
      w.Pair(100, "AcDbText");
    } else if (k < 85) {
      common("MTEXT", "AcDbMText");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
      w.Pair(40, 2.5);
      w.Pair(71, 1);
      w.Pair(1, texts[e % 4] + "\\P" + texts[(e + 1) % 4]);
    } else if (k < 93) {
      common("DIMENSION", "AcDbDimension");
      w.Pair(2, "*D" + std::to_string(e));
      w.Pair(10, x + r);
      w.Pair(20, y + 20.0);
      w.Pair(30, 0.0);
      w.Pair(11, x + r / 2);
      w.Pair(21, y + 22.0);
      w.Pair(31, 0.0);
      w.Pair(70, 32);
      w.Pair(3, "Standard");
      w.Pair(42, r);
      w.Pair(100, "AcDbAlignedDimension");
      w.Pair(13, x);
      w.Pair(23, y);
      w.Pair(33, 0.0);
      w.Pair(14, x + r);
      w.Pair(24, y);
      w.Pair(34, 0.0);
      w.Pair(100, "AcDbRotatedDimension");
    } else if (k < 95) {
      common("LEADER", "AcDbLeader");
      w.Pair(3, "Standard");
      w.Pair(71, 1);
      w.Pair(76, 3);
      for (int v = 0; v < 3; ++v) {
        w.Pair(10, x + v * 10.0);
        w.Pair(20, y + v * 5.0);
        w.Pair(30, 0.0);
      }
    } else if (k < 98) {
      common("INSERT", "AcDbBlockReference");
      w.Pair(2, "BOLT");
      w.Pair(10, x);
      w.Pair(20, y);
      w.Pair(30, 0.0);
    } else {
      common("HATCH", "AcDbHatch");
      w.Pair(10, 0.0);
      w.Pair(20, 0.0);
      w.Pair(30, 0.0);
      w.Pair(2, "SOLID");
      w.Pair(70, 1);
      w.Pair(91, 1);
      w.Pair(92, 2);
      w.Pair(93, 4);
      for (int v = 0; v < 4; ++v) {
        w.Pair(10, x + (v % 2) * r);
        w.Pair(20, y + (v / 2) * r);
      }
    }
  }
  w.Pair(0, "ENDSEC");
  w.Pair(0, "EOF");
}

void WriteBlockReferenceDrawing(const std::filesystem::path& path, int references,
                                int block_entities) {
  DxfWriter w(path);
  w.Pair(0, "SECTION");
  w.Pair(2, "HEADER");
  w.Pair(9, "$ACADVER");
  w.Pair(1, "AC1015");
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "TABLES");
  w.Pair(0, "TABLE");
  w.Pair(2, "LAYER");
  for (const char* name : {"0", "PARTS"}) {
    w.Pair(0, "LAYER");
    w.Pair(2, name);
    w.Pair(70, 0);
    w.Pair(62, 7);
    w.Pair(6, "CONTINUOUS");
  }
  w.Pair(0, "ENDTAB");
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "BLOCKS");
  w.Pair(0, "BLOCK");
  w.Pair(8, "0");
  w.Pair(2, "PART");
  w.Pair(70, 0);
  w.Pair(10, 5.0);
  w.Pair(20, 5.0);
  for (int e = 0; e < block_entities; ++e) {
    const double d = e * 0.5;
    switch (e % 5) {
      case 0:
        w.Pair(0, "LINE");
        w.Pair(8, "0");
        w.Pair(10, d);
        w.Pair(20, 0.0);
        w.Pair(11, d + 3.0);
        w.Pair(21, 4.0);
        break;
      case 1:
        w.Pair(0, "ARC");
        w.Pair(8, "0");
        w.Pair(10, d);
        w.Pair(20, d);
        w.Pair(40, 2.0);
        w.Pair(50, 30.0);
        w.Pair(51, 250.0);
        break;
      case 2:
        w.Pair(0, "CIRCLE");
        w.Pair(8, "0");
        w.Pair(62, 0);
        w.Pair(10, d);
        w.Pair(20, 1.0);
        w.Pair(40, 1.5);
        break;
      case 3:
        w.Pair(0, "TEXT");
        w.Pair(8, "0");
        w.Pair(10, d);
        w.Pair(20, 2.0);
        w.Pair(40, 1.0);
        w.Pair(50, 15.0);
        w.Pair(1, "P-" + std::to_string(e));
        break;
      default:
        w.Pair(0, "LWPOLYLINE");
        w.Pair(8, "0");
        w.Pair(90, 3);
        w.Pair(70, 1);
        w.Pair(10, d);
        w.Pair(20, 0.0);
        w.Pair(42, 0.5);
        w.Pair(10, d + 2.0);
        w.Pair(20, 0.0);
        w.Pair(10, d + 2.0);
        w.Pair(20, 2.0);
        break;
    }
  }
  w.Pair(0, "ENDBLK");
  w.Pair(8, "0");
  w.Pair(0, "ENDSEC");
  w.Pair(0, "SECTION");
  w.Pair(2, "ENTITIES");
  const int columns = 100;
  for (int i = 0; i < references; ++i) {
    w.Pair(0, "INSERT");
    w.Pair(8, "PARTS");
    w.Pair(2, "PART");
    w.Pair(10, (i % columns) * 40.0);
    w.Pair(20, (i / columns) * 40.0);
    w.Pair(41, 1.0 + (i % 3) * 0.25);
    w.Pair(42, 1.0 + (i % 3) * 0.25);
    w.Pair(50, (i % 8) * 45.0);
  }
  w.Pair(0, "ENDSEC");
  w.Pair(0, "EOF");
}

}  // namespace ovix::bench
