#!/usr/bin/env python3
"""Draw the Orlet application icon and write it in every format the build uses.

The icon is a dark DIP chip seen from above, lying on its side, with silver
pins along the top and bottom edges, the orientation notch on the left and a
bold amber "51" on its face.

Writes, into ui/res/icons/:
  orlet-16.png ... orlet-256.png   one PNG per size
  orlet.svg                        scalable master (same geometry as the PNGs)
  orlet.ico                        Windows icon: 16, 32, 48 and 64 px as
                                   32-bit BMP entries, 256 px as a PNG entry

Only the Python 3 standard library is used.  The 16 px image is pixel art
drawn by hand (see PIXELS_16); every other size is rendered from the vector
shapes below with analytic anti-aliasing.  The shapes sit on a 32-unit grid
so that at 32, 64, 128 and 256 px every straight edge falls on a pixel
boundary; at 48 px the coordinates are snapped to whole pixels.

Usage:  python3 scripts/make-icon.py [--out DIR] [--preview DIR]
        --preview DIR also writes enlarged copies and a contact sheet of all
        sizes on light and dark backgrounds (preview-*.png) into DIR.
"""

import argparse
import math
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64, 128, 256)
ICO_BMP_SIZES = (16, 32, 48, 64)
ICO_PNG_SIZES = (256,)

# --------------------------------------------------------------------------
# Colours (sRGB, 0-255, alpha 0-255)
# --------------------------------------------------------------------------

PIN_LIGHT = (0xC8, 0xD0, 0xDA, 255)
PIN_DARK = (0x7E, 0x89, 0x96, 255)
PIN_LIGHT_SMALL = (0xB4, 0xBE, 0xCA, 255)
PIN_DARK_SMALL = (0x80, 0x8B, 0x98, 255)
BODY_TOP = (0x3A, 0x44, 0x50, 255)
BODY_BOTTOM = (0x1E, 0x24, 0x2B, 255)
RIM_TOP = (0x6B, 0x77, 0x86, 255)
RIM_BOTTOM = (0x2C, 0x34, 0x3D, 255)
GLYPH_TOP = (0xFF, 0xD8, 0x5A, 255)
GLYPH_BOTTOM = (0xFF, 0xA8, 0x14, 255)
DOT = (0x4E, 0x58, 0x65, 255)
SHADOW = (0x00, 0x00, 0x00, 255)


def hexrgb(c):
    return "#%02x%02x%02x" % c[:3]


# --------------------------------------------------------------------------
# Shapes: signed distance functions (negative inside), in pixels
# --------------------------------------------------------------------------

class Shape:
    def bbox(self):
        raise NotImplementedError

    def dist(self, x, y):
        raise NotImplementedError


