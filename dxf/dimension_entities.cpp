// Dimension and leader entities: DIMENSION with its kind, the second point
// of the dimension line, the direction and the measured text; LEADER with
// its vertices.

#include <array>
#include <cmath>

#include "dxf/entity_registration.h"
#include "tools/numeric.h"

namespace ovix::dxf_entities {

namespace {

constexpr std::string_view kAligned = "AcDbAlignedDimension";
constexpr std::string_view kRotated = "AcDbRotatedDimension";
constexpr std::string_view kAngular = "AcDb2LineAngularDimension";
constexpr std::string_view kDiametric = "AcDbDiametricDimension";
constexpr std::string_view kRadial = "AcDbRadialDimension";

// Measurement value meaning "not written".
constexpr double kNoMeasurement = -1.0;

// Points of a dimension, by the index used below.
enum Point { P0, P1, P2, P3, P4, P5, P6, kPointCount };

// Kind of a dimension without subclass markers (R12 and older), from the
// low bits of its type code 70.
std::string KindFromTypeCode(int32_t type) {
  switch (type & 7) {
    case 0: return std::string(kRotated);
    case 1: return std::string(kAligned);
    case 2: return std::string(kAngular);
    case 3: return std::string(kDiametric);
    case 4: return std::string(kRadial);
    default: return "";  // three-point angular, ordinate
  }
}

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

Vec3 PointOf(const EntityWork& w, int k) {
  const auto i = static_cast<std::size_t>(k);
  return {w.X[i], w.Y[i], w.Z[i]};
}

void SetPoint(EntityWork& w, int k, const Vec3& p) {
  const auto i = static_cast<std::size_t>(k);
  w.X[i] = p.x;
  w.Y[i] = p.y;
  w.Z[i] = p.z;
}

// `v` scaled to unit length (all zero for a zero vector); `length` gets |v|.
std::array<double, 3> Unit(const Vec3& v, double& length) {
  length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (length == 0.0) return {0.0, 0.0, 0.0};
  return {v.x / length, v.y / length, v.z / length};
}

// The dimension line of a linear dimension runs through P0 along `dir` (a
// unit vector in the plane); its ends are the feet of the two extension
// lines, P3's first and P2's second. Writers differ in which extension line
// P0 sits on (the second one, by the format; some put it on the first), so
// both ends are projected: when P0 is the foot of P3, as usual, it is kept
// exactly as read.
struct DimensionLine {
  Vec3 first;   // foot of the second extension line (from P3)
  Vec3 second;  // foot of the first extension line (from P2)
};

DimensionLine ProjectedDimensionLine(const EntityWork& w, double dx, double dy) {
  const Vec3 p0 = PointOf(w, P0), p2 = PointOf(w, P2), p3 = PointOf(w, P3);
  auto foot = [&](const Vec3& p) {
    const double s = (p.x - p0.x) * dx + (p.y - p0.y) * dy;
    return Vec3{p0.x + s * dx, p0.y + s * dy, p0.z};
  };
  DimensionLine line{foot(p3), foot(p2)};
  const double scale = std::max({1.0, std::fabs(p0.x), std::fabs(p0.y)});
  if (std::hypot(line.first.x - p0.x, line.first.y - p0.y) <= 1e-9 * scale) line.first = p0;
  return line;
}

double Distance2D(const Vec3& a, const Vec3& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// A rotated dimension's line follows its rotation angle (code 50, degrees;
// 0 = horizontal, which is also what a missing code 50 means).
DimensionLine RotatedDimensionLine(const EntityWork& w, double rotation_degrees) {
  // Horizontal and vertical lines, by far the most common, exactly so.
  const double quarter = rotation_degrees / 90.0;
  if (quarter == std::floor(quarter) && std::fabs(quarter) < 1e9) {
    static constexpr double kCos[] = {1, 0, -1, 0};
    static constexpr double kSin[] = {0, 1, 0, -1};
    const auto q = static_cast<std::size_t>(((static_cast<long long>(quarter) % 4) + 4) % 4);
    return ProjectedDimensionLine(w, kCos[q], kSin[q]);
  }
  const double a = rotation_degrees * std::acos(-1.0) / 180.0;
  return ProjectedDimensionLine(w, std::cos(a), std::sin(a));
}

// Without code 50 some writers still mean a vertical line. The axis is then
// told from where P0 stands off P3: moved along the axis that the dimension
// line follows by the extension lines' offset.
DimensionLine AxisInferredDimensionLine(const EntityWork& w) {
  const Vec3 p0 = PointOf(w, P0), p2 = PointOf(w, P2), p3 = PointOf(w, P3);
  double length = 0, angle = 0;
  const auto d = Unit({p3.x - p0.x, p3.y - p0.y, p3.z - p0.z}, length);
  switch (w.Tools.CheckDirection(d, angle)) {
    case 1:
    case 3: return {p0, {p0.x, p0.y + p2.y - p3.y, p0.z}};
    case 2:
    case 4: return {p0, {p0.x + p2.x - p3.x, p0.y, p0.z}};
    default: return {p0, {}};
  }
}

DimensionLine RotatedDimensionLine(const EntityWork& w, bool has_rotation, double rotation) {
  const DimensionLine line = RotatedDimensionLine(w, rotation);
  if (has_rotation || Distance2D(line.first, line.second) > 0.0) return line;
  // A horizontal reading measures nothing: try the axis P0 implies.
  const DimensionLine inferred = AxisInferredDimensionLine(w);
  return Distance2D(inferred.first, inferred.second) > 0.0 ? inferred : line;
}

// An aligned dimension's line is parallel to P2-P3. When the two origins
// coincide, the line is taken perpendicular to P0-P3 instead; without any
// direction the dimension measures P2 to P3 = P0.
DimensionLine AlignedDimensionLine(const EntityWork& w) {
  const Vec3 p0 = PointOf(w, P0), p2 = PointOf(w, P2), p3 = PointOf(w, P3);
  double dx = p3.x - p2.x, dy = p3.y - p2.y;
  double len = std::hypot(dx, dy);
  if (len == 0.0) {
    dx = -(p3.y - p0.y);
    dy = p3.x - p0.x;
    len = std::hypot(dx, dy);
    if (len == 0.0) return {p0, {p2.x, p2.y, p0.z}};
  }
  return ProjectedDimensionLine(w, dx / len, dy / len);
}

// Angle in radians between the two lines of a two-line angular dimension
// (P2-P3 and P0-P4), taking the sector that holds the arc position P5.
double AngularMeasurement(const EntityWork& w) {
  const Vec3 p0 = PointOf(w, P0), p2 = PointOf(w, P2), p3 = PointOf(w, P3);
  const Vec3 p4 = PointOf(w, P4), p5 = PointOf(w, P5);
  const double ux = p3.x - p2.x, uy = p3.y - p2.y;
  const double vx = p4.x - p0.x, vy = p4.y - p0.y;
  const double cross = ux * vy - uy * vx;
  const double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
  if (lu == 0.0 || lv == 0.0 || std::fabs(cross) <= 1e-12 * lu * lv) return 0.0;
  // Centre: where the two lines cross.
  const double t = ((p0.x - p2.x) * vy - (p0.y - p2.y) * vx) / cross;
  const double cx = p2.x + t * ux, cy = p2.y + t * uy;
  // Arc position as a combination a*u + b*v: the signs pick the rays that
  // bound its sector.
  const double wx = p5.x - cx, wy = p5.y - cy;
  const double a = (wx * vy - wy * vx) / cross;
  const double b = (ux * wy - uy * wx) / cross;
  const double sa = a < 0 ? -1.0 : 1.0, sb = b < 0 ? -1.0 : 1.0;
  double cosine = (sa * ux * sb * vx + sa * uy * sb * vy) / (lu * lv);
  if (cosine > 1.0) cosine = 1.0;
  if (cosine < -1.0) cosine = -1.0;
  return std::acos(cosine);
}

}  // namespace

std::string GetDimensionSubclass(std::span<const std::string_view> markers) {
  std::string kind;
  for (const std::string_view m : markers) {
    if (m == kAligned) {
      kind = kAligned;
    } else if (m == kRotated || m == kAngular || m == kDiametric || m == kRadial) {
      return std::string(m);
    }
  }
  return kind;
}

bool RegisterDimension(EntityWork& w, const DxfRecordView& record) {
  w.Start(kPointCount);
  RvEntProperty& p = w.Property;
  bool complete = false;
  double measurement = kNoMeasurement;
  bool has_type = false;
  int32_t type_code = 0;
  bool has_rotation = false;
  double rotation = 0.0;  // degrees, of a rotated dimension's line
  std::vector<std::string_view> markers;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    switch (code) {
      case 1:
        p.UserText = v;
        complete = true;
        return;
      case 3: p.DimStyle = v; return;
      case 5: p.Handle = v; return;
      case 8: p.Layer = v; return;
      case 42:
        measurement = StrictReal(v);
        complete = true;
        return;
      case 62:
        p.Color = Integer(v);
        p.TextColor = p.Color;
        return;
      case 70:
        has_type = true;
        type_code = Integer(v);
        return;
      case 50:
        has_rotation = true;
        rotation = Real(v);
        return;
      case 71: p.Attach = Short(v); return;
      case 100: markers.push_back(v); return;
      default: break;
    }
    // Point codes: 10/20/30 P0, 11/21/31 P6, 13/23/33 P2, 14/24/34 P3,
    // 15/25/35 P4, 16/26/36 P5.
    if (code < 10 || code > 36) return;
    const int axis = code / 10 - 1;  // 0 x, 1 y, 2 z
    int point;
    switch (code % 10) {
      case 0: point = P0; break;
      case 1: point = P6; break;
      case 3: point = P2; break;
      case 4: point = P3; break;
      case 5: point = P4; break;
      case 6: point = P5; break;
      default: return;
    }
    const double value = Real(v);
    const auto k = static_cast<std::size_t>(point);
    if (axis == 0) w.X[k] = value;
    else if (axis == 1) w.Y[k] = value;
    else w.Z[k] = value;
    // The definition point alone makes a dimension worth keeping: many
    // writers leave out both the user text and the measurement.
    if (code == 10) complete = true;
  });
  if (!complete) return false;

