#!/usr/bin/env python3
"""Writes samples/sample.dxf: a small mechanical drawing that exercises every
entity kind Ovix converts.

The drawing is a base plate (180 x 120 mm) with holes, a slot, fillets and a
chamfer, centre and hidden lines, the five dimension kinds, a leader with a
note, a title block in Japanese, a vertical text, and two layers that must not
be drawn (one switched off, one frozen). It is written as AutoCAD 2000 (AC1015)
with code page ANSI_932, so its Japanese text is Shift-JIS, with CR LF line
ends and right-aligned group codes, as such files come from Japanese CAD.

Run:  python3 samples/make_sample_dxf.py  (rewrites samples/sample.dxf)
"""
import math
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sample.dxf")

lines = []
handle = [0x100]


def tag(code, value):
    lines.append("%3d" % code)
    if isinstance(value, float):
        text = ("%.6f" % value).rstrip("0").rstrip(".")
        if text in ("-0", ""):
            text = "0"
        lines.append(text)
    else:
        lines.append(str(value))


def next_handle():
    handle[0] += 1
    return "%X" % handle[0]


def entity(kind, layer, **common):
    tag(0, kind)
    tag(5, next_handle())
    tag(100, "AcDbEntity")
    tag(8, layer)
    if "ltype" in common:
        tag(6, common["ltype"])
    if "color" in common:
        tag(62, common["color"])
    if "weight" in common:
        tag(370, common["weight"])


def point(base, x, y, z=0.0):
    tag(base, float(x))
    tag(base + 10, float(y))
    tag(base + 20, float(z))


# --------------------------------------------------------------------------
# HEADER
tag(0, "SECTION"); tag(2, "HEADER")
tag(9, "$ACADVER"); tag(1, "AC1015")
tag(9, "$DWGCODEPAGE"); tag(3, "ANSI_932")
tag(9, "$INSUNITS"); tag(70, 4)
tag(9, "$EXTMIN"); point(10, -10, -40)
tag(9, "$EXTMAX"); point(10, 240, 150)
tag(0, "ENDSEC")

# --------------------------------------------------------------------------
# TABLES
tag(0, "SECTION"); tag(2, "TABLES")

tag(0, "TABLE"); tag(2, "LTYPE"); tag(70, 4)
for name, desc, elems in [
    ("CONTINUOUS", "Solid line", []),
    ("CENTER", "Center ____ _ ____ _ ____", [12.7, -2.54, 2.54, -2.54]),
    ("HIDDEN", "Hidden __ __ __ __", [6.35, -3.175]),
    ("DOT", "Dot . . . . .", [0.0, -3.175]),
    ("PHANTOM", "Phantom ____ _ _ ____", [12.7, -2.54, 2.54, -2.54, 2.54, -2.54]),
]:
    tag(0, "LTYPE"); tag(5, next_handle()); tag(100, "AcDbSymbolTableRecord")
    tag(100, "AcDbLinetypeTableRecord")
    tag(2, name); tag(70, 0); tag(3, desc); tag(72, 65); tag(73, len(elems))
    tag(40, float(sum(abs(e) for e in elems)))
    for e in elems:
        tag(49, float(e)); tag(74, 0)
tag(0, "ENDTAB")

tag(0, "TABLE"); tag(2, "LAYER"); tag(70, 8)
for name, color, ltype, weight, flags in [
    ("0", 7, "CONTINUOUS", -3, 0),
    ("外形線", 7, "CONTINUOUS", 50, 0),
    ("中心線", 1, "CENTER", 18, 0),
    ("隠れ線", 3, "HIDDEN", 25, 0),
    ("寸法線", 4, "CONTINUOUS", 18, 0),
    ("文字", 7, "CONTINUOUS", 25, 0),
    ("表題欄", 5, "CONTINUOUS", 35, 0),
    ("非表示", -6, "CONTINUOUS", 25, 0),    # switched off: negative colour
    ("凍結", 2, "CONTINUOUS", 25, 1),       # frozen
]:
    tag(0, "LAYER"); tag(5, next_handle()); tag(100, "AcDbSymbolTableRecord")
    tag(100, "AcDbLayerTableRecord")
    tag(2, name); tag(70, flags); tag(62, color); tag(6, ltype); tag(370, weight)
