#!/usr/bin/python3
"""Presses keys through the X server at exact moments of the monotonic clock.

Usage: wall_keys.py TITLE SCHEDULE PRESSED LOG

Focuses the window named TITLE, then reads SCHEDULE, one press a line:
"<ms> <keysym>". The first line's key starts the song at once; the others
are pressed at their ms after the music's time 0 was heard, which the game
writes to LOG ("time 0 was heard at tick N", N the monotonic ms). Each key is tapped
through XTest at its moment (within a fraction of a millisecond on an idle
core): down and up at once, so that the game sees the press and no held key
(a held key is read again every frame and would take the lane's next
arrow). Writes to PRESSED one line per press: the monotonic time (ms) at
which the X server had taken it, and the key.
"""

import re
import sys
import time

from Xlib import X, XK, display
from Xlib.ext import xtest

SPIN_MS = 2.0


def now_ms():
    return time.clock_gettime(time.CLOCK_MONOTONIC) * 1000.0


def wait_until(moment):
    while True:
        left = moment - now_ms()
        if left <= 0:
            return
        if left > SPIN_MS:
            time.sleep((left - SPIN_MS) / 1000.0)


def find_window(screen_root, title):
    for child in screen_root.query_tree().children:
        if child.get_wm_name() == title:
            return child
        found = find_window(child, title)
        if found:
            return found
    return None


HEARD = re.compile(r"time 0 was heard at tick (\d+)")
TICK_RANGE = 2 ** 32


def wait_for_heard_start(log_path, limit_ms):
    give_up = now_ms() + limit_ms
    while now_ms() < give_up:
        try:
            with open(log_path, errors="replace") as log:
                found = HEARD.search(log.read())
        except OSError:
            found = None
        if found:
            tick = int(found.group(1))
            now = now_ms()
            # The tick count is the monotonic ms, wrapped at 32 bits.
            return now - ((int(now) - tick) % TICK_RANGE)
        time.sleep(0.002)
    return None


def read_schedule(path):
    events = []
    with open(path) as lines:
        for line in lines:
            words = line.split()
            if len(words) == 2:
                events.append((float(words[0]), words[1]))
    return events


def tap(x, code):
    xtest.fake_input(x, X.KeyPress, code)
    xtest.fake_input(x, X.KeyRelease, code)
    x.sync()
    return now_ms()


def main():
    if len(sys.argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    title, schedule_path, pressed_path, log_path = sys.argv[1:]
    x = display.Display()
    root = x.screen().root
    window = find_window(root, title)
    if window is None:
        sys.stderr.write("wall_keys: no window named %r\n" % title)
        return 1
    give_up = now_ms() + 10000.0
    while window.get_attributes().map_state != X.IsViewable:
        if now_ms() > give_up:
            sys.stderr.write("wall_keys: the window %r was never shown\n" % title)
            return 1
        time.sleep(0.05)
    x.set_input_focus(window, X.RevertToParent, X.CurrentTime)
    x.sync()

    presses = [(at, keysym, x.keysym_to_keycode(XK.string_to_keysym(keysym)))
               for at, keysym in read_schedule(schedule_path)]
    if not presses:
        sys.stderr.write("wall_keys: an empty schedule\n")
        return 1
    # The game's first frames come after its window is shown.
    wait_until(now_ms() + 1000.0)
    taken = [(tap(x, presses[0][2]), presses[0][1])]
    heard = wait_for_heard_start(log_path, 10000.0)
    if heard is None:
        sys.stderr.write("wall_keys: the game never logged when its music was heard\n")
        return 1
    for at, keysym, code in sorted(presses[1:], key=lambda press: press[0]):
        wait_until(heard + at)
        taken.append((tap(x, code), keysym))
    with open(pressed_path, "w") as out:
        for moment, keysym in taken:
            out.write("%.3f %s\n" % (moment, keysym))
    return 0


if __name__ == "__main__":
    sys.exit(main())
