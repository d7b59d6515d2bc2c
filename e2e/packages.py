"""The packages as a user gets them.
deb: the Debian package unpacked with dpkg-deb -x into a scratch root; its
  editor, started from an empty home folder with a map on the command line,
  draws our art (found in the root's share folder) and shows that map. The
  desktop's view of maps: the databases rebuilt in the root as the system's
  triggers rebuild them on install, then a map's type and its default program
  asked of xdg-mime, and thumbnails drawn by the thumbnailer's Exec line as
  a file manager runs it.
nsis: the Windows installer run silently under Wine into a scratch folder;
  the installed editor, started through the ProgID's open command from
  another folder, draws our art and the map; the Start-menu shortcut and the
  registry keys for Open with exist, .map's default program is left alone;
  the uninstaller removes everything it put there and nothing else."""

import configparser
import glob
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import time

import files
from editor import Atlas, Editor, check_start
from xsession import Failure, Session, log
from windows import quit_answering_no, wine_env, winpath


def package(ctx, pattern):
    found = sorted(glob.glob(os.path.join(ctx.packages, pattern)))
    if len(found) != 1:
        raise Failure("expected one %s in %s, got %s (run scripts/package.sh)" % (pattern, ctx.packages, found))
    return found[0]


def deb_map_tool(ctx, root, home, map_path, work):
    """The installed vorn-map finds the installed art, renders the map as the
    build's does, and checks it clean."""
    tool = os.path.join(root, "usr", "bin", "vorn-map")
    env = {"PATH": "/usr/bin:/bin", "HOME": home}
    got, want = os.path.join(work, "deb-render.png"), os.path.join(work, "build-render.png")
    r = subprocess.run([tool, "render", "-o", got, "--", map_path], capture_output=True, text=True,
                       timeout=60, env=env, cwd=home)
    if r.returncode != 0:
        raise Failure("deb: vorn-map render: exit %d: %s" % (r.returncode, r.stderr))
    subprocess.run([os.path.join(ctx.build, "vorn-map"), "render", "--art", ctx.build, "-o", want, "--", map_path],
                   check=True, timeout=60)
    if open(got, "rb").read() != open(want, "rb").read():
        raise Failure("deb: the installed vorn-map's picture differs from the build's")
    r = subprocess.run([tool, "check", "--", map_path], capture_output=True, text=True, timeout=60, env=env, cwd=home)
    if r.returncode != 0 or "no problems" not in r.stdout:
        raise Failure("deb: vorn-map check: exit %d: %s%s" % (r.returncode, r.stdout, r.stderr))
    log("deb: the installed vorn-map renders the map as the build does and checks it clean")


MAP_TYPE = "application/x-vorngroundeditor-map"