class RRect(Shape):
    """Axis-aligned rectangle with a radius per corner (tl, tr, br, bl)."""

    def __init__(self, x0, y0, x1, y1, radii=0.0):
        if not isinstance(radii, (tuple, list)):
            radii = (radii,) * 4
        self.x0, self.y0, self.x1, self.y1 = x0, y0, x1, y1
        self.radii = tuple(radii)

    def bbox(self):
        return (self.x0, self.y0, self.x1, self.y1)

    def dist(self, x, y):
        cx = (self.x0 + self.x1) / 2.0
        cy = (self.y0 + self.y1) / 2.0
        hx = (self.x1 - self.x0) / 2.0
        hy = (self.y1 - self.y0) / 2.0
        px, py = x - cx, y - cy
        tl, tr, br, bl = self.radii
        if px >= 0:
            r = br if py >= 0 else tr
        else:
            r = bl if py >= 0 else tl
        qx = abs(px) - hx + r
        qy = abs(py) - hy + r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return min(max(qx, qy), 0.0) + outside - r

    def svg(self, f):
        x0, y0, x1, y1 = self.x0, self.y0, self.x1, self.y1
        tl, tr, br, bl = self.radii
        parts = ["M%s %s" % (f(x0 + tl), f(y0)), "H%s" % f(x1 - tr)]
        if tr:
            parts.append("A%s %s 0 0 1 %s %s" % (f(tr), f(tr), f(x1), f(y0 + tr)))
        parts.append("V%s" % f(y1 - br))
        if br:
            parts.append("A%s %s 0 0 1 %s %s" % (f(br), f(br), f(x1 - br), f(y1)))
        parts.append("H%s" % f(x0 + bl))
        if bl:
            parts.append("A%s %s 0 0 1 %s %s" % (f(bl), f(bl), f(x0), f(y1 - bl)))
        parts.append("V%s" % f(y0 + tl))
        if tl:
            parts.append("A%s %s 0 0 1 %s %s" % (f(tl), f(tl), f(x0 + tl), f(y0)))
        parts.append("Z")
        return "".join(parts)


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r

    def bbox(self):
        return (self.cx - self.r, self.cy - self.r, self.cx + self.r, self.cy + self.r)

    def dist(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r

    def svg(self, f):
        cx, cy, r = self.cx, self.cy, self.r
        return "M%s %sA%s %s 0 1 1 %s %sA%s %s 0 1 1 %s %sZ" % (
            f(cx), f(cy - r), f(r), f(r), f(cx), f(cy + r),
            f(r), f(r), f(cx), f(cy - r))


class Polygon(Shape):
    """Simple polygon; stored clockwise (in y-down coordinates)."""

    def __init__(self, pts):
        area = 0.0
        for i, (x0, y0) in enumerate(pts):
            x1, y1 = pts[(i + 1) % len(pts)]
            area += x0 * y1 - x1 * y0
        self.pts = list(pts) if area > 0 else list(reversed(pts))

    def bbox(self):
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        return (min(xs), min(ys), max(xs), max(ys))

    def dist(self, x, y):
        pts = self.pts
        n = len(pts)
        d = float("inf")
        inside = False
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            dx, dy = wx - ex * t, wy - ey * t
            d = min(d, dx * dx + dy * dy)
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        d = math.sqrt(d)
        return -d if inside else d

    def svg(self, f):
        return "M" + "L".join("%s %s" % (f(x), f(y)) for x, y in self.pts) + "Z"


class Union(Shape):
    def __init__(self, *shapes):
        self.shapes = shapes

    def bbox(self):
        boxes = [s.bbox() for s in self.shapes]
        return (min(b[0] for b in boxes), min(b[1] for b in boxes),
                max(b[2] for b in boxes), max(b[3] for b in boxes))

    def dist(self, x, y):
        return min(s.dist(x, y) for s in self.shapes)

    def svg(self, f):
        return "".join(s.svg(f) for s in self.shapes)


class Diff(Shape):
    """a minus b.  Drawn in SVG with a mask."""

    def __init__(self, a, b):
        self.a, self.b = a, b

    def bbox(self):
        return self.a.bbox()

    def dist(self, x, y):
        return max(self.a.dist(x, y), -self.b.dist(x, y))


class Offset(Shape):
    """The shape moved by (dx, dy)."""

    def __init__(self, shape, dx, dy):
        self.shape, self.dx, self.dy = shape, dx, dy

    def bbox(self):
        b = self.shape.bbox()
        return (b[0] + self.dx, b[1] + self.dy, b[2] + self.dx, b[3] + self.dy)

    def dist(self, x, y):
        return self.shape.dist(x - self.dx, y - self.dy)


# --------------------------------------------------------------------------
# Paints and layers
# --------------------------------------------------------------------------

class Solid:
    def __init__(self, c):
        self.c = c

    def at(self, x, y):
        return self.c


class VGrad:
    """Vertical linear gradient from c0 at y0 to c1 at y1."""

    def __init__(self, y0, c0, y1, c1):
        self.y0, self.c0, self.y1, self.c1 = y0, c0, y1, c1

    def at(self, x, y):
        t = (y - self.y0) / (self.y1 - self.y0)
        t = 0.0 if t < 0 else 1.0 if t > 1 else t
        return tuple(a + (b - a) * t for a, b in zip(self.c0, self.c1))


class Layer:
    """A filled shape.

    kind "fill": plain anti-aliased fill.
    kind "rim":  a band of width `width` just inside the shape's outline.
    kind "blur": soft-edged fill (drop shadow); `width` is the blur radius.
    """

    def __init__(self, shape, paint, opacity=1.0, kind="fill", width=0.0):
        self.shape, self.paint, self.opacity = shape, paint, opacity
        self.kind, self.width = kind, width

    def coverage(self, x, y):
        d = self.shape.dist(x, y)
        if self.kind == "fill":
            return clamp01(0.5 - d)
        if self.kind == "rim":
            return clamp01(0.5 - d) * clamp01(0.5 + d + self.width)
        t = clamp01(0.5 - d / (2.0 * self.width))
        return t * t * (3.0 - 2.0 * t)


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


# --------------------------------------------------------------------------
# Geometry
# --------------------------------------------------------------------------

def layers_for(size, snap=True):
    """Layers of the icon at `size` px.  Design units: 32 across."""
    s = size / 32.0
    if snap:
        def u(v):
            return math.floor(v * s + 0.5)
    else:
        def u(v):
            return v * s
    big = size >= 48
    out = []

    # Pins: six on each long side, running under the body.
    pin_w, pin_gap, pin_x0 = 2, 2, 5
    pins = []
    for i in range(6):
        x0 = pin_x0 + i * (pin_w + pin_gap)
        tip = u(0.5) if big else 0
        pins.append(RRect(u(x0), u(1), u(x0 + pin_w), u(7), (tip, tip, 0, 0)))
        pins.append(RRect(u(x0), u(25), u(x0 + pin_w), u(31), (0, 0, tip, tip)))
    pin_shape = Union(*pins)

    body_rect = RRect(u(1), u(5), u(31), u(27), u(2))
    notch = Circle(u(1), u(16), u(2.5))
    body = Diff(body_rect, notch)

    if big:
        out.append(Layer(Offset(body, 0, u(1)), Solid(SHADOW), 0.35,
                         "blur", max(1.0, 1.25 * s)))
    # Small sizes get darker pins so they stand out on light backgrounds.
    light, dark = (PIN_LIGHT, PIN_DARK) if size >= 64 else (PIN_LIGHT_SMALL, PIN_DARK_SMALL)
    out.append(Layer(pin_shape, VGrad(u(1), light, u(5), dark)))
    # Bottom pins are lit from the tip as well.
    out.append(Layer(Union(*pins[1::2]), VGrad(u(31), light, u(27), dark)))
    out.append(Layer(body, VGrad(u(5), BODY_TOP, u(27), BODY_BOTTOM)))
    out.append(Layer(body, VGrad(u(5), RIM_TOP, u(27), RIM_BOTTOM),
                     kind="rim", width=max(1.0, 0.375 * s)))
    if size >= 64:
        out.append(Layer(Circle(u(4.5), u(23.5), u(1)), Solid(DOT)))

    # "51" in a bold, square-cut face, 14 units tall, stroke 3.
    gx = 6
    five = Union(
        RRect(u(gx), u(9), u(gx + 9), u(12)),             # top bar
        RRect(u(gx), u(9), u(gx + 3), u(17)),             # left stem
        Diff(RRect(u(gx), u(14), u(gx + 9), u(23),        # bowl
                   (0, u(4), u(4), 0)),
             RRect(u(gx - 1), u(17), u(gx + 6), u(20),
                   (0, u(1), u(1), 0))),
    )
    ox = gx + 11
    one = Union(
        RRect(u(ox + 3), u(9), u(ox + 6), u(23)),          # stem
        Polygon([(u(ox + 3), u(9)), (u(ox + 6), u(9)),     # flag
                 (u(ox + 3), u(14)), (u(ox), u(14)), (u(ox), u(12))]),
        RRect(u(ox), u(20), u(ox + 9), u(23)),             # foot
    )
    glyphs = Union(five, one)
    if big:
        out.append(Layer(Offset(glyphs, 0, max(1, u(0.5))), Solid(SHADOW), 0.45))
    out.append(Layer(glyphs, VGrad(u(9), GLYPH_TOP, u(23), GLYPH_BOTTOM)))
    return out


# --------------------------------------------------------------------------
# Hand-drawn 16 px image
# --------------------------------------------------------------------------

PALETTE_16 = {
    ".": (0, 0, 0, 0),
    "P": PIN_LIGHT_SMALL,           # pin tip
    "p": PIN_DARK_SMALL,            # pin near the body
    "o": (0x66, 0x72, 0x80, 255),   # body rim, top half
    "O": (0x3C, 0x45, 0x50, 255),   # body rim, bottom half
    "c": (0x66, 0x72, 0x80, 110),   # rounded corner
    "B": (0x2E, 0x36, 0x40, 255),   # body
    "Y": (0xFF, 0xC0, 0x2E, 255),   # glyph
}

PIXELS_16 = [
    ".PP..PP..PP..PP.",
    ".pp..pp..pp..pp.",
    "cooooooooooooooc",
    "oBBBBBBBBBBBBBBo",
    "oBBYYYYYBBYYBBBo",
    "oBBYYYYYBYYYBBBo",
    "oBBYYBBBBBYYBBBo",
    ".BBYYYYBBBYYBBBo",
    ".BBYYYYYBBYYBBBO",
    "OBBBBBYYBBYYBBBO",
    "OBBYYYYYBYYYYBBO",
    "OBBYYYYBBYYYYBBO",
    "OBBBBBBBBBBBBBBO",
    "cOOOOOOOOOOOOOOc",
    ".pp..pp..pp..pp.",
    ".PP..PP..PP..PP.",
]


def pixels_16():
    rows = []
    for line in PIXELS_16:
        if len(line) != 16:
            raise ValueError("16 px row has %d pixels: %r" % (len(line), line))
        rows.append([PALETTE_16[ch] for ch in line])
    return rows


# --------------------------------------------------------------------------
# Rasteriser
# --------------------------------------------------------------------------

def render(size, layers):
    """Composite the layers; returns rows of (r, g, b, a) tuples, 0-255."""
    # premultiplied float buffer
    buf = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]
    for layer in layers:
        x0, y0, x1, y1 = layer.shape.bbox()
        pad = 2.0 + (2.0 * layer.width if layer.kind == "blur" else 0.0)
        ix0 = max(0, int(math.floor(x0 - pad)))
        iy0 = max(0, int(math.floor(y0 - pad)))
        ix1 = min(size, int(math.ceil(x1 + pad)))
        iy1 = min(size, int(math.ceil(y1 + pad)))
        for py in range(iy0, iy1):
            y = py + 0.5
            row = py * size
            for px in range(ix0, ix1):
                x = px + 0.5
                cov = layer.coverage(x, y)
                if cov <= 0.0:
                    continue
                r, g, b, a = layer.paint.at(x, y)
                sa = a / 255.0 * cov * layer.opacity
                d = buf[row + px]
                k = 1.0 - sa
                d[0] = r * sa + d[0] * k
                d[1] = g * sa + d[1] * k
                d[2] = b * sa + d[2] * k
                d[3] = sa + d[3] * k
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r, g, b, a = buf[py * size + px]
            if a <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            row.append((min(255, int(r / a + 0.5)), min(255, int(g / a + 0.5)),
                        min(255, int(b / a + 0.5)), min(255, int(a * 255 + 0.5))))
        rows.append(row)
    return rows


