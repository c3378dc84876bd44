#!/usr/bin/python3
"""The settings dialog of ravlin.exe driven with real pointer and keyboard input: what it shows,
what it refuses, what it stores, and when the tool window uses it."""
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, Scene, arguments, centre, check, click, gif_frames, key, run_scenarios, wait_for, xdo
from recording_test import select_region, wait_completion

RATE, CHECK, WIDTH, HEIGHT, COMPACT, QUALITY = 1005, 1006, 1007, 1008, 1009, 1033
TITLE = '设置'


def open_settings(program):
    program.press(1003)
    return wait_for('the settings dialog', lambda: program.find_window(TITLE))


def fields(program, dialog):
    controls = {c.id: c for c in program.probe.children(dialog.hwnd)}
    return controls


def type_into(program, dialog, ident, text):
    """Clicks into an edit, clears it with the keyboard and types the text."""
    click(centre(program.probe.control(dialog.hwnd, ident).rect))
    key('End')
    for _ in range(12):
        key('BackSpace')
    if text:
        xdo('type', '--delay', '30', text)
    wait_for('the edit to read %r' % text, lambda: program.probe.control(dialog.hwnd, ident).text == text, 15)


def ok_expecting(program, dialog, message):
    """OK refused with the message; the dialog stays open."""
    click(centre(program.probe.control(dialog.hwnd, 1).rect))
    box = program.wait_message(message)
    program.answer(box, 1)
    check(program.find_window(TITLE), 'the dialog closed after a refused OK')


def ok_accepted(program, dialog):
    click(centre(program.probe.control(dialog.hwnd, 1).rect))
    wait_for('the dialog to close', lambda: not program.find_window(TITLE))


def number_field(program, ident, shown, refused, message, accepted, key):
    """A number field of the settings dialog from a fresh start: it shows its default, each
    refused value gets the message and keeps the dialog open, and the accepted one is stored."""
    program.reset_config()
    program.start()
    dialog = open_settings(program)
    check(program.probe.control(dialog.hwnd, ident).text == shown, '%s does not show %s' % (key, shown))
    for bad in refused:
        type_into(program, dialog, ident, bad)
        ok_expecting(program, dialog, message)
    type_into(program, dialog, ident, accepted)
    ok_accepted(program, dialog)
    check(program.read_config().get(key) == accepted, 'stored %s' % program.read_config())


def defaults_without_a_file(program):
    program.reset_config()
    program.start()
    dialog = open_settings(program)
    program.shot('settings-dialog', (dialog.rect[0] - 10, dialog.rect[1] - 10, dialog.rect[2] + 10, dialog.rect[3] + 10))
    f = fields(program, dialog)
    check((f[RATE].text, f[WIDTH].text, f[HEIGHT].text) == ('20', '480', '270'),
          'shows %s %s %s' % (f[RATE].text, f[WIDTH].text, f[HEIGHT].text))
    check(f[CHECK].checked == 1, 'the check box is clear')
    check(not f[WIDTH].enabled and not f[HEIGHT].enabled, 'size edits enabled while the box is ticked')
    # Clearing the box enables the edits; cancel writes nothing.
    click(centre(f[CHECK].rect))
    wait_for('the size edits enabled', lambda: program.probe.control(dialog.hwnd, WIDTH).enabled)
    click(centre(f[2].rect))
    wait_for('the dialog to close', lambda: not program.find_window(TITLE))
    check(program.read_config() == {}, 'cancel wrote %s' % program.read_config())


