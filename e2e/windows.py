"""The Windows build under Wine in the private X server: it starts and draws
the map, paints a stroke, saves through the Windows save dialog to a new file
and then over it (the overwrite question answered Yes); then a stroke, Ctrl+Z
and Ctrl+S, which must write the file as saved before that stroke; a line
and a bucket, Ctrl+S; G through
the Windows open dialog with a PNG and with a BMP of another header size; and
ends with exit code 0 through Esc and No. Saved bytes are checked against the core library.
A stamp copied in one editor is pasted in a second one.
Then names outside any one code page: карта.map on the command line, O and S
through the dialogs with Cyrillic, Chinese and German names typed there."""

import os
import re
import shutil
import subprocess
import time

import files
from editor import STRIP, Atlas, Editor, check_start
from xsession import Failure, Session, log


def wine_env(base, prefix):
    env = dict(base)
    # Wine reads Unix file names and arguments in the locale's character set:
    # UTF-8, so that the names of every language reach the editor.
    env["LC_ALL"] = "C.UTF-8"
    env["WINEPREFIX"] = prefix
    env["WINEARCH"] = "win64"
    env["WINEDEBUG"] = "-all"
    # No Mono or Gecko: their install prompts would wait for a person.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml="
    return env


def winpath(path):
    """The Unix path as Wine's drive Z: shows it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def windows(ctx, driver, only_recovery=False):
    exe = os.path.join(ctx.windows_build, "VornGroundEditor.exe")
    if not os.path.exists(exe):
        raise Failure("no Windows build at %s" % exe)
    work = ctx.work("windows")
    art = ctx.windows_build if os.path.exists(os.path.join(ctx.windows_build, "tex1.bmp")) \
        else ctx.build
    ctx.art_into(art, work)
    atlas = Atlas(os.path.join(work, "tex1.bmp"))
    prefix = os.path.join(os.path.dirname(ctx.artifacts), "e2e-wine", "prefix")
    target = os.path.join(work, "first.map")
    with Session(ctx.artifacts, "windows") as s:
        env = wine_env(s.env, prefix)
        try:
            if not os.path.exists(os.path.join(prefix, "system.reg")):
                t0 = time.monotonic()
                os.makedirs(os.path.dirname(prefix), exist_ok=True)
                subprocess.run(["wine", "wineboot", "-i"], env=env, timeout=240,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.run(["wineserver", "-w"], env=env, timeout=120)
                log("windows: new Wine prefix in %.0f s" % (time.monotonic() - t0))
            # Wine names the classes after the exe; boxes and dialogs share them.
            if not only_recovery:
                ed = Editor(s, ["wine", exe], work, "windows-editor", env=env, cls=None, box_cls=None)
                session(ctx, driver, s, ed, atlas, work, target)
                stamp_between_editors(ctx, driver, s, env, exe, work)
                names_in_every_language(ctx, driver, s, env, exe, work, atlas)
            recovered_after_kill(ctx, driver, s, env, exe, work, prefix)
        except BaseException:
            s.screenshot("windows-failure")
            raise
        finally:
            # Wine's own server and services outlive the program: end them,
            # and only them, through this prefix's server.
            subprocess.run(["wineserver", "-k"], env=env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def type_text(s, text):
    """Types `text` into the focused Wine window. xdotool types a character
    missing from the keyboard map by mapping a spare key to it for a moment;
    Wine takes it only when it has caught up with the keys before and the
    moment lasts: such characters go in one at a time with pauses, the rest
    at speed."""
    for run in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", text):
        if run.isascii():
            s.type(run)
        else:
            time.sleep(0.2)
            s.type(run, delay=500)
            time.sleep(0.2)


def win_dialog(ed, title, path, replace=False):
    """Fills in the Windows file dialog titled `title` the editor opened: the
    path typed, Enter, and the overwrite question answered Yes when `replace`."""
    s = ed.s

    def dialog():
        ws = [w for w in s.find(title) if w[0] != ed.win[0]]
        return ws[0] if ws else None
    dlg = s.wait_for(dialog, 30, "the Windows dialog %r" % title)
    s.xdo("windowactivate", dlg[0], check=False)
    time.sleep(0.8)
    text = winpath(path)
    # A character typed outside the keyboard map may still be lost on a busy
    # machine: the dialog then says the file or folder does not exist, and
    # the name is typed again over the first (up to three times).
    for attempt in range(1 if text.isascii() or replace else 3):
        if attempt:
            log("windows: %r arrived with a character lost; typed again" % text)
            s.key("Return")    # the dialog's "does not exist" box: OK
            time.sleep(0.5)
            s.xdo("windowactivate", dlg[0], check=False)
            time.sleep(0.5)
            s.key("End", "shift+Home")
        type_text(s, text)     # the file name field has the focus
        time.sleep(0.4)
        s.key("Return")
        if text.isascii() or replace:
            break
        try:
            s.wait_for(lambda: not s.find(title), 8, "the dialog %r to close" % title)
            break
        except Failure:
            if attempt == 2:
                raise
    if replace:
        def question():
            ws = [w for w in s.windows() if w[0] not in (ed.win[0], dlg[0]) and w[5] > 100
                  and w[6] > 40 and "vorngroundeditor" in w[2].lower() and s.usable(w[0])]
            return ws[0] if ws else None
        q = s.wait_for(question, 15, "the overwrite question")
        log("windows: overwrite question titled %r" % q[1])
        time.sleep(0.5)
        s.key("Return")        # Yes is the default button
    s.wait_for(lambda: not s.find(title), 15, "the dialog %r to close" % title)
    ed.after_modal()


def session(ctx, driver, s, ed, atlas, work, target):
    ed.start(timeout=120)
    t0 = ed.started
    s.wait_for(ed.drawn, 60, "the first frame")
    log("windows: map drawn %.1f s after start; client %dx%d" % (time.monotonic() - t0, *ed.size))
    cells = ed.visible_cells()
    ed.check_cells(atlas, bytes([176]) * 4096, cells, "Wine start shows a cleared map")
    w, h = ed.size
    script = ["client %d %d" % (w, h)]

    def stroke_then_save(name, points, replace, label):
        # A stroke in edit mode 1, then S to the target; the file must hold
        # what the same strokes give through the core library.
        driver.stroke(ed, script, points)
        ed.key("e")
        want = os.path.join(work, name + ".want")
        ctx.expect(script + ["save " + want], name, work)
        if name == "painted":
            ed.check_cells(atlas, open(want, "rb").read(), cells, "Wine painted stroke")
        ed.key("s")
        win_dialog(ed, "Save As", target, replace=replace)
        time.sleep(0.5)
        driver.compare_maps(target, want, label)

    ed.key("e")
    ed.key("1")
    script.append("kind 1")
    stroke_then_save("painted", [(1, 3)] + [(px, 3) for px in range(2, 12)], False, "Wine S to a new file")

    ed.key("e")
    ed.key("w", "w")
    script.append("brush 3")
    ed.key("3")
    script.append("kind 3")
    stroke_then_save("again", [(4, 8)] + [(px, 9) for px in range(4, 14)], True, "Wine S over the file, Yes")

    # Additions: a stroke, Ctrl+Z, Ctrl+S writes the file as saved before the
    # stroke, without a dialog (the file is removed first, so it must be
    # written; the editor asks before writing where its file went).
    again = driver.read(target)
    title = "VornGroundEditor - " + os.path.basename(target) + "%s - %s, kind 3 (snow), brush 3"
    ed.wait_title(title % ("", "view"), "Wine after S")
    ed.key("e")
    driver.stroke(ed, [], [(6, 13)] + [(px, 13) for px in range(7, 12)])
    ed.wait_title(title % ("*", "corners, brush"), "Wine stroke")
    ed.key("ctrl+z")
    ed.wait_title(title % ("", "corners, brush"), "Wine Ctrl+Z")
    ed.key("e")                # back to view mode, where Esc asks to quit
    os.remove(target)
    ed.key("ctrl+s")
    # The file is gone since the editor saved it: it asks before writing.
    box = ed.wait_box(30)
    time.sleep(0.5)
    s.xdo("windowactivate", box[0], check=False)
    time.sleep(0.3)
    s.key("y")                 # the Yes button's mnemonic
    s.wait_for(lambda: os.path.exists(target) and os.path.getsize(target) == 4096, 15,
               "Ctrl+S to write the file")
    if s.find("Save As"):
        raise Failure("Wine: Ctrl+S with a current file opened the save dialog")
    if driver.read(target) != again:
        raise Failure("Wine: a stroke, Ctrl+Z, Ctrl+S did not write the bytes saved before the stroke")
    log("windows: a stroke, Ctrl+Z, the file removed, Ctrl+S asked, Yes: %d bytes as saved before the stroke"
        % len(again))
    # Saved by the editor itself: the next Ctrl+S writes without a word.
    s.wait_for(lambda: not ed.boxes(), 15, "the question to close")
    time.sleep(0.5)
    ed.key("e")
    driver.stroke(ed, script, [(6, 13)] + [(px, 13) for px in range(7, 12)])
    ed.key("e")
    ed.key("ctrl+s")
    time.sleep(2)
    if ed.boxes():
        raise Failure("Wine: Ctrl+S over the editor's own save asked a question; screenshot %s"
                      % s.screenshot("windows-quick-save-box"))
    if driver.read(target) == again:
        raise Failure("Wine: Ctrl+S after a stroke did not write the file")
    log("windows: a stroke, Ctrl+S over the editor's own save: written without a question")

    # Ctrl+E through the Windows save dialog: the picture of the saved map.
    picture, want = os.path.join(work, "export.png"), os.path.join(work, "tool.png")
    ed.key("ctrl+e")
    win_dialog(ed, "Export Picture", picture)
    s.wait_for(lambda: os.path.exists(picture), 15, "Ctrl+E to write the picture")
    subprocess.run([os.path.join(ctx.build, "vorn-map"), "render", "--art", work, "-o", want, "--", target],
                   check=True, timeout=60)
    try:
        files.compare_pictures(picture, want, "Wine Ctrl+E")
    except (ValueError, OSError) as e:
        raise Failure(str(e))
    log("windows: Ctrl+E: the PNG equals vorn-map render of the saved map")

    # A line (L) of water, then the bucket (B) over the sand around it; E
    # back to the view, Ctrl+S to the current file.
    a, b, c = (driver.lattice_px(ed, *p) for p in ((2, 14), (20, 4), (22, 16)))
    ed.key("4", "l")
    ed.drag([a, driver.lattice_px(ed, 11, 9), b])
    ed.key("b")
    ed.click_at(*c)
    ed.key("e")
    script += ["kind 4", "line %d %d %d %d" % (a + b), "bucket %d %d" % c]
    want = os.path.join(work, "tools.want")
    ctx.expect(script + ["save " + want], "tools", work)
    ed.key("ctrl+s")
    s.wait_for(lambda: driver.read(target) == driver.read(want), 15, "Ctrl+S to write the file")
    driver.compare_maps(target, want, "Wine: a line and a bucket, Ctrl+S")

    grey_imports(driver, s, ed, work)

    quit_answering_no(s, ed, "Wine")
    log("windows: Esc answered No, exit code 0")


def names_in_every_language(ctx, driver, s, env, exe, work, atlas):
    """Names outside any one legacy code page (the exe declares UTF-8 its ANSI
    code page), the exe and its art in a folder named программа, started
    from one named карты: a map named карта.map on the command line opens, checked by
    title and cells; O through the open dialog with 地図 ß.map, then with
    карта.map again, both typed there; S through the save dialog to
    копия-地図.map writes карта.map's bytes under that very name. Esc, No
    ends it with exit code 0."""
    # The exe and its art in a folder so named, started from another folder
    # without art: the art must be found beside the program, by its path.
    program, maps = os.path.join(work, "программа"), os.path.join(work, "карты")
    for folder in (program, maps):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    shutil.copy(exe, program)
    for name in ("tex1.bmp", "structures.bmp"):
        shutil.copyfile(os.path.join(work, name), os.path.join(program, name))
    exe = os.path.join(program, os.path.basename(exe))
    first = os.path.join(maps, "карта.map")
    os.replace(files.cross_map(ctx, work), first)
    # The second map differs from the first: a diagonal of another kind.
    diagonal = os.path.join(work, "diagonal.want")
    strokes = ["drag %d %d" % (x, 60 + x * 5 // 8) for x in range(40, 760, 12)]
    ctx.expect(["client 800 600", "kind 4", "brush 3"] + strokes + ["save " + diagonal], "diagonal", work)
    second = os.path.join(maps, "地図 ß.map")
    shutil.copyfile(diagonal, second)
    saved = os.path.join(maps, "копия-地図.map")
    title = "VornGroundEditor - %s - view, kind 0 (sand), brush 1"

    ed = Editor(s, ["wine", exe, os.path.basename(first)], maps, "windows-names", env=env, cls=None,
                box_cls=None)
    ed.start(timeout=120)
    what = "Wine карта.map on the command line"
    check_start(ed, atlas, driver.read(first), what)
    ed.wait_title(title % "карта.map", what)

    # O through the dialog, the names typed there: another map, then карта.map again.
    for path in (second, first):
        ed.key("o")
        win_dialog(ed, "Choose Map", path)
        what = "Wine O with %s" % os.path.basename(path)
        ed.wait_title(title % os.path.basename(path), what)
        ed.check_cells(atlas, driver.read(path), ed.visible_cells(), what)
        if ed.boxes():
            raise Failure("%s: a message box is open (screenshot %s)" % (what, s.screenshot("windows-names-box")))

    # A character lost from the typed file name (not the folder) saves under
    # another name without a word: that file goes and S is tried again.
    what = "Wine S to %s" % os.path.basename(saved)
    for attempt in range(3):
        ed.key("s")
        win_dialog(ed, "Save As", saved)
        try:
            ed.wait_title(title % os.path.basename(saved), what)
            break
        except Failure:
            lost = sorted(set(os.listdir(maps)) - {os.path.basename(p) for p in (first, second)})
            if attempt == 2 or len(lost) != 1 or lost[0] == os.path.basename(saved):
                raise
            log("windows: S saved %r, a typed character lost; again" % lost[0])
            os.remove(os.path.join(maps, lost[0]))
    driver.compare_maps(saved, first, what)
    strays = sorted(set(os.listdir(maps)) - {os.path.basename(p) for p in (first, second, saved)})
    if strays:
        raise Failure("Wine: names in every language: unexpected files %s" % strays)
    quit_answering_no(s, ed, "Wine names in every language")
    log("windows: карта.map on the command line, %s through O and %s through S"
        % (os.path.basename(second), os.path.basename(saved)))


def recover_with_yes(s, exe, work, name, env):
    """Starts the editor in `work` after a kill and answers its recovery
    question Yes; returns it with the recovered map drawn."""
    ed = Editor(s, ["wine", exe], work, name, env=env, cls=None, box_cls=None)
    ed.start(timeout=120)
    box = ed.wait_box(30)
    time.sleep(0.5)
    s.xdo("windowactivate", box[0], check=False)
    time.sleep(0.3)
    s.key("y")                 # the Yes button's mnemonic
    s.wait_for(lambda: not ed.boxes(), 15, "the recovery question to close")
    s.wait_for(ed.drawn, 60, "the first frame after Yes")
    return ed


def recovered_after_kill(ctx, driver, s, env, exe, work, prefix):
    """Strokes, 3 s, the Windows editor's process killed; the next start
    asks, Yes (its mnemonic), Ctrl+S through the save dialog: the strokes'
    bytes. Then a map opened by a relative path, recovered by an editor
    started in another folder: Ctrl+S writes the file it was opened from.
    The copies live in the prefix's own LOCALAPPDATA."""
    import glob
    folders = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "VornGroundEditor"))
    for f in folders:
        shutil.rmtree(f, ignore_errors=True)
    ed = Editor(s, ["wine", exe], work, "windows-recovery-killed", env=env, cls=None, box_cls=None)
    ed.start(timeout=120)
    s.wait_for(ed.drawn, 60, "the first frame")
    script = ["client %d %d" % ed.size, "kind 1"]
    ed.key("e")
    ed.key("1")
    driver.stroke(ed, script, [(3, 5)] + [(px, 5) for px in range(4, 12)])
    time.sleep(3)
    folders = glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Local", "VornGroundEditor"))
    if not any(n.endswith(".map") for f in folders for n in os.listdir(f)):
        raise Failure("Wine: no recovery copy 3 s after the strokes in %s" % folders)
    ed.proc.kill()
    ed.proc.wait(30)
    want = os.path.join(work, "wine-recovered.want")
    ctx.expect(script + ["save " + want], "wine-recovered", work)
    ed = recover_with_yes(s, exe, work, "windows-recovery-restarted", env)
    saved = os.path.join(work, "wine-recovered.map")
    ed.key("ctrl+s")           # a map never saved: the save dialog
    win_dialog(ed, "Save As", saved)
    s.wait_for(lambda: os.path.exists(saved) and os.path.getsize(saved) == 4096, 15, "the save")
    driver.compare_maps(saved, want, "Wine: recovered after a kill, Ctrl+S")
    quit_answering_no(s, ed, "Wine after the recovery")

    # A map opened by a relative path in one folder, strokes, a kill; the next
    # editor starts in another folder: Ctrl+S writes the first folder's file,
    # without a dialog or a question (nobody changed it), and nothing here.
    elsewhere = os.path.join(work, "wine-rel-a")
    os.makedirs(elsewhere, exist_ok=True)
    mine = os.path.join(elsewhere, "x.map")
    with open(mine, "wb") as f:
        f.write(bytes([176]) * 4096)
    ed = Editor(s, ["wine", exe, "x.map"], elsewhere, "windows-recovery-relative", env=env, cls=None,
                box_cls=None)
    ed.start(timeout=120)
    s.wait_for(ed.drawn, 60, "the first frame")
    script = ["client %d %d" % ed.size, "load " + mine, "kind 2"]
    ed.key("e")
    ed.key("2")
    driver.stroke(ed, script, [(4, 7)] + [(px, 7) for px in range(5, 13)])
    time.sleep(3)
    ed.proc.kill()
    ed.proc.wait(30)
    want = os.path.join(work, "wine-relative.want")
    ctx.expect(script + ["save " + want], "wine-relative", work)
    ed = recover_with_yes(s, exe, work, "windows-recovery-elsewhere", env)
    ed.key("ctrl+s")
    s.wait_for(lambda: driver.read(mine) == driver.read(want), 15, "Ctrl+S to write the first folder's x.map")
    time.sleep(1)
    if ed.boxes() or s.find("Save As"):
        raise Failure("Wine: Ctrl+S of a recovered map whose file nobody changed asked something")
    if os.path.exists(os.path.join(work, "x.map")):
        raise Failure("Wine: the recovered map was written into the second editor's folder")
    log("windows: a map opened by a relative path, recovered in another folder, Ctrl+S wrote its own file")
    quit_answering_no(s, ed, "Wine after the relative recovery")


