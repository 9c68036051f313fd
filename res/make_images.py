#!/usr/bin/env python3
"""Writes Mellifon's pictures: the toolbar bitmap, the program icon, the transfer
animation and the splash picture.

    python3 make_images.py OUTDIR

Everything is drawn here, with the standard library only, and the output is the same
byte for byte on every run, so the build can make the resources instead of keeping
binaries in the repository.
"""

import math
import os
import struct
import sys

# The 16 colours every Windows display has; the toolbar and the icon use only these.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# Letters of the pixel drawings below, as VGA indices. '.' is the background: light gray
# on the toolbar (the toolbar turns it into the button face), transparent in the icon.
ART_COLOURS = {
    '.': 7, 'K': 0, 'R': 1, 'D': 2, 'O': 3, 'N': 4, 'P': 5, 'T': 6, 's': 7,
    'g': 8, 'r': 9, 'G': 10, 'y': 11, 'b': 12, 'm': 13, 'c': 14, 'w': 15,
}


# ---------------------------------------------------------------------------
# File formats

def _pack_row(row, bpp):
    """One DIB scan line, padded to a 4-byte boundary."""
    if bpp == 8:
        data = bytes(row)
    elif bpp == 4:
        data = bytes((row[i] << 4) | (row[i + 1] if i + 1 < len(row) else 0)
                     for i in range(0, len(row), 2))
    elif bpp == 1:
        data = bytearray((len(row) + 7) // 8)
        for i, bit in enumerate(row):
            if bit:
                data[i // 8] |= 0x80 >> (i % 8)
        data = bytes(data)
    else:
        raise ValueError(bpp)
    return data + b'\0' * (-len(data) % 4)


def dib_bits(rows, bpp):
    """Rows given top to bottom, stored bottom-up as Windows wants."""
    return b''.join(_pack_row(row, bpp) for row in reversed(rows))


def info_header(width, height, bpp, colours_used, image_size, compression=0, ppm=2835):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bpp, compression,
                       image_size, ppm, ppm, colours_used, 0)


def rgbquads(palette, count):
    palette = list(palette) + [(0, 0, 0)] * (count - len(palette))
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette[:count])


def bmp_file(rows, bpp, palette):
    height, width = len(rows), len(rows[0])
    colours = 1 << bpp
    bits = dib_bits(rows, bpp)
    header = info_header(width, height, bpp, colours, len(bits))
    table = rgbquads(palette, colours)
    offset = 14 + len(header) + len(table)
    return (struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset)
            + header + table + bits)


