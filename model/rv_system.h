#pragma once
// RvSystem: the drawing model. It holds one DXF drawing between reading and
// export: four symbol tables (layers, line types, text styles, dimension
// styles) and nine entity stores (lines, circles, ellipses, arcs,
// lightweight polylines, texts, multiline texts, dimensions, leaders).
//
// The DXF reader fills the tables and stores through the Add operations; the
// exporter reads everything back through the accessors, which resolve
// by-layer and by-style attributes and compute the drawing's extents.
//
// Rules shared by every operation:
// - Tables and stores are append-only; records are numbered from 0 in the
//   order added (`ID`), and only Clear empties them.
// - The model copies what it is given and hands out copies.
// - Accessors never fail: an ID that is negative or not below the count, or
//   a name that no record has, gives the default stated at the operation.
// - Name lookups are exact and case-sensitive. "First" means the first
//   record with that name in table order.
// - An add operation that cannot complete (an argument array without an
//   index it reads, a value too large for a 16-bit field) raises an RvError
//   (SubscriptOutOfRange or Overflow) naming the operation, and leaves the
//   table exactly as it was.
// - Booleans are bool; the 16-bit and 32-bit integers of the tables are
//   int16_t and int32_t.
//
// The model knows no file format and no window system; it shows its few
// messages through ShowMessage (tools/user_prompt.h).

#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/entity_records.h"
#include "model/extra_shapes.h"
#include "model/name_index.h"
#include "model/rv_ent_points.h"
#include "model/rv_ent_property.h"
#include "model/table_records.h"
#include "tools/rv_point.h"
#include "tools/rv_tools.h"

namespace ovix {

// Layer flag values of GetLayerFlagFromName.
inline constexpr int16_t kLayerFlagOff = -1;        // the layer's colour is negative
inline constexpr int16_t kLayerFlagNotFound = -999;  // no layer of that name

// Whether entities on a layer of this flag are drawn and counted in the
// extents: a layer that is on (flag 0 or more) and neither frozen (1) nor
// frozen in new viewports (2). A layer the table does not list (files
// without a TABLES section, or with an incomplete one) is an existing layer
// with default properties: on, thawed, colour 7, CONTINUOUS, default weight.
inline constexpr bool LayerFlagDrawn(int16_t flag) {
  return flag == kLayerFlagNotFound || (flag >= 0 && flag != 1 && flag != 2);
}

// Whether a radius or axis can be drawn: finite and above zero. Entities
// with another size are skipped by the exporter and left out of the extents.
inline bool DrawableSize(double size) { return size > 0.0 && size < HUGE_VAL; }

// What an entity on a layer missing from the table resolves BYLAYER to.
inline constexpr int32_t kUnlistedLayerColor = 7;
inline constexpr double kUnlistedLayerWidth = 0.0;  // the default weight

// Device type of GetViewRotate for the spreadsheet.
inline constexpr int16_t kDeviceTypeSheet = 2;

// Dimension part types of the dimension attribute accessors.
inline constexpr int16_t kDimPartLine = 1;       // dimension line or arc
inline constexpr int16_t kDimPartExtension = 2;  // extension line
inline constexpr int16_t kDimPartText = 3;       // dimension text

// Dimension kind of two-line angular dimensions.
inline constexpr const char* kDimTypeAngular2Line = "AcDb2LineAngularDimension";

// The view position (nothing in the conversion sets it; (0, 0)).
struct RvViewPosition {
  double X = 0;
  double Y = 0;
};

class RvSystem {
 public:
  RvSystem();   // runs Clear
  ~RvSystem();  // runs Clear (closes the document file)
  RvSystem(const RvSystem&) = delete;
  RvSystem& operator=(const RvSystem&) = delete;

  // ==== Lifecycle and state ================================================

  // Empties every table and store and resets every setting to its initial
  // value; closes the file opened by NewDocument.
  void Clear();
  // Empties the nine entity stores, their source lines and the extra shapes
  // and releases their memory; tables and settings stay. For a run whose
  // drawing is complete and no longer needs its entities.
  void ReleaseEntities();

  int32_t SystemState() const { return state_; }
  void SetSystemState(int32_t state) { state_ = state; }

