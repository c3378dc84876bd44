#!/usr/bin/python3
"""Records the counter scene through the real screen capture and encoder under Wine, then reads the
GIF with Pillow: size, delay and looping, the colour bars in every frame despite the dither,
and the counter cells, which must never run backwards. Then fills a small disk part-way
through a recording (when this machine lets us mount one) and reads what was kept, and starts
two recordings into one name at the same instant, as two copies of the program in one folder.

usage: check_capture.py <record_harness.exe> <wine-run.sh>
"""
import os
import subprocess
import sys
import tempfile
import time

from PIL import Image

HARNESS, WINE_RUN = sys.argv[1], sys.argv[2]
LEFT, TOP, WIDTH, HEIGHT = 1200, 640, 320, 160
FRAMES = 60
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message)


def wine_path(path):
    return "Z:" + path.replace("/", "\\")


def message_boxes():
    """Ids of the program's message boxes on screen (their caption is the bare product name)."""
    found = subprocess.run(["xdotool", "search", "--name", "^Ravlin$"], capture_output=True, text=True)
    return found.stdout.split()


def run(*args):
    """Runs the harness; closes every message box it shows and counts them."""
    process = subprocess.Popen([WINE_RUN, HARNESS, *args], stdout=subprocess.PIPE,
                               stderr=subprocess.PIPE, text=True)
    boxes = set()
    deadline = time.time() + 240
    while process.poll() is None and time.time() < deadline:
        for box in message_boxes():
            boxes.add(box)
            subprocess.run(["xdotool", "windowfocus", "--sync", box], capture_output=True, timeout=10)
            subprocess.run(["xdotool", "key", "Return"], capture_output=True, timeout=10)
        time.sleep(0.3)
    if process.poll() is None:
        process.kill()
        check(False, f"harness {args[0]} did not end")
    stdout, stderr = process.communicate()
    print(stdout.strip())
    return subprocess.CompletedProcess(args, process.returncode, stdout, stderr), len(boxes)


def counts(output):
    line = [l for l in output.splitlines() if l.startswith("end=")]
    return dict(item.split("=") for item in line[-1].split()) if line else {}


