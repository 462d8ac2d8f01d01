#pragma once
// RvExcelExport: the exporter. It connects to the spreadsheet application
// through the automation interface (excel/excel_automation.h), sets up the
// page of the target sheet, draws every visible entity of the drawing model
// as shapes at a working position, moves the finished drawing onto the page
// area, groups it, and saves the workbook.
//
// Its sources are split by concern:
//   excel_connection.cpp    state, options, start/attach, sheet set-up, save
//   page_geometry.cpp       page setup and the drawing-to-sheet mapping
//   shape_styling.cpp       line and text styling of the selected shape
//   draw_lines_circles.cpp  lines, circles, ellipses, polylines
//   draw_arcs.cpp           arcs as freeform curves
//   draw_texts.cpp          texts and multiline texts as text boxes
//   draw_dimensions.cpp     dimensions, leaders and arrowheads
//   draw_extra_shapes.cpp   the shapes of the "draw everything" option
//   redraw_grouping.cpp     the move to the page area and grouping
//
// Booleans of the public operations are bool; the 16-bit codes are int16_t.
// The exporter talks to the application only through the interface; every
// shape is created, selected, and then styled through Application.Selection.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "excel/excel_automation.h"
#include "model/extra_shapes.h"
#include "tools/rv_point.h"
#include "tools/rv_tools.h"
#include "tools/skipped_entity.h"

namespace ovix {

class RvSystem;

// The application version the exporter checks for before it starts.
inline constexpr const char* kTargetExcelVersionName = "Microsoft Excel 2000";
// The class a use of an empty application reference creates an instance of.
inline constexpr const char* kExcelApplicationClass = "Excel.Application";

// Millimetres per inch and points per inch of every millimetre-to-point
// conversion.
inline constexpr double kMillimetresPerInch = 25.3995;
inline constexpr double kPointsPerInch = 72.0;
// The drawing is first built this many points right of and below the sheet
// origin, then moved onto the page area.
inline constexpr double kWorkingOffset = 6500.0;
// Below this a drawing extent counts as zero.
inline constexpr double kSmallestExtent = 0.001;

// Style kinds of ExcelLinePropertyChange / ExcelTextPropertyChange: which
// entity store the index refers to.
inline constexpr int16_t kStyleLine = 1;
inline constexpr int16_t kStylePolyline = 2;
inline constexpr int16_t kStyleCircle = 3;
inline constexpr int16_t kStyleEllipse = 4;
inline constexpr int16_t kStyleArc = 5;
inline constexpr int16_t kStyleText = 6;
inline constexpr int16_t kStyleMtext = 7;
inline constexpr int16_t kStyleDimensionText = 8;
inline constexpr int16_t kStyleLeader = 9;
inline constexpr int16_t kStyleDimensionLine = 81;
inline constexpr int16_t kStyleExtensionLine = 82;

// Arrowhead kinds of SetArrowheads / DrawArrowLine.
inline constexpr int16_t kArrowAtStart = 1;
inline constexpr int16_t kArrowAtEnd = 2;
inline constexpr int16_t kArrowAtBothEnds = 3;

// Arcs: chords and node spacings at or below this many points are not drawn
// as curves.
inline constexpr double kArcProximityTolerance = 6.0;
// An arc whose end points lie within the tolerance becomes a straight line
// only when its sweep is below this many degrees: the bulge of such an arc
// over its chord is at most tan(22.5°) of half the chord (1.3 points), so
// the line is a faithful picture. A larger sweep with close end points (a
// nearly full circle) is drawn as a curve.
inline constexpr double kArcLineMaxSweep = 90.0;

// One paper of the page table.
struct PaperSpec {
  const char* name;      // the window's item, e.g. "A4 縦"
  int32_t orientation;   // 1 portrait, 2 landscape
  int32_t paperSize;     // the spreadsheet's paper code
  double widthMm;
  double heightMm;
  double areaX;          // points
  double areaY;          // points
};

// The fourteen papers, in the window's order.
std::span<const PaperSpec> PaperTable();
// The paper of that name (exact), or nothing.
const PaperSpec* FindPaper(const std::string& name);

class RvExcelExport {
 public:
  // Progress of a drawing operation: entities handled so far of the store's
  // count. Called at the start (0), now and then, and at the end (total).
  using ProgressCallback = std::function<void(int64_t done, int64_t total)>;

