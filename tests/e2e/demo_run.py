#!/usr/bin/python3
"""One real recording through ravlin.exe's own buttons on a (virtual) display: select a region
over a moving scene, record about three seconds, stop, confirm the completion box. Prints the
path of the GIF and of a screenshot of the tool window while it recorded."""
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ravlin_e2e import Ravlin, Scene, arguments, gif_frames, wait_for, xdo
from recording_test import select_region, wait_completion


def main():
    args = arguments(__doc__)
    program = Ravlin(args)
    scene = Scene(program.wine_run, program.helper, program.env, (100, 150, 900, 650))
    try:
        before = set(program.gifs())
        main_window = program.start()
        select_region(program, (150, 200), (650, 550))
        program.press(1001)
        wait_for('the recording to start', lambda: [g for g in program.gifs() if g not in before])
        xdo('mousemove', 1700, 1000)  # no tooltip over the preview in the screenshot
        time.sleep(3.0)
        shot = os.path.join(args.artefacts, 'ravlin-recording.png')
        r = main_window.rect
        program.shot('ravlin-recording', (r[0] - 680, r[1] - 330, r[2] + 20, r[3] + 20))
        program.press(1002)
        box = wait_completion(program)
        program.answer(box, 1)
        gif = [g for g in program.gifs() if g not in before][0]
        kept = os.path.join(args.artefacts, os.path.basename(gif))
        shutil.copy(gif, kept)
        size, frames = gif_frames(kept)
        print('%s (%dx%d, %d frames)' % (kept, size[0], size[1], len(frames)), file=sys.stderr)
        print(kept)
        print(shot)
    finally:
        scene.close()
        program.close()


if __name__ == '__main__':
    main()
