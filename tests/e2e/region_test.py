#!/usr/bin/python3
"""ravlin.exe end to end: the ways of choosing a region, under Wine with a window manager
(openbox), driven with real pointer and keyboard input: a dragged band, a picked window and a
typed size. Each ends in the same frame, and each recording is read back with Pillow: no corner
mark is in any frame, and the frames have the region's exact size."""
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import (Ravlin, arguments, centre, check, click, gif_frames, key, run_scenarios,  # noqa: E402
                        screenshot, wait_for, xdo, Failure)
from recording_test import scene, wait_completion  # noqa: E402
import wine_desktop  # noqa: E402  (on the path once ravlin_e2e is imported)

MARGIN = 5  # the marks' thickness at 96 DPI: the band around the region that holds them
MARK_GREEN, MARK_RED = (0, 255, 0), (255, 0, 0)
PICK_OUTLINE = (0, 120, 215)
HINT_BOX = (255, 255, 224)
# The scene helper's window: colour bars and a moving white square, none of the marks' colours;
# clear of the main window, which sits in the middle of the screen.
SCENE = (100, 100, 700, 440)
SCREEN = (1920, 1080)
# The typed-size dialog's controls.
REGION_WIDTH, PRESET_1280, SIZE_NOTE = 1201, 1205, 1207


def around(region):
    l, t, r, b = region
    return (l - MARGIN, t - MARGIN, r + MARGIN, b + MARGIN)


def near(pixel, colour, tolerance=60):
    return sum((a - b) ** 2 for a, b in zip(pixel, colour)) <= tolerance ** 2


def mark_pixels(image, corner=30):
    """Pixels of the marks' green or red (the GIF's palette may move them a little) in the
    corners of the image, where a mark drawn or placed wrongly would show. (The main window's
    own green icon may lie inside a large region.)"""
    w, h = image.size
    count = 0
    for box in ((0, 0, corner, corner), (w - corner, 0, w, corner), (0, h - corner, corner, h),
                (w - corner, h - corner, w, h)):
        count += sum(1 for p in image.crop(box).getdata() if near(p, MARK_GREEN) or near(p, MARK_RED))
    return count


def open_overlay(program):
    def shown():
        return (program.overlay() or None) and program.overlay().client[2] - program.overlay().client[0] >= SCREEN[0] \
            and program.overlay()
    program.press(1000)
    # Under openbox, about one press in twenty leaves no overlay (it comes up and hides itself
    # again, with the tool window back to no region); the cause is not found yet. Pressed again
    # once, so that the suites test the rest; a second miss fails.
    try:
        return wait_for('the selection overlay', shown, timeout=15)
    except Failure:
        print('note: the overlay did not come up after Select; pressing it again', flush=True)
    program.press(1000)
    return wait_for('the selection overlay', shown)


def frame_on(program, region):
    return wait_for('the frame around %s' % (region,), lambda: (program.overlay() or None)
                    and program.overlay().client == around(region) and program.overlay())


def record_and_check(program, region, seconds=1.5):
    """Records the region; the frames have its exact size and hold no mark pixel, although the
    red marks were on screen around it the whole time."""
    before = program.gifs()
    program.press(1001)
    wait_for('recording to start', lambda: [g for g in program.gifs() if g not in before])
    l, t, r, b = around(region)
    # The four marks are painted one after the other: wait for all of them, not the first alone.
    wait_for('the red marks around the region', lambda: (lambda im: near(im.getpixel((l + 1, t + 1)), MARK_RED)
                                                         and mark_pixels(im.crop(around(region))) >= 4 * (25 * 5 * 2 - 25))(
                                                             screenshot()))
    time.sleep(seconds)
    program.press(1002)
    program.accept_completion(wait_completion(program))
    path = [g for g in program.gifs() if g not in before][0]
    size, frames = gif_frames(path)
    check(size == (region[2] - region[0], region[3] - region[1]), 'GIF is %s, the region %s' % (size, region))
    check(len(frames) >= 5, 'only %d frames' % len(frames))
    marked = [(i, n) for i, n in ((i, mark_pixels(f)) for i, (f, _) in enumerate(frames)) if n]
    check(not marked, 'mark pixels in frames (frame, count): %s' % marked[:5])
    return frames