  RvExcelExport();   // runs Clear
  ~RvExcelExport();  // runs Clear
  RvExcelExport(const RvExcelExport&) = delete;
  RvExcelExport& operator=(const RvExcelExport&) = delete;

  // ==== State and options (excel_connection.cpp) ===========================

  // Every member back to its reset value; the application reference and the
  // model are released (the application itself is neither closed nor quit).
  // ScaleXValue and ScaleYValue keep their values.
  void Clear();

  double AreaX() const { return area_x_; }
  double AreaY() const { return area_y_; }
  double AreaWidth() const { return area_width_; }
  double AreaHeight() const { return area_height_; }
  void SetAreaX(double value) { area_x_ = value; }
  void SetAreaY(double value) { area_y_ = value; }
  void SetAreaWidth(double value) { area_width_ = value; }
  void SetAreaHeight(double value) { area_height_ = value; }
  void SetArea(double x, double y, double width, double height);

  bool AutoScale() const { return auto_scale_; }
  void SetAutoScale(bool value) { auto_scale_ = value; }
  double AutoScaleValue() const { return auto_scale_value_; }
  void SetAutoScaleValue(double value) { auto_scale_value_ = value; }
  double ScaleX() const { return scale_x_; }
  void SetScaleX(double value) { scale_x_ = value; }
  double ScaleY() const { return scale_y_; }
  void SetScaleY(double value) { scale_y_ = value; }
  double ScaleXValue() const { return scale_x_value_; }
  void SetScaleXValue(double value) { scale_x_value_ = value; }
  double ScaleYValue() const { return scale_y_value_; }
  void SetScaleYValue(double value) { scale_y_value_ = value; }
  bool AutoLtScale() const { return auto_lt_scale_; }
  void SetAutoLtScale(bool value) { auto_lt_scale_ = value; }
  double LtScale() const { return lt_scale_; }
  void SetLtScale(double value) { lt_scale_ = value; }

  int16_t ExcelVersion() const { return excel_version_; }
  bool ExcelExcute() const { return excel_excute_; }
  std::string ExcelSheetName() const { return excel_sheet_name_; }
  bool ExcelVisible() const { return excel_visible_; }
  bool ExcelReported() const { return excel_reported_; }
  bool SystemBound() const { return system_bound_; }

  int16_t ArrowStyle() const { return arrow_style_; }
  int16_t ArrowLength() const { return arrow_length_; }
  int16_t ArrowWidth() const { return arrow_width_; }
  bool DimOmission() const { return dim_omission_; }
  bool DimTextDirection() const { return dim_text_direction_; }
  bool Monochrome() const { return monochrome_; }
  bool Group() const { return group_; }
  bool SaveClose() const { return save_close_; }

  // Drawing view and extents of the last GetViewGeometory.
  double ViewLeft() const { return view_left_; }
  double ViewTop() const { return view_top_; }
  double ViewRight() const { return view_right_; }
  double ViewBottom() const { return view_bottom_; }
  double DrawWidth() const { return draw_width_; }
  double DrawHeight() const { return draw_height_; }

  // The drawing model to draw from (shared with the main document).
  void SetRvSystem(std::shared_ptr<RvSystem> system);
  void SetArrowStyle(int16_t style, int16_t length, int16_t width);
  void SetDimOmissionFlag(bool flag) { dim_omission_ = flag; }
  void SetDimTextDirectionFlag(bool flag) { dim_text_direction_ = flag; }
  void SetMonochromeFlag(bool flag) { monochrome_ = flag; }
  void SetGroupFlag(bool flag) { group_ = flag; }
  void SetSaveCloseFlag(bool flag) { save_close_ = flag; }

  // ==== Connection (excel_connection.cpp) ==================================

  // The application: Visible = mode.
  void SetVisible(bool mode);

  // Starts or attaches to the application, opens the workbook `PassName`
  // (or creates it, to be written there when it is saved) and activates its
  // sheet `SheetName`; the shapes already on the sheet are noted, so that
  // the final move and grouping leave them alone. False when the application
  // cannot be reached, the sheet is missing, the workbook cannot be opened,
  // or the sheet was already set up in this run.
  bool SetExcelSheet(const std::string& PassName, const std::string& SheetName);

  // With the save-and-close option: saves and closes the active workbook and
  // quits an application this exporter started itself (start codes 1007 to
  // 1010 and 1999); then releases the application. Otherwise nothing.
  // Automation errors are passed to the caller.
  void SaveAndClose();

