// Texts and multiline texts as text boxes placed from their insertion point.
#include <string>

#include "excel/drawing_pass.h"
#include "excel/entity_checks.h"
#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tools/cad_text.h"
#include "tools/utf8.h"

namespace ovix {

namespace {

// A text whose scaled height is below kTinyTextPoints is given the smallest
// font size the spreadsheet accepts: too small to read, but in its place
// and never larger than the drawing around it.
constexpr double kTinyTextPoints = 0.1;
constexpr double kSmallestFontPoints = 1.0;

double ShownTextHeight(double scaled) {
  return scaled < kTinyTextPoints ? kSmallestFontPoints : scaled;
}

// Text box orientation of a multiline text's drawing direction.
int32_t MtextOrientation(int16_t direction) {
  if (direction == 2) return excel::kOrientationUpward;
  if (direction == 4) return excel::kOrientationDownward;
  return excel::kOrientationHorizontal;
}

}  // namespace

bool RvExcelExport::DrawTextDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.TextCount());
    for (int32_t i = 0; i < m.TextCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.TextLayer(i)))) continue;
      if (const char* fault = entity_checks::TextFault(m, i)) {
        pass.Skip("TEXT", i, m.TextHandle(i), fault);
        continue;
      }
      RvPoint3 insertion{};
      m.TextInsertionPoint(i, insertion);
      const RvPoint3 p = MapPoint(insertion, pass.matrix());
      const double length = m.TextWidth(i) * scale_x_;
      const double height = ShownTextHeight(m.TextHeight(i) * scale_y_);
      const double left = p[0];
      const double top = p[1] - 1.2 * height;
      const double farX = p[0] + length;
      const double farY = top - 1.2 * height;
      // A box that would reach the sheet's top or left edge is left out.
      if (left <= 0 || top <= 0 || farX <= 0 || farY <= 0) continue;
      const RichTextAttribute text = tools_.GetRichTextAttribute(m.TextText(i));
      // The box shows the characters, not the "%%" codes standing for them.
      const std::string shown = cadtext::DecodeSpecialCharacters(text.Text);
      pass.shapes().AddTextbox(excel::kOrientationHorizontal, left, top, farX, farY)->Select();
      App().Selection()->Characters()->SetText(shown);
      // Every character of the text is formatted.
      ExcelTextPropertyChange(kStyleText, excel_app_, i, static_cast<double>(utf8::Length(shown)),
                              height, text.Bold, text.Italic, text.Underline);
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

bool RvExcelExport::DrawMTextDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.MuTextCount());
    for (int32_t i = 0; i < m.MuTextCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.MtextLayer(i)))) continue;
      if (const char* fault = entity_checks::MtextFault(m, i)) {
        pass.Skip("MTEXT", i, m.MtextHandle(i), fault);
        continue;
      }
      RvPoint3 insertion{};
      m.MtextInsertionPoint(i, insertion);
      const RvPoint3 p = MapPoint(insertion, pass.matrix());
      const double length = m.MtextWidth(i) * scale_x_;
      const double height = ShownTextHeight(m.MtextHeight(i) * scale_y_);
      const double left = p[0];
      const double top = p[1] - 1.2 * height;
      const double farX = p[0] + length;
      const double farY = top - 1.2 * height;
      if (left <= 0 || top <= 0 || farX <= 0 || farY <= 0) continue;
      const RichTextAttribute text =
          tools_.GetRichTextAttribute(tools_.SetMTextCR(m.MtextText(i)));
      // Inline formatting codes left after the leading font switch and the
      // paragraphs are dropped: the box shows the characters alone.
      const std::string shown =
          cadtext::DecodeSpecialCharacters(cadtext::StripMTextCodes(text.Text));
      pass.shapes()
          .AddTextbox(MtextOrientation(m.MtextDirection(i)), left, top, farX, farY)
          ->Select();
      App().Selection()->Characters()->SetText(shown);
      ExcelTextPropertyChange(kStyleMtext, excel_app_, i, static_cast<double>(utf8::Length(shown)),
                              height, text.Bold, text.Italic, text.Underline);
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

}  // namespace ovix
