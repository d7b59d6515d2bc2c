"""End-to-end runs of the editor under a private X server.

    driver.py [--build DIR] [--asan-build DIR] [--windows-build DIR] STAGE...

STAGE is linux (a scripted session checked by pixels and saved bytes), soak
(random input to the sanitizer build), windows (the Windows build under Wine)
or figures (first frame and frame rate). Exits non-zero on the first failing
stage, after every stage asked for has run; screenshots and logs of a
failure are kept in the artifacts folder."""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from xsession import Failure, Session, log                        # noqa: E402
from editor import Atlas, Editor, CELL, SETTLE, STRIP               # noqa: E402
import files                                                        # noqa: E402


class Context:
    def __init__(self, args):
        self.root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        self.build = os.path.abspath(args.build)
        self.asan_build = os.path.abspath(args.asan_build)
        self.windows_build = os.path.abspath(args.windows_build)
        self.packages = os.path.abspath(args.packages)
        self.artifacts = os.path.abspath(args.artifacts)
        self.seed = args.seed
        self.soak_events = args.soak_events
        self.soak_seconds = args.soak_seconds
        os.makedirs(self.artifacts, exist_ok=True)

    def work(self, name):
        d = os.path.join(self.artifacts, name)
        os.makedirs(d, exist_ok=True)
        for f in os.listdir(d):
            p = os.path.join(d, f)
            if os.path.isfile(p):
                os.remove(p)
        return d

    def art_into(self, build, work):
        """Copies the editor's art from a build into the run's own folder, the
        editor's working directory: whatever a stray click in a dialog
        picks, nothing in the build is touched."""
        for name in ("tex1.bmp", "structures.bmp"):
            src = os.path.join(build, name)
            if not os.path.exists(src):
                raise Failure("no %s in %s: the art is built beside the editor" % (name, build))
            shutil.copyfile(src, os.path.join(work, name))

    def expect(self, script_lines, name, work):
        """Runs e2e_expect over the given commands; returns the script path."""
        path = os.path.join(work, name + ".script")
        with open(path, "w") as f:
            f.write("\n".join(script_lines) + "\n")
        r = subprocess.run([os.path.join(self.build, "e2e_expect"), path],
                           capture_output=True, text=True, timeout=60)
        if r.returncode != 0:
            raise Failure("e2e_expect %s failed (%d): %s" % (path, r.returncode, r.stderr))
        return path


def read(path):
    with open(path, "rb") as f:
        return f.read()


