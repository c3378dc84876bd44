#!/usr/bin/python3
"""The size limit, as a user meets it: a recording of a busy scene stops by itself at the last
frame that keeps the file within the limit, the completion box says why with the size, and the
settings dialog stores and refuses limits."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, gif_frames, giflib_delays, run_scenarios, wait_for  # noqa: E402
from recording_test import SCENE, scene, select_region, wait_completion  # noqa: E402


def count_and_size_apart(program):
    """The second status line holds the encoded count at its left and "x KB / 1 MB" at its right
    with clear room between them (once the size was drawn over the count)."""
    c = program.main.client
    box = (c[0] + 146, c[1] + 74, c[0] + 390, c[1] + 93)  # the line's text area at 96 DPI

    def apart():
        image = program.shot('status-count-and-size-%s' % program.lang, box).convert('RGB')
        w, h = image.size
        inked = [any(max(image.getpixel((x, y))) >= 110 for y in range(h)) for x in range(w)]
        if not (any(inked[:12]) and any(inked[-12:])):
            return None  # not both drawn yet
        first, last = inked.index(True), w - 1 - inked[::-1].index(True)
        widest, run = 0, 0
        for x in range(first, last + 1):
            run = 0 if inked[x] else run + 1
            widest = max(widest, run)
        return ('apart', widest) if widest >= 8 else ('touching', widest)
    verdict = wait_for('the count and the size on the second status line', apart)
    check(verdict[0] == 'apart', 'the count and the size have only %d empty columns between them' % verdict[1])


def stops_by_itself_within_the_limit(program):
    program.reset_config({'MaxFileSizeMB': '1'})
    program.clear_output()
    with scene(program, SCENE):
        program.start()
        select_region(program, (SCENE[0] + 10, SCENE[1] + 10), (SCENE[2] - 10, SCENE[3] - 10))
        program.press(1001)
        count_and_size_apart(program)
        # No Stop: the limit ends it.
        box = wait_completion(program, 120)
        text = ' '.join(c.text for c in program.probe.children(box.hwnd) if c.text)
        check(program.tr('已达到文件大小上限 1 MB') in text, 'the box does not say why: %r' % text)
        check(program.tr('文件大小: ') in text, 'the box does not give the size: %r' % text)
        program.accept_completion(box)
    path = program.gifs()[0]
    size = os.path.getsize(path)
    check(0 < size <= 1048576, 'the file is %d bytes, the limit 1048576' % size)
    _, frames = gif_frames(path)
    check(len(frames) >= 2, 'only %d frames kept' % len(frames))
    check(len(giflib_delays(path)) == len(frames), 'giflib and Pillow disagree on the frames')


def settings_store_the_limit(program):
    from settings_test import number_field
    number_field(program, 1032, '0', ('4001',), '文件大小上限范围是0-4000MB!', '10', 'MaxFileSizeMB')


SCENARIOS = [
    ('stops_by_itself_within_the_limit', stops_by_itself_within_the_limit),
    ('settings_store_the_limit', settings_store_the_limit),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
