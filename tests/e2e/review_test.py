#!/usr/bin/python3
"""The review window after a recording, driven with real pointer and keyboard input: it plays
the file, keys move through it, the marked part is kept exactly as it showed, everything can be
kept or deleted, and a save that fails leaves the recording as it was."""
import os
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import arguments, centre, check, click, gif_frames, giflib_delays, key, run_scenarios, wait_for  # noqa: E402
from ravlin_e2e import Ravlin  # noqa: E402
from recording_test import no_message_for, scene, select_region, wait_completion  # noqa: E402

TITLE = '预览和裁剪'
PICTURE, SLIDER, PLAY, POSITION, SET_START, SET_END, RANGE, SAVE, KEEP_ALL, DELETE = range(1101, 1111)
REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))


def record_into_review(program, values=None, seconds=3.0):
    """A short recording of the moving scene with the review on; returns the review window and a
    copy of the file as it was written."""
    program.reset_config(dict({'ReviewAfterRecording': '1'}, **(values or {})))
    program.clear_output()
    program.start()
    select_region(program, (150, 180), (450, 380))
    program.press(1001)
    wait_for('some frames', lambda: program.gifs() and os.path.getsize(program.gifs()[0]) > 20000, 60)
    time.sleep(seconds)  # a few seconds of the moving scene: the length is not waited for
    program.press(1002)
    review = wait_for('the review window', lambda: program.find_window(TITLE), 120)
    check(program.message_box() is None, 'the completion box came before the review')
    path = program.gifs()[0]
    original = path + '.before'
    shutil.copy(path, original)
    return review, path, original


def position(program, review):
    """(frame, count) from the position text."""
    text = program.probe.control(review.hwnd, POSITION).text
    m = re.match(r'第 (\d+)/(\d+) 帧', text)
    check(m, 'position text %r' % text)
    return int(m.group(1)), int(m.group(2))


def wait_position(program, review, frame):
    return wait_for('frame %d shown' % frame, lambda: position(program, review)[0] == frame, 20)


def press(program, review, ident):
    click(centre(program.probe.control(review.hwnd, ident).rect))


def keys_mark_and_save(program):
    with scene(program):
        review, path, original = record_into_review(program)
        _, count = position(program, review)
        check(count >= 10, 'only %d frames recorded' % count)
        # It plays by itself; Space pauses wherever the focus is, and the keys step and jump.
        wait_for('playing', lambda: program.probe.control(review.hwnd, PLAY).text == '暂停', 10)
        click(centre(program.probe.control(review.hwnd, SLIDER).rect))  # moving the slider pauses
        wait_for('paused', lambda: program.probe.control(review.hwnd, PLAY).text == '播放', 10)
        key('space')
        wait_for('playing again', lambda: program.probe.control(review.hwnd, PLAY).text == '暂停', 10)
        key('space')
        wait_for('paused again', lambda: program.probe.control(review.hwnd, PLAY).text == '播放', 10)
        key('Home')
        wait_position(program, review, 1)
        key('End')
        wait_position(program, review, count)
        key('Home')
        for _ in range(3):
            key('Right')
        wait_position(program, review, 4)
        key('Left')
        wait_position(program, review, 3)
        press(program, review, SET_START)
        key('End')
        for _ in range(2):
            key('Left')
        wait_position(program, review, count - 2)
        press(program, review, SET_END)
        wait_for('the kept range shown', lambda: program.probe.control(review.hwnd, RANGE).text.startswith(
            '保留第 3-%d 帧' % (count - 2)), 10)
        review = program.find_window(TITLE)
        program.shot('review-window', (review.rect[0] - 8, review.rect[1] - 8, review.rect[2] + 8, review.rect[3] + 8))
        press(program, review, SAVE)
        wait_for('the review to close', lambda: not program.find_window(TITLE))
        program.accept_completion(wait_completion(program))
        # The kept file: frames 3..count-2 of the recording exactly as Pillow showed them, with
        # their delays, and giflib reads it whole.
        size, before = gif_frames(original)
        size_after, after = gif_frames(path)
        check(size_after == size, 'size %s became %s' % (size, size_after))
        check(len(after) == count - 4, 'kept %d frames of %d, expected %d' % (len(after), count, count - 4))
        for k, (image, delay) in enumerate(after):
            want, want_delay = before[k + 2]
            check(image.tobytes() == want.tobytes(), 'kept frame %d differs from frame %d' % (k, k + 3))
            check(delay == want_delay, 'kept frame %d delay %s, was %s' % (k, delay, want_delay))
        check(giflib_delays(path) == giflib_delays(original)[2:count - 2], 'giftext delays differ')
        check(not [f for f in os.listdir(os.path.dirname(path)) if f.endswith('.trim')], 'a temporary file was left')


