// The polyline family for the "draw everything" option: LWPOLYLINE and the
// old-style POLYLINE with its VERTEX records (2D with bulges and widths, 3D,
// polyface and polygon meshes), as paths in their space's coordinates.

#include <algorithm>
#include <cmath>

#include "dxf/draw_all_entities.h"
#include "dxf/entity_registration.h"

namespace ovix::draw_all {

using dxf_entities::Integer;
using dxf_entities::Real;

namespace {

struct Vertex {
  double X = 0, Y = 0;
  double Bulge = 0;
  double StartWidth = 0, EndWidth = 0;
  int32_t Flags = 0;
  int32_t Face[4] = {0, 0, 0, 0};
};

// The path through `vertices` (bulge i leads from vertex i to i + 1), mapped
// through the entity's coordinate system. Widths widen `width`.
void BuildPath(const std::vector<Vertex>& vertices, bool closed, const Affine& ocs,
               LocalShape& shape) {
  shape.Nodes.clear();
  if (vertices.empty()) return;
  std::vector<ExtraNode> nodes;
  nodes.reserve(vertices.size() + 1);
  nodes.push_back(LineNode(vertices[0].X, vertices[0].Y));
  const std::size_t n = vertices.size();
  const std::size_t segments = closed ? n : n - 1;
  for (std::size_t k = 0; k < segments; ++k) {
    const Vertex& v = vertices[k];
    const Vertex& to = vertices[(k + 1) % n];
    AppendBulge(nodes, to.X, to.Y, v.Bulge);
  }
  for (const Vertex& v : vertices) {
    shape.Width = std::max({shape.Width, std::fabs(v.StartWidth), std::fabs(v.EndWidth)});
  }
  shape.Closed = closed && n >= 2;
  shape.Nodes.reserve(nodes.size());
  for (const ExtraNode& node : nodes) shape.Nodes.push_back(ocs.Map(node));
}

}  // namespace

bool DecodeLwPolyline(const DxfRecordView& record, LocalShape& shape) {
  std::vector<Vertex> vertices;
  double constant = 0, nz = 1;
  bool closed = false;
  const int32_t count = record.PairCount();
  for (int32_t i = 0; i < count; ++i) {
    const int32_t code = record.Code(i);
    const std::string_view v = record.Value(i);
    if (ApplyProps(shape.Props, code, v)) continue;
    switch (code) {
      case 10: vertices.emplace_back().X = Real(v); break;
      case 20: if (!vertices.empty()) vertices.back().Y = Real(v); break;
      case 40: if (!vertices.empty()) vertices.back().StartWidth = Real(v); break;
      case 41: if (!vertices.empty()) vertices.back().EndWidth = Real(v); break;
      case 42: if (!vertices.empty()) vertices.back().Bulge = Real(v); break;
      case 43: constant = Real(v); break;
      case 70: closed = (Integer(v) & 1) != 0; break;
      case 230: nz = Real(v); break;
      default: break;
    }
  }
  if (vertices.empty()) return false;
  shape.Kind = ExtraShapeKind::Path;
  shape.Width = std::fabs(constant);
  BuildPath(vertices, closed, OcsTransform(nz), shape);
  return true;
}

void DecodePolyline(const DxfRecordStore& store, std::size_t i, std::size_t& next,
                    std::vector<LocalShape>& shapes) {
  LocalShape base;
  int32_t flags = 0, m_count = 0, n_count = 0;
  double default_start = 0, default_end = 0, nz = 1;
  const DxfRecordView head = store.At(i);
  for (int32_t k = 0; k < head.PairCount(); ++k) {
    const int32_t code = head.Code(k);
    const std::string_view v = head.Value(k);
    if (ApplyProps(base.Props, code, v)) continue;
    switch (code) {
      case 40: default_start = Real(v); break;
      case 41: default_end = Real(v); break;
      case 70: flags = Integer(v); break;
      case 71: m_count = Integer(v); break;
      case 72: n_count = Integer(v); break;
      case 230: nz = Real(v); break;
      default: break;
    }
  }
  // The VERTEX records up to SEQEND (or up to any other record).
  std::vector<Vertex> vertices;
  std::size_t j = i + 1;
  for (; j < store.Count(); ++j) {
    const DxfRecordView r = store.At(j);
    if (r.Type() != "VERTEX") break;
    Vertex vx;
    vx.StartWidth = default_start;
    vx.EndWidth = default_end;
    for (int32_t k = 0; k < r.PairCount(); ++k) {
      const std::string_view v = r.Value(k);
      switch (r.Code(k)) {
        case 10: vx.X = Real(v); break;
        case 20: vx.Y = Real(v); break;
        case 40: vx.StartWidth = Real(v); break;
        case 41: vx.EndWidth = Real(v); break;
        case 42: vx.Bulge = Real(v); break;
        case 70: vx.Flags = Integer(v); break;
        case 71: vx.Face[0] = Integer(v); break;
        case 72: vx.Face[1] = Integer(v); break;
        case 73: vx.Face[2] = Integer(v); break;
        case 74: vx.Face[3] = Integer(v); break;
        default: break;
      }
    }
    vertices.push_back(vx);
  }
  if (j < store.Count() && store.At(j).Type() == "SEQEND") ++j;
  next = j;

  const bool closed = (flags & 1) != 0;
  const bool three_d = (flags & (8 | 16 | 64)) != 0;
  const Affine ocs = three_d ? Affine{} : OcsTransform(nz);
  auto emit = [&](const std::vector<Vertex>& path, bool path_closed) {
    if (path.size() < 2) return;
    LocalShape s;
    s.Props = base.Props;
    BuildPath(path, path_closed, ocs, s);
    shapes.push_back(std::move(s));
  };

  if (flags & 64) {
    // Polyface mesh: vertices (flag 64) then faces (flag 128 alone) whose
    // indices count from 1; a negative index hides the edge that starts there.
    std::vector<Vertex> points;
    for (const Vertex& v : vertices) {
      if ((v.Flags & 64) != 0) points.push_back({v.X, v.Y});
    }
    for (const Vertex& f : vertices) {
      if ((f.Flags & 64) != 0 || (f.Flags & 128) == 0) continue;
      int32_t corners[4];
      int corner_count = 0;
      for (int32_t index : f.Face) {
        if (index != 0) corners[corner_count++] = index;
      }
      for (int c = 0; c < corner_count; ++c) {
        const int32_t from = corners[c];
        const int32_t to = corners[(c + 1) % corner_count];
        if (from < 0 || corner_count < 2) continue;
        const auto a = static_cast<std::size_t>(std::abs(from)) - 1;
        const auto b = static_cast<std::size_t>(std::abs(to)) - 1;
        if (a >= points.size() || b >= points.size()) continue;
        emit({points[a], points[b]}, false);
      }
    }
    return;
  }
  if ((flags & 16) && m_count > 0 && n_count > 0) {
    // Polygon mesh: m rows of n vertices; rows and columns as polylines.
    const auto m = static_cast<std::size_t>(m_count), n = static_cast<std::size_t>(n_count);
    if (m * n > vertices.size()) return;
    for (auto& v : vertices) v.Bulge = 0;
    std::vector<Vertex> path;
    for (std::size_t r = 0; r < m; ++r) {
      path.assign(vertices.begin() + static_cast<std::ptrdiff_t>(r * n),
                  vertices.begin() + static_cast<std::ptrdiff_t>(r * n + n));
      emit(path, (flags & 32) != 0);
    }
    for (std::size_t c = 0; c < n; ++c) {
      path.clear();
      for (std::size_t r = 0; r < m; ++r) path.push_back(vertices[r * n + c]);
      emit(path, closed);
    }
    return;
  }
  // A 2D or 3D polyline; a spline-fitted one draws its fitted vertices, not
  // its frame's control points.
  std::vector<Vertex> path;
  for (const Vertex& v : vertices) {
    if ((v.Flags & 16) == 0) path.push_back(v);
  }
  if (three_d) {
    for (auto& v : path) v.Bulge = 0;
  }
  if (path.size() == 1) {
    // One vertex: a dot-sized path still shows where it is.
    path.push_back(path.front());
  }
  emit(path, closed);
}

}  // namespace ovix::draw_all
