#include "workbook/color_palette.h"

#include <array>

namespace ovix::workbook {

namespace {

constexpr std::array<uint32_t, kPaletteSize> kPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,  // 1-8
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,  // 9-16
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,  // 17-24
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,  // 25-32
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,  // 33-40
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,  // 41-48
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,  // 49-56
};

}  // namespace

std::optional<uint32_t> PaletteColor(int32_t index) {
  if (index < 1 || index > kPaletteSize) return std::nullopt;
  return kPalette[static_cast<size_t>(index - 1)];
}

std::optional<uint32_t> SchemeColor(int32_t scheme) {
  if (scheme >= 0 && scheme <= 7) return PaletteColor(scheme + 1);
  if (scheme >= 8 && scheme <= 63) return PaletteColor(scheme - 7);
  return std::nullopt;
}

int32_t RgbToColorReference(uint32_t rgb) {
  const uint32_t r = (rgb >> 16) & 0xFF;
  const uint32_t g = (rgb >> 8) & 0xFF;
  const uint32_t b = rgb & 0xFF;
  return static_cast<int32_t>(r | (g << 8) | (b << 16));
}

uint32_t ColorReferenceToRgb(int32_t reference) {
  const auto v = static_cast<uint32_t>(reference);
  const uint32_t r = v & 0xFF;
  const uint32_t g = (v >> 8) & 0xFF;
  const uint32_t b = (v >> 16) & 0xFF;
  return (r << 16) | (g << 8) | b;
}

}  // namespace ovix::workbook
