#!/usr/bin/python3
"""ravlin-encode end to end: its GIFs decode with independent decoders (Pillow, giflib's
giftext) to the frames it was given, and bad input gets a one-line error naming the file, a
non-zero exit and no output file."""
import io
import math
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


def ffmpeg_frames(path, width, height):
    """Every frame as ffmpeg's decoder composites it, as lists of (r, g, b)."""
    raw = subprocess.run(["ffmpeg", "-loglevel", "error", "-i", path, "-fps_mode", "passthrough", "-f", "rawvideo",
                          "-pix_fmt", "rgb24", "-"], capture_output=True, timeout=300).stdout
    size = width * height * 3
    return [[tuple(raw[k + i : k + i + 3]) for i in range(0, size, 3)] for k in range(0, len(raw) - size + 1, size)]


def psnr(a, b):
    mse = sum((x - y) ** 2 for p, q in zip(a, b) for x, y in zip(p, q)) / (3.0 * len(a))
    return 99.0 if mse == 0 else 10 * math.log10(255 * 255 / mse)


def compact_cases(rng, tmp):
    """--compact: Pillow, ffmpeg and giflib read every file, and compositing its frames gives
    back the source exactly where the changes have few colours, and close to it elsewhere."""
    for width, height in [(1, 1), (7, 3), (257, 5), (320, 180)]:
        frames = [blocky_frame(rng, width, height, 12)]
        frames.append(list(frames[-1]))                      # unchanged
        for corner in (0, width - 1, width * (height - 1), width * height - 1):
            frames.append(list(frames[-1]))
            frames[-1][corner] = (255, 0, 128)               # one pixel at each corner
        frames.append(blocky_frame(rng, width, height, 200))  # everything changes
        paths = []
        for k, f in enumerate(frames):
            paths.append(os.path.join(tmp, "c%d.ppm" % k))
            write_ppm(paths[-1], width, height, f)
        out = os.path.join(tmp, "compact.gif")
        r = run(["--compact", out] + paths)
        check(r.returncode == 0, "--compact %dx%d exit %d: %s" % (width, height, r.returncode, r.stderr))
        want = [[tuple(p) for p in f] for f in frames]
        check([p for p, _ in gif_frames(out)] == want, "--compact %dx%d Pillow pixels" % (width, height))
        check(ffmpeg_frames(out, width, height) == want, "--compact %dx%d ffmpeg pixels" % (width, height))
        check(giftext_ok(out), "--compact %dx%d giftext -z" % (width, height))

    # More than 256 colours: a gradient, then a small change on it.
    width, height = 200, 120
    smooth = [(x * 255 // width, y * 255 // height, (x + y) * 255 // (width + height)) for y in range(height)
              for x in range(width)]
    changed = list(smooth)
    for y in range(40, 50):
        for x in range(10):
            changed[y * width + x] = (250, 250, 250)
    paths = [os.path.join(tmp, "g%d.ppm" % k) for k in range(2)]
    for path, f in zip(paths, (smooth, changed)):
        write_ppm(path, width, height, f)
    out = os.path.join(tmp, "gradient.gif")
    check(run(["--compact", out] + paths).returncode == 0, "--compact gradient exit")
    for k, (pixels, _) in enumerate(gif_frames(out)):
        check(psnr(pixels, (smooth, changed)[k]) > 32, "--compact gradient frame %d PSNR" % k)
    check(giftext_ok(out), "--compact gradient giftext -z")
    # Lossy: smaller, and still near the frames.
    lossy = os.path.join(tmp, "gradient-q40.gif")
    check(run(["--compact", "--quality", "40", lossy] + paths).returncode == 0, "--quality 40 gradient exit")
    check(os.path.getsize(lossy) < os.path.getsize(out), "--quality 40 gradient not smaller")
    for k, (pixels, _) in enumerate(gif_frames(lossy)):
        check(psnr(pixels, (smooth, changed)[k]) > 28, "--quality 40 gradient frame %d PSNR" % k)
    check(giftext_ok(lossy), "--quality 40 gradient giftext -z")


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

        compact_cases(rng, tmp)

        # An option the tool does not know is refused with the usage line, not taken as a file.
        kept = os.path.join(tmp, "never.gif")
        r = run(["--fast", kept, os.path.join(tmp, "big.ppm")])
        lines = r.stderr.strip().splitlines()
        check(r.returncode == 2 and len(lines) == 2 and "unknown option --fast" in lines[0] and
              lines[1].startswith("usage: ravlin-encode"), "unknown option: %d %r" % (r.returncode, r.stderr))
        check(not os.path.exists(kept), "unknown option left a file")

        # Any number of workers writes the same file; a bad count is refused before anything runs.
        paths = []
        for k, n in enumerate([3, 200, 17, 90, 5, 256, 40, 2, 128]):
            paths.append(os.path.join(tmp, "t%d.ppm" % k))
            write_ppm(paths[-1], 96, 64, blocky_frame(rng, 96, 64, n))
        files = {}
        for mode in ([], ["--compact"], ["--compact", "--quality", "100"], ["--compact", "--quality", "60"]):
            reference = None
            for threads in ["1", "2", "3", "8"]:
                out = os.path.join(tmp, "threads%s.gif" % threads)
                r = run(mode + ["--threads", threads, out] + paths)
                check(r.returncode == 0 and "(%s threads" % threads in r.stdout,
                      "%s --threads %s: %r" % (mode, threads, r.stdout))
                with open(out, "rb") as f:
                    data = f.read()
                reference = reference or data
                check(data == reference, "%s --threads %s wrote other bytes than --threads 1" % (mode, threads))
            files[" ".join(mode)] = reference
        # Quality 100 is the compact file as it was; a lower one no larger.
        check(files["--compact --quality 100"] == files["--compact"], "--quality 100 changed the compact file")
        check(len(files["--compact --quality 60"]) <= len(files["--compact"]), "--quality 60 wrote a larger file")
        for option, bad in [("--threads", "0"), ("--threads", "x"), ("--threads", "65"), ("--quality", "0"),
                            ("--quality", "101")]:
            r = run(["--compact", option, bad, os.path.join(tmp, "bad.gif")] + paths)
            check(r.returncode == 2 and not os.path.exists(os.path.join(tmp, "bad.gif")), "%s %s accepted" % (option, bad))

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
