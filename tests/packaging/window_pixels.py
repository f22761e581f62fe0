"""Checks two grabs of Skymra's window, taken two seconds apart (raw RGB, WIDTH x HEIGHT each).

The window painted is teal around its controls and navy in its two empty picture boxes, and the
preview lives: the built-in scene's clock and ball move between the grabs. A window that opened
blank, black or frozen fails.
Usage: window_pixels.py WIDTH HEIGHT FIRST.rgb SECOND.rgb
"""
import sys

TEAL, NAVY = (0, 0x80, 0x80), (0, 0, 0x80)


def share(pixels, colour):
    target = bytes(colour)
    count = sum(1 for i in range(0, len(pixels), 3) if pixels[i:i + 3] == target)
    return count / (len(pixels) // 3)


def main(width, height, first_path, second_path):
    with open(first_path, "rb") as f:
        first = f.read()
    with open(second_path, "rb") as f:
        second = f.read()
    size = width * height * 3
    if len(first) != size or len(second) != size:
        print("window pixels: grabs of %d and %d bytes, not %d" % (len(first), len(second), size))
        return 1
    teal, navy = share(first, TEAL), share(first, NAVY)
    changed = sum(1 for i in range(0, size, 3) if first[i:i + 3] != second[i:i + 3])
    print("window pixels: %.0f %% teal, %.0f %% navy, %d changed in two seconds"
          % (100 * teal, 100 * navy, changed))
    # Both picture boxes are a quarter of the window's area; the background more than that.
    if teal < 0.25 or navy < 0.2:
        print("window pixels: not the window's colours")
        return 1
    if changed < 50:
        print("window pixels: the preview does not move")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(int(sys.argv[1]), int(sys.argv[2]), sys.argv[3], sys.argv[4]))
