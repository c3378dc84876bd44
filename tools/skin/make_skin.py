#!/usr/bin/python3
"""Draws the eleven skin bitmaps and writes them as 24-bit BMP files.

Usage: make_skin.py [output folder]   (default: skin/bitmaps beside this repository's tools)

Each tool button is a strip of four 36 x 36 states (normal, hover, pressed, disabled) drawn for
the dark (50, 50, 50) window body; the five close images are 20 x 20. Shapes are drawn at four
times the size and averaged, so edges are smooth. The same images drawn at twice the size go
into the subfolder "2x", for screens above 96 DPI. The output is byte-for-byte reproducible.
"""
import math
import os
import struct
import sys

SCALE = 4
BODY = (50, 50, 50)


class Canvas:
    """An RGB picture drawn by coverage: each shape paints the subsamples it covers. Sizes and
    shapes are in design pixels; the picture has zoom output pixels for each."""

    def __init__(self, width, height, colour, zoom=1):
        self.width = width * zoom
        self.height = height * zoom
        self.zoom = zoom
        self.sw = self.width * SCALE
        self.sh = self.height * SCALE
        self.pixels = [list(colour) for _ in range(self.sw * self.sh)]

    def fill(self, inside, colour):
        # inside(x, y) gets the subsample centre in design pixel units.
        step = SCALE * self.zoom
        for sy in range(self.sh):
            y = (sy + 0.5) / step
            row = sy * self.sw
            for sx in range(self.sw):
                if inside((sx + 0.5) / step, y):
                    self.pixels[row + sx] = list(colour)

    def resolve(self):
        out = []
        n = SCALE * SCALE
        for y in range(self.height):
            line = []
            for x in range(self.width):
                r = g = b = 0
                for dy in range(SCALE):
                    base = (y * SCALE + dy) * self.sw + x * SCALE
                    for dx in range(SCALE):
                        p = self.pixels[base + dx]
                        r += p[0]
                        g += p[1]
                        b += p[2]
                line.append(((r + n // 2) // n, (g + n // 2) // n, (b + n // 2) // n))
            out.append(line)
        return out


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def round_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def ring(cx, cy, outer, inner):
    return lambda x, y: inner * inner < (x - cx) ** 2 + (y - cy) ** 2 <= outer * outer


def segment(x0, y0, x1, y1, half_width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx - x, y0 + t * dy - y
        return px * px + py * py <= half_width * half_width
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def shifted(shape, dx, dy):
    return lambda x, y: shape(x - dx, y - dy)


# Symbols, drawn on a 36 x 36 cell; each is a list of (shape, colour role).
def region_symbol():
    corners = []
    for (x, y, sx, sy) in ((8, 8, 1, 1), (28, 8, -1, 1), (8, 28, 1, -1), (28, 28, -1, -1)):
        corners.append(rect(min(x, x + sx * 8), min(y, y + sy * 2.5), max(x, x + sx * 8), max(y, y + sy * 2.5)))
        corners.append(rect(min(x, x + sx * 2.5), min(y, y + sy * 8), max(x, x + sx * 2.5), max(y, y + sy * 8)))
    cross = union(rect(17, 13, 19, 23), rect(13, 17, 23, 19))
    return [(union(*corners), "accent"), (cross, "ink")]


def record_symbol():
    return [(circle(18, 18, 9.5), "accent"), (ring(18, 18, 11.5, 10.5), "ink")]


def stop_symbol():
    return [(round_rect(10, 10, 26, 26, 2.5), "ink")]


def gear_symbol():
    teeth = [segment(18 + 8 * math.cos(a), 18 + 8 * math.sin(a), 18 + 12 * math.cos(a), 18 + 12 * math.sin(a), 2.2)
             for a in (i * math.pi / 4 for i in range(8))]
    body = union(circle(18, 18, 9), *teeth)
    return [(minus(body, circle(18, 18, 4)), "ink")]


def info_symbol():
    disc = circle(18, 18, 12)
    mark = union(circle(18, 11.5, 1.9), round_rect(16.2, 15, 19.8, 25.5, 1))
    return [(minus(disc, mark), "accent")]


def folder_symbol():
    tab = round_rect(7, 9, 17, 15, 1.5)
    back = round_rect(7, 12, 29, 27, 1.5)
    front = lambda x, y: 15 <= y < 27 and 7 + (27 - y) * 0.25 <= x < 29 + (27 - y) * 0.2 and x < 31
    return [(union(tab, back), "accent_dark"), (front, "accent")]


BUTTONS = {
    "SelRegion.bmp": (region_symbol, (60, 210, 90)),
    "Rec.bmp": (record_symbol, (230, 55, 55)),
    "StopRec.bmp": (stop_symbol, (230, 230, 230)),
    "Set.bmp": (gear_symbol, (150, 180, 230)),
    "Info.bmp": (info_symbol, (90, 150, 235)),
    "open.bmp": (folder_symbol, (235, 185, 70)),
}

# Per state: face colour, frame colour (or None), ink colour, whether the accent is dimmed, offset.
STATES = [
    ("normal", BODY, (75, 75, 75), (225, 225, 225), False, 0),
    ("hover", (72, 72, 82), (130, 120, 170), (255, 255, 255), False, 0),
    ("pressed", (32, 32, 36), (100, 90, 140), (200, 200, 200), False, 1),
    ("disabled", BODY, None, (100, 100, 100), True, 0),
]


def dim(colour):
    grey = (colour[0] * 30 + colour[1] * 59 + colour[2] * 11) // 100
    return tuple((grey + 2 * BODY[i]) // 3 + 10 for i in range(3))


def darker(colour):
    return tuple(c * 3 // 4 for c in colour)


def draw_button(symbol, accent, zoom):
    cells = []
    for _, face, frame, ink, disabled, offset in STATES:
        canvas = Canvas(36, 36, BODY, zoom)
        if frame is not None:
            canvas.fill(round_rect(1, 1, 35, 35, 5), frame)
        canvas.fill(round_rect(2, 2, 34, 34, 4), face)
        colours = {
            "ink": ink,
            "accent": dim(accent) if disabled else accent,
            "accent_dark": dim(darker(accent)) if disabled else darker(accent),
        }
        for shape, role in symbol():
            canvas.fill(shifted(shape, offset, offset), colours[role])
        cells.append(canvas.resolve())
    return [sum((cell[y] for cell in cells), []) for y in range(36 * zoom)]


# Close images: the caption colour behind them, so the caption copy and the box blend.
CLOSE = {
    "Close1.bmp": ((70, 60, 100), None, (225, 225, 235)),
    "Close2.bmp": ((70, 60, 100), (200, 55, 55), (255, 255, 255)),
    "Close3.bmp": ((70, 60, 100), (140, 35, 35), (230, 230, 230)),
    "Close4.bmp": ((80, 80, 80), None, (150, 150, 150)),
    "Close5.bmp": ((80, 80, 80), (115, 115, 115), (235, 235, 235)),
}


def draw_close(background, plate, ink, zoom):
    canvas = Canvas(20, 20, background, zoom)
    if plate is not None:
        canvas.fill(round_rect(1, 1, 19, 19, 3), plate)
    cross = union(segment(6, 6, 14, 14, 1.1), segment(14, 6, 6, 14, 1.1))
    canvas.fill(cross, ink)
    return canvas.resolve()


def bmp_bytes(rows):
    """24-bit bottom-up BMP with a BITMAPINFOHEADER, rows padded to four bytes."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    image = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        image += line
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(image), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    return file_header + info_header + bytes(image)


def all_images(zoom):
    images = {}
    for name, (background, plate, ink) in CLOSE.items():
        images[name] = draw_close(background, plate, ink, zoom)
    for name, (symbol, accent) in BUTTONS.items():
        images[name] = draw_button(symbol, accent, zoom)
    return images


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "skin", "bitmaps")
    for folder, zoom in ((out, 1), (os.path.join(out, "2x"), 2)):
        os.makedirs(folder, exist_ok=True)
        for name, rows in all_images(zoom).items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(bmp_bytes(rows))


if __name__ == "__main__":
    main()
