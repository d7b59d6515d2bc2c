"""The soak: thousands of random keys, moves, clicks, drags and wheel turns to
the sanitizer build of the editor. Every box or dialog that opens is answered
or cancelled at random, never with the answer that would end the run early.
The run passes when the editor ends through Esc and No with exit code 0,
wrote no sanitizer report, and the map it saved last loads back."""

import os
import random
import subprocess
import time

import files
from editor import Editor, _children
from xsession import Failure, Session, log, preload, sanitizer_path


def command_keys():
    """The editor's keys from its command table (e2e/command_keys.txt, written
    by scripts/key-docs.sh) as xdotool names: those that only change state,
    and those that may open a box or a dialog."""
    names = {"Esc": "Escape", "Space": "space", "Ctrl": "ctrl", "Shift": "shift"}
    plain, asking = [], []
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "command_keys.txt")) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            chord, *asks = line.split()
            parts = [names.get(p, p.lower() if len(p) == 1 else p) for p in chord.split("+")]
            (asking if asks else plain).append("+".join(parts))
    return plain, asking


COMMAND_KEYS, DIALOG_KEYS = command_keys()
# Keys the editor has no command for, and Shift with a plain key.
KEYS = COMMAND_KEYS + ["End", "F2", "Return", "KP_1", "shift+w", "shift+z"]
SANITIZER_MARKS = ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:",
                   "SUMMARY: UndefinedBehaviorSanitizer", "AddressSanitizer:DEADLYSIGNAL")


children = _children


