#!/usr/bin/python3
"""Builds the download from a finished Windows build: ravlin-<version>-win32.zip holding one
folder with ravlin.exe, its skin folder and the read-me (Chinese, then English).

    make_zip.py --bin BUILD/win32/bin --out DIR      prints the zip's path
"""
import argparse
import os
import re
import sys
import zipfile

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def version():
    with open(os.path.join(REPO, 'app', 'version.h'), encoding='utf-8') as f:
        text = f.read()
    return '.'.join(re.search(r'#define RAVLIN_VERSION_%s (\d+)' % part, text).group(1)
                    for part in ('MAJOR', 'MINOR', 'PATCH'))


def readme_bytes():
    """The read-me as Notepad opens it best: UTF-8 with a byte-order mark, CRLF line ends."""
    with open(os.path.join(REPO, 'docs', 'download-readme.txt'), encoding='utf-8') as f:
        text = f.read()
    return b'\xef\xbb\xbf' + text.replace('\r\n', '\n').replace('\n', '\r\n').encode('utf-8')


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--bin', required=True, help='the win32 build\'s bin folder')
    parser.add_argument('--out', required=True, help='where the zip goes')
    args = parser.parse_args()

    exe = os.path.join(args.bin, 'ravlin.exe')
    skin = os.path.join(args.bin, 'skin')
    # The images for 96 DPI and, in skin/2x, those for scaled screens.
    bitmaps = sorted(os.path.relpath(os.path.join(d, n), skin).replace(os.sep, '/')
                     for d, _, names in os.walk(skin) for n in names if n.lower().endswith('.bmp'))
    if not os.path.isfile(exe) or not bitmaps:
        sys.exit('make_zip: %s or its skin folder is missing; build win32 first' % exe)

    name = 'ravlin-%s-win32' % version()
    os.makedirs(args.out, exist_ok=True)
    path = os.path.join(args.out, name + '.zip')
    # Written beside and renamed, so a failed run never leaves a zip that looks complete.
    partial = path + '.partial'
    with zipfile.ZipFile(partial, 'w', zipfile.ZIP_DEFLATED) as z:
        z.write(exe, name + '/ravlin.exe')
        for bitmap in bitmaps:
            z.write(os.path.join(skin, bitmap), name + '/skin/' + bitmap)
        info = zipfile.ZipInfo(name + '/README.txt', date_time=(2026, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        z.writestr(info, readme_bytes())
    os.replace(partial, path)
    print(path)


if __name__ == '__main__':
    main()
