#!/usr/bin/python3
"""The compact mode's quality setting against the peers' lossy points, for each folder of PPM
frames (grabbed at 10 frames a second):
  ours     ravlin-encode --compact --quality Q on one worker, for every Q of --qualities;
  gifski   at quality 50, 70, 90 and 100, its width and height set to the source's (PNG copies
           of the frames; gifski is a yardstick given by its path, never part of the project);
  gifsicle ffmpeg's two-pass GIF (one thread) through `gifsicle -O3`, and `-O3 --lossy=L`, L 20,
           60, 120.
Every file is decoded by Pillow, which composites the frames; each source frame is compared
with the frame shown at its time (a file may show a still stretch as one frame with a longer
delay), PSNR over all frames and channels. Prints, per sequence, our sweep (KB a frame, PSNR,
encode time against ffmpeg two-pass on the same frames, whether 2 and 3 workers write the same
bytes, whether giflib, Pillow and ffmpeg decode the same frames), the peers' points, and for
each peer point the quality of ours whose file is no larger and whose PSNR is no lower (the one
with the highest PSNR among them), or "none" with the nearest of ours on either side; and, as a
probe, our quality-100 file through `gifsicle -O3 --lossy=L`.

Figures only, nothing is a pass or a fail.
usage: quality_against_peers.py [--qualities 100,90,...] RAVLIN_ENCODE GIFSKI DIR [DIR ...]"""
import math
import os
import re
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image

from compare import decode as ffmpeg_frames, frames_of
from against_peers import ffmpeg_two_pass, timed

FRAME_MS = 100  # the grab scripts record 10 frames a second
GIFSKI_QUALITIES = (100, 90, 70, 50)
LOSSY = (0, 20, 60, 120)  # 0: plain -O3, lossless


def pillow_shown(gif):
    """Pillow's composited frames and the time each is shown (ms)."""
    frames, durations = [], []
    with Image.open(gif) as im:
        for k in range(im.n_frames):
            im.seek(k)
            frames.append(np.asarray(im.convert("RGB")))
            durations.append(im.info.get("duration", FRAME_MS))
    return frames, durations


