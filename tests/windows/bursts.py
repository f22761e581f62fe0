"""Checks a recording (mono s16le at 11025 Hz) for one whole alarm and then one restarted alarm.

A burst is a stretch where 10 ms blocks are louder than an RMS of 300, split by 60 ms of
silence. The alarm lasts 0.905 s; restarted 0.4 s in, it sounds for about 1.3 s unbroken.
"""
import array
import math
import sys

RATE = 11025
BLOCK = RATE // 100


def bursts(samples):
    found, start, last = [], None, None
    blocks = len(samples) // BLOCK
    for b in range(blocks + 1):
        loud = False
        if b < blocks:
            block = samples[b * BLOCK:(b + 1) * BLOCK]
            loud = math.sqrt(sum(s * s for s in block) / BLOCK) > 300
        if loud:
            start = b if start is None else start
            last = b
        elif start is not None and (b - last >= 6 or b == blocks):
            found.append((start / 100, (last - start + 1) / 100))
            start = None
    return found


def main(path):
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    if sys.byteorder != "little":
        samples.byteswap()
    heard = bursts(samples)
    print("recorded %.1f s, bursts (start, seconds): %s"
          % (len(samples) / RATE, ", ".join("%.2f %.2f" % b for b in heard)))
    if len(heard) != 2:
        print("expected two bursts: the alarm, then the alarm restarted")
        return 1
    whole, restarted = heard[0][1], heard[1][1]
    if not 0.8 <= whole <= 1.0:
        print("the first alarm is not whole: %.2f s" % whole)
        return 1
    if not 1.15 <= restarted <= 1.8:
        print("the restarted alarm does not sound 0.4 s plus a whole alarm: %.2f s" % restarted)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
