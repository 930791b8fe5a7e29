#!/usr/bin/env python3
"""Draws the program's pictures and writes them as 4-bit Windows bitmaps and
an icon: toolbar.bmp (four 16 x 15 images in a 64 x 16 strip on light grey,
which the program maps to the button face), status.bmp (four 9 x 9 images on
white, which is transparent), trovelinks.ico (32 x 32 and 16 x 16) and
logo.bmp (the About box's 256 x 96 logo on white; the program maps white to
the button face and black to the active caption's colour).
Run it after changing a picture; its output is kept in the tree."""
import struct, os

# The sixteen colours of the standard 4-bit palette.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# Picture letters -> palette index.
INK = {'k': 0, 'm': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, '.': 7, 'd': 8,
       'r': 9, 'G': 10, 'y': 11, 'b': 12, 'c': 14, 'w': 15, ' ': 15}

FAST_ADD = """
................
.......kk.......
......kyyk......
.....kyyk.......
....kyyk........
...kyyyyyyk.....
..kkkkkyyk......
.....kyyk.......
....kyyk...ggg..
...kyyk....gGg..
..kyk....gggGggg
..kk.....gGGGGGg
.........gggGggg
...........gGg..
...........ggg..
"""
ADD = """
................
..kkkkkkkk......
..kwwwwwwkk.....
..kwwwwwwkwk....
..kwddddwkkkk...
..kwwwwwwwwwk...
..kwddddddwwk...
..kwwwwwwwwwk...
..kwddddddggg...
..kwwwwwwwwgGg..
..kwddddggggGggg
..kwwwwwwgGGGGGg
..kkkkkkkgggGggg
...........gGg..
...........ggg..
"""
PROPERTIES = """
................
..kkkkkkkkkk....
..kwwwwwwwwk....
..kwbbbbbbwk....
..kwwwwwwwwk....
..kwbbbbbbwk..k.
..kwwwwwwwwk.kyk
..kwbbbbbwwkkyk.
..kwwwwwwwwkykk.
..kwbbbbwwkykk..
..kwwwwwwkykwk..
..kwwwwwwkkkwk..
..kwwwwwkkwwwk..
..kkkkkkkkkkkk..
................
"""
DELETE = """
................
................
...mm......mm...
..mrrm....mrrm..
...mrrm..mrrm...
....mrrmmrrm....
.....mrrrrm.....
......mrrm......
.....mrrrrm.....
....mrrmmrrm....
...mrrm..mrrm...
..mrrm....mrrm..
...mm......mm...
................
................
"""
NO_CHANGE = """
.........
...ggg...
..gGGGg..
.gGGGGGg.
.gGGGGGg.
.gGGGGGg.
..gGGGg..
...ggg...
.........
"""
FAILED = """
.........
.mm...mm.
.mrm.mrm.
..mrmrm..
...mrm...
..mrmrm..
.mrm.mrm.
.mm...mm.
.........
"""
NEW = """
....k....
...kyk...
..kyyyk..
.kyyyyyk.
kyyyyyyyk
.kyyyyyk.
..kyyyk..
...kyk...
....k....
"""
CHECKING = """
.kkkkkkk.
.kcccccк.
..kcccк..
...kck...
....k....
...kbk...
..kbbbk..
.kbbbbbk.
.kkkkkkk.
""".replace('к', 'k')

ICON32 = """
................................
................................
.....nnnnnnnnnnnnnnnnnnnnnnn....
....nbbbbbbbbbbbbbbbbbbbbbbn....
....nbbbbbbbbbbbbbbbbbbbbbbn....
....nbbwwwwwwwwwwwwwwwwwwbbn....
....nbbwwwwwwwwwwwwrrrwwwbbn....
....nbbwwkkkkkkkwwwrrrwwwbbn....
....nbbwwwwwwwwwwwwrrrwwwbbn....
....nbbwwkkkkkkkkkwrrrwwwbbn....
....nbbwwwwwwwwwwwwrrrwwwbbn....
....nbbwwkkkkkwwwwwrrrwwwbbn....
....nbbwwwwwwwwwwwwrrrwwwbbn....
....nbbwwwwwwwwwwwwrrrwwwbbn....
....nbbwwkkkkkkkkwwrwrwwwbbn....
....nbbwwwwwwwwwwwwrwrwwwbbn....
....nbbwwkkkkkkwwwwwwwwwwbbn....
....nbbwwwwwwwwwwwwwwwwwwbbn....
....nbbwwkkkkkkkkkkwwwwwwbbn....
....nbbwwwwwwwwwwwwwwwwwwbbn....
....nbbwwkkkkkkkwwwwwwwwwbbn....
....nbbwwwwwwwwwwwwwwwwwwbbn....
....nbbwwwwwwwwwwwwwwwwwwbbn....
....nbbbbbbbbbbbbbbbbbbbbbbn....
....nbbbbbbbbbbbbbbbbbbbbbbn....
....nnnnnnnnnnnnnnnnnnnnnnnn....
................................
................................
................................
................................
................................
................................
"""
ICON16 = """
................
..nnnnnnnnnnnn..
..nbbbbbbbbbbn..
..nbwwwwwwrrbn..
..nbwkkkkwrrbn..
..nbwwwwwwrrbn..
..nbwkkkkwrrbn..
..nbwwwwwwrwbn..
..nbwkkkwwwwbn..
..nbwwwwwwwwbn..
..nbwkkkkkwwbn..
..nbwwwwwwwwbn..
..nbbbbbbbbbbn..
..nnnnnnnnnnnn..
................
................
"""

