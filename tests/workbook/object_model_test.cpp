// The object model's behaviour that the exporter relies on: names, selection,
// ranges, grouping, moving, scaling, colours, text and page setup.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "workbook/text_metrics.h"
#include "workbook/workbook_engine.h"

namespace {

using excel::AutomationError;

class ObjectModel : public ::testing::Test {
 protected:
  void SetUp() override {
    app = ovix::workbook::CreateApplication();
    app->Workbooks()->Add();
    sheet = app->Worksheets()->Item("Sheet1");
    shapes = sheet->Shapes();
  }

  std::shared_ptr<excel::Shape> Oval(double left = 10, double top = 10) {
    return shapes->AddShape(excel::kShapeOval, left, top, 20, 20);
  }

  std::shared_ptr<excel::Shape> TextBox(const std::string& text,
                                        int32_t orientation = excel::kOrientationHorizontal) {
    auto box = shapes->AddTextbox(orientation, 100, 200, 500, 300);
    box->Select(true);
    app->Selection()->Characters(1, 0)->SetText(text);
    return box;
  }

  std::shared_ptr<excel::Application> app;
  std::shared_ptr<excel::Worksheet> sheet;
  std::shared_ptr<excel::Shapes> shapes;
};

TEST_F(ObjectModel, DefaultNamesShareOneRunningNumberPerSheet) {
  EXPECT_EQ(shapes->AddLine(0, 0, 10, 10)->Name(), "Line 1");
  EXPECT_EQ(Oval()->Name(), "Oval 2");
  EXPECT_EQ(shapes->AddShape(excel::kShapeArc, 0, 0, 10, 10)->Name(), "Arc 3");
  auto builder = shapes->BuildFreeform(excel::kEditingAuto, 0, 0);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, 10, 5);
  builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, 20, 0);
  EXPECT_EQ(builder->ConvertToShape()->Name(), "Freeform 4");
  EXPECT_EQ(shapes->AddTextbox(excel::kOrientationHorizontal, 0, 0, 10, 10)->Name(), "TextBox 5");
  auto group = shapes->Range({"Line 1", "Oval 2"})->Group();
  EXPECT_EQ(group->Name(), "Group 6");
  EXPECT_EQ(group->Id(), 7);
  EXPECT_EQ(shapes->AddShape(excel::kShapeRectangle, 0, 0, 1, 1)->Name(), "Rectangle 7");

  // A second sheet of another workbook counts on its own.
  app->Workbooks()->Add();
  EXPECT_EQ(app->Worksheets()->Item("Sheet1")->Shapes()->AddLine(0, 0, 1, 1)->Name(), "Line 1");
}

TEST_F(ObjectModel, NamesStayUniqueOnTheSheet) {
  auto line = shapes->AddLine(0, 0, 1, 1);
  auto oval = Oval();
  EXPECT_THROW(oval->SetName("Line 1"), AutomationError);
  EXPECT_THROW(oval->SetName(""), AutomationError);
  oval->SetName("Line 3");
  EXPECT_EQ(shapes->Item("Line 3")->Id(), oval->Id());
  // The running number skips a name that is already taken.
  EXPECT_EQ(shapes->AddLine(0, 0, 1, 1)->Name(), "Line 4");
  line->SetName("外形線");
  EXPECT_EQ(shapes->Item("外形線")->Name(), "外形線");
  EXPECT_THROW(shapes->Item("Line 1"), AutomationError);
}

TEST_F(ObjectModel, AddReturnsTheNewShapeWithItsFrameAndType) {
  auto line = shapes->AddLine(50, 40, 20, 100);
  EXPECT_EQ(line->Type(), excel::kTypeLine);
  EXPECT_DOUBLE_EQ(line->Left(), 20);
  EXPECT_DOUBLE_EQ(line->Top(), 40);
  EXPECT_DOUBLE_EQ(line->Width(), 30);
  EXPECT_DOUBLE_EQ(line->Height(), 60);
  EXPECT_EQ(Oval()->Type(), excel::kTypeAutoShape);
  EXPECT_EQ(TextBox("x")->Type(), excel::kTypeTextBox);
  EXPECT_THROW(shapes->AddShape(5, 0, 0, 1, 1), AutomationError);
  EXPECT_THROW(shapes->AddShape(excel::kShapeOval, 0, 0, -1, 1), AutomationError);
  EXPECT_THROW(shapes->AddLine(NAN, 0, 1, 1), AutomationError);
  EXPECT_THROW(shapes->AddTextbox(7, 0, 0, 1, 1), AutomationError);
  EXPECT_EQ(shapes->Count(), 3);
}

