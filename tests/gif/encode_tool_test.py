#!/usr/bin/python3
"""ravlin-encode end to end: its GIFs decode with independent decoders (Pillow, giflib's
giftext) to the frames it was given, and bad input gets a one-line error naming the file, a
non-zero exit and no output file."""
import io
import os
import random
import re
import subprocess
import sys
import tempfile

from PIL import Image

ENCODE = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def write_ppm(path, width, height, pixels, maxval=255, magic=b"P6", cut=0):
    data = b"".join(bytes(p) for p in pixels)
    with open(path, "wb") as f:
        f.write(magic + b"\n# made by the test\n%d %d\n%d\n" % (width, height, maxval))
        f.write(data[: len(data) - cut] if cut else data)


# Channel values the 15-bit dither leaves untouched (level * 8 == expanded level), so frames
# made of them must come back exactly.
STABLE = [0, 8, 16, 24, 32]


def blocky_frame(rng, width, height, colours):
    palette = [tuple(rng.choice(STABLE) for _ in range(3)) for _ in range(colours)]
    block = [[rng.choice(palette) for _ in range(width // 4 + 1)] for _ in range(height // 3 + 1)]
    return [block[y // 3][x // 4] for y in range(height) for x in range(width)]


def run(args):
    return subprocess.run([ENCODE] + args, capture_output=True, text=True, timeout=300)


def gif_frames(path):
    with Image.open(path) as im:
        frames = []
        for k in range(getattr(im, "n_frames", 1)):
            im.seek(k)
            frames.append((list(im.convert("RGB").getdata()), im.info.get("duration")))
        return frames


def giftext_ok(path):
    r = subprocess.run(["giftext", "-z", path], capture_output=True, text=True, timeout=300)
    return r.returncode == 0 and "error" not in (r.stdout + r.stderr).lower()


def main():
    rng = random.Random(7)
    with tempfile.TemporaryDirectory() as tmp:
        # Good input: frames of awkward sizes, several colour counts (so bitsPerIndex differs
        # between frames of one file), and the default and a given delay.
        for width, height in [(1, 1), (7, 3), (257, 5), (320, 180)]:
            frames = [blocky_frame(rng, width, height, n) for n in (3, 40, 125, 9)]
            paths = []
            for k, f in enumerate(frames):
                paths.append(os.path.join(tmp, "f%d.ppm" % k))
                write_ppm(paths[-1], width, height, f)
            out = os.path.join(tmp, "out.gif")
            for delay_args, duration in [([], 40), (["--delay", "7"], 70)]:
                r = run(delay_args + [out] + paths)
                check(r.returncode == 0, "%dx%d exit %d: %s" % (width, height, r.returncode, r.stderr))
                check(re.fullmatch(r"4 frames, [0-9.]+ megapixels, [0-9.]+ ms total, [0-9.]+ ms per frame.*\n",
                                   r.stdout) is not None, "summary line: %r" % r.stdout)
                decoded = gif_frames(out)
                check(len(decoded) == len(frames), "%dx%d frame count %d" % (width, height, len(decoded)))
                for k, (pixels, d) in enumerate(decoded):
                    check(pixels == [tuple(p) for p in frames[k]], "%dx%d frame %d pixels" % (width, height, k))
                    check(d == duration, "%dx%d frame %d duration %s" % (width, height, k, d))
                check(giftext_ok(out), "%dx%d giftext -z" % (width, height))

        # A full-size screen-like frame with more colours than fit: giftext must read every code.
        big = [(x * 255 // 1919, y * 255 // 1079, (x ^ y) & 255) for y in range(1080) for x in range(1920)]
        write_ppm(os.path.join(tmp, "big.ppm"), 1920, 1080, big)
        r = run([os.path.join(tmp, "big.gif"), os.path.join(tmp, "big.ppm")])
        check(r.returncode == 0, "1920x1080 exit: " + r.stderr)
        check(giftext_ok(os.path.join(tmp, "big.gif")), "1920x1080 giftext -z")
        with Image.open(os.path.join(tmp, "big.gif")) as im:
            check(im.size == (1920, 1080), "1920x1080 size")

        # Bad input: one line naming the file, non-zero exit, nothing left behind, and an
        # existing output file kept as it was.
        good = os.path.join(tmp, "good.ppm")
        write_ppm(good, 4, 4, [(8, 16, 24)] * 16)
        other = os.path.join(tmp, "other.ppm")
        write_ppm(other, 5, 4, [(8, 16, 24)] * 20)
        ascii_ppm = os.path.join(tmp, "ascii.ppm")
        write_ppm(ascii_ppm, 4, 4, [(8, 16, 24)] * 16, magic=b"P3")
        deep = os.path.join(tmp, "deep.ppm")
        write_ppm(deep, 4, 4, [(8, 16, 24)] * 16, maxval=65535)
        short = os.path.join(tmp, "short.ppm")
        write_ppm(short, 4, 4, [(8, 16, 24)] * 16, cut=5)
        empty = os.path.join(tmp, "empty.ppm")
        open(empty, "wb").close()
        missing = os.path.join(tmp, "missing.ppm")
        cases = [
            ([good, missing], "missing.ppm"),
            ([good, ascii_ppm], "ascii.ppm"),
            ([good, deep], "deep.ppm"),
            ([good, short], "short.ppm"),
            ([good, other], "other.ppm"),
            ([empty], "empty.ppm"),
            ([], None),
        ]
        out = os.path.join(tmp, "kept.gif")
        for inputs, named in cases:
            with open(out, "wb") as f:
                f.write(b"old contents")
            r = run([out] + inputs)
            check(r.returncode != 0, "%s: exit code 0" % named)
            lines = r.stderr.strip().splitlines()
            check(len(lines) >= 1 and (named is None or named in lines[0]), "%s: error line %r" % (named, r.stderr))
            if named is not None:
                check(len(lines) == 1, "%s: one line, got %r" % (named, r.stderr))
            with open(out, "rb") as f:
                check(f.read() == b"old contents", "%s: output file changed" % named)
            check(not os.path.exists(out + ".part"), "%s: partial file left" % named)
        fresh = os.path.join(tmp, "fresh.gif")
        r = run([fresh, good, short])
        check(r.returncode != 0 and not os.path.exists(fresh), "no output file after a bad frame")

    print("encode tool: %d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
