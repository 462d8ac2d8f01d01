// Text entities: TEXT and MTEXT, read by one code table, with the estimated
// text length that the exporter lays texts out by.

#include "dxf/entity_registration.h"
#include "tools/utf8.h"

namespace ovix::dxf_entities {

namespace {

// An MTEXT whose whole text is this code (left alignment, nothing else)
// shows nothing.
constexpr std::string_view kEmptyMtextCode = "\\A1;";

}  // namespace

bool RegisterText(EntityWork& w, const DxfRecordView& record, bool multiline) {
  w.Start(2);
  RvEntProperty& p = w.Property;
  bool complete = false;
  double width_factor = 1.0;
  // An MTEXT longer than one value is written as chunks of code 3 followed
  // by the last chunk in code 1; the chunks are joined in file order.
  std::string chunks;
  // An MTEXT of recent versions ends with an embedded object (code 101)
  // that repeats codes 10, 11, 40 and others with other meanings: the
  // text's own values end there.
  bool embedded = false;
  ForEachPair(record, [&](int32_t code, std::string_view v) {
    if (embedded || (multiline && code == 101)) {
      embedded = true;
      return;
    }
    switch (code) {
      case 1:
        p.Text.assign(chunks);
        p.Text.append(v);
        complete = true;
        break;
      case 3:
        if (multiline) chunks.append(v);
        break;
      case 5: p.Handle = v; break;
      case 7: p.TextStyle = v; break;
      case 8: p.Layer = v; break;
      case 10: w.X[0] = Real(v); break;
      case 20: w.Y[0] = Real(v); break;
      case 30: w.Z[0] = Real(v); break;
      case 40: p.Height = Real(v); break;
      case 41: width_factor = Real(v); break;
      case 44: p.Ratio = Real(v); break;
      case 50: p.Angle = Real(v); break;
      case 62: p.Color = Integer(v); break;
      case 71: p.Attach = Short(v); break;
      case 72: p.Direct = Short(v); break;
      case 73: p.Space = Short(v); break;
      default: break;
    }
  });
  if (!complete) return false;
  if (p.Text.empty() || p.Text == kEmptyMtextCode) return false;
  if (width_factor < 0.001) width_factor = 1.0;
  // Characters of the text as stored, formatting codes included.
  p.Length = p.Height * width_factor * static_cast<double>(utf8::Length(p.Text));
  if (multiline) {
    w.System.AddMtext(p, w.X[0], w.Y[0], w.Z[0]);
  } else {
    w.System.AddText(p, w.X[0], w.Y[0], w.Z[0]);
  }
  return true;
}

}  // namespace ovix::dxf_entities
