#!/usr/bin/python3
"""ravlin.exe end to end under faults a user meets: the program killed mid-recording, a disk
that fills up, a start from another folder, Latin fonts without Chinese glyphs. Files are read
back with independent decoders (giflib, Pillow, ffmpeg), windows by their pixels."""
import os
import re
import shutil
import signal
import subprocess
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Failure, Ravlin, arguments, centre, check, click, run_scenarios, screenshot, wait_for, xdo
from recording_test import check_delays, scene, select_region, wait_completion

REGION = ((150, 200), (550, 500))


def decoded_frame_counts(path):
    """Frames of the file as giflib (strict: -z), Pillow and ffmpeg count them; each must
    decode the file without an error."""
    strict = subprocess.run(['giftext', '-z', path], capture_output=True, text=True)
    check(strict.returncode == 0 and 'error' not in (strict.stdout + strict.stderr).lower(),
          'giftext -z rejects the file: %s' % (strict.stderr or strict.stdout)[-300:])
    giflib = strict.stdout.count('Image #')
    image = Image.open(path)
    pillow = image.n_frames
    image.seek(pillow - 1)
    image.convert('RGB')  # the last frame decodes completely
    probe = subprocess.run(['ffprobe', '-v', 'error', '-count_frames', '-select_streams', 'v:0', '-show_entries',
                            'stream=nb_read_frames', '-of', 'csv=p=0', path], capture_output=True, text=True)
    check(probe.returncode == 0 and not probe.stderr.strip(), 'ffmpeg reports: %s' % probe.stderr[-300:])
    return giflib, pillow, int(probe.stdout.strip() or 0)


def killed_recording_keeps_its_frames(program):
    """Killed hard while recording, the file is a GIF of every frame written before the kill."""
    program.reset_config({'CaptureDelay': 33})
    program.clear_output()
    with scene(program):
        program.start()
        select_region(program, *REGION)
        program.press(1001)
        gif = wait_for('the file to grow', lambda: [g for g in program.gifs() if os.path.getsize(g) > 200000])[0]
        os.kill(program.unix_pid(), signal.SIGKILL)
        wait_for('the program to end', lambda: not program.running(), 60)
    with open(gif, 'rb') as f:
        check(f.read().endswith(b';'), 'the killed recording left no trailer')
    giflib, pillow, ffmpeg = decoded_frame_counts(gif)
    check(giflib == pillow == ffmpeg, 'decoders disagree: giflib %d, Pillow %d, ffmpeg %d frames' % (giflib, pillow, ffmpeg))
    check(giflib >= 10, 'only %d frames kept' % giflib)


class SmallDisk:
    """A tmpfs of `size` mounted on the output folder, or None where mounting is not allowed."""

    def __init__(self, folder, size):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.mounted = subprocess.run(['mount', '-t', 'tmpfs', '-o', 'size=' + size, 'tmpfs', folder],
                                      capture_output=True).returncode == 0

    def fill(self):
        """Fills what is left with a file of its own."""
        with open(os.path.join(self.folder, 'filler'), 'wb', buffering=0) as f:
            try:
                while f.write(b'\0' * 4096):
                    pass
            except OSError:
                pass

    def empty(self):
        for name in os.listdir(self.folder):
            os.remove(os.path.join(self.folder, name))

    def unmount(self):
        if self.mounted:
            # Wine's server may still hold the folder for a moment: detach it lazily.
            subprocess.run(['umount', '-l', self.folder])


