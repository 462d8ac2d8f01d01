#pragma once
// The workbook's 56-colour palette (the default palette of the classic
// workbook format) and the scheme colours of shape lines and fills.
//
// Colours are held as 0xRRGGBB. The automation model's colour references
// (ColorFormat.RGB) are red + 256 * green + 65536 * blue instead; the two
// conversions below turn one into the other.

#include <cstdint>
#include <optional>

namespace ovix::workbook {

inline constexpr int32_t kPaletteSize = 56;

// Palette colour `index` (1 to 56); nothing for any other index.
std::optional<uint32_t> PaletteColor(int32_t index);

// Scheme colour `scheme`: 0 to 7 are palette colours 1 to 8, 8 to 63 are
// palette colours 1 to 56; nothing for any other value (64, automatic,
// included).
std::optional<uint32_t> SchemeColor(int32_t scheme);

// 0xRRGGBB to and from the automation model's colour reference.
int32_t RgbToColorReference(uint32_t rgb);
uint32_t ColorReferenceToRgb(int32_t reference);

}  // namespace ovix::workbook
