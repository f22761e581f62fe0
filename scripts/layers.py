#!/usr/bin/env python3
"""Fails on an include that runs against the layers of README's Layout.

The rooms and their order are read from README's Layout block itself, so the rule and its
description cannot drift apart: a room is a line `    name/   target: ...`, and each `↓` starts
the level below. A room may include its own headers and those of any room on its level or below,
never above; no two rooms, and no two files of one room (a header and its source count as one),
may include each other.
Usage: scripts/layers.py [repository root]
"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
readme = (root / "README.md").read_text(encoding="utf-8")
layout = readme.split("## Layout", 1)[1].split("\n## ", 1)[0]

level_of = {}  # room ("app/form") -> level, 0 at the top
level = 0
for line in layout.splitlines():
    if line.strip() == "↓":
        level += 1
    elif m := re.match(r"^    ([a-z_]+(?:/[a-z_]+)*)/\s", line):
        level_of[m.group(1)] = level
if len(level_of) < 2:
    sys.exit("layers: no rooms found in README's Layout")


def room_of(path):
    """The longest room that `path` ("stream/rtsp/x.h") lies in, if any."""
    parts = path.split("/")
    for n in range(len(parts) - 1, 0, -1):
        if "/".join(parts[:n]) in level_of:
            return "/".join(parts[:n])
    return None


include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
faults = []
room_uses = {}  # (from, to) -> where, the first time
module_uses = {}  # (from module, to module) -> where
for room in sorted(level_of):
    for source in sorted((root / room).rglob("*")):
        if source.suffix not in (".h", ".cpp") or not source.is_file():
            continue
        name = source.relative_to(root).as_posix()
        if room_of(name) != room:
            continue
        for number, text in enumerate(source.read_text(encoding="utf-8").splitlines(), 1):
            m = include.match(text)
            if not m:
                continue
            target = m.group(1)
            used = room_of(target)
            if used is None:
                continue
            where = f"{name}:{number}"
            if level_of[used] < level_of[room]:
                faults.append(
                    f"{where}: includes {target}, but README's Layout puts {used}/ above {room}/: "
                    "a room uses only its own level and those below it"
                )
            if used != room:
                room_uses.setdefault((room, used), where)
            module = name.rsplit(".", 1)[0]
            other = target.rsplit(".", 1)[0]
            if other != module:
                module_uses.setdefault((module, other), where)

for uses in (room_uses, module_uses):
    for (a, b), where in sorted(uses.items()):
        if a < b and (b, a) in uses:
            faults.append(
                f"{where} and {uses[(b, a)]}: {a} and {b} include each other: "
                "one of them must not know the other"
            )

for fault in faults:
    print(fault)
if faults:
    sys.exit(1)
print(f"layers: {len(level_of)} rooms on {level + 1} levels, every include runs down them")
