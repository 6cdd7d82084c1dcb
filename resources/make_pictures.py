#!/usr/bin/env python3
"""Draws the program's pictures (icon, lap timer, receiver, antenna, logo) as
PNG files in this folder. Plain Python, no imaging library: each picture is a
list of filled shapes rendered with 4 x 4 supersampling.

Run again after changing a shape:  python3 resources/make_pictures.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "pictures")
SS = 4  # samples per pixel edge


def rgba(hexcolour, alpha=255):
    v = int(hexcolour.lstrip("#"), 16)
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255, alpha)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0, 0, 0, 0)] * w for _ in range(h)]

    def fill(self, inside, colour, box=None):
        """Composites colour over every pixel, weighted by the share of its
        samples for which inside(x, y) holds (coordinates in pixels)."""
        x0, y0, x1, y1 = box if box else (0, 0, self.w, self.h)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1, y1 = min(self.w, int(math.ceil(x1))), min(self.h, int(math.ceil(y1)))
        r, g, b, a = colour
        for py in range(y0, y1):
            row = self.px[py]
            for px in range(x0, x1):
                hits = 0
                for sy in range(SS):
                    for sx in range(SS):
                        if inside(px + (sx + 0.5) / SS, py + (sy + 0.5) / SS):
                            hits += 1
                if not hits:
                    continue
                fa = a / 255.0 * hits / (SS * SS)
                br, bg, bb, ba = row[px]
                ba /= 255.0
                oa = fa + ba * (1 - fa)
                if oa <= 0:
                    continue
                mix = lambda f, d: (f * fa + d * ba * (1 - fa)) / oa
                row[px] = (round(mix(r, br)), round(mix(g, bg)), round(mix(b, bb)), round(oa * 255))

    # Shapes -----------------------------------------------------------------
    def rect(self, x, y, w, h, colour, radius=0.0):
        def inside(px, py):
            if not (x <= px <= x + w and y <= py <= y + h):
                return False
            cx = min(max(px, x + radius), x + w - radius)
            cy = min(max(py, y + radius), y + h - radius)
            return (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius + 1e-9
        self.fill(inside, colour, (x, y, x + w, y + h))

    def ellipse(self, cx, cy, rx, ry, colour):
        self.fill(lambda px, py: ((px - cx) / rx) ** 2 + ((py - cy) / ry) ** 2 <= 1.0, colour,
                  (cx - rx, cy - ry, cx + rx, cy + ry))

    def ring(self, cx, cy, r0, r1, colour, a0=0.0, a1=360.0):
        """Part of an annulus between angles a0 and a1 (degrees, 0 = right, counter-clockwise)."""
        def inside(px, py):
            d = math.hypot(px - cx, py - cy)
            if not (r0 <= d <= r1):
                return False
            ang = math.degrees(math.atan2(cy - py, px - cx)) % 360
            return (ang - a0) % 360 <= (a1 - a0) % 360 or a1 - a0 >= 360
        self.fill(inside, colour, (cx - r1, cy - r1, cx + r1, cy + r1))

    def polygon(self, points, colour):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]

        def inside(px, py):
            result = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
                    result = not result
                j = i
            return result
        self.fill(inside, colour, (min(xs), min(ys), max(xs), max(ys)))

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        n = math.hypot(dx, dy) or 1.0
        ox, oy = -dy / n * width / 2, dx / n * width / 2
        self.polygon([(x0 + ox, y0 + oy), (x1 + ox, y1 + oy), (x1 - ox, y1 - oy), (x0 - ox, y0 - oy)],
                     colour)

    # Output -----------------------------------------------------------------
    def save(self, name):
        raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in self.px)

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
        png = (b"\x89PNG\r\n\x1a\n"
               + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 9))
               + chunk(b"IEND", b""))
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(png)


NAVY = rgba("1F3A93")
WHITE = rgba("FFFFFF")
RED = rgba("D62828")
DARK = rgba("2B2D42")
GREY = rgba("8D99AE")
LCD = rgba("B8D8A8")
LCD_INK = rgba("1B2E1B")
ORANGE = rgba("F77F00")


def stopwatch_icon(size):
    c = Canvas(size, size)
    s = size / 32.0
    c.rect(13 * s, 1 * s, 6 * s, 4 * s, NAVY, 1 * s)            # crown
    c.line(24 * s, 5 * s, 27 * s, 8 * s, 3 * s, NAVY)           # side button
    c.ellipse(16 * s, 18 * s, 13 * s, 13 * s, NAVY)             # case
    c.ellipse(16 * s, 18 * s, 10.5 * s, 10.5 * s, WHITE)        # face
    for k in range(12):
        a = math.radians(k * 30)
        c.line(16 * s + math.sin(a) * 8.5 * s, 18 * s - math.cos(a) * 8.5 * s,
               16 * s + math.sin(a) * 10 * s, 18 * s - math.cos(a) * 10 * s, 1.0 * s, DARK)
    c.line(16 * s, 18 * s, 21.5 * s, 11.5 * s, 2 * s, RED)      # hand
    c.ellipse(16 * s, 18 * s, 1.8 * s, 1.8 * s, DARK)
    return c


def segment_digit(c, x, y, w, h, t, segments):
    """Seven-segment digit; segments is a string of the lit ones among 'abcdefg'."""
    half = h / 2
    spots = {
        "a": (x + t, y, w - 2 * t, t), "d": (x + t, y + h - t, w - 2 * t, t),
        "g": (x + t, y + half - t / 2, w - 2 * t, t),
        "f": (x, y + t, t, half - t), "b": (x + w - t, y + t, t, half - t),
        "e": (x, y + half, t, half - t), "c": (x + w - t, y + half, t, half - t),
    }
    for s in segments:
        c.rect(*spots[s], LCD_INK)


def lap_timer():
    c = Canvas(120, 81)
    c.line(96, 14, 108, 2, 3, DARK)                             # stub antenna
    c.ellipse(108, 2.5, 2.5, 2.5, DARK)
    c.rect(6, 12, 108, 64, DARK, 9)                             # body
    c.rect(9, 15, 102, 58, rgba("3D405B"), 7)
    c.rect(16, 22, 74, 32, LCD, 3)                              # display
    digits = ["bc", "abdeg", "abcdg", "abcdefg"]                 # 1'23"8
    for i, seg in enumerate(digits):
        segment_digit(c, 21 + i * 17 + (4 if i >= 1 else 0) + (4 if i >= 3 else 0), 27, 10, 20, 2.2, seg)
    c.rect(36, 28, 2, 5, LCD_INK)                               # minute mark
    c.rect(71, 28, 2, 5, LCD_INK)
    c.rect(74, 28, 2, 5, LCD_INK)                               # second marks
    c.ellipse(101, 31, 5, 5, RED)                               # buttons
    c.ellipse(101, 47, 5, 5, GREY)
    c.rect(16, 60, 74, 6, ORANGE, 3)                            # stripe
    return c


def waves(c, cx, cy, colour, radii, width, spread=50):
    for r in radii:
        c.ring(cx, cy, r, r + width, colour, 90 - spread, 90 + spread)


def receiver():
    c = Canvas(120, 81)
    c.line(60, 40, 60, 12, 3, DARK)                              # mast
    c.ellipse(60, 11, 3, 3, RED)
    waves(c, 60, 11, NAVY, (7, 13), 2.2, 45)
    c.ring(60, 11, 7, 9.2, NAVY, 225, 315)                       # lower halves too: waves both ways
    c.ring(60, 11, 13, 15.2, NAVY, 225, 315)
    c.rect(18, 40, 84, 36, DARK, 6)                              # receiver box
    c.rect(21, 43, 78, 30, rgba("3D405B"), 4)
    for i in range(5):                                           # signal bars
        hgt = 4 + i * 4
        c.rect(30 + i * 8, 66 - hgt, 5, hgt, rgba("57CC99"))
    c.ellipse(84, 52, 4, 4, ORANGE)                              # lamp
    c.rect(76, 62, 16, 4, GREY, 2)
    return c


def antenna():
    c = Canvas(16, 16)
    c.polygon([(8, 5), (11.5, 15.5), (4.5, 15.5)], DARK)         # tower
    c.ellipse(8, 4.5, 1.8, 1.8, RED)
    c.ring(8, 4.5, 3.2, 4.4, NAVY, 20, 160)
    c.ring(8, 4.5, 3.2, 4.4, NAVY, 200, 340)
    return c


def logo():
    c = Canvas(120, 36)
    # chequered flag on a slanted pole
    c.line(8, 34, 14, 2, 2, DARK)
    for r in range(4):
        for k in range(5):
            if (r + k) % 2 == 0:
                x, y = 13.6 + k * 5, 3 + r * 5
                c.polygon([(x, y), (x + 5, y + 1), (x + 5 - 0.9, y + 6), (x - 0.9, y + 5)], DARK)
    # three speed stripes
    for i, col in enumerate((NAVY, RED, ORANGE)):
        y = 9 + i * 7
        c.polygon([(46 + i * 4, y), (114, y), (110, y + 4), (42 + i * 4, y + 4)], col)
    return c


def main():
    os.makedirs(OUT, exist_ok=True)
    stopwatch_icon(32).save("icon32.png")
    stopwatch_icon(256).save("icon256.png")
    lap_timer().save("laptimer.png")
    receiver().save("receiver.png")
    antenna().save("antenna.png")
    logo().save("logo.png")


if __name__ == "__main__":
    main()