  // The document file name set by NewDocument.
  std::string Document() const { return docment_name_; }

  // Opens `DocmentName` as the model's document file. When the file exists
  // the user is asked first (path, then "ファイルが既に存在します。上書しますか？",
  // OK/Cancel); Cancel returns false with nothing changed. The file is
  // opened without truncating it. A file that cannot be opened is an
  // RvError of kind Io. Returns true once the file is open.
  bool NewDocument(const std::string& DocmentName);

  std::string InputKind() const { return input_kind_name_; }
  std::string OutputKind() const { return output_kind_name_; }
  void SetInputKind(const std::string& name) { input_kind_name_ = name; }
  void SetOutputKind(const std::string& name) { output_kind_name_ = name; }
  std::string InputDeviceName() const { return input_device_name_; }
  std::string OutputDeviceName() const { return output_device_name_; }

  // ==== Current settings (the model's pen; not used by the conversion) =====

  int32_t Color() const { return current_color_; }
  void SetColor(int32_t Color) { current_color_ = Color; }
  std::string LineStyle() const { return current_line_style_; }
  // Accepts only a name in LineStyles; any other name is reported to the
  // user (name, "\r", "線種がテーブルに登録されていません。") and changes nothing.
  void SetLineStyle(const std::string& LineStyle);
  std::vector<std::string> LineStyles() const { return line_style_list_; }
  void SetLineStyles(std::span<const std::string> LineStyles);
  int32_t LineWidth() const { return current_line_width_; }
  std::vector<int32_t> LineWidths() const { return line_width_list_; }
  std::string Layer() const { return current_layer_; }
  std::vector<std::string> Layers() const { return layer_list_; }
  std::string TextStyle() const { return current_text_style_; }
  std::vector<std::string> TextStyles() const { return text_style_list_; }
  std::string DimStyle() const { return current_dim_style_; }
  std::vector<std::string> DimStyles() const { return dim_style_list_; }

  // ==== Views ===============================================================

  int32_t ViewNumber() const { return view_number_; }
  int32_t ViewCount() const { return view_count_; }
  double ViewWidth() const { return view_width_; }
  double ViewHeight() const { return view_height_; }
  RvViewPosition ViewPosition() const { return {view_position_x_, view_position_y_}; }

  // Stores the view rotation (degrees about X, Y, Z; indices 0..2 read).
  void SetViewRotate(std::span<const double> Rotate);
  // Rotate = (X, 0, Z), or (X + 90, 0, Z + 270) for DeviceType 2 (the sheet).
  void GetViewRotate(RvPoint3& Rotate, int16_t DeviceType) const;

  // ==== Symbol tables =======================================================
  // The add operations return the new count (the new record's ID + 1).

  // lngValues: [0] flags, [1] colour (negative: off; the flag becomes -1),
  // [2] plot flag, [3] line weight in hundredths of a mm (its absolute value
  // is kept, in mm); strValues: [0] line type name.
  int32_t AddLayer(const std::string& Handle, const std::string& strName,
                   std::span<const int32_t> lngValues, std::span<const std::string> strValues);

  // lngValues: [0] flags, [1] alignment, [2] element count n, then per
  // element its type (and, for a text element of type 2, shape number and
  // style reference); dblValues: [0] pattern length, then per element its
  // length (and, for a text element, scale, rotation, X and Y offset);
  // strValues: [0] description, then the text of each text element. The
  // pattern may have any number of elements. The dash style code follows
  // from n: 2 dashed (dotted when an element has length 0), 4 dash-dot,
  // 6 dash-dot-dot, anything else continuous.
  int32_t AddLtype(const std::string& strName, std::span<const int32_t> lngValues,
                   std::span<const double> dblValues, std::span<const std::string> strValues);

  // lngValues: [0] flags, [1] generation flags; dblValues: [0] fixed height,
  // [1] width factor, [2] oblique angle, [3] last height; strValues: [0]
  // font file name (a leading "@" makes the flags 4), [1] big font name.
  int32_t AddTextStyle(const std::string& strName, std::span<const int32_t> lngValues,
                       std::span<const double> dblValues, std::span<const std::string> strValues);

