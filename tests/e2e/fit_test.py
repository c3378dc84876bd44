#!/usr/bin/python3
""""压缩到" in the review window, as a user meets it: a recording of a busy, photo-like scene fit
into a size typed in MB. Cancel leaves the recording byte for byte and nothing beside it; the fit
then replaces it with a file of every frame within the size and at least nine tenths of it, and
the size is remembered."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, gif_frames, giflib_delays, run_scenarios, wait_for  # noqa: E402
from recording_test import SCENE, scene, wait_completion  # noqa: E402
from review_test import TITLE, press, record_into_review  # noqa: E402
from settings_test import type_into  # noqa: E402

PROGRESS, STOP_SAVE, FIT, FIT_SIZE = 1119, 1120, 1121, 1122
MB = 1048576


def cancel_then_fit(program):
    with scene(program, SCENE, 'busyscene'):
        review, path, original = record_into_review(program, {'CompactMode': '1'}, seconds=4.0)
        before = os.path.getsize(original)
        check(before > 2 * MB, 'the recording is only %d bytes' % before)
        check(program.probe.control(review.hwnd, FIT_SIZE).text == '10', 'the size does not show 10 MB')
        type_into(program, review, FIT_SIZE, '1')
        # Cancel while it works: the recording stays as it was, with nothing left beside it.
        press(program, review, FIT)
        wait_for('the progress bar', lambda: program.probe.control(review.hwnd, PROGRESS).visible, 30)
        press(program, review, STOP_SAVE)
        wait_for('the fit to end', lambda: not program.probe.control(review.hwnd, PROGRESS).visible, 60)
        check(program.find_window(TITLE), 'the review closed after a cancel')
        check(open(path, 'rb').read() == open(original, 'rb').read(), 'a cancelled fit changed the recording')
        check(not os.path.exists(path + '.trim'), 'the cancelled file was left beside the recording')
        # Then to the end: the recording replaced by a file within the size.
        press(program, review, FIT)
        wait_for('the review to close', lambda: not program.find_window(TITLE), 600)
        program.accept_completion(wait_completion(program))
    size = os.path.getsize(path)
    print('fit %d bytes into %d: %d bytes' % (before, MB, size))
    check(0.9 * MB <= size <= MB, 'the fit file is %d bytes for a size of %d' % (size, MB))
    _, frames = gif_frames(path)
    _, kept = gif_frames(original)
    check(len(frames) == len(kept), '%d frames after the fit, %d before' % (len(frames), len(kept)))
    check(len(giflib_delays(path)) == len(frames), 'giflib and Pillow disagree on the frames')
    check(program.read_config().get('FitSizeMB') == '1', 'stored %s' % program.read_config())


SCENARIOS = [
    ('cancel_then_fit', cancel_then_fit),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
