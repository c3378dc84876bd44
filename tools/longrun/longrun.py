#!/usr/bin/python3
"""Long-run check of ravlin.exe under Wine: one long recording of a moving 640 x 480 region at
20 frames per second, driven through the program's own buttons. Every 30 seconds it prints the
process's memory (VmRSS, VmSize), its live GDI objects and the frames already in the file with
the rate at which they arrived; at the end the time the encoder needed after Stop to write out
what it still held (the distance between the received and the encoded count) and what the
completion box said."""
import argparse
import os
import subprocess
import sys
import time
import types

repo = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(repo, 'tests', 'e2e'))
from ravlin_e2e import Ravlin, Scene, gif_frames, wait_for  # noqa: E402
from recording_test import select_region  # noqa: E402


def frames_in_file(path):
    """Complete images in a GIF that may still be growing."""
    try:
        with open(path, 'rb') as f:
            data = f.read()
    except OSError:
        return 0
    if len(data) < 13:
        return 0
    pos = 13
    if data[10] & 0x80:
        pos += 3 << ((data[10] & 7) + 1)
    count = 0

    def skip_blocks(p):
        while p < len(data):
            size = data[p]
            p += 1 + size
            if size == 0:
                return p
        return None

    while pos < len(data):
        kind = data[pos]
        if kind == 0x21:
            pos = skip_blocks(pos + 2)
        elif kind == 0x2C:
            if pos + 10 > len(data):
                break
            flags = data[pos + 9]
            pos += 10
            if flags & 0x80:
                pos += 3 << ((flags & 7) + 1)
            pos = skip_blocks(pos + 1)
            if pos is not None:
                count += 1
        else:
            break
        if pos is None:
            break
    return count


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument('--build', required=True, help='the win32 build folder')
    parser.add_argument('--minutes', type=float, default=10.0)
    parser.add_argument('--sample', type=float, default=30.0, help='seconds between samples')
    options = parser.parse_args()
    b = os.path.join(options.build, 'bin')
    args = types.SimpleNamespace(program=os.path.join(b, 'ravlin.exe'), helper=os.path.join(b, 'e2e_helper.exe'),
                                 wine_run=os.path.join(repo, 'scripts', 'wine-run.sh'),
                                 artefacts=os.path.join(options.build, 'artefacts', 'longrun'))
    program = Ravlin(args)
    program.reset_config({'CaptureDelay': 50, 'CaptureType': 0, 'Width': 480, 'Height': 270})
    program.clear_output()
    print('GDI counting self-test (before, with 100 more bitmaps, after):', program.probe.gdi_selftest())
    scene = Scene(program.wine_run, program.helper, program.env, (100, 100, 820, 660))
    try:
        main_window = program.start()
        select_region(program, (140, 140), (140 + 642, 140 + 482))
        program.press(1001)
        gif = wait_for('the file', lambda: program.gifs())[0]
        started = time.time()
        client = program.overlay().client
        print('region %dx%d, file %s' % (client[2] - client[0], client[3] - client[1], gif))
        print('%8s %8s %8s %10s %10s %6s' % ('seconds', 'in_file', 'per_s', 'VmRSS_KiB', 'VmSize_KiB', 'GDI'))
        rows = []
        end = started + options.minutes * 60
        next_sample = started
        while True:
            now = time.time()
            if now >= next_sample:
                elapsed = now - started
                memory = program.memory_kib()
                in_file = frames_in_file(gif)
                rate = (in_file - rows[-1][1]) / (elapsed - rows[-1][0]) if rows else 0.0
                row = (elapsed, in_file, rate, memory['VmRSS'], memory['VmSize'],
                       program.probe.gdi_objects(main_window.pid))
                rows.append(row)
                print('%8.0f %8d %8.1f %10d %10d %6d' % row, flush=True)
                next_sample += options.sample
            if now >= end:
                break
            time.sleep(min(1.0, max(0.05, next_sample - time.time())))
        stop_at = time.time()
        program.press(1002)
        box, text = wait_for('the completion box', program.message_box, 600)
        drain = time.time() - stop_at
        program.shot('longrun-completed', (0, 0, 1920, 1080))
        program.answer(box, 1)
        size, frames = gif_frames(gif)
        giflib = subprocess.run(['giftext', gif], capture_output=True, text=True).stdout.count('Image #')
        recorded = stop_at - started
        print()
        print('recorded %.0f s; completion box: %r; after Stop the encoder needed %.1f s to finish' %
              (recorded, text, drain))
        print('file: %dx%d, %d frames (Pillow), %d (giflib); %.0f s at 20 per second would be %d' %
              (size[0], size[1], len(frames), giflib, recorded, int(recorded * 20)))
        rss = [r[3] for r in rows]
        gdi = [r[5] for r in rows]
        rates = [r[2] for r in rows[1:]]
        print('frames per second into the file: min %.1f, max %.1f, overall %.2f' %
              (min(rates), max(rates), len(frames) / recorded))
        print('frames still queued at Stop: about %.0f (%.1f s of writing at the overall rate)' %
              (drain * len(frames) / recorded, drain))
        print('VmRSS KiB: first %d, last %d, min %d, max %d' % (rss[0], rss[-1], min(rss), max(rss)))
        print('GDI objects: first %d, last %d, min %d, max %d' % (gdi[0], gdi[-1], min(gdi), max(gdi)))
    finally:
        scene.close()
        program.close()


if __name__ == '__main__':
    main()