def stamp_between_editors(ctx, driver, s, env, exe, work):
    """Ctrl + drag and Ctrl+C in one editor, Ctrl+V, Z and a click in a
    second editor started beside it, whose S must write the core library's bytes."""
    first = Editor(s, ["wine", exe], work, "windows-stamp-copy", env=env, cls=None, box_cls=None)
    first.start(timeout=120)
    s.wait_for(first.drawn, 60, "the first editor's first frame")
    script = ["client %d %d" % first.size, "kind 3"]
    first.key("e", "3")
    driver.stroke(first, script, [(2, 2)] + [(px, 3) for px in range(3, 9)])
    first.focus()
    s.xdo("keydown", "ctrl")
    try:
        first.drag([driver.lattice_px(first, 1, 1), driver.lattice_px(first, 9, 5)])
    finally:
        s.xdo("keyup", "ctrl")
    first.key("ctrl+c")
    copied = os.path.join(work, "stamp-copied.txt")
    ctx.expect(script + ["copy 1 1 9 5 " + copied], "stamp-copy", work)
    second = Editor(s, ["wine", exe], work, "windows-stamp-paste", env=env, cls=None, box_cls=None)
    second.start(timeout=120, exclude=(first.win[0],))
    s.wait_for(second.drawn, 60, "the second editor's first frame")
    second.key("ctrl+v", "z")
    second.click_at(*driver.lattice_px(second, 12, 6))
    script = ["client %d %d" % second.size, "stamptext " + copied, "turn",
              "place %d %d" % driver.lattice_px(second, 12, 6)]
    target = os.path.join(work, "pasted.map")
    second.key("s")
    win_dialog(second, "Save As", target)
    time.sleep(0.5)
    want = os.path.join(work, "pasted.want")
    ctx.expect(script + ["save " + want], "pasted", work)
    driver.compare_maps(target, want, "Wine: a stamp copied in one editor, pasted in another")
    second.key("Escape")       # corner editing off; the next Esc asks to quit
    quit_answering_no(s, second, "Wine, the pasting editor")
    first.key("Escape")
    quit_answering_no(s, first, "Wine, the copying editor")