def on_timeline(frames, durations, count):
    """The frame shown at the start of each source frame's slot."""
    starts = np.cumsum([0] + list(durations[:-1]))
    shown = []
    for i in range(count):
        k = int(np.searchsorted(starts, i * FRAME_MS + FRAME_MS // 2, side="right")) - 1
        shown.append(frames[max(k, 0)])
    return shown


def psnr(shown, sources):
    mse = sum(float(((s.astype(np.int32) - src) ** 2).mean()) for s, src in zip(shown, sources)) / len(sources)
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def measure(gif, sources):
    frames, durations = pillow_shown(gif)
    return os.path.getsize(gif) / 1024 / len(sources), psnr(on_timeline(frames, durations, len(sources)), sources)


def giflib_frames(gif):
    """The frames as giflib decodes them: the structure from `giftext -c -e`, the indices from
    `giftext -r`, composited here (disposal 0 and 1 and no interlace: what the compact mode writes)."""
    text = subprocess.run(["giftext", "-c", "-e", gif], capture_output=True, text=True, check=True).stdout
    raw = np.frombuffer(subprocess.run(["giftext", "-r", gif], capture_output=True, check=True).stdout, np.uint8)
    entry = re.compile(r"(\d+): ([0-9a-f]{2})h ([0-9a-f]{2})h ([0-9a-f]{2})h")
    images, control, maps = [], {"disposal": 0, "transparent": -1}, {"global": np.zeros((256, 3), np.uint8)}
    target = None
    for line in text.splitlines():
        if "Global Color Map:" in line:
            target = maps["global"]
        elif "graphics control" in line:
            control, target = {"disposal": 0, "transparent": -1}, None
        elif m := re.search(r"Disposal Mode: (\d+)", line):
            control["disposal"] = int(m.group(1))
        elif m := re.search(r"Transparent Index: (-?\d+)", line):
            control["transparent"] = int(m.group(1))
        elif line.startswith("Image #"):
            images.append(dict(control, table=maps["global"]))
            control, target = {"disposal": 0, "transparent": -1}, None
        elif m := re.search(r"Left = (\d+), Top = (\d+), Width = (\d+), Height = (\d+)", line):
            images[-1]["box"] = tuple(map(int, m.groups()))
        elif "Image is Interlaced" in line:
            raise ValueError("giflib check: interlaced images not handled")
        elif "Image Has Color Map" in line:
            target = images[-1]["table"] = np.zeros((256, 3), np.uint8)
        elif target is not None:
            for m in entry.finditer(line):
                target[int(m.group(1))] = [int(m.group(g), 16) for g in (2, 3, 4)]
    width, height = map(int, re.search(r"Screen Size - Width = (\d+), Height = (\d+)", text).groups())
    canvas, at, out = np.zeros((height, width, 3), np.uint8), 0, []
    for image in images:
        if image["disposal"] not in (0, 1):
            raise ValueError("giflib check: disposal %d not handled" % image["disposal"])
        left, top, w, h = image["box"]
        indices = raw[at: at + w * h].reshape(h, w)
        at += w * h
        drawn = indices != image["transparent"]
        canvas[top: top + h, left: left + w][drawn] = image["table"][indices[drawn]]
        out.append(canvas.copy())
    return out


def decoders_agree(gif, width, height):
    strict = subprocess.run(["giftext", "-z", gif], capture_output=True).returncode == 0
    pillow, _ = pillow_shown(gif)
    ffmpeg = ffmpeg_frames(gif, width, height)
    giflib = giflib_frames(gif)
    same = len(pillow) == len(ffmpeg) == len(giflib) and all(
        np.array_equal(p, f) and np.array_equal(p, g) for p, f, g in zip(pillow, ffmpeg, giflib))
    return strict and same


def ours(encode, files, tmp, quality, sources, width, height):
    out = os.path.join(tmp, "q%d-1.gif" % quality)
    args = ["--compact", "--quality", str(quality), "--delay", str(FRAME_MS // 10)]
    seconds = timed([encode] + args + ["--threads", "1", out] + files)
    same = True
    for workers in (2, 3):
        other = os.path.join(tmp, "q%d-%d.gif" % (quality, workers))
        subprocess.run([encode] + args + ["--threads", str(workers), other] + files, check=True, capture_output=True)
        same = same and open(out, "rb").read() == open(other, "rb").read()
        os.remove(other)
    kb, db = measure(out, sources)
    agree = decoders_agree(out, width, height)
    return kb, db, seconds * 1000 / len(files), same, agree, out


def probe(gif, sources):
    """Our file through gifsicle's lossy LZW coding: what near matches against the whole string
    table would add on top of our palettes."""
    rows = []
    for lossy in LOSSY[1:]:
        out = gif + ".lossy%d.gif" % lossy
        subprocess.run(["gifsicle", "-O3", "--lossy=%d" % lossy, gif, "-o", out], check=True, capture_output=True)
        rows.append(("Q100 + gifsicle -O3 --lossy=%d" % lossy,) + measure(out, sources))
    return rows


def peers(gifski, files, tmp, sources, width, height):
    points = []
    pngs = []
    for k, path in enumerate(files):
        png = os.path.join(tmp, "p%04d.png" % k)
        Image.open(path).convert("RGB").save(png, compress_level=1)
        pngs.append(png)
    for q in GIFSKI_QUALITIES:
        out = os.path.join(tmp, "gifski-%d.gif" % q)
        subprocess.run([gifski, "--quiet", "--fps", str(1000 // FRAME_MS), "--quality", str(q), "--width", str(width),
                        "--height", str(height), "--output", out] + pngs, check=True, capture_output=True)
        points.append(("gifski Q%d" % q,) + measure(out, sources))
    two_pass = os.path.join(tmp, "ffmpeg.gif")
    ffmpeg_s = ffmpeg_two_pass(files, two_pass, tmp)
    points.insert(0, ("ffmpeg two-pass",) + measure(two_pass, sources))
    for lossy in LOSSY:
        out = os.path.join(tmp, "lossy-%d.gif" % lossy)
        flags = ["-O3"] + (["--lossy=%d" % lossy] if lossy else [])
        subprocess.run(["gifsicle"] + flags + [two_pass, "-o", out], check=True, capture_output=True)
        points.append(("ffmpeg + gifsicle " + " ".join(flags),) + measure(out, sources))
    return points, ffmpeg_s * 1000 / len(files)


def match(point, sweep):
    _, kb, db = point
    fits = [(q, k, d) for q, k, d in sweep if k <= kb and d >= db]
    if fits:
        q, k, d = max(fits, key=lambda r: r[2])
        return "Q%d: %.1f at %.2f" % (q, k, d)
    smaller = [r for r in sweep if r[1] <= kb]
    sharper = [r for r in sweep if r[2] >= db]
    near = []
    if smaller:
        q, k, d = max(smaller, key=lambda r: r[2])
        near.append("no larger: Q%d %.1f at %.2f" % (q, k, d))
    if sharper:
        q, k, d = min(sharper, key=lambda r: r[1])
        near.append("no lower: Q%d %.1f at %.2f" % (q, k, d))
    return "none (" + "; ".join(near) + ")"


def main():
    args = sys.argv[1:]
    qualities = [100, 90, 80, 70, 60, 50, 40, 30, 20, 10, 1]
    if args and args[0] == "--qualities":
        qualities = [int(q) for q in args[1].split(",")]
        args = args[2:]
    if len(args) < 3:
        sys.exit(__doc__)
    encode, gifski, folders = args[0], args[1], args[2:]
    for folder in folders:
        files = frames_of(folder)
        width, height = Image.open(files[0]).size
        sources = [np.asarray(Image.open(p).convert("RGB"), np.int32) for p in files]
        name = os.path.basename(os.path.normpath(folder))
        with tempfile.TemporaryDirectory() as tmp:
            points, ffmpeg_ms = peers(gifski, files, tmp, sources, width, height)
            print("%s: %d frames of %dx%d; ffmpeg two-pass %.1f ms a frame (wall), %.1f (processor)" %
                  ((name, len(files), width, height) + tuple(ffmpeg_ms)))
            print("| ours | KB a frame | PSNR dB | ms a frame, wall / processor | / ffmpeg's | 1, 2, 3 workers | giflib, Pillow, ffmpeg |")
            print("|---|---|---|---|---|---|---|")
            sweep = []
            probes = []
            for q in qualities:
                kb, db, ms, same, agree, gif = ours(encode, files, tmp, q, sources, width, height)
                if q == 100:
                    probes = probe(gif, sources)
                os.remove(gif)
                sweep.append((q, kb, db))
                print("| Q%d | %.1f | %.2f | %.1f / %.1f | %.2f / %.2f | %s | %s |" % (
                    q, kb, db, ms[0], ms[1], ms[0] / ffmpeg_ms[0], ms[1] / ffmpeg_ms[1],
                    "same bytes" if same else "DIFFERENT", "same frames" if agree else "DIFFER"))
                sys.stdout.flush()
            print()
            print("| peer point | KB a frame | PSNR dB | ours no larger and no lower: KB at dB |")
            print("|---|---|---|---|")
            for point in points:
                print("| %s | %.1f | %.2f | %s |" % (point + (match(point, sweep),)))
            print()
            if probes:
                print("A probe, ours through gifsicle's lossy coding (KB a frame at dB): " +
                      ", ".join("%s %.1f at %.2f" % row for row in probes))
                print()
            sys.stdout.flush()


if __name__ == "__main__":
    main()
