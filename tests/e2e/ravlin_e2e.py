"""Drives the real ravlin.exe under Wine on an X display: starting it in the build's own Wine
prefix with a clean configuration, finding its windows through e2e_helper.exe's probe, real
pointer and keyboard input through xdotool, and screenshots read with Pillow.

Every wait polls its condition with a generous limit and ends as soon as it holds."""
import contextlib
import glob
import os
import shutil
import subprocess
import sys
import time

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import wine_desktop  # noqa: E402
from wine_desktop import Failure, screenshot, wine_prefix_for, xdo  # noqa: E402,F401

WAIT = 60.0
MARK_MARGIN = 5

# The locale each interface language runs under: Wine follows LANG where the locale exists.
LOCALES = {'zh': 'zh_CN.UTF-8', 'en': 'en_US.UTF-8'}
# The English twins of the texts the tests look for.
ENGLISH = {
    '录制完成!': 'Recording complete!',
    '请先选择抓取区域！': 'Please select a region first!',
    '无法写入文件夹，录制未能开始!': 'Cannot write to the folder. The recording could not start!',
    '确定退出吗?': 'Quit Ravlin?',
    '关于 Ravlin': 'About Ravlin',
    'Ravlin，1.2': 'Ravlin, 1.2',
    '设置': 'Settings',
    '帧率范围是15-30帧!': 'The frame rate must be 15-30 frames per second!',
    '画面宽度范围是50-1920像素!': 'The width must be 50-1920 pixels!',
    '画面高度范围是50-1080像素!': 'The height must be 50-1080 pixels!',
    '快捷键不能重复!': 'Each key can be used only once!',
    '已被其他程序占用': 'is held by another program',
    '文件大小: ': 'File size: ',
    ' 字节)': ' bytes)',
    '磁盘已满，录制已停止!': 'The disk is full. The recording stopped!',
    '磁盘已满，录制未能开始!': 'The disk is full. The recording could not start!',
    '剪贴板被其他程序占用，文件未能放到剪贴板上。': 'The clipboard is held by another program; the file was not put on it.',
    '捕获帧率(&F)': '&Frame rate',
    '界面语言(&G)': 'Lan&guage',
    '自动（跟随系统）': 'Automatic (system)',
    '停止录制 (F9 已用于“录制/暂停”)': 'Stop recording (F9 is already used for "Record/Pause")',
    '区域尺寸': 'Region size',
    '已达到文件大小上限 1 MB': 'The file reached its size limit of 1 MB',
    '文件大小上限范围是0-4000MB!': 'The size limit must be 0-4000 MB!',
}


def wait_for(what, condition, timeout=WAIT, interval=0.2):
    """Polls condition until it returns something true; raises Failure naming what was awaited."""
    deadline = time.time() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.time() > deadline:
            raise Failure('timed out waiting for ' + what)
        time.sleep(interval)


def check(condition, message):
    if not condition:
        raise Failure(message)


def click(point):
    xdo('mousemove', point[0], point[1])
    time.sleep(0.05)
    xdo('click', 1)


def key(name):
    xdo('key', name)


def drag(start, end):
    wine_desktop.drag(start, end, steps=8, settle=0.1)


