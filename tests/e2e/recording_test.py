#!/usr/bin/python3
"""ravlin.exe end to end: recordings driven through the program's own buttons with real pointer
and keyboard input, the files read back with independent decoders (Pillow and giflib)."""
import contextlib
import datetime
import os
import re
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import (Failure, Ravlin, Scene, arguments, centre, check, click, colour_share, drag, gif_frames,
                        giflib_delays, key, run_scenarios, wait_for, xdo)

RED, GREEN, BLUE, YELLOW = (200, 30, 30), (30, 160, 30), (30, 30, 200), (220, 200, 20)
# The scene's four 200-pixel bars lie at x 100..300 (red), ..500 (green), ..700 (blue), ..900 (yellow).
SCENE = (100, 150, 900, 650)
NAME = re.compile(r'^(\d{14})(-\d+)?\.gif$')


@contextlib.contextmanager
def scene(program, rect=SCENE, kind='scene'):
    s = Scene(program.wine_run, program.helper, program.env, rect, kind)
    try:
        yield s
    finally:
        s.close()


def select_region(program, start, end):
    """Select region, drag a band; returns the overlay once it sits on the band."""
    program.press(1000)
    wait_for('the selection overlay', lambda: (program.overlay() or None) and program.overlay().rect[2] >= 1900)
    drag(start, end)
    return wait_for('the overlay on the band', lambda: (program.overlay() or None)
                    and program.overlay().rect[2] - program.overlay().rect[0] < 1900 and program.overlay())


def wait_completion(program, timeout=180):
    box = program.wait_message('录制完成!', timeout)
    return box


def new_gif(program, before):
    return wait_for('a new GIF', lambda: [g for g in program.gifs() if g not in before])


def local_stamp(t):
    return datetime.datetime.fromtimestamp(t).strftime('%Y%m%d%H%M%S')


def check_delays(path):
    size, frames = gif_frames(path)
    check(frames, 'no frames in %s' % path)
    check(all(d == 40 for _, d in frames), 'Pillow reads delays %s' % sorted({d for _, d in frames}))
    delays = giflib_delays(path)
    check(delays and set(delays) == {4}, 'giftext reads delays %s' % sorted(set(delays)))
    check(len(delays) == len(frames), 'giflib counts %d frames, Pillow %d' % (len(delays), len(frames)))
    return size, frames


