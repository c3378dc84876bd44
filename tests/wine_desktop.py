"""Plumbing shared by the scripted GUI tests: the build's Wine prefix, real pointer and keyboard
input through xdotool, and screenshots of the whole X display read with Pillow."""
import io
import os
import subprocess
import time

from PIL import Image


class Failure(Exception):
    pass


def wine_prefix_for(exe):
    """The prefix scripts/wine-run.sh uses: beside the build folder's CMakeCache.txt."""
    if os.environ.get('WINEPREFIX'):
        return os.environ['WINEPREFIX']
    d = os.path.dirname(os.path.abspath(exe))
    while d != '/' and not os.path.exists(os.path.join(d, 'CMakeCache.txt')):
        d = os.path.dirname(d)
    if d == '/':
        d = os.path.dirname(os.path.abspath(exe))
    return os.path.join(d, 'wineprefix')


def prepare_prefix(wine_run, exe_name, env=None, managed=False):
    """Creates the prefix if need be and leaves exe_name's windows unmanaged: without a window
    manager Wine must place and maximise them itself. managed=True hands them to a window
    manager, for a test that runs one."""
    scripts = os.path.dirname(os.path.abspath(wine_run))
    subprocess.run([os.path.join(scripts, 'wine-prefix.sh')], env=env, check=True)
    subprocess.run(['wine', 'reg', 'add', r'HKCU\Software\Wine\AppDefaults\%s\X11 Driver' % exe_name, '/v',
                    'Managed', '/t', 'REG_SZ', '/d', 'Y' if managed else 'N', '/f'], env=env, check=True,
                   capture_output=True)


def xdo(*args):
    subprocess.run(['xdotool'] + [str(a) for a in args], check=True)


def drag(start, end, steps, settle):
    """Presses at start, moves to end in steps, waits settle seconds and releases."""
    xdo('mousemove', *start)
    xdo('mousedown', 1)
    for i in range(1, steps + 1):
        xdo('mousemove', start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)
        time.sleep(0.03)  # pacing only: callers wait for their conditions afterwards
    if settle:
        time.sleep(settle)
    xdo('mouseup', 1)


def screenshot(path=None):
    png = subprocess.run(['import', '-window', 'root', 'png:-'], check=True, capture_output=True).stdout
    image = Image.open(io.BytesIO(png)).convert('RGB')
    if path:
        image.save(path)
    return image