def quit_answering_no(s, ed, label):
    """Esc, then No in the quit prompt of an editor under Wine; it must exit 0."""
    ed.key("Escape")
    box = ed.wait_box(15)
    time.sleep(0.5)
    s.xdo("windowactivate", box[0], check=False)
    time.sleep(0.3)
    s.key("n")                 # the No button's mnemonic
    rc = ed.wait_exit(30)
    if rc != 0:
        raise Failure("%s: Esc answered No: exit code expected 0, got %d" % (label, rc))


def grey_imports(driver, s, ed, work):
    """G through the Windows open dialog with a PNG and with a BMP of 124-byte
    header, both converted by ImageMagick from the test's own 54-byte grey
    bitmap and kept in a folder named "-odd folder": Space must show that
    bitmap's greys after each. R in between, so
    the second check cannot pass on what the first import left."""
    reference = os.path.join(work, "heights.bmp")
    texels = files.write_grey_bitmap(reference)
    variants = []
    for name, fmt in (("heights.png", "png"), ("heights-v5.bmp", "bmp")):
        # Typed into the dialog: a folder starting with "-", a blank.
        path = files.odd_path(work, name)
        subprocess.run(["convert", reference, "%s:%s" % (fmt, path)], check=True, timeout=60,
                       stdout=subprocess.DEVNULL)
        variants.append(path)
    header = driver.read(variants[1])[14:18]
    if header != bytes((124, 0, 0, 0)):
        raise Failure("convert wrote a BMP whose header is not 124 bytes: %r" % header)
    ox, oy = ed.origin()
    w, h = ed.size
    pictures = []
    for i, path in enumerate(variants):
        if i:
            ed.key("r")
        ed.key("g")
        win_dialog(ed, "Choose Grey Bitmap", path)
        ed.key("space")
        what = "Wine G with %s" % os.path.basename(path)
        driver.check_overlay(ed, texels, what)
        # The whole visible overlay, not just the checked patch, must match.
        pictures.append(s.grab().crop(*ed.at(ox, oy), w - ox, h - oy - STRIP).rgb)
        if pictures[i] != pictures[0]:
            shot = s.screenshot("windows-grey-overlay")
            differ = sum(a != b for a, b in zip(pictures[i], pictures[0])) // 3 or 1
            raise Failure("%s: the overlay differs from the PNG's in about %d pixels; screenshot %s"
                          % (what, differ, shot))
        ed.key("space")
