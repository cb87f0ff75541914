#!/usr/bin/python3
"""Measures how fast a PulseAudio sink plays, against the monotonic clock.

Usage: sink_rate.py SINK SECONDS

Records the sink's monitor (what it plays) through parec for SECONDS and
prints the milliseconds played per millisecond of the monotonic clock. The
monitor delivers in blocks, each as soon as it has been played: the earliest
deliveries (the upper envelope of played minus elapsed time, per two-second
window) lie on the sink's line, and its slope is the rate.
"""

import subprocess
import sys
import time

RATE = 44100
FRAME_BYTES = 4
WINDOW_MS = 2000.0


def now_ms():
    return time.clock_gettime(time.CLOCK_MONOTONIC) * 1000.0


def main():
    if len(sys.argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    sink, seconds = sys.argv[1], float(sys.argv[2])
    recorder = subprocess.Popen(
        ["parec", "-d", sink + ".monitor", "--raw", "--format=s16le", "--rate=%d" % RATE, "--channels=2",
         "--latency-msec=10"], stdout=subprocess.PIPE)
    start = None
    played = 0
    ahead = {}
    try:
        while True:
            block = recorder.stdout.read1(65536)
            if not block:
                break
            now = now_ms()
            if start is None:
                start = now
            played += len(block)
            elapsed = now - start
            if elapsed > seconds * 1000.0:
                break
            window = int(elapsed // WINDOW_MS)
            lead = played * 1000.0 / (RATE * FRAME_BYTES) - elapsed
            ahead[window] = max(ahead.get(window, lead), lead)
    finally:
        recorder.terminate()
        recorder.wait()
    # The first window holds the recorder's start, the last may be partial.
    windows = sorted(ahead)[1:-1]
    if len(windows) < 3:
        sys.stderr.write("sink_rate: too short a recording\n")
        return 1
    xs = [(w + 0.5) * WINDOW_MS for w in windows]
    ys = [ahead[w] for w in windows]
    mean_x = sum(xs) / len(xs)
    mean_y = sum(ys) / len(ys)
    slope = sum((x - mean_x) * (y - mean_y) for x, y in zip(xs, ys)) / sum((x - mean_x) ** 2 for x in xs)
    print("%.7f" % (1.0 + slope))
    return 0


if __name__ == "__main__":
    sys.exit(main())
