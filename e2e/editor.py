"""The editor as a person sees it: a window to type into and click on, message
boxes to answer and file dialogs to fill in, and the map cells it shows."""

import os
import subprocess
import time

from xsession import Failure, box_buttons, log, read_bmp24

TITLE = "VornGroundEditor"
CLASS = "VornGroundEditor"  # the main window's WM_CLASS on Linux; message boxes have none
# The titles of the file dialogs the editor opens (the save dialog has the
# platform's own title), class "zenity".
DIALOG_TITLES = ("Choose Grey Bitmap", "Choose Mission", "Choose Map", "Save As", "Export Picture")
CELL = 32                 # pixels per cell at zoom 1
SETTLE = 0.3              # > two frame intervals: the last move has been drawn
TILE_TOLERANCE = 4       # mean absolute difference per channel, 0..255
STRIP = 16                # the status line's rows at the client area's bottom (Tab; on at start)


def _children(pid, name):
    """Process ids named `name` whose parent is pid (read from /proc)."""
    out = []
    for d in os.listdir("/proc"):
        if not d.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % d) as f:
                stat = f.read()
        except OSError:
            continue
        comm = stat[stat.index("(") + 1:stat.rindex(")")]
        if comm == name and int(stat.rsplit(")", 1)[1].split()[1]) == pid:
            out.append(int(d))
    return out