def compact_recording_trimmed(program):
    with scene(program):
        review, path, original = record_into_review(program, {'CompactMode': '1'})
        _, count = position(program, review)
        click(centre(program.probe.control(review.hwnd, SLIDER).rect))
        key('Home')
        for _ in range(5):
            key('Right')
        wait_position(program, review, 6)
        press(program, review, SET_START)
        press(program, review, SAVE)
        wait_for('the review to close', lambda: not program.find_window(TITLE))
        program.accept_completion(wait_completion(program))
        _, before = gif_frames(original)
        _, after = gif_frames(path)
        check(len(after) == count - 5, 'kept %d of %d frames' % (len(after), count))
        for k, (image, delay) in enumerate(after):
            check(image.tobytes() == before[k + 5][0].tobytes(), 'kept frame %d differs' % k)


def keep_all_and_delete(program):
    with scene(program):
        review, path, original = record_into_review(program)
        press(program, review, KEEP_ALL)
        wait_for('the review to close', lambda: not program.find_window(TITLE))
        program.accept_completion(wait_completion(program))
        check(open(path, 'rb').read() == open(original, 'rb').read(), 'keep all changed the file')
        program.stop()

        review, path, original = record_into_review(program)
        press(program, review, DELETE)
        box = program.wait_message('确定删除这个录制吗?')
        program.answer(box, 7)  # No: nothing happens
        check(program.find_window(TITLE) and os.path.exists(path), 'No deleted the recording')
        press(program, review, DELETE)
        program.answer(program.wait_message('确定删除这个录制吗?'), 6)
        wait_for('the review to close', lambda: not program.find_window(TITLE))
        check(not os.path.exists(path), 'the recording is still there')
        check(no_message_for(program, 3.0), 'a completion box after deleting')
        check(not program.file_manager_pids(), 'the file manager opened after deleting')


def failed_save_leaves_the_recording(program):
    with scene(program):
        review, path, original = record_into_review(program)
        # A folder where the new file must go: it cannot be written (the test runs as root, so
        # the folder's own permissions would not stop it).
        blocker = path + '.trim'
        os.mkdir(blocker)
        try:
            press(program, review, SET_END)
            press(program, review, SAVE)
            program.answer(program.wait_message('录制文件保持原样'), 1)
        finally:
            os.rmdir(blocker)
        check(program.find_window(TITLE), 'the review closed after a failed save')
        check(open(path, 'rb').read() == open(original, 'rb').read(), 'a failed save changed the recording')
        # Changed by another program meanwhile: cut short, the save says so in words.
        with open(path, 'r+b') as f:
            f.truncate(os.path.getsize(path) // 2)
        cut = open(path, 'rb').read()
        press(program, review, SAVE)
        program.answer(program.wait_message('被其他程序改动'), 1)
        check(open(path, 'rb').read() == cut, 'the damaged file was changed')
        press(program, review, KEEP_ALL)
        program.accept_completion(wait_completion(program))


def settings_store_review_and_plays(program):
    """The check box and the play count in the settings dialog, and the count in the file."""
    from settings_test import ok_accepted, ok_expecting, open_settings, type_into
    REVIEW, FOREVER, PLAYS = 1027, 1028, 1029
    program.reset_config()
    program.start()
    dialog = open_settings(program)
    f = {c.id: c for c in program.probe.children(dialog.hwnd)}
    check(f[REVIEW].checked == 0 and f[FOREVER].checked == 1 and not f[PLAYS].enabled, 'defaults shown wrong')
    click(centre(f[REVIEW].rect))
    click(centre(f[FOREVER].rect))
    wait_for('the count enabled', lambda: program.probe.control(dialog.hwnd, PLAYS).enabled)
    for bad in ('0', '101', 'x'):
        type_into(program, dialog, PLAYS, bad)
        ok_expecting(program, dialog, '播放次数范围是1-100次!')
    type_into(program, dialog, PLAYS, '3')
    ok_accepted(program, dialog)
    stored = program.read_config()
    check(stored.get('ReviewAfterRecording') == '1' and stored.get('PlayCount') == '3', 'stored %s' % stored)
    program.stop()

    from PIL import Image
    for plays, loop in (('3', 2), ('1', None), ('0', 0)):
        program.reset_config({'PlayCount': plays})
        program.clear_output()
        with scene(program):
            program.start()
            select_region(program, (150, 180), (350, 330))
            program.press(1001)
            wait_for('a file', program.gifs, 30)
            time.sleep(1.0)
            program.press(1002)
            program.accept_completion(wait_completion(program))
        with Image.open(program.gifs()[0]) as im:
            check(im.info.get('loop') == loop, 'PlayCount %s: Pillow loop %r' % (plays, im.info.get('loop')))
        program.stop()


SCENARIOS = [
    ('keys_mark_and_save', keys_mark_and_save),
    ('compact_recording_trimmed', compact_recording_trimmed),
    ('keep_all_and_delete', keep_all_and_delete),
    ('failed_save_leaves_the_recording', failed_save_leaves_the_recording),
    ('settings_store_review_and_plays', settings_store_review_and_plays),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
