"""Figures to report, not tests: the time from start to the first frame, and
frames drawn per second during 10 s of continuous mouse movement in edit mode
2 on a busy map. Frames are counted from outside the editor by a preloaded
library that timestamps every buffer swap (e2e/swapcount.c)."""

import math
import os
import random
import time

from editor import Editor
from xsession import Failure, Session, log, preload


def busy_script(path, rng):
    """Random strokes over the whole map through the core library: many kinds
    meeting everywhere, the work a fill preview has to repair."""
    lines = ["client 800 600"]
    for _ in range(400):
        lines.append("kind %d" % rng.randrange(5))
        lines.append("brush %d" % rng.choice([1, 1, 2, 3]))
        px, py = rng.randrange(129), rng.randrange(129)
        for _ in range(rng.randint(3, 12)):
            px = min(128, max(0, px + rng.randint(-2, 2)))
            py = min(128, max(0, py + rng.randint(-2, 2)))
            lines.append("drag %d %d" % (400 + 16 * px, 300 + 16 * py))
    lines.append("save " + path)
    return lines


def figures(ctx):
    work = ctx.work("figures")
    busy = os.path.join(work, "busy.map")
    ctx.expect(busy_script(busy, random.Random(6)), "busy", work)
    swaplog = os.path.join(work, "swaps.txt")
    with Session(ctx.artifacts, "figures") as s:
        env = dict(s.env)
        preload(env, [os.path.join(ctx.build, "e2e_swapcount.so")])
        env["VORN_E2E_SWAPLOG"] = swaplog
        ctx.art_into(ctx.build, work)
        ed = Editor(s, [os.path.join(ctx.build, "VornGroundEditor")], work, "figures-editor",
                    env=env)
        try:
            ed.start()
            s.wait_for(ed.drawn, 30, "the first frame", interval=0.02)
            seen = time.monotonic() - ed.started
            ed.key("o")
            ed.file_dialog(busy, title="Choose Map")
            ox, oy = ed.origin()

            def circle(seconds):
                t = time.monotonic()
                angle = 0.0
                while time.monotonic() - t < seconds:
                    args = []
                    for _ in range(50):   # over the visible map, 5 ms a step
                        angle += 0.05
                        x = ox + 190 + int(170 * math.cos(angle))
                        y = oy + 140 + int(130 * math.sin(angle * 1.3))
                        args += ["mousemove", ed.win[3] + x, ed.win[4] + y, "sleep", "0.005"]
                    s.xdo(*args)
                return t, time.monotonic()
            ed.key("f")
            t1, t2 = circle(10.0)
            ed.key("e")               # edit mode 2 -> 1: the corner overlay
            time.sleep(0.3)
            t3, t4 = circle(5.0)
            ed.key("Escape")          # edit mode 1 -> 0
            time.sleep(0.3)
            ed.key("Escape")
            ed.answer_box(1, 3)
            rc = ed.wait_exit(20)
        except BaseException:
            s.screenshot("figures-failure")
            raise
    if rc != 0:
        raise Failure("figures: exit code %d" % rc)
    swaps = [float(l) for l in open(swaplog) if l.strip()]
    if not swaps:
        raise Failure("figures: no frame was counted (is the swap counter preloaded?)")
    first = swaps[0] - ed.started
    moving = [t for t in swaps if t1 <= t <= t2]
    fps = len(moving) / (t2 - t1)
    gaps = [b - a for a, b in zip(moving, moving[1:])]
    overlay = [t for t in swaps if t3 <= t <= t4]
    text = ("time from start to the first frame: %.0f ms (first swap; %.0f ms until seen on"
            " screen by polling)\n"
            "frames per second, 10 s of mouse movement in edit mode 2 on a busy map: %.1f"
            " (%d frames in %.1f s; longest gap between frames %.0f ms)\n"
            "frames per second, 5 s of mouse movement in edit mode 1 (corner overlay): %.1f\n"
            % (1000 * first, 1000 * seen, fps, len(moving), t2 - t1,
               1000 * max(gaps or [0]), len(overlay) / (t4 - t3)))
    with open(os.path.join(ctx.artifacts, "figures.txt"), "w") as f:
        f.write(text)
    for line in text.splitlines():
        log("figure:", line)
