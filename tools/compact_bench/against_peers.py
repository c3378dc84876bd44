#!/usr/bin/python3
"""The compact mode against its peers, one run side by side, for each folder of PPM frames:
ravlin-encode --compact (its default workers), ffmpeg's two-pass palettegen(stats_mode=diff) +
paletteuse(diff_mode=rectangle) on one thread, both again after the lossless `gifsicle -O3`,
and pngquant on every frame as the yardstick of per-frame palette quality (a PNG per frame,
not a GIF: its size is not comparable). Prints KB per frame, PSNR of every frame as ffmpeg
decodes and composites it against its source, and encode ms per frame: wall time, and the
processor time of all threads (which a loaded machine moves less); then
whether giflib's strict check passes and Pillow decodes the same frames as ffmpeg.

Figures only, nothing is a pass or a fail.
usage: against_peers.py RAVLIN_ENCODE DIR [DIR ...]"""
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

from compare import decode as ffmpeg_frames, frames_of


def pillow_frames(gif):
    out = []
    with Image.open(gif) as im:
        for k in range(im.n_frames):
            im.seek(k)
            out.append(np.asarray(im.convert("RGB")))
    return np.stack(out)


def psnr_of(decoded, sources):
    if len(decoded) != len(sources):
        return float("nan")
    total = 0.0
    for k, src in enumerate(sources):
        d = decoded[k].astype(np.int32) - src
        total += float((d * d).mean())
    mse = total / len(sources)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def timed(args):
    """Wall and processor seconds (user and system, all threads) of one command."""
    t0, c0 = time.perf_counter(), os.times()
    subprocess.run(args, check=True, capture_output=True)
    t1, c1 = time.perf_counter(), os.times()
    return np.array([t1 - t0, (c1.children_user - c0.children_user) + (c1.children_system - c0.children_system)])


def ffmpeg_two_pass(files, out, tmp):
    folder = os.path.dirname(files[0])
    name = os.path.basename(files[0])
    digits = len(re.search(r"([0-9]+)\.ppm$", name).group(1))
    first = int(re.search(r"([0-9]+)\.ppm$", name).group(1))
    pattern = os.path.join(folder, re.sub(r"[0-9]+\.ppm$", "", name) + "%%0%dd.ppm" % digits)
    source = ["-threads", "1", "-filter_threads", "1", "-framerate", "10", "-start_number", str(first), "-i", pattern]
    palette = os.path.join(tmp, "palette.png")
    seconds = timed(["ffmpeg", "-loglevel", "error", "-y"] + source + ["-vf", "palettegen=stats_mode=diff", palette])
    seconds += timed(["ffmpeg", "-loglevel", "error", "-y"] + source +
                     ["-i", palette, "-lavfi", "paletteuse=diff_mode=rectangle", out])
    return seconds


def pngquant_frames(files, tmp):
    """Each frame quantized on its own to 256 colours: KB per frame of PNG, PSNR, ms per frame."""
    total_bytes, total_mse, seconds = 0, 0.0, 0.0
    for k, path in enumerate(files):
        png = os.path.join(tmp, "q%03d.png" % k)
        Image.open(path).convert("RGB").save(png)
        quantized = os.path.join(tmp, "q%03d-fs8.png" % k)
        seconds += timed(["pngquant", "--force", "--speed", "3", "256", "--output", quantized, png])[0]
        total_bytes += os.path.getsize(quantized)
        d = np.asarray(Image.open(quantized).convert("RGB"), np.int32) - np.asarray(Image.open(path).convert("RGB"), np.int32)
        total_mse += float((d * d).mean())
    mse = total_mse / len(files)
    return total_bytes / 1024 / len(files), (99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)), seconds * 1000 / len(files)


def colour_counts(files):
    counts = []
    for path in files:
        a = np.asarray(Image.open(path).convert("RGB"), np.uint32)
        counts.append(len(np.unique(a[..., 0] << 16 | a[..., 1] << 8 | a[..., 2])))
    return counts


def strict_clean(gif):
    r = subprocess.run(["giftext", "-z", gif], capture_output=True)
    return r.returncode == 0


def main():
    encode, folders = sys.argv[1], sys.argv[2:]
    for folder in folders:
        files = frames_of(folder)
        width, height = Image.open(files[0]).size
        sources = [np.asarray(Image.open(p).convert("RGB"), np.int32) for p in files]
        counts = sorted(colour_counts(files))
        name = os.path.basename(os.path.normpath(folder))
        print("%s: %d frames of %dx%d, colours a frame: min %d, median %d, max %d; %d of %d frames with 400 or more" %
              (name, len(files), width, height, counts[0], counts[len(counts) // 2], counts[-1],
               sum(c >= 400 for c in counts), len(counts)))
        print("  %-30s %10s %9s %10s %10s" % ("", "KB/frame", "PSNR dB", "ms/frame", "cpu ms"))
        with tempfile.TemporaryDirectory() as tmp:
            ours = os.path.join(tmp, "ours.gif")
            ours_s = timed([encode, "--compact", ours] + files)
            peer = os.path.join(tmp, "ffmpeg.gif")
            peer_s = ffmpeg_two_pass(files, peer, tmp)
            rows = []
            for label, gif, seconds in (("ravlin --compact", ours, ours_s), ("ffmpeg two-pass", peer, peer_s)):
                optimized = gif + ".O3.gif"
                subprocess.run(["gifsicle", "-O3", gif, "-o", optimized], check=True, capture_output=True)
                decoded = ffmpeg_frames(gif, width, height)
                db = psnr_of(decoded, sources)
                rows.append((label, os.path.getsize(gif), db, seconds * 1000 / len(files)))
                if label.startswith("ffmpeg"):
                    ratio = "ravlin's time / ffmpeg's: wall %.2f, processor %.2f" % tuple(rows[0][3] / rows[-1][3])
                rows.append((label + " + gifsicle -O3", os.path.getsize(optimized), None, None))
                if label.startswith("ravlin"):
                    same = np.array_equal(pillow_frames(gif), decoded)
                    checks = "giftext -z %s, Pillow and ffmpeg decode %s frames" % (
                        "clean" if strict_clean(gif) else "FAILS", "the same" if same else "DIFFERENT")
            for label, size, db, ms in rows:
                print("  %-30s %10.1f %9s %10s %10s" % (label, size / 1024 / len(files), "%.2f" % db if db is not None else "lossless",
                                                        "%.1f" % ms[0] if ms is not None else "", "%.1f" % ms[1] if ms is not None else ""))
            kb, db, ms = pngquant_frames(files, tmp)
            print("  %-30s %10.1f %9.2f %10.1f   (PNG per frame, the quality yardstick)" % ("pngquant 256 per frame", kb, db, ms))
            print("  ravlin: " + checks)
            print("  " + ratio)
        sys.stdout.flush()


if __name__ == "__main__":
    main()
