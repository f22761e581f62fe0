"""Checks a recording (mono s16le at 11025 Hz) for one whole alarm and then one restarted alarm.

A burst is a stretch of 10 ms blocks louder than an RMS of 300, split by 150 ms of silence (the
alarms come seconds apart). Its length is the time it sounds: Wine's audio thread, starved on a
loaded machine, leaves short gaps inside a sound that are its own and not the program's. The
alarm lasts 0.905 s; restarted 0.4 s in, it sounds for about 1.3 s.

Only the program's alarm counts, told by the samples it carries (resources/alarm.wav): a burst is
heard at the alarm's own scale, set by its first blocks against the WAVE's, and blocks far louder
than the WAVE ever is at that scale are Wine's own noise, not counted, nor is a burst too short
to be any alarm. A missing, cut or doubled alarm still fails.
"""
import array
import math
import os
import sys
import wave

RATE = 11025
BLOCK = RATE // 100
SPLIT = 15  # blocks
SHORTEST = 0.3  # s: a burst that sounds less is no alarm, cut or whole
SCALE_BLOCKS = 10  # the first blocks of a burst, which set the alarm's scale
NOISE = 1.5  # times the loudest the alarm can be at its scale


def level(block):
    return math.sqrt(sum(s * s for s in block) / len(block))


def alarm_levels():
    """The 10 ms levels of the alarm the program carries (8-bit unsigned samples)."""
    here = os.path.dirname(os.path.abspath(__file__))
    with wave.open(os.path.join(here, "..", "..", "resources", "alarm.wav")) as w:
        data = w.readframes(w.getnframes())
    centred = [b - 128 for b in data]
    return [level(centred[i:i + BLOCK]) for i in range(0, len(centred) - BLOCK + 1, BLOCK)]


def bursts(samples, alarm):
    """(start s, span s, sounding s, gaps) of each burst of the alarm."""
    found, start, last, loud_blocks, gaps, ceiling = [], None, None, 0, 0, None
    blocks = len(samples) // BLOCK
    levels = [level(samples[b * BLOCK:(b + 1) * BLOCK]) for b in range(blocks)]
    for b in range(blocks + 1):
        loud = b < blocks and levels[b] > 300
        if loud and start is not None and b - start >= SCALE_BLOCKS:
            if ceiling is None:
                scale = sorted(levels[start + k] / alarm[k] for k in range(SCALE_BLOCKS))
                ceiling = NOISE * scale[SCALE_BLOCKS // 2] * max(alarm)
            if levels[b] > ceiling:
                loud = False  # Wine's noise: like silence to the alarm
        if loud:
            if start is None:
                start, loud_blocks, gaps, ceiling = b, 0, 0, None
            elif b - last > 1:
                gaps += 1
            last = b
            loud_blocks += 1
        elif start is not None and (b - last >= SPLIT or b == blocks):
            if loud_blocks / 100 >= SHORTEST:
                found.append((start / 100, (last - start + 1) / 100, loud_blocks / 100, gaps))
            start = None
    return found


def main(path):
    samples = array.array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    if sys.byteorder != "little":
        samples.byteswap()
    heard = bursts(samples, alarm_levels())
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