class Soak:
    def __init__(self, ctx, s, ed, rng, work):
        self.ctx, self.s, self.ed, self.rng, self.work = ctx, s, ed, rng, work
        self.counts = {}
        self.saved = []          # paths the editor was told to save to
        self.asked_by = None     # the last key or action that may open a box
        self.inputs = self.make_inputs()

    def make_inputs(self):
        w, rng = self.work, self.rng
        grey = os.path.join(w, "heights.bmp")
        files.write_grey_bitmap(grey)
        mission = os.path.join(w, "objects.msn")
        files.write_mission(mission)
        busy = os.path.join(w, "busy.map")
        with open(busy, "wb") as f:
            f.write(bytes(rng.getrandbits(8) for _ in range(4096)))   # any byte is a tile
        junk = []
        for i in range(4):
            p = os.path.join(w, "junk%d.bin" % i)
            files.write_junk(p, rng)
            junk.append(p)
        return {"Choose Grey Bitmap": [grey], "Choose Mission": [mission],
                "Choose Map": [busy], "junk": junk}

    def count(self, what):
        self.counts[what] = self.counts.get(what, 0) + 1

    # --- input ---------------------------------------------------------------
    def rand_point(self):
        w, h = self.ed.size
        if self.rng.random() < 0.85:
            return self.rng.randrange(w), self.rng.randrange(h)
        # now and then near or on the edge of the client area
        return self.rng.choice([0, 1, w - 1, w - 2, self.rng.randrange(w)]), \
            self.rng.choice([0, 1, h - 1, h - 2, self.rng.randrange(h)])

    def moves(self, n, pause):
        """n moves in one xdotool run: a short random walk. Returns n."""
        x, y = self.rand_point()
        args = []
        w, h = self.ed.size
        for _ in range(n):
            x = min(w - 1, max(0, x + self.rng.randint(-40, 40)))
            y = min(h - 1, max(0, y + self.rng.randint(-40, 40)))
            ax, ay = self.ed.at(x, y)
            args += ["mousemove", ax, ay, "sleep", pause]
        self.s.xdo(*args)
        return n

    def step(self):
        """One random action; returns how many input events it sent."""
        r = self.rng.random()
        ed, s = self.ed, self.s
        if r < 0.30:
            self.count("move")
            return self.moves(self.rng.randint(1, 12), 0.005)
        elif r < 0.45:
            self.count("left drag")
            ed.move(*self.rand_point())
            s.down(1)
            n = self.moves(self.rng.randint(1, 12), 0.01)
            s.up(1)
            return n + 3
        elif r < 0.52:
            self.count("right drag")
            ed.move(*self.rand_point())
            s.down(3)
            n = self.moves(self.rng.randint(1, 6), 0.01)
            s.up(3)
            return n + 3
        elif r < 0.60:
            self.count("wheel")
            ed.move(*self.rand_point())
            n = self.rng.randint(1, 3)
            s.xdo("click", "--repeat", n, "--delay", 15, self.rng.choice([4, 5]))
            return n + 1
        elif r < 0.67:
            self.count("click")
            ed.move(*self.rand_point())
            time.sleep(0.03)
            s.click(self.rng.choice([1, 1, 1, 3]))
            return 2
        elif r < 0.93:
            k = self.rng.choice(KEYS)
            self.count("key")
            self.asked_by = k
            ed.key(k)
            return 1
        elif r < 0.975:
            k = self.rng.choice(DIALOG_KEYS)
            self.count("key " + k)
            self.asked_by = k
            ed.key(k)
            self.popups(wait=0.3)
            return 1
        elif r < 0.99:
            self.count("close box")
            self.asked_by = "close box"
            ed.close_box()
            self.popups(wait=0.3)
            return 2
        elif r < 0.995:
            # A new client size: the view is set up again, the mouse maps anew.
            self.count("resize")
            w, h = self.rng.choice([(800, 600), (800, 600), (640, 480), (1024, 768),
                                    (333, 257), (1201, 901)])
            s.xdo("windowsize", ed.win[0], w, h, check=False)
            time.sleep(0.4)
            ed.refresh_geometry()
            return 1
        else:
            # Minimised, the client area is empty; then restored.
            self.count("minimise")
            s.xdo("windowminimize", ed.win[0], check=False)
            time.sleep(0.5)
            s.xdo("windowactivate", ed.win[0], check=False)
            time.sleep(0.5)
            if not s.viewable(ed.win[0]):
                s.xdo("windowmap", ed.win[0], check=False)
                time.sleep(0.5)
            ed.refresh_geometry()
            return 2

    # --- boxes and dialogs ---------------------------------------------------
    def popups(self, wait=0.0):
        """Answers whatever box or dialog is open, until none is."""
        time.sleep(wait)
        for _ in range(10):
            if not self.ed.alive():
                return
            kids = children(self.ed.proc.pid, "zenity")
            if kids:
                self.dialog()
                continue
            boxes = self.ed.boxes()
            if boxes:
                self.box()
                continue
            return
        raise Failure("boxes and dialogs kept opening")

    def box(self):
        ed = self.ed
        # The answer may open the next box at once (No before O, then the
        # size question of the file chosen): wait for this box to go, not
        # for every box to be gone. Each box comes on an X connection of its
        # own, which may get the last one's window id: the box is told by
        # its id and its place and size together.
        shown = ed.boxes()

        def closed():
            return ed.boxes() != shown
        found = []
        deadline = time.monotonic() + 5
        while len(found) not in (1, 2, 3) and time.monotonic() < deadline:
            time.sleep(0.15)
            if not ed.boxes():
                return
            from xsession import box_buttons
            found = box_buttons(self.s.grab(), ed.boxes()[0])
        if len(found) == 3 and self.asked_by == "o":
            # Unsaved changes before O: any answer; after Yes, a save dialog
            # or a failed save's message is answered by the next round.
            choice = self.rng.choice(["cancel", "escape", "yes", "no"])
            self.count("open box " + choice)
            if choice == "escape":
                ed.key_box("Escape")
            else:
                self.s.move(*found[["yes", "no", "cancel"].index(choice)])
                time.sleep(0.05)
                self.s.click(1)
                self.s.wait_for(closed, 10, "the box to close")
                ed.after_modal()
        elif len(found) == 3:
            # The quit question: Cancel, or Yes and then cancel the save dialog.
            choice = self.rng.choice(["cancel", "escape", "yes"])
            self.count("quit box " + choice)
            if choice == "escape":
                ed.key_box("Escape")
            else:
                self.s.move(*found[2 if choice == "cancel" else 0])
                time.sleep(0.05)
                self.s.click(1)
                self.s.wait_for(closed, 10, "the box to close")
                if choice == "yes":
                    ed.cancel_dialog()
        elif len(found) == 1:
            # The help box, "Could not save map.", "Could not read map ..." or
            # a file too large: OK.
            self.count("box ok")
            self.s.move(*found[0])
            time.sleep(0.05)
            self.s.click(1)
            self.s.wait_for(closed, 10, "the box to close")
        elif len(found) == 2:
            choice = self.rng.choice([0, 1])
            # C's question, or the size question of a map file.
            self.count("yes/no box " + ("yes" if choice == 0 else "no"))
            self.s.move(*found[choice])
            time.sleep(0.05)
            self.s.click(1)
            self.s.wait_for(closed, 10, "the box to close")
        else:
            self.s.screenshot("soak-box")
            raise Failure("a message box with %d buttons" % len(found))

    def dialog(self):
        ed = self.ed

        def window_or_gone():
            # A dialog just answered may still be exiting: no window then.
            ws = ed.zenity_windows()
            if ws:
                return ws
            return None if children(ed.proc.pid, "zenity") else ["gone"]
        found = self.s.wait_for(window_or_gone, 30, "the file dialog")
        if found == ["gone"]:
            return
        title = found[0][1]
        r = self.rng.random()
        if r < 0.3:
            self.count("dialog cancelled")
            ed.cancel_dialog()
            return
        if title in self.inputs:
            pool = self.inputs[title] if r < 0.75 else self.inputs["junk"]
            path = self.rng.choice(pool)
            self.count("dialog " + title)
            ed.file_dialog(path, title=title)
        elif title == "Export Picture":   # Ctrl+E: a picture, never a map that must load back
            path = os.path.join(self.work, "picture%d.png" % self.rng.randrange(2))
            self.count("dialog picture")
            ed.file_dialog(path, title=title, save=True, replace=os.path.exists(path))
        else:   # the save dialog
            path = os.path.join(self.work, "saved%d.map" % self.rng.randrange(3))
            self.count("dialog save")
            ed.file_dialog(path, save=True, replace=os.path.exists(path))
            self.saved.append(path)

    # --- the run -------------------------------------------------------------
    def run(self, events, budget):
        t0 = time.monotonic()
        n, steps, last = 0, 0, 0
        while n < events and time.monotonic() - t0 < budget:
            n += self.step()
            steps += 1
            if steps % 10 == 0:
                self.popups()
                if not self.ed.alive():
                    break
            if n - last >= 250:
                last = n
                log("soak: %d events, %.0f s" % (n, time.monotonic() - t0))
            if not self.ed.alive():
                break
        return n


