"""The whole workflow as a screen reader user runs it, through AT-SPI against the real program.

Run inside with_atspi.sh: python3 atspi_test.py PATH/TO/skymra
Only actions and keys: snapshot, snapshot, check, a slider change by key with its re-check, the
markers by keys, back. At each step it checks what a screen reader is told: the announced
result (the event that carries it, once per check), names and states; and that the check's
picture is on the X clipboard with the hint that keeps clipboard managers from keeping it.
"""
import os
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

RETURN, HOME, RIGHT, DOWN = 0xFF0D, 0xFF50, 0xFF53, 0xFF54
failures = []
events = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


def pump(seconds):
    end = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while time.monotonic() < end:
        while context.iteration(False):
            pass
        time.sleep(0.01)


def on_event(event):
    try:
        source = event.source
        events.append((event.type, source.get_name() or "", source.get_description() or "",
                       event.detail1))
    except Exception as e:  # noqa
        print("event error", e, flush=True)


def find(node, name, role=None, depth=0):
    if node is None or depth > 8:
        return None
    try:
        if node.get_name() == name and (role is None or node.get_role_name() == role):
            return node
        for i in range(node.get_child_count()):
            hit = find(node.get_child_at_index(i), name, role, depth + 1)
            if hit is not None:
                return hit
    except GLib.Error:
        return None
    return None


def names(node):
    return [node.get_child_at_index(i).get_name() for i in range(node.get_child_count())]


def showing(node):
    return node.get_state_set().contains(Atspi.StateType.SHOWING)


def key(keysym, times=1):
    for _ in range(times):
        Atspi.generate_keyboard_event(keysym, None, Atspi.KeySynthType.PRESSRELEASE |
                                      Atspi.KeySynthType.SYM)
        pump(0.15)


def said(kind, since):
    return [e for e in events[since:] if e[0].startswith(kind)]


def clipboard(target):
    done = subprocess.run(["xclip", "-selection", "clipboard", "-t", target, "-o"],
                          capture_output=True, timeout=10, check=False)
    return done.stdout if done.returncode == 0 else None


def main(program):
    Atspi.init()
    listener = Atspi.EventListener.new(on_event)
    for kind in ("focus:", "object:state-changed:focused", "object:property-change:accessible-name",
                 "object:property-change:accessible-description", "object:state-changed:showing"):
        listener.register(kind)
    app_process = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
    try:
        frame = None
        for _ in range(100):
            pump(0.1)
            desktop = Atspi.get_desktop(0)
            for i in range(desktop.get_child_count()):
                app = desktop.get_child_at_index(i)
                if app is not None and app.get_process_id() == app_process.pid:
                    frame = find(app, "Skymra", "frame")
            if frame is not None:
                break
        if frame is None:
            check(False, "the program's window is found on the accessibility bus")
            return
        # No window manager here to make the window active, as a desktop would at its start.
        subprocess.run(["xdotool", "search", "--sync", "--name", "^Skymra$", "windowfocus",
                        "--sync"], check=False, timeout=10)
        pump(0.5)
        check(frame.get_role_name() == "frame", "the window is a frame (%s)" % frame.get_role_name())
        check(not any(n == "Pil" for n in names(frame)), "the arrow's line pieces are not listed")
        preview = find(frame, "Videokamera, direktbild")
        check(preview is not None and preview.get_description().startswith("Testbild"),
              "the preview says it shows the test picture")

        reference = find(frame, "Referens  SnapShot  1", "push button")
        second = find(frame, "SnapShot  2", "push button")
        checker = find(frame, "Kontrollera Bild", "push button")
        back = find(frame, "Åter till Videofönster", "push button")
        picture1 = find(frame, "Orginalbild, referensbilden")
        slider = find(frame, "Känslighet i procent", "slider")
        indicator = find(frame, "Larmindikator")
        count = None

        reference.get_action_iface().do_action(0)
        pump(1.2)  # the test picture moves on
        check(picture1.get_description().startswith("Referensbild tagen "),
              "the reference picture says when it was taken")
        second.get_action_iface().do_action(0)
        pump(0.3)

        # The check by keys: focus on the button, Return.
        checker.get_component_iface().grab_focus()
        pump(0.3)
        start = len(events)
        key(RETURN)
        pump(0.5)
        focus = [e for e in said("object:state-changed:focused", start) if e[3] == 1]
        check(len(focus) == 1 and focus[0][1].startswith("Förändringskarta, "),
              "the check moves focus once, to the map named with the result: %s" % focus)
        result = focus[0][1] if focus else ""
        changes = result.split(", ")[1].split(" ")[0] if result.count(", ") >= 2 else "?"
        count = find(frame, "Antal förändringar: " + changes)
        check(count is not None, "the count is named for what it is: Antal förändringar: " + changes)
        check(indicator.get_description() in ("Larm", "Inget larm"),
              "the indicator says its state: " + indicator.get_description())
        targets = (clipboard("TARGETS") or b"").decode().split()
        check("image/png" in targets and clipboard("x-kde-passwordManagerHint") == b"secret",
              "the check's picture is on the clipboard, hinted for no history: %s" % targets)

        # The slider by keys: Home moves it without a check; Return re-checks.
        slider.get_component_iface().grab_focus()
        pump(0.3)
        start = len(events)
        key(HOME)
        pump(0.3)
        check(slider.get_value_iface().get_current_value() == 0, "Home takes the slider to 0")
        check(not said("object:property-change:accessible-description", start),
              "moving the slider checks nothing")
        start = len(events)
        key(RETURN)
        pump(0.8)
        told = [e for e in said("object:property-change:accessible-description", start)
                if e[1] == "Känslighet i procent"]
        check(len(told) == 1 and told[0][2].endswith("förändringar, larm"),
              "Return on the slider re-checks and says the result once: %s" % told)
        alarms = [e for e in said("object:property-change:accessible-description", start)
                  if e[1] == "Larmindikator"]
        check(len(alarms) <= 1, "the indicator's state is said at most once: %s" % alarms)
        check(indicator.get_description().startswith("Larm"), "the indicator says Larm")

        # The markers by keys on the map.
        changemap = find(frame, "Förändringskarta, " + told[0][2] if told else "")
        marker = find(frame, "Markör i orginalbilden")
        if changemap is None or marker is None:
            check(False, "the map and the marker are found")
            return
        check(not showing(marker), "a parked marker is not showing")
        changemap.get_component_iface().grab_focus()
        pump(0.3)
        key(RIGHT, 2)
        key(DOWN)
        check(changemap.get_description().startswith("Punkt 176, 128."),
              "arrows move the point: " + changemap.get_description())
        key(RETURN)
        pump(0.3)
        check(showing(marker) and marker.get_description() == "Markerar punkten 176, 128",
              "Return places the markers there: " + marker.get_description())
        if os.environ.get("SKYMRA_ATSPI_SCREENSHOT"):  # to look at, by hand
            subprocess.run(["import", "-window", "root", os.environ["SKYMRA_ATSPI_SCREENSHOT"]],
                           check=False, timeout=20)

        # Back: the map goes and the count is marked as the last check's.
        back.get_component_iface().grab_focus()
        pump(0.3)
        key(RETURN)
        pump(0.5)
        check(not showing(changemap), "back hides the map")
        stale = [n for n in names(frame) if n.startswith("Antal förändringar vid förra kontrollen")]
        check(len(stale) == 1, "the count is marked as the last check's: %s" % stale)
    finally:
        app_process.terminate()
        try:
            app_process.wait(5)
        except subprocess.TimeoutExpired:
            app_process.kill()


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]))
    sys.exit(1 if failures else 0)
