#!/usr/bin/python3
"""ravlin.exe on scaled screens: with Wine's LogPixels at 120, 144 and 192 DPI the tool window
must look like the 96-DPI one grown by that factor (buttons, preview, status frames, images,
caption), its status lines must stay legible and unclipped, and the overlay's marks must grow
too. Each DPI is compared with a 96-DPI run of the same build. Screenshots are kept as
main-<dpi>.png, recording-<dpi>.png and overlay-<dpi>.png."""
import os
import sys
import subprocess
import time

from PIL import Image, ImageChops, ImageStat

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, run_scenarios, wait_for, xdo
from recording_test import scene, select_region, wait_completion

# Wine reads the DPI from either key, depending on its version; each program reads it at start.
DPI_KEYS = (r'HKCU\Control Panel\Desktop', r'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts')
BODY = (50, 50, 50)
CAPTION = 26
STATUS_LINE_1 = (142, 30, 392, 55)  # client pixels at 96 DPI
GREEN = (0, 255, 0)


def set_dpi(program, dpi):
    for key in DPI_KEYS:
        subprocess.run(['wine', 'reg', 'add', key, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', str(dpi), '/f'],
                       env=program.env, check=True, capture_output=True)


def scaled(value, dpi):
    return (value * dpi + 48) // 96


def bright_box(image, threshold=110):
    """Bounding box of the pixels brighter than threshold (text on the dark body), or None."""
    grey = image.convert('L').point(lambda v: 255 if v > threshold else 0)
    return grey.getbbox()


def body_tiles(image, reference, caption, cols=8, rows=3):
    """Mean difference per tile below the caption, of image against reference grown to its size."""
    grown = reference.resize(image.size, Image.BILINEAR)
    diff = ImageChops.difference(grown, image).crop((0, caption, image.width, image.height))
    w, h = diff.size
    return [[sum(ImageStat.Stat(diff.crop((c * w // cols, r * h // rows, (c + 1) * w // cols,
                                           (r + 1) * h // rows))).mean) / 3 for c in range(cols)] for r in range(rows)]


def green_run(image, start, step, limit=200):
    """How many pixels from start on, in direction step, are the marks' green."""
    x, y = start
    n = 0
    while n < limit and 0 <= x < image.width and 0 <= y < image.height and image.getpixel((x, y)) == GREEN:
        n += 1
        x, y = x + step[0], y + step[1]
    return n


class Look:
    """What one run at one DPI showed: window, controls, screenshots, text and mark sizes."""

    def __init__(self, program, dpi):
        self.dpi = dpi
        set_dpi(program, dpi)
        try:
            with scene(program):
                main = program.start()
                self.window = main.rect
                self.controls = {c.id: c.rect for c in program.probe.children(main.hwnd)
                                 if c.visible and c.id >= 1000}
                xdo('mousemove', 1900, 1060)  # no hover look, no tooltip
                time.sleep(0.5)
                self.image = program.shot('main-%d' % dpi, main.rect)
                caption = self.image.crop((0, 0, self.image.width, scaled(CAPTION, dpi)))
                self.title = bright_box(caption.crop((0, 0, caption.width // 2, caption.height)), 120)

                overlay = select_region(program, (150, 200), (600, 500))
                l, t = overlay.client[0], overlay.client[1]
                shot = wait_for('the marks on the frame', lambda: (lambda im: im.getpixel((l + 1, t + 1)) == GREEN
                                                                   and im)(program.shot('overlay-%d' % dpi)))
                self.mark_length = green_run(shot, (l, t + 1), (1, 0))
                self.mark_thickness = green_run(shot, (l, t + scaled(15, dpi)), (1, 0))

                program.press(1001)
                xdo('mousemove', 1900, 1060)
                box = tuple(self.window[i % 2] + scaled(v, dpi) for i, v in enumerate(STATUS_LINE_1))
                # The counters show once the first frames are in.
                self.status = wait_for('the recorded count', lambda: bright_box(program.shot('status', box)))
                self.status_size = (box[2] - box[0], box[3] - box[1])
                program.shot('recording-%d' % dpi, self.window)
                program.press(1002)
                program.accept_completion(wait_completion(program))
        finally:
            set_dpi(program, 96)


BASE = {}


def base(program):
    if 96 not in BASE:
        BASE[96] = Look(program, 96)
    return BASE[96]


def check_scaled(program, dpi):
    b = base(program)
    program.stop()
    look = Look(program, dpi)
    s = dpi / 96

    # The window and every control grown by the one factor, in place relative to the window.
    size = (look.window[2] - look.window[0], look.window[3] - look.window[1])
    want = (round((b.window[2] - b.window[0]) * s), round((b.window[3] - b.window[1]) * s))
    check(all(abs(a - w) <= 2 for a, w in zip(size, want)), 'window %s at %d DPI, expected about %s' % (size, dpi, want))
    check(set(look.controls) == set(b.controls), 'controls %s, at 96 DPI %s' % (sorted(look.controls), sorted(b.controls)))
    for ident, rect in look.controls.items():
        got = [rect[i] - look.window[i % 2] for i in range(4)]
        expected = [(b.controls[ident][i] - b.window[i % 2]) * s for i in range(4)]
        check(all(abs(g - e) <= 2 for g, e in zip(got, expected)),
              'control %d at %s, expected about %s' % (ident, got, [round(e) for e in expected]))
        check(0 <= got[0] and got[2] <= size[0] and 0 <= got[1] and got[3] <= size[1],
              'control %d %s leaves the window %s' % (ident, got, size))

    # Below the caption the window looks like the 96-DPI one grown: images, preview and status
    # frames all in their places (a part left at its 96-DPI place differs by far more).
    tiles = body_tiles(look.image, b.image, scaled(CAPTION, dpi))
    worst = max(max(row) for row in tiles)
    check(worst < 10, 'the window at %d DPI differs from the 96-DPI one grown: tile means %s'
          % (dpi, [[round(v, 1) for v in row] for row in tiles]))

    # Texts grow with the screen and fit their boxes.
    for what, got, base_box, limit in (('title', look.title, b.title, None),
                                       ('status line', look.status, b.status, look.status_size)):
        check(got and base_box, '%s text not found' % what)
        height, base_height = got[3] - got[1], base_box[3] - base_box[1]
        check(0.8 * s <= height / base_height <= 1.25 * s,
              '%s text %d pixels high at %d DPI, %d at 96' % (what, height, dpi, base_height))
        if limit:
            check(got[2] < limit[0] - 1 and got[3] < limit[1] - 1, '%s text %s clipped by its box %s' % (what, got, limit))

    # The overlay's marks grow too.
    check(abs(look.mark_length - scaled(b.mark_length, dpi)) <= 1 and
          abs(look.mark_thickness - scaled(b.mark_thickness, dpi)) <= 1,
          'marks %d long, %d thick at %d DPI; %d and %d at 96' % (look.mark_length, look.mark_thickness, dpi,
                                                                 b.mark_length, b.mark_thickness))


SCENARIOS = [('dpi_%d' % dpi, lambda program, dpi=dpi: check_scaled(program, dpi)) for dpi in (120, 144, 192)]

if __name__ == '__main__':
    args = arguments(__doc__)
    program = Ravlin(args)
    program.reset_config()
    sys.exit(run_scenarios(program, SCENARIOS, args.scenarios))