TEST_F(ObjectModel, RefusedNumbersAreNamedReadably) {
  // Never "-nan" or "-0.000000": what the user reads in a failure's detail.
  auto message = [](auto&& call) {
    try {
      call();
    } catch (const AutomationError& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_EQ(message([&] { shapes->AddLine(-std::nan(""), 0, 10, 10); }),
            "the line's start x is out of range: NaN");
  EXPECT_NE(message([&] { shapes->AddShape(excel::kShapeOval, 0, 0, -1e-9, 5); })
                .find("must not be negative: -1E-09"),
            std::string::npos);
  auto line = shapes->AddLine(0, 0, 10, 10);
  EXPECT_EQ(message([&] { line->Line()->SetWeight(-std::numeric_limits<double>::infinity()); }),
            "a line weight runs from 0 to 1584 points: -Infinity");
}

TEST_F(ObjectModel, SelectionIsWhatWasSelectedLast) {
  EXPECT_THROW(app->Selection(), AutomationError);
  auto a = shapes->AddLine(0, 0, 1, 1);
  auto b = Oval();
  a->Select(true);
  auto first = app->Selection();
  EXPECT_EQ(first->Name(), "Line 1");
  b->Select(false);
  EXPECT_EQ(app->Selection()->ShapeRange()->Count(), 2);
  EXPECT_THROW(app->Selection()->Name(), AutomationError);
  // A Selection taken earlier keeps what was selected then.
  EXPECT_EQ(first->ShapeRange()->Count(), 1);
  b->Select(false);  // already selected: no duplicate
  EXPECT_EQ(app->Selection()->ShapeRange()->Count(), 2);
  b->Select(true);
  EXPECT_EQ(app->Selection()->Name(), "Oval 2");

  sheet->Range("1:1")->Select();
  EXPECT_EQ(sheet->Range("1:1")->Address(), "$1:$1");
  EXPECT_THROW(app->Selection()->ShapeRange(), AutomationError);
  EXPECT_THROW(app->Selection()->Characters(1, 0), AutomationError);
  EXPECT_THROW(sheet->Range("not a cell"), AutomationError);
}

TEST_F(ObjectModel, SelectAllAndRangeWorkOnTopLevelShapes) {
  EXPECT_THROW(shapes->SelectAll(), AutomationError);
  auto a = shapes->AddLine(0, 0, 1, 1);
  auto b = Oval();
  auto c = Oval();
  shapes->Range({"Line 1", "Oval 2"})->Group();
  shapes->SelectAll();
  auto range = app->Selection()->ShapeRange();
  ASSERT_EQ(range->Count(), 2);
  // The group sits where its frontmost member was, behind the later oval.
  EXPECT_EQ(range->Item(1)->Name(), "Group 4");
  EXPECT_EQ(range->Item(2)->Name(), "Oval 3");

  auto ordered = shapes->Range({"Group 4", "Oval 3", "Group 4"});
  ASSERT_EQ(ordered->Count(), 2);  // a name given twice stands for one shape
  EXPECT_EQ(ordered->Item(1)->Name(), "Group 4");
  EXPECT_THROW(shapes->Range({"Oval 3", "nothing"}), AutomationError);
  EXPECT_THROW(shapes->Range({"Line 1"}), AutomationError);  // inside a group
  EXPECT_THROW(ordered->Name(), AutomationError);
  EXPECT_EQ(shapes->Range({"Oval 3"})->Name(), "Oval 3");
}

TEST_F(ObjectModel, GroupingMakesOneTopLevelShapeAtTheFrontmostMembersPlace) {
  auto a = shapes->AddLine(0, 0, 10, 10);
  auto b = Oval(100, 100);
  auto c = Oval(200, 0);
  auto d = shapes->AddLine(50, 300, 60, 310);
  EXPECT_EQ(shapes->Count(), 4);
  auto g1 = shapes->Range({d->Name(), b->Name()})->Group();
  EXPECT_EQ(shapes->Count(), 3);
  EXPECT_EQ(shapes->Item(1)->Name(), a->Name());
  EXPECT_EQ(shapes->Item(2)->Name(), c->Name());
  EXPECT_EQ(shapes->Item(3)->Name(), g1->Name());
  EXPECT_EQ(g1->Type(), excel::kTypeGroup);
  EXPECT_DOUBLE_EQ(g1->Left(), 50);
  EXPECT_DOUBLE_EQ(g1->Top(), 100);
  EXPECT_DOUBLE_EQ(g1->Width(), 70);
  EXPECT_DOUBLE_EQ(g1->Height(), 210);

  // Groups nest, and the held members stay the same shapes.
  auto g2 = shapes->Range({g1->Name(), a->Name()})->Group();
  EXPECT_EQ(shapes->Count(), 2);
  g2->IncrementLeft(5);
  EXPECT_DOUBLE_EQ(b->Left(), 105);
  EXPECT_DOUBLE_EQ(g1->Left(), 55);
  EXPECT_DOUBLE_EQ(g2->Left(), 5);
  // Moving a member resizes the groups around it.
  d->IncrementTop(100);
  EXPECT_DOUBLE_EQ(g2->Height(), 410);

  EXPECT_THROW(shapes->Range({c->Name()})->Group(), AutomationError);
}

TEST_F(ObjectModel, GroupsNestAtMostAThousandLevels) {
  auto group = shapes->AddLine(0, 0, 1, 1);
  for (int level = 1; level <= 1000; ++level) {
    group = shapes->Range({group->Name(), Oval()->Name()})->Group();
  }
  auto one_more = Oval();
  EXPECT_THROW(shapes->Range({group->Name(), one_more->Name()})->Group(), AutomationError);
  EXPECT_EQ(shapes->Count(), 2);
  group->IncrementLeft(1);  // deep groups still move and save
  ovix::testing::TempDir dir;
  app->ActiveWorkbook()->SaveAs((dir / "deep.xlsx").string(), excel::kNoChange);
}

TEST_F(ObjectModel, GroupingTheSelectionSelectsTheGroup) {
  shapes->AddLine(0, 0, 10, 10);
  Oval();
  shapes->Range({"Line 1", "Oval 2"})->Select(true);
  auto group = app->Selection()->ShapeRange()->Group();
  EXPECT_EQ(app->Selection()->Name(), group->Name());
}

TEST_F(ObjectModel, MovingASelectionMovesEveryShapeInIt) {
  auto line = shapes->AddLine(6500, 6500, 6600, 6550);
  auto arc = shapes->AddShape(excel::kShapeArc, 6600, 6600, 50, 50);
  auto oval = Oval(6700, 6700);
  auto inner = Oval(6800, 6800);
  auto group = shapes->Range({oval->Name(), inner->Name()})->Group();
  shapes->SelectAll();
  auto range = app->Selection()->ShapeRange();
  range->IncrementLeft(-6480);
  range->IncrementTop(-6450);
  EXPECT_DOUBLE_EQ(line->Left(), 20);
  EXPECT_DOUBLE_EQ(line->Top(), 50);
  EXPECT_DOUBLE_EQ(arc->Left(), 120);
  EXPECT_DOUBLE_EQ(inner->Left(), 320);
  EXPECT_DOUBLE_EQ(inner->Top(), 350);
  EXPECT_DOUBLE_EQ(group->Left(), 220);
  sheet->Range("1:1")->Select();
  EXPECT_THROW(app->Selection()->ShapeRange(), AutomationError);
}

TEST_F(ObjectModel, ScalingKeepsTheGivenCorner) {
  auto rect = shapes->AddShape(excel::kShapeRectangle, 10, 20, 100, 50);
  rect->Select(true);
  auto range = app->Selection()->ShapeRange();
  range->ScaleWidth(0.5, false, excel::kScaleFromTopLeft);
  EXPECT_DOUBLE_EQ(rect->Left(), 10);
  EXPECT_DOUBLE_EQ(rect->Width(), 50);
  range->ScaleWidth(2, false, excel::kScaleFromBottomRight);
  EXPECT_DOUBLE_EQ(rect->Left(), -40);
  EXPECT_DOUBLE_EQ(rect->Width(), 100);
  range->ScaleWidth(0.5, false, excel::kScaleFromMiddle);
  EXPECT_DOUBLE_EQ(rect->Left(), -15);
  range->ScaleHeight(3, false, excel::kScaleFromBottomRight);
  EXPECT_DOUBLE_EQ(rect->Top(), -80);
  EXPECT_DOUBLE_EQ(rect->Height(), 150);
  range->ScaleHeight(1, true, excel::kScaleFromTopLeft);  // back to the original 50
  EXPECT_DOUBLE_EQ(rect->Height(), 50);
  EXPECT_THROW(range->ScaleWidth(-1, false, excel::kScaleFromTopLeft), AutomationError);
  EXPECT_THROW(range->ScaleWidth(1, false, 7), AutomationError);
}

TEST_F(ObjectModel, ScalingRelativeToTheOriginalGoesBackToTheSizeAShapeWasMadeWith) {
  // A text box fitted to its text.
  auto box = TextBox("幅が変わる文字列");
  app->Selection()->SetAutoSize(true);
  ASSERT_NE(box->Width(), 500);
  box->Select(true);
  app->Selection()->ShapeRange()->ScaleWidth(1, true, excel::kScaleFromTopLeft);
  app->Selection()->ShapeRange()->ScaleHeight(0.5, true, excel::kScaleFromTopLeft);
  EXPECT_DOUBLE_EQ(box->Width(), 500);
  EXPECT_DOUBLE_EQ(box->Height(), 150);

  // A vertical line (no width) given a width, then taken back.
  auto line = shapes->AddLine(40, 0, 40, 80);
  line->Select(true);
  auto range = app->Selection()->ShapeRange();
  range->ScaleWidth(3, false, excel::kScaleFromTopLeft);
  range->ScaleHeight(2, false, excel::kScaleFromTopLeft);
  EXPECT_DOUBLE_EQ(line->Height(), 160);
  range->ScaleHeight(1, true, excel::kScaleFromTopLeft);
  range->ScaleWidth(1, true, excel::kScaleFromTopLeft);
  EXPECT_DOUBLE_EQ(line->Height(), 80);
  EXPECT_DOUBLE_EQ(line->Width(), 0);

  // A group keeps the frame it was made with when a member grows.
  auto a = shapes->AddShape(excel::kShapeRectangle, 0, 0, 10, 10);
  auto b = shapes->AddShape(excel::kShapeRectangle, 30, 0, 10, 10);
  auto group = shapes->Range({a->Name(), b->Name()})->Group();
  ASSERT_DOUBLE_EQ(group->Width(), 40);
  b->Select(true);
  app->Selection()->ShapeRange()->ScaleWidth(3, false, excel::kScaleFromTopLeft);
  EXPECT_DOUBLE_EQ(group->Width(), 60);
  group->Select(true);
  app->Selection()->ShapeRange()->ScaleWidth(1, true, excel::kScaleFromTopLeft);
  EXPECT_DOUBLE_EQ(group->Width(), 40);
}

TEST_F(ObjectModel, ArcMadeAsTheExporterDoesHasItsCentreAtTheFramesBottomLeft) {
  const double cx = 300, cy = 400, r = 80;
  auto arc = shapes->AddShape(excel::kShapeArc, cx - r, cy - r, 2 * r, 2 * r);
  arc->Select(true);
  auto range = app->Selection()->ShapeRange();
  EXPECT_EQ(range->Adjustments()->Count(), 2);
  EXPECT_DOUBLE_EQ(range->Adjustments()->Item(1), 90);
  EXPECT_DOUBLE_EQ(range->Adjustments()->Item(2), 0);
  range->ScaleWidth(0.5, false, excel::kScaleFromBottomRight);
  range->ScaleHeight(0.5, false, excel::kScaleFromTopLeft);
  range->Adjustments()->SetItem(1, 200);
  range->Adjustments()->SetItem(2, 30);
  EXPECT_DOUBLE_EQ(arc->Left(), cx);
  EXPECT_DOUBLE_EQ(arc->Top() + arc->Height(), cy);
  EXPECT_DOUBLE_EQ(arc->Width(), r);
  EXPECT_DOUBLE_EQ(range->Adjustments()->Item(1), 200);
  EXPECT_THROW(range->Adjustments()->SetItem(3, 1), AutomationError);
  Oval()->Select(true);
  EXPECT_EQ(app->Selection()->ShapeRange()->Adjustments()->Count(), 0);
}

TEST_F(ObjectModel, LinesAndFillsStartWithTheDefaultsAndReportAutomaticUntilSet) {
  auto line = shapes->AddLine(0, 0, 10, 0);
  auto format = line->Line();
  EXPECT_DOUBLE_EQ(format->Weight(), 0.75);
  EXPECT_EQ(format->DashStyle(), excel::kLineSolid);
  EXPECT_EQ(format->Visible(), excel::kTrue);
  EXPECT_EQ(format->ForeColor()->SchemeColor(), excel::kSchemeColorAutomatic);
  EXPECT_EQ(format->BeginArrowheadStyle(), excel::kArrowheadNone);
  EXPECT_EQ(line->Fill()->Visible(), excel::kFalse);
  format->ForeColor()->SetSchemeColor(2);
  EXPECT_EQ(format->ForeColor()->SchemeColor(), 2);
  EXPECT_EQ(format->ForeColor()->RGB(), 255);  // palette colour 3, red
  format->ForeColor()->SetSchemeColor(17);
  EXPECT_EQ(format->ForeColor()->RGB(), 128 << 8);  // palette colour 10, green
  EXPECT_THROW(format->ForeColor()->SetSchemeColor(65), AutomationError);
  EXPECT_THROW(format->SetDashStyle(13), AutomationError);
  EXPECT_THROW(format->SetWeight(-1), AutomationError);
  EXPECT_THROW(format->SetTransparency(1.5), AutomationError);
  EXPECT_THROW(format->SetEndArrowheadStyle(7), AutomationError);

  auto oval = Oval();
  EXPECT_EQ(oval->Fill()->Visible(), excel::kTrue);
  EXPECT_EQ(oval->Fill()->ForeColor()->SchemeColor(), excel::kSchemeColorAutomatic);
  EXPECT_EQ(oval->Fill()->ForeColor()->RGB(), 0xFFFFFF);
  oval->Fill()->SetVisible(excel::kFalse);
  oval->Fill()->ForeColor()->SetRGB(0x00FFFF);  // a colour shows the fill again
  EXPECT_EQ(oval->Fill()->Visible(), excel::kTrue);

  // Formatting a group formats its members.
  auto group = shapes->Range({line->Name(), oval->Name()})->Group();
  group->Line()->SetWeight(3);
  EXPECT_DOUBLE_EQ(line->Line()->Weight(), 3);
  EXPECT_DOUBLE_EQ(oval->Line()->Weight(), 3);
}

TEST_F(ObjectModel, LineSettingsKeepEveryValueOfTheirRanges) {
  // Shapes hold these settings in compact fields: each value of each range
  // reads back as it was set, on a shape and through a group's members.
  auto line = shapes->AddLine(0, 0, 10, 0);
  auto format = line->Line();
  for (int32_t dash = 1; dash <= 12; ++dash) {
    format->SetDashStyle(dash);
    EXPECT_EQ(format->DashStyle(), dash);
  }
  for (int32_t style = excel::kLineSingle; style <= excel::kLineThickBetweenThin; ++style) {
    format->SetStyle(style);
    EXPECT_EQ(format->Style(), style);
  }
  for (int32_t head = excel::kArrowheadNone; head <= excel::kArrowheadOval; ++head) {
    format->SetBeginArrowheadStyle(head);
    format->SetEndArrowheadStyle(head);
    EXPECT_EQ(format->BeginArrowheadStyle(), head);
    EXPECT_EQ(format->EndArrowheadStyle(), head);
  }
  format->SetBeginArrowheadLength(excel::kArrowheadLong);
  format->SetEndArrowheadWidth(excel::kArrowheadWide);
  EXPECT_EQ(format->BeginArrowheadLength(), excel::kArrowheadLong);
  EXPECT_EQ(format->EndArrowheadWidth(), excel::kArrowheadWide);
  for (int32_t scheme = 0; scheme < excel::kSchemeColorAutomatic; ++scheme) {
    format->ForeColor()->SetSchemeColor(scheme);
    EXPECT_EQ(format->ForeColor()->SchemeColor(), scheme);
  }
  format->ForeColor()->SetSchemeColor(excel::kSchemeColorAutomatic);
  EXPECT_EQ(format->ForeColor()->SchemeColor(), excel::kSchemeColorAutomatic);
  format->ForeColor()->SetRGB(0x123456);
  EXPECT_EQ(format->ForeColor()->RGB(), 0x123456);
}

TEST_F(ObjectModel, AutoSizeFitsTheBoxToItsTextByTheDocumentedMetric) {
  auto box = TextBox("AB");
  auto selection = app->Selection();
  selection->SetAutoSize(true);
  const double inset = 11 * ovix::workbook::kInsetFactor;
  EXPECT_NEAR(box->Width(), (0.667 + 0.667) * 11 + 2 * inset, 1e-9);
  EXPECT_NEAR(box->Height(), 1.2 * 11 + 2 * inset, 1e-9);
  EXPECT_DOUBLE_EQ(box->Left(), 100);
  EXPECT_DOUBLE_EQ(box->Top(), 200);

  // With AutoSize on the box follows its text and its font size.
  selection->Characters(1, 0)->SetText("図面\n寸法線");
  EXPECT_NEAR(box->Width(), 3 * 11 + 2 * inset, 1e-9);
  EXPECT_NEAR(box->Height(), 2 * 1.2 * 11 + 2 * inset, 1e-9);
  selection->Characters(1, 0)->Font()->SetSize(20);
  EXPECT_NEAR(box->Width(), 3 * 20 + 2 * 20 * ovix::workbook::kInsetFactor, 1e-9);

  // Vertical text swaps the axes.
  auto up = TextBox("縦書き", excel::kOrientationUpward);
  app->Selection()->SetAutoSize(true);
  EXPECT_NEAR(up->Width(), 1.2 * 11 + 2 * inset, 1e-9);
  EXPECT_NEAR(up->Height(), 3 * 11 + 2 * inset, 1e-9);
}

TEST_F(ObjectModel, CharactersAddressRunsAndALengthOfZeroMeansTheRest) {
  TextBox("ABCDEF");
  auto selection = app->Selection();
  EXPECT_EQ(selection->Characters(1, 0)->Text(), "ABCDEF");
  EXPECT_EQ(selection->Characters(3, 2)->Text(), "CD");
  EXPECT_EQ(selection->Characters(4, -1)->Text(), "DEF");
  EXPECT_EQ(selection->Characters(5, 99)->Text(), "EF");
  EXPECT_EQ(selection->Characters(9, 1)->Text(), "");
  EXPECT_THROW(selection->Characters(0, 1), AutomationError);

  selection->Characters(2, 3)->Font()->SetFontStyle("太字");
  EXPECT_EQ(selection->Characters(1, 1)->Font()->FontStyle(), "標準");
  EXPECT_EQ(selection->Characters(2, 1)->Font()->FontStyle(), "太字");
  EXPECT_EQ(selection->Characters(5, 1)->Font()->FontStyle(), "標準");
  selection->Characters(2, 2)->SetText("漢字かな");
  EXPECT_EQ(selection->Characters(1, 0)->Text(), "A漢字かなDEF");
  EXPECT_EQ(selection->Characters(3, 1)->Font()->FontStyle(), "太字");
  EXPECT_EQ(selection->Characters(7, 1)->Font()->FontStyle(), "標準");

  Oval()->Select(true);
  EXPECT_THROW(app->Selection()->Characters(1, 0), AutomationError);
  EXPECT_THROW(app->Selection()->SetAutoSize(true), AutomationError);
}

TEST_F(ObjectModel, FontsStartAsTheWorkbookDefaultAndCheckTheirValues) {
  TextBox("寸法 100");
  auto font = app->Selection()->Characters(1, 0)->Font();
  EXPECT_EQ(font->Name(), "ＭＳ Ｐゴシック");
  EXPECT_DOUBLE_EQ(font->Size(), 11);
  EXPECT_EQ(font->FontStyle(), "標準");
  font->SetFontStyle("太字 斜体");
  EXPECT_EQ(font->FontStyle(), "太字 斜体");
  EXPECT_THROW(font->SetFontStyle("極太"), AutomationError);
  font->SetSize(0.4);  // held at the smallest size text can have
  EXPECT_DOUBLE_EQ(font->Size(), 1);
  EXPECT_THROW(font->SetSize(0), AutomationError);
  font->SetColorIndex(3);
  EXPECT_EQ(font->ColorIndex(), 3);
  EXPECT_THROW(font->SetColorIndex(57), AutomationError);
  font->SetSuperscript(true);
  font->SetSubscript(true);
  EXPECT_FALSE(font->Superscript());
  font->SetName("txt.shx");
  EXPECT_EQ(font->Name(), "txt.shx");
}

TEST_F(ObjectModel, SheetsWorkbooksAndTheApplication) {
  EXPECT_THROW(app->Worksheets()->Item("Sheet2"), AutomationError);
  EXPECT_THROW(app->Worksheets()->Item("sheet1"), AutomationError);
  EXPECT_THROW(app->Worksheets()->Item(2), AutomationError);
  EXPECT_EQ(app->Worksheets()->Count(), 1);
  EXPECT_EQ(app->ActiveWorkbook()->Name(), "Book1");
  EXPECT_EQ(app->ActiveWorkbook()->FullName(), "");
  EXPECT_TRUE(app->ActiveWorkbook()->Saved());
  shapes->AddLine(0, 0, 1, 1);
  EXPECT_FALSE(app->ActiveWorkbook()->Saved());
  EXPECT_THROW(app->ActiveWorkbook()->Save(), AutomationError);  // never saved

  auto second = app->Workbooks()->Add();
  EXPECT_EQ(second->Name(), "Book2");
  EXPECT_EQ(app->Workbooks()->Count(), 2);
  second->Close();
  EXPECT_EQ(app->Workbooks()->Count(), 1);
  EXPECT_EQ(app->ActiveWorkbook()->Name(), "Book1");
  EXPECT_THROW(second->Worksheets(), AutomationError);
  app->ActiveWorkbook()->Close();
  EXPECT_THROW(shapes->AddLine(0, 0, 1, 1), AutomationError);
  EXPECT_THROW(app->Worksheets(), AutomationError);
  EXPECT_THROW(app->Workbooks()->Open("/tmp/anything.xlsx"), AutomationError);
}

TEST(AutomationClass, StartsAndQuitsThroughTheRegistry) {
  ovix::workbook::RegisterAutomationClass();
  auto app = excel::CreateObject("Excel.Application.9");
  EXPECT_EQ(excel::GetObject("Excel.Application.9"), app);
  app->SetVisible(true);
  app->Workbooks()->Add();
  app->Quit();
  EXPECT_THROW(excel::GetObject("Excel.Application.9"), AutomationError);
  EXPECT_THROW(app->Workbooks(), AutomationError);
  EXPECT_FALSE(app->Visible());
  excel::ForgetRunningInstances();
}

TEST_F(ObjectModel, PageSetupHoldsCheckedValues) {
  auto page = sheet->PageSetup();
  EXPECT_EQ(page->PaperSize(), excel::kPaperA4);
  EXPECT_EQ(page->Orientation(), excel::kPortrait);
  EXPECT_EQ(page->Zoom(), 100);
  EXPECT_EQ(page->FirstPageNumber(), excel::kAutomatic);
  page->SetPaperSize(excel::kPaperA3);
  page->SetOrientation(excel::kLandscape);
  page->SetLeftMargin(0);
  page->SetPrintTitleRows("1:2");
  page->SetPrintTitleColumns("$A:$C");
  page->SetPrintArea("A1:D10");
  EXPECT_EQ(page->PaperSize(), excel::kPaperA3);
  EXPECT_EQ(page->PrintTitleRows(), "$1:$2");
  EXPECT_EQ(page->PrintTitleColumns(), "$A:$C");
  EXPECT_EQ(page->PrintArea(), "$A$1:$D$10");
  page->SetPrintArea("Sheet1!B2:C3,E5");
  EXPECT_EQ(page->PrintArea(), "$B$2:$C$3,$E$5");
  page->SetPrintArea("");
  EXPECT_EQ(page->PrintArea(), "");
  EXPECT_THROW(page->SetPrintArea("Other!A1"), AutomationError);
  EXPECT_THROW(page->SetPrintTitleRows("A1"), AutomationError);
  EXPECT_THROW(page->SetZoom(5), AutomationError);
  EXPECT_THROW(page->SetOrientation(3), AutomationError);
  EXPECT_THROW(page->SetLeftMargin(-1), AutomationError);
  EXPECT_THROW(page->SetPrintComments(2), AutomationError);
  EXPECT_THROW(page->SetFirstPageNumber(-2), AutomationError);
}

}  // namespace
