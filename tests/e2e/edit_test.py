#!/usr/bin/python3
"""The review window's edits, driven with real pointer and keyboard input and read back with
Pillow and giflib: a crop keeps exactly the chosen pixels, a deleted part removes exactly its
frames, speeds give the delays asked, still moments end at the limit, undo and redo, a copy
saved under a new name keeps the original byte for byte, and the picture and the tool window's
file name line drag the file into another program as a file drop."""
import os
import queue
import re
import shutil
import subprocess
import sys
import threading
import time

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import (arguments, centre, check, click, gif_frames, giflib_delays, key, run_scenarios,  # noqa: E402
                        wait_for, xdo)
from ravlin_e2e import Ravlin  # noqa: E402
from recording_test import scene, select_region, wait_completion  # noqa: E402
from review_test import TITLE, position, press, wait_position  # noqa: E402

SLIDER, SET_START, SET_END, RANGE, SAVE, KEEP_ALL = 1102, 1105, 1106, 1107, 1108, 1109
CROP, CUT, SPEED, PAUSES, SAVE_AS, EDITS = 1112, 1113, 1115, 1116, 1117, 1118
PICTURE = 1101
NO_EDITS = '拖动画面'  # the start of the line shown while nothing is edited


def record_into_review(program, sc, during=None, seconds=3.0):
    """A recording of the moving scene with the review on; `during` runs while it records.
    Returns the review window, the file and a copy of it as written."""
    program.reset_config({'ReviewAfterRecording': '1'})
    program.clear_output()
    program.start()
    select_region(program, (150, 180), (450, 380))
    program.press(1001)
    wait_for('some frames', lambda: program.gifs() and os.path.getsize(program.gifs()[0]) > 20000, 60)
    if during:
        during(sc)
    else:
        time.sleep(seconds)  # a few seconds of the moving scene: the length is not waited for
    program.press(1002)
    review = wait_for('the review window', lambda: program.find_window(TITLE), 120)
    path = program.gifs()[0]
    original = path + '.before'
    shutil.copy(path, original)
    return review, path, original


def edits_line(program, review):
    return program.probe.control(review.hwnd, EDITS).text


def wait_edits(program, review, words):
    return wait_for('the edits line to say %r' % words, lambda: words in edits_line(program, review), 20)


def choose_speed(program, review, steps):
    """Opens the speed list and moves `steps` entries down from where it stands."""
    click(centre(program.probe.control(review.hwnd, SPEED).rect))
    time.sleep(0.3)  # pacing only: the list opens; the result is waited for by the caller
    for _ in range(abs(steps)):
        key('Down' if steps > 0 else 'Up')
    key('Return')


def save_and_close(program, review):
    press(program, review, SAVE)
    wait_for('the review to close', lambda: not program.find_window(TITLE), 120)
    program.accept_completion(wait_completion(program))


def arrays(frames):
    return [numpy.asarray(image) for image, _ in frames]


def crop_exactly(program):
    with scene(program) as sc:
        review, path, original = record_into_review(program, sc)
        press(program, review, CROP)
        area = program.probe.control(review.hwnd, PICTURE).rect
        cx, cy = centre(area)
        xdo('mousemove', cx - 70, cy - 50)
        xdo('mousedown', 1)
        for i in range(1, 9):
            xdo('mousemove', cx - 70 + 15 * i, cy - 50 + 10 * i)
            time.sleep(0.03)
        xdo('mouseup', 1)
        size = re.compile(r'(\d+)×(\d+)')
        m = wait_for('the size shown', lambda: size.search(edits_line(program, review)), 20)
        w, h = int(m.group(1)), int(m.group(2))
        check(100 <= w <= 140 and 70 <= h <= 95, 'dragged %dx%d' % (w, h))
        key('shift+Right')  # the right edge a pixel further
        wait_edits(program, review, '%d×%d' % (w + 1, h))
        program.shot('review-crop', (review.rect[0] - 8, review.rect[1] - 8, review.rect[2] + 8, review.rect[3] + 8))
        key('Right')  # the whole rectangle a pixel to the right: the size stays
        key('Return')
        wait_edits(program, review, '裁剪 %d×%d' % (w + 1, h))
        save_and_close(program, review)

        size_before, before = gif_frames(original)
        size_after, after = gif_frames(path)
        check(size_after == (w + 1, h), 'saved size %s, chose %dx%d' % (size_after, w + 1, h))
        check(len(after) == len(before), '%d frames of %d' % (len(after), len(before)))
        a, b = arrays(after), arrays(before)
        places = [(x, y) for y in range(size_before[1] - h + 1) for x in range(size_before[0] - w)
                  if numpy.array_equal(b[0][y:y + h, x:x + w + 1], a[0])]
        check(places, 'the first saved frame is no part of the first frame')
        x, y = places[0]
        for k in range(len(after)):
            check(numpy.array_equal(b[k][y:y + h, x:x + w + 1], a[k]), 'frame %d holds other pixels' % k)
        check(giflib_delays(path) == giflib_delays(original), 'delays changed by a crop')


