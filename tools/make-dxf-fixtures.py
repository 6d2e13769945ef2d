#!/usr/bin/python3
"""Writes the DXF files the tests read, into tests/data/dxf/generated/.

Made with Debian's python3-ezdxf (0.18), so the test files come from a DXF
writer other than ours. The files are committed: the tests do not need
Python, and the numbers the tests check (sizes, positions) are written down
here next to the geometry that makes them.

    /usr/bin/python3 tools/make-dxf-fixtures.py

(/usr/bin/python3 on purpose: it is the Python the Debian module is
installed for.)
"""
import math
import os
import sys

import ezdxf

ezdxf.options.write_fixed_meta_data_for_testing = True

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "dxf",
                   "generated")


def save(doc, name):
    path = os.path.join(OUT, name)
    doc.saveas(path)
    print("wrote", os.path.relpath(path))


def astm_piece(doc, name, size, width, height):
    """A piece block as the ASTM D6673 practice draws it: a closed boundary
    (layer 1) of `width` x `height` with its piece text, turn and curve
    points (2, 3), a slit notch line across the bottom edge and a notch
    point on the left edge (4), a grade reference point (5), a mirror line
    (6), a grain line (7), an internal line (8), stripe and plaid lines
    (9, 10), an internal cutout (11), a drill hole (13), a sew line 10
    inside the boundary (14), annotation text (15), one point on each
    notch-type layer (80..83) on the top edge, and the boundary's quality
    validation curve (84)."""
    blk = doc.blocks.new(name=name)
    w, h = width, height
    blk.add_polyline2d([(0, 0), (w, 0), (w, h), (0, h)], close=True, dxfattribs={"layer": "1"})
    for i, line in enumerate(["Piece Name: " + name, "Size: " + size, "Quantity: 2",
                              "Category: BODY"]):
        blk.add_text(line, height=5, dxfattribs={"layer": "1", "insert": (20, h - 30 - 8 * i)})
    for p in [(0, 0), (w, 0), (w, h), (0, h)]:
        blk.add_point(p, dxfattribs={"layer": "2"})
    blk.add_point((w / 2, h), dxfattribs={"layer": "3"})
    # Slit notch: a 5 long line from the bottom edge into the piece.
    blk.add_line((w / 2, 0), (w / 2, 5), dxfattribs={"layer": "4"})
    # Notch point on the left edge with its direction into the piece.
    blk.add_point((0, h / 2), dxfattribs={"layer": "4", "angle": 0})
    blk.add_point((w / 4, h / 4), dxfattribs={"layer": "5"})
    blk.add_line((w, 10), (w, h - 10), dxfattribs={"layer": "6"})
    blk.add_line((w / 2, 20), (w / 2, h - 20), dxfattribs={"layer": "7"})
    blk.add_line((20, h / 2), (w / 3, h / 2), dxfattribs={"layer": "8"})
    blk.add_line((w * 0.6, 15), (w * 0.9, 15), dxfattribs={"layer": "9"})
    blk.add_line((w * 0.6, 25), (w * 0.9, 25), dxfattribs={"layer": "10"})
    blk.add_polyline2d([(w * 0.6, h * 0.6), (w * 0.8, h * 0.6), (w * 0.8, h * 0.8),
                        (w * 0.6, h * 0.8)], close=True, dxfattribs={"layer": "11"})
    blk.add_point((w * 0.3, h * 0.3), dxfattribs={"layer": "13"})
    blk.add_polyline2d([(10, 10), (w - 10, 10), (w - 10, h - 10), (10, h - 10)], close=True,
                       dxfattribs={"layer": "14"})
    blk.add_text("CUT 2 PAIRS", height=4, dxfattribs={"layer": "15", "insert": (20, 40)})
    for i, layer in enumerate(["80", "81", "82", "83"]):
        blk.add_point((w * (i + 1) / 5, h), dxfattribs={"layer": layer})
    blk.add_polyline2d([(0, 0), (w, 0), (w, h), (0, h)], close=True, dxfattribs={"layer": "84"})
    return blk


def astm_file():
    """Two pieces, each inserted once: FRONT (200 x 100) at (0, 0) as drawn;
    BACK (150 x 120) at (400, 300) turned by 90 degrees, so it covers
    x 280..400, y 300..450. Style text on layer 1 in model space gives the
    unit. Extent of the cut boundaries: x 0..400, y 0..450 (mm)."""
    doc = ezdxf.new("R12")
    astm_piece(doc, "FRONT", "M", 200, 100)
    astm_piece(doc, "BACK", "M", 150, 120)
    msp = doc.modelspace()
    msp.add_text("Style Name: SHIRT", height=5, dxfattribs={"layer": "1", "insert": (0, -20)})
    msp.add_text("UNITS = METRIC", height=5, dxfattribs={"layer": "1", "insert": (0, -30)})
    msp.add_blockref("FRONT", (0, 0))
    msp.add_blockref("BACK", (400, 300), dxfattribs={"rotation": 90})
    save(doc, "astm-two-pieces.dxf")


