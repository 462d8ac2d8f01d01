#pragma once
// The engine's implementations of the automation interfaces. Every object
// handed out holds the workbook it belongs to, so it stays usable (or fails
// with a clear AutomationError once the workbook is closed) as long as it is
// held; the shapes themselves live as long as their sheet.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "excel/excel_automation.h"
#include "workbook/workbook_state.h"

namespace ovix::workbook {

struct ApplicationState {
  std::vector<std::shared_ptr<WorkbookState>> workbooks;
  std::shared_ptr<WorkbookState> active;
  int next_book_number = 1;
  bool visible = false;
  bool quit = false;

  void CheckRunning() const;
  std::shared_ptr<WorkbookState> ActiveWorkbook() const;
};

// The sheet an object works on, with its workbook kept alive.
struct SheetRef {
  std::shared_ptr<WorkbookState> workbook;
  SheetState* sheet = nullptr;

  void CheckOpen() const { workbook->CheckOpen(); }
  Drawing& drawing() const { return sheet->drawing; }
};

// The shapes that formatting applies to: the shapes themselves, and for a
// group every shape inside it.
std::vector<ShapeNode*> FormattedShapes(const std::vector<ShapeNode*>& shapes);

class ApplicationImpl : public excel::Application {
 public:
  ApplicationImpl();
  std::string Name() const override;
  std::string Version() const override;
  std::shared_ptr<excel::Workbooks> Workbooks() override;
  std::shared_ptr<excel::Worksheets> Worksheets() override;
  std::shared_ptr<excel::Workbook> ActiveWorkbook() override;
  std::shared_ptr<excel::Selection> Selection() override;
  bool Visible() const override;
  void SetVisible(bool value) override;
  void Quit() override;

 private:
  std::shared_ptr<ApplicationState> state_;
};

class WorkbooksImpl : public excel::Workbooks {
 public:
  explicit WorkbooksImpl(std::shared_ptr<ApplicationState> app) : app_(std::move(app)) {}
  int32_t Count() const override;
  std::shared_ptr<excel::Workbook> Item(int32_t index) override;
  std::shared_ptr<excel::Workbook> Add() override;
  std::shared_ptr<excel::Workbook> Open(const std::string& path) override;

 private:
  std::shared_ptr<ApplicationState> app_;
};

class WorkbookImpl : public excel::Workbook {
 public:
  WorkbookImpl(std::shared_ptr<ApplicationState> app, std::shared_ptr<WorkbookState> book)
      : app_(std::move(app)), book_(std::move(book)) {}
  std::string Name() const override;
  std::string FullName() const override;
  std::shared_ptr<excel::Worksheets> Worksheets() override;
  void Save() override;
  void SaveAs(const std::string& path, int32_t accessMode) override;
  void Close() override;
  bool Saved() const override;

 private:
  std::shared_ptr<ApplicationState> app_;
  std::shared_ptr<WorkbookState> book_;
};

class WorksheetsImpl : public excel::Worksheets {
 public:
  explicit WorksheetsImpl(std::shared_ptr<WorkbookState> book) : book_(std::move(book)) {}
  int32_t Count() const override;
  std::shared_ptr<excel::Worksheet> Item(int32_t index) override;
  std::shared_ptr<excel::Worksheet> Item(const std::string& name) override;

 private:
  std::shared_ptr<WorkbookState> book_;
};

class WorksheetImpl : public excel::Worksheet {
 public:
  explicit WorksheetImpl(SheetRef ref) : ref_(std::move(ref)) {}
  std::string Name() const override;
  void Activate() override;
  std::shared_ptr<excel::Shapes> Shapes() override;
  std::shared_ptr<excel::PageSetup> PageSetup() override;
  std::shared_ptr<excel::Range> Range(const std::string& address) override;

 private:
  SheetRef ref_;
};

class RangeImpl : public excel::Range {
 public:
  RangeImpl(SheetRef ref, std::string address) : ref_(std::move(ref)), address_(std::move(address)) {}
  std::string Address() const override;
  void Select() override;