  // lngValues: [0] force line inside, [1] text inside, [2] dimension line
  // colour, [3] extension line colour, [4] text colour, [6] decimal places,
  // [7] tolerance decimal places; dblValues: [0] scale (0 becomes 1, in the
  // caller's array too), [1] arrow size, [2] extension offset, [3] baseline
  // spacing, [4] extension extension, [5] text height, [6] linear factor,
  // [7] text gap, [8] dimension line weight, [9] extension line weight.
  int32_t AddDimStyle(const std::string& Handle, const std::string& strName,
                      std::span<const int32_t> lngValues, std::span<double> dblValues);

  int32_t LayerCount() const { return static_cast<int32_t>(layers_.size()); }
  int32_t LtypeCount() const { return static_cast<int32_t>(ltypes_.size()); }
  int32_t TextStyleCount() const { return static_cast<int32_t>(text_styles_.size()); }
  int32_t DimStyleCount() const { return static_cast<int32_t>(dim_styles_.size()); }

  // Copies of whole table records; nothing for an ID outside the table.
  std::optional<LayerRecord> GetLayer(int32_t ID) const;
  std::optional<LtypeRecord> GetLtype(int32_t ID) const;
  std::optional<TextStyleRecord> GetTextStyle(int32_t ID) const;
  std::optional<DimStyleRecord> GetDimStyle(int32_t ID) const;

  std::string LayerName(int32_t ID) const;       // "" outside
  std::string LayerLineStyle(int32_t ID) const;  // "" outside
  int16_t LayerFlag(int32_t ID) const;           // 0 outside
  int32_t LayerColor(int32_t ID) const;          // 0 outside
  double LayerLineWidth(int32_t ID) const;       // mm; 0 outside

  // Flag of the LAST layer with this name (-1 when off), -999 when none.
  int16_t GetLayerFlagFromName(const std::string& LayerName) const;
  // Width (mm) of the first layer with this name, -1 when none.
  double GetLayerLineWidthFromLayerName(const std::string& Layer) const;
  // Dash style code of the first layer's line type, -1 when the layer or
  // its line type is not in the tables.
  int16_t GetLayerLineTypeFromLayerName(const std::string& Layer) const;
  // Dash style code of the first line type with this name, -1 when none.
  int16_t GetLineTypeFromLineStyle(const std::string& Style) const;
  // ID of the first dimension style with this name, -1 when none.
  int32_t GetDimStyleID(const std::string& DimStyle) const;
  // Fields of dimension style ID; 0 when ID is outside the table.
  double DimScale(int32_t ID) const;
  double DimLineWidth(int32_t ID) const;
  double DimSubLineWidth(int32_t ID) const;
  double DimText(int32_t ID) const;
  int16_t DimDec(int32_t ID) const;
  // Linear factor of the first style with this name (1 when it is not
  // positive), 0 when no style has that name.
  double GetDimLFactor(const std::string& DimStyle) const;

  // ==== Entity stores: add operations =======================================
  // Each returns the store's new count. Coordinates are drawing units,
  // angles degrees. Fields read from the RvEntProperty:
  //   all kinds: Handle, Layer; curves also LineType, Color, LineWidth.

