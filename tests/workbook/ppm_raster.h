#pragma once
// A page rasterised by pdftoppm (binary PPM, 8-bit RGB), read for pixel
// checks (test support).

#include <filesystem>
#include <fstream>
#include <string>

namespace ovix::testing {

struct Raster {
  int width = 0;
  int height = 0;
  std::string pixels;  // RGB

  bool Load(const std::filesystem::path& ppm) {
    std::ifstream in(ppm, std::ios::binary);
    std::string magic;
    int max = 0;
    in >> magic >> width >> height >> max;
    in.get();
    if (magic != "P6" || max != 255) return false;
    pixels.resize(static_cast<size_t>(width) * height * 3);
    in.read(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(in);
  }

  void At(int x, int y, int& r, int& g, int& b) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    r = static_cast<unsigned char>(pixels[i]);
    g = static_cast<unsigned char>(pixels[i + 1]);
    b = static_cast<unsigned char>(pixels[i + 2]);
  }

  // Anything darker than a light grey in any channel.
  bool Ink(int x, int y) const {
    int r = 0, g = 0, b = 0;
    At(x, y, r, g, b);
    return r < 200 || g < 200 || b < 200;
  }
};

}  // namespace ovix::testing
