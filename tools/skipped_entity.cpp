#include "tools/skipped_entity.h"

namespace ovix {

std::string SkippedEntityText(const SkippedEntity& entity) {
  std::string text;
  if (entity.Line > 0) text += std::to_string(entity.Line) + "行目の ";
  text += entity.Kind;
  if (!entity.Handle.empty()) text += " (ハンドル " + entity.Handle + ")";
  text += " を省きました";
  if (!entity.Reason.empty()) text += ": " + entity.Reason;
  return text;
}

std::string SkippedCountText(std::size_t count) {
  return "描けない図形 " + std::to_string(count) + " 個を省きました";
}

}  // namespace ovix