 private:
  SheetRef ref_;
  std::string address_;
};

class ShapesImpl : public excel::Shapes {
 public:
  explicit ShapesImpl(SheetRef ref) : ref_(std::move(ref)) {}
  int32_t Count() const override;
  std::shared_ptr<excel::Shape> Item(int32_t index) override;
  std::shared_ptr<excel::Shape> Item(const std::string& name) override;
  std::shared_ptr<excel::Shape> AddLine(double beginX, double beginY, double endX,
                                        double endY) override;
  std::shared_ptr<excel::Shape> AddShape(int32_t type, double left, double top, double width,
                                         double height) override;
  std::shared_ptr<excel::Shape> AddTextbox(int32_t orientation, double left, double top,
                                           double width, double height) override;
  std::shared_ptr<excel::FreeformBuilder> BuildFreeform(int32_t editingType, double x,
                                                        double y) override;
  std::shared_ptr<excel::ShapeRange> Range(const std::vector<std::string>& names) override;
  void SelectAll() override;

 private:
  SheetRef ref_;
};

class ShapeImpl : public excel::Shape {
 public:
  ShapeImpl(SheetRef ref, ShapeNode* node) : ref_(std::move(ref)), node_(node) {}
  std::string Name() const override;
  void SetName(const std::string& value) override;
  int32_t Id() const override;
  int32_t Type() const override;
  double Left() const override;
  double Top() const override;
  double Width() const override;
  double Height() const override;
  void Select(bool replace) override;
  void IncrementLeft(double points) override;
  void IncrementTop(double points) override;
  std::shared_ptr<excel::LineFormat> Line() override;
  std::shared_ptr<excel::FillFormat> Fill() override;
  double Rotation() const override;
  void SetRotation(double degrees) override;

 private:
  SheetRef ref_;
  ShapeNode* node_;
};

class ShapeRangeImpl : public excel::ShapeRange {
 public:
  ShapeRangeImpl(SheetRef ref, std::vector<ShapeNode*> shapes)
      : ref_(std::move(ref)), shapes_(std::move(shapes)) {}
  int32_t Count() const override;
  std::shared_ptr<excel::Shape> Item(int32_t index) override;
  std::string Name() const override;
  void Select(bool replace) override;
  std::shared_ptr<excel::LineFormat> Line() override;
  std::shared_ptr<excel::FillFormat> Fill() override;
  std::shared_ptr<excel::Adjustments> Adjustments() override;
  std::shared_ptr<excel::Shape> Group() override;
  void ScaleWidth(double factor, bool relativeToOriginalSize, int32_t scaleFrom) override;
  void ScaleHeight(double factor, bool relativeToOriginalSize, int32_t scaleFrom) override;
  double Width() const override;
  double Height() const override;
  void IncrementLeft(double points) override;
  void IncrementTop(double points) override;

 private:
  const ShapeNode& First() const;
  SheetRef ref_;
  std::vector<ShapeNode*> shapes_;
};

class FreeformBuilderImpl : public excel::FreeformBuilder {
 public:
  FreeformBuilderImpl(SheetRef ref, FreeformNode first) : ref_(std::move(ref)), nodes_{first} {}
  void AddNodes(int32_t segmentType, int32_t editingType, double x, double y) override;
  void AddNodes(int32_t segmentType, int32_t editingType, double x1, double y1, double x2,
                double y2, double x3, double y3) override;
  std::shared_ptr<excel::Shape> ConvertToShape() override;

 private:
  SheetRef ref_;
  std::vector<FreeformNode> nodes_;
};

class ColorFormatImpl : public excel::ColorFormat {
 public:
  ColorFormatImpl(SheetRef ref, std::vector<ShapeNode*> targets, bool fill)
      : ref_(std::move(ref)), targets_(std::move(targets)), fill_(fill) {}
  int32_t SchemeColor() const override;
  void SetSchemeColor(int32_t value) override;
  int32_t RGB() const override;
  void SetRGB(int32_t value) override;