def compare_maps(got_path, want_path, what):
    if not os.path.exists(got_path):
        raise Failure("%s: the editor wrote no file %s" % (what, got_path))
    got, want = read(got_path), read(want_path)
    if got == want:
        log("%s: %d bytes as expected" % (what, len(got)))
        return
    diffs = [i for i in range(min(len(got), len(want))) if got[i] != want[i]]
    ex = ", ".join("cell (%d,%d) expected %d got %d" % (i % 64, i // 64, want[i], got[i])
                   for i in diffs[:6])
    raise Failure("%s: %s differs from %s: length expected %d got %d; %d bytes differ: %s"
                  % (what, got_path, want_path, len(want), len(got), len(diffs), ex))


def export_picture(ctx, ed, work, name, map_path, mission=None, skip_cells=()):
    """Ctrl+E through the save dialog; the PNG equals vorn-map's render of the
    same saved map (with the mission when given)."""
    got = os.path.join(work, "export-%s.png" % name)
    ed.key("ctrl+e")
    ed.file_dialog(got, title="Export Picture", save=True)
    # The safe save renames the whole file into place: once there, it is complete.
    ed.s.wait_for(lambda: os.path.exists(got), 60, "the exported picture")
    want = os.path.join(work, "tool-%s.png" % name)
    cmd = [os.path.join(ctx.build, "vorn-map"), "render", "--art", ctx.build, "-o", want]
    cmd += ["--mission", mission] if mission else []
    subprocess.run(cmd + ["--", map_path], check=True, timeout=60)
    try:
        files.compare_pictures(got, want, "Ctrl+E (%s)" % name, skip_cells)
    except (ValueError, OSError) as e:
        raise Failure(str(e))
    os.remove(want)
    log("Ctrl+E (%s): the PNG equals vorn-map render" % name)


# ---------------------------------------------------------------------------
# Linux: a scripted session, as a user would go through it.

def lattice_px(ed, px, py):
    """Client pixel that maps to lattice point (px, py) at zoom 1, pan 0."""
    ox, oy = ed.origin()
    return ox + 16 * px, oy + 16 * py


def stroke(ed, script, points):
    """A left-button drag in edit mode 1 through lattice points; the first is
    where the button goes down (no paint), every later one paints."""
    client = [lattice_px(ed, px, py) for px, py in points]
    for x, y in ed.drag(client):
        script.append("drag %d %d" % (x, y))


def check_overlay(ed, expect_texels, what, equal=True):
    """With the height overlay shown: the grey of texel (x, y) at its place."""
    time.sleep(SETTLE)
    img = ed.s.grab()
    ox, oy = ed.origin()
    bad, same = [], 0
    for (x, y), v in expect_texels.items():
        ax, ay = ed.at(ox + 16 * x + 8, oy + 16 * y + 8)
        got = img.px(ax, ay)
        ok = all(abs(c - v) <= 3 for c in got)
        same += ok
        if not ok:
            bad.append("texel (%d,%d): expected grey %d, got %s" % (x, y, v, got))
    if equal and bad:
        shot = ed.s.screenshot(ed.label + "-" + what.replace(" ", "-"))
        raise Failure("%s:\n  %s\nscreenshot %s" % (what, "\n  ".join(bad[:6]), shot))
    if not equal and same == len(expect_texels):
        shot = ed.s.screenshot(ed.label + "-" + what.replace(" ", "-"))
        raise Failure("%s: the overlay still shows the old heights; screenshot %s" % (what, shot))
    log("%s: ok" % what)


def linux(ctx):
    scripted(ctx, "linux", ctx.build, sanitized=False)


def linux_asan(ctx):
    """The same scripted session on the sanitizer build."""
    scripted(ctx, "linux-asan", ctx.asan_build, sanitized=True)


def scripted(ctx, name, build, sanitized):
    import soak as soak_module
    work = ctx.work(name)
    exe = os.path.join(build, "VornGroundEditor")
    atlas = Atlas(os.path.join(build, "tex1.bmp"))
    # Typed into zenity's location field: a folder starting with "-", a blank.
    grey = files.odd_path(work, "grey heights.bmp")
    texels = files.write_grey_bitmap(grey)
    mission = os.path.join(work, "objects.msn")
    object_cells = files.write_mission(mission)
    map_a = os.path.join(work, "first.map")
    map_b = os.path.join(work, "second.map")

    with Session(ctx.artifacts, name) as s:
        ctx.art_into(build, work)
        env = soak_module.sanitizer_env(ctx, s.env, exe, work) if sanitized else None
        ed = Editor(s, [exe], work, name + "-editor", env=env)
        try:
            linux_session(ctx, s, ed, atlas, work, grey, texels, mission, object_cells, map_a, map_b)
            if not sanitized:
                undecodable_name(ctx, s, exe, work)
                stamps(ctx, s, exe, work)
                painting_tools(ctx, s, exe, work)
                import recovery
                recovery.flows(ctx, s, exe, work, stroke, compare_maps)
        except BaseException:
            s.screenshot(name + "-failure")
            raise
    if sanitized:
        soak_module.check_sanitizer_log(ed.log_path, 0)


def differing(a, b):
    """(x, y) of each pixel where two grabs of one size differ."""
    out, row = [], 3 * a.w
    for y in range(a.h):
        ra, rb = a.rgb[row * y:row * (y + 1)], b.rgb[row * y:row * (y + 1)]
        if ra != rb:
            out += [(x, y) for x in range(a.w) if ra[3 * x:3 * x + 3] != rb[3 * x:3 * x + 3]]
    return out


def status_line_and_grid(ed):
    """At the start view in view mode: Tab turns the status line (the
    client's bottom STRIP rows, dimmed to 40% with its text) off and on,
    Ctrl+G the grid (a line on the first pixel column and row of each cell)
    on and off, each changing only those pixels; the line's text follows
    the cursor and nothing above it moves."""
    w, h = ed.size
    ox, oy = ed.origin()
    ed.move(*lattice_px(ed, 4, 4))
    time.sleep(SETTLE)
    shown = ed.grab_client()

    def fail(what):
        shot = ed.s.screenshot(ed.label + "-" + what.replace(" ", "-"))
        raise Failure("%s; screenshot %s" % (what, shot))
    ed.key("Tab")
    time.sleep(SETTLE)
    hidden = ed.grab_client()
    changed = differing(shown, hidden)
    if not changed or any(y < h - STRIP for _, y in changed):
        fail("Tab changed %d pixels, %d of them above the status line"
             % (len(changed), sum(1 for _, y in changed if y < h - STRIP)))
    dim, bare = shown.px(w - 3, h - 8), hidden.px(w - 3, h - 8)
    if any(abs(d - 0.4 * b) > 3 for d, b in zip(dim, bare)):
        fail("the status line over the map is %s, not 40%% of %s" % (dim, bare))
    ed.key("Tab")
    time.sleep(SETTLE)
    if differing(ed.grab_client(), shown):
        fail("Tab twice did not give the first picture back")
    log("Tab: the status line's %d pixels off and on again" % len(changed))

    columns = {ox + CELL * k for k in range(64) if ox + CELL * k < w}
    rows = {oy + CELL * k for k in range(64) if oy + CELL * k < h}
    ed.key("ctrl+g")
    time.sleep(SETTLE)
    changed = differing(shown, ed.grab_client())
    stray = [(x, y) for x, y in changed if x not in columns and y not in rows]
    missing = sorted(columns - {x for x, _ in changed}) + sorted(rows - {y for _, y in changed})
    if stray or missing:
        fail("Ctrl+G changed %d pixels off the cell boundaries (e.g. %s); boundaries without a line: %s"
             % (len(stray), stray[:4], missing))
    ed.key("ctrl+g")
    time.sleep(SETTLE)
    if differing(ed.grab_client(), shown):
        fail("Ctrl+G twice did not give the first picture back")
    log("Ctrl+G: the grid's %d pixels on %d columns and %d rows, on and off again"
        % (len(changed), len(columns), len(rows)))

    ed.move(*lattice_px(ed, 10, 6))
    time.sleep(SETTLE)
    moved = differing(shown, ed.grab_client())
    if not moved or any(y < h - STRIP for _, y in moved):
        fail("a move to another point changed %d pixels, %d of them above the status line"
             % (len(moved), sum(1 for _, y in moved if y < h - STRIP)))
    ed.move(*lattice_px(ed, 4, 4))
    time.sleep(SETTLE)
    if differing(ed.grab_client(), shown):
        fail("back over the first point, the status line differs")
    log("the status line follows the cursor")


def linux_session(ctx, s, ed, atlas, work, grey, texels, mission, object_cells, map_a, map_b):
    ed.start()
    s.wait_for(ed.drawn, 30, "the first frame")
    w, h = ed.size
    if (w, h) != (800, 600):
        raise Failure("client area: expected 800x600, got %dx%d" % (w, h))
    cells = ed.visible_cells()
    script = ["client %d %d" % (w, h)]
    plain = bytes([176]) * 4096
    ed.check_cells(atlas, plain, cells, "start shows a cleared map")

    # Heights known in advance, so the fill below is not left to chance.
    ed.key("g")
    title = ed.file_dialog(grey, title="Choose Grey Bitmap")
    script += ["grey " + grey, "edge 1.0"]
    ed.key("space")
    check_overlay(ed, texels, "grey bitmap shown as the height overlay")
    ed.key("space")
    ed.check_cells(atlas, plain, cells, "overlay off again")

    # Edit mode 1: every kind, brush sizes 1 and 3.
    ed.key("e")
    ed.key("1")
    script.append("kind 1")
    stroke(ed, script, [(0, 2)] + [(px, 2) for px in range(1, 11)])
    ed.key("w", "w")
    script.append("brush 3")
    ed.key("2")
    script.append("kind 2")
    stroke(ed, script, [(1, 6)] + [(px, 6) for px in range(2, 13)])
    ed.key("3")
    script.append("kind 3")
    stroke(ed, script, [(18, 0)] + [(18, py) for py in range(1, 13)])
    ed.key("q", "q", "q")      # 3 -> 2 -> 1, and Q at 1 keeps 1
    script.append("brush 1")
    ed.key("4")
    script.append("kind 4")
    stroke(ed, script, [(2, 14)] + [(px, 14) for px in range(3, 15)] + [(14, 15), (14, 16)])
    ed.key("0")
    script.append("kind 0")
    stroke(ed, script, [(4, 6)] + [(px, 6) for px in range(5, 9)])
    ed.key("e")                # back to edit mode 0: no corner overlay
    ctx.expect(script + ["save " + os.path.join(work, "painted.want")], "painted", work)
    painted = read(os.path.join(work, "painted.want"))
    if painted == bytes([176]) * 4096:
        raise Failure("the strokes painted nothing through the core library either")
    ed.check_cells(atlas, painted, cells, "painted strokes")
    status_line_and_grid(ed)

    # The view: a right-button drag pans the picture pixel for pixel, a wheel
    # step in and one out come back to the same picture.
    ox, oy = ed.origin()
    ed.drag([(ox + 200, oy + 100)] + [(ox + 200 + 16 * i, oy + 100 + 8 * i) for i in range(1, 5)],
            button=3)
    shifted = [(x, y) for (x, y) in cells if (x + 2, y + 1) in set(cells)]
    ed.check_cells(atlas, painted, shifted, "right-button drag by 2 cells and 1", shift=(2, 1))
    ed.drag([(ox + 264, oy + 132)] + [(ox + 264 - 16 * i, oy + 132 - 8 * i) for i in range(1, 5)],
            button=3)
    ed.check_cells(atlas, painted, cells, "dragged back")
    ed.move(ox + 100, oy + 100)
    s.click(4)
    time.sleep(SETTLE)
    img = s.grab()
    ax, ay = ed.at(*ed.cell_px(5, 5))
    if atlas.diff(img, ax, ay, painted[5 * 64 + 5]) <= 4 and \
            atlas.diff(img, *ed.at(*ed.cell_px(8, 2)), painted[2 * 64 + 8]) <= 4:
        raise Failure("a wheel step in left the picture as it was")
    s.click(5)
    ed.check_cells(atlas, painted, cells, "a wheel step in and one out")

    # Height fill: F, move into the basin, I (fill below), click to commit.
    ed.key("2")
    script.append("kind 2")
    bx, by = lattice_px(ed, *files.BASIN_POINT)
    ed.key("f")
    ed.move(bx - 5, by)
    time.sleep(0.1)
    ed.move(bx, by)
    time.sleep(SETTLE)
    ed.key("i")
    time.sleep(SETTLE)
    s.click(1)
    script.append("fill %d %d 1" % (bx, by))
    ctx.expect(script + ["save " + os.path.join(work, "filled.want")], "filled", work)
    filled = read(os.path.join(work, "filled.want"))
    if filled == painted:
        raise Failure("the fill changed nothing through the core library")
    ed.move(w - 5, 5)          # out of the way; mode 0 now, moves do nothing
    ed.check_cells(atlas, filled, cells, "committed height fill")

    # R: new random heights; Space shows them, U has nothing to hide yet.
    ed.key("r")
    ed.key("space")
    check_overlay(ed, texels, "R replaced the heights", equal=False)
    ed.key("space")
    ed.key("u")
    ed.check_cells(atlas, filled, cells, "U without a mission")
    ed.key("u")

    # S to a new file, then more paint and S over the same file.
    ed.key("s")
    save_title = ed.file_dialog(map_a, save=True)
    log("save dialog title: %r" % save_title)
    time.sleep(0.3)
    script.append("save " + os.path.join(work, "first.want"))
    ctx.expect(script, "first", work)
    compare_maps(map_a, os.path.join(work, "first.want"), "S to a new file")
    ed.key("e")
    ed.key("1")
    script.append("kind 1")
    stroke(ed, script, [(2, 16)] + [(px, 16) for px in range(3, 9)])
    ed.key("e")
    ed.key("s")
    ed.file_dialog(map_a, save=True, replace=True)
    time.sleep(0.3)
    script.append("save " + os.path.join(work, "overwritten.want"))
    ctx.expect(script, "overwritten", work)
    compare_maps(map_a, os.path.join(work, "overwritten.want"), "S over the same file, Replace")
    saved = read(map_a)
    undo_redo_quick_save(ctx, ed, script, work, map_a)

    # C answered No keeps the map; C answered Yes clears it.
    ed.key("c")
    ed.answer_box(1, 2)        # Yes | No
    ed.check_cells(atlas, saved, cells, "C answered No")
    ed.key("c")
    ed.key_box("Return")       # Yes is the default button
    ed.check_cells(atlas, plain, cells, "C answered Yes")

    # O loads the saved file back; saving it again gives the same bytes. The
    # cleared map is unsaved: the question first, answered No.
    ed.key("o")
    ed.file_dialog(map_a, title="Choose Map")
    ed.answer_box(1, 3)        # Yes | No | Cancel
    ed.check_cells(atlas, saved, cells, "O loaded the saved map")
    ed.key("s")
    ed.file_dialog(map_b, save=True)
    time.sleep(0.3)
    compare_maps(map_b, map_a, "S after O")

    # M: the mission's objects cover their cells; U hides and shows them.
    ed.key("m")
    ed.file_dialog(mission, title="Choose Mission")
    time.sleep(SETTLE)
    img = s.grab()
    covered = [c for c in object_cells
               if atlas.diff(img, *ed.at(*ed.cell_px(*c)), saved[c[1] * 64 + c[0]]) > 10]
    if not covered:
        shot = s.screenshot("linux-mission")
        raise Failure("M: no mission object drawn over cells %s; screenshot %s" % (object_cells, shot))
    log("M: objects drawn over", covered)
    ed.key("u")
    ed.check_cells(atlas, saved, cells, "U hides the mission objects")
    ed.key("ctrl+g")       # the grid and the status line stay out of the picture
    export_picture(ctx, ed, work, "hidden", map_b)
    ed.key("ctrl+g")
    ed.key("u")
    # Tile objects show the heights (R's, here); vorn-map has none, so only
    # the tile object's own cell may differ.
    export_picture(ctx, ed, work, "objects", map_b, mission, skip_cells=[object_cells[-1]])
    time.sleep(SETTLE)
    img = s.grab()
    if not any(atlas.diff(img, *ed.at(*ed.cell_px(*c)), saved[c[1] * 64 + c[0]]) > 10 for c in covered):
        raise Failure("U again: the mission objects did not come back")

    before = os.listdir(work)

    # G once more, now after R: the overlay shows the bitmap again.
    ed.key("g")
    ed.file_dialog(grey, title="Choose Grey Bitmap")
    ed.key("space")
    check_overlay(ed, texels, "G after R")
    ed.key("space")

    # Esc answered Yes and the save dialog cancelled: nothing saved, still running.
    ed.key("Escape")
    ed.key_box("Return")
    ed.cancel_dialog()
    time.sleep(1.0)
    if not ed.alive():
        raise Failure("Esc, Yes, save dialog cancelled: the editor exited with %s"
                      % ed.proc.returncode)
    if sorted(os.listdir(work)) != sorted(before):
        raise Failure("Esc, Yes, save dialog cancelled: files appeared: %s"
                      % sorted(set(os.listdir(work)) - set(before)))

    # The close box answered Cancel keeps the editor; Esc answered No ends it.
    ed.close_box()
    ed.answer_box(2, 3)        # Yes | No | Cancel
    time.sleep(1.0)
    if not ed.alive():
        raise Failure("close box answered Cancel: the editor exited with %s" % ed.proc.returncode)
    ed.key("u")
    ed.check_cells(atlas, saved, cells, "still running after Cancel")
    open_keeps_other_files(ctx, ed, atlas, cells, work, saved)
    ed.key("Escape")
    ed.answer_box(1, 3)
    rc = ed.wait_exit(60)
    if rc != 0:
        raise Failure("Esc answered No: exit code expected 0, got %d (log %s)" % (rc, ed.log_path))
    log("linux: Esc answered No, exit code 0")


def undo_redo_quick_save(ctx, ed, script, work, saved_path):
    """Additions: a stroke, Ctrl+Z and S save the bytes saved before the
    stroke; Ctrl+Y and Ctrl+S save the stroke; the title follows each step.
    Ends with one more Ctrl+Z, so the map is the one saved before again."""
    title = "VornGroundEditor - %s - %s, kind 2 (rock), brush 1"
    undone = os.path.join(work, "undone.map")
    ed.key("2")
    script.append("kind 2")
    ed.wait_title(title % (os.path.basename(saved_path), "view"), "after S")
    ed.key("e")
    extra = []
    stroke(ed, extra, [(20, 4)] + [(20, py) for py in range(5, 12)])
    ed.wait_title(title % (os.path.basename(saved_path) + "*", "corners, brush"), "a stroke")
    ed.key("ctrl+z")
    ed.wait_title(title % (os.path.basename(saved_path), "corners, brush"), "Ctrl+Z")
    ed.key("e")
    ed.key("s")
    ed.file_dialog(undone, save=True)
    time.sleep(0.3)
    compare_maps(undone, saved_path, "a stroke, Ctrl+Z, S")
    ed.wait_title(title % ("undone.map", "view"), "S after Ctrl+Z")
    ed.key("ctrl+y")
    ed.wait_title(title % ("undone.map*", "view"), "Ctrl+Y")
    ed.key("ctrl+s")
    ed.wait_title(title % ("undone.map", "view"), "Ctrl+S")
    ctx.expect(script + extra + ["save " + os.path.join(work, "redone.want")], "redone", work)
    if read(os.path.join(work, "redone.want")) == read(saved_path):
        raise Failure("the stroke before Ctrl+Z painted nothing through the core library")
    compare_maps(undone, os.path.join(work, "redone.want"), "Ctrl+Y, Ctrl+S")
    ed.key("ctrl+z")
    ed.wait_title(title % ("undone.map*", "view"), "Ctrl+Z again")


def open_keeps_other_files(ctx, ed, atlas, cells, work, saved):
    """A painted, O B: the question, No, B shown; Ctrl+Z: A's painted map
    and A's name with its "*"; Ctrl+S writes A, and B keeps its bytes. Then
    a FIFO chosen in the dialog gives a message and a 4097-byte file a
    question, both answered so that the map stays."""
    title = "VornGroundEditor - %s - view, kind 2 (rock), brush 1"
    file_a = os.path.join(work, "probe-a.map")
    file_b = os.path.join(work, "probe-b.map")
    pipe = os.path.join(work, "probe-pipe.map")
    odd = os.path.join(work, "probe-odd.map")
    bytes_b = bytes((i * 7) % 256 for i in range(4096))   # any byte is a tile
    for path, data in ((file_a, saved), (file_b, bytes_b), (odd, bytes([192]) * 4097)):
        with open(path, "wb") as f:
            f.write(data)
    if os.path.exists(pipe):
        os.remove(pipe)        # left by an earlier run: the work folder keeps non-files
    os.mkfifo(pipe)
    ed.key("o")
    ed.file_dialog(file_a, title="Choose Map")   # nothing unsaved: no question
    ed.wait_title(title % "probe-a.map", "O of A")
    w, h = ed.size
    script = ["client %d %d" % (w, h), "load " + file_a, "kind 2", "brush 1"]
    ed.key("e")
    stroke(ed, script, [(24, 2)] + [(24, py) for py in range(3, 10)])
    ed.key("e")
    ed.wait_title(title % "probe-a.map*", "A painted")
    ctx.expect(script + ["save " + os.path.join(work, "probe-a.want")], "probe-a", work)
    painted = read(os.path.join(work, "probe-a.want"))
    if painted == saved:
        raise Failure("the stroke on A painted nothing through the core library")
    ed.key("o")
    ed.file_dialog(file_b, title="Choose Map")
    ed.answer_box(1, 3)        # "Do you want to save map?": No
    ed.wait_title(title % "probe-b.map", "O of B, No")
    ed.check_cells(atlas, bytes_b, cells, "O of B after No")
    ed.key("ctrl+z")
    ed.wait_title(title % "probe-a.map*", "Ctrl+Z after O of B")
    ed.check_cells(atlas, painted, cells, "Ctrl+Z brought A's painted map back")
    ed.key("ctrl+s")
    ed.wait_title(title % "probe-a.map", "Ctrl+S after the undo")
    compare_maps(file_a, os.path.join(work, "probe-a.want"), "Ctrl+S after the undo wrote A")
    if read(file_b) != bytes_b:
        raise Failure("B's bytes changed: Ctrl+S wrote to the wrong file")
    log("B keeps its own bytes")
    # A FIFO: "Could not read map ...", one button; a 4097-byte file: the
    # size question, answered No. Neither changes the map or its file.
    ed.key("o")
    ed.file_dialog(pipe, title="Choose Map")
    ed.answer_box(0, 1)
    ed.key("o")
    ed.file_dialog(odd, title="Choose Map")
    ed.answer_box(1, 2)        # Yes | No
    ed.wait_title(title % "probe-a.map", "after the FIFO and the 4097-byte file")
    ed.check_cells(atlas, painted, cells, "the FIFO and the 4097-byte file left the map")


def undecodable_name(ctx, s, exe, work):
    """A map whose file name is not UTF-8 and holds a control character, on
    the command line: the title shows U+FFFD and a space in their places and
    still follows a stroke, Ctrl+Z, Ctrl+Y and Ctrl+S; Ctrl+S writes to the
    very bytes of the name."""
    # FF alone, C3 cut short by "(", a lone continuation byte, a tab.
    path = os.path.join(os.fsencode(work), b"odd-\xff\xc3(-\x80\x09.map")
    shown = "odd-\ufffd\ufffd(-\ufffd .map"
    plain = os.path.join(work, "plain.map")
    for p in (path, plain):
        with open(p, "wb") as f:
            f.write(bytes([176]) * 4096)
    ed = Editor(s, [exe, path], work, "linux-undecodable-name")
    ed.start()
    s.wait_for(ed.drawn, 30, "the first frame")
    title = "VornGroundEditor - " + shown + "%s - %s, kind 1 (grass), brush 1"
    ed.key("1")
    ed.wait_title(title % ("", "view"), "a name that is not UTF-8")
    ed.key("e")
    script = ["client %d %d" % ed.size, "load " + plain, "kind 1"]
    stroke(ed, script, [(6, 3)] + [(6, py) for py in range(4, 9)])
    ed.wait_title(title % ("*", "corners, brush"), "a stroke")
    ed.key("ctrl+z")
    ed.wait_title(title % ("", "corners, brush"), "Ctrl+Z")
    ed.key("ctrl+y")
    ed.wait_title(title % ("*", "corners, brush"), "Ctrl+Y")
    ed.key("ctrl+s")
    ed.wait_title(title % ("", "corners, brush"), "Ctrl+S")
    ctx.expect(script + ["save " + os.path.join(work, "undecodable.want")], "undecodable", work)
    compare_maps(path, os.path.join(work, "undecodable.want"), "Ctrl+S to a name that is not UTF-8")
    ed.key("Escape", "Escape")
    ed.answer_box(1, 3)        # Yes | No | Cancel
    rc = ed.wait_exit(60)
    if rc != 0:
        raise Failure("a name that is not UTF-8: exit code expected 0, got %d (log %s)" % (rc, ed.log_path))


def clipboard(s, text=None):
    """The X clipboard's text read with xclip, or `text` put there (xclip
    then serves it in the background until another program takes the
    clipboard or the X server ends)."""
    if text is None:
        r = subprocess.run(["xclip", "-selection", "clipboard", "-o"], env=s.env, capture_output=True, timeout=20)
        return r.stdout
    subprocess.run(["xclip", "-selection", "clipboard", "-i"], env=s.env, input=text, timeout=20, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def stamps(ctx, s, exe, work):
    """Ctrl + drag selects and Ctrl+C puts the stamp's text on the X
    clipboard; Ctrl+V, Z, X and a click place it; a stamp text another
    program put there is placed too, with its mirror image (V); a text that is no stamp gives a
    one-button box and changes nothing. The saved bytes against e2e_expect."""
    ed = Editor(s, [exe], work, "linux-stamps")
    ed.start()
    s.wait_for(ed.drawn, 30, "the first frame")
    script = ["client %d %d" % ed.size, "kind 2", "brush 3"]
    ed.key("e", "2", "w", "w")
    stroke(ed, script, [(2, 2)] + [(px, 3) for px in range(3, 9)])
    ed.focus()
    s.xdo("keydown", "ctrl")
    try:
        ed.drag([lattice_px(ed, 1, 1), lattice_px(ed, 5, 4), lattice_px(ed, 9, 6)])
    finally:
        s.xdo("keyup", "ctrl")
    ed.key("ctrl+c")
    copied = os.path.join(work, "stamp-copied.txt")
    ctx.expect(script + ["copy 1 1 9 6 " + copied], "stamps-copy", work)
    got = clipboard(s)
    if got != read(copied):
        raise Failure("Ctrl+C: the clipboard holds %r, expected %r" % (got[:80], read(copied)[:80]))
    log("Ctrl+C: the clipboard holds the selection's %d-byte stamp" % len(got))
    ed.key("ctrl+v", "z", "x")
    ed.click_at(*lattice_px(ed, 14, 8))
    script += ["stamptext " + copied, "turn", "flipx", "place %d %d" % lattice_px(ed, 14, 8)]
    # Another program's stamp (CR LF lines, no final end), placed partly off
    # the map and mirrored left-right (V) to the map's far side.
    other = os.path.join(work, "stamp-other.txt")
    with open(other, "wb") as f:
        f.write(b"VornGroundEditor stamp 1 4 3\r\n4440\r\n0341\r\n4444")
    clipboard(s, read(other))
    time.sleep(0.3)
    ed.key("v", "ctrl+v")
    ed.click_at(*lattice_px(ed, -3, -2))
    script += ["symmetry 1", "stamptext " + other, "place %d %d" % lattice_px(ed, -3, -2)]
    clipboard(s, b"VornGroundEditor stamp 1 2 1\n05\n")
    time.sleep(0.3)
    ed.key("ctrl+v")
    ed.answer_box(0, 1)        # "The clipboard holds no terrain stamp."
    saved = os.path.join(work, "stamps.map")
    ed.key("s")
    ed.file_dialog(saved, save=True)
    ctx.expect(script + ["save " + os.path.join(work, "stamps.want")], "stamps", work)
    compare_maps(saved, os.path.join(work, "stamps.want"), "stamps copied, turned, flipped and placed")
    ed.key("Escape", "Escape")
    ed.answer_box(1, 3)        # Yes | No | Cancel
    rc = ed.wait_exit(60)
    if rc != 0:
        raise Failure("stamps: exit code expected 0, got %d (log %s)" % (rc, ed.log_path))


KIND_NAMES = ("sand", "grass", "rock", "snow", "water")
# Each V's symmetry, as the title ends with it.
SYMMETRY_TITLES = (", mirror left-right", ", mirror top-bottom", ", mirror four ways", ", half turn", "")
WHITE, CYAN = (255, 255, 255), (0, 255, 255)


def is_magenta(rgb):
    """A symmetry mark: magenta at 70% over any tile (red and blue at least
    178, green at most 77)."""
    r, g, b = rgb
    return r >= 170 and b >= 170 and g <= 85


def point_under(ed, x, y, zoom=1.0, pan=(0, 0)):
    """The lattice point under client (x, y), as the editor reckons it."""
    w, h = ed.size
    return (int((pan[0] + x - w // 2) * 0.03125 / zoom * 2 + 0.5),
            int((pan[1] + y - h // 2) * 0.03125 / zoom * 2 + 0.5))


def missing_lines(img, ed, lines, colour, zoom=1.0, pan=(0, 0)):
    """Of the given lines (lattice coordinates (x0, y0, x1, y1), each across or
    down, on lattice or half-step positions), the pixels along them that do
    not show `colour` on either pixel next to where the line falls; a line
    on a pixel edge may be drawn on either side of it."""
    w, h = ed.size

    def client(lx, ly):
        return w / 2 + 16 * zoom * lx - pan[0], h / 2 + 16 * zoom * ly - pan[1]
    bad = []
    for x0, y0, x1, y1 in lines:
        (cx0, cy0), (cx1, cy1) = client(x0, y0), client(x1, y1)
        if x0 == x1:
            along = [(round(cx0), y) for y in range(int(cy0) + 2, int(cy1) - 1)]
            near = [(-1, 0), (0, 0)]
        else:
            along = [(x, round(cy0)) for x in range(int(cx0) + 2, int(cx1) - 1)]
            near = [(0, -1), (0, 0)]
        bad += [(x, y) for x, y in along
                if not any(img.px(*ed.at(x + dx, y + dy)) == colour for dx, dy in near)]
    return bad


def check_frames(ed, frames, what, **view):
    """White frames a quarter cell (half a lattice step) outside the points
    (x0, y0)..(x1, y1) of each frame."""
    time.sleep(SETTLE)
    lines = []
    for x0, y0, x1, y1 in frames:
        l, t, r, b = x0 - 0.5, y0 - 0.5, x1 + 0.5, y1 + 0.5
        lines += [(l, t, r, t), (l, b, r, b), (l, t, l, b), (r, t, r, b)]
    bad = missing_lines(ed.s.grab(), ed, lines, WHITE, **view)
    if bad:
        shot = ed.s.screenshot(ed.label + "-" + what.replace(" ", "-"))
        raise Failure("%s: no white frame at %d pixels, e.g. client %s; screenshot %s"
                      % (what, len(bad), bad[:4], shot))
    log("%s: frames at %s" % (what, frames))


def painting_tools(ctx, s, exe, work):
    """The painting tools in a fresh editor: a brush stroke (D), a line (L),
    a rectangle (A) and a bucket (B), each key's title; the outline around
    the cursor; a line's preview shown while held and dropped by Esc; P
    over a painted point and a stroke in the picked kind; V through every
    symmetry, a stroke with four ways, and after Home their axes, the
    outline's images and a rectangle; K's marks and Ctrl+M's mend; T twice
    and a scatter step. Saved bytes against e2e_expect."""
    ed = Editor(s, [exe], work, "linux-tools")
    ed.start()
    s.wait_for(ed.drawn, 30, "the first frame")
    atlas = Atlas(os.path.join(work, "tex1.bmp"))
    cells = ed.visible_cells()
    script = ["client %d %d" % ed.size, "kind 2", "brush 3"]
    state = {"doc": "", "kind": 2, "brush": 3, "symmetry": ""}

    def title(mode):
        return "VornGroundEditor%s - %s, kind %d (%s), brush %d%s" % (
            state["doc"], mode, state["kind"], KIND_NAMES[state["kind"]], state["brush"], state["symmetry"])

    def tool(key, name):
        ed.key(key)
        ed.wait_title(title("corners, " + name), key.upper())

    def held(points, while_held=None):
        """A left drag through lattice points; `while_held` runs before the release."""
        ed.focus()
        client = [lattice_px(ed, *p) for p in points]
        ed.move(*client[0])
        time.sleep(0.1)
        s.down(1)
        for p in client[1:]:
            time.sleep(0.03)
            ed.move(*p)
        if while_held:
            while_held()
        time.sleep(0.1)
        s.up(1)
        time.sleep(SETTLE)
        return client

    ed.key("d", "2", "w", "w")
    ed.wait_title(title("corners, brush"), "D")
    stroke(ed, script, [(2, 2)] + [(px, 2) for px in range(3, 9)])
    state["doc"] = " - untitled*"     # unsaved work, no file yet
    ed.move(*lattice_px(ed, 4, 12))
    check_frames(ed, [(4, 12, 6, 14)], "the brush's outline at the cursor")

    tool("l", "line")
    # The outline follows the line's end while the button is held.
    a, b = held([(2, 8), (10, 9), (20, 11)],
                lambda: check_frames(ed, [(20, 11, 22, 13)], "the outline at the line's end"))[::2]
    script.append("line %d %d %d %d" % (a + b))

    ed.key("1")
    state["kind"] = 1
    tool("a", "rectangle")
    a, b = held([(22, 2), (18, 4), (14, 6)])[::2]
    script += ["kind 1", "rect %d %d %d %d" % (a + b)]

    ed.key("4")
    state["kind"] = 4
    tool("b", "bucket")
    ed.click_at(*lattice_px(ed, 18, 4))
    script += ["kind 4", "bucket %d %d" % lattice_px(ed, 18, 4)]
    ed.move(*lattice_px(ed, 12, 15))
    check_frames(ed, [(12, 15, 12, 15)], "the bucket's outline: one point")

    # A line held, its preview shown; Esc leaves corner editing, the release paints nothing.
    tool("l", "line")
    mx, my = ed.at(*lattice_px(ed, 12, 16))   # the line's middle, far from both ends' outlines

    def middle(img):
        return [img.px(mx + dx, my + dy) for dx in range(-12, 13) for dy in range(-12, 13)]
    ed.move(*lattice_px(ed, 2, 16))
    time.sleep(SETTLE)
    before = middle(s.grab())

    def preview_then_escape():
        time.sleep(SETTLE)
        if middle(s.grab()) == before:
            raise Failure("a line held from (2,16) to (22,16): no preview; screenshot %s"
                          % s.screenshot("linux-tools-no-preview"))
        ed.key("Escape")
        ed.wait_title(title("view"), "Esc during a line")
    held([(2, 16), (12, 16), (22, 16)], preview_then_escape)
    ctx.expect(script + ["save " + os.path.join(work, "tools.want")], "tools", work)
    ed.check_cells(atlas, read(os.path.join(work, "tools.want")), cells,
                   "brush, line, rectangle, bucket, and a line dropped by Esc")
    saved = os.path.join(work, "tools.map")
    ed.key("s")
    ed.file_dialog(saved, save=True)
    s.wait_for(lambda: os.path.exists(saved), 10, "the saved map")
    compare_maps(saved, os.path.join(work, "tools.want"), "brush, line, rectangle and bucket")
    state["doc"] = " - tools.map"

    # P outside the lattice keeps the kind; over the brush stroke, rock.
    ed.move(*lattice_px(ed, -3, -3))
    ed.key("p")
    time.sleep(SETTLE)         # the title would read the same before the key
    ed.wait_title(title("view"), "P outside the lattice")
    ed.move(*lattice_px(ed, 5, 3))
    ed.key("p")
    state["kind"] = 2
    ed.wait_title(title("view"), "P over the brush stroke")
    script += ["pick %d %d" % lattice_px(ed, 5, 3)]
    tool("d", "brush")
    state["doc"] = " - tools.map*"
    stroke(ed, script, [(3, 12)] + [(px, 12) for px in range(4, 10)])

    for i in range(3):
        ed.key("v")
        state["symmetry"] = SYMMETRY_TITLES[i]
        ed.wait_title(title("corners, brush"), "V %d times" % (i + 1))
    script.append("symmetry 3")
    stroke(ed, script, [(12, 2)] + [(12, py) for py in range(3, 12)])

    # Home: the whole map; the axes cyan across it, the outline at the cursor and its images.
    ed.key("Home")
    w, h = ed.size
    zoom = 0.9 * min(w, h) / 2048
    view = {"zoom": zoom, "pan": (round(1024 * zoom),) * 2}
    script.append("home")
    px, py = point_under(ed, w // 2 - 150, h // 2 - 170, **view)
    ed.move(w // 2 - 150, h // 2 - 170)
    check_frames(ed, [(x, y, x + 2, y + 2) for x in (px, 126 - px) for y in (py, 126 - py)],
                 "the outline and its images after Home", **view)
    time.sleep(SETTLE)
    bad = missing_lines(s.grab(), ed, [(64, 2, 64, 126), (2, 64, 126, 64)], CYAN, **view)
    if bad:
        raise Failure("four ways: no cyan axis at %d pixels, e.g. client %s; screenshot %s"
                      % (len(bad), bad[:4], s.screenshot("linux-tools-axes")))
    log("four ways: both axes cyan across the map")
    # A rectangle at Home's view: its press and release map through that zoom and pan.
    tool("a", "rectangle")
    ox, oy = w // 2 - 60, h // 2 - 120
    ed.drag([(ox, oy), (ox + 20, oy + 20), (ox + 45, oy + 35)])
    script.append("rect %d %d %d %d" % (ox, oy, ox + 45, oy + 35))

    # K marks in magenta what is unlike its four-way image (the strokes before
    # V); Ctrl+M from the top-left quadrant mends it all, and the marks go.
    def magenta_pixels():
        img = s.grab()
        x0, y0 = ed.at(w // 2 - 270, h // 2 - 270)
        return sum(1 for y in range(y0, y0 + 540, 2) for x in range(x0, x0 + 540, 2)
                   if is_magenta(img.px(x, y)))
    ed.key("k")
    time.sleep(SETTLE)
    marked = magenta_pixels()
    ed.move(ox, oy)
    ed.key("ctrl+m")
    script.append("mend %d %d" % (ox, oy))
    time.sleep(SETTLE)
    left = magenta_pixels()
    if not marked or left:
        raise Failure("K and Ctrl+M: %d magenta pixels before the mend, %d after; screenshot %s"
                      % (marked, left, s.screenshot("linux-tools-marks")))
    log("K: %d magenta pixels on the map; none after Ctrl+M" % marked)
    ed.key("k")

    for i in (3, 4):
        ed.key("v")
        state["symmetry"] = SYMMETRY_TITLES[i]
        ed.wait_title(title("corners, rectangle"), "V %d times" % (i + 1))
    script.append("symmetry 0")
    # T, and T again: the scatter tool at 50%; one drag step of brush 8 over
    # the rectangle's right edge, seeded by the press point. A lone painted
    # point does not last, so a step away from the edge (or of a smaller
    # brush) would change no byte and prove nothing.
    tool("t", "scatter 25%")
    tool("t", "scatter 50%")
    ed.key(*"wwwww")
    state["brush"] = 8
    ed.wait_title(title("corners, scatter 50%"), "W five times")
    sx, sy = ox + 40, oy + 10
    ed.drag([(sx, sy), (sx + 8, sy + 10)])
    ctx.expect(script + ["save " + os.path.join(work, "tools-unscattered.want")], "tools-unscattered", work)
    script += ["brush 8", "scatter 50 %d %d %d %d" % (sx, sy, sx + 8, sy + 10)]
    ed.key("ctrl+s")
    state["doc"] = " - tools.map"
    ed.wait_title(title("corners, scatter 50%"), "Ctrl+S")
    ctx.expect(script + ["save " + os.path.join(work, "tools-symmetry.want")], "tools-symmetry", work)
    compare_maps(saved, os.path.join(work, "tools-symmetry.want"),
                 "P, four ways, Home, a rectangle and a scatter step")
    if read(saved) == read(os.path.join(work, "tools-unscattered.want")):
        raise Failure("the scatter step changed no byte of the map")
    ed.key("Escape", "Escape")
    ed.answer_box(1, 3)        # Yes | No | Cancel
    rc = ed.wait_exit(60)
    if rc != 0:
        raise Failure("painting tools: exit code expected 0, got %d (log %s)" % (rc, ed.log_path))


def soak(ctx):
    import soak as soak_module
    soak_module.soak(ctx)


def figures(ctx):
    import figures as figures_module
    figures_module.figures(ctx)


def windows(ctx):
    import windows as windows_module
    windows_module.windows(ctx, sys.modules[__name__])


def recovery_alone(ctx):
    """The linux stage's recovery flows alone, for working on them."""
    import recovery
    work = ctx.work("recovery")
    with Session(ctx.artifacts, "recovery") as s:
        ctx.art_into(ctx.build, work)
        try:
            recovery.flows(ctx, s, os.path.join(ctx.build, "VornGroundEditor"), work, stroke, compare_maps)
        except BaseException:
            s.screenshot("recovery-failure")
            raise


def recovery_latency(ctx):
    """Not in the default run (about two minutes): the recovery copy's delay."""
    import recovery
    work = ctx.work("recovery-latency")
    with Session(ctx.artifacts, "recovery-latency") as s:
        ctx.art_into(ctx.build, work)
        recovery.latency(ctx, s, os.path.join(ctx.build, "VornGroundEditor"), work, stroke)


def windows_recovery(ctx):
    """The windows stage's recovery flow alone, for working on it."""
    import windows as windows_module
    windows_module.windows(ctx, sys.modules[__name__], only_recovery=True)


def deb(ctx):
    import packages
    packages.deb(ctx)


def nsis(ctx):
    import packages
    packages.nsis(ctx)


STAGES = {"linux": linux, "linux-asan": linux_asan, "soak": soak, "windows": windows, "figures": figures,
          "deb": deb, "nsis": nsis, "recovery": recovery_alone,
          "recovery-latency": recovery_latency, "windows-recovery": windows_recovery}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build/release")
    ap.add_argument("--asan-build", default="build/sanitize")
    ap.add_argument("--windows-build", default="build/windows")
    ap.add_argument("--artifacts", default="build/e2e-artifacts")
    ap.add_argument("--packages", default="build/packages")
    ap.add_argument("--seed", type=int, default=None)
    ap.add_argument("--soak-events", type=int, default=3000)
    ap.add_argument("--soak-seconds", type=float, default=300)
    ap.add_argument("stages", nargs="+", choices=sorted(STAGES))
    args = ap.parse_args()
    ctx = Context(args)

    def stop(signum, frame):
        # timeout(1) ran out: unwind, so every session ends what it started.
        raise KeyboardInterrupt("terminated by signal %d" % signum)
    signal.signal(signal.SIGTERM, stop)
    failed = []
    for name in args.stages:
        t0 = time.monotonic()
        log("=== %s" % name)
        try:
            STAGES[name](ctx)
            log("=== %s passed in %.0f s" % (name, time.monotonic() - t0))
        except Failure as e:
            log("=== %s FAILED after %.0f s: %s" % (name, time.monotonic() - t0, e))
            failed.append(name)
        except KeyboardInterrupt as e:
            log("=== %s STOPPED after %.0f s: %s (the time limit?)" % (name, time.monotonic() - t0, e))
            return 124
        except Exception:
            log("=== %s ERROR after %.0f s:\n%s" % (name, time.monotonic() - t0,
                                                    traceback.format_exc()))
            failed.append(name)
    if failed:
        log("failed: %s (artifacts in %s)" % (", ".join(failed), ctx.artifacts))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
