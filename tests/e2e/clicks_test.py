#!/usr/bin/python3
"""Click marks, driven with real pointer input on a Wine window: while a button is held, the
frames show a ring around the pointer's hot spot, and the screen itself never does."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, gif_frames, run_scenarios, wait_for, xdo  # noqa: E402
from recording_test import scene, select_region, wait_completion  # noqa: E402

RING = (255, 196, 0)


def ring_pixels(image, tolerance=40):
    """The pixels near the ring's colour, as (x, y)."""
    w, h = image.size
    data = image.load()
    return [(x, y) for y in range(h) for x in range(w)
            if sum((a - b) ** 2 for a, b in zip(data[x, y], RING)) <= tolerance ** 2]


def held_click_draws_a_ring(program):
    program.reset_config({'RecordClicks': '1'})
    program.clear_output()
    with scene(program):
        program.start()
        overlay = select_region(program, (150, 180), (450, 380))
        left, top = overlay.region[0], overlay.region[1]
        program.press(1001)
        wait_for('the recording to start', program.gifs, 30)
        point = (300, 280)  # on the scene, a Wine window: Wine reports its buttons
        xdo('mousemove', *point)
        time.sleep(1.0)
        xdo('mousedown', '1')
        time.sleep(0.8)
        screen = program.shot('click-held')
        time.sleep(0.8)
        xdo('mouseup', '1')
        time.sleep(1.0)
        program.press(1002)
        program.accept_completion(wait_completion(program))
    # The screen never shows the ring.
    near = screen.crop((point[0] - 30, point[1] - 30, point[0] + 30, point[1] + 30)).convert('RGB')
    check(len(ring_pixels(near)) < 5, 'the ring is on the screen: %d pixels' % len(ring_pixels(near)))
    _, frames = gif_frames(program.gifs()[0])
    counts = [len(ring_pixels(image)) for image, _ in frames]
    marked = [k for k, n in enumerate(counts) if n >= 60]
    check(len(marked) >= 5, 'frames with a ring: %s' % counts)
    check(counts[0] < 10, 'the first frame, before the click, has %d ring pixels' % counts[0])
    check(counts[-1] < 10, 'the last frame, after the button went up, has %d ring pixels' % counts[-1])
    if marked:
        image = frames[marked[len(marked) // 2]][0]
        pixels = ring_pixels(image)
        cx = sum(x for x, _ in pixels) / len(pixels)
        cy = sum(y for _, y in pixels) / len(pixels)
        want = (point[0] - left, point[1] - top)
        check(abs(cx - want[0]) <= 4 and abs(cy - want[1]) <= 4, 'ring centred at %.1f,%.1f, pointer at %s' % (cx, cy, want))
        image.crop((int(cx) - 60, int(cy) - 45, int(cx) + 60, int(cy) + 45)).resize((240, 180)).save(
            os.path.join(program.artefacts, 'click-mark.png'))


def settings_store_clicks(program):
    from settings_test import ok_accepted, open_settings
    from ravlin_e2e import centre, click
    CLICKS = 1031
    program.reset_config()
    program.start()
    dialog = open_settings(program)
    box = program.probe.control(dialog.hwnd, CLICKS)
    check(box.checked == 0, 'the box is ticked by default')
    click(centre(box.rect))
    wait_for('the box ticked', lambda: program.probe.control(dialog.hwnd, CLICKS).checked == 1, 10)
    ok_accepted(program, dialog)
    check(program.read_config().get('RecordClicks') == '1', 'stored %s' % program.read_config())


SCENARIOS = [
    ('held_click_draws_a_ring', held_click_draws_a_ring),
    ('settings_store_clicks', settings_store_clicks),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
