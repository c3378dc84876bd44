#!/usr/bin/python3
"""The region overlay under real X input on Wine.

Starts overlay_harness.exe (which hosts CSelectionOverlay and answers on stdout), drives the pointer
and keyboard with xdotool, reads the overlay's state back from the harness and checks what is
on screen pixel by pixel in screenshots. Screenshots are kept in the artefacts folder.

Wine on Xvfb: a layered window's alpha is not composited (the overlay shows opaque grey), the white
colour key does cut the frame's inside out. Without a window manager Wine leaves maximising to a
manager that is not there, so the harness runs with Wine's "Managed" option off for itself only.

The cut-out inside of the frame lets the mouse through, on Windows as under Wine: the frame is
moved by dragging a corner mark and sized by the grey part of its border (the white highlight of
the border's edge is keyed out too), so that is where these tests press.

The region is exactly the dragged band; the marks lie in a margin of MARGIN pixels around it (the
client area), so no mark pixel is ever inside the region.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import wine_desktop  # noqa: E402
from wine_desktop import Failure, screenshot, wine_prefix_for, xdo  # noqa: E402

GREY = (128, 128, 128)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
GREEN = (0, 255, 0)
RED = (255, 0, 0)
WAIT = 30.0  # seconds; generous, every wait ends as soon as its condition holds
MARGIN = 5  # the marks' thickness at 96 DPI


def around(region):
    """The client area around a region: the region and the marks' margin."""
    l, t, r, b = region
    return (l - MARGIN, t - MARGIN, r + MARGIN, b + MARGIN)


