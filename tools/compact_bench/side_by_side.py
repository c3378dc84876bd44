#!/usr/bin/python3
"""The same frame in both modes, cropped and enlarged side by side, for the README.

usage: side_by_side.py RAVLIN_ENCODE FRAMES_DIR FRAME_NUMBER LEFT,TOP,WIDTH,HEIGHT OUT.png"""
import glob
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw


def frame_of(gif, k):
    with Image.open(gif) as im:
        im.seek(k)
        return im.convert("RGB")


def main():
    encode, folder, k, box, out = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4], sys.argv[5]
    left, top, width, height = (int(v) for v in box.split(","))
    files = sorted(glob.glob(os.path.join(folder, "*.ppm")))[: k + 1]
    crops = []
    with tempfile.TemporaryDirectory() as tmp:
        for label, args in (("default", []), ("compact", ["--compact"])):
            gif = os.path.join(tmp, label + ".gif")
            subprocess.run([encode] + args + [gif] + files, check=True, capture_output=True)
            kb = os.path.getsize(gif) / 1024 / len(files)
            crop = frame_of(gif, k).crop((left, top, left + width, top + height))
            crops.append(("%s: %.1f KB per frame" % (label, kb), crop.resize((width * 2, height * 2), Image.NEAREST)))
    gap, caption = 8, 18
    sheet = Image.new("RGB", (width * 4 + gap, height * 2 + caption), "white")
    draw = ImageDraw.Draw(sheet)
    for i, (label, crop) in enumerate(crops):
        x = i * (width * 2 + gap)
        sheet.paste(crop, (x, caption))
        draw.text((x + 4, 3), label, fill="black")
    sheet.save(out)


if __name__ == "__main__":
    main()
