#!/usr/bin/env python3
"""Writes the demo plot folder's files (resources/demo/*.plt): a few simple
garment pieces in HP-GL at 40 units per millimetre, outlines with pen 2 and
grain lines and notches with pen 1, so a first start has something to list,
preview and plot. Deterministic; run it again to regenerate."""
import math
import os

UNITS_PER_MM = 40


def mm(v):
    return int(round(v * UNITS_PER_MM))


def polyline(pen, pts):
    first = pts[0]
    rest = ",".join(f"{mm(x)},{mm(y)}" for x, y in pts[1:])
    return f"SP{pen};PU{mm(first[0])},{mm(first[1])};PD{rest};"


def curve(p0, p1, p2, steps=12):
    """Quadratic Bezier from p0 to p2 pulled towards p1 (without p0)."""
    out = []
    for i in range(1, steps + 1):
        t = i / steps
        x = (1 - t) ** 2 * p0[0] + 2 * (1 - t) * t * p1[0] + t * t * p2[0]
        y = (1 - t) ** 2 * p0[1] + 2 * (1 - t) * t * p1[1] + t * t * p2[1]
        out.append((x, y))
    return out


def tee_front(ox, oy):
    pts = [(ox, oy), (ox + 500, oy)]
    pts += [(ox + 500, oy + 200), (ox + 420, oy + 240), (ox + 470, oy + 330)]
    pts += curve((ox + 470, oy + 330), (ox + 430, oy + 350), (ox + 380, oy + 330))
    pts += curve((ox + 380, oy + 330), (ox + 250, oy + 420), (ox + 120, oy + 330))
    pts += [(ox + 30, oy + 330), (ox + 80, oy + 240), (ox, oy + 200), (ox, oy)]
    grain = [(ox + 250, oy + 50), (ox + 250, oy + 280)]
    return [polyline(2, pts), polyline(1, grain)]


def trouser_leg(ox, oy):
    pts = [(ox, oy), (ox + 1050, oy + 20), (ox + 1050, oy + 230)]
    pts += curve((ox + 1050, oy + 230), (ox + 980, oy + 300), (ox + 900, oy + 300))
    pts += [(ox + 300, oy + 260), (ox, oy + 220), (ox, oy)]
    notch = [(ox + 600, oy + 12), (ox + 600, oy + 30)]
    return [polyline(2, pts), polyline(1, notch)]


def circle_piece(cx, cy, r, n=72):
    pts = [(cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n))
           for i in range(n + 1)]
    return [polyline(2, pts)]


def write(path, commands):
    text = "IN;" + "".join(commands) + "PU;SP0;\n"
    with open(path, "w", newline="\n") as f:
        f.write(text)


def main():
    out = os.path.join(os.path.dirname(__file__), "..", "resources", "demo")
    os.makedirs(out, exist_ok=True)
    write(os.path.join(out, "tee_front.plt"), tee_front(10, 10))
    write(os.path.join(out, "trouser_leg.plt"), trouser_leg(10, 10) + trouser_leg(10, 400))
    write(os.path.join(out, "marker_small.plt"),
          tee_front(10, 10) + tee_front(560, 10) + trouser_leg(10, 500)
          + circle_piece(1300, 200, 150) + circle_piece(1300, 600, 120))


if __name__ == "__main__":
    main()