def centre(rect):
    return ((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)


def end_helper(proc):
    """e2e_helper.exe ends once its input closes; one still running after 30 s is killed."""
    try:
        proc.stdin.close()
        proc.wait(timeout=30)
    except Exception:
        proc.kill()


class Window:
    def __init__(self, line):
        head, rest = line.split('|', 1)
        self.title, rect, client = rest.rsplit('|', 2)
        hwnd, pid, self.cls = head.split(' ', 2)
        self.hwnd, self.pid = int(hwnd), int(pid)
        self.rect = tuple(int(v) for v in rect.split())
        self.client = tuple(int(v) for v in client.split())

    @property
    def region(self):
        """For the region overlay: the recorded region, inside the margin that holds the corner
        marks (MARK_MARGIN pixels at 96 DPI)."""
        l, t, r, b = self.client
        return (l + MARK_MARGIN, t + MARK_MARGIN, r - MARK_MARGIN, b - MARK_MARGIN)


class Control:
    def __init__(self, line):
        head, rest = line.split('|', 1)
        self.text, rect = rest.rsplit('|', 1)
        ident, enabled, visible, checked, self.cls = head.split(' ', 4)
        self.id, self.enabled, self.visible, self.checked = int(ident), int(enabled), int(visible), int(checked)
        self.rect = tuple(int(v) for v in rect.split())


class Probe:
    """e2e_helper.exe probe: lists windows and controls of every process in the prefix."""

    def __init__(self, wine_run, helper, env):
        self.proc = subprocess.Popen([wine_run, helper, 'probe'], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     env=env, text=True, encoding='utf-8', bufsize=1)

    def ask(self, command):
        self.proc.stdin.write(command + '\n')
        self.proc.stdin.flush()
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise Failure('probe ended while answering %r' % command)
            line = line.rstrip('\n')
            if line == 'end':
                return lines
            lines.append(line)

    def windows(self):
        return [Window(line) for line in self.ask('windows')]

    def children(self, hwnd):
        return [Control(line) for line in self.ask('children %d' % hwnd)]

    def control(self, hwnd, ident):
        for c in self.children(hwnd):
            if c.id == ident:
                return c
        raise Failure('no control %d in window %d' % (ident, hwnd))

    def close_window(self, hwnd):
        self.ask('close %d' % hwnd)

    def gdi_objects(self, pid):
        """Live GDI objects of a process of this prefix (Wine's own table; -1 if unreadable)."""
        return int(self.ask('gdi %d' % pid)[0].split()[0])

    def gdi_selftest(self):
        return [int(v) for v in self.ask('gdi-selftest')[0].split()]

    def close(self):
        end_helper(self.proc)


class Scene:
    """A moving scene at a screen rectangle: colour bars and a sliding white square, or with kind
    'busyscene' a drifting photo-like picture with grain."""

    def __init__(self, wine_run, helper, env, rect, kind='scene'):
        left, top, right, bottom = rect
        self.proc = subprocess.Popen([wine_run, helper, kind, str(left), str(top), str(right - left),
                                      str(bottom - top)], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=env, text=True)
        if self.proc.stdout.readline().strip() != 'ready':
            raise Failure('scene did not start')

    def close(self):
        end_helper(self.proc)


class Ravlin:
    """ravlin.exe, started from its own folder (the skin folder is relative to it)."""

    MAIN_TITLE = 'Ravlin 1.2'
    BOX_TITLE = 'Ravlin'

    def __init__(self, args):
        self.exe = os.path.abspath(args.program)
        self.bin = os.path.dirname(self.exe)
        self.wine_run = args.wine_run
        self.helper = os.path.abspath(args.helper)
        self.prefix = wine_prefix_for(self.exe)
        self.artefacts = args.artefacts
        os.makedirs(self.artefacts, exist_ok=True)
        # Wine takes its locale from LANG; any LC_* would override it (Python itself sets
        # LC_CTYPE when LANG names a locale the system lacks), and the Chinese texts of the
        # status lines would then render as boxes.
        self.env = {k: v for k, v in os.environ.items() if not k.startswith('LC_')}
        self.lang = getattr(args, 'lang', 'zh')
        self.env.update(WINEPREFIX=self.prefix, LANG=LOCALES[self.lang])
        self.output = os.path.join(self.bin, 'CaptureFile')
        self.proc = None
        self.probe = None
        self.main = None
        wine_desktop.prepare_prefix(self.wine_run, 'ravlin.exe', self.env)
        # The file manager a completed recording opens, too: Wine would otherwise wait two seconds
        # for a window manager each time a test closes it.
        wine_desktop.prepare_prefix(self.wine_run, 'explorer.exe', self.env)
        self.probe = Probe(self.wine_run, self.helper, self.env)

    # Configuration ------------------------------------------------------------------------
    def config_files(self):
        c = os.path.join(self.prefix, 'drive_c')
        return ([os.path.join(c, 'Documents and Settings', 'Administrator', 'Application Data', 'ravlin', 'config.ini')]
                + glob.glob(os.path.join(c, 'users', '*', 'AppData', 'Roaming', 'ravlin', 'config.ini'))
                + glob.glob(os.path.join(c, 'users', '*', 'Application Data', 'ravlin', 'config.ini')))

    def reset_config(self, values=None):
        """Removes every configuration file; values (a dict) are then written to the fixed one."""
        for path in self.config_files():
            if os.path.exists(path):
                os.remove(path)
        if values:
            path = self.config_files()[0]
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'w', newline='\r\n') as f:
                f.write('[Ravlin]\n' + ''.join('%s=%s\n' % kv for kv in values.items()))

    def read_config(self):
        """The stored keys, the per-user file taking precedence as in the program."""
        values = {}
        for path in reversed(self.config_files()):
            if not os.path.exists(path):
                continue
            with open(path, encoding='utf-8', errors='replace') as f:
                for line in f:
                    if '=' in line:
                        k, v = line.strip().split('=', 1)
                        values.setdefault(k, v)
        return values

    @contextlib.contextmanager
    def moved_deep(self, name):
        """Runs the program from a copy, with its skin, in a folder of more than 300 characters
        under a new folder `name` beside the build's; yields (that new folder, the deep one)."""
        root = os.path.join(os.path.dirname(self.bin), name)
        shutil.rmtree(root, ignore_errors=True)
        folder = root
        while len(folder) < 300:
            folder = os.path.join(folder, 'a-rather-long-folder-name-for-testing')
        os.makedirs(folder)
        shutil.copy(self.exe, folder)
        shutil.copytree(os.path.join(self.bin, 'skin'), os.path.join(folder, 'skin'))
        saved = self.exe, self.bin
        self.exe, self.bin = os.path.join(folder, 'ravlin.exe'), folder
        try:
            yield root, folder
        finally:
            self.stop()
            self.exe, self.bin = saved
            shutil.rmtree(root, ignore_errors=True)

    def clear_output(self):
        shutil.rmtree(self.output, ignore_errors=True)

    def gifs(self):
        return sorted(glob.glob(os.path.join(self.output, '*.gif')))

    # Process ------------------------------------------------------------------------------
    def start(self, cwd=None):
        """Starts the program, from its own folder unless cwd names another."""
        self.proc = subprocess.Popen([self.wine_run, self.exe], cwd=cwd or self.bin, env=self.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.main = wait_for('the main window', lambda: self.find_window(self.MAIN_TITLE))
        # Painted and its buttons skinned: the status frames are drawn in the background paint.
        wait_for('the buttons', lambda: len(self.probe.children(self.main.hwnd)) >= 8)
        time.sleep(0.5)
        self.main = self.find_window(self.MAIN_TITLE)
        return self.main

    def wine_processes(self, matches):
        """Linux pids of this prefix's Wine processes whose arguments satisfy matches."""
        found = []
        for entry in os.listdir('/proc'):
            if not entry.isdigit():
                continue
            try:
                with open('/proc/%s/cmdline' % entry, 'rb') as f:
                    arguments = f.read().decode(errors='replace').split('\0')
                with open('/proc/%s/environ' % entry, 'rb') as f:
                    environment = f.read().split(b'\0')
            except OSError:
                continue
            if matches(arguments) and ('WINEPREFIX=' + self.prefix).encode() in environment:
                found.append(int(entry))
        return found

    def unix_pid(self):
        """The Linux process that runs this program's ravlin.exe (found by its prefix)."""
        pids = self.wine_processes(lambda arguments: arguments[0].lower().endswith('ravlin.exe'))
        return pids[0] if pids else None

    def file_manager_pids(self):
        return self.wine_processes(lambda arguments: arguments[0].lower().endswith('explorer.exe')
                                   and len(arguments) > 1 and arguments[1].lower().startswith('/select,'))

    def memory_kib(self):
        """VmRSS and VmSize of the program's process in KiB."""
        values = {}
        with open('/proc/%d/status' % self.unix_pid()) as f:
            for line in f:
                if line.startswith(('VmRSS:', 'VmSize:')):
                    values[line.split(':')[0]] = int(line.split()[1])
        return values

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def stop(self):
        """Ends the program if a scenario left it running (it is ours: started above)."""
        if self.running():
            self.proc.kill()
            try:
                self.proc.wait(timeout=30)
            except Exception:
                pass
        # The file manager a completed recording opens comes up in its own time, possibly after
        # the scenario ended: wait for each one started and close it politely. One left behind
        # lies over the screen where the next test presses, and keeps the prefix's server alive.
        for pid in self.file_manager_pids():
            wait_for('the file manager %d to show its folder' % pid,
                     lambda: self.file_manager_window() or not os.path.exists('/proc/%d' % pid), 60)
            window = self.file_manager_window()
            if window:
                self.probe.close_window(window.hwnd)
            wait_for('the file manager %d to end' % pid, lambda: not os.path.exists('/proc/%d' % pid), 30)
        self.proc = None

    def close(self):
        self.stop()
        self.probe.close()

    def tr(self, text):
        """The text as the program shows it in this run's language (the tests name the Chinese)."""
        return ENGLISH.get(text, text) if self.lang == 'en' else text

    # Windows ------------------------------------------------------------------------------
    def find_window(self, title, cls=None):
        title = self.tr(title)
        for w in self.probe.windows():
            if w.title == title and (cls is None or w.cls == cls):
                return w
        return None

    def message_box(self):
        """The visible message box of the program, as (window, text), or None."""
        for w in self.probe.windows():
            if w.cls == '#32770' and w.title == self.BOX_TITLE:
                texts = [c.text for c in self.probe.children(w.hwnd) if c.cls.lower() == 'static' and c.text]
                return w, ' '.join(texts)
        return None

    def wait_message(self, expected, timeout=WAIT):
        expected = self.tr(expected)
        box, text = wait_for('message box "%s"' % expected, self.message_box, timeout)
        check(expected in text, 'message box says %r, expected %r' % (text, expected))
        return box

    def answer(self, box, button_id):
        """Clicks a button of a message box or dialog and waits for the box to go."""
        click(centre(self.probe.control(box.hwnd, button_id).rect))
        wait_for('the box to close', lambda: not any(w.hwnd == box.hwnd for w in self.probe.windows()))

    def accept_completion(self, box):
        """Answers "录制完成!" (or its English twin) with OK, which opens the file manager on the file; closes that too."""
        self.answer(box, 1)
        self.close_file_manager()

    def file_manager_window(self):
        for w in self.probe.windows():
            if w.cls == 'ExplorerWClass' or (w.cls != 'RavlinE2EScene' and 'CaptureFile' in w.title):
                return w
        return None

    def close_file_manager(self):
        """Closes the file manager a completed recording opens: it comes up on its own time and
        would otherwise lie over the screen where the next steps press."""
        explorer = wait_for('the file manager on CaptureFile', lambda: self.find_window('CaptureFile', 'ExplorerWClass'))
        self.probe.close_window(explorer.hwnd)
        wait_for('the file manager to close', lambda: not any(w.hwnd == explorer.hwnd for w in self.probe.windows()))

    def button(self, ident):
        return self.probe.control(self.main.hwnd, ident)

    def press(self, ident):
        click(centre(self.button(ident).rect))

    def focus_main(self):
        xdo('mousemove', self.main.rect[0] + 200, self.main.rect[1] + 12)
        xdo('click', 1)
        time.sleep(0.2)

    def overlay(self):
        """The region overlay window (it has no title) while visible, or None."""
        for w in self.probe.windows():
            if w.pid == self.main.pid and w.cls == '#32770' and w.title == '':
                return w
        return None

    def shot(self, name, rect=None):
        image = screenshot()
        if rect:
            image = image.crop(rect)
        image.save(os.path.join(self.artefacts, name + '.png'))
        return image


# GIF checks with independent decoders --------------------------------------------------------
def gif_frames(path):
    """Every frame of a GIF as (RGB image, duration in ms), decoded by Pillow."""
    from PIL import ImageSequence
    image = Image.open(path)
    frames = []
    for frame in ImageSequence.Iterator(image):
        frames.append((frame.convert('RGB'), frame.info.get('duration')))
    return image.size, frames


def giflib_delays(path):
    """The delay of every image, read by giflib's giftext; fails on a file giflib rejects."""
    out = subprocess.run(['giftext', path], check=True, capture_output=True, text=True).stdout
    images = out.count('Image #')
    delays = [int(line.split(':')[1]) for line in out.splitlines() if line.strip().startswith('DelayTime')]
    check(images == len(delays), 'giftext: %d images but %d delays' % (images, len(delays)))
    return delays


def colour_share(image, colour, tolerance=45):
    """Share of pixels (sampled) within tolerance of colour."""
    small = image.resize((max(1, image.width // 4), max(1, image.height // 4)))
    pixels = list(small.getdata())
    near = sum(1 for p in pixels if sum((a - b) ** 2 for a, b in zip(p, colour)) <= tolerance ** 2)
    return near / len(pixels)


def run_scenarios(program, scenarios, names=None):
    """Runs the named scenarios (all by default), each with a fresh program; returns an exit code."""
    failed = []
    for name, scenario in scenarios:
        if names and name not in names:
            continue
        start = time.time()
        try:
            scenario(program)
            print('PASS %s (%.1f s)' % (name, time.time() - start), flush=True)
        except Exception as error:  # a failed scenario must not stop the others
            failed.append(name)
            print('FAIL %s: %s: %s' % (name, type(error).__name__, error), flush=True)
            try:
                program.shot('failure-' + name)
            except Exception:
                pass
        finally:
            program.stop()
    program.close()
    print('%d scenarios, %d failed%s' % (len(scenarios) if not names else len(names), len(failed),
                                         (': ' + ', '.join(failed)) if failed else ''))
    return 1 if failed else 0


def arguments(description):
    import argparse
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument('--program', required=True)
    parser.add_argument('--helper', required=True)
    parser.add_argument('--wine-run', required=True)
    parser.add_argument('--artefacts', required=True)
    parser.add_argument('--lang', choices=sorted(LOCALES), default='zh',
                        help='the system language Wine runs the program in')
    parser.add_argument('scenarios', nargs='*')
    return parser.parse_args()