def sanitizer_env(ctx, base, exe, work):
    env = dict(base)
    # The sanitizer runtime must come first; then the library that keeps
    # unloaded modules mapped, so leak reports name them.
    runtime = [l.split("=>")[1].split()[0] for l in
               subprocess.run(["ldd", exe], capture_output=True, text=True).stdout.splitlines()
               if "libasan" in l and "=>" in l]
    keep = os.path.join(ctx.build, "e2e_keep_loaded.so")
    if runtime and os.path.exists(keep):
        preload(env, [runtime[0], keep])
        # The file dialogs the editor starts must not inherit the preload:
        # a zenity found first on PATH drops it before the real one runs.
        bindir = os.path.join(work, "bin")
        os.makedirs(bindir, exist_ok=True)
        wrapper = os.path.join(bindir, "zenity")
        with open(wrapper, "w") as f:
            f.write("#!/bin/sh\nunset LD_PRELOAD ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS\n"
                    "exec /usr/bin/zenity \"$@\"\n")
        os.chmod(wrapper, 0o755)
        env["PATH"] = bindir + ":" + env.get("PATH", "/usr/bin:/bin")
    supp = os.path.join(ctx.root, "e2e", "lsan.supp")
    env["ASAN_OPTIONS"] = "halt_on_error=1:detect_leaks=1:abort_on_error=0:exitcode=86"
    env["UBSAN_OPTIONS"] = "halt_on_error=1:print_stacktrace=1:exitcode=87"
    env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=1:exitcode=88" % sanitizer_path(supp)
    return env