def deb_desktop(ctx, root, map_path, work):
    """The desktop entry validates and names the map type; with the package's
    share folder first in XDG_DATA_DIRS, xdg-mime says a map is of that type
    and opens with the editor; the thumbnailer draws 128 and 256 pixel
    thumbnails equal to the build's renders and refuses a .map of another
    program without leaving a file."""
    share = os.path.join(root, "usr", "share")
    desktop = os.path.join(share, "applications", "vorngroundeditor.desktop")
    thumbnailer = os.path.join(share, "thumbnailers", "vorngroundeditor.thumbnailer")
    for must in (os.path.join(share, "mime", "packages", "vorngroundeditor.xml"), thumbnailer,
                 os.path.join(share, "icons", "hicolor", "scalable", "mimetypes", MAP_TYPE.replace("/", "-") + ".svg")):
        if not os.path.exists(must):
            raise Failure("deb: %s is not in the package" % os.path.relpath(must, root))
    r = subprocess.run(["desktop-file-validate", desktop], capture_output=True, text=True, timeout=60)
    if r.returncode != 0 or r.stdout.strip() or r.stderr.strip():
        raise Failure("deb: desktop-file-validate: exit %d: %s%s" % (r.returncode, r.stdout, r.stderr))
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str
    entry.read(desktop, encoding="utf-8")
    fields = entry["Desktop Entry"]
    if MAP_TYPE not in fields.get("MimeType", "").split(";") or "%f" not in shlex.split(fields.get("Exec", "")):
        raise Failure("deb: the desktop entry's MimeType %r or Exec %r" % (fields.get("MimeType"), fields.get("Exec")))

    # The package has no maintainer scripts: the caches are rebuilt by the
    # file triggers of the packages that own them, which must watch the
    # folders our files go into.
    for owner, folder in (("shared-mime-info", "/usr/share/mime/packages"),
                          ("desktop-file-utils", "/usr/share/applications")):
        r = subprocess.run(["dpkg-query", "--control-show", owner, "triggers"], capture_output=True, text=True,
                           timeout=60)
        if not any(line.split()[1:2] == [folder] for line in r.stdout.splitlines() if line.startswith("interest")):
            raise Failure("deb: %s has no trigger on %s: %r%s" % (owner, folder, r.stdout, r.stderr))
    # What those triggers do on install, in the unpacked root.
    subprocess.run(["update-mime-database", os.path.join(share, "mime")], check=True, timeout=120,
                   capture_output=True)
    subprocess.run(["update-desktop-database", os.path.join(share, "applications")], check=True, timeout=60,
                   capture_output=True)
    described = open(os.path.join(share, "mime", MAP_TYPE + ".xml"), encoding="utf-8").read()
    if "<comment>VornGroundEditor map</comment>" not in described:
        raise Failure("deb: the built type database does not describe %s:\n%s" % (MAP_TYPE, described))
    # xdg-mime splits XDG_DATA_DIRS unquoted, so a blank in the clone's path
    # would hide our folder from it: the folder is reached through a link in
    # a blank-free temporary folder instead.
    plain = tempfile.mkdtemp(prefix="vorn-xdg-", dir="/tmp")
    try:
        os.symlink(share, os.path.join(plain, "share"))
        empty = os.path.join(plain, "empty")
        os.makedirs(empty)
        env = {"PATH": "/usr/bin:/bin", "HOME": empty, "XDG_DATA_HOME": empty, "XDG_CONFIG_HOME": empty,
               "XDG_DATA_DIRS": os.path.join(plain, "share") + ":/usr/share"}
        for args, want in ((["query", "filetype", map_path], MAP_TYPE),
                           (["query", "default", MAP_TYPE], "vorngroundeditor.desktop")):
            r = subprocess.run(["xdg-mime"] + args, capture_output=True, text=True, timeout=60, env=env)
            if r.returncode != 0 or r.stdout.strip() != want:
                raise Failure("deb: xdg-mime %s: expected %r, got %r (exit %d) %s"
                              % (" ".join(args), want, r.stdout.strip(), r.returncode, r.stderr))
    finally:
        shutil.rmtree(plain, ignore_errors=True)
    log("deb: xdg-mime: a map is %s and opens with the editor" % MAP_TYPE)

    # The thumbnailer as GNOME's file manager runs it: the Exec line split as
    # the shell would, then %s, %i and %o put in, with the package's bin
    # folder on PATH (TryExec names a program found there).
    thumb = configparser.ConfigParser(interpolation=None)
    thumb.optionxform = str
    thumb.read(thumbnailer, encoding="utf-8")
    fields = thumb["Thumbnailer Entry"]
    if MAP_TYPE not in fields.get("MimeType", "").split(";"):
        raise Failure("deb: the thumbnailer's MimeType is %r" % fields.get("MimeType"))
    bin_dir = os.path.join(root, "usr", "bin")
    if not os.access(os.path.join(bin_dir, fields["TryExec"]), os.X_OK):
        raise Failure("deb: the thumbnailer's TryExec %r is not in the package" % fields["TryExec"])
    empty = os.path.join(work, "home-empty")
    os.makedirs(empty, exist_ok=True)
    env = {"PATH": bin_dir + ":/usr/bin:/bin", "HOME": empty}
    other = os.path.join(work, "linker output.map")
    with open(other, "w") as f:
        f.write("Memory Configuration\n\nName             Origin             Length\n" * 40)

    def run(size, source, out):
        subst = {"%s": str(size), "%i": source, "%o": out, "%u": "file://" + source, "%%": "%"}
        argv = [subst.get(a, a) for a in shlex.split(fields["Exec"])]
        return subprocess.run(argv, capture_output=True, text=True, timeout=60, env=env, cwd=empty)

    for size, cell in ((128, 2), (256, 4)):
        out = os.path.join(work, "thumbnail-%d.png" % size)
        r = run(size, map_path, out)
        if r.returncode != 0:
            raise Failure("deb: thumbnailer at %d: exit %d: %s" % (size, r.returncode, r.stderr))
        w, h, _ = files.read_png_rgb(out)
        want = os.path.join(work, "render-cell-%d.png" % cell)
        subprocess.run([os.path.join(ctx.build, "vorn-map"), "render", "--cell", str(cell), "--art", ctx.build,
                        "-o", want, "--", map_path], check=True, timeout=60)
        if (w, h) != (size, size) or open(out, "rb").read() != open(want, "rb").read():
            raise Failure("deb: thumbnailer at %d: %d x %d, or not the build's render at %d pixels a cell"
                          % (size, w, h, cell))
    out = os.path.join(work, "thumbnail-other.png")
    r = run(256, other, out)
    if r.returncode != 2 or os.path.lexists(out) or "4096" not in r.stderr:
        raise Failure("deb: thumbnailer on another program's .map: exit %d, output %s, said %r"
                      % (r.returncode, "left" if os.path.lexists(out) else "none", r.stderr))
    log("deb: thumbnails of 128 and 256 pixels; another program's .map refused (exit 2, no file)")


