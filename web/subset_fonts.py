#!/usr/bin/env python3
"""Subsets each face the page embeds to the characters it draws, as WOFF, and
puts it in the page.

    subset_fonts.py --faces FACES_JSON --page PAGE_IN --out PAGE

FACES_JSON (written by the page's generator from the window's tables) names
each face's file, the width it is drawn at, its characters and the
placeholder in PAGE_IN that its WOFF, in base64, replaces. A narrowed face is
drawn at that part of its width, as the window draws Tahoma in place of MS
Sans Serif: outlines, advances and kerning scaled. Hinting and embedded
bitmaps go: scaled outlines have no use for either.
"""
import argparse
import base64
import io
import json
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