def soak(ctx):
    work = ctx.work("soak")
    seed = ctx.seed if ctx.seed is not None else random.randrange(1 << 30)
    log("soak seed %d (repeat with --seed %d)" % (seed, seed))
    rng = random.Random(seed)
    exe = os.path.join(ctx.asan_build, "VornGroundEditor")
    with Session(ctx.artifacts, "soak") as s:
        ctx.art_into(ctx.asan_build, work)
        ed = Editor(s, [exe], work, "soak-editor", env=sanitizer_env(ctx, s.env, exe, work))
        run = Soak(ctx, s, ed, rng, work)
        try:
            ed.start(timeout=120)
            s.wait_for(ed.drawn, 60, "the first frame")
            n = run.run(ctx.soak_events, budget=ctx.soak_seconds)
            if not ed.alive():
                raise Failure("the editor ended during the soak after %d events, exit code %s;"
                              " log %s:\n%s" % (n, ed.proc.returncode, ed.log_path,
                                                tail(ed.log_path)))
            log("soak: %d events done; %s" % (n, ", ".join(
                "%s %d" % kv for kv in sorted(run.counts.items()))))
            # The end: save once more, then leave through Esc and No.
            run.popups()
            final = os.path.join(work, "final.map")
            ed.key("s")
            ed.file_dialog(final, save=True)
            for _ in range(3):          # Esc leaves edit modes 1 and 2 first
                ed.key("Escape")
                time.sleep(0.4)
                if ed.boxes():
                    break
            ed.answer_box(1, 3)
            rc = ed.wait_exit(60)
        except BaseException:
            s.screenshot("soak-failure")
            raise
    check_sanitizer_log(ed.log_path, rc)
    # The map saved last loads back through the core and saves the same bytes.
    if os.path.getsize(final) != 4096:
        raise Failure("soak: final map is %d bytes, expected 4096" % os.path.getsize(final))
    again = os.path.join(work, "final-reloaded.map")
    ctx.expect(["load " + final, "save " + again], "reload", work)
    if open(final, "rb").read() != open(again, "rb").read():
        raise Failure("soak: the final map does not load back to the same tiles")
    log("soak: %d events, exit code 0, no sanitizer report, final map loads back" % n)


def check_sanitizer_log(log_path, rc):
    """Fails on a non-zero exit code or any sanitizer report in the editor's
    output; logs the leaks that the suppressions hid (none of them ours)."""
    text = open(log_path, errors="replace").read()
    marks = [m for m in SANITIZER_MARKS if m in text]
    if marks or rc != 0:
        raise Failure("exit code %d, sanitizer reports %s; log %s:\n%s"
                      % (rc, marks, log_path, tail(log_path, 60)))
    if "Suppressions used:" in text:
        table = text.split("Suppressions used:", 1)[1].split("---", 1)[0].strip().splitlines()[1:]
        log("leaks suppressed (not ours): " + "; ".join(
            "%s (%s allocations, %s bytes)" % (r.split()[2], r.split()[0], r.split()[1])
            for r in table if len(r.split()) >= 3))
    log("no sanitizer report in %s" % log_path)


def tail(path, lines=30):
    try:
        return "".join(open(path, errors="replace").readlines()[-lines:])
    except OSError:
        return ""
