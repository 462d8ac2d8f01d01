#pragma once
// Group codes of SPLINE, HATCH, WIPEOUT, XLINE, RAY and MULTILEADER read into
// plain values in the entity's own coordinates, apart from what the values
// mean for the drawing (curve_fill_shapes.cpp). Each reader walks the
// record's pairs once; codes that mean different things in different parts
// of a record (a HATCH's 10/20 in a boundary edge, a polyline vertex or a
// seed point; a MULTILEADER's in its context, leaders and leader lines) are
// told apart by the counts and section markers that come before them.

#include <cstdint>
#include <string>
#include <vector>

#include "dxf/draw_all_entities.h"
#include "tools/hatch_pattern.h"
#include "tools/plane_path.h"
#include "tools/spline_to_bezier.h"

namespace ovix::draw_all {

struct SplineTags {
  LocalProps Props;
  geom::SplineDefinition Curve;
  double ExtrusionZ = 1;
};

struct HatchTags {
  LocalProps Props;
  std::string PatternName;
  bool Solid = false;
  int IslandStyle = 0;                // code 75
  std::vector<geom::PlanePath> Loops;  // closed, in the order written
  std::vector<geom::PatternLine> Pattern;
  bool Gradient = false;
  int32_t GradientColor = -1;  // colour number of the first gradient colour
  int32_t GradientRgb = -1;    // its true colour (red + 256 green + 65536 blue)
  double ExtrusionZ = 1;
};

// WIPEOUT (and IMAGE): the clip polygon in drawing coordinates.
struct WipeoutTags {
  LocalProps Props;
  std::vector<geom::Vec2> Polygon;
};

// XLINE or RAY: a point and a direction.
struct ConstructionLineTags {
  LocalProps Props;
  geom::Vec2 Point;
  geom::Vec2 Direction{1, 0};
  bool Ray = false;
};

struct MLeaderLine {
  std::vector<geom::Vec2> Vertices;  // from the arrowhead on
};

struct MLeaderBranch {
  bool HasLastPoint = false;
  geom::Vec2 LastPoint;     // where the leader lines end (the landing)
  bool HasDogleg = false;
  geom::Vec2 DoglegVector;  // direction of the dog-leg
  double DoglegLength = 0;
  std::vector<MLeaderLine> Lines;
};

struct MLeaderTags {
  LocalProps Props;
  double Scale = 1;            // overall scale of the context
  double ArrowSize = 0;        // context arrowhead size (0: not given)
  double StyleArrowSize = 0;   // the entity's own arrowhead size
  std::string ArrowHandle;     // block record of its arrow block ("": the style's)
  std::string StyleHandle;     // its multileader style
  int LineKind = 1;            // 0 invisible, 1 straight, 2 spline
  bool Dogleg = true;
  int ContentType = 2;         // 0 none, 1 block, 2 multiline text
  bool HasText = false;
  std::string Text;
  geom::Vec2 TextPoint;
  geom::Vec2 TextDirection{1, 0};
  double TextHeight = 0;
  double TextRotation = 0;     // radians
  double TextWidth = 0;
  int TextAttachment = 1;
  int32_t TextColor = 256;
  bool HasBlock = false;
  std::string BlockHandle;     // the block record's handle
  geom::Vec2 BlockPoint;
  geom::Vec2 BlockScale{1, 1};
  double BlockRotation = 0;    // radians
  std::vector<MLeaderBranch> Branches;
};

bool ReadSpline(const DxfRecordView& record, SplineTags& out);
bool ReadHatch(const DxfRecordView& record, HatchTags& out);
bool ReadWipeout(const DxfRecordView& record, WipeoutTags& out);
bool ReadConstructionLine(const DxfRecordView& record, ConstructionLineTags& out);
bool ReadMLeader(const DxfRecordView& record, MLeaderTags& out);

// A colour given as a 24-bit true colour value (codes 420 to 429:
// 0x00RRGGBB) as red + 256 green + 65536 blue.
int32_t TrueColorToRgb(int32_t value);

}  // namespace ovix::draw_all
