#!/usr/bin/env python3
"""The interface pictures that are better computed than drawn by hand.

    gen_images.py svg OUT_DIR          writes their SVG sources into OUT_DIR
    gen_images.py grey IN.png OUT.png  keeps the red channel of an RGB(A) PNG
                                       as an opaque 8-bit grey PNG

The SVGs are the dial face, the shaft segments under the plane columns, the
machine pictures and the control-rotor overlay; build_images.sh renders them
together with the hand-written ones in src/.  Python standard library only.

Geometry shared by the rotor pictures (pixels):
  - a plane column is 248 wide; segments are 248 x 160 with the shaft axis on
    row 80; a shaft enters and leaves a column at the edges in one thickness,
    so any two columns join;
  - the Vertical and Console machines carry the rotor on an upright spindle:
    their segments show the rotor in side view standing on the spindle nose,
    which leaves the segment at the bottom edge in the column's middle; the
    machine picture is drawn from the same top as the segments, centred on the
    columns, and takes the spindle over from row 160 on.
"""
import os
import struct
import sys
import zlib

# The interface colours.
BLUE = "#3C93CD"
GREEN = "#45D67A"
GREY_BLUE = "#868695"
DARK = "#333333"
GREY = "#777777"
WHITE = "#FFFFFF"
STEEL = "#E1E1E7"      # turned steel: a light tint of the grey-blue

LINE = 2  # stroke width of the rotor pictures

COLUMN_W = 248
SEGMENT_H = 160
AXIS = 80
SHAFT = 24      # the body's thickness where columns join
JOURNAL = 16    # a bearing journal and the drive's shaft stub


def fmt(v):
    """A number as SVG text: whole numbers without decimals, else 2 places."""
    if abs(v - round(v)) < 1e-9:
        return str(int(round(v)))
    return ("%.2f" % v).rstrip("0").rstrip(".")