  // Saves the active workbook and keeps it open (the end of a run without
  // the save-and-close option: nothing drawn is left unsaved). Nothing when
  // no sheet was set up. Automation errors are passed to the caller.
  void SaveWorkbook();

  // The application reference (empty before SetExcelSheet and after Clear).
  std::shared_ptr<excel::Application>& ExcelApp() { return excel_app_; }

  // ==== Page and geometry (page_geometry.cpp) ==============================

  // Page setup of the sheet for one of the fourteen papers; records the
  // printable area. Any other name changes nothing. Automation errors are
  // passed to the caller.
  void SetPage(const std::string& PaperSize);

  // Maps a drawing point (x, y; a z element is ignored) to the sheet:
  // (x, y, 0) in points. The view is the area less its offset on every side
  // (AreaX at the left and right, AreaY at the top and bottom), placed at the
  // working offset. Fits the drawing's extents into the view under
  // automatic scale, or applies the fixed scale; rewrites the view members,
  // DrawWidth, DrawHeight, AutoScaleValue, ScaleX and ScaleY.
  RvPoint3 GetViewGeometory(std::span<const double> Point);

  // ==== Styling (shape_styling.cpp) ========================================

  // Weight, dash style and colour of the selected shape's outline from the
  // entity `index` of the store named by `kind`.
  void ExcelLinePropertyChange(int16_t kind, std::shared_ptr<excel::Application>& application,
                               int32_t index);
  // Characters 1 .. `length` (0: the whole text) of the selected text box get
  // the entity's font, colour and `fontPoints`; the box is left-aligned,
  // auto-sized, without fill or border, and reshaped for a vertical style.
  void ExcelTextPropertyChange(int16_t kind, std::shared_ptr<excel::Application>& application,
                               int32_t index, double length, double fontPoints, bool bold,
                               bool italic, bool underline);

  // ==== Drawing (draw_*.cpp) ===============================================
  // Each draws every entity of its store on a visible layer; true when the
  // store was drawn completely (or there was nothing to do), false when an
  // error stopped the walk (the shapes drawn before it stay).

  bool DrawLineDatas();
  bool DrawCircleDatas();
  bool DrawEllipseDatas();
  bool DrawPolyLineDatas();
  bool DrawArcDatas();  // always true: a failed arc is drawn again as chords
  bool DrawTextDatas();
  bool DrawMTextDatas();
  bool DrawDimensionDatas();
  bool DrawLeaderDatas();
  // The model's extra shapes (drawing every entity, draw_extra_shapes.cpp):
  // the number of shapes drawn, -1 when an error stopped the walk.
  int32_t DrawExtraShapes();
  // Whether the model has no extra shapes (or no model is bound).
  bool ExtraShapesEmpty() const;
  // Takes the drawing's extents from the model once and holds them for every
  // drawing operation until LetGoOfDrawingExtents (or Clear), instead of
  // each operation taking them anew: a run that releases each kind's store
  // once it is drawn then maps the later kinds as it mapped the first.
  void HoldDrawingExtents();
  void LetGoOfDrawingExtents();

  // ==== Placement and grouping (redraw_grouping.cpp) =======================

  // Moves the shapes drawn in this run from the working position to the
  // area: the fitted view onto the area, or at a fixed scale the drawing's
  // top-left corner to the area's top-left corner. Shapes that were on the
  // sheet before stay where they are.
  void RedrawBasePosition();
  // Groups the shapes drawn in this run when there are two or more; shapes
  // that were on the sheet before stay out of the group. Automation errors
  // are passed to the caller.
  void GroupAll();
  // The top-level shapes of the sheet that this run drew, in z-order.
  std::vector<std::string> DrawnShapeNames();
  // Groups the shapes `names[0 .. count-1]`; false when count <= 1.
  bool GroupShapes(const std::vector<std::string>& names, int32_t count);

  // ==== Diagnostics and progress ===========================================

  // What stopped the last failed operation (an automation or model error), or
  // empty.
  const std::string& LastError() const { return last_error_; }
  // The error itself, for callers that tell the user what kind it was.
  std::exception_ptr LastException() const { return last_exception_; }
  // Progress of the drawing operations; empty to stop reporting.
  void SetProgressCallback(ProgressCallback callback) { progress_ = std::move(callback); }
  // Entities the drawing operations left out because their geometry cannot
  // be drawn, in the order met; emptied by Clear.
  const std::vector<SkippedEntity>& SkippedEntities() const { return skipped_; }

