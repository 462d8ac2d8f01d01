// Curve entities: LINE, CIRCLE, ARC, ELLIPSE and LWPOLYLINE.

#include <cmath>

#include "dxf/entity_registration.h"

namespace ovix::dxf_entities {

namespace {

// Codes 10, 20, 30 into point `k` of the work arrays; true when handled.
bool ApplyPoint(EntityWork& w, std::size_t k, int32_t code, int32_t base,
                std::string_view value) {
  if (code == base) w.X[k] = Real(value);
  else if (code == base + 10) w.Y[k] = Real(value);
  else if (code == base + 20) w.Z[k] = Real(value);
  else return false;
  return true;
}

}  // namespace

bool RegisterLine(EntityWork& w, const DxfRecordView& record) {
  w.Start(2);
  bool complete = false;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (ApplyCommonCode(w.Property, code, v, true)) return;
    if (ApplyPoint(w, 0, code, 10, v)) return;
    if (code == 11) {
      w.X[1] = Real(v);
    } else if (code == 21) {
      w.Y[1] = Real(v);
      complete = true;
    } else if (code == 31) {
      w.Z[1] = Real(v);
      complete = true;
    }
  });
  if (!complete) return false;
  w.System.AddLine(w.Property, w.X, w.Y, w.Z);
  return true;
}

bool RegisterCircle(EntityWork& w, const DxfRecordView& record) {
  w.Start(1);
  bool complete = false;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (ApplyCommonCode(w.Property, code, v, true)) return;
    if (ApplyPoint(w, 0, code, 10, v)) return;
    if (code == 40) {
      w.Property.Radius = Real(v);
      complete = true;
    }
  });
  if (!complete) return false;
  w.System.AddCircle(w.Property, w.X, w.Y, w.Z);
  return true;
}

bool RegisterArc(EntityWork& w, const DxfRecordView& record) {
  w.Start(1);
  bool complete = false;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (ApplyCommonCode(w.Property, code, v, true)) return;
    if (ApplyPoint(w, 0, code, 10, v)) return;
    if (code == 40) {
      w.Property.Radius = Real(v);
    } else if (code == 50) {
      w.Property.AngleS = Real(v);
    } else if (code == 51) {
      w.Property.AngleE = Real(v);
      complete = true;
    }
  });
  if (!complete) return false;
  w.System.AddArc(w.Property, w.X, w.Y, w.Z);
  return true;
}

// An ellipse is passed as a full, axis-parallel ellipse: the larger
// component of the major-axis vector decides which axis is the long one.
bool RegisterEllipse(EntityWork& w, const DxfRecordView& record) {
  w.Start(1);
  bool complete = false;
  // Major-axis end point (relative to the centre) and axis ratio; fresh for
  // every ellipse, so a missing code never borrows the previous ellipse's.
  double major_x = 0.0, major_y = 0.0, ratio = 0.0;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (ApplyCommonCode(w.Property, code, v, true)) return;
    if (ApplyPoint(w, 0, code, 10, v)) return;
    if (code == 11) {
      major_x = std::fabs(Real(v));
      complete = true;
    } else if (code == 21) {
      major_y = std::fabs(Real(v));
      complete = true;
    } else if (code == 40) {
      ratio = Real(v);
      complete = true;
    }
  });
  if (!complete) return false;
  if (major_x >= major_y) {
    w.Property.RadiusS = ratio * major_x;
    w.Property.RadiusL = major_x;
  } else {
    w.Property.RadiusL = ratio * major_y;
    w.Property.RadiusS = major_y;
  }
  w.System.AddEllipse(w.Property, w.X, w.Y, w.Z);
  return true;
}

// Every segment is passed as straight: bulges (42), per-vertex widths (40,
// 41) and the elevation (38) are not read.
bool RegisterPolyline(EntityWork& w, const DxfRecordView& record) {
  w.Start(0);
  bool written = false;
  int32_t written_count = 0;
  std::size_t n = 0;  // vertices completed by their code 20
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (code != 370 && ApplyCommonCode(w.Property, code, v, false)) return;
    switch (code) {
      case 10:
        w.X.resize(n + 1);
        w.X[n] = Real(v);
        break;
      case 20:
        w.Y.resize(n + 1);
        w.Y[n] = Real(v);
        w.Z.resize(n + 1);
        w.Z[n] = 0.0;
        ++n;
        break;
      case 43: w.Property.LineWidth = Weight(v); break;
      case 70: w.Property.Mode = Short(v); break;
      case 90:
        written = true;
        written_count = Integer(v);
        break;
      default: break;
    }
  });
  if (n == 0) return false;
  // A vertex written without its code 10 keeps x = 0.
  w.X.resize(n);
  w.Property.Count = VertexCountToPass(written, written_count, n);
  w.System.AddPolyline(w.Property, w.X, w.Y, w.Z);
  return true;
}

}  // namespace ovix::dxf_entities
