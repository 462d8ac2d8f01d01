// RvSystem: the nine entity stores, their add operations and their per-kind
// accessors.
//
// Each add operation builds the whole record first and appends it as its
// last step, so a failed add leaves the store as it was. Vertex lists hold
// as many vertices as they are given.

#include <cmath>
#include <string>

#include "model/rv_system.h"
#include "model/store_access.h"
#include "tools/argument_access.h"
#include "tools/numeric.h"
#include "tools/rv_error.h"

namespace ovix {

using model_detail::FillPoint;
using model_detail::RecordAt;

namespace {

RvEntPoints PointAt(std::span<const double> xs, std::span<const double> ys,
                    std::span<const double> zs, std::size_t i, const char* op, const char* xname,
                    const char* yname, const char* zname) {
  return {ArgAt(xs, i, op, xname), ArgAt(ys, i, op, yname), ArgAt(zs, i, op, zname)};
}

// Copies `count` vertices; a negative count gives none. The arrays are
// checked once up front so that a short array fails before any copying.
std::vector<RvEntPoints> CopyVertices(int32_t count, std::span<const double> xs,
                                      std::span<const double> ys, std::span<const double> zs,
                                      const char* op) {
  std::vector<RvEntPoints> out;
  if (count <= 0) return out;
  const auto n = static_cast<std::size_t>(count);
  RequireArgs(xs, n, op, "VertexX");
  RequireArgs(ys, n, op, "VertexY");
  RequireArgs(zs, n, op, "VertexZ");
  out.reserve(n);
  for (std::size_t k = 0; k < n; ++k) out.push_back({xs[k], ys[k], zs[k]});
  return out;
}

// X0, Y0, Z0, X1, ... of a vertex list.
void FlattenVertices(const std::vector<RvEntPoints>& vertices, int32_t count,
                     std::vector<double>& out) {
  if (count <= 0) return;
  out.resize(3 * vertices.size());
  for (std::size_t k = 0; k < vertices.size(); ++k) {
    out[3 * k] = vertices[k].X;
    out[3 * k + 1] = vertices[k].Y;
    out[3 * k + 2] = vertices[k].Z;
  }
}

bool VertexPoint(const std::vector<RvEntPoints>& vertices, int32_t Number, RvPoint3& Point) {
  if (Number >= 0 && static_cast<std::size_t>(Number) < vertices.size()) {
    const RvEntPoints& v = vertices[static_cast<std::size_t>(Number)];
    Point = {v.X, v.Y, v.Z};
  }
  return true;
}

int16_t NarrowWidth(int32_t width, const char* op) {
  try {
    return num::ToInt16(width);
  } catch (const RvError& e) {
    throw RvError(e.kind(), std::string(op) + " (LineWidth): " + e.what());
  }
}

}  // namespace

// ---- add operations --------------------------------------------------------

int32_t RvSystem::AddLine(const RvEntProperty& Property, std::span<const double> PointX,
                          std::span<const double> PointY, std::span<const double> PointZ) {
  constexpr const char* op = "AddLine";
  LineRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.Start = PointAt(PointX, PointY, PointZ, 0, op, "PointX", "PointY", "PointZ");
  r.End = PointAt(PointX, PointY, PointZ, 1, op, "PointX", "PointY", "PointZ");
  r.LineStyle = Property.LineType;
  r.Color = Property.Color;
  r.LineWidth = Property.LineWidth;
  lines_.push_back(std::move(r));
  return LineCount();
}

int32_t RvSystem::AddCircle(const RvEntProperty& Property, std::span<const double> CenterPointX,
                            std::span<const double> CenterPointY,
                            std::span<const double> CenterPointZ) {
  CircleRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.Center = PointAt(CenterPointX, CenterPointY, CenterPointZ, 0, "AddCircle", "CenterPointX",
                     "CenterPointY", "CenterPointZ");
  r.Radius = Property.Radius;
  r.LineStyle = Property.LineType;
  r.Color = Property.Color;
  r.LineWidth = Property.LineWidth;
  circles_.push_back(std::move(r));
  return CircleCount();
}

int32_t RvSystem::AddEllipse(const RvEntProperty& Property, std::span<const double> CenterPointX,
                             std::span<const double> CenterPointY,
                             std::span<const double> CenterPointZ) {
  EllipseRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.Center = PointAt(CenterPointX, CenterPointY, CenterPointZ, 0, "AddEllipse", "CenterPointX",
                     "CenterPointY", "CenterPointZ");
  r.LongRadius = Property.RadiusL;
  r.ShortRadius = Property.RadiusS;
  r.LineStyle = Property.LineType;
  r.Color = Property.Color;
  r.LineWidth = Property.LineWidth;
  ellipses_.push_back(std::move(r));
  return EllipseCount();
}

int32_t RvSystem::AddArc(const RvEntProperty& Property, std::span<const double> CenterPointX,
                         std::span<const double> CenterPointY,
                         std::span<const double> CenterPointZ) {
  constexpr const char* op = "AddArc";
  ArcRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.Center = PointAt(CenterPointX, CenterPointY, CenterPointZ, 0, op, "CenterPointX",
                     "CenterPointY", "CenterPointZ");
  r.Radius = Property.Radius;
  r.StartAngle = Property.AngleS;
  r.EndAngle = Property.AngleE;
  r.LineStyle = Property.LineType;
  r.Color = Property.Color;
  r.LineWidth = NarrowWidth(Property.LineWidth, op);
  arcs_.push_back(std::move(r));
  return ArcCount();
}

int32_t RvSystem::AddPolyline(const RvEntProperty& Property, std::span<const double> VertexX,
                              std::span<const double> VertexY, std::span<const double> VertexZ) {
  PolylineRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.VerticesCount = Property.Count;
  r.Closed = Property.Mode;
  r.ConstantWidth = Property.LineWidth;
  r.Vertex = CopyVertices(Property.Count, VertexX, VertexY, VertexZ, "AddPolyline");
  r.LineStyle = Property.LineType;
  r.LineScale = Property.LineScale;
  r.Color = Property.Color;
  r.LineWidth = Property.LineWidth;
  polylines_.push_back(std::move(r));
  return PolylineCount();
}

int32_t RvSystem::AddTextRecord(std::vector<TextRecord>& store, const RvEntProperty& Property,
                                double x, double y, double z) {
  if (Property.Text.empty()) return static_cast<int32_t>(store.size());
  TextRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.InsertionPoint = {x, y, z};
  r.Height = Property.Height;
  r.RotationAngle = Property.Angle;
  r.SpacingFactor = Property.Space;
  r.Width = Property.Length;
  r.Attachment = Property.Attach;
  r.Direction = Property.Direct;
  r.SpacingStyle = Property.Space;
  r.Text = Property.Text;
  r.StyleName = Property.TextStyle.empty() ? "Standard" : Property.TextStyle;
  r.Color = Property.Color;
  store.push_back(std::move(r));
  return static_cast<int32_t>(store.size());
}

int32_t RvSystem::AddText(const RvEntProperty& Property, double InsertionPointX,
                          double InsertionPointY, double InsertionPointZ) {
  return AddTextRecord(texts_, Property, InsertionPointX, InsertionPointY, InsertionPointZ);
}

int32_t RvSystem::AddMtext(const RvEntProperty& Property, double InsertionPointX,
                           double InsertionPointY, double InsertionPointZ) {
  return AddTextRecord(mtexts_, Property, InsertionPointX, InsertionPointY, InsertionPointZ);
}

int32_t RvSystem::AddDimension(const RvEntProperty& Property, double Insertion1PointX,
                               double Insertion1PointY, double Insertion1PointZ,
                               double Insertion2PointX, double Insertion2PointY,
                               double Insertion2PointZ, double ExtLine1PointX,
                               double ExtLine1PointY, double ExtLine1PointZ,
                               double ExtLine2PointX, double ExtLine2PointY,
                               double ExtLine2PointZ, double ArcPositionX, double ArcPositionY,
                               double ArcPositionZ, double TextPositionX, double TextPositionY,
                               double TextPositionZ) {
  DimensionRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.DimType = Property.DimType;
  r.Insertion1Point = {Insertion1PointX, Insertion1PointY, Insertion1PointZ};
  r.Insertion2Point = {Insertion2PointX, Insertion2PointY, Insertion2PointZ};
  r.ExtLine1Point = {ExtLine1PointX, ExtLine1PointY, ExtLine1PointZ};
  r.ExtLine2Point = {ExtLine2PointX, ExtLine2PointY, ExtLine2PointZ};
  if (r.DimType == kDimTypeAngular2Line) {
    DeriveAngularGeometry(r, {ArcPositionX, ArcPositionY, ArcPositionZ});
  }
  r.TextPosition = {TextPositionX, TextPositionY, TextPositionZ};
  r.Text = Property.Text;
  r.UserText = Property.UserText;
  r.RotationAngle = Property.Angle;
  r.Direction = Property.Direct;
  r.StyleName = Property.DimStyle;
  r.LineStyle = Property.LineType;
  r.LineScale = Property.LineScale;
  r.Color = Property.Color;
  r.LineWidth = Property.LineWidth;
  dimensions_.push_back(std::move(r));
  return DimensionCount();
}

// Centre, radius and angle range of a two-line angular dimension: the
// centre is where the two lines cross (the origin of the plane when they do
// not), the radius reaches the arc position, and the angles bound the
// sector between the lines that holds the arc position.
void RvSystem::DeriveAngularGeometry(DimensionRecord& d, const RvEntPoints& arc) const {
  const RvPoint2 i1{d.Insertion1Point.X, d.Insertion1Point.Y};
  const RvPoint2 i2{d.Insertion2Point.X, d.Insertion2Point.Y};
  const RvPoint2 e1{d.ExtLine1Point.X, d.ExtLine1Point.Y};
  const RvPoint2 e2{d.ExtLine2Point.X, d.ExtLine2Point.Y};
  RvPoint2 crossing{};
  const int16_t found = tools_.GetIntersectionPointFrom2DPoints(i1, i2, e1, e2, crossing);
  d.Center = found != 0 ? RvEntPoints{crossing[0], crossing[1], d.Insertion1Point.Z}
                        : RvEntPoints{0.0, 0.0, d.Insertion1Point.Z};
  d.Radius = tools_.Distance3D(d.Center.ToArray(), arc.ToArray());

  // Direction of a difference of two points as a unit vector (the zero
  // vector for two equal points).
  const auto unit = [](const RvEntPoints& a, const RvEntPoints& b) {
    const double dx = a.X - b.X, dy = a.Y - b.Y, dz = a.Z - b.Z;
    const double len = std::sqrt(dx * dx + dy * dy + dz * dz);
    return len > 0.0 ? RvPoint2{dx / len, dy / len} : RvPoint2{0.0, 0.0};
  };
  const double a = tools_.GetAngle(unit(d.Insertion1Point, d.Insertion2Point));
  const double b = tools_.GetAngle(unit(d.ExtLine1Point, d.ExtLine2Point));
  const double c = tools_.GetAngle(unit(arc, d.Center));
  tools_.GetAngleRange(a, b, c, d.StartAngle, d.EndAngle);
}

int32_t RvSystem::AddLeader(const RvEntProperty& Property, std::span<const double> VertexX,
                            std::span<const double> VertexY, std::span<const double> VertexZ) {
  LeaderRecord r;
  r.Handle = Property.Handle;
  r.Layer = Property.Layer;
  r.VerticesCount = Property.Count;
  r.Vertex = CopyVertices(Property.Count, VertexX, VertexY, VertexZ, "AddLeader");
  r.LineStyle = Property.LineType;
  r.Color = Property.Color;
  r.LineWidth = Property.LineWidth;
  leaders_.push_back(std::move(r));
  return LeaderCount();
}

// ---- accessors -------------------------------------------------------------

// Defines a scalar accessor: the field of record ID, or `fallback`.
#define OVIX_FIELD(Type, Method, store, field, fallback)   \
  Type RvSystem::Method(int32_t ID) const {                \
    const auto* r = RecordAt(store, ID);                   \
    return r ? static_cast<Type>(r->field) : (fallback);   \
  }
// Defines a point accessor.
#define OVIX_POINT(Method, store, field)                   \
  bool RvSystem::Method(int32_t ID, RvPoint3& Point) const { \
    const auto* r = RecordAt(store, ID);                   \
    return FillPoint(r ? &r->field : nullptr, Point);      \
  }

OVIX_FIELD(std::string, LineEntityHandle, lines_, Handle, std::string())
OVIX_FIELD(std::string, LineEntityLayer, lines_, Layer, std::string())
OVIX_FIELD(std::string, LineEntityLineStyle, lines_, LineStyle, std::string())
OVIX_POINT(LineEntityStart, lines_, Start)
OVIX_POINT(LineEntityEnd, lines_, End)

OVIX_FIELD(std::string, CircleHandle, circles_, Handle, std::string())
OVIX_FIELD(std::string, CircleLayer, circles_, Layer, std::string())
OVIX_FIELD(double, CircleRaius, circles_, Radius, 0.0)
OVIX_FIELD(std::string, CircleEntityLineStyle, circles_, LineStyle, std::string())
OVIX_POINT(CircleCenter, circles_, Center)

OVIX_FIELD(std::string, EllipseHandle, ellipses_, Handle, std::string())
OVIX_FIELD(std::string, EllipseLayer, ellipses_, Layer, std::string())
OVIX_FIELD(double, EllipseLongRaius, ellipses_, LongRadius, 0.0)
OVIX_FIELD(double, EllipseShortRaius, ellipses_, ShortRadius, 0.0)
OVIX_FIELD(std::string, EllipseEntityLineStyle, ellipses_, LineStyle, std::string())
OVIX_POINT(EllipseCenter, ellipses_, Center)

OVIX_FIELD(std::string, ArcHandle, arcs_, Handle, std::string())
OVIX_FIELD(std::string, ArcLayer, arcs_, Layer, std::string())
OVIX_FIELD(double, ArcRaius, arcs_, Radius, 0.0)
OVIX_FIELD(double, ArcStartAngle, arcs_, StartAngle, 0.0)
OVIX_FIELD(double, ArcEndAngle, arcs_, EndAngle, 0.0)
OVIX_FIELD(std::string, ArcEntityLineStyle, arcs_, LineStyle, std::string())
OVIX_POINT(ArcCenter, arcs_, Center)

OVIX_FIELD(std::string, PolylineHandle, polylines_, Handle, std::string())
OVIX_FIELD(std::string, PolylineLayer, polylines_, Layer, std::string())
OVIX_FIELD(int32_t, PolylineVerticesCount, polylines_, VerticesCount, -1)
OVIX_FIELD(int16_t, PolylineClosed, polylines_, Closed, -1)
OVIX_FIELD(double, PolylineConstantWidth, polylines_, ConstantWidth, 0.0)
OVIX_FIELD(std::string, PolylineEntityLineStyle, polylines_, LineStyle, std::string())

OVIX_FIELD(std::string, TextHandle, texts_, Handle, std::string())
OVIX_FIELD(std::string, TextLayer, texts_, Layer, std::string())
OVIX_FIELD(std::string, TextText, texts_, Text, std::string())
OVIX_FIELD(std::string, TextStyleName, texts_, StyleName, std::string())
OVIX_FIELD(double, TextHeight, texts_, Height, 0.0)
OVIX_FIELD(double, TextRotationAngle, texts_, RotationAngle, 0.0)
OVIX_FIELD(double, TextSpacingFactor, texts_, SpacingFactor, 0.0)
OVIX_FIELD(double, TextWidth, texts_, Width, 0.0)
OVIX_FIELD(int16_t, TextAttachment, texts_, Attachment, 0)
OVIX_FIELD(int16_t, TextDirection, texts_, Direction, 0)
OVIX_POINT(TextInsertionPoint, texts_, InsertionPoint)

OVIX_FIELD(std::string, MtextHandle, mtexts_, Handle, std::string())
OVIX_FIELD(std::string, MtextLayer, mtexts_, Layer, std::string())
OVIX_FIELD(std::string, MtextText, mtexts_, Text, std::string())
OVIX_FIELD(std::string, MtextStyleName, mtexts_, StyleName, std::string())
OVIX_FIELD(double, MtextHeight, mtexts_, Height, 0.0)
OVIX_FIELD(double, MtextRotationAngle, mtexts_, RotationAngle, 0.0)
OVIX_FIELD(double, MtextSpacingFactor, mtexts_, SpacingFactor, 0.0)
OVIX_FIELD(double, MtextWidth, mtexts_, Width, 0.0)
OVIX_FIELD(int16_t, MtextAttachment, mtexts_, Attachment, 0)
OVIX_FIELD(int16_t, MtextDirection, mtexts_, Direction, 0)
OVIX_POINT(MtextInsertionPoint, mtexts_, InsertionPoint)

OVIX_FIELD(std::string, DimensionHandle, dimensions_, Handle, std::string())
OVIX_FIELD(std::string, DimensionLayer, dimensions_, Layer, std::string())
OVIX_FIELD(std::string, DimensionType, dimensions_, DimType, std::string())
OVIX_FIELD(std::string, DimensionText, dimensions_, Text, std::string())
OVIX_FIELD(std::string, DimensionUserText, dimensions_, UserText, std::string())
OVIX_FIELD(std::string, DimensionTextStyleName, dimensions_, TextStyleName, std::string())
OVIX_FIELD(std::string, DimensionStyleName, dimensions_, StyleName, std::string())
OVIX_FIELD(double, DimensionRaius, dimensions_, Radius, 0.0)
OVIX_FIELD(double, DimensionStartAngle, dimensions_, StartAngle, 0.0)
OVIX_FIELD(double, DimensionEndAngle, dimensions_, EndAngle, 0.0)
OVIX_FIELD(double, DimensionRotationAngle, dimensions_, RotationAngle, 0.0)
OVIX_FIELD(int16_t, DimensionDirection, dimensions_, Direction, 0)
OVIX_FIELD(std::string, DimensionEntityLineStyle, dimensions_, LineStyle, std::string())
OVIX_POINT(DimensionInsertion1Point, dimensions_, Insertion1Point)
OVIX_POINT(DimensionInsertion2Point, dimensions_, Insertion2Point)
OVIX_POINT(DimensionExtLine1Point, dimensions_, ExtLine1Point)
OVIX_POINT(DimensionExtLine2Point, dimensions_, ExtLine2Point)
OVIX_POINT(DimensionCenter, dimensions_, Center)
OVIX_POINT(DimensionTextPosition, dimensions_, TextPosition)

OVIX_FIELD(std::string, LeaderHandle, leaders_, Handle, std::string())
OVIX_FIELD(std::string, LeaderLayer, leaders_, Layer, std::string())
OVIX_FIELD(int32_t, LeaderVerticesCount, leaders_, VerticesCount, -1)
OVIX_FIELD(std::string, LeaderEntityLineStyle, leaders_, LineStyle, std::string())

#undef OVIX_FIELD
#undef OVIX_POINT

// The point of an arc's circle at angle `radians`.
static RvEntPoints PointOnArc(const ArcRecord& a, double radians) {
  return {a.Center.X + a.Radius * std::cos(radians), a.Center.Y + a.Radius * std::sin(radians),
          a.Center.Z};
}

std::optional<RvEntPoints> RvSystem::ArcStartPoint(int32_t ID) const {
  const auto* r = RecordAt(arcs_, ID);
  if (!r) return std::nullopt;
  return PointOnArc(*r, tools_.DegreeToRadian(r->StartAngle));
}

std::optional<RvEntPoints> RvSystem::ArcEndPoint(int32_t ID) const {
  const auto* r = RecordAt(arcs_, ID);
  if (!r) return std::nullopt;
  return PointOnArc(*r, tools_.DegreeToRadian(r->EndAngle));
}

bool RvSystem::PolylineVertex(int32_t ID, std::vector<double>& Vertex) const {
  const auto* r = RecordAt(polylines_, ID);
  if (!r) return false;
  FlattenVertices(r->Vertex, r->VerticesCount, Vertex);
  return true;
}

bool RvSystem::PolylinePoint(int32_t ID, int32_t Number, RvPoint3& Point) const {
  const auto* r = RecordAt(polylines_, ID);
  return r ? VertexPoint(r->Vertex, Number, Point) : false;
}

bool RvSystem::LeaderVertex(int32_t ID, std::vector<double>& Vertex) const {
  const auto* r = RecordAt(leaders_, ID);
  if (!r) return false;
  FlattenVertices(r->Vertex, r->VerticesCount, Vertex);
  return true;
}

bool RvSystem::LeaderPoint(int32_t ID, int32_t Number, RvPoint3& Point) const {
  const auto* r = RecordAt(leaders_, ID);
  return r ? VertexPoint(r->Vertex, Number, Point) : false;
}

std::string RvSystem::TextSpacingStyle(int32_t ID) const {
  const auto* r = RecordAt(texts_, ID);
  return std::to_string(r ? r->SpacingStyle : 0);
}

std::string RvSystem::MtextSpacingStyle(int32_t ID) const {
  const auto* r = RecordAt(mtexts_, ID);
  return std::to_string(r ? r->SpacingStyle : 0);
}

// ---- text style of a text --------------------------------------------------

int16_t RvSystem::TextStyleFlags(const std::string& style) const {
  const auto* s = FirstTextStyle(style);
  return s ? s->Flags : 0;
}

std::string RvSystem::TextStyleFont(const std::string& style) const {
  if (style.empty()) return std::string();
  const auto* s = FirstTextStyle(style);
  return s ? s->FontName : std::string();
}

int16_t RvSystem::TextFlag(int32_t ID) const {
  const auto* r = RecordAt(texts_, ID);
  return r ? TextStyleFlags(r->StyleName) : 0;
}
std::string RvSystem::TextEntityFont(int32_t ID) const {
  const auto* r = RecordAt(texts_, ID);
  return r ? TextStyleFont(r->StyleName) : std::string();
}
int16_t RvSystem::MtextFlag(int32_t ID) const {
  const auto* r = RecordAt(mtexts_, ID);
  return r ? TextStyleFlags(r->StyleName) : 0;
}
std::string RvSystem::MtextEntityFont(int32_t ID) const {
  const auto* r = RecordAt(mtexts_, ID);
  return r ? TextStyleFont(r->StyleName) : std::string();
}
int16_t RvSystem::DimensionTextFlag(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  return r ? TextStyleFlags(r->TextStyleName) : 0;
}
std::string RvSystem::DimensionTextFont(int32_t ID) const {
  const auto* r = RecordAt(dimensions_, ID);
  return r ? TextStyleFont(r->TextStyleName) : std::string();
}

}  // namespace ovix