  // Start (X[0], Y[0], Z[0]), end (X[1], Y[1], Z[1]).
  int32_t AddLine(const RvEntProperty& Property, std::span<const double> PointX,
                  std::span<const double> PointY, std::span<const double> PointZ);
  // Centre at element 0; Radius.
  int32_t AddCircle(const RvEntProperty& Property, std::span<const double> CenterPointX,
                    std::span<const double> CenterPointY, std::span<const double> CenterPointZ);
  // Centre at element 0; RadiusL (along X), RadiusS (along Y).
  int32_t AddEllipse(const RvEntProperty& Property, std::span<const double> CenterPointX,
                     std::span<const double> CenterPointY, std::span<const double> CenterPointZ);
  // Centre at element 0; Radius, AngleS, AngleE; LineWidth must fit 16 bits.
  int32_t AddArc(const RvEntProperty& Property, std::span<const double> CenterPointX,
                 std::span<const double> CenterPointY, std::span<const double> CenterPointZ);
  // Count vertices (elements 0 .. Count - 1, any number); Mode (1 closed),
  // LineScale; LineWidth is also the constant width.
  int32_t AddPolyline(const RvEntProperty& Property, std::span<const double> VertexX,
                      std::span<const double> VertexY, std::span<const double> VertexZ);
  // Text (nothing is added when it is empty: the count is returned as it
  // was), TextStyle ("Standard" when empty), Height, Angle, Length, Attach,
  // Direct, Space, Color.
  int32_t AddText(const RvEntProperty& Property, double InsertionPointX, double InsertionPointY,
                  double InsertionPointZ);
  int32_t AddMtext(const RvEntProperty& Property, double InsertionPointX, double InsertionPointY,
                   double InsertionPointZ);
  // DimType, Text, UserText, Angle, Direct, DimStyle, LineType, LineScale,
  // Color, LineWidth. For a two-line angular dimension the centre, radius
  // and start and end angles are derived from the two lines and the arc
  // position; other kinds keep them 0.
  int32_t AddDimension(const RvEntProperty& Property, double Insertion1PointX,
                       double Insertion1PointY, double Insertion1PointZ, double Insertion2PointX,
                       double Insertion2PointY, double Insertion2PointZ, double ExtLine1PointX,
                       double ExtLine1PointY, double ExtLine1PointZ, double ExtLine2PointX,
                       double ExtLine2PointY, double ExtLine2PointZ, double ArcPositionX,
                       double ArcPositionY, double ArcPositionZ, double TextPositionX,
                       double TextPositionY, double TextPositionZ);
  // Count vertices (any number).
  int32_t AddLeader(const RvEntProperty& Property, std::span<const double> VertexX,
                    std::span<const double> VertexY, std::span<const double> VertexZ);

  // ==== Entity stores: accessors ============================================
  // Point accessors set Point to (0, 0, 0), then fill it when ID is valid,
  // and return whether it was. Scalar accessors give the stated default
  // ("" for strings, 0 for numbers unless noted) for an invalid ID.

  int32_t LineCount() const { return static_cast<int32_t>(lines_.size()); }
  std::string LineEntityHandle(int32_t ID) const;
  std::string LineEntityLayer(int32_t ID) const;
  std::string LineEntityLineStyle(int32_t ID) const;
  bool LineEntityStart(int32_t ID, RvPoint3& Point) const;
  bool LineEntityEnd(int32_t ID, RvPoint3& Point) const;

  int32_t CircleCount() const { return static_cast<int32_t>(circles_.size()); }
  std::string CircleHandle(int32_t ID) const;
  std::string CircleLayer(int32_t ID) const;
  double CircleRaius(int32_t ID) const;
  std::string CircleEntityLineStyle(int32_t ID) const;
  bool CircleCenter(int32_t ID, RvPoint3& Point) const;

  int32_t EllipseCount() const { return static_cast<int32_t>(ellipses_.size()); }
  std::string EllipseHandle(int32_t ID) const;
  std::string EllipseLayer(int32_t ID) const;
  double EllipseLongRaius(int32_t ID) const;
  double EllipseShortRaius(int32_t ID) const;
  std::string EllipseEntityLineStyle(int32_t ID) const;
  bool EllipseCenter(int32_t ID, RvPoint3& Point) const;

  int32_t ArcCount() const { return static_cast<int32_t>(arcs_.size()); }
  std::string ArcHandle(int32_t ID) const;
  std::string ArcLayer(int32_t ID) const;
  double ArcRaius(int32_t ID) const;
  double ArcStartAngle(int32_t ID) const;
  double ArcEndAngle(int32_t ID) const;
  std::string ArcEntityLineStyle(int32_t ID) const;
  bool ArcCenter(int32_t ID, RvPoint3& Point) const;
  // The arc's end points (centre + radius at the start / end angle); nothing
  // for an invalid ID.
  std::optional<RvEntPoints> ArcStartPoint(int32_t ID) const;
  std::optional<RvEntPoints> ArcEndPoint(int32_t ID) const;

