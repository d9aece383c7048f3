#!/usr/bin/python3
"""Subsets each face the page embeds to the characters it draws, as WOFF.

    subset_fonts.py NODE GENERATOR OUTDIR

The generator names the faces, the width each is drawn at, whether it is
made bold or slanted from its regular file, its vertical metrics and its
characters (from the window's tables). A narrowed face is drawn at that
part of its width, as the window draws Tahoma in place of MS Sans Serif:
outlines, advances and kerning scaled. Bold and slant are made as the
window's font engine makes them (FreeType's emboldening by 1/24 em, and a
shear of 0.2126), advances kept. Every face carries one set of vertical
metrics in all its tables, the ones the page is to use, so that no engine
chooses between them.
Hinting and embedded bitmaps go: scaled outlines have no use for either.
Writes OUTDIR/face-<n>.woff, one per face in the generator's order.
"""
import ctypes
import io
import subprocess
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
    face = freetype.Face(io.BytesIO(data.getvalue()))
    glyf, hmtx = font["glyf"], font["hmtx"].metrics
    for gid, name in enumerate(font.getGlyphOrder()):
        glyph = glyf[name]
        if glyph.isComposite() or glyph.numberOfContours <= 0:
            continue
        face.load_glyph(gid, freetype.FT_LOAD_NO_SCALE | freetype.FT_LOAD_NO_HINTING)
        outline = face.glyph.outline
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


def main(node, generator, outdir):
    faces = subprocess.run([node, generator, "faces"], check=True, capture_output=True, text=True).stdout
    for n, line in enumerate(faces.splitlines()):
        path, stretch, bold, slanted, ascent, descent = line.split("|")
        text = subprocess.run([node, generator, "text", str(n)], check=True, capture_output=True).stdout.decode()
        options = subset.Options()
        options.flavor = "woff"
        options.hinting = False
        options.drop_tables += ["EBDT", "EBLC", "EBSC", "VDMX", "FFTM", "gasp"]
        options.name_IDs = [0, 1, 2, 3, 4, 5, 6, 13, 14]  # copyright, names, licence
        font = TTFont(path)
        if "BDF " in font:  # Wine's bitmaps, which the subsetter cannot cut
            del font["BDF "]
        subsetter = subset.Subsetter(options)
        subsetter.populate(text=text)
        subsetter.subset(font)
        if int(stretch) != 100:
            narrow(font, int(stretch) / 100)
        if bold == "1" or slanted == "1":
            embolden_and_slant(font, bold == "1", slanted == "1")
        vertical_metrics(font, int(ascent), int(descent))
        font.flavor = "woff"
        font.save(f"{outdir}/face-{n}.woff")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
