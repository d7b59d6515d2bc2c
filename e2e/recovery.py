"""Recovery copies end to end: an editor killed after strokes, the question
at the next start, Yes, S to the strokes' bytes; a normal quit leaves the
state folder empty; of two editors the killed one's copy alone is asked
about; a map opened by a relative path, a stroke whose release a box took,
a kill, the file saved again by another program, then the next editor
started in another folder (with a file of the same relative name): Ctrl+S
asks before writing over the newer save, and writes the first folder's
file, never the second's; a state folder that cannot be made gives one
message and editing goes on. Also the time from a finished change to its
copy on disk."""

import os
import shutil
import statistics
import time

from xsession import Failure, log
from editor import Editor


def state_folder(s):
    return os.path.join(s.env["XDG_STATE_HOME"], "vorngroundeditor")


def listing(folder):
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def copies(folder):
    return [n for n in listing(folder) if n.endswith(".map")]


def wait_copy(s, folder, what, want=None, timeout=5):
    """The one copy in the folder, once it holds `want` (any bytes if None)."""
    def found():
        maps = copies(folder)
        if len(maps) != 1:
            return None
        with open(os.path.join(folder, maps[0]), "rb") as f:
            data = f.read()
        return data if want is None or data == want else None
    return s.wait_for(found, timeout, what)


def no_box(ed, seconds=1.5):
    time.sleep(seconds)
    if ed.boxes():
        ed.s.screenshot(ed.label + "-unexpected-box")
        raise Failure("%s: a message box nobody asked for" % ed.label)


def quit_no(ed):
    ed.key("Escape")
    ed.answer_box(1, 3)        # Yes | No | Cancel
    rc = ed.wait_exit(60)
    if rc != 0:
        raise Failure("%s: exit code expected 0, got %d" % (ed.label, rc))


def flows(ctx, s, exe, work, stroke, compare_maps):
    folder = state_folder(s)
    shutil.rmtree(folder, ignore_errors=True)

    # Strokes, 3 s, SIGKILL.
    a = Editor(s, [exe], work, "recovery-killed").start()
    s.wait_for(a.drawn, 30, "the first frame")
    script = ["client %d %d" % a.size, "kind 1"]
    a.key("e")
    a.key("1")
    stroke(a, script, [(3, 3)] + [(px, 3) for px in range(4, 12)])
    stroke(a, script, [(5, 8)] + [(5, py) for py in range(9, 15)])
    time.sleep(3)
    ctx.expect(script + ["save " + os.path.join(work, "recovered.want")], "recovered", work)
    with open(os.path.join(work, "recovered.want"), "rb") as f:
        wait_copy(s, folder, "the copy 3 s after the strokes", f.read(), 1)
    a.proc.kill()
    a.proc.wait(10)
    log("recovery: killed after the strokes, copy", copies(folder))

    # The question, Yes, S: the strokes' bytes.
    b = Editor(s, [exe], work, "recovery-restarted").start()
    b.wait_box(10)
    time.sleep(0.5)
    s.screenshot("recovery-question")  # what a user sees at start after a crash
    b.key_box("Return")        # Yes is the default button
    s.wait_for(b.drawn, 30, "the first frame after Yes")
    b.wait_title("VornGroundEditor - untitled* - view, kind 0 (sand), brush 1", "after the recovery")
    saved = os.path.join(work, "recovered.map")
    b.key("s")
    b.file_dialog(saved, save=True)
    time.sleep(0.3)
    compare_maps(saved, os.path.join(work, "recovered.want"), "recovered, then S")
    quit_no(b)
    if listing(folder):
        raise Failure("after a save and a normal quit the state folder holds %s" % listing(folder))

    # No question now; two editors, one killed: only its copy is asked about.
    c = Editor(s, [exe], work, "recovery-live").start()
    no_box(c)
    d = Editor(s, [exe], work, "recovery-dies").start(beside=[c])
    for ed in (c, d):
        ed.key("e")
        ed.key("1")
        stroke(ed, [], [(7, 2)] + [(7, py) for py in range(3, 9)])
        ed.key("e")
    time.sleep(3)
    if len(copies(folder)) != 2:
        raise Failure("two editors with unsaved strokes: copies %s" % listing(folder))
    d.proc.kill()
    d.proc.wait(10)
    e = Editor(s, [exe], work, "recovery-asks-once").start(beside=[c])
    e.answer_box(1, 2)         # Yes | No: No deletes the dead one's copy
    log("recovery: the third editor asked once")
    no_box(e)
    quit_no(e)
    log("recovery: the third editor quit")
    quit_no(c)
    if listing(folder):
        raise Failure("after No and two normal quits the state folder holds %s" % listing(folder))
    log("recovery: of two editors only the killed one's copy was asked about")

    relative_path_box_and_newer_save(ctx, s, exe, work, folder)

    # A state folder that cannot be made: one message, then paint and save.
    blocked = os.path.join(work, "state-is-a-file")
    with open(blocked, "wb") as f:
        f.write(b"not a folder")
    env = dict(s.env, XDG_STATE_HOME=blocked)
    f_ = Editor(s, [exe], work, "recovery-no-folder", env=env).start()
    f_.answer_box(0, 1)
    s.wait_for(f_.drawn, 30, "the first frame after the message")
    script = ["client %d %d" % f_.size, "kind 1"]
    f_.key("e")
    f_.key("1")
    stroke(f_, script, [(2, 2)] + [(px, 2) for px in range(3, 9)])
    no_box(f_, 2.5)
    ctx.expect(script + ["save " + os.path.join(work, "unkept.want")], "unkept", work)
    f_.key("e")
    f_.key("s")
    f_.file_dialog(os.path.join(work, "unkept.map"), save=True)
    time.sleep(0.3)
    compare_maps(os.path.join(work, "unkept.map"), os.path.join(work, "unkept.want"), "saved without recovery")
    quit_no(f_)


