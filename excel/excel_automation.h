#pragma once
// The spreadsheet automation object model that the exporter drives: the part
// of Excel's object model it uses (Application, Workbooks, Worksheets, Shapes,
// FreeformBuilder, ShapeRange, LineFormat, FillFormat, Characters, Font,
// PageSetup), as abstract interfaces. The in-process workbook engine
// (workbook/) implements them and registers itself under the target ProgID.
//
// Conventions, as in the automation model:
// - Objects are handed out as shared references; a reference stays usable as
//   long as it is held (a shape that was grouped is still the same shape).
// - Every member may fail with AutomationError (an unknown sheet name, a
//   selection without characters, a file that cannot be written, ...).
// - Indices of collections (Shapes.Item, ShapeRange.Item, Adjustments.Item)
//   are 1-based. Positions and sizes are points (1/72 inch), x to the right,
//   y downwards from the top-left corner of the sheet.
// - Tri-state members (Visible) use kTrue (-1) and kFalse (0).

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace excel {

class AutomationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------
// Constants (Office and Excel enumeration values).

inline constexpr int32_t kTrue = -1;   // msoTrue
inline constexpr int32_t kFalse = 0;   // msoFalse

// AutoShape types (AddShape).
inline constexpr int32_t kShapeRectangle = 1;
inline constexpr int32_t kShapeOval = 9;
inline constexpr int32_t kShapeArc = 25;

// Shape.Type.
inline constexpr int32_t kTypeAutoShape = 1;
inline constexpr int32_t kTypeChart = 3;
inline constexpr int32_t kTypeFreeform = 5;
inline constexpr int32_t kTypeGroup = 6;
inline constexpr int32_t kTypeLine = 9;
inline constexpr int32_t kTypePicture = 13;
inline constexpr int32_t kTypeTextBox = 17;
inline constexpr int32_t kTypeOther = -2;  // something the engine keeps but does not model

// Text orientation (AddTextbox).
inline constexpr int32_t kOrientationHorizontal = 1;
inline constexpr int32_t kOrientationUpward = 2;
inline constexpr int32_t kOrientationDownward = 3;

// Freeform editing and segment types.
inline constexpr int32_t kEditingAuto = 0;
inline constexpr int32_t kEditingCorner = 1;
inline constexpr int32_t kSegmentLine = 0;
inline constexpr int32_t kSegmentCurve = 1;

// LineFormat.DashStyle.
inline constexpr int32_t kLineSolid = 1;
inline constexpr int32_t kLineSquareDot = 2;
inline constexpr int32_t kLineRoundDot = 3;
inline constexpr int32_t kLineDash = 4;
inline constexpr int32_t kLineDashDot = 5;
inline constexpr int32_t kLineDashDotDot = 6;
inline constexpr int32_t kLineLongDash = 7;
inline constexpr int32_t kLineLongDashDot = 8;

// LineFormat.Style.
inline constexpr int32_t kLineSingle = 1;
inline constexpr int32_t kLineThinThin = 2;
inline constexpr int32_t kLineThinThick = 3;
inline constexpr int32_t kLineThickThin = 4;
inline constexpr int32_t kLineThickBetweenThin = 5;

// Arrowheads: style, length, width.
inline constexpr int32_t kArrowheadNone = 1;
inline constexpr int32_t kArrowheadTriangle = 2;
inline constexpr int32_t kArrowheadOpen = 3;
inline constexpr int32_t kArrowheadStealth = 4;
inline constexpr int32_t kArrowheadDiamond = 5;
inline constexpr int32_t kArrowheadOval = 6;
inline constexpr int32_t kArrowheadShort = 1;
inline constexpr int32_t kArrowheadLengthMedium = 2;
inline constexpr int32_t kArrowheadLong = 3;
inline constexpr int32_t kArrowheadNarrow = 1;
inline constexpr int32_t kArrowheadWidthMedium = 2;
inline constexpr int32_t kArrowheadWide = 3;

// ScaleWidth / ScaleHeight: the corner that stays fixed.
inline constexpr int32_t kScaleFromTopLeft = 0;
inline constexpr int32_t kScaleFromMiddle = 1;
inline constexpr int32_t kScaleFromBottomRight = 2;

// Scheme colour that a new shape's line reports until a colour is set.
inline constexpr int32_t kSchemeColorAutomatic = 64;

// HorizontalAlignment.
inline constexpr int32_t kAlignLeft = -4131;
inline constexpr int32_t kAlignCenter = -4108;
inline constexpr int32_t kAlignRight = -4152;

// PageSetup values.
inline constexpr int32_t kPrintNoComments = -4142;
inline constexpr int32_t kPrintInPlace = 16;
inline constexpr int32_t kPrintSheetEnd = 1;
inline constexpr int32_t kAutomatic = -4105;  // FirstPageNumber
inline constexpr int32_t kDownThenOver = 1;
inline constexpr int32_t kOverThenDown = 2;
inline constexpr int32_t kPortrait = 1;
inline constexpr int32_t kLandscape = 2;
inline constexpr int32_t kPaperA3 = 8;
inline constexpr int32_t kPaperA4 = 9;
inline constexpr int32_t kPaperA5 = 11;
inline constexpr int32_t kPaperB4 = 12;
inline constexpr int32_t kPaperB5 = 13;

// Workbook.SaveAs access mode.
inline constexpr int32_t kNoChange = 1;

// ---------------------------------------------------------------------------
// Formatting objects.

class ColorFormat {
 public:
  virtual ~ColorFormat() = default;
  // Scheme colour: 0..7 are the default palette's colours 1..8 and 8..63 are
  // palette colours 1..56 of the workbook's 56-colour palette; 64 (automatic)
  // until a colour is set.
  virtual int32_t SchemeColor() const = 0;
  virtual void SetSchemeColor(int32_t value) = 0;
  // Colour reference red + 256 * green + 65536 * blue.
  virtual int32_t RGB() const = 0;
  virtual void SetRGB(int32_t value) = 0;
};

class LineFormat {
 public:
  virtual ~LineFormat() = default;
  virtual double Weight() const = 0;  // points; a new shape's line is 0.75
  virtual void SetWeight(double points) = 0;
  virtual int32_t DashStyle() const = 0;
  virtual void SetDashStyle(int32_t value) = 0;
  virtual int32_t Style() const = 0;
  virtual void SetStyle(int32_t value) = 0;
  virtual double Transparency() const = 0;
  virtual void SetTransparency(double value) = 0;
  virtual int32_t Visible() const = 0;
  virtual void SetVisible(int32_t value) = 0;
  virtual std::shared_ptr<ColorFormat> ForeColor() = 0;
  virtual int32_t BeginArrowheadStyle() const = 0;
  virtual void SetBeginArrowheadStyle(int32_t value) = 0;
  virtual int32_t BeginArrowheadLength() const = 0;
  virtual void SetBeginArrowheadLength(int32_t value) = 0;
  virtual int32_t BeginArrowheadWidth() const = 0;
  virtual void SetBeginArrowheadWidth(int32_t value) = 0;
  virtual int32_t EndArrowheadStyle() const = 0;
  virtual void SetEndArrowheadStyle(int32_t value) = 0;
  virtual int32_t EndArrowheadLength() const = 0;
  virtual void SetEndArrowheadLength(int32_t value) = 0;
  virtual int32_t EndArrowheadWidth() const = 0;
  virtual void SetEndArrowheadWidth(int32_t value) = 0;
};

class FillFormat {
 public:
  virtual ~FillFormat() = default;
  virtual int32_t Visible() const = 0;
  virtual void SetVisible(int32_t value) = 0;
  virtual double Transparency() const = 0;
  virtual void SetTransparency(double value) = 0;
  virtual std::shared_ptr<ColorFormat> ForeColor() = 0;
};

class Adjustments {
 public:
  virtual ~Adjustments() = default;
  virtual int32_t Count() const = 0;
  // 1-based. The arc shape (kShapeArc) has two: the arc runs
  // counter-clockwise (as seen on the sheet) from the angle of item 2 to the
  // angle of item 1, in degrees counted counter-clockwise from the
  // 3 o'clock direction; a new arc has item 1 = 90 and item 2 = 0, the
  // top-right quarter. As in the classic arc shape, the frame of a new arc is
  // that quarter: the ellipse's centre is the frame's bottom-left corner and
  // its radii are the frame's width and height, whatever the angles.
  virtual double Item(int32_t index) const = 0;
  virtual void SetItem(int32_t index, double value) = 0;
};

class Font {
 public:
  virtual ~Font() = default;
  virtual std::string Name() const = 0;
  virtual void SetName(const std::string& value) = 0;
  // "標準", "太字", "斜体" or "太字 斜体".
  virtual std::string FontStyle() const = 0;
  virtual void SetFontStyle(const std::string& value) = 0;
  virtual double Size() const = 0;
  virtual void SetSize(double points) = 0;
  virtual bool Strikethrough() const = 0;
  virtual void SetStrikethrough(bool value) = 0;
  virtual bool Superscript() const = 0;
  virtual void SetSuperscript(bool value) = 0;
  virtual bool Subscript() const = 0;
  virtual void SetSubscript(bool value) = 0;
  virtual bool OutlineFont() const = 0;
  virtual void SetOutlineFont(bool value) = 0;
  virtual bool Shadow() const = 0;
  virtual void SetShadow(bool value) = 0;
  virtual bool Underline() const = 0;
  virtual void SetUnderline(bool value) = 0;
  // Index into the workbook's 56-colour palette.
  virtual int32_t ColorIndex() const = 0;
  virtual void SetColorIndex(int32_t value) = 0;
};

// A run of characters of a text box: Characters(Start, Length) with Start
// 1-based; a Length of 0 or less means the rest of the text from Start.
class Characters {
 public:
  virtual ~Characters() = default;
  virtual std::string Text() const = 0;
  // Replaces the characters of the run (the whole text for a whole-text run).
  virtual void SetText(const std::string& value) = 0;
  virtual std::shared_ptr<excel::Font> Font() = 0;
};

// ---------------------------------------------------------------------------
// Shapes.

class ShapeRange;

class Shape {
 public:
  virtual ~Shape() = default;
  virtual std::string Name() const = 0;
  virtual void SetName(const std::string& value) = 0;  // unique on the sheet
  virtual int32_t Id() const = 0;
  virtual int32_t Type() const = 0;
  virtual double Left() const = 0;
  virtual double Top() const = 0;
  virtual double Width() const = 0;
  virtual double Height() const = 0;
  // Selects the shape; with `replace` the previous selection is dropped,
  // otherwise the shape is added to it.
  virtual void Select(bool replace = true) = 0;
  virtual void IncrementLeft(double points) = 0;
  virtual void IncrementTop(double points) = 0;
  virtual std::shared_ptr<LineFormat> Line() = 0;
  virtual std::shared_ptr<FillFormat> Fill() = 0;
  // Clockwise rotation in degrees about the frame's centre (0 to below 360).
  virtual double Rotation() const = 0;
  virtual void SetRotation(double degrees) = 0;
};

class ShapeRange {
 public:
  virtual ~ShapeRange() = default;
  virtual int32_t Count() const = 0;
  virtual std::shared_ptr<excel::Shape> Item(int32_t index) = 0;  // 1-based
  // Name of the single shape of the range (an error for several).
  virtual std::string Name() const = 0;
  virtual void Select(bool replace = true) = 0;
  // Formatting of all shapes of the range: setting applies to every shape,
  // reading gives the first shape's value.
  virtual std::shared_ptr<LineFormat> Line() = 0;
  virtual std::shared_ptr<FillFormat> Fill() = 0;
  virtual std::shared_ptr<excel::Adjustments> Adjustments() = 0;
  // Groups the shapes of the range (two or more, top-level on one sheet)
  // into a new top-level group shape, which is returned.
  virtual std::shared_ptr<excel::Shape> Group() = 0;
  // Scales each shape by `factor` relative to its current size (or to its
  // original size when `relativeToOriginalSize`), keeping the corner
  // `scaleFrom` (kScaleFromTopLeft, kScaleFromMiddle, kScaleFromBottomRight)
  // in place.
  virtual void ScaleWidth(double factor, bool relativeToOriginalSize, int32_t scaleFrom) = 0;
  virtual void ScaleHeight(double factor, bool relativeToOriginalSize, int32_t scaleFrom) = 0;
  virtual double Width() const = 0;
  virtual double Height() const = 0;
  virtual void IncrementLeft(double points) = 0;
  virtual void IncrementTop(double points) = 0;
};

class FreeformBuilder {
 public:
  virtual ~FreeformBuilder() = default;
  // Adds a node at (x, y): segment type kSegmentLine or kSegmentCurve,
  // editing type kEditingAuto (a smooth curve through the nodes) or
  // kEditingCorner.
  virtual void AddNodes(int32_t segmentType, int32_t editingType, double x, double y) = 0;
  // Adds a cubic Bézier segment (kSegmentCurve, kEditingCorner) with the
  // control points (x1, y1) and (x2, y2) ending at the node (x3, y3).
  virtual void AddNodes(int32_t segmentType, int32_t editingType, double x1, double y1,
                        double x2, double y2, double x3, double y3) = 0;
  // Makes the freeform a shape on the sheet and returns it.
  virtual std::shared_ptr<Shape> ConvertToShape() = 0;
};

class Shapes {
 public:
  virtual ~Shapes() = default;
  // Number of top-level shapes on the sheet (a group counts once).
  virtual int32_t Count() const = 0;
  virtual std::shared_ptr<Shape> Item(int32_t index) = 0;  // 1-based
  virtual std::shared_ptr<Shape> Item(const std::string& name) = 0;
  virtual std::shared_ptr<Shape> AddLine(double beginX, double beginY, double endX,
                                         double endY) = 0;
  virtual std::shared_ptr<Shape> AddShape(int32_t type, double left, double top, double width,
                                          double height) = 0;
  virtual std::shared_ptr<Shape> AddTextbox(int32_t orientation, double left, double top,
                                            double width, double height) = 0;
  virtual std::shared_ptr<FreeformBuilder> BuildFreeform(int32_t editingType, double x,
                                                         double y) = 0;
  // The top-level shapes with these names, in the order given.
  virtual std::shared_ptr<ShapeRange> Range(const std::vector<std::string>& names) = 0;
  // Selects every top-level shape (an error when there is none).
  virtual void SelectAll() = 0;
};

// What Application.Selection refers to: one or more shapes, or cells after a
// Range.Select (then ShapeRange and the text members fail).
class Selection {
 public:
  virtual ~Selection() = default;
  virtual std::shared_ptr<excel::ShapeRange> ShapeRange() = 0;
  virtual std::string Name() const = 0;
  // Text members: only for a selected text box.
  virtual std::shared_ptr<excel::Characters> Characters(int32_t start = 1,
                                                        int32_t length = 0) = 0;
  virtual int32_t HorizontalAlignment() const = 0;
  virtual void SetHorizontalAlignment(int32_t value) = 0;
  virtual bool AutoSize() const = 0;
  // With true the box shrinks or grows to fit its text.
  virtual void SetAutoSize(bool value) = 0;
  virtual bool AddIndent() const = 0;
  virtual void SetAddIndent(bool value) = 0;
};

// ---------------------------------------------------------------------------
// Sheets and workbooks.

class PageSetup {
 public:
  virtual ~PageSetup() = default;
  virtual std::string PrintTitleRows() const = 0;
  virtual void SetPrintTitleRows(const std::string& value) = 0;
  virtual std::string PrintTitleColumns() const = 0;
  virtual void SetPrintTitleColumns(const std::string& value) = 0;
  virtual std::string PrintArea() const = 0;
  virtual void SetPrintArea(const std::string& value) = 0;
  virtual std::string LeftHeader() const = 0;
  virtual void SetLeftHeader(const std::string& value) = 0;
  virtual std::string CenterHeader() const = 0;
  virtual void SetCenterHeader(const std::string& value) = 0;
  virtual std::string RightHeader() const = 0;
  virtual void SetRightHeader(const std::string& value) = 0;
  virtual std::string LeftFooter() const = 0;
  virtual void SetLeftFooter(const std::string& value) = 0;
  virtual std::string CenterFooter() const = 0;
  virtual void SetCenterFooter(const std::string& value) = 0;
  virtual std::string RightFooter() const = 0;
  virtual void SetRightFooter(const std::string& value) = 0;
  // Margins in points.
  virtual double LeftMargin() const = 0;
  virtual void SetLeftMargin(double points) = 0;
  virtual double RightMargin() const = 0;
  virtual void SetRightMargin(double points) = 0;
  virtual double TopMargin() const = 0;
  virtual void SetTopMargin(double points) = 0;
  virtual double BottomMargin() const = 0;
  virtual void SetBottomMargin(double points) = 0;
  virtual double HeaderMargin() const = 0;
  virtual void SetHeaderMargin(double points) = 0;
  virtual double FooterMargin() const = 0;
  virtual void SetFooterMargin(double points) = 0;
  virtual bool PrintHeadings() const = 0;
  virtual void SetPrintHeadings(bool value) = 0;
  virtual bool PrintGridlines() const = 0;
  virtual void SetPrintGridlines(bool value) = 0;
  virtual int32_t PrintComments() const = 0;
  virtual void SetPrintComments(int32_t value) = 0;
  virtual bool CenterHorizontally() const = 0;
  virtual void SetCenterHorizontally(bool value) = 0;
  virtual bool CenterVertically() const = 0;
  virtual void SetCenterVertically(bool value) = 0;
  virtual bool Draft() const = 0;
  virtual void SetDraft(bool value) = 0;
  virtual int32_t FirstPageNumber() const = 0;
  virtual void SetFirstPageNumber(int32_t value) = 0;
  virtual int32_t Order() const = 0;
  virtual void SetOrder(int32_t value) = 0;
  virtual bool BlackAndWhite() const = 0;
  virtual void SetBlackAndWhite(bool value) = 0;
  virtual int32_t Zoom() const = 0;  // percent
  virtual void SetZoom(int32_t percent) = 0;
  virtual int32_t Orientation() const = 0;
  virtual void SetOrientation(int32_t value) = 0;
  virtual int32_t PaperSize() const = 0;
  virtual void SetPaperSize(int32_t value) = 0;
};

class Range {
 public:
  virtual ~Range() = default;
  virtual std::string Address() const = 0;
  // Selects the cells; shapes are no longer selected.
  virtual void Select() = 0;
};

class Worksheet {
 public:
  virtual ~Worksheet() = default;
  virtual std::string Name() const = 0;
  virtual void Activate() = 0;
  virtual std::shared_ptr<excel::Shapes> Shapes() = 0;
  virtual std::shared_ptr<excel::PageSetup> PageSetup() = 0;
  // A range by address; the engine knows whole rows ("1:1") and cells ("A1").
  virtual std::shared_ptr<excel::Range> Range(const std::string& address) = 0;
};

class Worksheets {
 public:
  virtual ~Worksheets() = default;
  virtual int32_t Count() const = 0;
  virtual std::shared_ptr<Worksheet> Item(int32_t index) = 0;  // 1-based
  // By exact sheet name; an unknown name is an AutomationError.
  virtual std::shared_ptr<Worksheet> Item(const std::string& name) = 0;
};

class Workbook {
 public:
  virtual ~Workbook() = default;
  virtual std::string Name() const = 0;
  // Path of the file the workbook was opened from or last saved to; empty for
  // a new, never saved workbook.
  virtual std::string FullName() const = 0;
  virtual std::shared_ptr<excel::Worksheets> Worksheets() = 0;
  // Writes the workbook to FullName (an error for a never saved workbook).
  virtual void Save() = 0;
  // Writes the workbook to `path`, which becomes its FullName. The format
  // follows the extension. The file is replaced only when writing succeeded.
  virtual void SaveAs(const std::string& path, int32_t accessMode = kNoChange) = 0;
  // Closes the workbook without saving; it leaves the Workbooks collection.
  virtual void Close() = 0;
  virtual bool Saved() const = 0;  // no changes since the last save
};

class Workbooks {
 public:
  virtual ~Workbooks() = default;
  virtual int32_t Count() const = 0;
  virtual std::shared_ptr<Workbook> Item(int32_t index) = 0;  // 1-based
  // A new workbook with one sheet "Sheet1"; it becomes the active workbook.
  virtual std::shared_ptr<Workbook> Add() = 0;
  // Opens an existing workbook file; it becomes the active workbook.
  virtual std::shared_ptr<Workbook> Open(const std::string& path) = 0;
};

class Application {
 public:
  virtual ~Application() = default;
  virtual std::string Name() const = 0;
  virtual std::string Version() const = 0;
  virtual std::shared_ptr<excel::Workbooks> Workbooks() = 0;
  // The sheets of the active workbook (an error when none is open).
  virtual std::shared_ptr<excel::Worksheets> Worksheets() = 0;
  virtual std::shared_ptr<Workbook> ActiveWorkbook() = 0;
  // What was selected last (an error when nothing is).
  virtual std::shared_ptr<excel::Selection> Selection() = 0;
  virtual bool Visible() const = 0;
  virtual void SetVisible(bool value) = 0;
  // Ends the application: open workbooks are closed without saving and it no
  // longer answers GetObject.
  virtual void Quit() = 0;
};

// ---------------------------------------------------------------------------
// Reaching an application by its ProgID, as automation clients do.
//
// CreateObject starts a new instance of the class registered under `progId`;
// the instance counts as running (GetObject finds it) until it quits, or
// until every client has released it while it is hidden, as an automation
// server ends then. A visible instance is under the user's control and keeps
// running when its clients let go. GetObject attaches to the most recently
// started instance of `progId` that is still running. Both raise AutomationError when there is no such class or
// no running instance. Running instances are kept per thread, so conversions
// that run in parallel threads never share one.

using ApplicationFactory = std::function<std::shared_ptr<Application>()>;

std::shared_ptr<Application> CreateObject(const std::string& progId);
std::shared_ptr<Application> GetObject(const std::string& progId);

// Registers (or replaces) the factory of `progId`; an empty factory removes it.
void RegisterClass(const std::string& progId, ApplicationFactory factory);

// Called by an application when it quits: it no longer answers GetObject.
void RevokeRunningInstance(const Application* app);

// Forgets every running instance of the calling thread (they are not quit).
void ForgetRunningInstances();

}  // namespace excel
