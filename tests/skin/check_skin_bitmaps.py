#!/usr/bin/python3
"""Checks the committed skin bitmaps, those for 96 DPI and those at twice the size in "2x": the
generator reproduces them byte for byte, an independent decoder reads them with the sizes the
program relies on, every state of a strip differs from the others, the large ones show the same
pictures as the small ones, and the build copied them unchanged beside the program.

Usage: check_skin_bitmaps.py <repository> <folder the build copied the images to>
"""
import filecmp
import os
import subprocess
import sys
import tempfile

from PIL import Image

BUTTONS = ["SelRegion.bmp", "Rec.bmp", "StopRec.bmp", "Set.bmp", "Info.bmp", "open.bmp"]
CLOSES = ["Close%d.bmp" % i for i in range(1, 6)]


def main():
    repo, installed = sys.argv[1], sys.argv[2]
    failures = []
    with tempfile.TemporaryDirectory() as out:
        subprocess.run(["/usr/bin/python3", os.path.join(repo, "tools", "skin", "make_skin.py"), out], check=True)
        for folder, zoom in (("", 1), ("2x", 2)):
            failures += check_folder(os.path.join(repo, "skin", "bitmaps", folder), os.path.join(out, folder),
                                     os.path.join(installed, folder), zoom)
    for name in BUTTONS + CLOSES:
        small = Image.open(os.path.join(repo, "skin", "bitmaps", name)).convert("RGB")
        large = Image.open(os.path.join(repo, "skin", "bitmaps", "2x", name)).convert("RGB")
        shrunk = large.resize(small.size, Image.BOX)
        worst = max(max(abs(a - b) for a, b in zip(p, q)) for p, q in zip(small.getdata(), shrunk.getdata()))
        if worst > 40:
            failures.append("2x/%s: does not show the picture of %s (a pixel differs by %d)" % (name, name, worst))

    for failure in failures:
        print("FAIL:", failure)
    print("%d problems" % len(failures))
    return 1 if failures else 0


def check_folder(committed, generated, installed, zoom):
    failures = []
    names = sorted(n for n in os.listdir(committed) if n.endswith(".bmp"))
    if names != sorted(BUTTONS + CLOSES):
        failures.append("unexpected set of images in %s: %s" % (committed, names))
    for name in names:
        if not filecmp.cmp(os.path.join(generated, name), os.path.join(committed, name), shallow=False):
            failures.append("%s: the generator no longer reproduces it" % name)

    for name in BUTTONS + CLOSES:
        path = os.path.join(committed, name)
        if not os.path.exists(path):
            continue
        with Image.open(path) as image:
            if image.format != "BMP" or image.mode != "RGB":
                failures.append("%s: %s %s, expected a 24-bit BMP" % (name, image.format, image.mode))
            cell = 36 * zoom
            expected = (4 * cell, cell) if name in BUTTONS else (20 * zoom, 20 * zoom)
            if image.size != expected:
                failures.append("%s: size %s, expected %s" % (name, image.size, expected))
            if name in BUTTONS and image.size == expected:
                cells = [image.crop((cell * i, 0, cell * i + cell, cell)).tobytes() for i in range(4)]
                if len(set(cells)) != 4:
                    failures.append("%s: two states look the same" % name)
        copy = os.path.join(installed, name)
        if not os.path.exists(copy) or not filecmp.cmp(copy, path, shallow=False):
            failures.append("%s: not copied unchanged to %s" % (name, installed))

    closes = []
    for name in CLOSES:
        with Image.open(os.path.join(committed, name)) as image:
            closes.append(image.tobytes())
    if len(set(closes)) != 5:
        failures.append("two close images look the same")
    return failures


if __name__ == "__main__":
    sys.exit(main())
