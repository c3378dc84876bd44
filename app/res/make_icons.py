#!/usr/bin/python3
"""Writes the program icon (ravlin.ico) and the selection cursor (select.cur).

Both files are written byte by byte (no imaging library), so the committed outputs can be
checked by running this script again: python3 make_icons.py && git diff --exit-code.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def dib(size, pixel):
    """A 32-bit BGRA icon image with its AND mask, as stored inside .ico and .cur files.

    pixel(x, y) gives (r, g, b, a) with y counted from the top.
    """
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    mask_rows = []
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):  # bottom-up rows
        row = bytearray()
        mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = pixel(x, y)
            row += bytes((b, g, r, a))
            if a == 0:
                mask[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
        mask_rows.append(bytes(mask))
    return header + b''.join(rows) + b''.join(mask_rows)


def container(kind, images):
    """kind 1: icon, 2: cursor. images: (size, field1, field2, data); the two fields are
    planes and bit count for an icon, the hot spot for a cursor."""
    out = struct.pack('<HHH', 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for size, f1, f2, data in images:
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, f1, f2, len(data), offset)
        offset += len(data)
    for _, _, _, data in images:
        out += data
    return out


def icon_pixel(size):
    """A dark tile with green corner marks around a red record dot."""
    s = size / 32.0

    def pixel(x, y):
        cx = x + 0.5
        cy = y + 0.5
        # Rounded dark tile.
        inset = 1 * s
        radius = 5 * s
        lo, hi = inset, size - inset
        qx = min(max(cx, lo + radius), hi - radius)
        qy = min(max(cy, lo + radius), hi - radius)
        if (cx - qx) ** 2 + (cy - qy) ** 2 > radius ** 2 or not (lo <= cx <= hi and lo <= cy <= hi):
            return (0, 0, 0, 0)
        # Corner marks, like the region frame on screen.
        m0, m1 = 5 * s, size - 5 * s
        arm, thick = 8 * s, 2.5 * s
        for ax, ay, dx, dy in ((m0, m0, 1, 1), (m1, m0, -1, 1), (m0, m1, 1, -1), (m1, m1, -1, -1)):
            ux = (cx - ax) * dx
            uy = (cy - ay) * dy
            if 0 <= ux <= arm and 0 <= uy <= thick or 0 <= uy <= arm and 0 <= ux <= thick:
                return (0, 220, 0, 255)
        # Record dot with a soft edge.
        d = ((cx - size / 2) ** 2 + (cy - size / 2) ** 2) ** 0.5
        r = 7 * s
        if d <= r + 0.5:
            k = min(1.0, r + 0.5 - d)
            return (int(50 + (230 - 50) * k), int(50 + (30 - 50) * k), int(50 + (30 - 50) * k), 255)
        return (50, 50, 50, 255)

    return pixel


CURSOR_SIZE = 32
HOT = 15


def cursor_pixel(x, y):
    """A thin crosshair with a gap at its centre, black with a white outline."""
    def on_line(px, py):
        d = abs(px - HOT) + abs(py - HOT)
        if d < 3:
            return False
        return (px == HOT and 2 <= py <= 28) or (py == HOT and 2 <= px <= 28)

    if on_line(x, y):
        return (0, 0, 0, 255)
    for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1), (-1, -1), (1, 1), (-1, 1), (1, -1)):
        if on_line(x + dx, y + dy):
            return (255, 255, 255, 255)
    return (0, 0, 0, 0)


def main():
    icons = [(n, 1, 32, dib(n, icon_pixel(n))) for n in (16, 32, 48)]
    with open(os.path.join(HERE, 'ravlin.ico'), 'wb') as f:
        f.write(container(1, icons))
    cursor = [(CURSOR_SIZE, HOT, HOT, dib(CURSOR_SIZE, cursor_pixel))]
    with open(os.path.join(HERE, 'select.cur'), 'wb') as f:
        f.write(container(2, cursor))


if __name__ == '__main__':
    main()
