"""What `make try` found, and its verdict: the prefix before and after the
install and the uninstall, and the report made from it."""

import harness
from try_report import Report

PREVIEW_KINDS = {1: "bitmap", 2: "Flash movie", 3: "Flash movie", 4: "silent (no window)"}
ENTRY_TYPES = {1: "saver folder", 2: "Windows folder", 3: "Windows folder (.dll)",
               4: "saver folder (data file)", 5: "saver folder", 6: "installer image"}


def _note(path):
    """Why a file that stays after the uninstall may stay."""
    lower = path.lower()
    if lower == r"c:\windows\impborl.dll":
        return "the decompression library, shared by every installed saver: stays"
    if lower == r"c:\windows\flashax.exe" or "\\macromed\\flash\\" in lower:
        return "the Flash runtime, shared: stays"
    if lower.startswith(r"c:\windows\temp\lmx temp"):
        return "the installer's scratch folder: stays"
    if "\\temp\\" in lower:
        return "a temporary file"
    if lower == r"c:\windows\system.ini":
        return "changed (see system.ini)"
    return ""


class Findings:
    def __init__(self, installer, package, no_flash):
        self.installer, self.package, self.no_flash = installer, package, no_flash
        self.title = package["title"]
        self.install_failure = None
        self.uninstall_result = None
        self.saver_steps = []
        self.state = {}  # phase -> {files, ini, keys, flash}
        self.prefix = None

    # --- what the prefix held ---

    def _take(self, phase, session):
        self.prefix = session.prefix
        self.state[phase] = {"files": session.files(), "ini": session.screen_saver_entry(),
                             "keys": session.uninstall_entries(),
                             "flash": harness.registered_flash_server(session.prefix),
                             "engine": self.engine.exists(),
                             "saver_folder": sorted(p.name for p in self.saver_folder.rglob("*"))
                             if self.saver_folder.exists() else None}

    def before(self, session):
        self._take("before", session)

    def after_install(self, session):
        self._take("installed", session)

    def after_uninstall(self, session):
        self._take("uninstalled", session)

    @property
    def engine(self):
        return self.prefix.windows_dir / self.package["slots"][6]["name"]

    @property
    def saver_folder(self):
        return self.prefix.windows_dir / f"{self.title} dir"

    def engine_installed(self, session):
        return self.engine.is_file()

    def engine_gone_probe(self, session):
        return lambda: not self.engine.exists()

    def uninstall_entry(self, phase="installed"):
        return self.state.get(phase, {}).get("keys", {}).get(self.title)

    def uninstall_command(self):
        return (self.uninstall_entry() or {}).get("UninstallString")

    def saver_command(self):
        """How Windows starts the screensaver: the SCRNSAVE.EXE entry."""
        return self.state["installed"]["ini"] or "C:\\windows\\" + self.engine.name

    # --- verdict ---

    def failure(self):
        """Why the try failed, or None when install and uninstall succeeded."""
        if self.install_failure:
            return self.install_failure
        if self.uninstall_command() is None:
            return f"the install wrote no uninstall entry for \"{self.title}\""
        result = self.uninstall_result or {}
        if "exit_code" not in result:
            return ("the uninstall command could not be run: "
                    f"{result.get('error', result)} (error {result.get('code')})")
        if not result.get("ok"):
            return "the uninstall command did not end within 150 s"
        if result["exit_code"] != 0:
            return f"the uninstall command ended with exit code {result['exit_code']}"
        left = []
        if self.uninstall_entry("uninstalled") is not None:
            left.append("the uninstall entry")
        uninstalled = self.state["uninstalled"]
        if uninstalled["engine"]:
            left.append(f"the engine {self.engine.name}")
        if uninstalled["saver_folder"] is not None:
            left.append(f"the saver folder ({len(uninstalled['saver_folder'])} entries)")
        installed_ini = self.state["installed"]["ini"]
        if installed_ini and self.state["uninstalled"]["ini"] == installed_ini:
            left.append("the SCRNSAVE.EXE entry of system.ini")
        if left:
            return "the uninstall left behind " + ", ".join(left)
        return None

    # --- the report ---

    def write_report(self, session, file_changes):
        report = Report(f"Trying {self.installer.name}")
        failure = self.failure()
        report.heading("Result")
        report.text("**Installed and uninstalled.**" if failure is None else
                    f"**FAILED:** {failure}")
        report.text(f"Installer `{self.installer}` ({self.installer.stat().st_size} bytes), "
                    f"run under {harness.wine_arch()} Wine on a fresh prefix "
                    + ("without the Flash control (NO_FLASH)." if self.no_flash else
                       "with the Flash control registered."))
        self._package(report)
        self._window(report, session)
        self._boxes(report, session)
        self._files(report, file_changes)
        self._system(report)
        self._saver(report)
        self._uninstall(report, file_changes)
        return report.write(session.out)

    def _package(self, report):
        p = self.package
        report.heading("Package")
        report.table(["Title", "Preview", "Licence", "Read-me", "Display Properties"],
                     [[p["title"],
                       PREVIEW_KINDS.get(p["preview_kind"], f"none ({p['preview_kind']})"),
                       "shown" if p["show_licence"] else "no",
                       "opened" if p["show_readme"] else "no",
                       "opened" if p["open_display_properties"] else "no"]])
        rows = [[s["slot"], s["name"], ENTRY_TYPES.get(s["type"], s["type"]),
                 "imploded" if s["compressed"] else "stored", s["stored"], s["extracted"]]
                for s in p["slots"][1:] if s["name"]]
        report.table(["Slot", "Name", "Goes to", "Stored as", "Stored bytes", "Bytes"], rows)

    def _window(self, report, session):
        info = session.installer.get("window")
        report.heading("Installer window")
        if info is None:
            report.text("No installer window was shown"
                        + (" (a silent package)." if self.package["preview_kind"] == 4 else "."))
            return
        report.image(session.installer["window_shot"], "The installer window as it opened")
        report.text(f"Class {info['class']}, caption \"{info['caption']}\", window "
                    f"{info['window']['w']} x {info['window']['h']}, client "
                    f"{info['client']['w']} x {info['client']['h']}, "
                    + ("topmost." if info["topmost"] else "not topmost."))
        rows = [[harness.INSTALLER_CONTROLS.get(c["id"], ""), c["class"], c["id"], c["text"],
                 "yes" if c["visible"] else "no", "yes" if c["enabled"] else "no",
                 f"{c['rect']['x']}, {c['rect']['y']}, {c['rect']['w']} x {c['rect']['h']}"]
                for c in info["controls"]]
        report.table(["Role", "Class", "Id", "Text", "Visible", "Enabled", "Place"], rows)
        if session.installer.get("failed_window"):
            report.image(session.installer["failed_window"], "The window after the failed install")
        report.text(f"Install was pressed by its control id {harness.INSTALL_BUTTON_ID}; the "
                    f"installer ended with exit code {session.installer.get('exit_code')}.")

    def _boxes(self, report, session):
        report.heading("Message boxes and other windows")
        if not session.boxes:
            report.text("No message box was shown.")
        else:
            report.table(["When", "Caption", "Text", "Buttons", "Pressed"],
                         [[b["phase"], b["caption"], b["text"], ", ".join(b["buttons"]),
                           b["pressed"]] for b in session.boxes])
            for box in session.boxes:
                report.image(box["shot"], f"{box['phase']}: {box['caption']}")
        for window in session.windows:
            report.text(f"{window['phase']}: a window opened, class {window['class']}, "
                        f"caption \"{window['caption']}\".")
            report.image(window["shot"], f"{window['phase']}: {window['caption']}")

    def changes(self, file_changes, phase):
        """(added, changed) files from before the install to `phase`,
        without the copy of the installer that make try started."""
        added, changed, _ = file_changes(self.state["before"]["files"], self.state[phase]["files"])
        copy = "C:\\setup\\" + self.installer.name
        return [p for p in added if p != copy], changed

    def _files(self, report, file_changes):
        installed = self.state["installed"]["files"]
        added, changed = self.changes(file_changes, "installed")
        report.heading("Files written by the install")
        report.table(["File", "Bytes", ""],
                     [[p, installed[p][0], "new"] for p in added]
                     + [[p, installed[p][0], "replaced or changed"] for p in changed])

    def _system(self, report):
        report.heading("system.ini and registry")
        s = self.state
        phases = ("before", "installed", "uninstalled")
        report.table(["", "Before", "After the install", "After the uninstall"],
                     [["system.ini [boot] SCRNSAVE.EXE"] + [s[p]["ini"] for p in phases],
                      ["Flash control (InprocServer32)"] + [s[p]["flash"] for p in phases]])
        key = f"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{self.title}"
        entry = self.uninstall_entry()
        report.text(f"Uninstall entry `{key}`:" if entry else f"No uninstall entry `{key}`.")
        if entry:
            report.table(["Value", "Data"], sorted(entry.items()))
        others = sorted(set(s["installed"]["keys"]) - set(s["before"]["keys"]) - {self.title})
        if others:
            report.text("Other new uninstall entries: " + ", ".join(others))

    def _saver(self, report):
        report.heading("The installed screensaver")
        if not self.saver_steps:
            report.text("Not run: the engine is not installed.")
        for step in self.saver_steps:
            report.text(f"**{step['step']}**: `{step['command']}`")
            if step["shot"]:
                report.image(step["shot"], step["step"])
            for note in step["notes"]:
                report.text(note)

    def _uninstall(self, report, file_changes):
        report.heading("Uninstall")
        command = self.uninstall_command()
        if command is None:
            report.text("Not run: there is no uninstall entry.")
            return
        result = self.uninstall_result or {}
        report.text(f"Command `{command}`, started as Windows starts a registry command "
                    f"(CreateProcess with this command line): "
                    + (f"exit code {result['exit_code']}." if "exit_code" in result else
                       f"not started ({result.get('error')}, code {result.get('code')})."))
        uninstalled = self.state["uninstalled"]
        report.table(["", "After the uninstall"],
                     [["Uninstall entry", "still there" if self.uninstall_entry("uninstalled")
                       else "gone"],
                      [f"Engine {self.engine.name}", "still there" if uninstalled["engine"]
                       else "gone"],
                      [f"Saver folder {self.saver_folder.name}",
                       "gone" if uninstalled["saver_folder"] is None else "still there"],
                      ["system.ini SCRNSAVE.EXE", uninstalled["ini"] or "(none)"]])
        added, changed = self.changes(file_changes, "uninstalled")
        report.text("Left behind (files that were not there before the install, or changed):")
        report.table(["File", "Bytes", "Note"],
                     [[p, uninstalled["files"][p][0], _note(p)] for p in added + changed])
