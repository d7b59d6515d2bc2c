"""A private X display with a window manager, and the hands and eyes that
drive programs on it: xdotool for keys and the mouse, the root window's pixels
for checking. Every process started here is tracked and ended by its own id
when the session closes, whatever happened before."""

import ctypes
import os
import shutil
import re
import signal
import struct
import subprocess
import sys
import time

SCREEN_W, SCREEN_H = 1280, 1024

_libc = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Runs in the child before exec: if the driver is killed outright
    # (timeout's KILL), the kernel ends its direct children too.
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


_TREE_LINE = re.compile(r'^(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \((.*)\)\s+'
                        r'(\d+)x(\d+)\+(-?\d+)\+(-?\d+)\s+\+(-?\d+)\+(-?\d+)')


class Failure(Exception):
    """A check that did not hold; the message says expected and got."""


def preload(env, libraries):
    """Preloads `libraries` (paths) into programs started with env. The loader
    splits LD_PRELOAD at blanks and colons and knows no quoting, so a library
    goes in by its file name, found through LD_LIBRARY_PATH (split at colons
    only), unless its path is a system one without blanks (the sanitizer
    runtime, which must stay first)."""
    names, folders = [], []
    for lib in libraries:
        if lib.startswith("/usr/") or lib.startswith("/lib"):
            if any(c in lib for c in " \t\n:"):
                raise Failure("cannot preload %r: blank or colon in a system path" % lib)
            names.append(lib)
            continue
        folder = os.path.dirname(os.path.abspath(lib))
        if ":" in folder:
            raise Failure("cannot preload from %r: the loader splits its search path at colons" % folder)
        names.append(os.path.basename(lib))
        if folder not in folders:
            folders.append(folder)
    env["LD_PRELOAD"] = ":".join(names)
    if folders:
        env["LD_LIBRARY_PATH"] = ":".join(folders + [p for p in [env.get("LD_LIBRARY_PATH")] if p])


def sanitizer_path(path):
    """A path as the value of a sanitizer option (ASAN_OPTIONS and kin): the
    runtime splits options at blanks, colons and commas, and takes a quoted
    value whole."""
    quote = "'" if "'" not in path else '"'
    if quote in path:
        raise Failure("cannot quote %r for a sanitizer option" % path)
    return quote + path + quote


def log(*args):
    print("[e2e %7.2f]" % (time.monotonic() - _T0), *args, flush=True)


_T0 = time.monotonic()


