#!/usr/bin/env python3
"""Draws Plotvane's images into resources/XPM/.

Button images are written as XPM text, the icon as a Windows .ico (32-bit
BMP entries), both with the standard library only. The JPEG backgrounds and
the logo are drawn as PNG here and converted with ImageMagick's `convert`.

Every shape is drawn on a 4x supersampled canvas and reduced: a pixel is
opaque when at least half of it is covered and then takes the mean colour
of the covered part, which gives smooth colour edges with the hard alpha
that XPM allows.

Usage: tools/make-icons.py [OUTPUT_DIR]   (default: resources/XPM)
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

S = 4  # supersampling factor

INK = (47, 62, 78)        # outlines
BLUE = (45, 125, 210)
LIGHTBLUE = (170, 205, 240)
GREEN = (59, 165, 92)
RED = (214, 69, 69)
ORANGE = (240, 160, 48)
PAPER = (255, 255, 255)
GREY = (150, 158, 168)
LIGHTGREY = (215, 219, 224)
SELECT = (255, 214, 102)  # background of a selected tool


class Canvas:
    def __init__(self, size):
        self.w = self.h = size
        self.W = self.H = size * S
        self.px = [None] * (self.W * self.H)

    # -- primitives, in output pixel coordinates (floats allowed) --------
    def _set(self, x, y, colour):
        if 0 <= x < self.W and 0 <= y < self.H:
            self.px[y * self.W + x] = colour

    def fill(self, inside, colour, box=None):
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        for Y in range(max(0, int(y0 * S) - 1), min(self.H, int(math.ceil(y1 * S)) + 1)):
            for X in range(max(0, int(x0 * S) - 1), min(self.W, int(math.ceil(x1 * S)) + 1)):
                if inside((X + 0.5) / S, (Y + 0.5) / S):
                    self.px[Y * self.W + X] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour, (x0, y0, x1, y1))

    def frame(self, x0, y0, x1, y1, t, colour):
        self.rect(x0, y0, x1, y0 + t, colour)
        self.rect(x0, y1 - t, x1, y1, colour)
        self.rect(x0, y0, x0 + t, y1, colour)
        self.rect(x1 - t, y0, x1, y1, colour)

    def circle(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour,
                  (cx - r, cy - r, cx + r, cy + r))

    def ring(self, cx, cy, r, t, colour, a0=0.0, a1=360.0):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if not (r - t / 2 <= d <= r + t / 2):
                return False
            a = math.degrees(math.atan2(y - cy, x - cx)) % 360
            return (a0 <= a <= a1) if a0 <= a1 else (a >= a0 or a <= a1)
        self.fill(inside, colour, (cx - r - t, cy - r - t, cx + r + t, cy + r + t))

    def line(self, xa, ya, xb, yb, t, colour):
        dx, dy = xb - xa, yb - ya
        L2 = dx * dx + dy * dy or 1e-9

        def inside(x, y):
            u = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / L2))
            return math.hypot(x - xa - u * dx, y - ya - u * dy) <= t / 2
        self.fill(inside, colour, (min(xa, xb) - t, min(ya, yb) - t,
                                   max(xa, xb) + t, max(ya, yb) + t))

    def dashed(self, xa, ya, xb, yb, t, colour, dash=3.0, gap=2.0):
        length = math.hypot(xb - xa, yb - ya)
        pos = 0.0
        while pos < length:
            end = min(length, pos + dash)
            f0, f1 = pos / length, end / length
            self.line(xa + (xb - xa) * f0, ya + (yb - ya) * f0,
                      xa + (xb - xa) * f1, ya + (yb - ya) * f1, t, colour)
            pos = end + gap

    def polygon(self, pts, colour):
        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]

        def inside(x, y):
            c = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c
        self.fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def polyline(self, pts, t, colour, closed=False):
        seq = list(pts) + ([pts[0]] if closed else [])
        for a, b in zip(seq, seq[1:]):
            self.line(a[0], a[1], b[0], b[1], t, colour)

    def digit(self, ch, x, y, cell, colour):
        """A 3x5 bitmap digit with cells of `cell` pixels at (x, y)."""
        rows = DIGITS[ch]
        for r, bits in enumerate(rows):
            for c, bit in enumerate(bits):
                if bit == "#":
                    self.rect(x + c * cell, y + r * cell, x + (c + 1) * cell,
                              y + (r + 1) * cell, colour)

    # -- reduction -------------------------------------------------------
    def pixels(self):
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                cov = []
                for sy in range(S):
                    base = (y * S + sy) * self.W + x * S
                    cov.extend(p for p in self.px[base:base + S] if p is not None)
                if len(cov) * 2 < S * S:
                    row.append(None)
                else:
                    n = len(cov)
                    row.append(tuple(round(sum(c[i] for c in cov) / n) for i in range(3)))
            out.append(row)
        return out


DIGITS = {
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
}


# -- file writers -----------------------------------------------------------

def write_xpm(path, pixels):
    name = os.path.splitext(os.path.basename(path))[0].replace("-", "_")
    colours = {}
    for row in pixels:
        for p in row:
            if p not in colours:
                colours[p] = None
    chars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789#$%&*+-/:;<=>?@[]^_{|}~"
    cpp = 1 if len(colours) <= len(chars) - 1 else 2
    codes = {}
    idx = 0
    for colour in colours:
        if colour is None:
            codes[colour] = " " * cpp
            continue
        if cpp == 1:
            code = chars[idx]
        else:
            code = chars[idx // len(chars)] + chars[idx % len(chars)]
        idx += 1
        codes[colour] = code
    h = len(pixels)
    w = len(pixels[0])
    lines = ["/* XPM */", "static const char *%s_xpm[] = {" % name,
             '"%d %d %d %d",' % (w, h, len(colours), cpp)]
    for colour, code in codes.items():
        colour_text = "None" if colour is None else "#%02X%02X%02X" % colour
        lines.append('"%s c %s",' % (code, colour_text))
    for i, row in enumerate(pixels):
        text = "".join(codes[p] for p in row)
        lines.append('"%s"%s' % (text, "," if i + 1 < h else ""))
    lines.append("};")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def png_bytes(pixels):
    h = len(pixels)
    w = len(pixels[0])
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for p in row:
            raw.extend((0, 0, 0, 0) if p is None else (p[0], p[1], p[2], 255))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def write_ico(path, images):
    """A .ico with one 32-bit BMP entry per image (largest first)."""
    entries = []
    for pixels in images:
        h = len(pixels)
        w = len(pixels[0])
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = bytearray()
        for row in reversed(pixels):
            for p in row:
                xor.extend((0, 0, 0, 0) if p is None else (p[2], p[1], p[0], 255))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(pixels):
            bits = bytearray(mask_stride)
            for x, p in enumerate(row):
                if p is None:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask.extend(bits)
        entries.append((w, h, header + bytes(xor) + bytes(mask)))
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for w, h, data in entries:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, _, data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def write_jpeg(path, pixels, tmpdir):
    png = os.path.join(tmpdir, os.path.basename(path) + ".png")
    with open(png, "wb") as f:
        f.write(png_bytes(pixels))
    subprocess.run(["convert", png, "-background", "white", "-flatten", "-quality", "92",
                    "-strip", path], check=True)


# -- the images -------------------------------------------------------------

def sheet(c, x0, y0, x1, y1, fill=PAPER, ink=INK, t=1.5):
    c.rect(x0, y0, x1, y1, fill)
    c.frame(x0, y0, x1, y1, t, ink)


def greyed(pixels):
    out = []
    for row in pixels:
        new = []
        for p in row:
            if p is None:
                new.append(None)
            else:
                g = round(0.3 * p[0] + 0.59 * p[1] + 0.11 * p[2])
                g = round(150 + (g - 128) * 0.35)
                new.append((g, g, g))
        out.append(new)
    return out


def selected(pixels):
    """A tool image on the rounded highlight of the selected tool."""
    n = len(pixels)
    c = Canvas(n)
    c.fill(lambda x, y: rounded(x, y, 0.5, 0.5, n - 0.5, n - 0.5, 4), SELECT)
    c.fill(lambda x, y: rounded(x, y, 0.5, 0.5, n - 0.5, n - 0.5, 4) and
           not rounded(x, y, 1.5, 1.5, n - 1.5, n - 1.5, 3), (214, 160, 40))
    base = c.pixels()
    return [[p if p is not None else b for p, b in zip(r1, r2)] for r1, r2 in zip(pixels, base)]


def rounded(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def arrow_head(c, x, y, angle_deg, size, colour):
    a = math.radians(angle_deg)
    tip = (x + math.cos(a) * size, y + math.sin(a) * size)
    left = (x + math.cos(a + 2.4) * size, y + math.sin(a + 2.4) * size)
    right = (x + math.cos(a - 2.4) * size, y + math.sin(a - 2.4) * size)
    c.polygon([tip, left, right], colour)


# Left buttons, 24 x 24

def icon_path():
    c = Canvas(24)
    c.polygon([(2, 6), (9, 6), (11, 8), (22, 8), (22, 20), (2, 20)], (222, 140, 30))
    c.polygon([(2, 10), (22, 10), (22, 20), (2, 20)], ORANGE)
    c.polyline([(2, 6), (9, 6), (11, 8), (22, 8), (22, 20), (2, 20)], 1.3, INK, closed=True)
    return c


def icon_refresh():
    c = Canvas(24)
    c.ring(12, 12, 7.5, 3, BLUE, 300, 200)
    arrow_head(c, 19.5, 8.5, 100, 5, BLUE)
    return c


def icon_vertical_arrow(up):
    c = Canvas(24)
    if up:
        c.polygon([(12, 3), (21, 13), (15, 13), (15, 21), (9, 21), (9, 13), (3, 13)], BLUE)
        c.polyline([(12, 3), (21, 13), (15, 13), (15, 21), (9, 21), (9, 13), (3, 13)], 1.2,
                   INK, closed=True)
    else:
        c.polygon([(12, 21), (21, 11), (15, 11), (15, 3), (9, 3), (9, 11), (3, 11)], BLUE)
        c.polyline([(12, 21), (21, 11), (15, 11), (15, 3), (9, 3), (9, 11), (3, 11)], 1.2,
                   INK, closed=True)
    return c


def icon_rotate():
    c = Canvas(24)
    sheet(c, 3, 9, 15, 21)
    c.ring(12, 12, 8, 2.2, BLUE, 250, 0)
    arrow_head(c, 20, 12.5, 90, 4.5, BLUE)
    return c


def icon_mirror():
    c = Canvas(24)
    c.polygon([(10, 4), (10, 20), (2, 20)], BLUE)
    c.polygon([(14, 4), (14, 20), (22, 20)], LIGHTBLUE)
    c.polyline([(14, 4), (14, 20), (22, 20)], 1.2, BLUE, closed=True)
    c.dashed(12, 1, 12, 23, 1.2, INK, 2.5, 1.5)
    return c


def icon_copies():
    c = Canvas(24)
    sheet(c, 8, 2, 21, 17, LIGHTBLUE)
    sheet(c, 3, 7, 16, 22)
    for y in (11, 14, 17):
        c.line(6, y, 13, y, 1.2, GREY)
    return c


def icon_blocks():
    c = Canvas(24)
    c.rect(2, 8, 22, 16, PAPER)
    for x in (2, 7, 12, 17):
        c.rect(x, 8, x + 5, 16, LIGHTBLUE if x in (7, 12) else PAPER)
        c.frame(x, 8, x + 5.2, 16, 1.2, INK)
    c.polygon([(7, 2), (7, 7), (11, 4.5)], GREEN)
    c.line(7, 2, 7, 22, 1.4, GREEN)
    c.polygon([(17, 2), (17, 7), (13, 4.5)], RED)
    c.line(17, 2, 17, 22, 1.4, RED)
    return c


def icon_sheet_sign(plus, colour, stacked=False):
    c = Canvas(24)
    if stacked:
        sheet(c, 7, 1, 19, 15, LIGHTBLUE)
        sheet(c, 4, 4, 16, 18, LIGHTGREY)
    sheet(c, 2, 7 if stacked else 3, 14, 21 if stacked else 19)
    c.circle(16.5, 16.5, 6.5, colour)
    c.line(13, 16.5, 20, 16.5, 2.4, PAPER)
    if plus:
        c.line(16.5, 13, 16.5, 20, 2.4, PAPER)
    return c


def icon_remove_all():
    c = Canvas(24)
    sheet(c, 7, 1, 19, 15, LIGHTBLUE)
    sheet(c, 4, 4, 16, 18, LIGHTGREY)
    sheet(c, 2, 7, 14, 21)
    c.circle(16.5, 16.5, 6.5, RED)
    c.line(14, 14, 19, 19, 2.2, PAPER)
    c.line(19, 14, 14, 19, 2.2, PAPER)
    return c


# Window buttons, 16 x 16

def icon_menu():
    c = Canvas(16)
    for y in (4, 8, 12):
        c.line(3, y, 13, y, 2, INK)
    return c


def icon_min():
    c = Canvas(16)
    c.line(3, 12, 13, 12, 2, INK)
    return c


def icon_max():
    c = Canvas(16)
    c.frame(2.5, 2.5, 13.5, 13.5, 1.5, INK)
    c.rect(2.5, 2.5, 13.5, 5, INK)
    return c


def icon_restore():
    c = Canvas(16)
    c.frame(5.5, 1.5, 14.5, 10.5, 1.3, INK)
    c.rect(2, 5.5, 11, 14.5, PAPER)
    c.frame(1.5, 5.5, 10.5, 14.5, 1.5, INK)
    c.rect(1.5, 5.5, 10.5, 7.5, INK)
    return c


def icon_close():
    c = Canvas(16)
    c.line(3.5, 3.5, 12.5, 12.5, 2.2, RED)
    c.line(12.5, 3.5, 3.5, 12.5, 2.2, RED)
    return c


# Tool row, 32 x 32

def icon_setup():
    c = Canvas(32)
    for i in range(8):
        a = math.radians(i * 45)
        c.line(16 + math.cos(a) * 8, 16 + math.sin(a) * 8, 16 + math.cos(a) * 13,
               16 + math.sin(a) * 13, 4.5, INK)
    c.circle(16, 16, 10, GREY)
    c.ring(16, 16, 10, 1.5, INK)
    c.circle(16, 16, 4, PAPER)
    c.ring(16, 16, 4, 1.5, INK)
    return c


def icon_language():
    c = Canvas(32)
    c.circle(16, 16, 12, LIGHTBLUE)
    c.ring(16, 16, 12, 2, BLUE)
    c.line(4, 16, 28, 16, 1.5, BLUE)
    c.line(16, 4, 16, 28, 1.5, BLUE)
    c.fill(lambda x, y: abs(((x - 16) / 6) ** 2 + ((y - 16) / 12) ** 2 - 1) < 0.12, BLUE)
    c.line(6, 10, 26, 10, 1.2, BLUE)
    c.line(6, 22, 26, 22, 1.2, BLUE)
    return c


def icon_print():
    c = Canvas(32)
    sheet(c, 9, 3, 23, 14)
    c.polyline([(11, 7), (15, 11), (19, 6), (21, 9)], 1.3, BLUE)
    c.rect(3, 13, 29, 24, (96, 112, 130))
    c.frame(3, 13, 29, 24, 1.5, INK)
    c.rect(6, 16, 26, 18, INK)
    sheet(c, 9, 20, 23, 29)
    c.circle(25, 21, 1.3, GREEN)
    return c


def icon_save():
    c = Canvas(32)
    c.polygon([(4, 4), (24, 4), (28, 8), (28, 28), (4, 28)], BLUE)
    c.polyline([(4, 4), (24, 4), (28, 8), (28, 28), (4, 28)], 1.5, INK, closed=True)
    c.rect(9, 4, 23, 12, PAPER)
    c.rect(18, 6, 21, 11, INK)
    c.rect(8, 17, 24, 28, PAPER)
    for y in (20, 23):
        c.line(10, y, 22, y, 1.2, GREY)
    return c


def icon_zoom():
    c = Canvas(32)
    c.circle(13, 13, 8.5, LIGHTBLUE)
    c.ring(13, 13, 8.5, 2.5, INK)
    c.line(19.5, 19.5, 28, 28, 4.5, INK)
    c.line(9, 13, 17, 13, 2, BLUE)
    c.line(13, 9, 13, 17, 2, BLUE)
    return c


def icon_pen(number, colour, dashed=False):
    c = Canvas(32)
    # the stroke it makes
    if dashed:
        c.dashed(3, 28, 18, 28, 2, colour, 3, 2)
    else:
        c.line(3, 28, 18, 28, 2, colour)
    # a pen or knife body along the diagonal
    body = [(7, 25), (21, 5), (27, 9), (13, 29)]
    c.polygon([(5, 29), (7, 25), (13, 29)], INK)
    c.polygon([(7, 25), (21, 5), (27, 9), (13, 29)], colour)
    c.polyline(body, 1.3, INK, closed=True)
    c.digit(number, 22, 17, 2, INK)
    return c


def icon_halfcut():
    c = Canvas(32)
    sheet(c, 3, 5, 23, 27)
    c.dashed(6, 23, 20, 9, 2.2, ORANGE, 3.2, 2.2)
    for i in range(6):
        a = math.radians(i * 60)
        c.line(24 + math.cos(a) * 3, 22 + math.sin(a) * 3, 24 + math.cos(a) * 6.5,
               22 + math.sin(a) * 6.5, 3, INK)
    c.circle(24, 22, 4.5, GREY)
    c.ring(24, 22, 4.5, 1.2, INK)
    c.circle(24, 22, 1.6, PAPER)
    return c


def icon_emulate():
    c = Canvas(32)
    sheet(c, 3, 3, 25, 25)
    c.polyline([(6, 20), (11, 9), (16, 17), (21, 7)], 1.5, BLUE)
    c.circle(22, 22, 8, GREEN)
    c.polygon([(19.5, 17.5), (19.5, 26.5), (27, 22)], PAPER)
    return c


def icon_reset():
    c = Canvas(32)
    c.ring(16, 16, 10, 3, RED, 140, 60)
    arrow_head(c, 8, 10, 250, 6, RED)
    c.line(12, 20, 20, 12, 2.2, INK)
    c.polygon([(10, 22), (12, 20), (12.5, 21.5)], INK)
    return c


def icon_outline():
    c = Canvas(32)
    piece = [(6, 4), (20, 3), (27, 10), (25, 27), (14, 29), (9, 22), (4, 14)]
    c.polygon(piece, LIGHTBLUE)
    for a, b in zip(piece, piece[1:] + piece[:1]):
        c.line(a[0], a[1], b[0], b[1], 2.2, BLUE)
    for p in piece:
        c.rect(p[0] - 1.5, p[1] - 1.5, p[0] + 1.5, p[1] + 1.5, INK)
    return c


def icon_about():
    c = Canvas(32)
    c.circle(16, 16, 13, BLUE)
    c.ring(16, 16, 13, 1.5, INK)
    c.circle(16, 9.5, 2.2, PAPER)
    c.rect(14, 13, 18, 24, PAPER)
    c.rect(12, 22.5, 20, 24.5, PAPER)
    return c


def icon_plotter(size):
    """The program's icon: a plotter head drawing a pattern piece."""
    c = Canvas(size)
    k = size / 32.0
    c.fill(lambda x, y: rounded(x, y, 1 * k, 1 * k, 31 * k, 31 * k, 6 * k), BLUE)
    c.polyline([(6 * k, 25 * k), (12 * k, 10 * k), (20 * k, 14 * k), (26 * k, 7 * k)],
               2.4 * k, PAPER)
    c.line(3 * k, 5 * k, 29 * k, 5 * k, 2 * k, LIGHTBLUE)
    c.polygon([(22 * k, 3 * k), (30 * k, 3 * k), (26 * k, 9.5 * k)], ORANGE)
    return c