def cut_undo_redo(program):
    with scene(program) as sc:
        review, path, original = record_into_review(program, sc)
        _, count = position(program, review)
        click(centre(program.probe.control(review.hwnd, SLIDER).rect))  # pauses
        key('Home')
        for _ in range(3):
            key('Right')
        wait_position(program, review, 4)
        press(program, review, SET_START)
        for _ in range(3):
            key('Right')
        wait_position(program, review, 7)
        press(program, review, SET_END)
        press(program, review, CUT)
        wait_edits(program, review, '删除了 1 段')
        wait_for('the mark back on everything', lambda: program.probe.control(review.hwnd, RANGE).text.startswith(
            '保留第 1-%d 帧' % count), 10)
        key('ctrl+z')
        wait_edits(program, review, NO_EDITS)
        key('ctrl+y')
        wait_edits(program, review, '删除了 1 段')
        choose_speed(program, review, 2)  # 1x -> 2x
        wait_edits(program, review, '速度 2×')
        key('ctrl+z')
        wait_for('the speed undone', lambda: '速度' not in edits_line(program, review)
                 and program.probe.control(review.hwnd, SPEED).text == '1×', 20)
        save_and_close(program, review)

        _, before = gif_frames(original)
        _, after = gif_frames(path)
        want = before[:3] + before[7:]
        check(len(after) == len(want), 'kept %d of %d frames, expected %d' % (len(after), len(before), len(want)))
        for k, ((image, delay), (want_image, want_delay)) in enumerate(zip(after, want)):
            check(image.tobytes() == want_image.tobytes() and delay == want_delay, 'frame %d differs' % k)
        d = giflib_delays(original)
        check(giflib_delays(path) == d[:3] + d[7:], 'giftext delays differ')


