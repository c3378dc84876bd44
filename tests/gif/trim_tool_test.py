#!/usr/bin/python3
"""ravlin-trim end to end: the kept frames of both encodings show in Pillow and ffmpeg exactly
as they showed in the whole file, with their delays; damaged input is refused and leaves no
file; and the play count is written the way Pillow, ffmpeg and giflib read it.
Usage: trim_tool_test.py RAVLIN-ENCODE RAVLIN-TRIM"""
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import encode_tool_test as enc  # noqa: E402  (its helpers; it reads the encoder from argv[1])
from PIL import Image  # noqa: E402

TRIM = sys.argv[2]
check = enc.check


def trim(args):
    return subprocess.run([TRIM] + args, capture_output=True, text=True, timeout=300)


def ffmpeg_plays(path, frames):
    """How many times ffmpeg plays the file when told to follow its looping (capped at 10)."""
    r = subprocess.run(["ffmpeg", "-v", "error", "-ignore_loop", "0", "-i", path, "-frames:v", str(frames * 10),
                        "-f", "null", "-", "-progress", "pipe:1"], capture_output=True, text=True, timeout=300)
    counted = [int(line[6:]) for line in r.stdout.splitlines() if line.startswith("frame=")]
    return counted[-1] // frames if counted else 0


def main():
    rng = enc.random.Random(3)
    width, height = 64, 40
    with tempfile.TemporaryDirectory() as tmp:
        frames = [enc.blocky_frame(rng, width, height, n) for n in (12, 12, 30, 12, 12, 12, 200, 12)]
        # Frame 6 has 224 colours, more than a 128-entry table holds: in the compact file it uses
        # the global colour table, which the trimmed files must keep.
        frames[6] = [(x // 4 * 16, y // 3 * 16, 8 * ((x // 4 + y // 3) % 3)) for y in range(height) for x in range(width)]
        for k in range(1, len(frames)):  # small changes, as a screen recording has
            if k != 6:
                frames[k] = list(frames[k - 1])
                for x in range(k * 5, k * 5 + 9):
                    frames[k][width * 10 + x] = (255, 0, 8 * k)
        paths = []
        for k, f in enumerate(frames):
            paths.append(os.path.join(tmp, "f%d.ppm" % k))
            enc.write_ppm(paths[-1], width, height, f)

        for mode in ([], ["--compact"]):
            whole = os.path.join(tmp, "whole.gif")
            check(enc.run(mode + ["--delay", "6", whole] + paths).returncode == 0, "%s encode" % mode)
            before = enc.gif_frames(whole)
            before_ff = enc.ffmpeg_frames(whole, width, height)
            for first, last in [(0, 7), (1, 4), (3, 3), (5, 7), (7, 7)]:
                what = "%s frames %d..%d" % (mode, first, last)
                kept = os.path.join(tmp, "kept.gif")
                r = trim([whole, kept, str(first), str(last)])
                check(r.returncode == 0, "%s: exit %d %s" % (what, r.returncode, r.stderr))
                after = enc.gif_frames(kept)
                check(after == before[first:last + 1], what + ": Pillow pictures or delays")
                check(enc.ffmpeg_frames(kept, width, height) == before_ff[first:last + 1], what + ": ffmpeg pictures")
                check(enc.giftext_ok(kept), what + ": giftext -z")

        # Damaged or missing input, or frames past the end: one line, exit 1, no file.
        whole = os.path.join(tmp, "whole.gif")
        data = open(whole, "rb").read()
        cut = os.path.join(tmp, "cut.gif")
        open(cut, "wb").write(data[: len(data) // 2])
        for args, words in [([cut, "0", "1"], "cut short"), ([os.path.join(tmp, "none.gif"), "0", "1"], "cannot open"),
                            ([whole, "3", "99"], "no such frames"), ([whole, "4", "2"], "no such frames")]:
            out = os.path.join(tmp, "refused.gif")
            r = trim([args[0], out] + args[1:])
            check(r.returncode == 1 and words in r.stderr and len(r.stderr.strip().splitlines()) == 1,
                  "%s: %d %r" % (words, r.returncode, r.stderr))
            check(not os.path.exists(out) and not os.path.exists(out + ".part"), words + ": a file was left")

        # Plays: 0 for ever, 1 once (no looping extension), N: the count N - 1, which browsers
        # play N times; ffmpeg 5.1 plays such a file N - 1 times (its own reading of the count).
        for plays, loop, ffmpeg in [(0, 0, 10), (1, None, 1), (2, 1, 1), (5, 4, 4)]:
            out = os.path.join(tmp, "plays.gif")
            check(enc.run(["--plays", str(plays), out] + paths[:3]).returncode == 0, "--plays %d" % plays)
            with Image.open(out) as im:
                check(im.info.get("loop") == loop, "--plays %d: Pillow loop %r" % (plays, im.info.get("loop")))
            check(ffmpeg_plays(out, 3) == ffmpeg, "--plays %d: ffmpeg plays %d" % (plays, ffmpeg_plays(out, 3)))
            text = subprocess.run(["giftext", out], capture_output=True, text=True).stdout
            check(("application block" in text) == (loop is not None), "--plays %d: giftext" % plays)
            kept = os.path.join(tmp, "plays-kept.gif")
            check(trim([out, kept, "1", "2"]).returncode == 0, "--plays %d: trim" % plays)
            with Image.open(kept) as im:
                check(im.info.get("loop") == loop, "--plays %d: the trimmed file's loop" % plays)

    print("trim tool: %d failures" % len(enc.failures))
    return 1 if enc.failures else 0


if __name__ == "__main__":
    sys.exit(main())
