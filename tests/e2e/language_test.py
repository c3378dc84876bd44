#!/usr/bin/python3
"""ravlin.exe speaks the language of the system it runs on (run this with --lang zh and --lang en):
its dialogs, messages and completion box; the Language key and the settings dialog choose the
other language; a clipboard another program holds at completion is named in the box. Screenshots
of the settings dialog and the completion box are kept as settings-<lang>.png and done-<lang>.png."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, centre, check, click, key, run_scenarios, wait_for, xdo  # noqa: E402
from recording_test import scene, select_region, wait_completion  # noqa: E402

LANGUAGE_LIST = 1026
CLIPBOARD_BUSY = '剪贴板被其他程序占用，文件未能放到剪贴板上。'


def other(program):
    return 'en' if program.lang == 'zh' else 'zh'


def about_title(lang):
    return 'About Ravlin' if lang == 'en' else '关于 Ravlin'


def about_box_speaks(program, lang):
    program.press(1004)
    about = wait_for('the about box in ' + lang, lambda: next(
        (w for w in program.probe.windows() if w.title in (about_title('en'), about_title('zh'))), None))
    check(about.title == about_title(lang), 'the about box is titled %r' % about.title)
    program.answer(about, 1)


def shot_around(program, name, rect):
    return program.shot(name, (rect[0] - 10, rect[1] - 10, rect[2] + 10, rect[3] + 10))


def record_briefly(program):
    select_region(program, (120, 170), (520, 420))
    program.press(1001)
    wait_for('recording to start', lambda: program.gifs())
    xdo('mousemove', 1700, 1000)
    time.sleep(1.5)
    program.press(1002)
    box = wait_completion(program)
    return box, program.message_box()[1]


def dialogs_and_messages_in_the_system_language(program):
    program.reset_config()
    program.clear_output()
    with scene(program):
        program.start()
        about_box_speaks(program, program.lang)
        program.press(1003)
        dialog = wait_for('the settings dialog', lambda: program.find_window('设置'))
        texts = [c.text for c in program.probe.children(dialog.hwnd)]
        for label in ('捕获帧率(&F)', '界面语言(&G)'):
            check(program.tr(label) in texts, 'no %r among %s' % (program.tr(label), texts))
        shown = program.probe.control(dialog.hwnd, LANGUAGE_LIST).text
        check(shown == program.tr('自动（跟随系统）'), 'the language list shows %r' % shown)
        shot_around(program, 'settings-' + program.lang, dialog.rect)
        program.answer(dialog, 2)

        box, text = record_briefly(program)
        check(program.tr('文件大小: ') in text, 'completion says %r' % text)
        check(program.tr(CLIPBOARD_BUSY) not in text, 'a free clipboard reported busy: %r' % text)
        shot_around(program, 'done-' + program.lang, box.rect)
        program.accept_completion(box)


def language_key_chooses_the_other_language(program):
    program.reset_config({'Language': other(program)})
    program.start()
    about_box_speaks(program, other(program))


def settings_dialog_switches_the_language(program):
    program.reset_config()
    program.start()
    program.press(1003)
    dialog = wait_for('the settings dialog', lambda: program.find_window('设置'))
    click(centre(program.probe.control(dialog.hwnd, LANGUAGE_LIST).rect))
    time.sleep(0.5)
    key('End' if other(program) == 'en' else 'Home')
    if other(program) == 'zh':
        key('Down')
    key('Return')
    wanted = '中文' if other(program) == 'zh' else 'English'
    wait_for('the list to show ' + wanted,
             lambda: program.probe.control(dialog.hwnd, LANGUAGE_LIST).text == wanted, 15)
    program.answer(dialog, 1)
    check(program.read_config().get('Language') == other(program), 'stored %s' % program.read_config())
    # The running window speaks the new language at once.
    about_box_speaks(program, other(program))


def held_clipboard_is_reported(program):
    """Another program keeps the clipboard open: the file is complete all the same, and the
    completion box says in one line that it is not on the clipboard."""
    program.reset_config()
    program.clear_output()
    check(program.probe.ask('holdclipboard') == ['held'], 'the probe could not open the clipboard')
    try:
        with scene(program):
            program.start()
            box, text = record_briefly(program)
            check(program.tr('录制完成!') in text and program.tr(CLIPBOARD_BUSY) in text,
                  'completion with a held clipboard says %r' % text)
            program.accept_completion(box)
    finally:
        program.probe.ask('freeclipboard')
    name = os.path.basename(program.gifs()[0]).lower()
    files = [line for line in program.probe.ask('clipboard') if line.startswith('file ')]
    check(not any(f.lower().endswith(name) for f in files), 'the file reached a held clipboard: %s' % files)
    with open(program.gifs()[0], 'rb') as f:
        check(f.read().endswith(b';'), 'the file is not complete')


SCENARIOS = [
    ('dialogs_and_messages_in_the_system_language', dialogs_and_messages_in_the_system_language),
    ('language_key_chooses_the_other_language', language_key_chooses_the_other_language),
    ('settings_dialog_switches_the_language', settings_dialog_switches_the_language),
    ('held_clipboard_is_reported', held_clipboard_is_reported),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
