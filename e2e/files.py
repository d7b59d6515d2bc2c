"""Input files the end-to-end runs hand to the editor, made here byte by byte:
a 128 x 128 grey bitmap and a small mission file; and a painted map, made
by the core library."""

import os
import random
import struct

# A folder whose name begins with "-" and holds a blank: files a dialog is
# given from inside it test that every hand on the way takes the path as text.
ODD_FOLDER = "-odd folder"


def odd_path(work, name):
    """work/ODD_FOLDER/name, the folder made when missing."""
    folder = os.path.join(work, ODD_FOLDER)
    os.makedirs(folder, exist_ok=True)
    return os.path.join(folder, name)


# A basin of height 0 walled in by height 1: a fill at or below the height of
# a basin point takes exactly the basin, whatever the random heights of the
# field's last row and column (which the bitmap does not cover) are.
BASIN = (14, 21, 10, 15)          # lattice x0, x1, y0, y1, inclusive
BASIN_POINT = (17, 12)


def grey_levels():
    """Grey level of every lattice point (x, y), x and y in 0..127."""
    v = {}
    for y in range(128):
        for x in range(128):
            v[(x, y)] = 255
    x0, x1, y0, y1 = BASIN
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            v[(x, y)] = 0
    # A patch of distinct greys the overlay check reads back.
    for y in range(1, 4):
        for x in range(2, 10):
            v[(x, y)] = 30 + 7 * (x - 2) + 60 * (y - 1)
    return v


def write_grey_bitmap(path):
    """Writes the bitmap; returns {lattice point: grey} of the checked patch.
    One pixel is stored as (30, 60, 91), whose integer mean is 60."""
    v = grey_levels()
    odd = (2, 4)
    v[odd] = 60
    header = bytearray(54)
    header[0:2] = b"BM"
    struct.pack_into("<IHHI", header, 2, 54 + 128 * 128 * 3, 0, 0, 54)
    struct.pack_into("<IiiHHIIiiII", header, 14, 40, 128, 128, 1, 24, 0, 128 * 128 * 3,
                     2835, 2835, 0, 0)
    pixels = bytearray()
    for row in range(128):            # bottom row of the picture first
        y = 127 - row
        for x in range(128):
            g = v[(x, y)]
            pixels += bytes((30, 60, 91)) if (x, y) == odd else bytes((g, g, g))
    with open(path, "wb") as f:
        f.write(bytes(header) + bytes(pixels))
    patch = {(x, y): v[(x, y)] for y in range(1, 4) for x in range(2, 10)}
    patch[odd] = 60
    return patch


def be16(*values):
    return b"".join(struct.pack(">H", v & 0xFFFF) for v in values)


def write_mission(path):
    """A structure at cell (2, 6) and a tile object at cell (8, 7), among
    records the reader must skip. Returns the cells the objects cover."""
    data = bytearray()
    data += bytes((0, 1)) + be16(3) + b"abc"          # skipped by its length
    data += bytes((7, 0)) + bytes(10)                  # skipped, fixed length
    data += bytes((9, 71)) + be16(6 * 64 + 2, 1, 0)    # structure, short form, sprite 0
    data += bytes((12, 0))                             # no body
    data += bytes((8, 0)) + be16(1, 0x22, 0, 7 * 64 + 8, 0, 0)  # tile object
    data += bytes((1, 83)) + be16(5)                   # read and discarded
    data += bytes((0xFF, 0))                           # the end
    with open(path, "wb") as f:
        f.write(bytes(data))
    return [(2, 6), (3, 6), (2, 7), (3, 7), (8, 7)]


def write_junk(path, rng, size=None):
    """Random bytes of random length: what a careless user might open."""
    n = size if size is not None else rng.choice([0, 1, 3, 53, 54, 55, 100, 4095, 4096, 4097,
                                                  5000, 49205, 49206, 60000])
    with open(path, "wb") as f:
        f.write(bytes(rng.getrandbits(8) for _ in range(n)))


def read_png_rgb(path):
    """(width, height, RGB rows top first) of an 8-bit RGB PNG, as the
    editor and vorn-map write them; every row filter is undone."""
    import zlib
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("%s is no PNG" % path)
    pos, idat, w, h = 8, b"", 0, 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            w, h, depth, colour = struct.unpack(">IIBB", body[:10])
            if (depth, colour) != (8, 2):
                raise ValueError("%s: not 8-bit RGB" % path)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    raw, stride, out, prev = zlib.decompress(idat), w * 3, bytearray(), bytearray(w * 3)
    for y in range(h):
        f, row = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = row[i - 3] if i >= 3 else 0
            b, c = prev[i], prev[i - 3] if i >= 3 else 0
            if f == 1:
                row[i] = (row[i] + a) & 255
            elif f == 2:
                row[i] = (row[i] + b) & 255
            elif f == 3:
                row[i] = (row[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        out += row
        prev = row
    return w, h, bytes(out)


def compare_pictures(got_path, want_path, what, skip_cells=()):
    """The editor's exported PNG against vorn-map's of the same map: every
    pixel equal, except in the listed cells (32 x 32 pixels each)."""
    gw, gh, got = read_png_rgb(got_path)
    ww, wh, want = read_png_rgb(want_path)
    if (gw, gh) != (ww, wh):
        raise ValueError("%s: %dx%d, expected %dx%d" % (what, gw, gh, ww, wh))
    if got == want:
        return 0
    skip = set(skip_cells)
    bad = [(i // 3 % gw, i // 3 // gw) for i in range(len(got)) if got[i] != want[i]]
    bad = [p for p in bad if (p[0] // 32, p[1] // 32) not in skip]
    if bad:
        raise ValueError("%s: %d pixel bytes differ, first at %s" % (what, len(bad), bad[0]))
    return 0


def cross_map(ctx, work):
    """A painted map file: a cross of kind-1 strokes through an 800 x 600
    client area, written by the core library (e2e_expect)."""
    path = os.path.join(work, "cross.map")
    script = ["client 800 600", "kind 1", "brush 3"]
    script += ["drag %d 300" % x for x in range(40, 760, 12)]
    script += ["drag 400 %d" % y for y in range(40, 560, 12)]
    ctx.expect(script + ["save " + path], "cross", work)
    return path