 private:
  friend class DrawingPass;

  // Connection.
  bool ProbeExcel();
  std::shared_ptr<excel::Application> StartExcel(int16_t& code);
  // The application; a use while the reference is empty creates a new
  // instance through the application's automation class.
  excel::Application& App();
  std::shared_ptr<excel::Worksheet> Sheet();
  // Saves `book`, to the chosen path when it has never been saved.
  void SaveBook(excel::Workbook& book);
  // Records the names of the shapes on the sheet before anything is drawn.
  void NoteEarlierShapes();

  // Styling.
  int32_t GetLineSchemeColor(int16_t color) const;
  int32_t GetFontColorIndex(int16_t color) const;
  std::string GetExcelFontName(const std::string& fontFile) const;
  void GetArrowSettings(int16_t& style, int16_t& length, int16_t& width,
                        int16_t& available) const;
  bool CanDrawArrow(std::span<const double> first, std::span<const double> second) const;
  void SetArrowheads(std::shared_ptr<excel::LineFormat>& line, int16_t kind);
  double LineWeightFor(int32_t width) const;
  // The dash style of a line type's dash style code.
  static int32_t DashStyleFor(int16_t code);

  // Dimensions.
  void DrawArrowLine(excel::Shapes& shapes, int16_t kind, std::span<const double> first,
                     std::span<const double> second);
  std::string MergeDimensionText(const std::string& measured, const std::string& user) const;

  // Extra shapes.
  std::shared_ptr<excel::Shape> DrawExtraOutline(excel::Shapes& shapes, const ExtraShape& shape,
                                                 std::span<const ExtraNode> nodes, double weight,
                                                 int16_t dash, int32_t color,
                                                 const RvMatrix& matrix);
  std::shared_ptr<excel::Shape> DrawExtraText(excel::Shapes& shapes, const ExtraText& text,
                                              int32_t color, const std::string& fontFile,
                                              int16_t styleFlags, const RvMatrix& matrix);

  // Arcs.
  void DrawOneArc(excel::Shapes& shapes, int32_t index, const RvMatrix& matrix);

  RvSystem& Model() const { return *system_; }
  // A drawing point through the view projection and GetViewGeometory.
  RvPoint3 MapPoint(const RvPoint3& point, const RvMatrix& matrix);
  void NoteError(const std::exception& error);

  // ---- members (reset values in Clear) ----
  std::shared_ptr<RvSystem> system_;
  RvTools tools_;
  bool system_bound_ = false;
  int16_t excel_version_ = 0;
  bool excel_excute_ = false;
  std::shared_ptr<excel::Application> excel_app_;
  std::string excel_sheet_name_ = "Sheet1";
  bool excel_reported_ = false;
  bool excel_visible_ = false;
  double view_left_ = 0, view_top_ = 0, view_right_ = 1000, view_bottom_ = 1000;
  double area_x_ = 0, area_y_ = 0, area_width_ = 1000, area_height_ = 1000;
  bool auto_scale_ = true;
  double auto_scale_value_ = 1.0;
  double scale_x_ = 1.0, scale_y_ = 1.0;
  double scale_x_value_ = 0.0, scale_y_value_ = 0.0;  // not reset by Clear
  double draw_width_ = 1000, draw_height_ = 1000;
  bool auto_lt_scale_ = true;
  double lt_scale_ = 1.0;
  int16_t arrow_style_ = 2, arrow_length_ = 2, arrow_width_ = 1;
  bool dim_omission_ = true;
  bool dim_text_direction_ = true;
  bool monochrome_ = false;
  bool group_ = true;
  bool save_close_ = false;

  // The drawing's extents, taken once per drawing operation (the model does
  // not change while it is drawn), or held for the whole run; empty outside
  // a drawing operation otherwise.
  std::optional<std::pair<RvPoint3, RvPoint3>> extents_;
  bool extents_held_ = false;
  std::string last_error_;
  std::exception_ptr last_exception_;
  ProgressCallback progress_;
  // The workbook path of SetExcelSheet, and the shapes the sheet held then.
  std::string pass_name_;
  std::unordered_set<std::string> earlier_shapes_;
  std::vector<SkippedEntity> skipped_;
};

}  // namespace ovix
