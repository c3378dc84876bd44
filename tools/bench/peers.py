#!/usr/bin/python3
"""Times ravlin-encode with 1 and 2 workers against ffmpeg's GIF encoder and Pillow's
fast-octree GIF path on the same PPM frames, in one run, and ravlin-encode's throughput and peak
memory with 1, 2, 4 and 8 workers. Run on purpose, not in the test suite.

usage: peers.py RAVLIN_ENCODE DIR [DIR ...]   (each DIR a sequence of .ppm frames of one size)
Wall times are the best of three runs, each a whole process from reading the frames to closing
the file; ffmpeg and ravlin-encode are timed from outside, Pillow inside its own process.
"""
import glob
import os
import subprocess
import sys
import tempfile
import time

PILLOW = r"""
import sys, time
from PIL import Image
t = time.perf_counter()
frames = [Image.open(p).quantize(method=Image.Quantize.FASTOCTREE) for p in sys.argv[2:]]
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=40, loop=0)
print(time.perf_counter() - t)
"""


def timed(args):
    """Wall seconds and peak resident MiB of one process."""
    start = time.perf_counter()
    process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    _, _, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    out = process.stdout.read().decode()
    process.stdout.close()
    process.stderr.close()
    return wall, usage.ru_maxrss / 1024.0, out


def best(args, runs=3):
    results = [timed(args) for _ in range(runs)]
    return min(r[0] for r in results), max(r[1] for r in results), results[0][2]


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    encode = sys.argv[1]
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "out.gif")
        print("| sequence | frames | ravlin 1 thread | ravlin 2 threads | ffmpeg | Pillow fast octree "
              "| ravlin 2 / faster peer | sizes KiB (ravlin, ffmpeg, Pillow) |")
        print("|---|---|---|---|---|---|---|---|")
        scaling = []
        for folder in sys.argv[2:]:
            frames = sorted(glob.glob(os.path.join(folder, "*.ppm")))
            if not frames:
                continue
            n = len(frames)
            with open(frames[0], "rb") as f:
                f.readline()
                line = f.readline()
                while line.startswith(b"#"):
                    line = f.readline()
                size = line.decode().strip().replace(" ", " x ")
            ours = {}
            for threads in (1, 2, 4, 8):
                wall, rss, _ = best([encode, "--threads", str(threads), out] + frames)
                ours[threads] = (wall, rss)
            ours_size = os.path.getsize(out)
            ffmpeg, _, _ = best(["ffmpeg", "-loglevel", "error", "-y", "-framerate", "25", "-pattern_type",
                                 "glob", "-i", os.path.join(folder, "*.ppm"), "-f", "gif", out])
            ffmpeg_size = os.path.getsize(out)
            pillow, _, _ = best(["/usr/bin/python3", "-c", PILLOW, out] + frames)
            pillow_size = os.path.getsize(out)
            name = "%s (%s)" % (os.path.basename(folder.rstrip("/")), size)
            faster = min(ffmpeg, pillow)
            ms = lambda s: "%.0f ms (%.1f/frame)" % (s * 1000, s * 1000 / n)
            print("| %s | %d | %s | %s | %s | %s | %.2f | %.0f, %.0f, %.0f |" % (
                name, n, ms(ours[1][0]), ms(ours[2][0]), ms(ffmpeg), ms(pillow), ours[2][0] / faster,
                ours_size / 1024, ffmpeg_size / 1024, pillow_size / 1024))
            scaling.append((name, n, ours))
        print()
        print("| sequence | workers | frames per second | peak memory MiB |")
        print("|---|---|---|---|")
        for name, n, ours in scaling:
            for threads, (wall, rss) in ours.items():
                print("| %s | %d | %.1f | %.0f |" % (name, threads, n / wall, rss))
    return 0


if __name__ == "__main__":
    sys.exit(main())
