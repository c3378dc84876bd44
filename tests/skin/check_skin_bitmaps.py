#!/usr/bin/python3
"""Checks the committed skin bitmaps: the generator reproduces them byte for byte, an independent
decoder reads them with the sizes the program relies on, every state of a strip differs from the
others, and the build copied them unchanged beside the program.

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
    committed = os.path.join(repo, "skin", "bitmaps")
    failures = []
    names = sorted(os.listdir(committed))
    if names != sorted(BUTTONS + CLOSES):
        failures.append("unexpected set of images: %s" % names)

    with tempfile.TemporaryDirectory() as out:
        subprocess.run(["/usr/bin/python3", os.path.join(repo, "tools", "skin", "make_skin.py"), out], check=True)
        for name in names:
            if not filecmp.cmp(os.path.join(out, name), os.path.join(committed, name), shallow=False):
                failures.append("%s: the generator no longer reproduces it" % name)

    for name in BUTTONS + CLOSES:
        path = os.path.join(committed, name)
        if not os.path.exists(path):
            continue
        with Image.open(path) as image:
            if image.format != "BMP" or image.mode != "RGB":
                failures.append("%s: %s %s, expected a 24-bit BMP" % (name, image.format, image.mode))
            expected = (144, 36) if name in BUTTONS else (20, 20)
            if image.size != expected:
                failures.append("%s: size %s, expected %s" % (name, image.size, expected))
            if name in BUTTONS and image.size == (144, 36):
                cells = [image.crop((36 * i, 0, 36 * i + 36, 36)).tobytes() for i in range(4)]
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

    for failure in failures:
        print("FAIL:", failure)
    print("%d images checked, %d problems" % (len(names), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