tag(0, "ENDTAB")

tag(0, "TABLE"); tag(2, "STYLE"); tag(70, 3)
for name, font, height, width in [
    ("Standard", "MS Gothic.ttf", 0.0, 1.0),
    ("明朝", "MS Mincho.ttf", 0.0, 1.0),
    ("縦書き", "@MS Mincho.ttf", 0.0, 1.0),
]:
    tag(0, "STYLE"); tag(5, next_handle()); tag(100, "AcDbSymbolTableRecord")
    tag(100, "AcDbTextStyleTableRecord")
    tag(2, name); tag(70, 0); tag(40, height); tag(41, width); tag(50, 0.0)
    tag(71, 0); tag(42, 3.5); tag(3, font); tag(4, "")
tag(0, "ENDTAB")

tag(0, "TABLE"); tag(2, "DIMSTYLE"); tag(70, 1)
tag(0, "DIMSTYLE"); tag(105, next_handle()); tag(100, "AcDbSymbolTableRecord")
tag(100, "AcDbDimStyleTableRecord")
tag(2, "JIS"); tag(70, 0)
tag(40, 1.0)      # overall scale
tag(41, 3.0)      # arrow size
tag(42, 1.0)      # extension line offset
tag(43, 7.0)      # baseline spacing
tag(44, 2.0)      # extension line extension
tag(140, 3.5)     # text height
tag(144, 1.0)     # linear factor
tag(147, 1.0)     # text gap
tag(176, 256); tag(177, 256); tag(178, 256)
tag(271, 1)       # one decimal place
tag(272, 1)
tag(371, 18); tag(372, 18)
tag(0, "ENDTAB")

tag(0, "ENDSEC")

# --------------------------------------------------------------------------
# BLOCKS (skipped by the converter; present as real files have it)
tag(0, "SECTION"); tag(2, "BLOCKS")
tag(0, "BLOCK"); tag(5, next_handle()); tag(100, "AcDbEntity"); tag(8, "0")
tag(100, "AcDbBlockBegin"); tag(2, "*Model_Space"); tag(70, 0); point(10, 0, 0)
tag(0, "ENDBLK"); tag(5, next_handle()); tag(100, "AcDbEntity"); tag(8, "0")
tag(100, "AcDbBlockEnd")
tag(0, "ENDSEC")

# --------------------------------------------------------------------------
# ENTITIES
tag(0, "SECTION"); tag(2, "ENTITIES")

W, H = 180.0, 120.0
C = 10.0   # chamfer at the bottom-left corner
R = 12.0   # fillet radius at the top-right corner

# Outline: closed polyline with a chamfer; the fillet is an arc plus two lines.
entity("LWPOLYLINE", "外形線")
tag(100, "AcDbPolyline")
outline = [(C, 0), (W, 0), (W, H - R)]
tag(90, len(outline) + 3); tag(70, 0); tag(43, 0.0)
for x, y in outline:
    tag(10, float(x)); tag(20, float(y))
for x, y in [(W - R, H), (0, H), (0, C)]:
    tag(10, float(x)); tag(20, float(y))
entity("LINE", "外形線")
tag(100, "AcDbLine"); point(10, 0, C); point(11, C, 0)
entity("ARC", "外形線")
tag(100, "AcDbCircle"); point(10, W - R, H - R); tag(40, R)
tag(100, "AcDbArc"); tag(50, 0.0); tag(51, 90.0)