def ico_file(images):
    """images: (rows, opaque) pairs, 4 bpp over the VGA palette; opaque[y][x] is False
    where the desktop shows through."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for rows, opaque in images:
        size = len(rows)
        xor = dib_bits([[c if o else 0 for c, o in zip(r, m)] for r, m in zip(rows, opaque)], 4)
        mask = dib_bits([[not o for o in m] for m in opaque], 1)
        blob = (info_header(size, 2 * size, 4, 0, len(xor) + len(mask), ppm=0)
                + rgbquads(VGA, 16) + xor + mask)
        entries.append(struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def _rle8_literal(out, pixels):
    while pixels:
        chunk, pixels = pixels[:255], pixels[255:]
        if len(chunk) >= 3:
            out += bytes((0, len(chunk))) + bytes(chunk)
            if len(chunk) % 2:
                out.append(0)          # absolute runs end on a word boundary
        else:
            for p in chunk:            # 00 01 and 00 02 mean something else
                out += bytes((1, p))


def rle8_encode(rows):
    """Windows RLE8 of an 8-bit picture given top to bottom."""
    out = bytearray()
    for row in reversed(rows):
        literal = []
        i = 0
        while i < len(row):
            j = i
            while j < len(row) and j - i < 255 and row[j] == row[i]:
                j += 1
            if j - i >= 3:
                _rle8_literal(out, literal)
                literal = []
                out += bytes((j - i, row[i]))
            else:
                literal.extend(row[i:j])
            i = j
        _rle8_literal(out, literal)
        out += b'\0\0'                 # end of line
    out += b'\0\1'                     # end of bitmap
    return bytes(out)


def _chunk(fourcc, data):
    return fourcc + struct.pack('<I', len(data)) + data + b'\0' * (len(data) % 2)


def _list(kind, *chunks):
    return _chunk(b'LIST', kind + b''.join(chunks))


def avi_file(frames, palette, fps):
    """An RLE8 clip without sound, as the Animation control plays it."""
    height, width = len(frames[0]), len(frames[0][0])
    data = [rle8_encode(f) for f in frames]
    biggest = max(len(d) for d in data)
    AVIF_HASINDEX, AVIIF_KEYFRAME = 0x10, 0x10
    avih = struct.pack('<14I', 1000000 // fps, biggest * fps, 0, AVIF_HASINDEX,
                       len(frames), 0, 1, biggest, width, height, 0, 0, 0, 0)
    strh = struct.pack('<4s4sIHHIIIIIIIIhhhh', b'vids', b'\0\0\0\0', 0, 0, 0, 0,
                       1, fps, 0, len(frames), biggest, 0xFFFFFFFF, 0,
                       0, 0, width, height)
    # biSizeImage holds the largest frame: GDI reads no further than that.
    strf = info_header(width, height, 8, 256, biggest, compression=1, ppm=0) + rgbquads(palette, 256)
    hdrl = _list(b'hdrl', _chunk(b'avih', avih),
                 _list(b'strl', _chunk(b'strh', strh), _chunk(b'strf', strf)))
    movi_chunks, index, offset = [], [], 4    # offsets count from the 'movi' fourcc
    for d in data:
        c = _chunk(b'00dc', d)
        index.append(struct.pack('<4sIII', b'00dc', AVIIF_KEYFRAME, offset, len(d)))
        movi_chunks.append(c)
        offset += len(c)
    body = b'AVI ' + hdrl + _list(b'movi', *movi_chunks) + _chunk(b'idx1', b''.join(index))
    return b'RIFF' + struct.pack('<I', len(body)) + body


# ---------------------------------------------------------------------------
# Toolbar: six 21 x 21 pictures side by side, in the order of the toolbar's buttons.

TOOLBAR_ART = {
    'refresh': '''
.....................
..........D..........
..........DD.........
.......DDDGGD........
.....DDGGGGGGD.......
....DGGGGGGGGD.......
...DGGGDDDGGD........
...DGGD...DD.........
..DGGD....D..........
..DGGD.........DDDD..
..DGGD.........DGGD..
..DDDD.........DGGD..
..........D....DGGD..
.........DD...DGGD...
........DGGDDDGGGD...
.......DGGGGGGGGD....
.......DGGGGGGDD.....
........DGGDDD.......
.........DD..........
..........D..........
.....................
''',
    'upload': '''
.....................
.....................
.....................
............KKKKKKK..
...........KcbbbbbNK.
...........KbKKKKKNK.
......N....KbKGGGKNK.
......NN...KbKGDGKNK.
.NNNNNbbN..KbKGGGKNK.
.NbbbbbbbN.KbKKKKKNK.
.NbbbbbbbbNKbbbbbbNK.
.NbbbbbbbN.KbbKKKbNK.
.NNNNNbbN..KbKsssKNK.
......NN...KbKsKsKNK.
......N....KbKsssKNK.
...........KbbKKKbNK.
...........KbbbbbbNK.
...........KNNNNNNNK.
............KKKKKKK..
.....................
.....................
''',
    'remove': '''
.....................
.....................
.....................
...RRR.........RRR...
...RrrR.......RrrR...
...RrrrR.....RrrrR...
....RrrrR...RrrrR....
.....RrrrR.RrrrR.....
......RrrrRrrrR......
.......RrrrrrR.......
........RrrrR........
.......RrrrrrR.......
......RrrrRrrrR......
.....RrrrR.RrrrR.....
....RrrrR...RrrrR....
...RrrrR.....RrrrR...
...RrrR.......RrrR...
...RRR.........RRR...
.....................
.....................
.....................
''',
    'initialize': '''
.....................
.....................
.....................
....KKKKKKK..........
...KcbbbbbNK.........
...KbKKKKKNK..KKKKK..
...KbKGGGKNK.KyyyK...
...KbKGDGKNKKyyyK....
...KbKGGGKNKyyyK.....
...KbKKKKKKyyyyKKK...
...KbbbbbKyyyyyyyK...
...KbbKKKKKKKyyyK....
...KbKsssKNKKyyK.....
...KbKsKsKNKyyK......
...KbKsssKNKyK.......
...KbbKKKbKyK........
...KbbbbbbKK.........
...KNNNNNNNK.........
....KKKKKKK..........
.....................
.....................
''',
    'download': '''
.....................
..KKKKKKK............
.KcbbbbbNK...........
.KbKKKKKNK...........
.KbKGGGKNKNNNNNNN....
.KbKGDGKNKNbbbbbN....
.KbKGGGKNKNbbbbbN....
.KbKKKKKNKNbbbbbN....
.KbbbbbbNK.NbbbbbNN..
.KbbKKKbNK..NbbbbN...
.KbKsssKNK...NbbN....
.KbKsKsKNK....NN.....
.KbKsssKNK.KKKKKKKKK.
.KbbKKKbNK.KNs..KsNK.
.KbbbbbbNK.KNsssssNK.
.KNNNNNNNK.KNNNNNNNK.
..KKKKKKK..KNwwwwwNK.
...........KNwKKKwNK.
...........KNwwwwwNK.
...........KKKKKKKKK.
.....................
''',
    'about': '''
.....................
.....................
........NNNNN........
......NNbbbbbNN......
.....NbbbbbbbbbN.....
....NbbbbwwwbbbbN....
...NbcbbbwwwbbbbbN...
...NcbbbbbbbbbbbbN...
..NbcbbbwwwwbbbbbbN..
..NbbbbbbwwwbbbbbbN..
..NbbbbbbwwwbbbbbbN..
..NbbbbbbwwwbbbbbbN..
..NbbbbbbwwwbbbbbbN..
...NbbbbbwwwbbbbbN...
...NbbbbwwwwwbbbbN...
....NbbbbbbbbbbbN....
.....NbbbbbbbbbN.....
......NNbbbbbNN......
........NNNNN........
.....................
.....................
''',
}
TOOLBAR_ORDER = ['refresh', 'upload', 'remove', 'initialize', 'download', 'about']
BUTTON = 21


def parse_art(art):
    lines = art.split()
    width = len(lines[0])
    for line in lines:
        if len(line) != width:
            raise ValueError('ragged drawing: ' + line)
    return [[ART_COLOURS[c] for c in line] for line in lines], [[c != '.' for c in line] for line in lines]


def toolbar_rows():
    pictures = []
    for name in TOOLBAR_ORDER:
        rows, _ = parse_art(TOOLBAR_ART[name])
        if len(rows) != BUTTON or len(rows[0]) != BUTTON:
            raise ValueError(name + ' is not 21 x 21')
        pictures.append(rows)
    return [sum((p[y] for p in pictures), []) for y in range(BUTTON)]


# ---------------------------------------------------------------------------
# Icon: a honeycomb cell holding a note (the name is Latin for honey-maker).

ICON_32 = '''
................................
..............KKKK..............
............KKyyyyKK............
..........KKyyyyyyyyKK..........
........KKyyyyOOOOyyyyKK........
......KKyyyyOOyyyyOOyyyyKK......
....KKyyyyOOyyyyyyyyOOyyyyKK....
..KKyyyyOOyyyyyyyyyyyyOOyyyyKK..
..KyyyOOyyyyyyyyyyyyyyyyOOOOOK..
..KyyOyyywwyyyyyKKyyyyyyyyyOOK..
..KyyOyywyyyyyyyKKKKyyyyyyyOOK..
..KyyOywyyyyyyyyKyKKKyyyyyyOOK..
..KyyOywyyyyyyyyKyyyKKyyyyyOOK..
..KyyOyyyyyyyyyyKyyyyKyyyyyOOK..
..KyyOyyyyyyyyyyKyyyyKyyyyyOOK..
..KyyOyyyyyyyyyyKyyyKyyyyyyOOK..
..KyyOyyyyyyyyyyKyyyyyyyyyyOOK..
..KyyOyyyyyyKKKKKyyyyyyyyyyOOK..
..KyyOyyyyyKKKKKKyyyyyyyyyyOOK..
..KyyOyyyyKKKKKKKyyyyyyyyyyOOK..
..KyyOyyyyKKKKKKKyyyyyyyyyyOOK..
..KyyOyyyyyKKKKKyyyyyyyyyyyOOK..
..KyyOyyyyyyyyyyyyyyyyyyyyyOOK..
..KyyyOyyyyyyyyyyyyyyyyyyyOOOK..
..KKyyOOyyyyyyyyyyyyyyyyOOOOKK..
....KKOOOOyyyyyyyyyyyyOOOOKK....
......KKOOOOyyyyyyyyOOOOKK......
........KKOOOOyyyyOOOOKK........
..........KKOOOOOOOOKK..........
............KKOOOOKK............
..............KKKK..............
................................
'''

ICON_16 = '''
.......KK.......
.....KKyyKK.....
...KKyyyyyyKK...
.KKyyyyyKKyyyKK.
.KyyyyyyKKKyyyK.
.KywyyyyKyKKyOK.
.KwyyyyyKyyKyOK.
.KyyyyyyKyyyyOK.
.KyyyyyyKyyyyOK.
.KyyyKKKKyyyyOK.
.KyyKKKKKyyyyOK.
.KyyKKKKyyyyyOK.
.KKyyKKyyyyyOKK.
...KKOOyyOOKK...
.....KKOOKK.....
.......KK.......
'''


def icon_images():
    return [parse_art(ICON_32), parse_art(ICON_16)]


# ---------------------------------------------------------------------------
# A small pixel font: 5 x 7 capitals and digits, lower case with two rows of
# descenders. The header line of each block names the glyphs under it.

FONT_BLOCKS = '''
A     B     C     D     E     F     G     H     I   J     K     L     M
.###. ####. .###. ####. ##### ##### .###. #...# ### ..### #...# #.... #...#
#...# #...# #...# #...# #.... #.... #...# #...# .#. ...#. #..#. #.... ##.##
#...# #...# #.... #...# #.... #.... #.... #...# .#. ...#. #.#.. #.... #.#.#
##### ####. #.... #...# ####. ####. #.### ##### .#. ...#. ##... #.... #.#.#
#...# #...# #.... #...# #.... #.... #...# #...# .#. ...#. #.#.. #.... #...#
#...# #...# #...# #...# #.... #.... #...# #...# .#. #..#. #..#. #.... #...#
#...# ####. .###. ####. ##### #.... .###. #...# ### .##.. #...# ##### #...#

N     O     P     Q     R     S     T     U     V     W     X     Y     Z
#...# .###. ####. .###. ####. .#### ##### #...# #...# #...# #...# #...# #####
#...# #...# #...# #...# #...# #.... ..#.. #...# #...# #...# #...# #...# ....#
##..# #...# #...# #...# #...# #.... ..#.. #...# #...# #...# .#.#. .#.#. ...#.
#.#.# #...# ####. #...# ####. .###. ..#.. #...# #...# #.#.# ..#.. ..#.. ..#..
#..## #...# #.... #.#.# #.#.. ....# ..#.. #...# #...# #.#.# .#.#. ..#.. .#...
#...# #...# #.... #..#. #..#. ....# ..#.. #...# .#.#. #.#.# #...# ..#.. #....
#...# .###. #.... .##.# #...# ####. ..#.. .###. ..#.. .#.#. #...# ..#.. #####

a     b     c     d     e     f    g     h     i j   k    l  m
..... #.... ..... ....# ..... ..## ..... #.... # ..# #... #. .....
..... #.... ..... ....# ..... .#.. ..... #.... . ... #... #. .....
.###. #.##. .###. .##.# .###. ###. .#### #.##. # ..# #..# #. ##.#.
....# ##..# #.... #..## #...# .#.. #...# ##..# # ..# #.#. #. #.#.#
.#### #...# #.... #...# ##### .#.. #...# #...# # ..# ##.. #. #.#.#
#...# #...# #...# #...# #.... .#.. #...# #...# # ..# #.#. #. #...#
.#### ####. .###. .#### .###. .#.. .#### #...# # ..# #..# .# #...#
..... ..... ..... ..... ..... .... ....# ..... . #.# .... .. .....
..... ..... ..... ..... ..... .... .###. ..... . .#. .... .. .....

n     o     p     q     r     s     t    u     v     w     x     y     z
..... ..... ..... ..... ..... ..... .... ..... ..... ..... ..... ..... .....
..... ..... ..... ..... ..... ..... .#.. ..... ..... ..... ..... ..... .....
#.##. .###. ####. .#### #.##. .#### ###. #...# #...# #...# #...# #...# #####
##..# #...# #...# #...# ##..# #.... .#.. #...# #...# #...# .#.#. #...# ...#.
#...# #...# #...# #...# #.... .###. .#.. #...# #...# #.#.# ..#.. #...# ..#..
#...# #...# #...# #...# #.... ....# .#.# #..## .#.#. #.#.# .#.#. #...# .#...
#...# .###. ####. .#### #.... ####. ..#. .##.# ..#.. .#.#. #...# .#### #####
..... ..... #.... ....# ..... ..... .... ..... ..... ..... ..... ....# .....
..... ..... #.... ....# ..... ..... .... ..... ..... ..... ..... .###. .....

0     1     2     3     4     5     6     7     8     9     . ,  -    ! ' : (  )  /
.###. ..#.. .###. ##### ...#. ##### ..##. ##### .###. .###. . .. .... # # . .# #. ...#
#...# .##.. #...# ...#. ..##. #.... .#... ....# #...# #...# . .. .... # # . #. .# ...#
#..## ..#.. ....# ..#.. .#.#. ####. #.... ...#. #...# #...# . .. .... # . # #. .# ..#.
#.#.# ..#.. ...#. ...#. #..#. ....# ####. ..#.. .###. .#### . .. #### # . . #. .# .#..
##..# ..#.. ..#.. ....# ##### ....# #...# .#... #...# ....# . .. .... # . . #. .# .#..
#...# ..#.. .#... #...# ...#. #...# #...# .#... #...# ...#. . .# .... . . # #. .# #...
.###. .###. ##### .###. ...#. .###. .###. .#... .###. .##.. # .# .... # . . .# #. #...
..... ..... ..... ..... ..... ..... ..... ..... ..... ..... . #. .... . . . .. .. ....
..... ..... ..... ..... ..... ..... ..... ..... ..... ..... . .. .... . . . .. .. ....
'''
FONT_HEIGHT = 9


def _parse_font():
    glyphs = {' ': [[False] * 3 for _ in range(FONT_HEIGHT)]}
    for block in FONT_BLOCKS.strip('\n').split('\n\n'):
        lines = block.split('\n')
        names = lines[0].split()
        columns = [[] for _ in names]
        for line in lines[1:]:
            cells = line.split()
            if len(cells) != len(names):
                raise ValueError('font row does not match its header: ' + line)
            for i, cell in enumerate(cells):
                columns[i].append([c == '#' for c in cell])
        for name, col in zip(names, columns):
            if len({len(r) for r in col}) != 1 or len(col) > FONT_HEIGHT:
                raise ValueError('glyph %r is not a rectangle' % name)
            # blocks without descenders stop after seven rows
            glyphs[name] = col + [[False] * len(col[0]) for _ in range(FONT_HEIGHT - len(col))]
    return glyphs


FONT = _parse_font()


def text_mask(text, spacing=1):
    """The text as a FONT_HEIGHT-row grid of booleans."""
    rows = [[] for _ in range(FONT_HEIGHT)]
    for n, ch in enumerate(text):
        glyph = FONT[ch]
        for y in range(FONT_HEIGHT):
            rows[y].extend(glyph[y] + ([False] * spacing if n + 1 < len(text) else []))
    return rows


def scale2x(mask):
    """Doubles a bitmap and rounds its diagonal steps (the EPX rule), so scaled-up
    letters keep smooth curves instead of stair steps."""
    h, w = len(mask), len(mask[0])

    def at(x, y):
        return mask[y][x] if 0 <= x < w and 0 <= y < h else False
    out = [[False] * (2 * w) for _ in range(2 * h)]
    for y in range(h):
        for x in range(w):
            p, a, b, c, d = at(x, y), at(x, y - 1), at(x + 1, y), at(x - 1, y), at(x, y + 1)
            out[2 * y][2 * x] = a if (c == a and c != d and a != b) else p
            out[2 * y][2 * x + 1] = b if (a == b and a != c and b != d) else p
            out[2 * y + 1][2 * x] = c if (d == c and d != b and c != a) else p
            out[2 * y + 1][2 * x + 1] = d if (b == d and b != a and d != c) else p
    return out


# ---------------------------------------------------------------------------
# Transfer animation: a PC at the left, the player at the right, song pages flying
# from one to the other. Indexed pixel art on its own palette.

CLIP_W, CLIP_H, CLIP_FRAMES, CLIP_FPS = 260, 40, 17, 10

CLIP_PALETTE = [
    (192, 192, 192),   # 0 background: the dialog face, taken as transparent
    (0, 0, 0),         # 1 outline
    (255, 255, 255),   # 2 white
    (128, 128, 128),   # 3 dark gray
    (232, 228, 216),   # 4 case
    (176, 172, 160),   # 5 case shadow
    (248, 246, 240),   # 6 case highlight
    (0, 0, 128),       # 7 screen
    (40, 80, 200),     # 8 screen lit
    (120, 176, 255),   # 9 screen text
    (0, 0, 255),       # 10 player body
    (0, 0, 144),       # 11 player shadow
    (96, 160, 255),    # 12 player highlight
    (144, 240, 112),   # 13 player display
    (32, 112, 32),     # 14 display text
    (0, 200, 0),       # 15 power light
    (160, 160, 160),   # 16 trail dots
    (216, 216, 216),   # 17 page shadow side
    (0, 0, 192),       # 18 note on the page
    (255, 224, 0),     # 19 activity light
    (208, 208, 216),   # 20 player buttons (not the background gray: that one turns transparent)
]


class Canvas:
    """Palette-indexed picture with a few drawing primitives."""

    def __init__(self, width, height, fill=0):
        self.w, self.h = width, height
        self.px = [[fill] * width for _ in range(height)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(y0, 0), min(y1, self.h - 1) + 1):
            for x in range(max(x0, 0), min(x1, self.w - 1) + 1):
                self.px[y][x] = c

    def rounded(self, x0, y0, x1, y1, r, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                dx = max(x0 + r - x, 0, x - (x1 - r))
                dy = max(y0 + r - y, 0, y - (y1 - r))
                if dx * dx + dy * dy <= r * r + r * 0.8:
                    self.put(x, y, c)

    def sprite(self, art, x0, y0, colours):
        for y, line in enumerate(art.split()):
            for x, ch in enumerate(line):
                if ch != '.':
                    self.put(x0 + x, y0 + y, colours[ch])


PAGE = '''
KKKKKKK....
KwwwwwKK...
KwwwwwKwK..
KwwwwwKKKK.
KwwwwwwwSK.
KwwwwNNwSK.
KwwwwNwNSK.
KwwwwNwwSK.
KwwNNNwwSK.
KwNNNNwwSK.
KwwNNwwwSK.
KwwwwwwwSK.
KSSSSSSSSK.
KKKKKKKKKK.
'''
PAGE_COLOURS = {'K': 1, 'w': 2, 'S': 17, 'N': 18}


def _draw_pc(cv, sending):
    # desktop case
    cv.rect(4, 27, 54, 37, 1)
    cv.rect(5, 28, 53, 36, 4)
    cv.rect(5, 28, 53, 28, 6)
    cv.rect(5, 36, 53, 36, 5)
    cv.rect(53, 28, 53, 36, 5)
    cv.rect(9, 31, 24, 32, 3)               # drive slot
    cv.rect(9, 31, 24, 31, 1)
    cv.rect(46, 31, 48, 32, 19 if sending else 5)  # disk light
    cv.rect(41, 31, 43, 32, 15)             # power light
    # monitor stand
    cv.rect(21, 24, 37, 27, 1)
    cv.rect(22, 24, 36, 26, 5)
    cv.rect(22, 24, 36, 24, 4)
    # monitor
    cv.rect(9, 1, 49, 24, 1)
    cv.rect(10, 2, 48, 23, 4)
    cv.rect(10, 2, 48, 2, 6)
    cv.rect(10, 2, 10, 23, 6)
    cv.rect(48, 3, 48, 23, 5)
    cv.rect(11, 23, 48, 23, 5)
    cv.rect(13, 4, 45, 20, 1)
    cv.rect(14, 5, 44, 19, 7)
    cv.rect(14, 5, 44, 7, 8)                # title bar of a window on the screen
    for i, y in enumerate(range(9, 19, 2)):  # its song list
        cv.rect(16, y, 16 + (22, 17, 25, 14, 20)[i], y, 9)
    cv.rect(43, 21, 44, 21, 15)


def _draw_player(cv, receiving):
    x0, y0, x1, y1 = 227, 3, 253, 37
    cv.rounded(x0, y0, x1, y1, 4, 1)
    cv.rounded(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 3, 11)
    cv.rounded(x0 + 1, y0 + 1, x1 - 2, y1 - 2, 3, 10)
    cv.rect(x0 + 2, y0 + 3, x0 + 2, y1 - 4, 12)
    cv.rect(x0 + 4, y0 + 1, x1 - 4, y0 + 1, 12)
    # display
    cv.rect(x0 + 5, y0 + 4, x1 - 5, y0 + 15, 1)
    cv.rect(x0 + 6, y0 + 5, x1 - 6, y0 + 14, 13)
    cv.sprite('''
....KK..
....KKK.
....K.KK
..KKK...
.KKKK...
..KK....
''', x0 + 7, y0 + 6, {'K': 14})
    cv.rect(x0 + 15, y0 + 8, x1 - 7, y0 + 8, 14)
    cv.rect(x0 + 15, y0 + 10, x1 - 9, y0 + 10, 14)
    # a bar on the display shows while a page goes in
    if receiving:
        cv.rect(x0 + 7, y0 + 13, x1 - 7, y0 + 13, 14)
    # buttons
    for bx, by in ((x0 + 6, y0 + 19), (x1 - 10, y0 + 19), (x0 + 6, y0 + 25), (x1 - 10, y0 + 25)):
        cv.rounded(bx, by, bx + 4, by + 4, 2, 1)
        cv.rect(bx + 1, by + 1, bx + 3, by + 3, 20)
        cv.rect(bx + 1, by + 1, bx + 2, by + 1, 2)
        cv.rect(bx + 3, by + 3, bx + 3, by + 3, 3)


PATH_START, PATH_END = 29, 240      # the page's centre: inside the monitor, inside the player
PAGE_W, PAGE_H = 11, 14


def _page_at(t):
    """Top-left corner of a page that has gone fraction t of the way."""
    cx = PATH_START + (PATH_END - PATH_START) * t
    cy = 16 - 7 * math.sin(math.pi * t)
    return round(cx - PAGE_W / 2), round(cy - PAGE_H / 2)


def transfer_frames():
    frames = []
    trail = [_page_at(k / 20) for k in range(21)]
    for i in range(CLIP_FRAMES):
        cv = Canvas(CLIP_W, CLIP_H)
        for x, y in trail:
            cv.rect(x + 5, y + 7, x + 6, y + 8, 16)
        # Two pages half a trip apart keep the flow steady. A trip starts hidden in
        # the PC and ends hidden in the player, so the last frame runs on into the first.
        trips = (i / CLIP_FRAMES, ((i + CLIP_FRAMES / 2) / CLIP_FRAMES) % 1.0)
        for t in trips:
            x, y = _page_at(t)
            cv.sprite(PAGE, x, y, PAGE_COLOURS)
        _draw_pc(cv, any(t < 0.2 for t in trips))
        _draw_player(cv, any(t > 0.8 for t in trips))
        frames.append(cv.px)
    return frames


# ---------------------------------------------------------------------------
# Splash picture: drawn in full colour with smoothed edges, then reduced to the
# 256 colours an 8-bit bitmap can hold.

SPLASH_W, SPLASH_H = 300, 160
SAMPLES = 4                          # sub-pixels per axis for smooth edges


class RGBCanvas:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[(0.0, 0.0, 0.0)] * width for _ in range(height)]

    def blend(self, x, y, colour, alpha):
        if alpha <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        r, g, b = self.px[y][x]
        a = min(alpha, 1.0)
        self.px[y][x] = (r + (colour[0] - r) * a, g + (colour[1] - g) * a, b + (colour[2] - b) * a)

    def coverage(self, inside, box):
        """Fraction of each pixel in box for which inside(x, y) holds."""
        x0, y0, x1, y1 = (int(math.floor(v)) for v in box)
        out = {}
        step = 1.0 / SAMPLES
        for y in range(max(y0, 0), min(y1 + 1, self.h)):
            for x in range(max(x0, 0), min(x1 + 1, self.w)):
                n = 0
                for j in range(SAMPLES):
                    for i in range(SAMPLES):
                        if inside(x + (i + 0.5) * step, y + (j + 0.5) * step):
                            n += 1
                if n:
                    out[(x, y)] = n / (SAMPLES * SAMPLES)
        return out

    def paint(self, cov, colour, alpha=1.0):
        for (x, y), a in cov.items():
            c = colour(x, y) if callable(colour) else colour
            self.blend(x, y, c, a * alpha)

    def fill(self, inside, box, colour, alpha=1.0):
        self.paint(self.coverage(inside, box), colour, alpha)


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside, (x0, y0, x1, y1)


def circle(cx, cy, r):
    return (lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r), (cx - r, cy - r, cx + r, cy + r)


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))


def blur(cov, radius):
    """Box blur of a coverage map, for soft shadows."""
    for axis in (0, 1):
        out = {}
        for (x, y), a in cov.items():
            for d in range(-radius, radius + 1):
                key = (x + d, y) if axis == 0 else (x, y + d)
                out[key] = out.get(key, 0.0) + a / (2 * radius + 1)
        cov = out
    return cov


def text_coverage(text, left, top, scale, bold=0):
    """Coverage of text set in FONT, scaled by any factor, smoothed.
    bold thickens strokes by that many eighths of a font pixel."""
    mask = text_mask(text)
    for _ in range(3):
        mask = scale2x(mask)        # 8 sub-pixels per font pixel
    if bold:
        h, w = len(mask), len(mask[0])
        grown = [row[:] for row in mask]
        for y in range(h):
            for x in range(w):
                if mask[y][x]:
                    for dy in range(-bold, bold + 1):
                        for dx in range(-bold, bold + 1):
                            if dx * dx + dy * dy <= bold * bold and 0 <= y + dy < h and 0 <= x + dx < w:
                                grown[y + dy][x + dx] = True
        mask = grown
    h, w = len(mask), len(mask[0])
    k = 8.0 / scale

    def inside(x, y):
        mx, my = int((x - left) * k), int((y - top) * k)
        return 0 <= mx < w and 0 <= my < h and mask[my][mx]
    pad = bold / 8.0 * scale + 1
    box = (left - pad, top - pad, left + w / k + pad, top + h / k + pad)
    return inside, box


def _honeycomb_edge(x, y, size):
    """Distance from (x, y) to the nearest wall of a flat-topped hexagon grid."""
    # axial coordinates of the cell that holds the point
    q = (2.0 / 3.0 * x) / size
    r = (-1.0 / 3.0 * x + math.sqrt(3) / 3.0 * y) / size
    cx, cz = q, -q - r
    cy = r
    rx, ry, rz = round(cx), round(cy), round(cz)
    dx, dy, dz = abs(rx - cx), abs(ry - cy), abs(rz - cz)
    if dx > dy and dx > dz:
        rx = -ry - rz
    elif dy > dz:
        ry = -rx - rz
    centre_x = size * 1.5 * rx
    centre_y = size * math.sqrt(3) * (ry + rx / 2.0)
    px, py = abs(x - centre_x), abs(y - centre_y)
    apothem = size * math.sqrt(3) / 2.0
    # distance to the hexagon's edge along its three wall normals
    d = max(py, px * math.sqrt(3) / 2.0 + py / 2.0)
    return apothem - d


def splash_rgb():
    cv = RGBCanvas(SPLASH_W, SPLASH_H)
    top, bottom = (255, 226, 130), (222, 140, 24)
    cell = 15.0
    for y in range(SPLASH_H):
        for x in range(SPLASH_W):
            base = mix(top, bottom, (y / SPLASH_H) * 0.8 + (x / SPLASH_W) * 0.2)
            e = _honeycomb_edge(x + 0.5 + 7, y + 0.5 + 3, cell)
            wall = min(max(1.6 - e, 0.0), 1.0)        # soft wax walls
            # the comb fades out behind the name on the left
            strength = 0.25 + 0.55 * min(max((x - 60) / 200.0, 0.0), 1.0)
            c = mix(base, (255, 244, 200), 0.55 * min(max(2.6 - e, 0.0), 1.0) * strength)
            c = mix(c, (176, 96, 8), wall * strength)
            cv.px[y][x] = c

    # the player, standing at the right
    _splash_player(cv, 238, 34)

    # the name, with a soft shadow, a dark rim and a light face
    title = 'Mellifon'
    scale = 5.5
    left, ttop = 16, 42
    inside, box = text_coverage(title, left, ttop, scale, bold=2)
    face = cv.coverage(inside, box)
    shadow = blur({(x + 4, y + 4): a for (x, y), a in face.items()}, 2)
    cv.paint(shadow, (90, 44, 0), 0.55)
    inside_o, box_o = text_coverage(title, left, ttop, scale, bold=6)
    cv.paint(cv.coverage(inside_o, box_o), (72, 34, 0))
    cv.paint(face, lambda x, y: mix((255, 255, 250), (255, 214, 90), (y - ttop) / (7 * scale)))

    line = 'Songs for your portable player'
    inside_t, box_t = text_coverage(line, 18, 102, 1.25, bold=1)
    cv.paint(cv.coverage(inside_t, box_t), (80, 40, 0))
    return cv


def _triangle(ax, ay, bx, by, cx, cy):
    def side(px, py, x0, y0, x1, y1):
        return (px - x1) * (y0 - y1) - (x0 - x1) * (py - y1)

    def inside(px, py):
        d1, d2, d3 = side(px, py, ax, ay, bx, by), side(px, py, bx, by, cx, cy), side(px, py, cx, cy, ax, ay)
        return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))
    return inside, (min(ax, bx, cx), min(ay, by, cy), max(ax, bx, cx), max(ay, by, cy))


def _splash_player(cv, x, y):
    w, h = 46, 96
    outline = (10, 10, 40)
    shadow = cv.coverage(*rounded_rect(x + 5, y + 5, x + w + 5, y + h + 5, 8))
    cv.paint(blur(shadow, 2), (110, 58, 0), 0.45)
    cv.fill(*rounded_rect(x - 1.2, y - 1.2, x + w + 1.2, y + h + 1.2, 9), outline)
    cv.fill(*rounded_rect(x, y, x + w, y + h, 8),
            lambda px, py: mix((70, 110, 255), (10, 20, 150), (px - x) / w * 0.7 + (py - y) / h * 0.3))
    # gloss along the left edge
    cv.fill(*rounded_rect(x + 3, y + 5, x + 7, y + h - 8, 2), (150, 190, 255), 0.5)
    # display
    cv.fill(*rounded_rect(x + 7, y + 8, x + w - 7, y + 40, 2), outline)
    cv.fill(*rounded_rect(x + 9, y + 10, x + w - 9, y + 38, 1),
            lambda px, py: mix((190, 255, 170), (110, 200, 90), (py - y - 10) / 28))
    ink = (30, 80, 30)
    cv.fill(*_note_shape(x + 11, y + 13), ink)
    for row, length in ((15, 9), (20, 6), (25, 8)):
        cv.fill(*rounded_rect(x + 25, y + row, x + 25 + length, y + row + 1.6, 0.8), ink)
    cv.fill(*rounded_rect(x + 12, y + 33, x + w - 12, y + 35.5, 1), ink, 0.35)
    cv.fill(*rounded_rect(x + 12, y + 33, x + 26, y + 35.5, 1), ink)
    # play, stop, back and forward
    light, dark = (245, 245, 245), (150, 150, 160)
    for n, (bx, by) in enumerate(((x + 14, y + 54), (x + w - 14, y + 54),
                                  (x + 14, y + 71), (x + w - 14, y + 71))):
        cv.fill(*circle(bx, by, 7), outline)
        cv.fill(*circle(bx, by, 6), lambda px, py: mix(light, dark, ((px - bx) + (py - by)) / 12 + 0.5))
        if n == 0:
            cv.fill(*_triangle(bx - 2, by - 3.5, bx - 2, by + 3.5, bx + 3.5, by), outline)
        elif n == 1:
            cv.fill(*rounded_rect(bx - 3, by - 3, bx + 3, by + 3, 0.5), outline)
        else:
            d = -1 if n == 2 else 1
            for off in (-3.5, 0.5):
                tip = bx + d * (off + 3.5) if d > 0 else bx - (off + 3.5)
                base = tip - d * 3.5
                cv.fill(*_triangle(base, by - 3, base, by + 3, tip, by), outline)
    cv.fill(*rounded_rect(x + 9, y + 83, x + w - 9, y + 90, 3.5), outline)
    cv.fill(*rounded_rect(x + 10, y + 84, x + w - 10, y + 89, 2.5), (200, 200, 210))


def _note_shape(x, y):
    """An eighth note, 12 x 20, for the player's display."""
    def inside(px, py):
        u, v = px - x, py - y
        head = ((u - 4.5) / 4.6) ** 2 + ((v - 16.0) / 3.4) ** 2 <= 1.0
        stem = 7.4 <= u <= 9.2 and 1 <= v <= 16
        flag = 9.0 <= u <= 9.0 + 3.5 * math.sin(min(max((v - 1) / 8.0, 0), 1) * math.pi) + 0.2 and 1 <= v <= 10
        return head or stem or flag
    return inside, (x, y, x + 14, y + 21)


