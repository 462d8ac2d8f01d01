// Test support: reads a legacy workbook with Apache POI's HSSF and prints what
// its drawing holds, one line per shape, for the engine's tests to compare:
//   SHAPE <depth> <kind> <name> | <anchor> | <text> | <fonts>
// after each sheet's "SHEET <name>" and, when it has one, "PRINTAREA <area>";
// kind: line, oval, arc, rectangle, freeform, textbox, group, other; anchor:
// "col dx row dy col dx row dy" for top-level shapes, "x1 y1 x2 y2" for
// members of groups; fonts: "name/size/b/i/u/s/script/colour" per run.
import java.io.FileInputStream;

import org.apache.poi.hssf.usermodel.*;

public class XlsDrawingCheck {
  static String kind(HSSFShape s) {
    if (s instanceof HSSFShapeGroup) return "group";
    if (s instanceof HSSFTextbox) return "textbox";
    if (s instanceof HSSFPolygon) return "freeform";
    if (s instanceof HSSFSimpleShape) {
      switch (((HSSFSimpleShape) s).getShapeType()) {
        case HSSFSimpleShape.OBJECT_TYPE_LINE: return "line";
        case HSSFSimpleShape.OBJECT_TYPE_OVAL: return "oval";
        case HSSFSimpleShape.OBJECT_TYPE_ARC: return "arc";
        case HSSFSimpleShape.OBJECT_TYPE_RECTANGLE: return "rectangle";
        // A freeform written as Excel writes one (object type 9): POI keeps
        // it as a simple shape of the drawing's own type "not primitive".
        case 0: return "freeform";
        default: return "other" + ((HSSFSimpleShape) s).getShapeType();
      }
    }
    return "other";
  }

  static void walk(HSSFWorkbook book, HSSFShape s, int depth, StringBuilder out) {
    out.append("SHAPE ").append(depth).append(' ').append(kind(s)).append(' ');
    out.append(s.getShapeName()).append(" | ");
    HSSFAnchor a = s.getAnchor();
    if (a instanceof HSSFClientAnchor) {
      HSSFClientAnchor c = (HSSFClientAnchor) a;
      out.append(c.getCol1()).append(' ').append(c.getDx1()).append(' ').append(c.getRow1()).append(' ')
          .append(c.getDy1()).append(' ').append(c.getCol2()).append(' ').append(c.getDx2()).append(' ')
          .append(c.getRow2()).append(' ').append(c.getDy2());
    } else if (a != null) {
      out.append(a.getDx1()).append(' ').append(a.getDy1()).append(' ').append(a.getDx2()).append(' ')
          .append(a.getDy2());
    }
    out.append(" | ");
    if (s instanceof HSSFTextbox) {
      HSSFRichTextString text = ((HSSFTextbox) s).getString();
      String t = text == null ? "" : text.getString();
      out.append(t.replace("\n", "\\n")).append(" | ");
      if (text != null && t.length() > 0) {
        for (int i = 0; i < text.numFormattingRuns(); ++i) {
          HSSFFont f = book.getFontAt(text.getFontOfFormattingRun(i));
          out.append(text.getIndexOfFormattingRun(i)).append(':').append(f.getFontName()).append('/')
              .append(f.getFontHeightInPoints()).append('/').append(f.getBold() ? 1 : 0).append('/')
              .append(f.getItalic() ? 1 : 0).append('/').append(f.getUnderline()).append('/')
              .append(f.getStrikeout() ? 1 : 0).append('/').append(f.getTypeOffset()).append('/')
              .append(f.getColor()).append(' ');
        }
      }
    } else {
      out.append(" | ");
    }
    out.append('\n');
    if (s instanceof HSSFShapeGroup) {
      for (HSSFShape child : ((HSSFShapeGroup) s).getChildren()) walk(book, child, depth + 1, out);
    }
  }

  public static void main(String[] args) throws Exception {
    try (FileInputStream in = new FileInputStream(args[0]); HSSFWorkbook book = new HSSFWorkbook(in)) {
      StringBuilder out = new StringBuilder();
      for (int i = 0; i < book.getNumberOfSheets(); ++i) {
        HSSFSheet sheet = book.getSheetAt(i);
        out.append("SHEET ").append(sheet.getSheetName()).append('\n');
        String area = book.getPrintArea(i);
        if (area != null) out.append("PRINTAREA ").append(area).append('\n');
        HSSFPatriarch patriarch = sheet.getDrawingPatriarch();
        if (patriarch == null) continue;
        for (HSSFShape s : patriarch.getChildren()) walk(book, s, 0, out);
      }
      System.out.print(out);
    }
  }
}
