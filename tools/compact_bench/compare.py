#!/usr/bin/python3
"""Compact-mode benchmark: for each folder of PPM frames (f001.ppm ... or frame-000.ppm ...),
encodes them with ravlin-encode in the default mode and with --compact, and with ffmpeg's
two-pass palettegen(stats_mode=diff) + paletteuse(diff_mode=rectangle), all in one run, and
prints KB per frame, PSNR of every decoded frame against its source (ffmpeg decodes all three,
compositing frames as a player does) and encode ms per frame.

ravlin's time is the per-frame time on ravlin-encode's worker, one thread (reading a frame's
PPM files, and for --compact the previous frame's, is part of it); ffmpeg's is the wall time of its two passes divided by the frames.

usage: compare.py RAVLIN_ENCODE DIR [DIR ...]"""
import glob
import math
import os
import re
import subprocess
import sys
import tempfile
import time

import numpy as np
from PIL import Image


def frames_of(folder):
    files = sorted(glob.glob(os.path.join(folder, "*.ppm")))
    if not files:
        sys.exit("%s: no .ppm frames in %s" % (os.path.basename(sys.argv[0]), folder))
    return files


def decode(gif, width, height):
    raw = subprocess.run(["ffmpeg", "-loglevel", "error", "-i", gif, "-fps_mode", "passthrough",
                          "-f", "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True, check=True).stdout
    n = len(raw) // (width * height * 3)
    return np.frombuffer(raw, np.uint8)[: n * width * height * 3].reshape(n, height, width, 3)


def psnr(decoded, sources):
    if len(decoded) != len(sources):
        return float("nan")
    total = 0.0
    for k, path in enumerate(sources):
        src = np.asarray(Image.open(path).convert("RGB"), np.int32)
        d = decoded[k].astype(np.int32) - src
        total += float((d * d).mean())
    mse = total / len(sources)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def ravlin(encode, files, out, compact):
    args = [encode, "--threads", "1"] + (["--compact"] if compact else []) + [out] + files
    r = subprocess.run(args, capture_output=True, text=True, check=True)
    return float(re.search(r"([0-9.]+) ms per frame on a worker", r.stdout).group(1))


def ffmpeg_two_pass(folder, files, out, tmp):
    pattern = os.path.join(folder, re.sub(r"[0-9]+\.ppm$", "", os.path.basename(files[0])))
    digits = len(re.search(r"([0-9]+)\.ppm$", files[0]).group(1))
    first = int(re.search(r"([0-9]+)\.ppm$", files[0]).group(1))
    source = ["-framerate", "25", "-start_number", str(first), "-i", "%s%%0%dd.ppm" % (pattern, digits)]
    palette = os.path.join(tmp, "palette.png")
    t0 = time.perf_counter()
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y"] + source +
                   ["-vf", "palettegen=stats_mode=diff", palette], check=True)
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y"] + source + ["-i", palette, "-lavfi",
                   "paletteuse=diff_mode=rectangle", out], check=True)
    return (time.perf_counter() - t0) * 1000 / len(files)


def main():
    encode, folders = sys.argv[1], sys.argv[2:]
    print("| content | size | frames | mode | KB per frame | PSNR dB | encode ms per frame |")
    print("|---|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as tmp:
        for folder in folders:
            files = frames_of(folder)
            width, height = Image.open(files[0]).size
            name = os.path.basename(os.path.normpath(folder))
            runs = []
            for mode in ("default", "compact", "ffmpeg two-pass"):
                out = os.path.join(tmp, name + "-" + mode.replace(" ", "-") + ".gif")
                if mode == "ffmpeg two-pass":
                    ms = ffmpeg_two_pass(folder, files, out, tmp)
                else:
                    ms = ravlin(encode, files, out, mode == "compact")
                kb = os.path.getsize(out) / 1024 / len(files)
                runs.append((mode, kb, psnr(decode(out, width, height), files), ms))
            for mode, kb, db, ms in runs:
                print("| %s | %dx%d | %d | %s | %.1f | %.1f | %.1f |" % (name, width, height, len(files), mode, kb, db, ms))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