# Backgrounds and logo (JPEG)

def tile_left():
    n = 48
    rows = []
    for y in range(n):
        row = []
        for x in range(n):
            v = 236 + (3 if (x + y) % 8 == 0 else 0) - (2 if (x - y) % 16 == 0 else 0)
            row.append((v - 10, v - 3, v + 3 if v + 3 <= 255 else 255))
        rows.append(row)
    return rows


def tile_top():
    h = 96
    rows = []
    for y in range(h):
        f = y / (h - 1)
        colour = (round(255 - 18 * f), round(255 - 14 * f), round(238 - 40 * f))
        rows.append([colour] * 16)
    return rows


def logo(w=210, h=59):
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            f = x / (w - 1)
            row.append((round(28 + 20 * f), round(72 + 60 * f), round(128 + 60 * f)))
        rows.append(row)
    icon = icon_plotter(40).pixels()
    for y in range(40):
        for x in range(40):
            if icon[y][x] is not None:
                rows[9 + y][10 + x] = icon[y][x]
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "XPM")
    os.makedirs(out, exist_ok=True)

    xpms = {
        "Path": icon_path(), "Refresh": icon_refresh(),
        "Prev": icon_vertical_arrow(True), "Next": icon_vertical_arrow(False),
        "Rotate": icon_rotate(), "Mirror": icon_mirror(), "Copys": icon_copies(),
        "Start": icon_blocks(), "Remove": icon_sheet_sign(False, RED),
        "Load": icon_sheet_sign(True, GREEN), "RemoveAll": icon_remove_all(),
        "LoadAll": icon_sheet_sign(True, GREEN, stacked=True),
        "Menu": icon_menu(), "min": icon_min(), "max": icon_max(),
        "restore": icon_restore(), "close": icon_close(),
        "Setup": icon_setup(), "Language": icon_language(), "Print": icon_print(),
        "Save": icon_save(), "Zoom": icon_zoom(),
        "SP1": icon_pen("1", BLUE), "SP2": icon_pen("2", RED),
        "SP3": icon_pen("3", ORANGE, dashed=True), "HalfCut": icon_halfcut(),
        "Emulate": icon_emulate(), "Reset": icon_reset(), "Outline": icon_outline(),
        "About": icon_about(),
    }
    pixels = {name: canvas.pixels() for name, canvas in xpms.items()}
    for name in ("Print", "Save", "Emulate", "Outline"):
        pixels[name + "_Disabled"] = greyed(pixels[name])
    for name in ("Zoom", "SP1", "SP2", "SP3"):
        pixels[name + "_Selected"] = selected(pixels[name])
    for name, px in sorted(pixels.items()):
        write_xpm(os.path.join(out, name + ".xpm"), px)

    write_ico(os.path.join(out, "Plotter.ico"),
              [icon_plotter(32).pixels(), icon_plotter(16).pixels()])
    with tempfile.TemporaryDirectory() as tmp:
        write_jpeg(os.path.join(out, "left_bg.jpg"), tile_left(), tmp)
        write_jpeg(os.path.join(out, "right_top_bg.jpg"), tile_top(), tmp)
        write_jpeg(os.path.join(out, "Icon.jpg"), logo(), tmp)
        # The product name on the logo, in the desktop's sans face.
        subprocess.run(["convert", os.path.join(out, "Icon.jpg"), "-fill", "white",
                        "-font", "DejaVu-Sans-Bold", "-pointsize", "22", "-annotate",
                        "+60+34", "Plotvane", "-fill", "#D8E8F8", "-font", "DejaVu-Sans",
                        "-pointsize", "10", "-annotate", "+61+48", "plot spooler",
                        "-quality", "92", "-strip", os.path.join(out, "Icon.jpg")],
                       check=True)
    print("wrote %d images to %s" % (len(pixels) + 4, os.path.normpath(out)))


if __name__ == "__main__":
    main()
