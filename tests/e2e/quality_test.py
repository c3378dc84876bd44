#!/usr/bin/python3
"""The compact mode's size as a user meets it: the settings dialog refuses a quality outside
1..100 and stores the one typed, and the next recording of a busy, photo-like scene uses it: a low
quality gives far fewer bytes a frame than 100, in a file every decoder reads. A still screen costs
nothing: its frames become a few images whose delays add up to the time recorded."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, gif_frames, giflib_delays, run_scenarios, wait_for  # noqa: E402
from recording_test import SCENE, scene, select_region, wait_completion  # noqa: E402
from settings_test import ok_accepted, ok_expecting, open_settings, type_into  # noqa: E402

QUALITY = 1033


def record_for(program, seconds):
    """Records most of the scene for about `seconds`; the new file's bytes a frame."""
    select_region(program, (SCENE[0] + 10, SCENE[1] + 10), (SCENE[2] - 10, SCENE[3] - 10))
    before = set(program.gifs())
    program.press(1001)
    wait_for('recording to start', lambda: [g for g in program.gifs() if g not in before])
    time.sleep(seconds)
    program.press(1002)
    program.accept_completion(wait_completion(program))
    path = [g for g in program.gifs() if g not in before][0]
    _, frames = gif_frames(path)
    check(len(frames) >= 5, 'only %d frames in %s' % (len(frames), path))
    check(len(giflib_delays(path)) == len(frames), 'giflib and Pillow disagree on the frames of %s' % path)
    return os.path.getsize(path) / len(frames)


def quality_is_stored_and_used(program):
    program.reset_config({'CompactMode': '1'})
    program.clear_output()
    with scene(program, SCENE, 'busyscene'):
        program.start()
        sharp = record_for(program, 3)
        dialog = open_settings(program)
        check(program.probe.control(dialog.hwnd, QUALITY).text == '100', 'the quality does not show 100')
        check(program.probe.control(dialog.hwnd, QUALITY).enabled, 'the quality is disabled in the compact mode')
        for bad in ('0', '101'):
            type_into(program, dialog, QUALITY, bad)
            ok_expecting(program, dialog, '画质范围是1-100!')
        type_into(program, dialog, QUALITY, '20')
        ok_accepted(program, dialog)
        check(program.read_config().get('Quality') == '20', 'stored %s' % program.read_config())
        rough = record_for(program, 3)
    print('bytes a frame: quality 100 %.0f, quality 20 %.0f' % (sharp, rough))
    check(rough < 0.8 * sharp, 'quality 20 gives %.0f bytes a frame, 100 gives %.0f' % (rough, sharp))


def still_screen_is_a_few_long_frames(program):
    interval_ms = 50
    program.reset_config({'CompactMode': '1', 'TrueSpeed': '1', 'CaptureDelay': str(interval_ms),
                          'RecordPointer': '0'})
    program.clear_output()
    with scene(program, SCENE) as sc:
        sc.proc.stdin.write('stop\n')
        sc.proc.stdin.flush()
        program.start()
        select_region(program, (SCENE[0] + 10, SCENE[1] + 10), (SCENE[2] - 10, SCENE[3] - 10))
        before = set(program.gifs())
        # The recording's clock starts after the start is asked for and before the file appears,
        # and stops after the stop is asked for and before the completion message.
        pressed = time.time()
        program.press(1001)
        path = wait_for('recording to start', lambda: [g for g in program.gifs() if g not in before])[0]
        seen = time.time()
        time.sleep(5)
        asked = time.time()
        program.press(1002)
        box = wait_completion(program)
        ended = time.time()
        program.accept_completion(box)
    delays = giflib_delays(path)
    _, frames = gif_frames(path)
    total_ms = 10 * sum(delays)
    print('still screen: %d bytes, delays %s, recorded %.2f to %.2f s' % (os.path.getsize(path), delays,
                                                                          asked - seen, ended - pressed))
    # The overlay going and coming back at the start and the stop may change a frame or two; the
    # still seconds between are one image (each was a frame of its own: about 100 at this rate).
    check(1 <= len(delays) <= 8, 'a still screen gave %d images: %s' % (len(delays), delays))
    check(max(delays) >= 300, 'no long still image: %s' % delays)
    check(sum(d for _, d in frames) == total_ms, 'Pillow reads %s' % [d for _, d in frames])
    check((asked - seen) * 1000 - interval_ms <= total_ms <= (ended - pressed) * 1000 + interval_ms,
          'the delays add up to %d ms; %.0f to %.0f ms were recorded' % (total_ms, (asked - seen) * 1000,
                                                                         (ended - pressed) * 1000))


SCENARIOS = [
    ('quality_is_stored_and_used', quality_is_stored_and_used),
    ('still_screen_is_a_few_long_frames', still_screen_is_a_few_long_frames),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