class Session:
    """Xvfb + openbox on a free display. Use as a context manager."""

    def __init__(self, artifacts, name):
        self.artifacts = artifacts
        self.name = name
        self.procs = []          # (Popen, label) of everything we started
        self.display = None
        self.env = None

    # --- processes -------------------------------------------------------
    def spawn(self, argv, label, env=None, cwd=None, stdout=None, stderr=None):
        p = subprocess.Popen(argv, env=env or self.env, cwd=cwd, stdin=subprocess.DEVNULL,
                             stdout=stdout if stdout is not None else subprocess.DEVNULL,
                             stderr=stderr if stderr is not None else subprocess.DEVNULL,
                             start_new_session=True, preexec_fn=_die_with_parent)
        self.procs.append((p, label))
        return p

    def end(self, p, grace=3.0):
        """Ends one process we started, and its process group (its own
        children, e.g. the zenity a dialog opened), by id."""
        if p.poll() is None:
            try:
                os.killpg(p.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                p.wait(grace)
            except subprocess.TimeoutExpired:
                pass
        try:
            os.killpg(p.pid, signal.SIGKILL)  # leftovers of the group
        except (ProcessLookupError, PermissionError):
            pass
        if p.poll() is None:
            p.kill()
            p.wait(5)

    def __enter__(self):
        r, w = os.pipe()
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
             "-nolisten", "tcp", "-noreset", "+extension", "GLX"],
            pass_fds=(w,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.artifacts, self.name + "-xvfb.log"), "w"),
            start_new_session=True, preexec_fn=_die_with_parent)
        self.procs.append((xvfb, "Xvfb"))
        os.close(w)
        num = b""
        deadline = time.monotonic() + 20
        import select
        while not num.endswith(b"\n"):
            if time.monotonic() > deadline or xvfb.poll() is not None:
                os.close(r)
                self.close()
                raise Failure("Xvfb did not start")
            ready, _, _ = select.select([r], [], [], 0.5)
            if ready:
                chunk = os.read(r, 16)
                if not chunk:
                    break
                num += chunk
        os.close(r)
        self.display = ":" + num.decode().strip()
        self.env = dict(os.environ)
        self.env["DISPLAY"] = self.display
        self.env.pop("WAYLAND_DISPLAY", None)
        self.env["XDG_SESSION_TYPE"] = "x11"
        self.env["NO_AT_BRIDGE"] = "1"      # GTK: no accessibility bus to wait for
        self.env["GTK_A11Y"] = "none"
        self.env["LIBGL_ALWAYS_SOFTWARE"] = "1"
        self.env.setdefault("XDG_RUNTIME_DIR", "/tmp")
        self.env["SDL_VIDEODRIVER"] = "x11"
        # The editors' recovery copies go to a scratch folder, never the user's.
        self.env["XDG_STATE_HOME"] = os.path.join(self.artifacts, self.name + "-state")
        shutil.rmtree(self.env["XDG_STATE_HOME"], ignore_errors=True)
        ob = self.spawn(["openbox", "--sm-disable"], "openbox")
        # openbox is ready once it owns the screen's WM selection.
        self.wait_for(lambda: self._wm_running(), 15, "openbox to start")
        log("display", self.display, "with openbox", ob.pid)
        return self

    def _wm_running(self):
        r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                           capture_output=True, text=True)
        return "window id" in r.stdout

    def close(self):
        for p, label in reversed(self.procs):
            self.end(p)
        self.procs = []

    def __exit__(self, *exc):
        self.close()
        return False

    # --- waiting ---------------------------------------------------------
    def wait_for(self, pred, timeout, what, interval=0.1):
        deadline = time.monotonic() + timeout
        while True:
            v = pred()
            if v:
                return v
            if time.monotonic() > deadline:
                raise Failure("timed out after %.0f s waiting for %s" % (timeout, what))
            time.sleep(interval)

    # --- xdotool ---------------------------------------------------------
    def xdo(self, *args, check=True, timeout=60):
        # Generous: on a loaded machine one xdotool run of many keys or moves
        # takes far longer than on an idle one.
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                           capture_output=True, text=True, timeout=timeout)
        if check and r.returncode != 0 and "search" not in args[:1]:
            raise Failure("xdotool %s failed: %s" % (" ".join(map(str, args)), r.stderr.strip()))
        return r.stdout

    def windows(self):
        """Every client window on the screen as (id, name, class, x, y, w, h),
        x and y absolute. Read from xwininfo's tree, since xdotool's search
        misses windows without a class (the SDL message box has none)."""
        out = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True,
                             text=True, timeout=30).stdout
        found = []
        for line in out.splitlines():
            m = _TREE_LINE.match(line.strip())
            # Clients have a name or a class; frames and helpers neither.
            if m and (m.group(2) is not None or m.group(3)):
                found.append((int(m.group(1), 16), m.group(2) or "", m.group(3), int(m.group(8)),
                              int(m.group(9)), int(m.group(4)), int(m.group(5))))
        return found

    def viewable(self, wid):
        r = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env, capture_output=True,
                           text=True)
        return "IsViewable" in r.stdout

    def usable(self, wid):
        """Viewable and managed by the window manager: tooltips, menus and
        completion popups are override-redirect windows and never count as
        a dialog or box, whatever they are called."""
        r = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env, capture_output=True,
                           text=True)
        return "IsViewable" in r.stdout and "Override Redirect State: no" in r.stdout

    @staticmethod
    def classes(w):
        """The instance and class names of a window from windows(); [] when it has none."""
        return re.findall(r'"([^"]*)"', w[2])

    def find(self, name=None, cls=None, exclude=()):
        """Usable windows whose name is exactly `name` and whose WM_CLASS
        (instance or class) is exactly `cls`; cls "" asks for a window with
        no class, None for any. (xdotool search cannot ask for a name and a
        class together, and misses windows without a class.)"""
        return [w for w in self.windows()
                if (name is None or w[1] == name)
                and (cls is None or (cls in self.classes(w) if cls else not self.classes(w)))
                and w[0] not in exclude and self.usable(w[0])]

    def transient_for(self, wid):
        """The window a dialog belongs to (WM_TRANSIENT_FOR), or None."""
        r = subprocess.run(["xprop", "-id", str(wid), "WM_TRANSIENT_FOR"], env=self.env,
                           capture_output=True, text=True)
        m = re.search(r"window id # (0x[0-9a-f]+)", r.stdout)
        return int(m.group(1), 16) if m else None

    def search(self, *args):
        """Window ids that xdotool search finds (visible only)."""
        out = self.xdo("search", "--onlyvisible", *args, check=False)
        return [int(w) for w in out.split()]

    def window_title(self, wid):
        r = subprocess.run(["xdotool", "getwindowname", str(wid)], env=self.env,
                           capture_output=True, text=True)
        return r.stdout.strip()

    def geometry(self, wid):
        """Absolute position and size of a window's own area (not its frame)."""
        r = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env, capture_output=True,
                           text=True)
        vals = {}
        for line in r.stdout.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height",
                        "Map State"):
                if line.startswith(key + ":"):
                    vals[key] = line.split(":", 1)[1].strip()
        if "Width" not in vals:
            raise Failure("no geometry for window %d" % wid)
        return (int(vals["Absolute upper-left X"]), int(vals["Absolute upper-left Y"]),
                int(vals["Width"]), int(vals["Height"]))

    def key(self, *keys, delay=40):
        self.xdo("key", "--delay", delay, *keys)

    def type(self, text, delay=12):
        # In pieces: each run stays short however slow the machine is. "--"
        # ends xdotool's options: a piece that begins with "-" (a folder
        # named so, or a cut through "heights-v5.bmp") is typed, not parsed.
        for i in range(0, len(text), 24):
            self.xdo("type", "--delay", delay, "--", text[i:i + 24])

    def move(self, x, y):
        """Moves the pointer to absolute screen position (x, y). (Not --sync:
        that waits for a motion event, which never comes when the pointer is
        there already.)"""
        self.xdo("mousemove", int(x), int(y))

    def down(self, button=1):
        self.xdo("mousedown", button)

    def up(self, button=1):
        self.xdo("mouseup", button)

    def click(self, button=1):
        self.xdo("click", button)

    def focus(self, wid):
        self.xdo("windowactivate", "--sync", wid, check=False)
        self.xdo("windowfocus", "--sync", wid, check=False)

    # --- pixels ----------------------------------------------------------
    def grab(self):
        """The whole screen as an Image (ImageMagick's import, as a PPM)."""
        r = subprocess.run(["/usr/bin/import", "-silent", "-window", "root", "-depth", "8",
                            "ppm:-"], env=self.env, capture_output=True, timeout=30)
        if r.returncode != 0:
            raise Failure("import failed: %s" % r.stderr.decode(errors="replace"))
        return Image.from_ppm(r.stdout)

    def screenshot(self, label):
        """Keeps a PNG of the screen in the artifacts folder; returns its path."""
        path = os.path.join(self.artifacts, "%s-%s.png" % (self.name, label))
        try:
            img = self.grab()
            img.save_png(path)
            log("screenshot", path)
        except Exception as e:  # a screenshot must never hide the real failure
            log("screenshot failed:", e)
        return path