  int32_t PolylineCount() const { return static_cast<int32_t>(polylines_.size()); }
  std::string PolylineHandle(int32_t ID) const;
  std::string PolylineLayer(int32_t ID) const;
  int32_t PolylineVerticesCount(int32_t ID) const;  // -1 for an invalid ID
  int16_t PolylineClosed(int32_t ID) const;         // -1 for an invalid ID
  double PolylineConstantWidth(int32_t ID) const;
  std::string PolylineEntityLineStyle(int32_t ID) const;
  // Vertex = X0, Y0, Z0, X1, ... (3 x VerticesCount values) when ID is valid
  // and the polyline has vertices (otherwise Vertex is left as it was).
  // True whenever ID is valid.
  bool PolylineVertex(int32_t ID, std::vector<double>& Vertex) const;
  // Point = vertex `Number` when ID and Number are valid (otherwise Point is
  // left as it was). True whenever ID is valid.
  bool PolylinePoint(int32_t ID, int32_t Number, RvPoint3& Point) const;

  int32_t TextCount() const { return static_cast<int32_t>(texts_.size()); }
  std::string TextHandle(int32_t ID) const;
  std::string TextLayer(int32_t ID) const;
  std::string TextText(int32_t ID) const;
  std::string TextStyleName(int32_t ID) const;
  double TextHeight(int32_t ID) const;
  double TextRotationAngle(int32_t ID) const;
  double TextSpacingFactor(int32_t ID) const;
  double TextWidth(int32_t ID) const;
  int16_t TextAttachment(int32_t ID) const;
  int16_t TextDirection(int32_t ID) const;
  std::string TextSpacingStyle(int32_t ID) const;  // decimal text; "0" for an invalid ID
  // Flags / font file name of the first text style named by the text's
  // style; 0 / "" when there is none.
  int16_t TextFlag(int32_t ID) const;
  std::string TextEntityFont(int32_t ID) const;
  bool TextInsertionPoint(int32_t ID, RvPoint3& Point) const;

  int32_t MuTextCount() const { return static_cast<int32_t>(mtexts_.size()); }
  std::string MtextHandle(int32_t ID) const;
  std::string MtextLayer(int32_t ID) const;
  std::string MtextText(int32_t ID) const;
  std::string MtextStyleName(int32_t ID) const;
  double MtextHeight(int32_t ID) const;
  double MtextRotationAngle(int32_t ID) const;
  double MtextSpacingFactor(int32_t ID) const;
  double MtextWidth(int32_t ID) const;
  int16_t MtextAttachment(int32_t ID) const;
  int16_t MtextDirection(int32_t ID) const;
  std::string MtextSpacingStyle(int32_t ID) const;
  int16_t MtextFlag(int32_t ID) const;
  std::string MtextEntityFont(int32_t ID) const;
  bool MtextInsertionPoint(int32_t ID, RvPoint3& Point) const;

  int32_t DimensionCount() const { return static_cast<int32_t>(dimensions_.size()); }
  std::string DimensionHandle(int32_t ID) const;
  std::string DimensionLayer(int32_t ID) const;
  std::string DimensionType(int32_t ID) const;
  std::string DimensionText(int32_t ID) const;
  std::string DimensionUserText(int32_t ID) const;
  std::string DimensionTextStyleName(int32_t ID) const;
  std::string DimensionStyleName(int32_t ID) const;
  double DimensionRaius(int32_t ID) const;
  double DimensionStartAngle(int32_t ID) const;
  double DimensionEndAngle(int32_t ID) const;
  double DimensionRotationAngle(int32_t ID) const;
  int16_t DimensionDirection(int32_t ID) const;
  std::string DimensionTextFont(int32_t ID) const;
  int16_t DimensionTextFlag(int32_t ID) const;
  std::string DimensionEntityLineStyle(int32_t ID) const;
  bool DimensionInsertion1Point(int32_t ID, RvPoint3& Point) const;
  bool DimensionInsertion2Point(int32_t ID, RvPoint3& Point) const;
  bool DimensionExtLine1Point(int32_t ID, RvPoint3& Point) const;
  bool DimensionExtLine2Point(int32_t ID, RvPoint3& Point) const;
  bool DimensionCenter(int32_t ID, RvPoint3& Point) const;
  bool DimensionTextPosition(int32_t ID, RvPoint3& Point) const;

