#!/usr/bin/python3
"""The countdown before a recording, driven with real pointer and keyboard input: it shows over
the middle of the region, the recording starts when it runs out and never holds it, and Stop,
Esc or Select during it leave no file."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, colour_share, gif_frames, key, run_scenarios, wait_for  # noqa: E402
from recording_test import no_message_for, scene, select_region, wait_completion  # noqa: E402

TITLE = '倒计时'
BACKGROUND = (24, 24, 28)


def countdown_window(program):
    w = program.find_window(TITLE)
    return w if w and w.rect[2] > w.rect[0] else None


def visible_countdown(program):
    """The countdown window while it is on the screen (the probe lists hidden windows with an
    empty rectangle or not at all)."""
    w = countdown_window(program)
    if not w:
        return None
    image = program.shot('countdown', w.rect)
    return w if colour_share(image, BACKGROUND, 20) > 0.5 else None


def start_with_countdown(program, seconds):
    program.reset_config({'CountdownSeconds': str(seconds)})
    program.clear_output()
    program.start()
    overlay = select_region(program, (200, 200), (600, 500))
    program.press(1001)
    pressed = time.time()
    w = wait_for('the countdown', lambda: visible_countdown(program), 10)
    return overlay, w, pressed


def counts_down_then_records(program):
    with scene(program):
        overlay, w, pressed = start_with_countdown(program, 3)
        # Over the middle of the region.
        cx, cy = (w.rect[0] + w.rect[2]) // 2, (w.rect[1] + w.rect[3]) // 2
        ox, oy = (overlay.rect[0] + overlay.rect[2]) // 2, (overlay.rect[1] + overlay.rect[3]) // 2
        check(abs(cx - ox) <= 12 and abs(cy - oy) <= 12, 'countdown at %s, region centre %s' % ((cx, cy), (ox, oy)))
        check(not program.gifs(), 'a file before the countdown ran out')
        wait_for('the recording to start', program.gifs, 15)
        started = time.time() - pressed
        check(2.5 <= started <= 6.0, 'recording started %.1f s after Record' % started)
        check(not visible_countdown(program), 'the countdown stayed up while recording')
        time.sleep(1.5)
        program.press(1002)
        program.accept_completion(wait_completion(program))
    _, frames = gif_frames(program.gifs()[0])
    for k, (image, _) in enumerate(frames[:5]):
        check(colour_share(image, BACKGROUND, 20) < 0.02, 'frame %d holds the countdown' % k)


def stop_cancels(program):
    with scene(program):
        # Ten seconds: gone within five, the countdown was put away, not left to run out.
        start_with_countdown(program, 10)
        program.press(1002)
        wait_for('the countdown to go', lambda: not visible_countdown(program), 5)
        check(no_message_for(program, 6.0), 'a message after cancelling')
        check(not program.gifs(), 'Stop during the countdown left a file: %s' % program.gifs())


def escape_cancels(program):
    with scene(program):
        start_with_countdown(program, 5)
        key('Escape')
        wait_for('the countdown to go', lambda: not visible_countdown(program), 10)
        check(no_message_for(program, 6.0), 'a message after cancelling')
        check(not program.gifs(), 'Esc during the countdown left a file: %s' % program.gifs())
        # The region is still chosen: Record counts down again and records.
        program.press(1001)
        wait_for('the countdown again', lambda: visible_countdown(program), 10)
        wait_for('the recording to start', program.gifs, 15)
        program.press(1002)
        program.accept_completion(wait_completion(program))


def select_cancels(program):
    """Select during the countdown puts it away for a new selection; nothing records."""
    with scene(program):
        start_with_countdown(program, 10)
        program.press(1000)
        # The overlay would cover a countdown left running: the window itself must be hidden.
        wait_for('the countdown to go', lambda: not countdown_window(program), 5)
        wait_for('the selection overlay', lambda: program.overlay() and program.overlay().rect[2] >= 1900)
        check(no_message_for(program, 5.0), 'a message after selecting again')
        check(not program.gifs(), 'Select during the countdown left a file: %s' % program.gifs())


def settings_store_countdown(program):
    from settings_test import number_field
    number_field(program, 1030, '0', ('11', '99'), '倒计时范围是0-10秒!', '10', 'CountdownSeconds')


SCENARIOS = [
    ('counts_down_then_records', counts_down_then_records),
    ('stop_cancels', stop_cancels),
    ('escape_cancels', escape_cancels),
    ('select_cancels', select_cancels),
    ('settings_store_countdown', settings_store_countdown),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