# Four mounting holes with centre marks, one large bore, an ellipse.
holes = [(20, 20), (160, 20), (20, 100), (160, 100)]
for x, y in holes:
    entity("CIRCLE", "外形線", color=256)
    tag(100, "AcDbCircle"); point(10, x, y); tag(40, 5.0)
    for dx, dy in [(-8, 0), (0, -8)]:
        entity("LINE", "中心線", ltype="CENTER")
        tag(100, "AcDbLine"); point(10, x + dx, y + dy); point(11, x - dx, y - dy)

entity("CIRCLE", "外形線", color=5, weight=70)
tag(100, "AcDbCircle"); point(10, 90, 60); tag(40, 25.0)
entity("CIRCLE", "隠れ線")
tag(100, "AcDbCircle"); point(10, 90, 60); tag(40, 30.0)
entity("LINE", "中心線", ltype="CENTER")
tag(100, "AcDbLine"); point(10, 55, 60); point(11, 125, 60)
entity("LINE", "中心線", ltype="CENTER")
tag(100, "AcDbLine"); point(10, 90, 25); point(11, 90, 95)

entity("ELLIPSE", "外形線", color=6)
tag(100, "AcDbEllipse"); point(10, 140, 60); point(11, 12, 0); tag(40, 0.5)
tag(41, 0.0); tag(42, 2 * math.pi)

# A slot: two lines and two half-circle arcs.
sx0, sx1, sy, sr = 40.0, 60.0, 60.0, 6.0
for y in (sy - sr, sy + sr):
    entity("LINE", "外形線", color=2)
    tag(100, "AcDbLine"); point(10, sx0, y); point(11, sx1, y)
entity("ARC", "外形線", color=2)
tag(100, "AcDbCircle"); point(10, sx1, sy); tag(40, sr)
tag(100, "AcDbArc"); tag(50, 270.0); tag(51, 90.0)
entity("ARC", "外形線", color=2)
tag(100, "AcDbCircle"); point(10, sx0, sy); tag(40, sr)
tag(100, "AcDbArc"); tag(50, 90.0); tag(51, 270.0)

# Hidden pocket outline and a phantom line in green and cyan.
entity("LWPOLYLINE", "隠れ線")
tag(100, "AcDbPolyline"); tag(90, 4); tag(70, 1)
for x, y in [(120, 85), (150, 85), (150, 105), (120, 105)]:
    tag(10, float(x)); tag(20, float(y))
entity("LINE", "0", ltype="PHANTOM", color=4, weight=35)
tag(100, "AcDbLine"); point(10, 0, -8); point(11, W, -8)
entity("LINE", "0", ltype="DOT", color=3)
tag(100, "AcDbLine"); point(10, 0, -12); point(11, W, -12)

# Dimensions: rotated (horizontal), rotated (vertical), aligned (chamfer),
# angular (chamfer angle), diametric (bore), radial (fillet).
def dimension(kind_markers, kind_code, defpt, text_pt, measurement, extra, text=""):
    entity("DIMENSION", "寸法線")
    tag(100, "AcDbDimension")
    tag(2, "*D%d" % handle[0])
    point(10, *defpt)
    point(11, *text_pt)
    tag(70, kind_code + 32)
    tag(1, text)
    tag(71, 5)
    tag(42, float(measurement))
    tag(3, "JIS")
    for m in kind_markers:
        tag(100, m)
    for code, pt in extra:
        point(code, *pt)


dimension(["AcDbAlignedDimension", "AcDbRotatedDimension"], 0,
          (W, -25), (W / 2, -22), W, [(13, (0, 0)), (14, (W, 0))])
dimension(["AcDbAlignedDimension", "AcDbRotatedDimension"], 0,
          (W + 20, H), (W + 17, H / 2), H, [(13, (W, 0)), (14, (W, H))])