class Harness:
    def __init__(self, wine_run, exe):
        self.proc = subprocess.Popen([wine_run, exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, bufsize=1)
        line = self.proc.stdout.readline().strip()
        if line != 'ready':
            raise Failure('harness did not start: %r' % line)

    def ask(self, command):
        self.proc.stdin.write(command + '\n')
        self.proc.stdin.flush()
        line = self.proc.stdout.readline().strip()
        if not line:
            raise Failure('harness gave no answer to %r' % command)
        return line

    def state(self):
        f = self.ask('state').split()
        assert f[0] == 'state', f
        n = list(map(int, f[1:]))
        return {'visible': n[0], 'maximised': n[1], 'locked': n[2],
                'capture': tuple(n[3:7]), 'client': tuple(n[7:11]), 'window': tuple(n[11:15])}

    def close(self):
        try:
            self.ask('quit')
            self.proc.wait(timeout=30)
        except Exception:
            self.proc.kill()


def drag(start, end):
    wine_desktop.drag(start, end, steps=6, settle=0)


def wait_for(what, condition, timeout=WAIT):
    """Polls condition() until it returns a true value; fails with the last value seen."""
    end = time.time() + timeout
    last = None
    while True:
        last = condition()
        if last and last is not True and isinstance(last, tuple) and last[0]:
            return last[1]
        if last is True:
            return True
        if time.time() > end:
            raise Failure('timed out waiting for %s (last seen: %r)' % (what, last))
        time.sleep(0.1)


def shot_where(what, predicate, timeout=WAIT):
    """Takes screenshots until predicate(image) is empty (a list of complaints); returns the image."""
    def check():
        image = screenshot()
        complaints = predicate(image)
        return (not complaints, image) if not complaints else (False, complaints[:5])
    return wait_for(what, check, timeout)


def mark_bars(rect):
    """The eight corner bars, from the client rectangle (the region and its margin) in screen coordinates."""
    l, t, r, b = rect
    n, w = 25, 5
    return [(l, t, l + n, t + w), (l, t, l + w, t + n), (r - w, t, r, t + n), (r - n, t, r, t + w),
            (l, b - w, l + n, b), (l, b - n, l + w, b), (r - w, b - n, r, b), (r - n, b - w, r, b)]


def frame_complaints(image, region, colour):
    """What differs from the frame look around region: solid bars of colour in the margin (those on
    screen), the region itself cut out with no mark pixel in it."""
    out = []
    width, height = image.size

    def on_screen(p):
        return 0 <= p[0] < width and 0 <= p[1] < height
    for bar in mark_bars(around(region)):
        l, t, r, b = bar
        for p in ((l, t), (r - 1, b - 1), ((l + r) // 2, (t + b) // 2)):
            if on_screen(p) and image.getpixel(p) != colour:
                out.append('bar %r pixel %r is %r' % (bar, p, image.getpixel(p)))
    l, t, r, b = around(region)
    # Just beside each mark, and in the middle: the colour key shows what lies behind (black root).
    for p in ((l + 25, t), (l + 5, t + 5), (l, t + 25), (r - 26, b - 1), (r - 6, b - 6), ((l + r) // 2, (t + b) // 2)):
        if on_screen(p) and image.getpixel(p) in (colour, WHITE, GREY):
            out.append('inside pixel %r is %r, not cut out' % (p, image.getpixel(p)))
    # The region's own edge rows and columns near each corner hold no mark.
    l, t, r, b = region
    for i in range(30):
        for p in ((l + i, t), (l, t + i), (r - 1 - i, t), (r - 1, t + i), (l + i, b - 1), (l, b - 1 - i),
                  (r - 1 - i, b - 1), (r - 1, b - 1 - i)):
            if on_screen(p) and image.getpixel(p) == colour:
                out.append('mark pixel %r inside the region %r' % (p, region))
    return out


class OverlayTest:
    def __init__(self, harness, artefacts):
        self.h = harness
        self.artefacts = artefacts
        self.failures = []
        self.screen = screenshot().size
        self.suffix = ''

    def save(self, image, name):
        image.save(os.path.join(self.artefacts, name))

    def check(self, condition, message):
        if not condition:
            raise Failure(message)

    def open_overlay(self):
        """The main window's select command: ShowOverlay(false) then ShowOverlay(true)."""
        self.h.ask('hide')
        self.h.ask('show')
        full = (0, 0) + self.screen
        wait_for('the overlay to cover the screen',
                 lambda: (lambda s: (s['visible'] and s['client'] == full, None) if s['visible'] and s['client'] == full
                          else (False, s))(self.h.state()))
        return shot_where('the grey overlay', lambda im: [] if im.getpixel((5, self.screen[1] - 5)) == GREY and
                          im.getpixel((self.screen[0] // 2, 5)) == GREY else ['not grey'])

    def wait_state(self, what, predicate):
        def check():
            s = self.h.state()
            return (True, s) if predicate(s) else (False, s)
        return wait_for(what, check)

    def select(self, start, end, overlay_shot=None):
        """Drags a band from start to end and waits for the frame on it; returns the state."""
        self.open_overlay()
        if overlay_shot:
            # Button held: the band follows the pointer on the overlay.
            xdo('mousemove', *start)
            xdo('mousedown', 1)
            for i in range(1, 5):
                xdo('mousemove', start[0] + (end[0] - start[0]) * i // 4, start[1] + (end[1] - start[1]) * i // 4)
            l, t = min(start[0], end[0]), min(start[1], end[1])
            r, b = max(start[0], end[0]), max(start[1], end[1])

            def band(im):
                out = []
                for p, c in (((l, t), BLACK), ((r - 1, b - 1), BLACK), ((l, (t + b) // 2), BLACK),
                             ((l + 1, t + 1), WHITE), (((l + r) // 2, (t + b) // 2), WHITE), ((r - 2, b - 2), WHITE),
                             ((l - 1, t - 1), GREY), ((r, b), GREY), ((r + 40, t), GREY)):
                    if im.getpixel(p) != c:
                        out.append('band pixel %r is %r, expected %r' % (p, im.getpixel(p), c))
                return out
            self.save(shot_where('the band on the overlay', band), overlay_shot)
            xdo('mouseup', 1)
        else:
            drag(start, end)
        band = (min(start[0], end[0]), min(start[1], end[1]), max(start[0], end[0]), max(start[1], end[1]))
        # The region follows at the erase after the move, so that is waited for too.
        return self.wait_state('the frame around the band %r' % (band,),
                               lambda s: s['visible'] and not s['maximised'] and s['capture'] == band
                               and s['client'] == around(band))

    def run(self, name, test):
        try:
            test()
            print('PASS', name)
        except Failure as e:
            print('FAIL', name, '-', e)
            self.failures.append(name)
            self.save(screenshot(), 'failed-%s.png' % name)

    # The tests, in the order they run; each leaves the overlay in a known state for the next.

    def test_bands_in_four_directions(self):
        a, b = (600, 300), (1000, 560)
        captures = []
        for i, (start, end) in enumerate(((a, b), (b, a), ((b[0], a[1]), (a[0], b[1])), ((a[0], b[1]), (b[0], a[1])))):
            s = self.select(start, end, overlay_shot='overlay-with-band.png' if i == 0 else None)
            w, c = s['window'], s['client']
            border = c[0] - w[0]
            self.check(border > 0 and (c[1] - w[1], w[2] - c[2], w[3] - c[3]) == (border,) * 3,
                       'the border around the client area is uneven: window %r client %r' % (w, c))
            captures.append(s['capture'])
        self.check(len(set(captures)) == 1, 'directions gave different regions: %r' % captures)
        rect = captures[0]
        self.save(shot_where('green corner marks', lambda im: frame_complaints(im, rect, GREEN)), 'frame-green.png')

    def test_move_and_resize(self):
        s = self.select((400, 200), (900, 600))
        c = s['capture']
        grip = (c[0] - MARGIN + 12, c[1] - MARGIN + 2)  # the top-left horizontal mark
        drag(grip, (grip[0] + 150, grip[1] + 80))
        moved = (c[0] + 150, c[1] + 80, c[2] + 150, c[3] + 80)
        s = self.wait_state('the region to follow the move to %r' % (moved,), lambda s: s['capture'] == moved)
        self.check(s['client'] == around(moved), 'client %r' % (s['client'],))

        w = s['window']
        drag((w[0], w[1]), (w[0] - 60, w[1] - 40))  # top-left corner of the border
        resized = (moved[0] - 60, moved[1] - 40, moved[2], moved[3])
        self.wait_state('the region to follow the resize to %r' % (resized,), lambda s: s['capture'] == resized)
        shot_where('marks on the resized frame', lambda im: frame_complaints(im, resized, GREEN))

        w = self.h.state()['window']
        middle = (w[1] + w[3]) // 2
        drag((w[0], middle), (w[0] + 50, middle))  # left edge
        narrowed = (resized[0] + 50, resized[1], resized[2], resized[3])
        self.wait_state('the region to follow the left-edge resize to %r' % (narrowed,),
                        lambda s: s['capture'] == narrowed)

    def test_lock(self):
        s = self.select((500, 300), (1100, 700))
        before = s['window']
        region = s['capture']
        self.h.ask('lock')
        # The region stays what it was whatever the frame does without its sizing style.
        s = self.wait_state('the frame locked', lambda s: s['locked'])
        c = s['capture']
        self.check(c == region, 'locking changed the region: %r -> %r' % (region, c))
        self.save(shot_where('red corner marks', lambda im: frame_complaints(im, c, RED)), 'frame-red.png')
        w = s['window']
        self.check(w == before, 'locking moved the window: %r -> %r' % (before, w))
        grip = (c[0] - MARGIN + 12, c[1] - MARGIN + 2)
        drag(grip, (grip[0] + 100, grip[1] + 50))        # a mark: no move
        drag((w[0], w[1]), (w[0] - 50, w[1] - 50))      # the border: no resize
        time.sleep(1.0)
        s = self.h.state()
        self.check(s['window'] == w and s['capture'] == c, 'locked frame changed: %r -> %r' % (c, s['capture']))
        # Later input proves the earlier drags were handled: after unlocking, one more move must land
        # exactly one offset away from where the frame was, so no locked drag moved it late.
        self.h.ask('unlock')
        s = self.wait_state('the region refreshed after unlocking',
                            lambda s: not s['locked'] and around(s['capture']) == s['client'])
        c = s['capture']
        self.check(s['window'] == w, 'unlocking moved the window')
        shot_where('green marks again', lambda im: frame_complaints(im, c, GREEN))
        grip = (c[0] - MARGIN + 12, c[1] - MARGIN + 2)
        drag(grip, (grip[0] + 30, grip[1] + 20))
        moved = (c[0] + 30, c[1] + 20, c[2] + 30, c[3] + 20)
        self.wait_state('the unlocked frame to move to %r' % (moved,), lambda s: s['capture'] == moved)
        time.sleep(0.5)
        self.check(self.h.state()['capture'] == moved, 'frame moved again after the unlocked drag')

    def test_selection_while_locked_keeps_red_marks(self):
        self.h.ask('lock')
        s = self.select((300, 300), (700, 650))
        self.check(s['locked'] == 1, 'lock lost by a new selection')
        shot_where('red marks after a locked selection', lambda im: frame_complaints(im, s['capture'], RED))
        self.h.ask('unlock')
        # Unlocked, the frame gets its sizing border back and the region changes at the next
        # paint: wait for it, so the next test does not take the old region for its "before".
        self.wait_state('the region refreshed after unlocking',
                        lambda s: not s['locked'] and around(s['capture']) == s['client'])

    def test_frame_stays_on_screen(self):
        """Dragged towards each edge and a corner, past it as far as the pointer goes, the frame
        stops flush with the edge, keeps its size, and its region (a margin and border inside it)
        stays whole on the screen with no mark in it."""
        sw, sh = self.screen
        s = self.select((700, 400), (1100, 700))
        size = (s['window'][2] - s['window'][0], s['window'][3] - s['window'][1])

        def grip(c, far):
            # A mark on the side away from the edge, so the pointer can carry the frame past it.
            return (c[2] + MARGIN - 12, c[3] + MARGIN - 2) if far else (c[0] - MARGIN + 12, c[1] - MARGIN + 2)

        for name, far, target, expect in (
                ('left', True, lambda p: (0, p[1]), lambda w: w[0] == 0),
                ('top', True, lambda p: (p[0], 0), lambda w: w[1] == 0),
                ('right', False, lambda p: (sw - 1, p[1]), lambda w: w[2] == sw),
                ('bottom', False, lambda p: (p[0], sh - 1), lambda w: w[3] == sh),
                ('top-left corner', True, lambda p: (0, 0), lambda w: w[0] == 0 and w[1] == 0)):
            c = self.h.state()['capture']
            start = grip(c, far)
            drag(start, target(start))
            s = self.wait_state('the frame flush with the %s edge' % name,
                                lambda s: expect(s['window']) and around(s['capture']) == s['client'])
            w, c = s['window'], s['capture']
            self.check((w[2] - w[0], w[3] - w[1]) == size, 'moving to the %s edge resized the frame: %r' % (name, w))
            self.check(w[0] >= 0 and w[1] >= 0 and w[2] <= sw and w[3] <= sh, 'frame off screen: %r' % (w,))
            # Seen there too, not only reported: a window manager may have put it elsewhere.
            shot_where('the marks at the %s edge' % name, lambda im, c=c: frame_complaints(im, c, GREEN))
            # Back towards the middle for the next edge, by the same mark.
            g = grip(c, far)
            drag(g, (g[0] + (300 if far else -300), g[1] + (200 if far else -200)))
            self.wait_state('the frame back from the %s edge' % name,
                            lambda s, w=w: s['window'] != w and around(s['capture']) == s['client'])

        # Sizing by the right border past the screen's edge stops at the edge too.
        c = self.h.state()['capture']
        drag(grip(c, False), (sw - size[0] + 100, 300))
        w = self.wait_state('the frame near the right edge', lambda s: s['window'][2] > sw - 100)['window']
        middle = (w[1] + w[3]) // 2
        drag((w[2] - 2, middle), (sw - 1, middle + 5))
        c = self.wait_state('the right border at the screen edge', lambda s: s['window'][2] == sw
                            and s['window'][0] == w[0] and around(s['capture']) == s['client'])['capture']
        self.save(shot_where('the marks at the right edge', lambda im: frame_complaints(im, c, GREEN)),
                  'frame-at-right-edge%s.png' % self.suffix)

    def test_region_given_while_shown(self):
        """A typed size on a region already shown moves the frame there, also where a window
        manager places the window itself."""
        s = self.select((300, 300), (600, 500))
        for given in ((250, 250, 650, 550), (400, 200, 600, 300)):
            self.h.ask('region %d %d %d %d' % given)
            s = self.wait_state('the frame on the given region %r' % (given,),
                                lambda s, g=given: s['capture'] == g and s['client'] == around(g))
            time.sleep(0.5)  # a late move by the manager would show in the next state
            s = self.h.state()
            self.check(s['capture'] == given and s['client'] == around(given), 'the frame went back: %r' % (s,))
            shot_where('marks around the given region', lambda im, g=given: frame_complaints(im, g, GREEN))

    def test_click_without_drag_hides(self):
        before = self.h.state()['capture']
        self.open_overlay()
        xdo('mousemove', 800, 500)
        xdo('click', 1)
        s = self.wait_state('the overlay to hide after a click', lambda s: not s['visible'])
        self.check(s['capture'] == before, 'a click chose a region: %r' % (s['capture'],))

    def test_escape_cancels_and_enter_does_nothing(self):
        before = self.h.state()['capture']
        self.open_overlay()
        xdo('mousemove', 900, 500)
        xdo('key', 'Escape')
        s = self.wait_state('Esc to hide the overlay', lambda s: not s['visible'])
        self.check(s['capture'] == before, 'Esc chose a region')

        # Esc in the middle of a drag: hidden, and the release chooses nothing.
        self.open_overlay()
        xdo('mousemove', 600, 300)
        xdo('mousedown', 1)
        xdo('mousemove', 700, 400)
        xdo('mousemove', 800, 500)
        xdo('key', 'Escape')
        self.wait_state('Esc to hide the overlay during a drag', lambda s: not s['visible'])
        xdo('mouseup', 1)
        time.sleep(0.5)
        s = self.h.state()
        self.check(not s['visible'] and s['capture'] == before, 'the release after Esc chose a region: %r' % (s,))

        # Enter leaves the overlay up: the drag that follows it still selects.
        self.open_overlay()
        xdo('mousemove', 700, 400)
        xdo('key', 'Return')
        drag((650, 350), (950, 650))
        s = self.wait_state('a selection after Enter', lambda s: s['visible'] and s['capture'] == (650, 350, 950, 650)
                            and around(s['capture']) == s['client'])

        # Esc on a chosen region does nothing: the frame still moves afterwards.
        c = s['capture']
        grip = (c[0] - MARGIN + 12, c[1] - MARGIN + 2)
        xdo('mousemove', *grip)
        xdo('key', 'Escape')
        drag(grip, (grip[0] + 40, grip[1] + 20))
        moved = (c[0] + 40, c[1] + 20, c[2] + 40, c[3] + 20)
        self.wait_state('the frame to move after Esc', lambda s: s['visible'] and s['capture'] == moved)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--harness', required=True)
    parser.add_argument('--wine-run', required=True)
    parser.add_argument('--artefacts', required=True)
    args = parser.parse_args()
    os.makedirs(args.artefacts, exist_ok=True)

    os.environ['WINEPREFIX'] = wine_prefix_for(args.harness)
    os.environ.setdefault('WINEDEBUG', '-all')
    wine_desktop.prepare_prefix(args.wine_run, 'overlay_harness.exe')

    harness = Harness(args.wine_run, args.harness)
    test = OverlayTest(harness, args.artefacts)
    try:
        for name in ('bands_in_four_directions', 'move_and_resize', 'lock', 'selection_while_locked_keeps_red_marks',
                     'frame_stays_on_screen', 'region_given_while_shown', 'click_without_drag_hides', 'escape_cancels_and_enter_does_nothing'):
            test.run(name, getattr(test, 'test_' + name))
    finally:
        harness.close()

    # Under a window manager Wine lets the manager move the window and only hears of it after.
    if shutil.which('openbox'):
        wine_desktop.prepare_prefix(args.wine_run, 'overlay_harness.exe', managed=True)
        manager = subprocess.Popen(['openbox'], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            wait_for('the window manager', lambda: subprocess.run(
                ['xprop', '-root', '_NET_SUPPORTING_WM_CHECK'], capture_output=True, text=True).stdout.find('window id') >= 0)
            test.h = Harness(args.wine_run, args.harness)
            test.suffix = '-managed'
            test.run('frame_stays_on_screen_managed', test.test_frame_stays_on_screen)
            test.run('region_given_while_shown_managed', test.test_region_given_while_shown)
        finally:
            if test.h is not harness:
                test.h.close()
            manager.terminate()
            manager.wait(timeout=30)
            wine_desktop.prepare_prefix(args.wine_run, 'overlay_harness.exe')
    else:
        print('SKIP frame_stays_on_screen_managed - openbox is not installed')
    print('%d failed' % len(test.failures))
    return 1 if test.failures else 0


if __name__ == '__main__':
    sys.exit(main())