def full_disk_is_told_and_the_frames_kept(program):
    program.reset_config({'CaptureDelay': 33})
    program.clear_output()
    disk = SmallDisk(program.output, '384k')
    if not disk.mounted:
        print('SKIP full_disk_is_told_and_the_frames_kept: cannot mount a small disk here')
        return
    try:
        with scene(program):
            program.start()
            # Filling up part-way: the user learns why it stopped and how much was saved.
            select_region(program, *REGION)
            program.press(1001)
            box = program.wait_message('磁盘已满，录制已停止!', 120)
            text = program.message_box()[1]
            kept = re.search(r'已保存前(\d+)帧', text)
            check(kept, 'the message does not say what was kept: %r' % text)
            program.answer(box, 1)
            gifs = program.gifs()
            check(len(gifs) == 1, 'files: %s' % gifs)
            giflib, pillow, ffmpeg = decoded_frame_counts(gifs[0])
            check(giflib == pillow == ffmpeg == int(kept.group(1)),
                  'the message says %s frames; giflib %d, Pillow %d, ffmpeg %d' % (kept.group(1), giflib, pillow, ffmpeg))
            check(program.overlay() is None and program.button(1005).enabled, 'the window did not return to idle')
            kept_file = gifs[0]

            # Full from the start: told so, and no broken file is left behind.
            disk.fill()
            select_region(program, *REGION)
            program.press(1001)
            program.answer(program.wait_message('磁盘已满，录制未能开始!'), 1)
            check(program.gifs() == [kept_file], 'files after a start on a full disk: %s' % program.gifs())

            # With room again the next recording works.
            disk.empty()
            select_region(program, *REGION)
            program.press(1001)
            wait_for('recording to start', program.gifs)
            time.sleep(1.0)
            program.press(1002)
            program.accept_completion(wait_completion(program))
            check_delays(program.gifs()[0])
    finally:
        program.stop()
        disk.unmount()


