#pragma once
// The pictures beside the six arrow-style buttons: a short line ending in
// the arrowhead of the style (none, triangle, open, stealth, diamond, oval),
// drawn for the screen's pixel ratio so that they stay sharp at any scale.

#include <QColor>
#include <QPixmap>
#include <QSize>

namespace ovix {

// Number of arrowhead styles; style codes run from 1 to this.
inline constexpr int kArrowheadStyleCount = 6;

// The picture of style `code` (1 none, 2 triangle, 3 open, 4 stealth,
// 5 diamond, 6 oval) in `size` device-independent pixels, for a screen of
// `pixel_ratio` physical pixels per such pixel. A code outside 1..6 gives
// the plain line.
QPixmap ArrowheadPicture(int code, QSize size, qreal pixel_ratio, const QColor& color);

// What each style is called, for tool tips and accessible names.
const char* ArrowheadStyleName(int code);

}  // namespace ovix