def planned(delays, percent):
    """Frames kept and their delays at a speed: starts rounded from the running sum; a frame
    that would start less than 2 hundredths after the one before is merged into it."""
    starts, kept, total = [], [], 0
    for k, d in enumerate(delays):
        start = (total * 100 + percent // 2) // percent
        total += d
        if kept and start - starts[-1] < 2:
            continue
        kept.append(k)
        starts.append(start)
    end = (total * 100 + percent // 2) // percent
    if len(kept) > 1 and end - starts[-1] < 2:
        kept.pop()
        starts.pop()
    return kept, [b - a for a, b in zip(starts, starts[1:] + [end])]


def speeds(program):
    with scene(program) as sc:
        for steps, percent in ((-1, 50), (3, 300)):
            review, path, original = record_into_review(program, sc, seconds=2.0)
            choose_speed(program, review, steps)
            wait_edits(program, review, '速度 %s×' % ('0.5' if percent == 50 else '3'))
            save_and_close(program, review)
            _, before = gif_frames(original)
            _, after = gif_frames(path)
            kept, want = planned(giflib_delays(original), percent)
            got = giflib_delays(path)
            check(got == want, '%d%%: delays %s, expected %s' % (percent, got, want))
            check(min(got) >= 2, '%d%%: a delay below 2 hundredths' % percent)
            check([i.tobytes() for i, _ in after] == [before[k][0].tobytes() for k in kept],
                  '%d%%: the frames kept are not the original ones' % percent)
            program.stop()


def runs(frames):
    """The pictures in order with how long each shows (ms), neighbours that look alike joined."""
    out = []
    for image, ms in frames:
        if out and out[-1][0] == image.tobytes():
            out[-1][1] += ms
        else:
            out.append([image.tobytes(), ms])
    return out


def pauses_shortened(program):
    def hold_still(sc):
        time.sleep(1.0)
        sc.proc.stdin.write('stop\n')
        sc.proc.stdin.flush()
        time.sleep(2.5)
        sc.proc.stdin.write('go\n')
        sc.proc.stdin.flush()
        time.sleep(1.0)

    with scene(program) as sc:
        review, path, original = record_into_review(program, sc, during=hold_still)
        press(program, review, PAUSES)
        wait_edits(program, review, '静止画面最长 1 秒')
        save_and_close(program, review)
        _, before = gif_frames(original)
        _, after = gif_frames(path)
        was, now = runs(before), runs(after)
        check(max(ms for _, ms in was) > 1500, 'no still moment recorded: %s' % [ms for _, ms in was])
        check([p for p, _ in now] == [p for p, _ in was], 'the pictures shown changed')
        check([ms for _, ms in now] == [min(ms, 1000) for _, ms in was],
              'still moments %s, were %s' % ([ms for _, ms in now], [ms for _, ms in was]))
        giflib_delays(path)


def save_as_keeps_original(program):
    with scene(program) as sc:
        review, path, original = record_into_review(program, sc)
        click(centre(program.probe.control(review.hwnd, SLIDER).rect))
        key('Home')
        wait_position(program, review, 1)
        press(program, review, SET_START)
        key('Right')
        wait_position(program, review, 2)
        press(program, review, SET_END)
        press(program, review, CUT)
        wait_edits(program, review, '删除了 1 段')
        press(program, review, SAVE_AS)
        chooser = wait_for('the save dialog', lambda: [w for w in program.probe.windows()
                                                       if w.cls == '#32770' and w.title not in (TITLE, 'Ravlin')], 30)[0]
        click((chooser.rect[0] + 40, chooser.rect[1] + 10))  # the dialog takes the keys
        key('Return')  # the name proposed: beside the recording, numbered
        wait_for('the review to close', lambda: not program.find_window(TITLE), 120)
        program.accept_completion(wait_completion(program))
        check(open(path, 'rb').read() == open(original, 'rb').read(), 'the original changed')
        copy = path[:-4] + '-2.gif'
        check(os.path.exists(copy), 'no copy at %s: %s' % (copy, os.listdir(os.path.dirname(path))))
        _, before = gif_frames(original)
        _, after = gif_frames(copy)
        check([i.tobytes() for i, _ in after] == [i.tobytes() for i, _ in before[2:]], 'the copy is not the edit')


def failed_save_keeps_recording(program):
    with scene(program) as sc:
        review, path, original = record_into_review(program, sc, seconds=1.5)
        choose_speed(program, review, 2)
        wait_edits(program, review, '速度 2×')
        # A folder where the new file must go: it cannot be written (the test runs as root, so
        # the folder's own permissions would not stop it).
        blocker = path + '.trim'
        os.mkdir(blocker)
        try:
            press(program, review, SAVE)
            program.answer(program.wait_message('录制文件保持原样'), 1)
        finally:
            os.rmdir(blocker)
        check(program.find_window(TITLE), 'the review closed after a failed save')
        check(open(path, 'rb').read() == open(original, 'rb').read(), 'a failed save changed the recording')
        check('速度 2×' in edits_line(program, review), 'the edits were lost: %r' % edits_line(program, review))
        save_and_close(program, review)  # and the same edits save once the way is clear
        check(giflib_delays(path) == planned(giflib_delays(original), 200)[1], 'the edits were not saved')


class DropTarget:
    """A window of another program that takes file drops and says which files it got."""

    def __init__(self, program, rect):
        left, top, right, bottom = rect
        self.rect = rect
        self.proc = subprocess.Popen([program.wine_run, program.helper, 'droptarget', str(left), str(top),
                                      str(right - left), str(bottom - top)], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, env=program.env, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        check(self.lines.get(timeout=60) == 'ready', 'the drop target did not start')

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.strip())

    def dropped(self, timeout=20):
        try:
            line = self.lines.get(timeout=timeout)
        except queue.Empty:
            return None
        return line[len('dropped '):] if line.startswith('dropped ') else None

    def close(self):
        self.proc.stdin.close()
        self.proc.wait(timeout=30)


def drag_to(start, end):
    xdo('mousemove', *start)
    xdo('mousedown', 1)
    for i in range(1, 21):
        xdo('mousemove', start[0] + (end[0] - start[0]) * i // 20, start[1] + (end[1] - start[1]) * i // 20)
        time.sleep(0.05)
    time.sleep(0.3)  # pacing only: the drop target sees the pointer over it before the release
    xdo('mouseup', 1)


def drag_out(program):
    target = DropTarget(program, (1500, 80, 1850, 330))
    try:
        with scene(program) as sc:
            review, path, original = record_into_review(program, sc, seconds=1.5)
            click(centre(program.probe.control(review.hwnd, SLIDER).rect))  # pauses
            drag_to(centre(program.probe.control(review.hwnd, PICTURE).rect), centre(target.rect))
            got = target.dropped()
            check(got and got.replace('\\', '/').lower().endswith(os.path.basename(path).lower()),
                  'the picture dropped %r, not %s' % (got, path))
            press(program, review, KEEP_ALL)
            program.accept_completion(wait_completion(program))
            # The tool window's third status line names the file: 50 pixels right of the stop
            # button and two lines of 40 pixels below it.
            stop = program.button(1002).rect
            drag_to((stop[0] + 90, stop[1] + 92), centre(target.rect))
            got = target.dropped()
            check(got and got.replace('\\', '/').lower().endswith(os.path.basename(path).lower()),
                  'the file name line dropped %r, not %s' % (got, path))
            check(open(path, 'rb').read() == open(original, 'rb').read(), 'dragging changed the file')
    finally:
        target.close()


SCENARIOS = [
    ('crop_exactly', crop_exactly),
    ('cut_undo_redo', cut_undo_redo),
    ('speeds', speeds),
    ('pauses_shortened', pauses_shortened),
    ('save_as_keeps_original', save_as_keeps_original),
    ('failed_save_keeps_recording', failed_save_keeps_recording),
    ('drag_out', drag_out),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