def no_message_for(program, seconds):
    """True when no message box shows up within the time (for commands that must do nothing)."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        if program.message_box():
            return False
        time.sleep(0.25)
    return True


# Scenarios ---------------------------------------------------------------------------------
def record_pause_move_resume_stop(program):
    program.reset_config()
    program.clear_output()
    with scene(program):
        main = program.start()
        program.shot('main-idle', main.rect)
        check(not program.button(1005).enabled, 'open-folder button enabled before any recording')

        # Record before any region: the message, and nothing starts.
        program.press(1001)
        program.answer(program.wait_message('请先选择抓取区域！'), 1)
        check(not program.gifs(), 'a file was made without a region')

        # Stop while idle: the overlay stays hidden, no box, no file.
        program.press(1002)
        check(no_message_for(program, 1.5), 'stop while idle showed a message')
        check(program.overlay() is None and not program.gifs(), 'stop while idle did more than reset')
        # With a region chosen, stop while idle hides the overlay and starts nothing.
        select_region(program, (120, 170), (480, 400))
        program.press(1002)
        wait_for('the overlay to hide', lambda: program.overlay() is None)
        check(no_message_for(program, 1.0) and not program.gifs(), 'stop while idle did more than reset')
        program.press(1001)
        program.answer(program.wait_message('请先选择抓取区域！'), 1)

        program.press(1000)
        wait_for('the selection overlay', lambda: program.overlay() and program.overlay().rect[2] >= 1900)
        program.shot('overlay-selecting')
        drag((120, 170), (480, 400))
        overlay = wait_for('the overlay on the band', lambda: program.overlay() and
                           program.overlay().rect[2] - program.overlay().rect[0] < 1900 and program.overlay())
        program.shot('overlay-frame')
        # The region lies inside the frame's marks; read before the lock, which may give the
        # frame a thinner border and a larger client area around the same region.
        client = overlay.region

        before = time.time()
        program.press(1001)
        wait_for('recording to start', lambda: os.path.isdir(program.output) and program.gifs())
        after = time.time()
        width, height = client[2] - client[0], client[3] - client[1]
        check(width > 300 and height > 180, 'overlay client %s while recording' % (client,))
        check(not program.button(1005).enabled, 'open-folder button enabled while recording')
        xdo('mousemove', 1700, 1000)  # no tooltip over the preview in the screenshots
        time.sleep(2.5)  # let it record; the checks below wait on the file
        program.shot('main-recording', (0, 0, 1920, 1080))
        program.shot('main-recording-window', main.rect)

        program.press(1001)  # pause
        xdo('mousemove', 1700, 1000)
        time.sleep(1.0)
        program.shot('main-paused', main.rect)
        # Move the frame while paused: a new band over the blue and yellow bars.
        select_region(program, (520, 170), (880, 400))
        program.press(1001)  # resume on the new rectangle
        time.sleep(2.0)
        program.press(1002)  # stop
        box = wait_completion(program)
        program.shot('main-completed', (0, 0, 1920, 1080))
        check(program.button(1005).enabled, 'open-folder button still disabled after completion')
        program.answer(box, 1)
        explorer = wait_for('the file manager on CaptureFile',
                            lambda: program.find_window('CaptureFile', 'ExplorerWClass'))
        program.shot('file-manager', explorer.rect)

    gifs = program.gifs()
    check(len(gifs) == 1, 'files made: %s' % gifs)
    name = os.path.basename(gifs[0])
    match = NAME.match(name)
    check(match and not match.group(2), 'file name %s' % name)
    check(local_stamp(before - 1) <= match.group(1) <= local_stamp(after + 1),
          'file named %s, recording started between %s and %s' % (name, local_stamp(before), local_stamp(after)))
    size, frames = check_delays(gifs[0])
    check(size == (width, height), 'GIF is %s, region was %dx%d' % (size, width, height))
    check(len(frames) >= 20, 'only %d frames' % len(frames))
    first, last = frames[1][0], frames[-2][0]
    check(colour_share(first, RED) + colour_share(first, GREEN) > 0.5 and
          colour_share(first, BLUE) + colour_share(first, YELLOW) < 0.05, 'first frames do not show red and green')
    check(colour_share(last, BLUE) + colour_share(last, YELLOW) > 0.5 and
          colour_share(last, RED) + colour_share(last, GREEN) < 0.05, 'frames after resume do not show blue and yellow')
    distinct = len({f.tobytes() for f, _ in frames[:len(frames) // 2]})
    check(distinct >= 5, 'the scene does not move in the file (%d distinct frames)' % distinct)


def scaled_output_and_frame_rate(program):
    """Capture type 1: Width x Height whatever the region; delay 4 at 30 frames per second."""
    program.reset_config({'CaptureDelay': 33, 'CaptureType': 1, 'Width': 160, 'Height': 90})
    program.clear_output()
    with scene(program):
        program.start()
        select_region(program, (150, 200), (650, 600))
        program.press(1001)
        time.sleep(2.0)
        program.press(1002)
        program.accept_completion(wait_completion(program))
    size, frames = check_delays(program.gifs()[0])
    check(size == (160, 90), 'GIF is %s, settings say 160x90' % (size,))
    check(len(frames) >= 20, 'only %d frames in 2 s at 30 per second' % len(frames))


def unusable_settings_fall_back(program):
    """An edited file with values the dialog never writes still records, with the defaults."""
    program.reset_config({'CaptureDelay': 0, 'CaptureType': 7, 'Width': -5, 'Height': 99999999})
    program.clear_output()
    with scene(program):
        program.start()
        select_region(program, (150, 200), (450, 400))
        program.press(1001)
        time.sleep(1.5)
        program.press(1002)
        program.accept_completion(wait_completion(program, 120))
    size, frames = check_delays(program.gifs()[0])
    check(size == (480, 270), 'GIF is %s, the default size is 480x270' % (size,))
    # A delay of 0 would capture without pause; the default 50 ms gives about 20 per second.
    check(len(frames) <= 60, '%d frames in about 1.5 s: the delay was not the default' % len(frames))


def failed_encoder_returns_to_idle(program):
    """The output file cannot be created (a file stands where the folder should be): the user is
    told, the window is idle again, and once the folder can be made the next recording works."""
    program.reset_config()
    program.clear_output()
    with open(program.output, 'w') as f:
        f.write('not a folder')
    try:
        with scene(program):
            program.start()
            select_region(program, (150, 200), (450, 400))
            program.press(1001)
            program.answer(program.wait_message('无法写入文件夹，录制未能开始!'), 1)
            check(program.overlay() is None, 'the overlay is still shown after the failure')
            check(not program.button(1005).enabled, 'open-folder enabled without a file')
            os.remove(program.output)
            select_region(program, (150, 200), (450, 400))
            program.press(1001)
            wait_for('recording to start', lambda: program.gifs())
            time.sleep(1.0)
            program.press(1002)
            program.accept_completion(wait_completion(program))
    finally:
        if os.path.isfile(program.output):
            os.remove(program.output)
    check_delays(program.gifs()[0])


def same_second_keeps_both(program):
    """A file for the start second exists already: the new recording gets a suffix. (At 15
    frames per second, the slowest rate: the delay stays 4.)"""
    program.reset_config({'CaptureDelay': 66})
    program.clear_output()
    os.makedirs(program.output, exist_ok=True)
    now = time.time()
    placeholders = {}
    for s in range(-5, 120):
        path = os.path.join(program.output, local_stamp(now + s) + '.gif')
        with open(path, 'wb') as f:
            f.write(b'earlier recording')
        placeholders[path] = b'earlier recording'
    with scene(program):
        program.start()
        select_region(program, (150, 200), (450, 400))
        before = set(program.gifs())
        program.press(1001)
        time.sleep(1.0)
        program.press(1002)
        program.accept_completion(wait_completion(program))
    made = [g for g in program.gifs() if g not in before]
    check(len(made) == 1 and NAME.match(os.path.basename(made[0])).group(2) == '-2',
          'new files: %s' % [os.path.basename(m) for m in made])
    for path, content in placeholders.items():
        with open(path, 'rb') as f:
            check(f.read() == content, '%s was overwritten' % os.path.basename(path))
    check_delays(made[0])


def heavy_recording(program):
    """A recording whose encoder lags far behind: full-size frames upscaled to 1920 x 1080."""
    program.reset_config({'CaptureDelay': 33, 'CaptureType': 1, 'Width': 1920, 'Height': 1080})
    program.clear_output()


def record_while_finishing_does_nothing(program):
    """Record pressed between Stop and the completion starts nothing. The file's writes are held
    (RAVLIN_HOLD_WRITES) until the test lets them go, so the recording is still being written
    out when Record is pressed, however fast the machine."""
    program.reset_config({'CaptureDelay': 33})
    program.clear_output()
    gate = 'RavlinE2EHeldWrites%d' % os.getpid()
    check(program.probe.ask('holdwrites ' + gate) == ['held'], 'the write gate could not be made')
    program.env['RAVLIN_HOLD_WRITES'] = gate
    try:
        with scene(program):
            program.start()
            select_region(program, (150, 200), (450, 400))
            program.press(1001)
            time.sleep(1.0)  # let it record; the frames wait for the gate
            program.press(1002)
            program.press(1001)  # between Stop and completion
            # A click on About is handled after the one on Record: once its box is up, Record
            # has had its effect.
            program.press(1004)
            about = wait_for('the about box', lambda: program.find_window('关于 Ravlin'))
            program.answer(about, 1)
            check(program.message_box() is None, 'a message box while the file is still being written')
            check(len(program.gifs()) == 1, 'files while finishing: %s' % program.gifs())
            program.probe.ask('freewrites')
            box, text = wait_for('a message box', program.message_box, 240)
            check(program.tr('录制完成!') in text, 'record between stop and completion showed %r' % text)
            program.accept_completion(box)
            # The record button did not start anything.
            check(len(program.gifs()) == 1, 'files: %s' % program.gifs())
    finally:
        del program.env['RAVLIN_HOLD_WRITES']
        program.probe.ask('freewrites')
    _, frames = check_delays(program.gifs()[0])
    check(len(frames) >= 3, 'only %d frames of a second at 30 per second' % len(frames))


def close_while_recording_finishes_the_file(program):
    heavy_recording(program)
    with scene(program, (0, 0, 1920, 1080)):
        main = program.start()
        select_region(program, (100, 100), (900, 700))
        program.press(1001)
        time.sleep(3.0)
        click((main.rect[2] - 15, main.rect[1] + 13))  # the close box
        box = program.wait_message('确定退出吗?')
        program.answer(box, 6)  # Yes
        wait_for('the program to end', lambda: not program.running(), 300)
    gifs = program.gifs()
    check(len(gifs) == 1, 'files: %s' % gifs)
    with open(gifs[0], 'rb') as f:
        data = f.read()
    check(data.endswith(b';'), 'the file has no trailer: the recording was cut off')
    size, frames = check_delays(gifs[0])
    check(len(frames) >= 30, 'only %d frames of a 3 s recording at 30 per second' % len(frames))


def keys_close_and_about(program):
    program.reset_config()
    main = program.start()
    program.focus_main()
    key('Escape')
    key('Return')
    check(no_message_for(program, 1.5), 'Escape or Enter showed a box')
    check(program.running() and program.find_window(program.MAIN_TITLE), 'Escape or Enter closed the window')

    program.press(1004)
    about = wait_for('the about box', lambda: program.find_window('关于 Ravlin'))
    texts = [c.text for c in program.probe.children(about.hwnd)]
    check(program.tr('Ravlin，1.2') in texts, 'about box texts %s' % texts)
    program.shot('about-box', (about.rect[0] - 10, about.rect[1] - 10, about.rect[2] + 10, about.rect[3] + 10))
    program.answer(about, 1)

    # The system menu's item opens the same box.
    program.focus_main()
    key('alt+space')
    time.sleep(0.5)
    key('Up')
    key('Return')
    about = wait_for('the about box from the system menu', lambda: program.find_window('关于 Ravlin'))
    program.answer(about, 1)

    click((main.rect[2] - 15, main.rect[1] + 13))  # the close box
    program.answer(program.wait_message('确定退出吗?'), 7)  # No
    check(program.running(), 'No closed the program')
    program.focus_main()
    key('alt+F4')
    program.answer(program.wait_message('确定退出吗?'), 6)  # Yes
    wait_for('the program to end', lambda: not program.running())


def long_program_folder(program):
    """A program folder beyond 260 characters still gets its CaptureFile beside the program."""
    with program.moved_deep('e2e-long-path') as (_, folder):
        program.reset_config()
        program.start()
        wait_for('CaptureFile beside the program', lambda: os.path.isdir(os.path.join(folder, 'CaptureFile')))


def recording_at_the_screen_edge(program):
    """The frame dragged past the right edge stops flush with it, and what is recorded there is
    the screen as it is, pixel for pixel: same size, nothing stretched."""
    program.reset_config()
    program.clear_output()
    # Bars of 180 pixels from x 1200 to the edge; the moving square stays below y 233.
    with scene(program, (1200, 100, 1920, 500)):
        program.start()
        overlay = select_region(program, (1400, 110), (1700, 220))
        grip = (overlay.client[0] + 12, overlay.client[1] + 2)
        drag(grip, (1919, grip[1]))
        overlay = wait_for('the frame at the right edge', lambda: (program.overlay() or None)
                           and program.overlay().rect[0] > 1500 and program.overlay())
        check(overlay.rect[2] == 1920, 'frame not flush with the right edge: %s' % (overlay.rect,))
        client = overlay.region
        program.press(1001)
        wait_for('recording to start', lambda: program.gifs())
        time.sleep(1.5)
        program.press(1002)
        wait_for('the overlay to hide', lambda: program.overlay() is None)
        screen = program.shot('edge-region', client)
        program.accept_completion(wait_completion(program))
    size, frames = check_delays(program.gifs()[0])
    check(size == screen.size, 'GIF is %s, the region on screen %s' % (size, screen.size))
    frame = frames[len(frames) // 2][0]
    width, height = size
    # The marks lie outside the region: every pixel is compared, the rim too.
    samples = [(x, y) for y in range(0, height, 2) for x in range(0, width, 2)]
    off = sum(1 for p in samples if max(abs(a - b) for a, b in zip(frame.getpixel(p), screen.getpixel(p))) > 48)
    check(off <= 0.01 * len(samples), '%d of %d sampled pixels of the GIF differ from the screen' % (off, len(samples)))


SCENARIOS = [
    ('record_pause_move_resume_stop', record_pause_move_resume_stop),
    ('recording_at_the_screen_edge', recording_at_the_screen_edge),
    ('scaled_output_and_frame_rate', scaled_output_and_frame_rate),
    ('unusable_settings_fall_back', unusable_settings_fall_back),
    ('failed_encoder_returns_to_idle', failed_encoder_returns_to_idle),
    ('same_second_keeps_both', same_second_keeps_both),
    ('record_while_finishing_does_nothing', record_while_finishing_does_nothing),
    ('close_while_recording_finishes_the_file', close_while_recording_finishes_the_file),
    ('keys_close_and_about', keys_close_and_about),
    ('long_program_folder', long_program_folder),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