 private:
  const ShapeColor& First() const;
  void Assign(const ShapeColor& color);
  ShapeColor& Of(ShapeNode& node) const { return fill_ ? node.fill.color : node.line.color; }
  SheetRef ref_;
  std::vector<ShapeNode*> targets_;
  bool fill_;
};

class LineFormatImpl : public excel::LineFormat {
 public:
  LineFormatImpl(SheetRef ref, std::vector<ShapeNode*> targets)
      : ref_(std::move(ref)), targets_(std::move(targets)) {}
  double Weight() const override;
  void SetWeight(double points) override;
  int32_t DashStyle() const override;
  void SetDashStyle(int32_t value) override;
  int32_t Style() const override;
  void SetStyle(int32_t value) override;
  double Transparency() const override;
  void SetTransparency(double value) override;
  int32_t Visible() const override;
  void SetVisible(int32_t value) override;
  std::shared_ptr<excel::ColorFormat> ForeColor() override;
  int32_t BeginArrowheadStyle() const override;
  void SetBeginArrowheadStyle(int32_t value) override;
  int32_t BeginArrowheadLength() const override;
  void SetBeginArrowheadLength(int32_t value) override;
  int32_t BeginArrowheadWidth() const override;
  void SetBeginArrowheadWidth(int32_t value) override;
  int32_t EndArrowheadStyle() const override;
  void SetEndArrowheadStyle(int32_t value) override;
  int32_t EndArrowheadLength() const override;
  void SetEndArrowheadLength(int32_t value) override;
  int32_t EndArrowheadWidth() const override;
  void SetEndArrowheadWidth(int32_t value) override;

 private:
  const LineStyle& First() const;
  template <typename F>
  void Apply(F&& f);
  SheetRef ref_;
  std::vector<ShapeNode*> targets_;
};

class FillFormatImpl : public excel::FillFormat {
 public:
  FillFormatImpl(SheetRef ref, std::vector<ShapeNode*> targets)
      : ref_(std::move(ref)), targets_(std::move(targets)) {}
  int32_t Visible() const override;
  void SetVisible(int32_t value) override;
  double Transparency() const override;
  void SetTransparency(double value) override;
  std::shared_ptr<excel::ColorFormat> ForeColor() override;

 private:
  const FillStyle& First() const;
  SheetRef ref_;
  std::vector<ShapeNode*> targets_;
};

class AdjustmentsImpl : public excel::Adjustments {
 public:
  AdjustmentsImpl(SheetRef ref, std::vector<ShapeNode*> shapes)
      : ref_(std::move(ref)), shapes_(std::move(shapes)) {}
  int32_t Count() const override;
  double Item(int32_t index) const override;
  void SetItem(int32_t index, double value) override;

 private:
  SheetRef ref_;
  std::vector<ShapeNode*> shapes_;
};

class SelectionImpl : public excel::Selection {
 public:
  SelectionImpl(std::shared_ptr<WorkbookState> book, std::shared_ptr<SelectionData> data)
      : book_(std::move(book)), data_(std::move(data)) {}
  std::shared_ptr<excel::ShapeRange> ShapeRange() override;
  std::string Name() const override;
  std::shared_ptr<excel::Characters> Characters(int32_t start, int32_t length) override;
  int32_t HorizontalAlignment() const override;
  void SetHorizontalAlignment(int32_t value) override;
  bool AutoSize() const override;
  void SetAutoSize(bool value) override;
  bool AddIndent() const override;
  void SetAddIndent(bool value) override;

 private:
  SheetRef Ref() const;
  // The selected text boxes; AutomationError when the selection holds
  // anything else.
  const std::vector<ShapeNode*>& TextBoxes() const;
  std::shared_ptr<WorkbookState> book_;
  std::shared_ptr<SelectionData> data_;
};

// A run of a text box's characters: from `start` (0-based), `count`
// characters or (npos) the rest of the text, clamped to the text when used.
class CharactersImpl : public excel::Characters {
 public:
  CharactersImpl(SheetRef ref, ShapeNode* box, size_t start, size_t count)
      : ref_(std::move(ref)), box_(box), start_(start), count_(count) {}
  std::string Text() const override;
  void SetText(const std::string& value) override;
  std::shared_ptr<excel::Font> Font() override;