  int32_t LeaderCount() const { return static_cast<int32_t>(leaders_.size()); }
  std::string LeaderHandle(int32_t ID) const;
  std::string LeaderLayer(int32_t ID) const;
  int32_t LeaderVerticesCount(int32_t ID) const;  // -1 for an invalid ID
  std::string LeaderEntityLineStyle(int32_t ID) const;
  bool LeaderVertex(int32_t ID, std::vector<double>& Vertex) const;
  bool LeaderPoint(int32_t ID, int32_t Number, RvPoint3& Point) const;

  // ==== Attribute resolution ================================================
  // Colours: an entity colour below 1 (by block) or 256 (by layer) becomes
  // the colour of the first layer with the entity's layer name (0 when
  // there is none; a negative colour of a layer that is off is passed on).
  // Texts keep 256 and resolve only colours below 1. Dimensions resolve
  // through their dimension style first, then the layer.

  int32_t LineEntityLineColor(int32_t ID) const;
  int32_t CircleEntityLineColor(int32_t ID) const;
  int32_t EllipseEntityLineColor(int32_t ID) const;
  int32_t ArcEntityLineColor(int32_t ID) const;
  int32_t PolylineEntityLineColor(int32_t ID) const;
  int32_t LeaderEntityLineColor(int32_t ID) const;
  int32_t LineEntityLineColorByLayer(int32_t ID) const;
  int32_t CircleEntityLineColorByLayer(int32_t ID) const;
  int32_t EllipseEntityLineColorByLayer(int32_t ID) const;
  int32_t ArcEntityLineColorByLayer(int32_t ID) const;
  int32_t PolylineEntityLineColorByLayer(int32_t ID) const;
  int32_t LeaderEntityLineColorByLayer(int32_t ID) const;

  int32_t TextEntityColor(int32_t ID) const;
  int32_t MtextEntityColor(int32_t ID) const;
  int32_t TextEntityColorByLayer(int32_t ID) const;
  int32_t MtextEntityColorByLayer(int32_t ID) const;

  // PartType: 1 dimension line, 2 extension line, 3 text.
  int32_t DimensionEntityLineColor(int32_t ID, int16_t PartType) const;
  int32_t DimensionEntityColorByDimStyle(int32_t ID, int16_t PartType) const;
  int32_t DimensionEntityLineColorByLayer(int32_t ID) const;
  int32_t DimensionTextColor(int32_t ID) const;
  int32_t DimensionTextEntityColorByLayer(int32_t ID) const;

  // Dash style code of the entity's own line type when the table has it,
  // otherwise of its layer's (-1 when neither resolves). The by-layer form
  // tries every layer of the entity's layer name in table order and takes
  // the first whose line type is in the table.
  int16_t LineEntityLineType(int32_t ID) const;
  int16_t CircleEntityLineType(int32_t ID) const;
  int16_t EllipseEntityLineType(int32_t ID) const;
  int16_t ArcEntityLineType(int32_t ID) const;
  int16_t PolylineEntityLineType(int32_t ID) const;
  int16_t DimensionEntityLineType(int32_t ID) const;
  int16_t LeaderEntityLineType(int32_t ID) const;
  int16_t LineEntityLineTypeByLayer(int32_t ID) const;
  int16_t CircleEntityLineTypeByLayer(int32_t ID) const;
  int16_t EllipseEntityLineTypeByLayer(int32_t ID) const;
  int16_t ArcEntityLineTypeByLayer(int32_t ID) const;
  int16_t PolylineEntityLineTypeByLayer(int32_t ID) const;
  int16_t DimensionEntityLineTypeByLayer(int32_t ID) const;
  int16_t LeaderEntityLineTypeByLayer(int32_t ID) const;

