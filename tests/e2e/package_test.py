#!/usr/bin/python3
"""The download: the zip made from this build, unpacked into a folder whose path has spaces and
Chinese characters, holds what it should, imports only system DLLs, carries its version and icon,
and runs and records from there."""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, arguments, check, gif_frames, key, run_scenarios, wait_for  # noqa: E402
from recording_test import scene, select_region, wait_completion  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# What any Windows has; the program must need nothing beside it.
SYSTEM_DLLS = {'comctl32.dll', 'gdi32.dll', 'gdiplus.dll', 'kernel32.dll', 'msvcrt.dll', 'shell32.dll',
               'shlwapi.dll', 'user32.dll', 'advapi32.dll', 'ole32.dll', 'version.dll', 'winmm.dll', 'comdlg32.dll'}


def make_zip(program, out):
    result = subprocess.run([sys.executable, os.path.join(REPO, 'scripts', 'make_zip.py'), '--bin', program.bin,
                             '--out', out], check=True, capture_output=True, text=True)
    return result.stdout.strip()


def imports(exe):
    objdump = shutil.which('i686-w64-mingw32-objdump') or 'objdump'
    out = subprocess.run([objdump, '-p', exe], check=True, capture_output=True, text=True).stdout
    return {line.split(':', 1)[1].strip().lower() for line in out.splitlines() if 'DLL Name:' in line}


def unpacked_zip_runs_and_records(program):
    work = tempfile.mkdtemp(prefix='ravlin-zip-')
    try:
        path = make_zip(program, work)
        name = os.path.basename(path)
        check(name.startswith('ravlin-1.2.') and name.endswith('-win32.zip'), 'zip named %s' % name)
        folder = os.path.join(work, 'Ravlin 下载 测试')
        with zipfile.ZipFile(path) as z:
            names = z.namelist()
            z.extractall(folder)
        top = name[:-len('.zip')]
        check({top + '/ravlin.exe', top + '/README.txt', top + '/skin/Rec.bmp', top + '/skin/2x/Rec.bmp'} <= set(names),
              'zip holds %s' % names)
        readme = open(os.path.join(folder, top, 'README.txt'), encoding='utf-8-sig').read()
        check(readme.index('录制') < readme.index('Recording') and 'F9' in readme, 'read-me not Chinese then English')

        exe = os.path.join(folder, top, 'ravlin.exe')
        foreign = imports(exe) - SYSTEM_DLLS
        check(not foreign, 'imports beyond the system DLLs: %s' % sorted(foreign))
        # The version is read from the build's own copy, byte for byte the one in the zip: the
        # probe cannot pass a Chinese path through its input under a Chinese locale.
        with open(exe, 'rb') as packed, open(program.exe, 'rb') as built:
            check(packed.read() == built.read(), 'the zip holds another ravlin.exe than the build')
        windows_path = 'Z:' + program.exe.replace('/', '\\')
        product, description, file_version, icons = program.probe.ask('version ' + windows_path)[0].split('|')
        check(product == 'Ravlin' and description and file_version.startswith('1.2.'),
              'version resource %r %r %r' % (product, description, file_version))
        check(int(icons) >= 1, 'no icon in the exe')

        # The unpacked copy, started from its own folder as the file manager would.
        program.exe = exe
        program.bin = os.path.dirname(exe)
        program.output = os.path.join(program.bin, 'CaptureFile')
        program.reset_config()
        # Wine turns Unix file names into Windows ones with the locale's character set; this
        # machine has no zh_CN.UTF-8, under which the Chinese folder name would not convert.
        if 'zh_CN.utf8' not in subprocess.run(['locale', '-a'], capture_output=True, text=True).stdout:
            program.env['LANG'] = 'C.UTF-8'
        with scene(program):
            program.start()
            select_region(program, (150, 200), (450, 400))
            key('F9')
            wait_for('recording to start', lambda: program.gifs())
            time.sleep(1.5)
            key('F10')
            program.accept_completion(wait_completion(program))
        gifs = program.gifs()
        check(len(gifs) == 1 and len(gif_frames(gifs[0])[1]) >= 10, 'recorded from the unpacked folder: %s' % gifs)
    finally:
        program.stop()
        shutil.rmtree(work, ignore_errors=True)


SCENARIOS = [('unpacked_zip_runs_and_records', unpacked_zip_runs_and_records)]

if __name__ == '__main__':
    args = arguments(__doc__)
    sys.exit(run_scenarios(Ravlin(args), SCENARIOS, args.scenarios))
