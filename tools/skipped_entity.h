#pragma once
// An entity left out of a drawing because its geometry cannot be drawn (a
// radius of zero or below, a coordinate too large to be a number), and the
// warning line that tells the user which one it was and where it starts in
// the file. One bad entity never stops the rest of the drawing.

#include <cstdint>
#include <string>
#include <vector>

namespace ovix {

struct SkippedEntity {
  std::string Kind;    // the DXF kind: "CIRCLE", "ELLIPSE", ...
  std::string Handle;  // empty when the entity has none
  uint64_t Line = 0;   // line of the file its record starts on; 0 when unknown
  std::string Reason;  // why it cannot be drawn, for the user
};

// "12行目の CIRCLE (ハンドル 2F) を省きました: 半径が0以下です"
std::string SkippedEntityText(const SkippedEntity& entity);

// The count of skipped entities after the completion text:
// "描けない図形 3 個を省きました".
std::string SkippedCountText(std::size_t count);

// Reasons.
inline constexpr const char* kReasonRadius = "半径が0以下です";
inline constexpr const char* kReasonAxes = "軸の長さが0以下です";
inline constexpr const char* kReasonNotFinite = "座標または大きさが数値の範囲を超えています";

// What the run says when the drawing holds entities but none of them shows
// (every layer off or frozen, or every entity skipped).
inline constexpr const char* kNothingToShowText = "表示する図形がありません";

}  // namespace ovix