def svg(width, height, body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">\n%s</svg>\n' % (width, height, width, height, body))


def rect(x0, y0, x1, y1, fill, stroke=None, rx=0, width=LINE, extra=""):
    s = '<rect x="%s" y="%s" width="%s" height="%s"' % (fmt(x0), fmt(y0), fmt(x1 - x0), fmt(y1 - y0))
    if rx:
        s += ' rx="%s"' % fmt(rx)
    s += ' fill="%s"' % fill
    if stroke:
        s += ' stroke="%s" stroke-width="%s"' % (stroke, fmt(width))
    return s + extra + '/>\n'


def path(d, fill="none", stroke=None, width=LINE, cap="round", extra=""):
    s = '<path d="%s" fill="%s"' % (d, fill)
    if stroke:
        s += ' stroke="%s" stroke-width="%s" stroke-linejoin="round" stroke-linecap="%s"' % (stroke, fmt(width), cap)
    return s + extra + '/>\n'


# ---------------------------------------------------------------- dial face

DIAL = 512
DIAL_OUTER = 256
DIAL_INNER = 198      # 85:110 of the outer radius, as the dial draws its ring
TICK_WIDTH = 6
TICK_MINOR = 18       # tick lengths from the outer edge inward
TICK_MAJOR = 34


def dial_face():
    """White ring on black: the program tints it by taking red as coverage.

    Twelve ticks at half coverage read as lighter notches of the tinted ring;
    the four at 0, 90, 180 and 270 degrees are longer."""
    c = DIAL / 2
    ring_r = (DIAL_OUTER + DIAL_INNER) / 2
    body = rect(0, 0, DIAL, DIAL, "#000000")
    body += ('<circle cx="%s" cy="%s" r="%s" fill="none" stroke="#FFFFFF" stroke-width="%s"/>\n'
             % (fmt(c), fmt(c), fmt(ring_r), fmt(DIAL_OUTER - DIAL_INNER)))
    body += ('<clipPath id="ring"><circle cx="%s" cy="%s" r="%s"/></clipPath>\n'
             % (fmt(c), fmt(c), fmt(DIAL_OUTER)))
    ticks = ""
    for i in range(12):
        length = TICK_MAJOR if i % 3 == 0 else TICK_MINOR
        # Ticks are drawn upright at the top and turned into place, so every
        # one is rasterised alike.
        ticks += rect(c - TICK_WIDTH / 2, c - DIAL_OUTER - 4, c + TICK_WIDTH / 2, c - DIAL_OUTER + length,
                      "#808080", extra=' transform="rotate(%d %s %s)"' % (30 * i, fmt(c), fmt(c)))
    body += '<g clip-path="url(#ring)">\n' + ticks + '</g>\n'
    return svg(DIAL, DIAL, body)


# ------------------------------------------------------------ shaft segments

class Column:
    """One horizontal plane column, drawn from left to right."""

    def __init__(self):
        self.back = ""    # shaft parts
        self.front = ""   # discs, belt, coupling over the shaft

    def shaft(self, x0, x1, thickness):
        """A cylinder from x0 to x1; None runs it past that edge of the column,
        so that nothing marks the joint with the neighbouring column, and a
        given end is closed by an end line."""
        y0, y1 = AXIS - thickness / 2, AXIS + thickness / 2
        left = -LINE if x0 is None else x0
        right = COLUMN_W + LINE if x1 is None else x1
        self.back += rect(left, y0, right, y1, STEEL)
        d = "M%s %sH%sM%s %sH%s" % (fmt(left), fmt(y0), fmt(right), fmt(left), fmt(y1), fmt(right))
        for x in (x0, x1):
            if x is not None:
                d += "M%s %sV%s" % (fmt(x), fmt(y0), fmt(y1))
        self.back += path(d, stroke=GREY_BLUE, cap="square")

    def disc(self, x, width, height, measured=True):
        x0, x1 = x - width / 2, x + width / 2
        y0, y1 = AXIS - height / 2, AXIS + height / 2
        if measured:
            self.front += rect(x0, y0, x1, y1, BLUE, stroke=DARK, rx=3)
        else:
            self.front += rect(x0, y0, x1, y1, WHITE, stroke=BLUE, rx=3, width=2.5)

    def belt(self, x):
        """The drive belt round the body, running down to the motor's pulley."""
        w = 16
        top = AXIS - SHAFT // 2 - 6
        pulley = SEGMENT_H - 22
        self.front += rect(x - 16, pulley, x + 16, pulley + 14, GREY_BLUE, stroke=DARK, rx=3)
        self.front += path("M%s %sV%sA%s %s 0 0 1 %s %sV%sZ" % (
            fmt(x - w / 2), fmt(pulley + 7), fmt(top + w / 2), fmt(w / 2), fmt(w / 2),
            fmt(x + w / 2), fmt(top + w / 2), fmt(pulley + 7)), fill=DARK)
        # Ribs show that it is a belt and that it moves.
        for y in range(top + 18, pulley - 4, 12):
            self.front += path("M%s %sH%s" % (fmt(x - w / 2 + 4), fmt(y), fmt(x + w / 2 - 4)),
                               stroke=GREY, width=1.5)

    def coupling(self, x):
        """The drive's shaft stub from the left edge and a flange coupling ending at x."""
        self.shaft(None, x - 4, JOURNAL)
        h = 52
        for fx in (x - 18, x - 8):
            self.front += rect(fx, AXIS - h / 2, fx + 8, AXIS + h / 2, GREY_BLUE, stroke=DARK, rx=2)
        for by in (AXIS - h / 2 + 8, AXIS + h / 2 - 8):
            self.front += rect(x - 20, by - 2, x + 2, by + 2, DARK, rx=1)

    def svg(self):
        return svg(COLUMN_W, SEGMENT_H, self.back + self.front)


MID = COLUMN_W / 2
DISC = (26, 128)        # width, height of a plane's disc, one- and two-plane rotors
SLIM_DISC = (20, 104)   # rotors of more than two planes
END_JOURNAL = 184       # where the body of a last column steps down to its journal
ROTOR_END = 228         # the right end of a rotor
DRIVE_JOURNAL = 64      # where a first column's journal steps up to the body
ROTOR_START = 20        # the left end of a belt-driven rotor
COUPLING = 30           # the coupling's right face


def horizontal(first=None, last=False, disc=DISC, measured=True, belt=None, collar=None):
    """A column of a horizontal rotor.

    first: None (the body comes in from the left edge), "end" or "belt" (the
    rotor starts here); last: the rotor ends here with its right journal;
    belt: x of a belt band; collar: x of the nut that clamps a mandrel."""
    c = Column()
    if first == "end":
        c.coupling(COUPLING)
        c.shaft(COUPLING, DRIVE_JOURNAL, JOURNAL)
    elif first == "belt":
        c.shaft(ROTOR_START, DRIVE_JOURNAL, JOURNAL)
    if last:
        c.shaft(END_JOURNAL, ROTOR_END, JOURNAL)
    c.shaft(DRIVE_JOURNAL if first else None, END_JOURNAL if last else None, SHAFT)
    if belt is not None:
        c.belt(belt)
    if collar is not None:
        c.front += rect(collar - 6, AXIS - 18, collar + 6, AXIS + 18, STEEL, stroke=DARK, rx=2)
    if disc:
        c.disc(MID, disc[0], disc[1], measured)
    return c.svg()


BELT_RIGHT = 174   # belt band right of the disc
BELT_LEFT = 74     # belt band left of the disc
CLAMP_NUT = 82     # the control rotor's arbor nut, left of the test-plane ring


def horizontal_segments():
    """By key; the comment gives the segment code that selects it (none: a spare)."""
    return {
        "179E41F-segment-single-end": horizontal(first="end", last=True),                    # 0x21
        "179E420-segment-last": horizontal(last=True),                                       # 0x20
        "179E421-segment-first-end": horizontal(first="end"),                                # 0x10
        "179E422-segment-last-unmeasured": horizontal(last=True, measured=False),
        "179E423-segment-control-first": horizontal(first="end", disc=SLIM_DISC,
                                                    collar=CLAMP_NUT),                       # 0x151
        "179E424-segment-multi-first-belt": horizontal(first="belt", disc=SLIM_DISC,
                                                       belt=BELT_RIGHT),                     # 0x54
        "179E425-segment-multi-first-end": horizontal(first="end", disc=SLIM_DISC),          # 0x51
        "179E426-segment-last-belt": horizontal(last=True, belt=BELT_LEFT),                  # 0x84
        "179E427-segment-first-belt": horizontal(first="belt", belt=BELT_RIGHT),             # 0x81
        "179E42C-segment-first-unmeasured": horizontal(first="end", measured=False),
        "179E42D-segment-multi-middle": horizontal(disc=SLIM_DISC),                          # 0x41
        "179E42E-segment-multi-middle-unmeasured": horizontal(disc=SLIM_DISC,
                                                              measured=False),               # 0x44
        "179E42F-segment-multi-middle-belt": horizontal(disc=SLIM_DISC, belt=BELT_RIGHT),
        "179E430-segment-multi-last": horizontal(last=True, disc=SLIM_DISC),                 # 0x61
        "179E431-segment-single-belt": horizontal(first="belt", last=True,
                                                  belt=BELT_RIGHT - 10),                     # 0x85
        "179E432-segment-shaft": horizontal(disc=None),
    }


# ----------------------------------------------- rotors on an upright spindle

SPINDLE_TOP = 128     # the spindle nose under the rotor, down to the bottom edge


def upright(discs):
    """A rotor in side view on the spindle nose; discs: (top, bottom, kind) with
    kind "measured", "other" (the rotor's other plane) or "unmeasured"."""
    body = ""
    x0, x1 = MID - SHAFT / 2, MID + SHAFT / 2
    body += rect(x0, SPINDLE_TOP, x1, SEGMENT_H + LINE, STEEL)
    body += path("M%s %sV%sM%s %sV%s" % (fmt(x0), fmt(SPINDLE_TOP), fmt(SEGMENT_H + LINE),
                                           fmt(x1), fmt(SPINDLE_TOP), fmt(SEGMENT_H + LINE)),
                 stroke=GREY_BLUE, cap="butt")
    top = min(d[0] for d in discs)
    bottom = max(d[1] for d in discs)
    # The hub through the discs and a nut on top.
    body += rect(MID - 26, top - 4, MID + 26, bottom, STEEL, stroke=GREY_BLUE, rx=3)
    body += rect(MID - 12, top - 14, MID + 12, top - 4, GREY_BLUE, stroke=DARK, rx=2)
    for y0, y1, kind in discs:
        half = 84
        if kind == "measured":
            body += rect(MID - half, y0, MID + half, y1, BLUE, stroke=DARK, rx=4)
        elif kind == "other":
            body += rect(MID - half, y0, MID + half, y1, STEEL, stroke=GREY_BLUE, rx=4)
        else:
            body += rect(MID - half, y0, MID + half, y1, WHITE, stroke=BLUE, rx=4, width=2.5)
    return svg(COLUMN_W, SEGMENT_H, body)


ONE_DISC = (96, 126)
UPPER_DISC = (46, 72)
LOWER_DISC = (100, 126)


def upright_segments():
    """By key; the comment gives the segment code that selects it."""
    return {
        "179E428-segment-upper": upright([UPPER_DISC + ("measured",), LOWER_DISC + ("other",)]),  # 0x01
        "179E429-segment-disc": upright([ONE_DISC + ("measured",)]),                              # 0x04
        "179E42A-segment-disc-unmeasured": upright([ONE_DISC + ("unmeasured",)]),                 # 0x00
        "179E42B-segment-lower": upright([UPPER_DISC + ("other",), LOWER_DISC + ("measured",)]),  # 0x02
    }


# ---------------------------------------------------------- machine pictures

MACHINE_W = 2 * COLUMN_W


def spindle_housing(x, top=SEGMENT_H, height=16):
    """The spindle bearing under a rotor: the nose comes out of it at row 160."""
    return rect(x - 24, top, x + 24, top + height, GREY_BLUE, stroke=DARK, rx=3)


def spindles(planes):
    """x of the spindle axes: one picture column's middle for every plane."""
    return [MACHINE_W / 2] if planes == 1 else [COLUMN_W / 2, COLUMN_W + COLUMN_W / 2]


def panel(x, y):
    """The operator panel: a display and the start light."""
    body = rect(x, y, x + 46, y + 18, WHITE, stroke=DARK, rx=2)
    body += path("M%s %sH%s" % (fmt(x + 8), fmt(y + 9), fmt(x + 30)), stroke=BLUE, width=3)
    body += '<circle cx="%s" cy="%s" r="5" fill="%s" stroke="%s" stroke-width="1.5"/>\n' % (
        fmt(x + 62), fmt(y + 9), GREEN, DARK)
    return body


def vertical_machine(planes):
    """A floor-standing cabinet with the upright spindle(s) on top."""
    h = 235
    xs = spindles(planes)
    left, right = min(xs) - 96, max(xs) + 96
    body = ""
    for x in xs:
        body += spindle_housing(x)
    body += rect(left, 176, right, 188, STEEL, stroke=DARK, rx=3)
    body += rect(left + 8, 188, right - 8, 224, GREY_BLUE, stroke=DARK, rx=3)
    body += panel(left + 22, 197)
    for i in range(4):
        vx = right - 30 - 10 * i
        body += path("M%s 198V214" % fmt(vx), stroke=DARK)
    body += rect(left + 14, 224, left + 34, 232, DARK, rx=2)
    body += rect(right - 34, 224, right - 14, 232, DARK, rx=2)
    return svg(MACHINE_W, h, body)


def console_machine(planes):
    """A pillar on a base carrying the spindle(s) on a console arm."""
    h = 210
    xs = spindles(planes)
    body = ""
    if planes == 1:
        pillar = (MACHINE_W / 2 + 104, MACHINE_W / 2 + 140)
        arm = (xs[0] - 30, pillar[1])
    else:
        pillar = (MACHINE_W / 2 - 18, MACHINE_W / 2 + 18)
        arm = (xs[0] - 30, xs[1] + 30)
    base = (pillar[0] - 56, pillar[1] + 56)
    body += rect(pillar[0], 96, pillar[1], 198, GREY_BLUE, stroke=DARK, rx=3)
    body += rect(pillar[0] - 4, 88, pillar[1] + 4, 98, STEEL, stroke=DARK, rx=3)
    body += rect(arm[0], 176, arm[1], 192, STEEL, stroke=DARK, rx=4)
    for x in xs:
        body += spindle_housing(x)
    body += rect(base[0], 196, base[1], 208, GREY_BLUE, stroke=DARK, rx=3)
    return svg(MACHINE_W, h, body)


def control_overlay():
    """The proving rotor over the three control-rotor columns: the mandrel and
    its two test-plane rings with the threaded holes for the test masses."""
    w = 3 * COLUMN_W
    ring_xs = (COLUMN_W / 2, 2 * COLUMN_W + COLUMN_W / 2)
    body = rect(ring_xs[0], AXIS - 22, ring_xs[1], AXIS + 22, STEEL, stroke=GREY_BLUE, rx=2)
    for x in ring_xs:
        body += rect(x - 20, AXIS - 70, x + 20, AXIS + 70, "#D8D8DF", stroke=GREY_BLUE, rx=4)
        for k in range(-3, 4):
            y = AXIS + 18 * k
            if abs(k) <= 1:
                continue  # hidden behind the plane's disc and shaft
            body += rect(x - 16, y - 2, x + 16, y + 2, GREY_BLUE, rx=1)
    return svg(w, SEGMENT_H, body)


def all_svgs():
    pictures = {"179E43B-dial-face": dial_face()}
    pictures.update(horizontal_segments())
    pictures.update(upright_segments())
    pictures["179E434-machine-console-one"] = console_machine(1)
    pictures["179E435-machine-console-two"] = console_machine(2)
    pictures["179E436-machine-vertical-one"] = vertical_machine(1)
    pictures["179E437-machine-vertical-two"] = vertical_machine(2)
    pictures["179E438-control-rotor"] = control_overlay()
    return pictures


# ------------------------------------------------------------- grey PNG

def read_png(path_in):
    """Width, height, channels and rows of an 8-bit RGB or RGBA PNG."""
    with open(path_in, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s: not a PNG file" % path_in)
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat += chunk
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        raise ValueError("%s: only 8-bit RGB or RGBA without interlace" % path_in)
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        prev = line
    return width, height, channels, rows


def write_grey_png(path_out, width, height, rows):
    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))
    raw = bytearray()
    prev = bytes(width)
    for line in rows:
        # Up filter: the ring changes slowly from row to row.
        raw.append(2)
        raw.extend((line[i] - prev[i]) & 255 for i in range(width))
        prev = line
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path_out, "wb") as f:
        f.write(png)


def grey(path_in, path_out):
    width, height, channels, rows = read_png(path_in)
    red = [bytes(line[0::channels]) for line in rows]
    write_grey_png(path_out, width, height, red)


def main(argv):
    if len(argv) == 3 and argv[1] == "svg":
        os.makedirs(argv[2], exist_ok=True)
        for name, text in sorted(all_svgs().items()):
            with open(os.path.join(argv[2], name + ".svg"), "w", encoding="utf-8") as f:
                f.write(text)
        return 0
    if len(argv) == 4 and argv[1] == "grey":
        grey(argv[2], argv[3])
        return 0
    sys.stderr.write("usage: gen_images.py svg OUT_DIR | gen_images.py grey IN.png OUT.png\n")
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
