"""Reads the generated files back the way Windows does and checks what it relies on.

    python3 -m unittest res/test_make_images.py
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_images  # noqa: E402

FACE = (192, 192, 192)


def make(outdir):
    subprocess.run([sys.executable, os.path.join(HERE, 'make_images.py'), outdir], check=True)
    return {n: open(os.path.join(outdir, n), 'rb').read() for n in sorted(os.listdir(outdir))}


def info(data, at):
    keys = 'size width height planes bpp compression image_size xppm yppm used important'.split()
    return dict(zip(keys, struct.unpack_from('<IiiHHIIiiII', data, at)))


def palette(data, at, count):
    return [tuple(data[at + 4 * i + 2 - k] for k in range(3)) for i in range(count)]


def dib_rows(data, at, width, height, bpp):
    """Uncompressed bottom-up scan lines, returned top to bottom."""
    stride = (width * bpp + 31) // 32 * 4
    rows = []
    for y in range(height):
        line = data[at + y * stride: at + (y + 1) * stride]
        bits = ''.join(format(b, '08b') for b in line)
        rows.append([int(bits[x * bpp:(x + 1) * bpp], 2) for x in range(width)])
    return rows[::-1], stride * height


def rle8_decode(data, width, height):
    """Windows RLE8 without deltas; fails on anything a reader would get wrong."""
    rows, x, y, i = [[None] * width for _ in range(height)], 0, 0, 0
    while True:
        if i + 2 > len(data):
            raise AssertionError('no end-of-bitmap')
        a, b = data[i], data[i + 1]
        i += 2
        if a or b > 2:
            n, pixels = (a, [b] * a) if a else (b, list(data[i:i + b]))
            if not a:
                i += b + (b & 1)          # absolute runs are padded to a word
            if y >= height or x + n > width or len(pixels) != n:
                raise AssertionError('run past the row at (%d, %d)' % (x, y))
            rows[y][x:x + n] = pixels
            x += n
        elif b == 0:
            if x != width:
                raise AssertionError('row %d ends at %d' % (y, x))
            x, y = 0, y + 1
        elif b == 1:
            if y != height or i != len(data):
                raise AssertionError('end-of-bitmap after %d rows, %d bytes left' % (y, len(data) - i))
            return rows[::-1]
        else:
            raise AssertionError('unexpected delta')


def riff(data, at, end):
    """(fourcc, list type or None, payload offset, payload size) of each chunk."""
    out = []
    while at < end:
        fourcc, size = struct.unpack_from('<4sI', data, at)
        kind = data[at + 8:at + 12] if fourcc in (b'RIFF', b'LIST') else None
        out.append((fourcc, kind, at + 8, size))
        at += 8 + size + (size & 1)
    if at != end:
        raise AssertionError('chunks overrun their list')
    return out


class GeneratedFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            cls.files, cls.again = make(a), make(b)

    def test_all_four_files_same_bytes_every_run(self):
        self.assertEqual(sorted(self.files), ['mellifon.ico', 'splash.bmp', 'toolbar.bmp', 'transfer.avi'])
        self.assertEqual(self.files, self.again)

    def read_bmp(self, name, width, height, bpp):
        data = self.files[name]
        magic, size, _, _, offset = struct.unpack_from('<2sIHHI', data)
        self.assertEqual((magic, size), (b'BM', len(data)))
        h = info(data, 14)
        self.assertEqual((h['size'], h['width'], h['height'], h['planes'], h['bpp'], h['compression'], h['used']),
                         (40, width, height, 1, bpp, 0, 1 << bpp))
        self.assertEqual(offset, 14 + 40 + 4 * (1 << bpp))
        rows, length = dib_rows(data, offset, width, height, bpp)
        self.assertEqual(offset + length, len(data))
        return rows, palette(data, 54, 1 << bpp)

    def test_toolbar_is_six_buttons_on_the_face_colour(self):
        rows, pal = self.read_bmp('toolbar.bmp', 126, 21, 4)
        self.assertEqual(pal, make_images.VGA)
        self.assertEqual(rows, make_images.toolbar_rows())
        for n in range(6):
            cell = [r[21 * n:21 * (n + 1)] for r in rows]
            edge = cell[0] + cell[-1] + [r[0] for r in cell] + [r[-1] for r in cell]
            self.assertEqual({pal[c] for c in edge}, {FACE}, 'button %d' % n)
            self.assertGreater(sum(c != 7 for r in cell for c in r), 60, 'button %d is nearly empty' % n)

    def test_splash_keeps_the_drawing_in_256_colours(self):
        rows, pal = self.read_bmp('splash.bmp', 300, 160, 8)
        drawn = make_images.splash_rgb().px
        error = sum(abs(pal[c][k] - v[k]) for r, d in zip(rows, drawn) for c, v in zip(r, d) for k in range(3))
        self.assertLess(error / (300 * 160 * 3), 3.0)
        self.assertGreater(len(set(c for r in rows for c in r)), 128)

    def test_icon_has_32_and_16_pixel_images_with_masks(self):
        data = self.files['mellifon.ico']
        self.assertEqual(struct.unpack_from('<HHH', data), (0, 1, 2))
        end = 6 + 2 * 16
        for n, (size, art) in enumerate(((32, make_images.ICON_32), (16, make_images.ICON_16))):
            w, h, colours, _, planes, bpp, length, offset = struct.unpack_from('<BBBBHHII', data, 6 + 16 * n)
            self.assertEqual((w, h, colours, planes, bpp, offset), (size, size, 16, 1, 4, end))
            end += length
            hd = info(data, offset)
            xor_at = offset + 40 + 64
            xor, xor_len = dib_rows(data, xor_at, size, size, 4)
            mask, mask_len = dib_rows(data, xor_at + xor_len, size, size, 1)
            self.assertEqual((hd['size'], hd['width'], hd['height'], hd['bpp']), (40, size, 2 * size, 4))
            self.assertEqual(length, 40 + 64 + xor_len + mask_len)
            self.assertEqual(palette(data, offset + 40, 16), make_images.VGA)
            clear = [[c == '.' for c in line] for line in art.split()]
            self.assertEqual(mask, [[int(c) for c in line] for line in clear])
            self.assertTrue(all(p == 0 for r, m in zip(xor, clear) for p, t in zip(r, m) if t))
            self.assertTrue(clear[0][0] and not clear[size // 2][size // 2])
        self.assertEqual(end, len(data))

    def test_clip_is_what_the_animation_control_opens(self):
        data = self.files['transfer.avi']
        (top,) = riff(data, 0, len(data))
        self.assertEqual(top[:2], (b'RIFF', b'AVI '))
        self.assertEqual(top[2] + top[3], len(data))
        sections = riff(data, top[2] + 4, top[2] + top[3])
        self.assertEqual([s[:2] for s in sections], [(b'LIST', b'hdrl'), (b'LIST', b'movi'), (b'idx1', None)])
        hdrl, movi, idx1 = sections
        avih, strl = riff(data, hdrl[2] + 4, hdrl[2] + hdrl[3])   # one stream: no sound
        self.assertEqual((avih[0], strl[:2]), (b'avih', (b'LIST', b'strl')))
        usec, _, _, flags, frames, _, streams, _, width, height = struct.unpack_from('<10I', data, avih[2])
        self.assertEqual((usec, frames, streams, width, height), (100000, 17, 1, 260, 40))
        self.assertTrue(flags & 0x10)
        strh, strf = riff(data, strl[2] + 4, strl[2] + strl[3])
        kind, handler, _, _, _, _, scale, rate, _, length = struct.unpack_from('<4s4sIHHIIIII', data, strh[2])
        self.assertEqual((kind, rate / scale, length), (b'vids', 10, 17))
        self.assertIn(handler, (b'\0\0\0\0', b'mrle'))
        hd = info(data, strf[2])
        self.assertEqual((hd['size'], hd['width'], hd['height'], hd['bpp'], hd['compression'], hd['used']),
                         (40, 260, 40, 8, 1, 256))
        self.assertEqual(strf[3], 40 + 1024)
        pal = palette(data, strf[2] + 40, 256)

        chunks = riff(data, movi[2] + 4, movi[2] + movi[3])
        self.assertEqual([c[0] for c in chunks], [b'00dc'] * 17)
        self.assertEqual(idx1[3], 17 * 16)
        movi_fourcc = movi[2]
        drawn = make_images.transfer_frames()
        decoded = []
        for n, chunk in enumerate(chunks):
            ckid, iflags, offset, size = struct.unpack_from('<4sIII', data, idx1[2] + 16 * n)
            self.assertEqual((ckid, iflags & 0x10, size), (b'00dc', 0x10, chunk[3]))
            self.assertEqual(movi_fourcc + offset + 8, chunk[2], 'index entry %d' % n)
            self.assertLessEqual(size, hd['image_size'])
            frame = rle8_decode(data[chunk[2]:chunk[2] + size], 260, 40)
            self.assertEqual(frame, drawn[n], 'frame %d' % n)
            decoded.append(frame)
        # the transparent style keys on the corner colour: only the background may have it
        for frame in decoded:
            self.assertEqual({pal[frame[y][x]] for y in (0, 39) for x in (0, 259)}, {FACE})
        self.assertEqual([i for i, c in enumerate(pal) if c == FACE], [decoded[0][0][0]])
        self.assertEqual(len({tuple(map(tuple, f)) for f in decoded}), 17)


class Rle8(unittest.TestCase):
    def test_runs_and_literals_of_every_awkward_length(self):
        width = 600
        rows = [
            [7] * width,                                         # runs longer than 255
            [i % 256 for i in range(width)],                     # literals longer than 255
            ([1, 2] * 300),                                      # nothing repeats
            [3] + [4] * 2 + [5] * 3 + [6, 7] + [8] * 300 + [9, 10, 11] + [0] * 289,
            ([5, 6, 7] + [0] * 4) * 85 + [1, 2, 3, 4, 5],        # odd literals: padding
            [9] * 255 + [1, 2] + [9] * 256 + [i % 7 for i in range(87)],
        ]
        for literal in (1, 2, 3, 4, 255, 256, 257):              # literal tails of each size
            rows.append([9] * (width - literal) + [(i * 37) % 251 + 1 for i in range(literal)])
        encoded = make_images.rle8_encode(rows)
        self.assertEqual(rle8_decode(encoded, width, len(rows)), rows)


if __name__ == '__main__':
    unittest.main()