def astm_english():
    """One 4 x 2 inch piece, "UNITS: ENGLISH"; the header claims millimetres
    ($MEASUREMENT 1), which the pattern text overrules: 101.6 x 50.8 mm."""
    doc = ezdxf.new("R2000")
    doc.header["$MEASUREMENT"] = 1
    blk = doc.blocks.new(name="YOKE")
    blk.add_lwpolyline([(0, 0), (4, 0), (4, 2), (0, 2)], close=True, dxfattribs={"layer": "1"})
    blk.add_text("Piece Name: YOKE", height=0.2, dxfattribs={"layer": "1", "insert": (0.5, 1)})
    msp = doc.modelspace()
    msp.add_text("UNITS: ENGLISH", height=0.2, dxfattribs={"layer": "1", "insert": (0, -1)})
    msp.add_blockref("YOKE", (0, 0))
    # ezdxf sets $INSUNITS to metres by default; this file has none.
    del doc.header["$INSUNITS"]
    save(doc, "astm-english.dxf")


def insert_transforms():
    """Block transforms. Block "TRI" (base point (10, 0)) is the triangle
    (10,0) (30,0) (10,10) on layer 1, i.e. (0,0) (20,0) (0,10) relative to
    its base. Inserted:
      A: at (100, 0), x scale 2, y scale 3 -> (100,0) (140,0) (100,30)
      B: at (0, 100), rotated 90 degrees -> (0,100) (0,120) (-10,100)
      C: at (200, 0), x scale -1 (mirrored) -> (200,0) (180,0) (200,10)
      D: block "NEST" at (300, 0) rotated 180: NEST holds TRI inserted at
         (0, 0) scaled by 0.5 -> (300,0) (290,0) (300,-5)
      E: a 2 x 3 array of TRI at (0, 300), 50 apart -> 6 triangles
    Units: $INSUNITS 4 (millimetres)."""
    doc = ezdxf.new("R2000", units=4)
    tri = doc.blocks.new(name="TRI", base_point=(10, 0))
    tri.add_lwpolyline([(10, 0), (30, 0), (10, 10)], close=True, dxfattribs={"layer": "1"})
    nest = doc.blocks.new(name="NEST")
    nest.add_blockref("TRI", (0, 0), dxfattribs={"xscale": 0.5, "yscale": 0.5})
    msp = doc.modelspace()
    msp.add_blockref("TRI", (100, 0), dxfattribs={"xscale": 2, "yscale": 3})
    msp.add_blockref("TRI", (0, 100), dxfattribs={"rotation": 90})
    msp.add_blockref("TRI", (200, 0), dxfattribs={"xscale": -1})
    msp.add_blockref("NEST", (300, 0), dxfattribs={"rotation": 180})
    array = msp.add_blockref("TRI", (0, 300))
    array.dxf.column_count = 2
    array.dxf.row_count = 3
    array.dxf.column_spacing = 50
    array.dxf.row_spacing = 50
    save(doc, "insert-transforms.dxf")


def plain_curves():
    """Plain DXF in centimetres ($INSUNITS 5), layer names that are not
    ASTM numbers:
      CUT:  a 10 x 5 rectangle whose right side is a half circle (LWPOLYLINE
            with bulge 1 from (10,0) to (10,5)): x 0..12.5, y 0..5;
      PEN:  an ARC about (30, 0), radius 5, 0..90 degrees; a CIRCLE about
            (50, 0), radius 2; an ELLIPSE about (70, 0), major axis (6, 0),
            ratio 0.5;
      SPL:  a rational quadratic SPLINE that is exactly the quarter circle
            of radius 10 about (100, 0) from (110, 0) to (100, 10); a
            fit-point SPLINE through (120,0) (125,5) (130,0) (135,5)."""
    doc = ezdxf.new("R2000", units=5)
    msp = doc.modelspace()
    msp.add_lwpolyline([(0, 0, 0), (10, 0, 1), (10, 5, 0), (0, 5, 0)], format="xyb", close=True,
                       dxfattribs={"layer": "CUT"})
    msp.add_arc((30, 0), 5, 0, 90, dxfattribs={"layer": "PEN"})
    msp.add_circle((50, 0), 2, dxfattribs={"layer": "PEN"})
    msp.add_ellipse((70, 0), major_axis=(6, 0), ratio=0.5, dxfattribs={"layer": "PEN"})
    w = math.sqrt(0.5)
    msp.add_rational_spline([(110, 0), (110, 10), (100, 10)], [1, w, 1], degree=2,
                            knots=[0, 0, 0, 1, 1, 1], dxfattribs={"layer": "SPL"})
    msp.add_spline([(120, 0), (125, 5), (130, 0), (135, 5)], dxfattribs={"layer": "SPL"})
    save(doc, "plain-curves.dxf")


def blocks_only():
    """A block that is never inserted: nothing to plot."""
    doc = ezdxf.new("R2000", units=4)
    blk = doc.blocks.new(name="LONELY")
    blk.add_line((0, 0), (100, 0), dxfattribs={"layer": "1"})
    save(doc, "blocks-only.dxf")


def skipped_layers():
    """Only turn points, curve points and a grade reference (layers 2, 3,
    5), which the default layer map skips: nothing to plot."""
    doc = ezdxf.new("R12")
    msp = doc.modelspace()
    msp.add_point((0, 0), dxfattribs={"layer": "2"})
    msp.add_point((10, 0), dxfattribs={"layer": "3"})
    msp.add_line((0, 0), (10, 10), dxfattribs={"layer": "5"})
    save(doc, "skipped-layers.dxf")


def main():
    if ezdxf.__version__.split(".")[:2] != ["0", "18"]:
        print("note: written with ezdxf", ezdxf.__version__, "(the committed files are 0.18)",
              file=sys.stderr)
    os.makedirs(OUT, exist_ok=True)
    astm_file()
    astm_english()
    insert_transforms()
    plain_curves()
    blocks_only()
    skipped_layers()


if __name__ == "__main__":
    main()