tag(50, 90.0)
chamfer = math.hypot(C, C)
off = 8.0 / math.sqrt(2.0)   # the chamfer's dimension line sits 8 mm outside it
dimension(["AcDbAlignedDimension"], 1,
          (0 - off, C - off), (C / 2 - off - 1.5, C / 2 - off - 1.5), chamfer,
          [(13, (C, 0)), (14, (0, C))], "<> (C10)")
# The 45 degree angle between the chamfer and the bottom edge produced.
arc_r = 14.0
dimension(["AcDb2LineAngularDimension"], 2,
          (0, C), (C - 20, 9), math.radians(45),
          [(13, (W, 0)), (14, (C, 0)), (15, (C, 0)),
           (16, (C + arc_r * math.cos(math.radians(157.5)),
                 arc_r * math.sin(math.radians(157.5))))])
dimension(["AcDbDiametricDimension"], 3,
          (90 - 25 * math.cos(math.radians(45)), 60 - 25 * math.sin(math.radians(45))),
          (120, 95), 50.0,
          [(15, (90 + 25 * math.cos(math.radians(45)), 60 + 25 * math.sin(math.radians(45))))])
dimension(["AcDbRadialDimension"], 4,
          (W - R, H - R), (W + 8, H + 8), R,
          [(15, (W - R + R * math.cos(math.radians(45)), H - R + R * math.sin(math.radians(45))))])

# Leader to a hole with its note.
entity("LEADER", "寸法線")
tag(100, "AcDbLeader"); tag(3, "JIS"); tag(71, 1); tag(72, 0); tag(76, 3)
for x, y in [(23.5, 103.5), (35, 115), (50, 115)]:
    point(10, x, y)
entity("MTEXT", "文字")
tag(100, "AcDbMText"); point(10, 51, 118); tag(40, 3.5); tag(41, 40.0)
tag(71, 1); tag(72, 1); tag(7, "Standard")
tag(1, "4-φ10 貫通\\P裏面より面取り C0.5")

# Title block.
TX, TY = 190.0, -35.0
entity("LWPOLYLINE", "表題欄")
tag(100, "AcDbPolyline"); tag(90, 4); tag(70, 1)
for x, y in [(TX, TY), (TX + 60, TY), (TX + 60, TY + 30), (TX, TY + 30)]:
    tag(10, float(x)); tag(20, float(y))
entity("LINE", "表題欄")
tag(100, "AcDbLine"); point(10, TX, TY + 15); point(11, TX + 60, TY + 15)
for text, y, style, height in [
    ("部品名：ベースプレート", TY + 20, "明朝", 4.0),
    ("材質：SS400　尺度 1:2", TY + 5, "Standard", 3.0),
]:
    entity("TEXT", "文字")
    tag(100, "AcDbText"); point(10, TX + 3, y); tag(40, height); tag(1, text)
    tag(7, style)
    tag(100, "AcDbText")
entity("TEXT", "文字", color=1)
tag(100, "AcDbText"); point(10, 5, H + 8); tag(40, 5.0)
tag(1, "{\\fＭＳ ゴシック|b1|i0|c128|p34;注意：バリ取りのこと}")
tag(100, "AcDbText")
entity("TEXT", "文字")
tag(100, "AcDbText"); point(10, -8, 30); tag(40, 4.0); tag(1, "縦書き表記"); tag(7, "縦書き")
tag(100, "AcDbText")
entity("MTEXT", "文字")
tag(100, "AcDbMText"); point(10, 100, 140); tag(40, 3.0); tag(41, 60.0)
tag(71, 1); tag(72, 4); tag(7, "Standard")
tag(1, "上から下へ")

# What must not appear: entities on a layer that is off and on a frozen one.
entity("LINE", "非表示")
tag(100, "AcDbLine"); point(10, 0, 0); point(11, W, H)
entity("CIRCLE", "凍結")
tag(100, "AcDbCircle"); point(10, 90, 60); tag(40, 50.0)

tag(0, "ENDSEC")
tag(0, "EOF")

with open(OUT, "wb") as f:
    f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
print("wrote", OUT)
