"""The installed screensaver under `make try`, started the ways Windows
starts it: previewing in the Display Properties (/p), full screen (/s) and
its settings (/c). Each step appends {step, command, shot, notes} to
`findings.saver_steps`."""

import time

import harness
from try_session import DISMISSIVE

DISPLAY_DIALOG = {"class": "#32770", "title": harness.DISPLAY_PROPERTIES}
# The preview area of the Display Properties stand-in (standins/deskcpl).
PREVIEW_AREA_ID = 202
SCREEN = {"x": 0, "y": 0, "w": 1024, "h": 768}


def _client_origin(window):
    """Where a window's client area starts on the screen (frame assumed
    equal on the left, right and bottom)."""
    outer, client = window["window"], window["client"]
    border = (outer["w"] - client["w"]) // 2
    return outer["x"] + border, outer["y"] + outer["h"] - client["h"] - border


def preview(session, findings):
    prefix = session.prefix
    step = {"step": "Preview in the Display Properties (/p)", "shot": None, "notes": [],
            "command": f"{findings.saver_command()} /p <preview area>"}
    findings.saver_steps.append(step)
    dialog = prefix.driver("find-window", timeout_ms=500, check=False, **DISPLAY_DIALOG)
    panel = None
    if not dialog.get("ok"):
        panel = harness.open_display_panel(prefix)
        dialog = prefix.driver("find-window", timeout_ms=20000, check=False, **DISPLAY_DIALOG)
    if not dialog.get("ok"):
        step["notes"].append("the Display Properties did not open")
        return

    def previews():
        info = prefix.driver("window-info", timeout_ms=2000, check=False, **DISPLAY_DIALOG)
        return [c for c in info.get("controls", []) if c["parent_id"] == PREVIEW_AREA_ID]

    children = harness.wait_until(previews, 15, interval=0.5)
    time.sleep(1.5)
    shot = session.shot("preview")
    if children:
        child = children[0]
        x, y = _client_origin(dialog)
        inner = {"x": x + child["rect"]["x"] + 2, "y": y + child["rect"]["y"] + 2,
                 "w": max(child["rect"]["w"] - 4, 1), "h": max(child["rect"]["h"] - 4, 1)}
        colours = session.colours(shot, inner)
        size = f"{child['rect']['w']} x {child['rect']['h']}"
        if colours <= 1:
            step["notes"].append(
                f"The screensaver's preview window ({child['class']}, {size}) fills the preview "
                "area but shows nothing here: Wine 8 does not show what a program draws into a "
                "window of another process. On Windows it draws there.")
        else:
            step["notes"].append(f"The screensaver previews in its {size} window "
                                 f"({child['class']}, {colours} colours).")
    else:
        step["notes"].append("No preview window appeared in the preview area.")
    harness.crop(session.out / shot, dialog["window"])
    step["shot"] = shot
    prefix.driver("click", id=2, check=False, **DISPLAY_DIALOG)
    prefix.driver("wait-gone", timeout_ms=10000, check=False, **DISPLAY_DIALOG)
    if panel is not None:
        panel.wait(20)


def full_screen(session, findings):
    prefix = session.prefix
    command = findings.saver_command()
    step = {"step": "Full screen (/s)", "command": f"{command} /s", "shot": None, "notes": []}
    findings.saver_steps.append(step)
    before = {w["hwnd"] for w in session.list_windows()}
    saver = prefix.start(command, "/s", name="saver-s")

    def new_windows():
        return [w for w in session.list_windows() if w["hwnd"] not in before]

    windows = harness.wait_until(lambda: new_windows() or not saver.running(), 20, 0.3)
    if not isinstance(windows, list):
        step["notes"].append(f"It ended at once (exit code {saver.wait(5)}) without a window.")
        return
    time.sleep(2)
    step["shot"] = session.shot("full-screen")
    window = windows[0]
    session.seen.add(window["hwnd"])
    covers = window["window"] == SCREEN
    step["notes"].append(f"Window {window['class']} \"{window['caption']}\", "
                         + ("covering the whole screen" if covers else
                            f"at {window['window']} (the screen is 1024 x 768)")
                         + (", topmost" if window["topmost"] else ", not topmost") + ".")
    prefix.driver("key", check=False, **{"class": window["class"]})
    code = saver.wait(10)
    how = "a key press"
    if code is None:
        prefix.driver("mouse-move", dx=80, dy=0, check=False, **{"class": window["class"]})
        code, how = saver.wait(10), "a mouse move (not on a key press)"
    if code is None:
        saver.popen.kill()
        step["notes"].append("It did not end on a key press or a mouse move; it was stopped.")
    else:
        step["notes"].append(f"It ended on {how} with exit code {code}.")


def settings(session, findings):
    prefix = session.prefix
    command = findings.saver_command()
    step = {"step": "Settings (/c)", "command": f"{command} /c", "shot": None, "notes": []}
    findings.saver_steps.append(step)
    saver = prefix.start(command, "/c", name="saver-c")
    boxes = len(session.boxes)
    windows = len(session.windows)
    session.watch("settings", lambda: not saver.running(), 20, answers=DISMISSIVE)
    shown = session.boxes[boxes:] + session.windows[windows:]
    if shown:
        step["shot"] = shown[0]["shot"]
    for box in session.boxes[boxes:]:
        text = " / ".join(line.strip() for line in box["text"].splitlines() if line.strip())
        step["notes"].append(f"Box \"{box['caption']}\": {text} (pressed {box['pressed']}).")
    if saver.running():
        for window in session.windows[windows:]:
            prefix.driver("close", check=False, **{"class": window["class"]})
        saver.wait(10)
    code = saver.wait(1)
    step["notes"].append("It ended with exit code " + str(code) if code is not None
                         else "It did not end after its settings were closed; it was stopped.")
    if code is None:
        saver.popen.kill()