# --------------------------------------------------------------------------
# File writers
# --------------------------------------------------------------------------

def png_bytes(rows):
    h = len(rows)
    w = len(rows[0])

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for px in row:
            raw.extend(px)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def bmp_icon_entry(rows):
    """32-bit BGRA DIB with an AND mask, as stored inside an .ico file."""
    h = len(rows)
    w = len(rows[0])
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor.extend((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, px in enumerate(row):
            if px[3] < 128:
                line[x // 8] |= 0x80 >> (x % 8)
        mask.extend(line)
    return header + bytes(xor) + bytes(mask)


def ico_bytes(entries):
    """entries: list of (size, data) in the order they are stored."""
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        dim = 0 if size >= 256 else size
        out.extend(struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset))
        offset += len(data)
    for _, data in entries:
        out.extend(data)
    return bytes(out)


def svg_text(size=256):
    """SVG master drawn from the unsnapped geometry."""
    def f(v):
        t = ("%.3f" % v).rstrip("0").rstrip(".")
        return "0" if t in ("-0", "") else t

    defs = []
    body = []
    counter = [0]

    def new_id(prefix):
        counter[0] += 1
        return "%s%d" % (prefix, counter[0])

    def paint_ref(paint, opacity):
        if isinstance(paint, Solid):
            ref = hexrgb(paint.c)
        else:
            gid = new_id("g")
            defs.append(
                '<linearGradient id="%s" gradientUnits="userSpaceOnUse" '
                'x1="0" y1="%s" x2="0" y2="%s">'
                '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/>'
                "</linearGradient>" % (gid, f(paint.y0), f(paint.y1),
                                       hexrgb(paint.c0), hexrgb(paint.c1)))
            ref = "url(#%s)" % gid
        attrs = 'fill="%s"' % ref
        if opacity != 1.0:
            attrs += ' fill-opacity="%s"' % f(opacity)
        return attrs

    def path_of(shape, dx=0.0, dy=0.0):
        """(path data, mask data or None) for a shape, moved by dx, dy."""
        if isinstance(shape, Offset):
            return path_of(shape.shape, dx + shape.dx, dy + shape.dy)
        if isinstance(shape, Diff):
            a, am = path_of(shape.a, dx, dy)
            b, bm = path_of(shape.b, dx, dy)
            if am or bm:
                raise ValueError("nested differences are not drawn in SVG")
            return a, b
        if isinstance(shape, Union):
            # Unions holding a cut-out are split up by parts() first.
            return "".join(path_of(p, dx, dy)[0] for p in shape.shapes), None
        return shape_svg(shape, dx, dy), None

    def shape_svg(shape, dx, dy):
        if dx == 0 and dy == 0:
            return shape.svg(f)
        if isinstance(shape, RRect):
            return RRect(shape.x0 + dx, shape.y0 + dy, shape.x1 + dx, shape.y1 + dy,
                         shape.radii).svg(f)
        if isinstance(shape, Circle):
            return Circle(shape.cx + dx, shape.cy + dy, shape.r).svg(f)
        if isinstance(shape, Polygon):
            return Polygon([(x + dx, y + dy) for x, y in shape.pts]).svg(f)
        raise TypeError(shape)

    def parts(shape, dx=0.0, dy=0.0):
        if isinstance(shape, Offset):
            return parts(shape.shape, dx + shape.dx, dy + shape.dy)
        if isinstance(shape, Union):
            plain, cut = [], []
            for p in shape.shapes:
                for d, m in parts(p, dx, dy):
                    (cut if m else plain).append((d, m))
            merged = [("".join(d for d, _ in plain), None)] if plain else []
            return merged + cut
        return [path_of(shape, dx, dy)]

    def mask_for(cut):
        mid = new_id("m")
        defs.append('<mask id="%s" maskUnits="userSpaceOnUse" x="0" y="0" '
                    'width="%d" height="%d"><rect width="%d" height="%d" fill="#fff"/>'
                    '<path d="%s" fill="#000"/></mask>' % (mid, size, size, size, size, cut))
        return ' mask="url(#%s)"' % mid

    for layer in layers_for(size, snap=False):
        fill = paint_ref(layer.paint, layer.opacity)
        if layer.kind == "blur":
            fid = new_id("f")
            defs.append('<filter id="%s" x="-20%%" y="-20%%" width="140%%" height="140%%">'
                        '<feGaussianBlur stdDeviation="%s"/></filter>'
                        % (fid, f(layer.width * 0.6)))
            for d, m in parts(layer.shape):
                body.append('<path d="%s" %s filter="url(#%s)"%s/>'
                            % (d, fill, fid, mask_for(m) if m else ""))
        elif layer.kind == "rim":
            for d, m in parts(layer.shape):
                cid = new_id("c")
                defs.append('<clipPath id="%s"><path d="%s"/></clipPath>' % (cid, d))
                stroke = fill.replace("fill=", "stroke=").replace("fill-opacity", "stroke-opacity")
                body.append('<path d="%s" fill="none" %s stroke-width="%s" '
                            'clip-path="url(#%s)"%s/>'
                            % (d, stroke, f(2 * layer.width), cid,
                               mask_for(m) if m else ""))
                if m:
                    # the rim also follows the edge of the cut-out
                    cid2 = new_id("c")
                    defs.append('<clipPath id="%s"><path d="%s"/></clipPath>' % (cid2, d))
                    body.append('<path d="%s" fill="none" %s stroke-width="%s" '
                                'clip-path="url(#%s)"/>'
                                % (m, stroke, f(2 * layer.width), cid2))
        else:
            for d, m in parts(layer.shape):
                body.append('<path d="%s" %s%s/>' % (d, fill, mask_for(m) if m else ""))

    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
            'viewBox="0 0 %d %d">\n'
            '<title>Orlet</title>\n'
            '<defs>\n%s\n</defs>\n%s\n</svg>\n'
            % (size, size, size, size, "\n".join(defs), "\n".join(body)))


def enlarge(rows, factor, checker=True):
    """Nearest-neighbour enlargement over a checkerboard, for looking at."""
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, (r, g, b, a) in enumerate(row):
            for sx in range(factor):
                line.append((r, g, b, a))
        for sy in range(factor):
            out.append(list(line))
    if checker:
        for y, row in enumerate(out):
            for x, (r, g, b, a) in enumerate(row):
                bg = 0xF0 if ((x // 8) + (y // 8)) % 2 else 0xC8
                k = a / 255.0
                row[x] = tuple(int(c * k + bg * (1 - k) + 0.5) for c in (r, g, b)) + (255,)
    return out


def contact_sheet(images):
    """All sizes at 1:1 on a light and on a dark background."""
    sizes = [n for n in SIZES if n <= 128]
    width = sum(sizes) + 8 * (len(sizes) + 1)
    height = 2 * (max(sizes) + 16)
    rows = []
    for y in range(height):
        bg = (0xFF, 0xFF, 0xFF) if y < height // 2 else (0x2B, 0x2B, 0x2B)
        rows.append([bg + (255,)] * width)
    for band in range(2):
        x = 8
        for n in sizes:
            top = band * (height // 2) + 8
            for j, row in enumerate(images[n]):
                for i, (r, g, b, a) in enumerate(row):
                    br, bg_, bb, _ = rows[top + j][x + i]
                    k = a / 255.0
                    rows[top + j][x + i] = (int(r * k + br * (1 - k) + 0.5),
                                            int(g * k + bg_ * (1 - k) + 0.5),
                                            int(b * k + bb * (1 - k) + 0.5), 255)
            x += n + 8
    return rows


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.join(os.path.dirname(here), "ui", "res", "icons")
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=default_out, help="output folder")
    ap.add_argument("--preview", metavar="DIR",
                    help="also write enlarged preview-*.png files into DIR")
    args = ap.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)

    images = {}
    for size in SIZES:
        images[size] = pixels_16() if size == 16 else render(size, layers_for(size))
        with open(os.path.join(args.out, "orlet-%d.png" % size), "wb") as fh:
            fh.write(png_bytes(images[size]))

    entries = [(n, bmp_icon_entry(images[n])) for n in ICO_BMP_SIZES]
    entries += [(n, png_bytes(images[n])) for n in ICO_PNG_SIZES]
    with open(os.path.join(args.out, "orlet.ico"), "wb") as fh:
        fh.write(ico_bytes(entries))

    with open(os.path.join(args.out, "orlet.svg"), "w", encoding="utf-8") as fh:
        fh.write(svg_text())

    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for size, factor in ((16, 16), (32, 8), (48, 6), (64, 4)):
            with open(os.path.join(args.preview, "preview-%d.png" % size), "wb") as fh:
                fh.write(png_bytes(enlarge(images[size], factor)))
        sheet = contact_sheet(images)
        with open(os.path.join(args.preview, "preview-sheet.png"), "wb") as fh:
            fh.write(png_bytes(enlarge(sheet, 2, checker=False)))
        ref16 = render(16, layers_for(16))
        with open(os.path.join(args.preview, "preview-16-rendered.png"), "wb") as fh:
            fh.write(png_bytes(enlarge(ref16, 16)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