def near(colour, expected, tolerance=40):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def mean(image, box):
    region = image.crop(box)
    pixels = list(region.getdata())
    return tuple(sum(p[i] for p in pixels) // len(pixels) for i in range(3))


def check_recording(folder, frames, width, height):
    """Records the scene into a GIF of width x height (the scene's own size, or scaled)."""
    path = os.path.join(folder, f"scene-{width}x{height}.gif")
    result, boxes = run("capture", wine_path(path), str(frames), str(LEFT), str(TOP), str(WIDTH),
                        str(HEIGHT), str(width), str(height))
    check(boxes == 0, f"{boxes} message boxes during a good recording")
    check(result.returncode == 0, f"capture ended with {result.returncode}: {result.stderr[-400:]}")
    state = counts(result.stdout)
    check(state.get("end") == "completed", f"the recording did not complete: {state}")
    check(state.get("encoded") == state.get("received"), f"frames left unencoded: {state}")
    check(state.get("dropped") == "0", f"frames dropped: {state}")
    if not os.path.exists(path):
        check(False, "no GIF written")
        return
    raw = open(path, "rb").read()
    check(raw.startswith(b"GIF89a") and raw.endswith(b";"), "not a closed GIF89a stream")
    check(b"NETSCAPE2.0\x03\x01" in raw, "no looping extension")

    image = Image.open(path)
    check(image.size == (width, height), f"size {image.size}")
    check(image.info.get("loop") == 0, f"loop {image.info.get('loop')}")
    check(image.n_frames == int(state.get("encoded", -1)), f"{image.n_frames} frames for {state}")
    check(image.n_frames >= frames, f"only {image.n_frames} frames")

    bars = [(255, 0, 0), (0, 255, 0), (0, 0, 255)]
    margin = max(2, width // 40)  # clear of the edges the scaling blurs
    steps = []
    for index in range(image.n_frames):
        image.seek(index)
        check(image.info.get("duration") == 40, f"frame {index}: duration {image.info.get('duration')}")
        frame = image.convert("RGB")
        for i, bar in enumerate(bars):
            box = (i * width // 3 + margin, margin, (i + 1) * width // 3 - margin, height // 2 - margin)
            colour = mean(frame, box)
            check(near(colour, bar), f"frame {index}: bar {i} is {colour}")
        step = 0
        for bit in range(8):
            box = (bit * width // 8 + margin, height // 2 + margin, (bit + 1) * width // 8 - margin,
                   height - margin)
            colour = mean(frame, box)
            white, black = near(colour, (255, 255, 255)), near(colour, (0, 0, 0))
            check(white or black, f"frame {index}: cell {bit} is {colour}")
            step = step * 2 + (1 if white else 0)
        steps.append(step)
    print("counter per frame:", steps)
    check(all(a <= b for a, b in zip(steps, steps[1:])), "frames out of order")
    check(len(set(steps)) >= len(steps) // 2, "the scene hardly moved between frames")


def check_copies_started_together(folder):
    """Two copies of the program in one folder start recording at the same instant: each must
    get a file of its own (the second the "-2" name), neither may report the folder as
    unwritable, and neither file may be the other's."""
    path = os.path.join(folder, "together.gif")
    at = str(int(time.time() * 1000) + 4000)  # after both have started under Wine
    processes = [subprocess.Popen([WINE_RUN, HARNESS, "together", wine_path(path), at], stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, text=True) for _ in range(2)]
    names = []
    for process in processes:
        try:
            stdout, stderr = process.communicate(timeout=120)
        except subprocess.TimeoutExpired:
            process.kill()
            check(False, "a copy started together did not end")
            continue
        print(stdout.strip())
        state = counts(stdout)
        check(process.returncode == 0, f"a copy started together failed: {state} {stderr[-300:]}")
        names += [l[5:] for l in stdout.splitlines() if l.startswith("file=")]
    check(sorted(names) == ["together-2.gif", "together.gif"], f"names of the two files: {names}")
    for name in names:
        image = Image.open(os.path.join(folder, name))
        check(image.n_frames == 3, f"{name}: {image.n_frames} frames, not 3")


def check_full_disk(folder):
    mount = os.path.join(folder, "small-disk")
    os.mkdir(mount)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=48k", "tmpfs", mount],
                      capture_output=True).returncode != 0:
        print("SKIP: cannot mount a small disk here; the part-way write failure is covered by "
              "record_encoder_test")
        return
    try:
        path = os.path.join(mount, "full.gif")
        result, boxes = run("fill", wine_path(path))
        state = counts(result.stdout)
        check(boxes == 0, f"{boxes} message boxes from the encoder: a full disk is for the window to word")
        check(result.returncode == 0, f"full disk did not end as a full disk: {state}")
        encoded = int(state.get("encoded", 0))
        check(encoded > 0, "nothing was written before the disk filled")
        image = Image.open(path)
        check(image.n_frames == encoded, f"{image.n_frames} readable frames, {encoded} encoded")
        image.seek(image.n_frames - 1)
        image.convert("RGB")  # the last kept frame decodes completely
        check(open(path, "rb").read().endswith(b";"), "kept file has no trailer")
    finally:
        # Wine's server may still hold the folder for a moment: detach it lazily.
        subprocess.run(["umount", "-l", mount])


with tempfile.TemporaryDirectory(prefix="ravlin-capture-") as folder:
    check_recording(folder, FRAMES, WIDTH, HEIGHT)
    check_recording(folder, 20, WIDTH // 2, HEIGHT // 2)  # scaled, as with a fixed output size
    check_copies_started_together(folder)
    check_full_disk(folder)

print("FAILED" if failures else "OK")
sys.exit(1 if failures else 0)