def deb(ctx):
    pkg = package(ctx, "*.deb")
    scratch = tempfile.mkdtemp(prefix="deb-", dir=ctx.artifacts)
    try:
        root = os.path.join(scratch, "root")
        home = os.path.join(scratch, "home")
        os.makedirs(home)
        subprocess.run(["dpkg-deb", "-x", pkg, root], check=True, timeout=60)
        exe = os.path.join(root, "usr", "bin", "VornGroundEditor")
        art = os.path.join(root, "usr", "share", "vorngroundeditor", "tex1.bmp")
        for must in (exe, art, os.path.join(root, "usr", "share", "applications", "vorngroundeditor.desktop"),
                     os.path.join(root, "usr", "share", "icons", "hicolor", "scalable", "apps", "vorngroundeditor.svg"),
                     os.path.join(root, "usr", "share", "man", "man1", "VornGroundEditor.1.gz"),
                     os.path.join(root, "usr", "bin", "vorn-map"),
                     os.path.join(root, "usr", "share", "man", "man1", "vorn-map.1.gz"),
                     os.path.join(root, "usr", "share", "doc", "vorngroundeditor", "copyright")):
            if not os.path.exists(must):
                raise Failure("deb: %s is not in the package" % os.path.relpath(must, root))
        version = subprocess.run(["dpkg-deb", "-f", pkg, "Version"], capture_output=True, text=True).stdout.strip()
        said = subprocess.run([exe, "--version"], capture_output=True, text=True, timeout=30,
                              env={"PATH": "/usr/bin:/bin", "HOME": home})
        if said.returncode != 0 or said.stdout != "VornGroundEditor %s\n" % version:
            raise Failure("deb: --version: expected 'VornGroundEditor %s', exit 0; got %r, exit %d"
                          % (version, said.stdout, said.returncode))
        work = ctx.work("deb")
        map_path = files.cross_map(ctx, work)
        map_bytes = open(map_path, "rb").read()
        deb_map_tool(ctx, root, home, map_path, work)
        deb_desktop(ctx, root, map_path, work)
        with Session(ctx.artifacts, "deb") as s:
            env = dict(s.env)
            env["HOME"] = home
            for k in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"):
                env.pop(k, None)
            ed = Editor(s, [exe, map_path], home, "deb-editor", env=env)
            try:
                ed.start(timeout=60)
                check_start(ed, Atlas(art), map_bytes, "deb: started from an empty home with a map")
                ed.key("Escape")
                ed.answer_box(1, 3)   # No: quit without saving
                rc = ed.wait_exit(30)
                if rc != 0:
                    raise Failure("deb: Esc answered No: exit code expected 0, got %d" % rc)
            except BaseException:
                s.screenshot("deb-failure")
                raise
        left = os.listdir(home)
        if left:
            raise Failure("deb: the editor left files in the empty home folder: %s" % left)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def files_under(top):
    out = set()
    for d, _, fs in os.walk(top):
        for f in fs:
            out.add(os.path.relpath(os.path.join(d, f), top))
    return out


UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VornGroundEditor"
CLASSES = "HKCU\\Software\\Classes\\"
PROGID = "VornGroundEditor.Map"
# .map's default program before the install, as another program set it: it
# must stay, and keep .map's key alive after the uninstall.
OTHER_PROGID = "VornTest.OtherProgram"


