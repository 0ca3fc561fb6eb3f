"""What `make try` watches in its Wine prefix: the top-level windows that
appear (message boxes are read, shot and answered; other windows are shot
and kept for the report), the files of drive C:, system.ini and the
uninstall entries of the registry. Built on the end-to-end harness."""

import os
import subprocess
import time
from pathlib import Path

import harness

BOX_CLASS = "#32770"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
# Buttons of a message box by id, as Windows numbers them.
IDOK, IDCANCEL, IDABORT, IDYES, IDNO = 1, 2, 3, 6, 7
# Answers to a box: the first of these buttons that the box has.
AFFIRMATIVE = (IDYES, IDOK, IDABORT)
DISMISSIVE = (IDCANCEL, IDOK, IDNO, IDABORT)


class Session:
    """One try: its prefix, its output folder and everything seen so far."""

    def __init__(self, out, flash_control):
        self.out = Path(out)
        self.shots_dir = self.out / "shots"
        self.shots_dir.mkdir(parents=True, exist_ok=True)
        self.prefix = harness.WinePrefix(self.out / "wine", flash_control=flash_control)
        self.boxes = []    # {phase, caption, text, buttons, pressed, shot}
        self.windows = []  # {phase, class, caption, rect, shot}
        self.seen = set()  # window handles already handled
        self._shots = 0

    # --- screenshots ---

    def shot(self, name, rect=None):
        """A screenshot (cut to `rect` when given); its path relative to OUT."""
        self._shots += 1
        path = self.shots_dir / f"{self._shots:02d}-{name}.png"
        harness.screenshot(path)
        if rect and rect["w"] > 0 and rect["h"] > 0:
            harness.crop(path, rect)
        return path.relative_to(self.out)

    def colours(self, shot, rect):
        """How many different colours `rect` of a screenshot holds."""
        result = subprocess.run(
            ["convert", str(self.out / shot), "-crop",
             f"{rect['w']}x{rect['h']}+{rect['x']}+{rect['y']}", "+repage", "-format", "%k",
             "info:"], capture_output=True, text=True, stdin=subprocess.DEVNULL)
        return int(result.stdout.strip() or 0)

    # --- windows and boxes ---

    def list_windows(self):
        return self.prefix.driver("list", check=False).get("windows", [])

    def watch(self, phase, done, timeout, answers=AFFIRMATIVE, settle=0.0):
        """Handles every new top-level window until `done()` holds and no new
        window came up for `settle` seconds; False when `timeout` s passed
        first. Boxes are answered with the first button of `answers` they
        have (else their first button)."""
        deadline = time.monotonic() + timeout
        quiet_since = time.monotonic()
        while time.monotonic() < deadline:
            for window in self.list_windows():
                if window["hwnd"] not in self.seen:
                    self.seen.add(window["hwnd"])
                    self.handle(phase, window, answers)
                    quiet_since = time.monotonic()
            if done() and time.monotonic() - quiet_since >= settle:
                return True
            time.sleep(0.2)
        return False

    def handle(self, phase, window, answers):
        if window["class"] == BOX_CLASS and window["caption"] != harness.DISPLAY_PROPERTIES:
            self.answer_box(phase, window, answers)
        elif window["class"] != "TInstallerForm":
            self.windows.append({"phase": phase, "class": window["class"],
                                 "caption": window["caption"], "rect": window["window"],
                                 "shot": self.shot(f"{phase}-window", window["window"])})

    def answer_box(self, phase, window, answers):
        caption = window["caption"]
        time.sleep(0.3)  # let the box paint before the shot
        shot = self.shot(f"{phase}-box", window["window"])
        box = self.prefix.driver("wait-box", caption=caption, timeout_ms=2000, check=False)
        if not box.get("ok"):
            return
        buttons = [b for b in box["buttons"] if b["visible"]]
        ids = [b["id"] for b in buttons]
        chosen = next((i for i in answers if i in ids), ids[0] if ids else IDOK)
        pressed = next((b["text"] for b in buttons if b["id"] == chosen), str(chosen))
        self.prefix.driver("press-box", caption=caption, button=chosen, check=False)
        self.boxes.append({"phase": phase, "caption": caption, "text": box["text"],
                           "buttons": [b["text"] for b in buttons], "pressed": pressed,
                           "shot": shot})

    def errors(self, phase):
        """Texts of the error boxes of a phase."""
        return [b["text"] for b in self.boxes if b["phase"] == phase and b["caption"] == "Error"]

    # --- files, system.ini, registry ---

    def files(self):
        """{C: path: (size, modification time)} of every file on drive C:."""
        drive = self.prefix.drive_c
        found = {}
        for folder, _, names in os.walk(drive):
            for name in names:
                path = Path(folder) / name
                try:
                    stat = path.lstat()
                except OSError:
                    continue
                windows = "C:\\" + str(path.relative_to(drive)).replace("/", "\\")
                found[windows] = (stat.st_size, stat.st_mtime_ns)
        return found

    def screen_saver_entry(self):
        return self.prefix.ini_value(harness.system_ini(self.prefix), "boot", "SCRNSAVE.EXE")

    def uninstall_entries(self):
        """{subkey name: {value: data}} under the Uninstall key."""
        process = self.prefix.start("reg", "query", UNINSTALL_KEY)
        process.wait(60)
        names = [line.strip().rsplit("\\", 1)[-1] for line in process.stdout().splitlines()
                 if line.strip().upper().startswith("HKEY_LOCAL_MACHINE\\")
                 and line.strip().count("\\") > UNINSTALL_KEY.count("\\")]
        return {name: self.prefix.registry_values(f"{UNINSTALL_KEY}\\{name}") or {}
                for name in names}


def file_changes(before, after):
    """(added, changed, removed) C: paths between two `Session.files`."""
    added = sorted(p for p in after if p not in before)
    changed = sorted(p for p in after if p in before and after[p] != before[p])
    removed = sorted(p for p in before if p not in after)
    return added, changed, removed