  // The entity's own width when it is 0 or more, otherwise the width (mm)
  // of the first layer with its layer name; -1 when neither.
  double LineEntityLineWidth(int32_t ID) const;
  double CircleEntityLineWidth(int32_t ID) const;
  double EllipseEntityLineWidth(int32_t ID) const;
  double ArcEntityLineWidth(int32_t ID) const;
  double PolylineEntityLineWidth(int32_t ID) const;
  double LeaderEntityLineWidth(int32_t ID) const;
  double LineEntityLineWidthByLayer(int32_t ID) const;
  double CircleEntityLineWidthByLayer(int32_t ID) const;
  double EllipseEntityLineWidthByLayer(int32_t ID) const;
  double ArcEntityLineWidthByLayer(int32_t ID) const;
  double PolylineEntityLineWidthByLayer(int32_t ID) const;
  double LeaderEntityLineWidthByLayer(int32_t ID) const;

  // The dimension's own width, else its style's dimension line weight (as
  // written, for part types 1 and 2), else its layer's width; -1 for an
  // invalid ID or when nothing resolves.
  double DimensionEntityLineWidth(int32_t ID, int16_t PartType) const;
  double DimensionEntityLineWidthByDimStyle(int32_t ID, int16_t PartType) const;
  double DimensionEntityLineWidthByLayer(int32_t ID) const;

  // The measured text rounded to the style's decimal places (halves to
  // even; an angular dimension's radians become degrees first), in the
  // general number format. A text that is not a number comes back
  // unchanged; "" for an invalid ID, an unknown style or an empty text.
  std::string DimensionTextDec(int32_t ID) const;
  // Scale x text height of the dimension's style; 0 when none.
  double GetDimensionTextHeight(int32_t ID) const;

  // ==== Colour palette ======================================================

  // Colour number 1..255 as red + 256 * green + 65536 * blue. Any other
  // number is reported to the user (number, "\r",
  // "指定されたColor番号が1～255の範囲外です。") and gives -1.
  int32_t GetAciColorRGB(int16_t AciColor) const;

  // ==== Extents =============================================================
  // Only entities on visible layers count: layer flag 0 or positive and
  // neither 1 nor 2 (so not off, not frozen, and the layer exists).

  // The box of every visible entity; (0, 0, 0)-(0, 0, 0) when there is none.
  // Returns whether any entity counted.
  bool GetEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;

  // Box of the visible entities of one kind. When none counts the result is
  // false and the outputs are left as they were.
  bool GetLineEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  bool GetCircleEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  bool GetEllipseEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  // The arc's end points and every point at 0, 90, 180 or 270 degrees that
  // it sweeps through.
  bool GetArcEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  bool GetPolylineEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  // From the insertion point to (x + Width, y + Height).
  bool GetTextEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  // From the insertion point to (x + 0.5 x Height x characters, y + Height),
  // for every multiline text.
  bool GetMtextEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  bool GetDimensionEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  bool GetLeaderEntityRange(RvPoint3& MinPoint, RvPoint3& MaxPoint) const;

