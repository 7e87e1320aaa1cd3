#!/usr/bin/python3
"""Builds the program's three font faces from Debian's Roboto Condensed.

Each face keeps every code point of its upstream file except U+00C0..U+00C9,
which point at icon glyphs copied in from the face itself or from DejaVu Sans
(see glyph_sources.txt).  Every composite glyph is decomposed into plain
outlines (libharu 2.3's subsetter drops the components of composites), the
family is renamed, embedding is unrestricted and the time stamps are fixed so
that two runs give the same bytes.

    /usr/bin/python3 build_faces.py [--out DIR]     (default: this folder)
"""
import argparse
import os
import sys

from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

ROBOTO = "/usr/share/fonts/truetype/roboto/unhinted/RobotoCondensed-{}.ttf"
DEJAVU = {"Regular": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
          "Bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}
FAMILY = "Kestrune Condensed"
PS_FAMILY = "KestruneCondensed"
# 2023-01-25 00:00:00 UTC in seconds since 1904-01-01, the TrueType epoch.
FIXED_TIME = 3757363200

# Code point -> (source, code point in the source).  "self" is the face's own
# upstream outline, "dejavu" DejaVu Sans (Bold for the bold face).
ICONS = {
    0xC0: ("dejavu", 0x2300),  # diameter sign
    0xC1: ("self", 0x03C6),    # phi, drill point angle
    0xC2: ("self", 0x2014),    # long dash
    0xC3: ("self", 0x2116),    # numero sign
    0xC4: ("dejavu", 0x232B),  # erase to the left (keyboard backspace)
    0xC5: ("dejavu", 0x21BB),  # clockwise open circle arrow
    0xC6: ("dejavu", 0x21BA),  # anticlockwise open circle arrow
    0xC7: ("dejavu", 0x2139),  # information source (hint)
    0xC8: ("dejavu", 0x2302),  # house (home)
    0xC9: ("dejavu", 0x2B05),  # leftwards black arrow (back)
}
FACES = ("Light", "Regular", "Bold")


def cap_height(font):
    name = font.getBestCmap()[ord("H")]
    font["glyf"][name].recalcBounds(font["glyf"])
    return font["glyf"][name].yMax


def outline(glyph_set, name, scale=1.0):
    """The glyph's outline with every component resolved, as a simple glyph."""
    rec = DecomposingRecordingPen(glyph_set)
    glyph_set[name].draw(rec)
    pen = TTGlyphPen(None)
    rec.replay(TransformPen(pen, (scale, 0, 0, scale, 0, 0)) if scale != 1.0 else pen)
    return pen.glyph()


def decompose_all(font):
    glyf = font["glyf"]
    glyph_set = font.getGlyphSet()
    composites = [n for n in font.getGlyphOrder() if glyf[n].isComposite()]
    simple = {n: outline(glyph_set, n) for n in composites}
    for name, glyph in simple.items():
        glyf[name] = glyph


def build_face(style, out_dir):
    font = TTFont(ROBOTO.format(style))
    dejavu = TTFont(DEJAVU["Bold" if style == "Bold" else "Regular"])
    decompose_all(font)

    glyf = font["glyf"]
    hmtx = font["hmtx"]
    own_set = font.getGlyphSet()
    own_cmap = font.getBestCmap()
    dv_set = dejavu.getGlyphSet()
    dv_cmap = dejavu.getBestCmap()
    dv_scale = cap_height(font) / cap_height(dejavu)

    order = list(font.getGlyphOrder())
    new_names = {}
    for cp, (source, src_cp) in sorted(ICONS.items()):
        name = "kst.icon%02X" % cp
        if source == "self":
            glyph = outline(own_set, own_cmap[src_cp])
            advance = hmtx[own_cmap[src_cp]][0]
        else:
            glyph = outline(dv_set, dv_cmap[src_cp], dv_scale)
            advance = int(round(dejavu["hmtx"][dv_cmap[src_cp]][0] * dv_scale))
        glyph.recalcBounds(glyf)
        order.append(name)
        glyf.glyphs[name] = glyph
        lsb = glyph.xMin if hasattr(glyph, "xMin") and glyph.numberOfContours else 0
        hmtx.metrics[name] = (advance, lsb)
        new_names[cp] = name
    font.setGlyphOrder(order)
    glyf.glyphOrder = order

    for table in font["cmap"].tables:
        if table.isUnicode():
            for cp, name in new_names.items():
                table.cmap[cp] = name

    names = font["name"]
    full = FAMILY if style == "Regular" else "%s %s" % (FAMILY, style)
    for rec in list(names.names):
        if rec.nameID in (1, 16):
            names.setName(FAMILY, rec.nameID, rec.platformID, rec.platEncID, rec.langID)
        elif rec.nameID == 3:
            names.setName("Kestrune:%s %s:2023" % (FAMILY, style), 3, rec.platformID, rec.platEncID, rec.langID)
        elif rec.nameID == 4:
            names.setName(full, 4, rec.platformID, rec.platEncID, rec.langID)
        elif rec.nameID == 6:
            names.setName("%s-%s" % (PS_FAMILY, style), 6, rec.platformID, rec.platEncID, rec.langID)
    names.setName("Modified from Roboto Condensed and DejaVu Sans for the KESTRUNE program.", 10, 3, 1, 0x409)

    font["OS/2"].fsType = 0
    font["head"].created = FIXED_TIME
    font["head"].modified = FIXED_TIME
    font.recalcTimestamp = False
    # The post table keeps glyph names; make sure the new names are listed.
    if font["post"].formatType == 2.0:
        font["post"].extraNames = []
        font["post"].mapping = {}

    # Checks before writing.
    cmap = font.getBestCmap()
    for cp, name in new_names.items():
        assert cmap[cp] == name, "cmap of U+%04X" % cp
        assert glyf[name].numberOfContours > 0, "empty icon U+%04X" % cp
    assert not any(glyf[n].isComposite() for n in font.getGlyphOrder()), "composite glyph left"
    for cp in list(range(0x20, 0x7F)) + [0x401, 0x451] + list(range(0x410, 0x450)):
        assert cp in cmap, "missing U+%04X" % cp

    path = os.path.join(out_dir, "%s-%s.ttf" % (PS_FAMILY, style))
    font.save(path)
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.dirname(os.path.abspath(__file__)))
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for style in FACES:
        print(build_face(style, args.out))
    return 0


if __name__ == "__main__":
    sys.exit(main())