def skin_images(program, name):
    """The first (normal) state image of a skin bitmap."""
    strip = Image.open(os.path.join(program.bin, 'skin', name)).convert('RGB')
    return strip.crop((0, 0, strip.width // 4, strip.height))


def shows_image(shot, rect, image):
    """Share of the image's opaque pixels (not magenta) that the screen shows at rect."""
    crop = shot.crop(rect)
    if crop.size != image.size:
        return 0.0
    opaque = [(a, b) for a, b in zip(image.getdata(), crop.getdata()) if a != (255, 0, 255)]
    same = sum(1 for a, b in opaque if sum(abs(x - y) for x, y in zip(a, b)) <= 30)
    return same / max(1, len(opaque))


def buttons_show_their_images(program, cwd):
    program.start(cwd=cwd)
    xdo('mousemove', 1700, 1000)  # no hover look
    time.sleep(0.5)
    images = {1000: 'SelRegion.bmp', 1001: 'Rec.bmp', 1002: 'StopRec.bmp', 1003: 'Set.bmp', 1004: 'Info.bmp'}

    def all_shown():
        shot = screenshot()
        return all(shows_image(shot, program.button(i).rect, skin_images(program, f)) > 0.9 for i, f in images.items())
    try:
        wait_for('the buttons to show their images', all_shown, 20)
    except Failure:
        program.shot('failure-buttons-%s' % os.path.basename(program.bin), program.main.rect)
        raise
    program.stop()


def skin_found_from_another_folder(program):
    """Started from a folder that is not the program's, or from a current folder of 300
    characters (the program's own, deep down), the buttons show their images."""
    program.reset_config()
    buttons_show_their_images(program, os.path.dirname(program.bin))
    with program.moved_deep('e2e-elsewhere') as (root, deep):
        buttons_show_their_images(program, deep)
        buttons_show_their_images(program, root)


def leading_glyphs(shot, rect):
    """The first two character cells of the text inside rect: the ink's bounding box, cut to
    twice its height. None when the rectangle holds no text."""
    crop = shot.crop(rect)
    background = max(crop.getcolors(crop.width * crop.height))[1]
    ink = [(x, y) for y in range(crop.height) for x in range(crop.width)
           if sum(abs(a - b) for a, b in zip(crop.getpixel((x, y)), background)) > 90]
    if len(ink) < 20:
        return None
    left, top = min(x for x, _ in ink), min(y for _, y in ink)
    bottom = max(y for _, y in ink) + 1
    return crop.crop((left, top, left + 2 * (bottom - top), bottom))


def texts_differ(a, b, what, artefact):
    """Two texts, each a (screenshot, rect), that begin with different Chinese characters must
    begin with different pixels: a font without the glyphs draws one box for every one of them."""
    glyphs = [leading_glyphs(shot, rect) for shot, rect in (a, b)]
    if None in glyphs or glyphs[0].tobytes() == glyphs[1].tobytes():
        a[0].save(artefact)
        raise Failure('%s: %s' % (what, 'no text drawn' if None in glyphs else 'boxes instead of glyphs'))


def chinese_texts_render(program):
    program.reset_config()
    program.clear_output()
    artefact = os.path.join(program.artefacts, 'failure-fonts.png')
    with scene(program):
        main = program.start()

        # A message box: "请..." and "确..." begin differently.
        texts = []
        for press, message, answer in ((lambda: program.press(1001), '请先选择抓取区域！', 1),
                                       (lambda: click((main.rect[2] - 15, main.rect[1] + 13)), '确定退出吗?', 7)):
            press()
            box = program.wait_message(message)
            rect = [c.rect for c in program.probe.children(box.hwnd) if c.cls.lower() == 'static' and c.text][0]
            texts.append((screenshot(), rect))
            program.answer(box, answer)  # OK, then No to the exit question
        texts_differ(texts[0], texts[1], 'message box', artefact)

        # A dialog: "捕获帧率" and "画面尺寸" (with their access keys).
        program.press(1003)
        dialog = wait_for('the settings dialog', lambda: program.find_window('设置'))
        labels = {c.text: c.rect for c in program.probe.children(dialog.hwnd)}
        shot = screenshot()
        click(centre(program.probe.control(dialog.hwnd, 2).rect))
        wait_for('the dialog to close', lambda: not program.find_window('设置'))
        texts_differ((shot, labels['捕获帧率(&F)']), (shot, labels['画面尺寸(&Z)']), 'settings dialog', artefact)

        # The status lines in the window's own font (Arial): "已录制:" and "已生成:".
        select_region(program, *REGION)
        program.press(1001)
        xdo('mousemove', 1700, 1000)
        client = main.client
        lines = [(client[0] + 142, client[1] + 30 + 40 * i, client[0] + 292, client[1] + 55 + 40 * i) for i in range(2)]
        wait_for('the status lines', lambda: leading_glyphs(screenshot(), lines[1]) is not None)
        shot = screenshot()
        program.shot('status-lines', main.rect)
        program.press(1002)
        program.accept_completion(wait_completion(program))
        texts_differ((shot, lines[0]), (shot, lines[1]), 'status lines', artefact)


FONT_LINKS = r'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'


def prefix_font_links_new_and_existing(program):
    """A new prefix gets the font links, and so does one made before they existed (the run
    command's prefix lives on between runs)."""
    scripts = os.path.dirname(os.path.abspath(program.wine_run))
    prefix = os.path.join(os.path.dirname(program.bin), 'e2e-prefix')
    shutil.rmtree(prefix, ignore_errors=True)
    env = dict(program.env, WINEPREFIX=prefix, WINEDEBUG='-all')

    def linked_faces():
        out = subprocess.run(['wine', 'reg', 'query', FONT_LINKS], env=env, capture_output=True, text=True).stdout
        return {line.split('    ')[1] for line in out.splitlines() if 'wqy-microhei.ttc' in line}

    try:
        subprocess.run([os.path.join(scripts, 'wine-prefix.sh')], env=env, check=True, timeout=600)
        faces = linked_faces()
        check({'Arial', 'Tahoma', 'MS Shell Dlg', 'MS Shell Dlg 2'} <= faces, 'a new prefix links %s' % sorted(faces))
        # As a prefix from before the links: none of them, and an older mark of readiness.
        for face in faces:
            subprocess.run(['wine', 'reg', 'delete', FONT_LINKS, '/v', face, '/f'], env=env, capture_output=True)
        for mark in [f for f in os.listdir(prefix) if f.startswith('.ravlin-ready')]:
            os.rename(os.path.join(prefix, mark), os.path.join(prefix, '.ravlin-ready-2'))
        subprocess.run(['wineserver', '-w'], env=env, timeout=120)
        check(not linked_faces(), 'the links could not be taken away for the test')
        subprocess.run([os.path.join(scripts, 'wine-prefix.sh')], env=env, check=True, timeout=600)
        check(linked_faces() == faces, 'an existing prefix links %s' % sorted(linked_faces()))
    finally:
        subprocess.run(['wineserver', '-k'], env=env, capture_output=True)
        subprocess.run(['wineserver', '-w'], env=env, capture_output=True, timeout=120)
        shutil.rmtree(prefix, ignore_errors=True)


SCENARIOS = [
    ('killed_recording_keeps_its_frames', killed_recording_keeps_its_frames),
    ('full_disk_is_told_and_the_frames_kept', full_disk_is_told_and_the_frames_kept),
    ('skin_found_from_another_folder', skin_found_from_another_folder),
    ('chinese_texts_render', chinese_texts_render),
    ('prefix_font_links_new_and_existing', prefix_font_links_new_and_existing),
]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