def quantize(rgb_rows, count=256):
    """Median cut: splits the picture's colours into count boxes and gives each
    pixel its box's average."""
    rows = [[tuple(int(round(min(max(v, 0), 255))) for v in p) for p in row] for row in rgb_rows]
    counts = {}
    for row in rows:
        for p in row:
            counts[p] = counts.get(p, 0) + 1

    def scored(box):
        # the box to split next is the one with the widest spread, weighted by use
        best = (-1, 0)
        if len(box) > 1:
            weight = math.sqrt(sum(counts[c] for c in box))
            for axis in range(3):
                spread = max(c[axis] for c in box) - min(c[axis] for c in box)
                best = max(best, (spread * weight, axis))
        return best + (box,)

    boxes = [scored(sorted(counts))]
    while len(boxes) < count:
        n = max(range(len(boxes)), key=lambda k: (boxes[k][0], -k))
        score, axis, box = boxes[n]
        if score <= 0:
            break
        box = sorted(box, key=lambda c: (c[axis], c))
        half, acc, cut = sum(counts[c] for c in box) / 2.0, 0, len(box) - 1
        for i, c in enumerate(box[:-1]):
            acc += counts[c]
            if acc >= half:
                cut = i + 1
                break
        boxes[n:n + 1] = [scored(box[:cut]), scored(box[cut:])]
    palette, index_of = [], {}
    for n, (_, _, box) in enumerate(boxes):
        total = sum(counts[c] for c in box)
        palette.append(tuple(int(round(sum(c[k] * counts[c] for c in box) / total)) for k in range(3)))
        for c in box:
            index_of[c] = n
    return palette, [[index_of[p] for p in row] for row in rows]


def splash():
    return quantize(splash_rgb().px)


# ---------------------------------------------------------------------------

def main(argv):
    if len(argv) != 2:
        sys.stderr.write('usage: make_images.py OUTDIR\n')
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    palette, pixels = splash()
    files = {
        'toolbar.bmp': bmp_file(toolbar_rows(), 4, VGA),
        'mellifon.ico': ico_file(icon_images()),
        'transfer.avi': avi_file(transfer_frames(), CLIP_PALETTE, CLIP_FPS),
        'splash.bmp': bmp_file(pixels, 8, palette),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
