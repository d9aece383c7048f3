#!/usr/bin/env python3
"""Subsets each face the page embeds to the characters it draws, as WOFF, and
puts it in the page.

    subset_fonts.py --faces FACES_JSON --page PAGE_IN --out PAGE

FACES_JSON (written by the page's generator from the window's tables) names
each face's file, the width it is drawn at, its characters and the
placeholder in PAGE_IN that its WOFF, in base64, replaces. A narrowed face is
drawn at that part of its width, as the window draws Tahoma in place of MS
Sans Serif: outlines, advances and kerning scaled. Bold and slant are made
as the window's font engine makes them (FreeType's emboldening by 1/24 em,
and a shear of 0.2126), advances kept. Every face carries one set of
vertical metrics in all its tables, so that no engine chooses between them.
Hinting and embedded bitmaps go: scaled outlines have no use for either.
"""
import argparse
import base64
import ctypes
import io
import json
import sys

import freetype
from fontTools import subset
from fontTools.ttLib import TTFont

SLANT = 0x0366A / 0x10000  # FreeType's oblique


def narrow(font, width):
    glyf = font["glyf"]
    for name in font.getGlyphOrder():
        glyph = glyf[name]
        if glyph.isComposite():
            for component in glyph.components:
                component.x = round(component.x * width)
        elif glyph.numberOfContours > 0:
            glyph.coordinates.scale((width, 1))
            glyph.coordinates.toInt()
        glyph.recalcBounds(glyf)
    hmtx = font["hmtx"].metrics
    for name, (advance, lsb) in hmtx.items():
        hmtx[name] = (round(advance * width), glyf[name].xMin if hasattr(glyf[name], "xMin") else round(lsb * width))
    font["OS/2"].xAvgCharWidth = round(font["OS/2"].xAvgCharWidth * width)
    if "GPOS" in font:
        for lookup in font["GPOS"].table.LookupList.Lookup:
            for sub in lookup.SubTable:
                records = []
                if getattr(sub, "Format", None) == 1 and hasattr(sub, "PairSet"):
                    records = [r.Value1 for s in sub.PairSet for r in s.PairValueRecord]
                elif getattr(sub, "Format", None) == 2 and hasattr(sub, "Class1Record"):
                    records = [c2.Value1 for c1 in sub.Class1Record for c2 in c1.Class2Record]
                for value in records:
                    if value is not None and hasattr(value, "XAdvance"):
                        value.XAdvance = round(value.XAdvance * width)


def embolden_and_slant(font, bold, slanted):
    """The outlines made bold (FreeType's own emboldening, as the window's) and slanted; advances kept."""
    data = io.BytesIO()
    font.flavor = None
    font.save(data)
    loaded = freetype.Face(io.BytesIO(data.getvalue()))
    glyf, hmtx = font["glyf"], font["hmtx"].metrics
    for gid, name in enumerate(font.getGlyphOrder()):
        glyph = glyf[name]
        if glyph.isComposite() or glyph.numberOfContours <= 0:
            continue
        loaded.load_glyph(gid, freetype.FT_LOAD_NO_SCALE | freetype.FT_LOAD_NO_HINTING)
        outline = loaded.glyph.outline
        if len(outline.points) != len(glyph.coordinates):
            sys.exit(f"subset_fonts: glyph {name} has {len(outline.points)} points in FreeType")
        if bold:
            strength = font["head"].unitsPerEm // 24
            freetype.raw.FT_Outline_EmboldenXY(ctypes.byref(outline._FT_Outline), strength, strength)
        glyph.coordinates = type(glyph.coordinates)(
            [(round(x + y * SLANT) if slanted else x, y) for x, y in outline.points])
        glyph.recalcBounds(glyf)
        hmtx[name] = (hmtx[name][0], glyph.xMin)


def vertical_metrics(font, ascent, descent):
    """One set of ascent, descent and line gap in hhea and in OS/2's typographic and Windows fields: the given ones
    (percent of the em), or hhea's."""
    hhea, os2, em = font["hhea"], font["OS/2"], font["head"].unitsPerEm
    if ascent:
        hhea.ascent, hhea.descent, hhea.lineGap = round(em * ascent / 100), -round(em * descent / 100), 0
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = hhea.ascent, hhea.descent, hhea.lineGap
    os2.usWinAscent, os2.usWinDescent = hhea.ascent + hhea.lineGap, -hhea.descent
    if os2.version >= 4:
        os2.fsSelection |= 1 << 7  # USE_TYPO_METRICS


def woff(face):
    options = subset.Options()
    options.flavor = "woff"
    options.hinting = False
    options.drop_tables += ["EBDT", "EBLC", "EBSC", "VDMX", "FFTM", "gasp"]
    options.name_IDs = [0, 1, 2, 3, 4, 5, 6, 13, 14]  # copyright, names, licence
    try:
        font = TTFont(face["path"])
    except OSError as error:
        sys.exit(f"subset_fonts: cannot read {face['path']} ({error.strerror}); it comes with "
                 f"the Debian package {face['package']}")
    if "BDF " in font:  # Wine's bitmaps, which the subsetter cannot cut
        del font["BDF "]
    subsetter = subset.Subsetter(options)
    subsetter.populate(text=face["text"])
    subsetter.subset(font)
    if face["stretch"] != 100:
        narrow(font, face["stretch"] / 100)
    if face["embolden"] or face["slant"]:
        embolden_and_slant(font, face["embolden"], face["slant"])
    vertical_metrics(font, face["ascent"], face["descent"])
    font.flavor = "woff"
    out = io.BytesIO()
    font.save(out)
    return base64.b64encode(out.getvalue()).decode("ascii")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--faces", required=True)
    parser.add_argument("--page", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    with open(args.faces, encoding="utf-8") as f:
        faces = json.load(f)
    with open(args.page, encoding="utf-8") as f:
        page = f.read()
    for face in faces:
        if face["placeholder"] not in page:
            sys.exit(f"subset_fonts: no {face['placeholder']} in {args.page}")
        page = page.replace(face["placeholder"], woff(face))
    with open(args.out, "w", encoding="utf-8") as f:
        f.write(page)


if __name__ == "__main__":
    main()