class Atlas:
    """The tile atlas image the editor loads, for comparing cells with tiles."""

    def __init__(self, path):
        self.img = read_bmp24(path)
        if (self.img.w, self.img.h) != (512, 512):
            raise Failure("atlas %s is %dx%d, expected 512x512" % (path, self.img.w, self.img.h))
        # Every pixel of each tile: at zoom 1 a texel lands on one pixel, and
        # many tiles differ only along their edges.
        self.samples = [self._samples(self.img, (i % 16) * CELL, (i // 16) * CELL)
                        for i in range(256)]

    @staticmethod
    def _samples(img, x0, y0):
        out = []
        for y in range(CELL):
            i = 3 * ((y0 + y) * img.w + x0)
            out.extend(img.rgb[i:i + 3 * CELL])
        return out

    def diff(self, img, x0, y0, tile):
        got = self._samples(img, x0, y0)
        ref = self.samples[tile]
        return sum(abs(a - b) for a, b in zip(got, ref)) / len(ref)

    def best(self, img, x0, y0):
        got = self._samples(img, x0, y0)
        scores = [(sum(abs(a - b) for a, b in zip(got, ref)) / len(ref), i)
                  for i, ref in enumerate(self.samples)]
        return min(scores)


class Editor:
    """One run of the editor on a Session. argv starts it; cwd holds its art."""

    def __init__(self, session, argv, cwd, label, env=None, log_path=None, cls=CLASS, box_cls=""):
        self.s = session
        self.cls = cls             # the main window's WM_CLASS (None: any)
        self.box_cls = box_cls     # the message boxes' WM_CLASS ("": none, None: any)
        self.argv = argv
        self.cwd = cwd
        self.label = label
        self.env = env or session.env
        self.log_path = log_path or os.path.join(session.artifacts, label + ".log")
        self.proc = None
        self.win = None            # main window: (id, name, class, x, y, w, h)
        self.started = None        # time.monotonic() at spawn

    # --- life ------------------------------------------------------------
    def start(self, timeout=60, beside=(), exclude=()):
        """Starts the editor; its window is the first big one titled as the
        editor's and neither one of `beside` (editors already running) nor
        among `exclude` (ids of other editors' windows)."""
        self.started = time.monotonic()
        self.logfile = open(self.log_path, "w")
        self.proc = self.s.spawn(self.argv, self.label, env=self.env, cwd=self.cwd,
                                 stdout=self.logfile, stderr=subprocess.STDOUT)

        def main_window():
            if self.proc.poll() is not None:
                raise Failure("%s exited with %s before its window appeared (log %s)"
                              % (self.label, self.proc.returncode, self.log_path))
            # The title starts with the program's name and goes on with the
            # file, mode, kind and brush; message boxes carry the name alone.
            others = [e.win[0] for e in beside] + list(exclude)
            big = [w for w in self.s.find(None, self.cls) if w[1].startswith(TITLE + " - ") and w[0] not in others
                   and w[5] >= 400 and w[6] >= 300]
            return big[0] if big else None
        self.win = self.s.wait_for(main_window, timeout, "the editor's window")
        first = self.win
        self.settle_geometry()
        if self.win[3:] != first[3:]:
            log(self.label, "window first seen at", first[3:], "then settled")
        log(self.label, "window", self.win)
        return self

    def settle_geometry(self, steady=0.5, timeout=10):
        """Waits until the window's place and size have held for `steady`
        seconds. Wine may map the window at 0,0 with the whole 800 x 600 as
        its client and move it under its frame a moment later; a script that
        took the first size would aim every point half a lattice step off."""
        last, since, end = self.win, time.monotonic(), time.monotonic() + timeout
        while time.monotonic() < end:
            time.sleep(0.1)
            now = self.refresh_geometry()
            if now != last:
                last, since = now, time.monotonic()
            elif time.monotonic() - since >= steady:
                return

    def alive(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("%s did not exit within %d s" % (self.label, timeout))

    def title(self):
        return self.s.window_title(self.win[0])

    def wait_title(self, want, what):
        """Waits for the window title to read `want` exactly."""
        try:
            self.s.wait_for(lambda: self.title() == want, 5, "title %r" % want)
        except Failure:
            raise Failure("%s: title expected %r, got %r" % (what, want, self.title()))
        log("%s: title %r" % (what, want))

    def refresh_geometry(self):
        for w in self.s.windows():
            if w[0] == self.win[0]:
                self.win = w
        return self.win

    @property
    def size(self):
        return self.win[5], self.win[6]

    def origin(self):
        """Client pixel of the map's top-left corner at zoom 1 and pan 0: the
        first pixel whose centre lies past the client centre, which for an
        odd size (Wine's client area is 792 x 573) is half a pixel past it."""
        return (self.win[5] + 1) // 2, (self.win[6] + 1) // 2

    # --- input -----------------------------------------------------------
    def focus(self):
        active = self.s.xdo("getactivewindow", check=False).strip()
        if active != str(self.win[0]):
            self.s.xdo("windowactivate", self.win[0], check=False)
            time.sleep(0.15)

    def key(self, *keys):
        self.focus()
        self.s.key(*keys)

    def at(self, cx, cy):
        return self.win[3] + cx, self.win[4] + cy

    def move(self, cx, cy):
        self.s.move(*self.at(cx, cy))

    def cell_px(self, x, y):
        ox, oy = self.origin()
        return ox + CELL * x, oy + CELL * y

    def drag(self, points, button=1, step_pause=0.03):
        """Moves to the first client point with the button up, presses it,
        visits the other points one by one, releases. Returns the points
        that were reached with the button held (those that paint)."""
        self.focus()
        self.move(*points[0])
        time.sleep(0.1)
        self.s.down(button)
        time.sleep(0.1)
        for p in points[1:]:
            self.move(*p)
            time.sleep(step_pause)
        time.sleep(0.1)
        self.s.up(button)
        time.sleep(0.05)
        return points[1:]

    def click_at(self, cx, cy, button=1):
        self.move(cx, cy)
        time.sleep(SETTLE)
        self.s.click(button)

    # --- boxes and dialogs ---------------------------------------------------
    def boxes(self):
        return self.s.find(TITLE, self.box_cls, exclude=(self.win[0],))

    def wait_box(self, timeout=10):
        return self.s.wait_for(self.boxes, timeout, "a message box titled %s" % TITLE)[0]

    def answer_box(self, index, buttons, timeout=10):
        """Clicks the index-th of the box's buttons (left to right), after
        checking the box has as many as expected."""
        box = self.wait_box(timeout)
        found = []
        deadline = time.monotonic() + 5
        while len(found) != buttons and time.monotonic() < deadline:
            time.sleep(0.2)
            # Read the place again: the window manager may move a new box.
            now = self.boxes()
            box = now[0] if now else box
            found = box_buttons(self.s.grab(), box)
        if len(found) != buttons:
            self.s.screenshot(self.label + "-box")
            raise Failure("message box: expected %d buttons, got %d" % (buttons, len(found)))
        self.s.move(*found[index])
        time.sleep(0.1)
        self.s.click(1)
        self.s.wait_for(lambda: not self.boxes(), 10, "the message box to close")
        self.after_modal()

    def key_box(self, key, timeout=10):
        """Answers the open message box with a key (Return or Escape)."""
        box = self.wait_box(timeout)
        self.s.xdo("windowactivate", box[0], check=False)
        time.sleep(0.3)
        self.s.key(key)
        self.s.wait_for(lambda: not self.boxes(), 10, "the message box to close")
        self.after_modal()

    def zenity_windows(self, title=None):
        """The open file dialogs: zenity windows titled as the editor's dialogs
        are (or `title`). A tooltip or popup of the dialog is not one."""
        return [w for w in self.s.find(None, "zenity")
                if (w[1] == title if title is not None else w[1] in DIALOG_TITLES)]

    def zenity_question(self, dlg):
        """The overwrite question of dialog `dlg`: an untitled zenity window
        that belongs to it, or None."""
        for w in self.s.find("", "zenity", exclude=(dlg[0],)):
            if self.s.transient_for(w[0]) == dlg[0]:
                return w
        return None

    def file_dialog(self, path, title=None, save=False, replace=False, timeout=30):
        """Fills in the zenity dialog the editor opened: the path typed, Enter,
        and the overwrite question answered Replace when `replace`. Checks
        the dialog's title when one is given. Returns the dialog's title."""
        try:
            dlg = self.s.wait_for(lambda: self.zenity_windows(title), timeout,
                                  "a file dialog titled %r" % (title or DIALOG_TITLES,))[0]
        except Failure:
            self.s.screenshot(self.label + "-dialog")
            raise Failure("no file dialog titled %r; open: %r" % (title, self.zenity_windows()))
        time.sleep(0.8)   # GTK builds the chooser's contents after mapping it

        def confirm():
            return self.zenity_question(dlg)

        def dialog_open():
            return any(w[0] == dlg[0] for w in self.zenity_windows())
        # Typing into a chooser that is still busy loses keys now and then:
        # when the dialog neither closes nor asks, the path is typed again.
        for attempt in range(3):
            self.s.xdo("windowactivate", dlg[0], check=False)
            time.sleep(0.2)
            if not save:
                self.s.key("ctrl+l")   # the location field, so the path is typed whole
                time.sleep(0.5)
            self.s.key("ctrl+a")
            self.s.type(path)
            time.sleep(0.8)       # completion settles; an early Enter is swallowed
            self.s.key("Return")
            deadline = time.monotonic() + 10
            state = None
            while time.monotonic() < deadline and state is None:
                time.sleep(0.1)
                if not dialog_open():
                    state = "closed"
                elif confirm():
                    state = "asked"
            if state == "asked":
                if not replace:
                    self.s.screenshot(self.label + "-unexpected-question")
                    raise Failure("file dialog: an unexpected question over %s" % path)
                c = confirm()
                self.s.xdo("windowactivate", c[0], check=False)
                time.sleep(0.5)
                self.s.key("Return")   # Replace has the focus
                self.s.wait_for(lambda: not dialog_open(), 15, "the file dialog to close")
                self.after_modal()
                return dlg[1]
            if state == "closed":
                if replace:
                    raise Failure("file dialog: no overwrite question over %s" % path)
                self.after_modal()
                return dlg[1]
            log("file dialog still open after Enter; typing the path again")
        self.s.screenshot(self.label + "-dialog-stuck")
        raise Failure("file dialog %r did not take the path %s" % (dlg[1], path))

    def cancel_dialog(self, timeout=30):
        dlg = self.s.wait_for(self.zenity_windows, timeout, "a file dialog")[0]
        self.s.xdo("windowactivate", dlg[0], check=False)
        time.sleep(0.6)
        self.s.key("Escape")
        self.s.wait_for(lambda: not self.zenity_windows(), 15, "the file dialog to close")
        self.after_modal()

    def after_modal(self):
        """Waits until the editor is back in its own loop after a box or
        dialog: on leaving one, the editor drops the input that arrived
        while it was open (as Windows drops input to a disabled window), and
        on Linux it notices a dialog's end only when the zenity process has
        exited. A key sent earlier would be lost."""
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline and _children(self.proc.pid, "zenity"):
            time.sleep(0.05)
        time.sleep(0.3)

    def close_box(self):
        """Presses the window manager's close button on the editor's frame:
        the rightmost button of openbox's title bar."""
        fx, fy, fw = self.frame()
        self.s.move(fx + fw - 10, fy + 10)
        time.sleep(0.2)
        self.s.click(1)

    def frame(self):
        """Absolute x, y and width of the window manager's frame around the editor."""
        out = subprocess.run(["xwininfo", "-root", "-tree"], env=self.s.env,
                             capture_output=True, text=True).stdout.splitlines()
        me = "0x%x" % self.win[0]
        for i, line in enumerate(out):
            if line.strip().startswith(me + " "):
                # The frame is the nearest enclosing line with less indentation.
                indent = len(line) - len(line.lstrip())
                for j in range(i - 1, -1, -1):
                    l2 = out[j]
                    ind2 = len(l2) - len(l2.lstrip())
                    if ind2 < indent and l2.strip().startswith("0x"):
                        parts = l2.split()
                        geo = [p for p in parts if "x" in p and "+" in p and not p.startswith("0x")]
                        absx, absy = parts[-1].lstrip("+").split("+")
                        w = int(geo[0].split("x")[0])
                        if w > self.win[5]:
                            return int(absx), int(absy), w
                        indent = ind2
        raise Failure("no window manager frame around the editor")

    # --- eyes --------------------------------------------------------------
    def check_cells(self, atlas, expected, cells, what, shift=(0, 0)):
        """Compares each listed cell on screen with the atlas tile that the
        expected map (4096 bytes, row by row) names for it; with a shift of
        (dx, dy) cells, cell (x, y) is looked for where (x + dx, y + dy) is."""
        time.sleep(SETTLE)
        img = self.s.grab()
        bad, worst = [], 0.0
        for (x, y) in cells:
            cx, cy = self.cell_px(x + shift[0], y + shift[1])
            ax, ay = self.at(cx, cy)
            tile = expected[y * 64 + x]
            d = atlas.diff(img, ax, ay, tile)
            worst = max(worst, d)
            if d > TILE_TOLERANCE:
                score, best = atlas.best(img, ax, ay)
                bad.append("cell (%d,%d): expected tile %d (diff %.1f), got closest tile %d (diff %.1f)"
                           % (x, y, tile, d, best, score))
        if bad:
            shot = self.s.screenshot(self.label + "-" + what.replace(" ", "-"))
            raise Failure("%s: %d of %d cells wrong, e.g.\n  %s\nscreenshot %s"
                          % (what, len(bad), len(cells), "\n  ".join(bad[:6]), shot))
        log("%s: %d cells match (largest difference %.2f)" % (what, len(cells), worst))

    def visible_cells(self):
        """The cells wholly in view at zoom 1 and pan 0, above the status line."""
        ox, oy = self.origin()
        w, h = self.size
        return [(x, y) for y in range(64) for x in range(64)
                if ox + CELL * (x + 1) <= w and oy + CELL * (y + 1) <= h - STRIP]

    def grab_client(self):
        """The client area as an Image."""
        return self.s.grab().crop(*self.at(0, 0), *self.size)

    def drawn(self):
        """True once the map's first cell shows something other than black."""
        img = self.s.grab()
        ax, ay = self.at(*self.cell_px(0, 0))
        return any(max(img.px(ax + dx, ay + dy)) > 20 for dx in (4, 12, 20) for dy in (4, 12, 20))


def check_start(ed, atlas, map_bytes, what):
    """The first frame shows the map (so the atlas was found) and no box
    complained about missing art or an unreadable map."""
    ed.s.wait_for(ed.drawn, 90, "the first frame")
    cells = ed.visible_cells()
    painted = sum(1 for (x, y) in cells if map_bytes[y * 64 + x] != 176)
    if painted == 0:
        raise Failure("%s: no painted cell of the map is in view; the check would prove nothing" % what)
    ed.check_cells(atlas, map_bytes, cells, what)
    if ed.boxes():
        shot = ed.s.screenshot(ed.label + "-box")
        raise Failure("%s: a message box is open after start-up (screenshot %s)" % (what, shot))
    log("%s: %d cells match, %d of them painted" % (what, len(cells), painted))