def marks_are_never_recorded(program):
    """A dragged band over known content: every frame has the band's size and no mark pixel."""
    program.reset_config()
    program.clear_output()
    with scene(program, SCENE):
        program.start()
        open_overlay(program)
        wine_desktop.drag((150, 150), (650, 400), steps=8, settle=0.1)
        frame_on(program, (150, 150, 650, 400))
        record_and_check(program, (150, 150, 650, 400))


def pick_a_window(program):
    """Tab on the overlay picks windows: hovering the scene's window outlines it, a click takes
    exactly its rectangle, and the recording has its size."""
    program.reset_config()
    program.clear_output()
    with scene(program, SCENE):
        program.start()
        open_overlay(program)
        xdo('mousemove', 200, 900)
        # The hint names the keys before any is pressed.
        wait_for('the hint on the overlay', lambda: any(c == HINT_BOX for _, c in
                                                     screenshot().crop((0, 0, SCREEN[0], 120)).getcolors(1 << 20)))
        key('Tab')
        xdo('mousemove', *centre(SCENE))
        l, t, r, b = SCENE

        def outlined():
            image = screenshot()
            edges = [(l + 1, (t + b) // 2), (r - 2, (t + b) // 2), ((l + r) // 2, t + 1), ((l + r) // 2, b - 2)]
            return all(image.getpixel(p) == PICK_OUTLINE for p in edges) and image
        image = wait_for('the scene window outlined', outlined)
        image.save(os.path.join(program.artefacts, 'pick-window.png'))
        check(image.getpixel((l - 3, t - 3)) != PICK_OUTLINE, 'the outline reaches beyond the window')
        xdo('click', 1)
        frame_on(program, SCENE)
        record_and_check(program, SCENE)


def type_a_size(program):
    """S on the overlay asks for a size: a preset places a region of exactly that size in the middle
    of the screen; a width larger than the screen is noted in the dialog and cut to the screen."""
    program.reset_config()
    program.clear_output()
    title = program.tr('区域尺寸')
    with scene(program, SCENE):
        program.start()
        open_overlay(program)
        key('s')
        dialog = wait_for('the size dialog', lambda: program.find_window(title))
        check(program.overlay() is None, 'the overlay stays up behind the size dialog')
        click(centre(program.probe.control(dialog.hwnd, PRESET_1280).rect))
        wait_for('the preset in the width field',
                 lambda: program.probe.control(dialog.hwnd, REGION_WIDTH).text == '1280')
        program.answer(dialog, 1)
        middle = ((SCREEN[0] - 1280) // 2, (SCREEN[1] - 720) // 2, (SCREEN[0] + 1280) // 2, (SCREEN[1] + 720) // 2)
        frame_on(program, middle)


        # Larger than the screen: the dialog says so with the largest size that fits and waits.
        # The keyboard alone: the width is selected when the dialog opens.
        open_overlay(program)
        key('s')
        dialog = wait_for('the size dialog again', lambda: program.find_window(title))
        wait_keyboard(program, title)
        xdo('type', '3000')
        note = wait_for('the note about the screen', lambda: program.probe.control(dialog.hwnd, SIZE_NOTE).text)
        # The dialog opened on the overlay starts at 640 x 480: the height fits.
        check('1920 x 480' in note, 'the note %r does not give the largest size that fits' % note)
        check(not program.probe.control(dialog.hwnd, 1).enabled, 'OK is enabled for a size larger than the screen')
        key('Return')
        time.sleep(0.5)
        check(program.find_window(title), 'Enter took a size larger than the screen')
        # The whole-screen preset by its access key, and Enter.
        key('alt+s')
        wait_for('the screen size in the fields', lambda: (program.probe.control(dialog.hwnd, REGION_WIDTH).text,
                                                           program.probe.control(dialog.hwnd, 1202).text,
                                                           program.probe.control(dialog.hwnd, SIZE_NOTE).text,
                                                           program.probe.control(dialog.hwnd, 1).enabled)
                 == ('1920', '1080', '', 1))
        key('Return')
        whole_screen_shown(program)


def wait_keyboard(program, title):
    """Waits until the window titled `title` has the X keyboard focus."""
    wait_for('%s to have the keyboard' % title, lambda: subprocess.run(
        ['xdotool', 'getwindowfocus', 'getwindowname'], capture_output=True, text=True).stdout.strip() == title)


def whole_screen_shown(program):
    """The frame of a whole-screen region: the window is the screen, no mark anywhere, and the
    tool window's first status line names it."""
    full = (0, 0) + SCREEN
    wait_for('the region on the whole screen', lambda: (program.overlay() or None)
             and program.overlay().client == full and program.overlay().rect == full)
    main = program.main.rect

    def no_marks():
        image = screenshot()
        marks = [p for p in ((x, y) for x in range(0, SCREEN[0], 2) for y in (0, 1, 2, 3, 4, SCREEN[1] - 1))
                 if near(image.getpixel(p), MARK_GREEN, 30)]
        return image if not marks else None
    wait_for('a screen without marks', no_marks)
    line = program.shot('whole-screen-line-%s' % program.lang, (main[0] + 142, main[1] + 30, main[0] + 392, main[1] + 55))
    wait_for('the whole-screen line', lambda: sum(1 for p in program.shot(
        'whole-screen-line-%s' % program.lang, (main[0] + 142, main[1] + 30, main[0] + 392, main[1] + 55)).getdata()
        if min(p) >= 120) > 30)
    return line


def whole_screen(program):
    """A band dragged from the screen's first pixel to its last takes the whole screen, and so
    does W on the overlay (the monitor under the pointer); a recording of it is the screen's size
    and holds no mark."""
    program.reset_config()
    program.clear_output()
    with scene(program, SCENE):
        program.start()
        open_overlay(program)
        wine_desktop.drag((0, 0), (SCREEN[0] - 1, SCREEN[1] - 1), steps=8, settle=0.1)
        whole_screen_shown(program)
        before = program.gifs()
        program.press(1001)
        wait_for('recording to start', lambda: [g for g in program.gifs() if g not in before])
        time.sleep(1.5)
        program.press(1002)
        program.accept_completion(wait_completion(program))
        size, frames = gif_frames([g for g in program.gifs() if g not in before][0])
        check(size == SCREEN, 'the whole-screen GIF is %s' % (size,))
        marked = [i for i, (f, _) in enumerate(frames) if mark_pixels(f)]
        check(not marked, 'mark pixels in frames %s' % marked[:5])

        # W on the overlay, the pointer anywhere on the monitor.
        open_overlay(program)
        xdo('mousemove', 900, 700)
        key('w')
        whole_screen_shown(program)


SCENARIOS = [
    ('marks_are_never_recorded', marks_are_never_recorded),
    ('pick_a_window', pick_a_window),
    ('type_a_size', type_a_size),
    ('whole_screen', whole_screen),
]


def main():
    args = arguments(__doc__)
    program = Ravlin(args)
    wine_desktop.prepare_prefix(program.wine_run, 'ravlin.exe', program.env, managed=True)
    manager = None
    if shutil.which('openbox'):
        manager = subprocess.Popen(['openbox'], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for('the window manager', lambda: 'window id' in subprocess.run(
            ['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], capture_output=True, text=True).stdout)
    try:
        return run_scenarios(program, SCENARIOS, args.scenarios)
    finally:
        if manager:
            manager.terminate()
            manager.wait(timeout=30)
        wine_desktop.prepare_prefix(program.wine_run, 'ravlin.exe', program.env)


if __name__ == '__main__':
    sys.exit(main())