  // 1. Kind: from the subclass markers; files older than R13 have none and
  //    give the kind in code 70 (0 when the code is left out).
  p.DimType = markers.empty() ? KindFromTypeCode(has_type ? type_code : 0)
                              : GetDimensionSubclass(markers);
  const std::string& kind = p.DimType;

  // 2. and 3. Geometry and direction.
  double measured = 0.0;  // the length the text falls back on
  if (kind == kRotated || kind == kAligned) {
    const DimensionLine line =
        kind == kRotated ? RotatedDimensionLine(w, has_rotation, rotation)
                         : AlignedDimensionLine(w);
    SetPoint(w, P0, line.first);
    SetPoint(w, P1, line.second);
    const Vec3 p0 = PointOf(w, P0), p1 = PointOf(w, P1);
    const auto unit = Unit({p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}, measured);
    double angle = 0.0;
    p.Direct = w.Tools.CheckDirection(unit, angle);
    p.Angle = angle;
  } else if (kind == kAngular || kind == kDiametric || kind == kRadial) {
    SetPoint(w, P1, PointOf(w, P4));
    p.Direct = 1;
    p.Angle = 0.0;
    if (kind == kRadial || kind == kDiametric) {
      // Radius: centre to the point on the curve; diameter: the two points
      // on the curve.
      const Vec3 p0 = PointOf(w, P0), p4 = PointOf(w, P4);
      Unit({p4.x - p0.x, p4.y - p0.y, p4.z - p0.z}, measured);
    }
  }

