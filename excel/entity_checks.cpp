#include "excel/entity_checks.h"

#include <cmath>

#include "model/rv_system.h"
#include "tools/skipped_entity.h"

namespace ovix::entity_checks {

namespace {

bool Finite(const RvPoint3& p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// Every point the accessor gives for `ID` is finite (a point it does not
// give is the origin).
template <typename... Accessors>
bool FinitePoints(const RvSystem& m, int32_t ID, Accessors... accessors) {
  bool finite = true;
  const auto check = [&](auto accessor) {
    RvPoint3 p{};
    (m.*accessor)(ID, p);
    finite = finite && Finite(p);
  };
  (check(accessors), ...);
  return finite;
}

}  // namespace

const char* LineFault(const RvSystem& m, int32_t ID) {
  return FinitePoints(m, ID, &RvSystem::LineEntityStart, &RvSystem::LineEntityEnd)
             ? nullptr
             : kReasonNotFinite;
}

const char* CircleFault(const RvSystem& m, int32_t ID) {
  if (!FinitePoints(m, ID, &RvSystem::CircleCenter)) return kReasonNotFinite;
  const double r = m.CircleRaius(ID);
  if (!std::isfinite(r)) return kReasonNotFinite;
  return DrawableSize(r) ? nullptr : kReasonRadius;
}

const char* EllipseFault(const RvSystem& m, int32_t ID) {
  if (!FinitePoints(m, ID, &RvSystem::EllipseCenter)) return kReasonNotFinite;
  const double a = m.EllipseLongRaius(ID), b = m.EllipseShortRaius(ID);
  if (!std::isfinite(a) || !std::isfinite(b)) return kReasonNotFinite;
  return DrawableSize(a) && DrawableSize(b) ? nullptr : kReasonAxes;
}

const char* ArcFault(const RvSystem& m, int32_t ID) {
  if (!FinitePoints(m, ID, &RvSystem::ArcCenter)) return kReasonNotFinite;
  const double r = m.ArcRaius(ID);
  if (!std::isfinite(r) || !std::isfinite(m.ArcStartAngle(ID)) ||
      !std::isfinite(m.ArcEndAngle(ID))) {
    return kReasonNotFinite;
  }
  return DrawableSize(r) ? nullptr : kReasonRadius;
}

const char* PolylineFault(const RvSystem& m, int32_t ID) {
  const int32_t n = m.PolylineVerticesCount(ID);
  for (int32_t k = 0; k < n; ++k) {
    RvPoint3 p{};
    if (m.PolylinePoint(ID, k, p) && !Finite(p)) return kReasonNotFinite;
  }
  return nullptr;
}

const char* TextFault(const RvSystem& m, int32_t ID) {
  return FinitePoints(m, ID, &RvSystem::TextInsertionPoint) && std::isfinite(m.TextHeight(ID)) &&
                 std::isfinite(m.TextWidth(ID))
             ? nullptr
             : kReasonNotFinite;
}

const char* MtextFault(const RvSystem& m, int32_t ID) {
  return FinitePoints(m, ID, &RvSystem::MtextInsertionPoint) &&
                 std::isfinite(m.MtextHeight(ID)) && std::isfinite(m.MtextWidth(ID))
             ? nullptr
             : kReasonNotFinite;
}

const char* DimensionFault(const RvSystem& m, int32_t ID) {
  return FinitePoints(m, ID, &RvSystem::DimensionInsertion1Point,
                      &RvSystem::DimensionInsertion2Point, &RvSystem::DimensionExtLine1Point,
                      &RvSystem::DimensionExtLine2Point, &RvSystem::DimensionCenter,
                      &RvSystem::DimensionTextPosition)
             ? nullptr
             : kReasonNotFinite;
}

const char* LeaderFault(const RvSystem& m, int32_t ID) {
  const int32_t n = m.LeaderVerticesCount(ID);
  for (int32_t k = 0; k < n; ++k) {
    RvPoint3 p{};
    if (m.LeaderPoint(ID, k, p) && !Finite(p)) return kReasonNotFinite;
  }
  return nullptr;
}

}  // namespace ovix::entity_checks
