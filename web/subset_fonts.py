#!/usr/bin/python3
"""Subsets each face the page embeds to the characters it draws, as WOFF.

    subset_fonts.py NODE GENERATOR OUTDIR

The generator names the faces, the width each is drawn at and their
characters (from the window's tables). A narrowed face is drawn at that
part of its width, as the window draws Tahoma in place of MS Sans Serif:
outlines, advances and kerning scaled.
Hinting and embedded bitmaps go: scaled outlines have no use for either.
Writes OUTDIR/face-<n>.woff, one per face in the generator's order.
"""
import subprocess
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

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


def main(node, generator, outdir):
    faces = subprocess.run([node, generator, "faces"], check=True, capture_output=True, text=True).stdout
    for n, line in enumerate(faces.splitlines()):
        family, path, stretch = line.split("|")
        text = subprocess.run([node, generator, "text", family], check=True, capture_output=True).stdout.decode()
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
        font.flavor = "woff"
        font.save(f"{outdir}/face-{n}.woff")


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