def every_rate_reads_back(program):
    program.reset_config()
    program.start()
    for rate in [30] + list(range(15, 30)):
        dialog = open_settings(program)
        type_into(program, dialog, RATE, str(rate))
        ok_accepted(program, dialog)
        stored = program.read_config().get('CaptureDelay')
        check(stored == str(1000 // rate), 'rate %d stored CaptureDelay %s' % (rate, stored))
        dialog = open_settings(program)
        shown = program.probe.control(dialog.hwnd, RATE).text
        check(shown == str(rate), 'rate %d reads back as %s' % (rate, shown))
        click(centre(program.probe.control(dialog.hwnd, 2).rect))
        wait_for('the dialog to close', lambda: not program.find_window(TITLE))


def ranges_and_their_order(program):
    program.reset_config()
    program.start()
    dialog = open_settings(program)
    click(centre(program.probe.control(dialog.hwnd, CHECK).rect))
    wait_for('the size edits enabled', lambda: program.probe.control(dialog.hwnd, WIDTH).enabled)
    # The frame rate is checked first: with a bad rate and a bad width only its message shows.
    type_into(program, dialog, RATE, '14')
    type_into(program, dialog, WIDTH, '10')
    ok_expecting(program, dialog, '帧率范围是15-30帧!')
    type_into(program, dialog, RATE, '31')
    ok_expecting(program, dialog, '帧率范围是15-30帧!')
    type_into(program, dialog, RATE, '25')
    for width in ('49', '1921'):
        type_into(program, dialog, WIDTH, width)
        ok_expecting(program, dialog, '画面宽度范围是50-1920像素!')
    type_into(program, dialog, WIDTH, '50')
    for height in ('49', '1081'):
        type_into(program, dialog, HEIGHT, height)
        ok_expecting(program, dialog, '画面高度范围是50-1080像素!')
    check(program.read_config() == {}, 'a refused OK wrote %s' % program.read_config())
    type_into(program, dialog, HEIGHT, '1080')
    ok_accepted(program, dialog)
    stored = program.read_config()
    # The four size and rate keys, then the options and keys as shown (all at their defaults).
    check(stored == {'CaptureDelay': '40', 'CaptureType': '1', 'Width': '50', 'Height': '1080', 'TrueSpeed': '0',
                     'RecordPointer': '0', 'HotkeySelect': '119', 'HotkeyRecord': '120', 'HotkeyStop': '121',
                     'CompactMode': '0', 'Language': 'auto', 'ReviewAfterRecording': '0', 'PlayCount': '0',
                     'CountdownSeconds': '0', 'RecordClicks': '0', 'MaxFileSizeMB': '0', 'Quality': '100', 'FitSizeMB': '10'},
          'stored %s' % stored)
    dialog = open_settings(program)
    type_into(program, dialog, WIDTH, '1920')
    ok_accepted(program, dialog)
    check(program.read_config()['Width'] == '1920', 'width 1920 refused')


def changes_apply_to_the_next_recording(program):
    program.reset_config()
    program.clear_output()
    s = Scene(program.wine_run, program.helper, program.env, (100, 150, 900, 650))
    try:
        program.start()
        client = select_region(program, (150, 200), (450, 400)).region
        program.press(1001)
        wait_for('recording to start', lambda: program.gifs())
        dialog = open_settings(program)
        click(centre(program.probe.control(dialog.hwnd, CHECK).rect))
        wait_for('the size edits enabled', lambda: program.probe.control(dialog.hwnd, WIDTH).enabled)
        type_into(program, dialog, WIDTH, '120')
        type_into(program, dialog, HEIGHT, '80')
        ok_accepted(program, dialog)
        time.sleep(1.0)
        program.press(1002)
        program.accept_completion(wait_completion(program))
        first = program.gifs()
        select_region(program, (150, 200), (450, 400))
        program.press(1001)
        wait_for('the second recording', lambda: len(program.gifs()) == 2)
        time.sleep(1.0)
        program.press(1002)
        program.accept_completion(wait_completion(program))
    finally:
        s.close()
    size1, _ = gif_frames(first[0])
    check(size1 == (client[2] - client[0], client[3] - client[1]), 'first file %s, region %s' % (size1, client))
    second = [g for g in program.gifs() if g not in first][0]
    size2, _ = gif_frames(second)
    check(size2 == (120, 80), 'second file %s, settings say 120x80' % (size2,))



TRUE_SPEED, POINTER, KEY_SELECT, KEY_RECORD, KEY_STOP = 1020, 1021, 1022, 1023, 1024
F8, F10, F11, SHIFT_CTRL = 0x77, 0x79, 0x7A, 0x3 << 8


def keys_shown(program, dialog):
    """The key fields' values, by control id (read with HKM_GETHOTKEY)."""
    return {int(i): int(v) for i, v in (line.split() for line in program.probe.ask('keys %d' % dialog.hwnd))}


def options_and_keys_are_stored(program):
    """The options start off; ticked, they are stored. A key typed into a key field is stored and
    works from then on; the same key for two commands is refused."""
    program.reset_config()
    program.start()
    dialog = open_settings(program)
    f = fields(program, dialog)
    check(f[TRUE_SPEED].checked == 0 and f[POINTER].checked == 0, 'an option is on by default')
    check(keys_shown(program, dialog) == {KEY_SELECT: F8, KEY_RECORD: F8 + 1, KEY_STOP: F10},
          'keys shown %s' % keys_shown(program, dialog))
    click(centre(f[TRUE_SPEED].rect))
    click(centre(f[POINTER].rect))

    # The stop key typed as the select key: refused in words, nothing written.
    click(centre(f[KEY_SELECT].rect))
    key('F10')
    wait_for('the select field to take F10', lambda: keys_shown(program, dialog)[KEY_SELECT] == F10, 15)
    ok_expecting(program, dialog, '快捷键不能重复!')
    check('TrueSpeed' not in program.read_config(), 'a refused OK wrote the options')

    click(centre(f[KEY_SELECT].rect))
    key('ctrl+shift+F11')
    wait_for('the select field to take the new key',
             lambda: keys_shown(program, dialog)[KEY_SELECT] == SHIFT_CTRL | F11, 15)
    ok_accepted(program, dialog)
    stored = program.read_config()
    check((stored.get('TrueSpeed'), stored.get('RecordPointer')) == ('1', '1'), 'stored %s' % stored)
    check(stored.get('HotkeySelect') == str(SHIFT_CTRL | F11), 'stored select key %s' % stored.get('HotkeySelect'))

    # The new key selects a region; the old one no longer does.
    key('F8')
    time.sleep(1.0)
    check(program.overlay() is None, 'F8 still selects')
    key('ctrl+shift+F11')
    wait_for('the selection overlay', lambda: program.overlay() and program.overlay().rect[2] >= 1900)


def image_sizes(path):
    """Width x height of every image of a GIF, as giflib reads them."""
    r = subprocess.run(['giftext', path], capture_output=True, text=True, timeout=60)
    return [(int(w), int(h)) for w, h in re.findall(r'Image Size - Left = \d+, Top = \d+, Width = (\d+), Height = (\d+)', r.stdout)]


def record_still_region(program):
    """A short recording of a region where little moves; returns the new file."""
    before = program.gifs()
    select_region(program, (150, 200), (450, 400))
    program.press(1001)
    wait_for('recording to start', lambda: len(program.gifs()) > len(before))
    time.sleep(1.5)
    program.press(1002)
    program.accept_completion(wait_completion(program))
    return [g for g in program.gifs() if g not in before][0]


def compact_mode_box(program):
    program.clear_output()
    s = Scene(program.wine_run, program.helper, program.env, (100, 150, 900, 650))
    try:
        # A stored value other than 1 is the default mode: the box shows clear and OK writes 0.
        program.reset_config({'CompactMode': '2'})
        program.start()
        dialog = open_settings(program)
        check(fields(program, dialog)[COMPACT].checked == 0, 'CompactMode 2 shows the box ticked')
        ok_accepted(program, dialog)
        check(program.read_config().get('CompactMode') == '0', 'stored %s' % program.read_config())
        dialog = open_settings(program)
        # The quality is the compact mode's: its box follows the tick.
        check(not program.probe.control(dialog.hwnd, QUALITY).enabled, 'the quality enabled in the default mode')
        click(centre(program.probe.control(dialog.hwnd, COMPACT).rect))
        wait_for('the box ticked', lambda: program.probe.control(dialog.hwnd, COMPACT).checked == 1)
        wait_for('the quality enabled', lambda: program.probe.control(dialog.hwnd, QUALITY).enabled)
        ok_accepted(program, dialog)
        check(program.read_config().get('CompactMode') == '1', 'stored %s' % program.read_config())
        dialog = open_settings(program)
        check(fields(program, dialog)[COMPACT].checked == 1, 'CompactMode 1 shows the box clear')
        click(centre(program.probe.control(dialog.hwnd, 2).rect))
        wait_for('the dialog to close', lambda: not program.find_window(TITLE))

        # The next recording writes what changed; with the value 2 every frame is whole.
        compact = record_still_region(program)
        program.stop()
        program.reset_config({'CompactMode': '2'})
        program.start()
        whole = record_still_region(program)
    finally:
        s.close()
    whole_sizes = image_sizes(whole)
    check(len(whole_sizes) >= 2 and all(sz == whole_sizes[0] for sz in whole_sizes),
          'CompactMode 2 recording images %s' % whole_sizes[:6])
    # The region is still: after the first frame nothing changes, so the compact file adds the
    # later frames' time to the images before them, and any image after the first is a part.
    sizes = image_sizes(compact)
    check(len(sizes) < len(whole_sizes) and all(w * h < sizes[0][0] * sizes[0][1] for w, h in sizes[1:]),
          'compact recording images %s, %d whole ones' % (sizes[:6], len(whole_sizes)))
    _, frames = gif_frames(compact)
    check(len(frames) == len(sizes), 'Pillow reads %d frames, giflib %d' % (len(frames), len(sizes)))


SCENARIOS = [
    ('defaults_without_a_file', defaults_without_a_file),
    ('every_rate_reads_back', every_rate_reads_back),
    ('ranges_and_their_order', ranges_and_their_order),
    ('changes_apply_to_the_next_recording', changes_apply_to_the_next_recording),
    ('options_and_keys_are_stored', options_and_keys_are_stored),
    ('compact_mode_box', compact_mode_box),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
