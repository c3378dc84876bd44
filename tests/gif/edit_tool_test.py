#!/usr/bin/python3
"""ravlin-trim's edits end to end, on files of both encodings read back by Pillow and giflib:
a crop keeps exactly its pixels, a cut removes exactly its frames, speeds give the delays asked
(frames merged where a delay would fall below 2 hundredths), still moments end at the limit, a
fit keeps within its size.
Usage: edit_tool_test.py RAVLIN-ENCODE RAVLIN-TRIM"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import encode_tool_test as enc  # noqa: E402  (its helpers; it reads the encoder from argv[1])

TRIM = sys.argv[2]
check = enc.check
W, H = 64, 40


def trim(args):
    return subprocess.run([TRIM] + args, capture_output=True, text=True, timeout=300)


def giflib_delays(path):
    text = subprocess.run(["giftext", path], capture_output=True, text=True, timeout=60).stdout
    return [int(d) for d in re.findall(r"DelayTime: (\d+)", text)]


def cropped(pixels, x, y, w, h):
    return [pixels[(y + r) * W + x + c] for r in range(h) for c in range(w)]


def distinct_runs(frames):
    """The pictures in order with how long each shows, neighbours that look the same joined."""
    runs = []
    for pixels, ms in frames:
        if runs and runs[-1][0] == pixels:
            runs[-1][1] += ms
        else:
            runs.append([pixels, ms])
    return runs


def main():
    rng = enc.random.Random(5)
    with tempfile.TemporaryDirectory() as tmp:
        # Frames 3..6 are one still moment; the others each move a bar.
        frames = [enc.blocky_frame(rng, W, H, 20)]
        for k in range(1, 12):
            f = list(frames[-1])
            if not 4 <= k <= 6:
                for x in range(k * 4, k * 4 + 6):
                    for y in range(12, 20):
                        f[y * W + x] = (255, 20 * k, 0)
            frames.append(f)
        paths = []
        for k, f in enumerate(frames):
            paths.append(os.path.join(tmp, "f%d.ppm" % k))
            enc.write_ppm(paths[-1], W, H, f)

        for mode in ([], ["--compact"]):
            whole = os.path.join(tmp, "whole.gif")
            check(enc.run(mode + ["--delay", "5", whole] + paths).returncode == 0, "%s encode" % mode)
            before = enc.gif_frames(whole)
            out = os.path.join(tmp, "edited.gif")

            def edit(what, options, first="0", last="end"):
                r = trim([whole, out, first, last] + options)
                check(r.returncode == 0, "%s %s: exit %d %s" % (mode, what, r.returncode, r.stderr))
                check(enc.giftext_ok(out), "%s %s: giftext -z" % (mode, what))
                return enc.gif_frames(out), giflib_delays(out)

            after, delays = edit("crop", ["--crop", "8,4,40,30"])
            check([p for p, _ in after] == [cropped(p, 8, 4, 40, 30) for p, _ in before], "%s crop pixels" % mode)
            from PIL import Image
            with Image.open(out) as im:
                check(im.size == (40, 30), "%s crop size %s" % (mode, im.size))
            check(delays == [5] * 12, "%s crop delays %s" % (mode, delays))

            after, delays = edit("cut", ["--cut", "2-4"])
            check(after == before[:2] + before[5:], "%s cut: frames 2..4 not exactly removed" % mode)

            after, delays = edit("kept part and cut", ["--cut", "7-8"], "1", "10")
            check(after == before[1:7] + before[9:11], "%s kept part and cut" % mode)

            for speed, want in [(50, [10] * 12), (150, [3, 4, 3] * 4), (200, [3, 2] * 6)]:
                after, delays = edit("speed %d" % speed, ["--speed", str(speed)])
                check(delays == want, "%s speed %d: delays %s" % (mode, speed, delays))
                check([p for p, _ in after] == [p for p, _ in before], "%s speed %d pixels" % (mode, speed))
            # Three times as fast: 1.67 hundredths a frame, so every third frame is merged into
            # the one before; no delay below 2 and the whole lasts a third as long.
            after, delays = edit("speed 300", ["--speed", "300"])
            check(min(delays) >= 2 and sum(delays) == 20 and len(delays) == 8, "%s speed 300: %s" % (mode, delays))
            check(all(p in [q for q, _ in before] for p, _ in after), "%s speed 300: a picture not in the original" % mode)

            # The still moment (frames 3..6, 20 hundredths) ends at the limit; what moves stays.
            after, delays = edit("shorten pauses", ["--shorten-pauses", "8"])
            runs, runs_before = distinct_runs(after), distinct_runs(before)
            check([p for p, _ in runs] == [p for p, _ in runs_before], "%s pauses: pictures" % mode)
            check([ms for _, ms in runs] == [min(ms, 80) for _, ms in runs_before], "%s pauses: %s" % (
                mode, [ms for _, ms in runs]))

            # Fit: a roomy size keeps the pictures exactly; half the file gives a file within the
            # size with every frame. (How near the size it comes is the unit test's: these few
            # blocky frames grow colours, and bytes, when shrunk.)
            size = os.path.getsize(whole)
            after, delays = edit("roomy fit", ["--fit", "%.6f" % (2 * size / 1048576)])
            check(after == before, "%s roomy fit: the pictures changed" % mode)
            limit = size // 2
            after, delays = edit("fit to half", ["--fit", "%.6f" % (limit / 1048576)])
            fit = os.path.getsize(out)
            check(0 < fit <= limit, "%s fit to half: %d bytes for %d" % (mode, fit, limit))
            check(len(after) == 12 and delays == [5] * 12, "%s fit to half: delays %s" % (mode, delays))

        for bad in (["--crop", "1,2,3"], ["--cut", "5-2"], ["--speed", "0"], ["--shorten-pauses", "1"], ["--spin", "2"],
                    ["--fit", "0"], ["--fit", "x"]):
            r = trim([whole, os.path.join(tmp, "bad.gif"), "0", "end"] + bad)
            check(r.returncode == 2 and "usage" in r.stderr, "%s accepted" % bad)

    print("edit tool: %d failures" % len(enc.failures))
    return 1 if enc.failures else 0


if __name__ == "__main__":
    sys.exit(main())
