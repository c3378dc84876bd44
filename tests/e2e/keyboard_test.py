#!/usr/bin/python3
"""ravlin.exe worked from the keyboard alone (run with --lang zh and --lang en): the image buttons
carry their names as window texts; Tab and Shift+Tab walk them in order with a visible focus mark;
Space and Enter press the focused one; the settings and size dialogs answer their access keys,
Enter and Esc; the size asked from the system menu resizes the region shown around its centre.
Screenshots: focus-<lang>.png (the focus mark on the settings button)."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, key, run_scenarios, screenshot, wait_for, xdo  # noqa: E402
from recording_test import select_region  # noqa: E402

FOCUS_MARK = (90, 176, 255)
SELECT, RECORD, STOP, SETTINGS, ABOUT, OPEN_FOLDER = 1000, 1001, 1002, 1003, 1004, 1005
COUNTDOWN_FIELD = 1030
REGION_WIDTH, REGION_HEIGHT = 1201, 1202
NAMES = {
    'zh': {SELECT: '选择区域', RECORD: '开始录制', STOP: '停止录制', SETTINGS: '参数设置', ABOUT: '关于...',
           OPEN_FOLDER: '打开文件夹并选中抓取文件'},
    'en': {SELECT: 'Select region', RECORD: 'Start recording', STOP: 'Stop recording', SETTINGS: 'Settings',
           ABOUT: 'About...', OPEN_FOLDER: 'Open the folder and select the recorded file'},
}


def marked_button(program):
    """The button that shows the focus mark, or None: its outline pixels have the mark's colour."""
    image = screenshot()
    for ident in (SELECT, RECORD, STOP, SETTINGS, ABOUT, OPEN_FOLDER):
        l, t, r, b = program.button(ident).rect
        edge = [(l + 10, t), (r - 1, t + 10), (l + 10, b - 1), (l, t + 10)]
        if all(image.getpixel(p) == FOCUS_MARK for p in edge):
            return ident
    return None


def buttons_are_named_and_walked_by_tab(program):
    """Each button's window text is its name in the interface's language; no focus mark before
    the keyboard is used (the focus starts on the first button, as in any dialog); Tab walks
    record, stop, settings, about and round to select, Shift+Tab walks back (the open-folder
    button is disabled until a file exists); Space presses the focused button."""
    program.reset_config()
    program.start()
    for ident, name in NAMES[program.lang].items():
        text = program.button(ident).text
        check(text.startswith(name), 'button %d reads %r, not %r' % (ident, text, name))
    program.focus_main()
    check(marked_button(program) is None, 'a focus mark before any key')
    # Each key moves the mark: wait for it to leave the button it was on, since the window may
    # not have painted the move when the screen is first read.
    seen = []
    for _ in range(5):
        key('Tab')
        before = seen[-1] if seen else None
        seen.append(wait_for('the focus mark to move after Tab',
                             lambda: marked_button(program) not in (None, before) and marked_button(program)))
    check(seen == [RECORD, STOP, SETTINGS, ABOUT, SELECT], 'Tab walked %s' % seen)
    for back in (ABOUT, SETTINGS):
        before = seen[-1]
        key('shift+Tab')
        seen.append(wait_for('the mark one back',
                             lambda: marked_button(program) not in (None, before) and marked_button(program)))
        check(seen[-1] == back, 'Shift+Tab went to %s, not %s' % (seen[-1], back))
    program.shot('focus-%s' % program.lang, program.main.rect)
    key('space')
    dialog = wait_for('the settings dialog from Space', lambda: program.find_window('设置'))
    key('Escape')
    wait_for('Esc to close the settings dialog', lambda: not program.find_window('设置'))
    check(dialog is not None, 'no settings dialog')


def enter_and_access_keys_in_the_settings_dialog(program):
    """Enter presses the focused settings button; in the dialog an access key reaches a field,
    Esc drops what was typed and Enter keeps it."""
    program.reset_config()
    program.start()
    program.focus_main()
    for _ in range(3):
        key('Tab')
    wait_for('the settings button focused', lambda: marked_button(program) == SETTINGS)
    for typed, close, kept in (('7', 'Escape', None), ('7', 'Return', '7')):
        key('Return')
        dialog = wait_for('the settings dialog from Enter', lambda: program.find_window('设置'))
        key('alt+n')  # "Countdown" / "录制前倒计时"
        key('ctrl+a')
        xdo('type', typed)
        wait_for('the typed countdown', lambda: program.probe.control(dialog.hwnd, COUNTDOWN_FIELD).text == typed)
        key(close)
        wait_for('the dialog to close', lambda: not program.find_window('设置'))
        stored = program.read_config().get('CountdownSeconds')
        check(stored == kept, 'after %s the stored countdown is %r' % (close, stored))


def size_from_the_system_menu(program):
    """With a region shown, the system menu's region size, typed without the mouse, resizes the
    region around its centre."""
    program.reset_config()
    program.start()
    overlay = select_region(program, (60, 60), (360, 260))
    check(overlay.region == (60, 60, 360, 260), 'selected %s' % (overlay.region,))
    program.focus_main()
    key('alt+space')
    time.sleep(0.5)
    key('z')
    dialog = wait_for('the size dialog', lambda: program.find_window('区域尺寸'))
    wait_for('the size dialog to have the keyboard', lambda: subprocess.run(
        ['xdotool', 'getwindowfocus', 'getwindowname'], capture_output=True, text=True).stdout.strip() == dialog.title)
    # The width is selected when the dialog opens: typing replaces it.
    xdo('type', '400')
    key('Tab')
    xdo('type', '300')
    wait_for('the typed size', lambda: (program.probe.control(dialog.hwnd, REGION_WIDTH).text,
                                        program.probe.control(dialog.hwnd, REGION_HEIGHT).text) == ('400', '300'))
    key('Return')
    wait_for('the region resized around its centre', lambda: (program.overlay() or None)
             and program.overlay().region == (10, 10, 410, 310))


SCENARIOS = [
    ('buttons_are_named_and_walked_by_tab', buttons_are_named_and_walked_by_tab),
    ('enter_and_access_keys_in_the_settings_dialog', enter_and_access_keys_in_the_settings_dialog),
    ('size_from_the_system_menu', size_from_the_system_menu),
]


def main():
    args = arguments(__doc__)
    return run_scenarios(Ravlin(args), SCENARIOS, args.scenarios)


if __name__ == '__main__':
    sys.exit(main())