# The logo's letters, 5 x 9 each, drawn four times their size.
LETTERS = {
    'T': "#####|..#..|..#..|..#..|..#..|..#..|..#..|..#..|..#..",
    'r': ".....|.....|.....|#.##.|##..#|#....|#....|#....|#....",
    'o': ".....|.....|.....|.###.|#...#|#...#|#...#|#...#|.###.",
    'v': ".....|.....|.....|#...#|#...#|#...#|.#.#.|.#.#.|..#..",
    'e': ".....|.....|.....|.###.|#...#|#####|#....|#...#|.###.",
    'l': ".##..|..#..|..#..|..#..|..#..|..#..|..#..|..#..|.###.",
    'i': ".....|..#..|.....|.##..|..#..|..#..|..#..|..#..|.###.",
    'n': ".....|.....|.....|#.##.|##..#|#...#|#...#|#...#|#...#",
    'k': "#....|#....|#....|#..#.|#.#..|##...|#.#..|#..#.|#...#",
    's': ".....|.....|.....|.####|#....|.###.|....#|....#|####.",
}


def logo():
    """The name in large letters with a shadow, over a row of chain links."""
    w, h, scale = 256, 96, 4
    px = [[15] * w for _ in range(h)]

    def dot(x, y, ink):
        if 0 <= x < w and 0 <= y < h:
            px[y][x] = ink

    def word(x0, y0, ink):
        for n, letter in enumerate("Trovelinks"):
            for gy, line in enumerate(LETTERS[letter].split('|')):
                for gx, c in enumerate(line):
                    if c == '#':
                        for dy in range(scale):
                            for dx in range(scale):
                                dot(x0 + n * 24 + gx * scale + dx, y0 + gy * scale + dy, ink)

    word(13, 12, 8)
    word(10, 9, 0)
    # Chain links: stadium outlines, three pixels thick, overlapping.
    def near(x, y, x0, x1, cy, r):
        """Within r of the segment from (x0, cy) to (x1, cy)."""
        dx = x0 - x if x < x0 else x - x1 if x > x1 else 0
        return dx * dx + (y - cy) ** 2 <= r * r

    for i in range(7):
        left, cy, r = 14 + i * 32, 72 if i % 2 == 0 else 74, 11
        ink = 0 if i % 2 == 0 else 8
        for y in range(cy - r, cy + r + 1):
            for x in range(left, left + 40):
                a, b = left + r, left + 39 - r
                if near(x, y, a, b, cy, r) and not near(x, y, a, b, cy, r - 3):
                    dot(x, y, ink)
    return px


def rows(picture, width, height, fill='.'):
    lines = [l for l in picture.strip('\n').split('\n')]
    lines = [l.ljust(width, fill)[:width] for l in lines]
    while len(lines) < height:
        lines.append(fill * width)
    return [[INK[c] for c in l] for l in lines[:height]]


def strip(pictures, width, height, fill):
    out = [[] for _ in range(height)]
    for p in pictures:
        for y, r in enumerate(rows(p, width, height, fill)):
            out[y].extend(r)
    return out


def pack4(row):
    """One 4-bit pixel row, padded to a multiple of 4 bytes."""
    if len(row) % 2:
        row = row + [0]
    data = bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))
    return data + b'\0' * (-len(data) % 4)


def dib(pixels, height_field):
    h, w = len(pixels), len(pixels[0])
    body = b''.join(pack4(r) for r in reversed(pixels))
    header = struct.pack('<IiiHHIIiiII', 40, w, height_field, 1, 4, 0, len(body), 0, 0, 16, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + body


def bmp(pixels):
    d = dib(pixels, len(pixels))
    return struct.pack('<2sIHHI', b'BM', 14 + len(d), 0, 0, 14 + 40 + 64) + d


def icon_image(pixels):
    """An icon entry: the 4-bit image and a 1-bit mask (light grey is clear)."""
    h, w = len(pixels), len(pixels[0])
    colour = [[0 if p == 7 else p for p in r] for r in pixels]
    d = dib(colour, 2 * h)
    mask = b''
    for r in reversed(pixels):
        bits = 0
        for x, p in enumerate(r):
            if p == 7:
                bits |= 1 << (w - 1 - x)
        line = bits.to_bytes(w // 8, 'big')
        mask += line + b'\0' * (-len(line) % 4)
    return d + mask


def ico(images):
    head = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b'', b''
    for pixels in images:
        blob = icon_image(pixels)
        n = len(pixels)
        entries += struct.pack('<BBBBHHII', n, n, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs += blob
    return head + entries + blobs


here = os.path.dirname(os.path.abspath(__file__))
with open(os.path.join(here, 'toolbar.bmp'), 'wb') as f:
    f.write(bmp(strip([FAST_ADD, ADD, PROPERTIES, DELETE], 16, 16, '.')))
with open(os.path.join(here, 'status.bmp'), 'wb') as f:
    f.write(bmp([[15 if p == 7 else p for p in r]
                 for r in strip([NO_CHANGE, FAILED, NEW, CHECKING], 9, 9, " ")]))
with open(os.path.join(here, 'trovelinks.ico'), 'wb') as f:
    f.write(ico([rows(ICON32, 32, 32), rows(ICON16, 16, 16)]))
with open(os.path.join(here, 'logo.bmp'), 'wb') as f:
    f.write(bmp(logo()))