 private:
  SheetRef ref_;
  ShapeNode* box_;
  size_t start_;
  size_t count_;
};

class FontImpl : public excel::Font {
 public:
  FontImpl(SheetRef ref, ShapeNode* box, size_t start, size_t count)
      : ref_(std::move(ref)), box_(box), start_(start), count_(count) {}
  std::string Name() const override;
  void SetName(const std::string& value) override;
  std::string FontStyle() const override;
  void SetFontStyle(const std::string& value) override;
  double Size() const override;
  void SetSize(double points) override;
  bool Strikethrough() const override;
  void SetStrikethrough(bool value) override;
  bool Superscript() const override;
  void SetSuperscript(bool value) override;
  bool Subscript() const override;
  void SetSubscript(bool value) override;
  bool OutlineFont() const override;
  void SetOutlineFont(bool value) override;
  bool Shadow() const override;
  void SetShadow(bool value) override;
  bool Underline() const override;
  void SetUnderline(bool value) override;
  int32_t ColorIndex() const override;
  void SetColorIndex(int32_t value) override;

 private:
  const CharFormat& First() const;
  template <typename F>
  void Apply(F&& f);
  SheetRef ref_;
  ShapeNode* box_;
  size_t start_;
  size_t count_;
};

class PageSetupImpl : public excel::PageSetup {
 public:
  explicit PageSetupImpl(SheetRef ref) : ref_(std::move(ref)) {}
  std::string PrintTitleRows() const override;
  void SetPrintTitleRows(const std::string& value) override;
  std::string PrintTitleColumns() const override;
  void SetPrintTitleColumns(const std::string& value) override;
  std::string PrintArea() const override;
  void SetPrintArea(const std::string& value) override;
  std::string LeftHeader() const override;
  void SetLeftHeader(const std::string& value) override;
  std::string CenterHeader() const override;
  void SetCenterHeader(const std::string& value) override;
  std::string RightHeader() const override;
  void SetRightHeader(const std::string& value) override;
  std::string LeftFooter() const override;
  void SetLeftFooter(const std::string& value) override;
  std::string CenterFooter() const override;
  void SetCenterFooter(const std::string& value) override;
  std::string RightFooter() const override;
  void SetRightFooter(const std::string& value) override;
  double LeftMargin() const override;
  void SetLeftMargin(double points) override;
  double RightMargin() const override;
  void SetRightMargin(double points) override;
  double TopMargin() const override;
  void SetTopMargin(double points) override;
  double BottomMargin() const override;
  void SetBottomMargin(double points) override;
  double HeaderMargin() const override;
  void SetHeaderMargin(double points) override;
  double FooterMargin() const override;
  void SetFooterMargin(double points) override;
  bool PrintHeadings() const override;
  void SetPrintHeadings(bool value) override;
  bool PrintGridlines() const override;
  void SetPrintGridlines(bool value) override;
  int32_t PrintComments() const override;
  void SetPrintComments(int32_t value) override;
  bool CenterHorizontally() const override;
  void SetCenterHorizontally(bool value) override;
  bool CenterVertically() const override;
  void SetCenterVertically(bool value) override;
  bool Draft() const override;
  void SetDraft(bool value) override;
  int32_t FirstPageNumber() const override;
  void SetFirstPageNumber(int32_t value) override;
  int32_t Order() const override;
  void SetOrder(int32_t value) override;
  bool BlackAndWhite() const override;
  void SetBlackAndWhite(bool value) override;
  int32_t Zoom() const override;
  void SetZoom(int32_t percent) override;
  int32_t Orientation() const override;
  void SetOrientation(int32_t value) override;
  int32_t PaperSize() const override;
  void SetPaperSize(int32_t value) override;

 private:
  const PageSetupValues& Page() const;
  PageSetupValues& MutablePage();
  SheetRef ref_;
};

}  // namespace ovix::workbook