def reg_values(env, key):
    """{value name: data} of a registry key ("" for the default value), or
    None when the key does not exist."""
    r = subprocess.run(["wine", "reg", "query", key], env=env, capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        return None
    out = {}
    for line in r.stdout.replace("\r", "").splitlines():
        m = re.match(r"^    (.*?)    (REG_\w+)(?:    (.*))?$", line)
        if m:
            out["" if m.group(1) == "(Default)" else m.group(1)] = m.group(3) or ""
    return out


def check_map_type(env, target):
    """The ProgID with its description, icon and open command, named in
    .map's OpenWithProgids; .map's default program still the other one's.
    Returns the open command."""
    exe = target + "\\VornGroundEditor.exe"
    want = {
        CLASSES + PROGID: {"": "VornGroundEditor map"},
        CLASSES + PROGID + "\\DefaultIcon": {"": exe + ",0"},
        CLASSES + PROGID + "\\shell\\open\\command": {"": '"%s" "%%1"' % exe},
        CLASSES + ".map\\OpenWithProgids": {PROGID: ""},
        CLASSES + ".map": {"": OTHER_PROGID},
    }
    for key, values in want.items():
        got = reg_values(env, key)
        if got != values:
            raise Failure("nsis: registry key %s: expected %s, got %s" % (key, values, got))
    log("nsis: %s registered (icon, open command), in .map's OpenWithProgids; .map's default kept" % PROGID)
    return want[CLASSES + PROGID + "\\shell\\open\\command"][""]


def open_command_argv(command, map_winpath):
    """The argument vector Explorer's "Open with" makes of the ProgID's open
    command for a file: %1 replaced, quoted parts kept whole."""
    parts = [a or b for a, b in re.findall(r'"([^"]*)"|(\S+)', command)]
    return [map_winpath if p == "%1" else p for p in parts]


def nsis(ctx):
    installer = package(ctx, "*-win64.exe")
    scratch = tempfile.mkdtemp(prefix="nsis-", dir=ctx.artifacts)
    prefix = os.path.join(os.path.dirname(ctx.artifacts), "e2e-wine", "prefix")
    target = os.path.join(scratch, "installed")
    drive = None
    elsewhere = os.path.join(scratch, "elsewhere")
    os.makedirs(elsewhere)
    menus = [os.path.join(prefix, "drive_c", "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs"),
             os.path.join(prefix, "drive_c", "users")]
    try:
        with Session(ctx.artifacts, "nsis") as s:
            env = wine_env(s.env, prefix)

            def install():
                r = subprocess.run(["wine", installer, "/S", "/D=" + drive + ":\\installed"], env=env,
                                   timeout=180, capture_output=True, text=True)
                if r.returncode != 0:
                    raise Failure("nsis: silent install exited %d: %s" % (r.returncode, r.stderr[-500:]))

            def uninstall():
                # The uninstaller copies itself away and returns at once; wait for its work.
                subprocess.run(["wine", os.path.join(target, "Uninstall.exe"), "/S"], env=env, timeout=120,
                               capture_output=True)
                s.wait_for(lambda: not os.path.exists(target), 60, "the uninstaller to remove the folder")

            try:
                if not os.path.exists(os.path.join(prefix, "system.reg")):
                    os.makedirs(os.path.dirname(prefix), exist_ok=True)
                    subprocess.run(["wine", "wineboot", "-i"], env=env, timeout=240,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                    subprocess.run(["wineserver", "-w"], env=env, timeout=120)
                # A run that failed before its uninstall leaves the key and the
                # Start-menu folder behind, and its folder is gone with the scratch:
                # the installer would then try the missing uninstaller and wait on
                # its "Uninstall failed." box.
                for key in (UNINSTALL_KEY, CLASSES + PROGID, CLASSES + ".map"):
                    subprocess.run(["wine", "reg", "delete", key, "/f"], env=env, timeout=60,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.run(["wine", "reg", "add", CLASSES + ".map", "/ve", "/d", OTHER_PROGID, "/f"], env=env,
                               timeout=60, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                for m in menus:
                    for stale in glob.glob(os.path.join(m, "**", "VornGroundEditor"), recursive=True):
                        shutil.rmtree(stale, ignore_errors=True)
                before = set().union(*(files_under(m) for m in menus if os.path.isdir(m)))
                # /D must come last and NSIS reads it unquoted, but Wine quotes an
                # argument with a blank: the scratch folder, wherever it is, is
                # reached through a drive letter of its own.
                drive = map_drive(prefix, scratch)
                t0 = time.monotonic()
                install()
                installed = files_under(target)
                want = {"VornGroundEditor.exe", "vorn-map.exe", "tex1.bmp", "structures.bmp", "LICENSE.txt", "README.txt",
                        "Uninstall.exe"}
                if not want <= installed:
                    raise Failure("nsis: installed %s, missing %s" % (sorted(installed), sorted(want - installed)))
                after = set().union(*(files_under(m) for m in menus if os.path.isdir(m)))
                shortcuts = sorted(p for p in after - before if p.endswith("VornGroundEditor.lnk"))
                if not shortcuts:
                    raise Failure("nsis: no Start-menu shortcut VornGroundEditor.lnk was made")
                log("nsis: installed in %.0f s; shortcut %s" % (time.monotonic() - t0, shortcuts[0]))
                command = check_map_type(env, drive + ":\\installed")

                # "Open with" on a map whose path holds a blank: the ProgID's
                # command, started from another folder, finds the installed art.
                map_path = os.path.join(elsewhere, "cross map.map")
                os.replace(files.cross_map(ctx, ctx.work("nsis")), map_path)
                argv = open_command_argv(command, winpath(map_path))
                ed = Editor(s, ["wine"] + argv, elsewhere, "nsis-editor", env=env, cls=None, box_cls=None)
                ed.start(timeout=120)
                check_start(ed, Atlas(os.path.join(target, "tex1.bmp")), open(map_path, "rb").read(),
                            "nsis: the installed editor through the ProgID's open command")
                ed.wait_title("VornGroundEditor - cross map.map - view, kind 0 (sand), brush 1", "nsis: Open with")
                quit_answering_no(s, ed, "nsis")

                uninstall()
                now = set().union(*(files_under(m) for m in menus if os.path.isdir(m)))
                kept = sorted(p for p in now - before if "VornGroundEditor" in p or "Uninstall" in p)
                if kept:
                    raise Failure("nsis: the uninstaller left %s" % kept)
                reg = subprocess.run(["wine", "reg", "query", UNINSTALL_KEY],
                                     env=env, capture_output=True, text=True, timeout=60)
                if reg.returncode == 0:
                    raise Failure("nsis: the uninstall registry key is still there")
                for key in (CLASSES + PROGID, CLASSES + ".map\\OpenWithProgids"):
                    if reg_values(env, key) is not None:
                        raise Failure("nsis: the uninstaller left %s: %s" % (key, reg_values(env, key)))
                if reg_values(env, CLASSES + ".map") != {"": OTHER_PROGID}:
                    raise Failure("nsis: after the uninstall .map holds %s, expected only its default %s"
                                  % (reg_values(env, CLASSES + ".map"), OTHER_PROGID))
                log("nsis: uninstalled; folder, shortcuts, uninstall key, ProgID and OpenWithProgids gone, "
                    ".map's default kept")

                # Once more with no .map key before: the uninstaller leaves none.
                subprocess.run(["wine", "reg", "delete", CLASSES + ".map", "/f"], env=env, timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                install()
                if reg_values(env, CLASSES + ".map\\OpenWithProgids") != {PROGID: ""}:
                    raise Failure("nsis: a fresh .map's OpenWithProgids holds %s"
                                  % reg_values(env, CLASSES + ".map\\OpenWithProgids"))
                uninstall()
                if reg_values(env, CLASSES + ".map") is not None:
                    raise Failure("nsis: the uninstaller left the .map key it made: %s"
                                  % reg_values(env, CLASSES + ".map"))
                log("nsis: installed and uninstalled with no .map key before: none left")
            except BaseException:
                s.screenshot("nsis-failure")
                raise
            finally:
                # The test's own stand-in for another program's default.
                subprocess.run(["wine", "reg", "delete", CLASSES + ".map", "/f"], env=env, timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                subprocess.run(["wineserver", "-k"], env=env, timeout=60,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        if drive and os.path.islink(os.path.join(prefix, "dosdevices", drive.lower() + ":")):
            os.remove(os.path.join(prefix, "dosdevices", drive.lower() + ":"))
        shutil.rmtree(scratch, ignore_errors=True)


def map_drive(prefix, folder):
    """Makes a free drive letter of the Wine prefix show `folder`; returns the letter."""
    devices = os.path.join(prefix, "dosdevices")
    for letter in "nopqrstuvw":
        link = os.path.join(devices, letter + ":")
        if os.path.islink(link) and not os.path.exists(link):
            os.remove(link)    # left by a run that was killed, its folder gone
        if not os.path.lexists(link):
            os.symlink(os.path.abspath(folder), link)
            return letter.upper()
    raise Failure("nsis: no free drive letter in %s" % devices)