class Image:
    """RGB pixels, row-major, top row first."""

    def __init__(self, w, h, rgb):
        self.w, self.h, self.rgb = w, h, rgb

    def px(self, x, y):
        i = 3 * (y * self.w + x)
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]

    def crop(self, x0, y0, w, h):
        out = bytearray(3 * w * h)
        for y in range(h):
            src = 3 * ((y0 + y) * self.w + x0)
            out[3 * w * y:3 * w * (y + 1)] = self.rgb[src:src + 3 * w]
        return Image(w, h, bytes(out))

    @staticmethod
    def from_ppm(data):
        # P6 header: magic, width, height, maxval, each followed by white space.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos) + 1
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        pos += 1
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure("unexpected PPM header %r" % fields)
        w, h = int(fields[1]), int(fields[2])
        return Image(w, h, bytes(data[pos:pos + 3 * w * h]))

    def save_png(self, path):
        import zlib
        raw = b"".join(b"\0" + self.rgb[3 * self.w * y:3 * self.w * (y + 1)]
                       for y in range(self.h))

        def chunk(tag, body):
            c = struct.pack(">I", len(body)) + tag + body
            return c + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF)
        png = (b"\x89PNG\r\n\x1a\n" +
               chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)) +
               chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)


def read_bmp24(path):
    """A bottom-up 24-bit BMP with a 54-byte header, as an Image (RGB, top row first)."""
    with open(path, "rb") as f:
        data = f.read()
    w, h = struct.unpack("<ii", data[18:26])
    stride = (3 * w + 3) & ~3
    out = bytearray(3 * w * h)
    for y in range(h):
        src = 54 + (h - 1 - y) * stride
        row = data[src:src + 3 * w]
        out[3 * w * y + 0:3 * w * (y + 1):3] = row[2::3]
        out[3 * w * y + 1:3 * w * (y + 1):3] = row[1::3]
        out[3 * w * y + 2:3 * w * (y + 1):3] = row[0::3]
    return Image(w, h, bytes(out))


def box_buttons(img, win):
    """Centres (absolute x, y) of the buttons of a message box window, left to
    right. Buttons are the wide runs of one colour unlike the box's own
    background on a row; the row they cover most (above or below the button
    labels, which break the runs) wins."""
    _, _, _, wx, wy, ww, wh = win
    bg = img.px(wx + 3, wy + 3)
    best, best_len = [], 0
    for y in range(wy + wh - 2, wy + wh // 3, -1):
        runs, x = [], wx
        while x < wx + ww:
            c = img.px(x, y)
            x0 = x
            while x < wx + ww and img.px(x, y) == c:
                x += 1
            if c != bg and _far(c, bg) and x - x0 >= 24:
                runs.append((x0, x))
        covered = sum(x1 - x0 for x0, x1 in runs)
        if len(runs) >= 1 and covered > best_len:
            best, best_y, best_len = runs, y, covered
    if not best:
        return []
    out = []
    for x0, x1 in best:
        cx = (x0 + x1) // 2
        c = img.px(cx, best_y)
        top = best_y
        while top > wy and _close(img.px(cx, top - 1), c, 40):
            top -= 1
        bot = best_y
        while bot < wy + wh - 1 and _close(img.px(cx, bot + 1), c, 40):
            bot += 1
        out.append((cx, (top + bot) // 2))
    return out


def _far(a, b):
    return max(abs(a[i] - b[i]) for i in range(3)) > 12


def _close(a, b, tol):
    return max(abs(a[i] - b[i]) for i in range(3)) <= tol
