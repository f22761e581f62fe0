"""Checks a recording (mono s16le at 11025 Hz) for one whole alarm and then one restarted alarm.

A burst is a stretch of 10 ms blocks louder than an RMS of 300, split by 150 ms of silence (the
alarms come seconds apart). Its length is the time it sounds: Wine's audio thread, starved on a
loaded machine, leaves short gaps inside a sound that are its own and not the program's. The
alarm lasts 0.905 s; restarted 0.4 s in, it sounds for about 1.3 s.
"""
import array
import math
import sys

RATE = 11025
BLOCK = RATE // 100
SPLIT = 15  # blocks


def bursts(samples):
    """(start s, span s, sounding s, gaps) of each burst."""
    found, start, last, loud_blocks, gaps = [], None, None, 0, 0
    blocks = len(samples) // BLOCK
    for b in range(blocks + 1):
        loud = False
        if b < blocks:
            block = samples[b * BLOCK:(b + 1) * BLOCK]
            loud = math.sqrt(sum(s * s for s in block) / BLOCK) > 300
        if loud:
            if start is None:
                start, loud_blocks, gaps = b, 0, 0
            elif b - last > 1:
                gaps += 1
            last = b
            loud_blocks += 1
        elif start is not None and (b - last >= SPLIT or b == blocks):
            found.append((start / 100, (last - start + 1) / 100, loud_blocks / 100, gaps))
            start = None
    return found


def main(path):
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    if sys.byteorder != "little":
        samples.byteswap()
    heard = bursts(samples)
    print("recorded %.1f s, bursts (start, span, sounding, gaps): %s"
          % (len(samples) / RATE, ", ".join("%.2f %.2f %.2f %d" % b for b in heard)))
    if len(heard) != 2:
        print("expected two bursts: the alarm, then the alarm restarted")
        return 1
    whole, restarted = heard[0][2], heard[1][2]
    if not 0.8 <= whole <= 1.0:
        print("the first alarm is not whole: %.2f s" % whole)
        return 1
    if not 1.15 <= restarted <= 1.8:
        print("the restarted alarm does not sound 0.4 s plus a whole alarm: %.2f s" % restarted)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