  // 4. Text: the written measurement, else what the geometry measures. A
  //    diametric dimension gets its diameter like any other kind, so that
  //    it shows its value with the diameter sign. One of no known kind that
  //    carries no measurement gets none, as nothing about it can be
  //    measured.
  if (measurement != kNoMeasurement) {
    p.Text = num::FormatGeneral(measurement);
  } else if (kind == kAngular) {
    p.Text = num::FormatGeneral(AngularMeasurement(w));
  } else if (!kind.empty()) {
    double factor = w.System.GetDimLFactor(p.DimStyle);
    if (factor == 0.0) factor = 1.0;  // no style of that name: unscaled
    p.Text = num::FormatGeneral(measured * factor);
  }

  // Text position: some writers leave the text where the dimension puts it
  // by default (code 70 without bit 128) and write (0, 0, 0) for its middle
  // point. Place such a text where it belongs instead of at the drawing's
  // origin, far from its dimension: the middle of the dimension line, or the
  // point the angular dimension's arc passes through.
  constexpr int32_t kUserTextPosition = 128;
  const bool default_position = !has_type || (type_code & kUserTextPosition) == 0;
  const Vec3 text = PointOf(w, P6);
  if (default_position && text.x == 0.0 && text.y == 0.0 && text.z == 0.0 && !kind.empty()) {
    if (kind == kAngular) {
      SetPoint(w, P6, PointOf(w, P5));
    } else {
      const Vec3 a = PointOf(w, P0), b = PointOf(w, P1);
      SetPoint(w, P6, {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2});
    }
  }

  // 5. The call.
  const auto& X = w.X;
  const auto& Y = w.Y;
  const auto& Z = w.Z;
  w.System.AddDimension(p, X[P0], Y[P0], Z[P0], X[P1], Y[P1], Z[P1], X[P2], Y[P2], Z[P2], X[P3],
                        Y[P3], Z[P3], X[P5], Y[P5], Z[P5], X[P6], Y[P6], Z[P6]);
  return true;
}

bool RegisterLeader(EntityWork& w, const DxfRecordView& record) {
  w.Start(0);
  bool written = false;
  int32_t written_count = 0;
  std::size_t n = 0;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (ApplyCommonCode(w.Property, code, v, true)) return;
    switch (code) {
      case 10:
        w.X.resize(n + 1);
        w.X[n] = Real(v);
        break;
      case 20:
        // A vertex is complete with its y; z (code 30) is optional and the
        // leader is passed flat.
        w.Y.resize(n + 1);
        w.Y[n] = Real(v);
        w.Z.resize(n + 1);
        w.Z[n] = 0.0;
        ++n;
        break;
      case 76:
        written = true;
        written_count = Integer(v);
        break;
      default: break;
    }
  });
  if (n == 0) return false;
  w.X.resize(n);
  w.Property.Count = VertexCountToPass(written, written_count, n);
  w.System.AddLeader(w.Property, w.X, w.Y, w.Z);
  return true;
}

}  // namespace ovix::dxf_entities