def relative_path_box_and_newer_save(ctx, s, exe, work, folder):
    """maps/x.map opened by its relative path in folder rel-a; a stroke held
    while C opens the clear box, the button released over the box, No; the
    editor killed. Another program then saves rel-a/maps/x.map anew. An
    editor started in rel-b, which has a maps/x.map of its own: Yes, Ctrl+S
    asks (No keeps the newer save), Ctrl+S again, Yes: rel-a's file holds
    the stroke, rel-b's is untouched."""
    plain = bytes([176]) * 4096
    places = {}
    for name in ("rel-a", "rel-b"):
        places[name] = os.path.join(work, name)
        os.makedirs(os.path.join(places[name], "maps"), exist_ok=True)
        with open(os.path.join(places[name], "maps", "x.map"), "wb") as f:
            f.write(plain)
    mine = os.path.join(places["rel-a"], "maps", "x.map")
    other = os.path.join(places["rel-b"], "maps", "x.map")

    a = Editor(s, [exe, "maps/x.map"], places["rel-a"], "recovery-relative").start()
    s.wait_for(a.drawn, 30, "the first frame")
    a.wait_title("VornGroundEditor - x.map - view, kind 0 (sand), brush 1", "maps/x.map on the command line")
    script = ["client %d %d" % a.size, "load " + mine, "kind 1"]
    a.key("e")
    a.key("1")
    ox, oy = a.origin()
    client = [(ox + 16 * px, oy + 16 * 6) for px in range(3, 12)]
    a.focus()
    a.move(*client[0])
    time.sleep(0.1)
    s.down(1)
    for p in client[1:]:
        time.sleep(0.03)
        a.move(*p)
        script.append("drag %d %d" % p)
    time.sleep(0.2)
    s.key("c")                 # the clear box opens with the button held
    a.wait_box(10)
    s.up(1)                    # released while the box is open: the editor never sees it
    a.answer_box(1, 2)         # Yes | No: No clears nothing
    ctx.expect(script + ["save " + os.path.join(work, "boxed.want")], "boxed", work)
    with open(os.path.join(work, "boxed.want"), "rb") as f:
        want = f.read()
    wait_copy(s, folder, "the stroke in the copy after the box, with no click since", want, 3)
    a.proc.kill()
    a.proc.wait(10)
    log("recovery: a stroke ended by a box reached the copy before the kill")

    # Another program saves the file anew (a new file renamed over it).
    newer = bytes([177]) * 4096
    with open(mine + ".new", "wb") as f:
        f.write(newer)
    os.replace(mine + ".new", mine)

    b = Editor(s, [exe], places["rel-b"], "recovery-elsewhere").start()
    b.key_box("Return")        # Yes: recover
    s.wait_for(b.drawn, 30, "the first frame after Yes")
    b.wait_title("VornGroundEditor - x.map* - view, kind 0 (sand), brush 1", "recovered in another folder")
    b.key("ctrl+s")
    b.answer_box(1, 2)         # "... was changed by another program ... Save over it?" No
    time.sleep(0.5)
    if read_file(mine) != newer or read_file(other) != plain:
        raise Failure("Ctrl+S answered No: a file was written")
    b.key("ctrl+s")
    b.key_box("Return")        # Yes
    s.wait_for(lambda: read_file(mine) == want, 10, "the recovered stroke in rel-a/maps/x.map")
    if read_file(other) != plain:
        raise Failure("the recovered map was written into the second editor's folder")
    b.wait_title("VornGroundEditor - x.map - view, kind 0 (sand), brush 1", "saved where it was opened")
    quit_no(b)
    if listing(folder):
        raise Failure("after the save and a normal quit the state folder holds %s" % listing(folder))
    log("recovery: the relative path's file written, after asking about the newer save; the other folder untouched")


def read_file(path):
    with open(path, "rb") as f:
        return f.read()


def latency(ctx, s, exe, work, stroke, count=100):
    """Time from a finished change (Ctrl+Z or Ctrl+Y sent) to its copy on
    disk, over `count` changes at random gaps of 0.2 to 1.5 s (the copy is
    written at most once a second, so short gaps wait for the next second)."""
    import random
    folder = state_folder(s)
    shutil.rmtree(folder, ignore_errors=True)
    ed = Editor(s, [exe], work, "recovery-latency").start()
    s.wait_for(ed.drawn, 30, "the first frame")
    ed.key("e")
    ed.key("1")
    stroke(ed, [], [(3, 3)] + [(px, 3) for px in range(4, 12)])
    time.sleep(1.5)
    one = wait_copy(s, folder, "the first copy")
    stroke(ed, [], [(3, 9)] + [(px, 9) for px in range(4, 12)])
    time.sleep(1.5)
    two = wait_copy(s, folder, "the second copy")
    if two == one:
        raise Failure("the second stroke's copy equals the first's")
    rng = random.Random(19)
    times = []
    for i in range(count):
        key, want = ("ctrl+z", one) if i % 2 == 0 else ("ctrl+y", two)
        time.sleep(rng.uniform(0.2, 1.5))
        t0 = time.monotonic()
        ed.key(key)
        wait_copy(s, folder, "copy after %s" % key, want, 5)
        times.append(time.monotonic() - t0)
    times.sort()
    line = ("recovery copy on disk after a finished change, over %d changes: median %.0f ms, worst %.0f ms"
            % (count, 1000 * statistics.median(times), 1000 * times[-1]))
    log(line)
    with open(os.path.join(ctx.artifacts, "recovery-latency.txt"), "w") as f:
        f.write(line + "\n")
    ed.key("e")
    quit_no(ed)
    return times