  // Box of one polyline's / leader's vertices. Outputs are set to (0, 0, 0)
  // first; false for an invalid ID or a polyline without vertices.
  bool PolylineMinMaxPoint(int32_t ID, RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  bool LeaderMinMaxPoint(int32_t ID, RvPoint3& MinPoint, RvPoint3& MaxPoint) const;
  // Box of a dimension's two extension line origins and of its text
  // position widened by the text height on every side; false for an
  // invalid ID.
  bool DimensionMinMaxPoint(int32_t ID, RvPoint3& MinPoint, RvPoint3& MaxPoint) const;

  // ---- where entities came from (model/entity_sources.cpp) ----
  // Number of entities of a DXF kind ("LINE", "CIRCLE", "ELLIPSE", "ARC",
  // "LWPOLYLINE", "TEXT", "MTEXT", "DIMENSION", "LEADER"); 0 for another.
  int32_t EntityCountOf(std::string_view kind) const;
  // Makes room for `count` more entities of a DXF kind (as EntityCountOf)
  // and their source lines, so that a reader that knows how many are coming
  // fills each store without regrowing it; another kind is ignored.
  void ReserveEntities(std::string_view kind, std::size_t count);
  // Empties the store of a DXF kind (as EntityCountOf) and releases its
  // memory; its source lines stay, for messages about its entities. For a
  // run that has drawn that kind and draws the rest from the other stores.
  void ReleaseEntitiesOf(std::string_view kind);
  // Number of entities of every store on layers that are drawn
  // (LayerFlagDrawn).
  int64_t DrawnEntityCount() const;
  // The line of the file an entity's record starts on, noted by the reader
  // so that a message about the entity can point at it; 0 when unknown.
  void SetEntitySourceLine(std::string_view kind, int32_t ID, uint64_t line);
  uint64_t EntitySourceLine(std::string_view kind, int32_t ID) const;
  // ==== Shapes of the "draw everything" option ================================
  // Empty unless the reader was asked to draw every entity; its visible
  // shapes count in GetEntityRange.
  ExtraShapeStore& ExtraShapes() { return extra_shapes_; }
  const ExtraShapeStore& ExtraShapes() const { return extra_shapes_; }

 private:
  const LayerRecord* FirstLayer(const std::string& name) const;
  const LtypeRecord* FirstLtype(const std::string& name) const;
  const TextStyleRecord* FirstTextStyle(const std::string& name) const;
  const DimStyleRecord* FirstDimStyle(const std::string& name) const;
  int32_t LayerColorOf(const std::string& layer) const;
  double LayerWidthOf(const std::string& layer) const;
  int16_t LayerLineTypeWalk(const std::string& layer) const;
  int16_t OwnLineType(const std::string& style, const std::string& layer) const;
  int16_t TextStyleFlags(const std::string& style) const;
  std::string TextStyleFont(const std::string& style) const;
  static bool IsVisibleFlag(int16_t flag) { return flag >= 0 && flag != 1 && flag != 2; }
  int32_t AddTextRecord(std::vector<TextRecord>& store, const RvEntProperty& Property, double x,
                        double y, double z);
  void DeriveAngularGeometry(DimensionRecord& d, const RvEntPoints& arc_position) const;

  // ---- state ----
  int32_t state_ = 0;
  std::string docment_name_;
  std::ofstream document_file_;
  std::string input_kind_name_;
  std::string output_kind_name_;
  int32_t current_color_ = 0;
  std::string current_line_style_;
  std::vector<std::string> line_style_list_;
  int32_t current_line_width_ = 0;
  std::vector<int32_t> line_width_list_;
  std::string current_layer_;
  std::vector<std::string> layer_list_;
  std::string current_text_style_;
  std::vector<std::string> text_style_list_;
  std::string current_dim_style_;
  std::vector<std::string> dim_style_list_;
  std::string input_device_name_;
  std::string output_device_name_;
  int32_t view_number_ = 0;
  double view_width_ = 0;
  double view_height_ = 0;
  double view_position_x_ = 0;
  double view_position_y_ = 0;
  int32_t view_count_ = 0;
  double view_rotate_x_ = 0;
  double view_rotate_y_ = 0;
  double view_rotate_z_ = 0;

  RvTools tools_;  // stateless geometry helpers

  std::vector<LayerRecord> layers_;
  std::vector<LtypeRecord> ltypes_;
  std::vector<TextStyleRecord> text_styles_;
  std::vector<DimStyleRecord> dim_styles_;
  NameIndex layer_index_;
  NameIndex ltype_index_;
  NameIndex text_style_index_;
  NameIndex dim_style_index_;

  // Calls f(store) with the entity store of a DXF kind (as EntityCountOf)
  // of `self`; false, without calling it, for another kind.
  template <typename Self, typename F>
  static bool WithStoreOf(Self& self, std::string_view kind, F&& f);

  std::vector<LineRecord> lines_;
  std::vector<CircleRecord> circles_;
  std::vector<EllipseRecord> ellipses_;
  std::vector<ArcRecord> arcs_;
  std::vector<PolylineRecord> polylines_;
  std::vector<TextRecord> texts_;
  std::vector<TextRecord> mtexts_;
  std::vector<DimensionRecord> dimensions_;
  std::vector<LeaderRecord> leaders_;
  std::map<std::string, std::vector<uint64_t>, std::less<>> source_lines_;
  ExtraShapeStore extra_shapes_;
};

}  // namespace ovix
