#!/usr/bin/env python3
"""Reads still image files back with decoders that are not the library's own (Pillow,
ImageMagick) and compares them with the pictures they were made from.

usage: check_still_files.py MANIFEST
Each line of MANIFEST: FILE FORMAT BITS WIDTH HEIGHT SIGNIFICANT_BITS REFERENCE, where
REFERENCE holds the picture as the camera keeps it: HEIGHT rows at a stride padded to
4 bytes, top row first, blue before red, 16-bit samples little-endian. Exit status 0
when every file passes; each failure is printed."""

import array
import math
import shutil
import struct
import subprocess
import sys

from PIL import Image

JPEG_QUALITY = {2: 100, 3: 70, 4: 20}
# Lowest peak signal-to-noise ratio (dB) of each quality, grey and colour, against the 8-bit
# picture encoded. Colour files carry red and blue at half resolution (libjpeg's default
# 2 x 2 chroma subsampling), which caps them near 37 dB on the camera's sharp-edged scene.
JPEG_MIN_PSNR = {(100, True): 50.0, (70, True): 33.0, (20, True): 23.0,
                 (100, False): 35.0, (70, False): 31.0, (20, False): 27.0}
# The first step (16) of the standard luminance table as libjpeg scales it per quality.
JPEG_DC_STEP = {100: 1, 70: 10, 20: 40}
PNG_COLOUR_TYPE = {8: 0, 16: 0, 24: 2, 32: 6, 48: 2, 64: 6}
MAGICK = shutil.which('convert-im6.q16') or '/usr/bin/convert'


class Picture:
    """The reference picture: its samples per pixel in memory order (blue first)."""

    def __init__(self, data, bits, width, height, significant):
        self.data, self.bits, self.width, self.height = data, bits, width, height
        self.significant = significant
        self.stride = (width * (bits // 8) + 3) & ~3
        self.wide = bits in (16, 48, 64)
        self.spp = {8: 1, 16: 1, 24: 3, 32: 4, 48: 3, 64: 4}[bits]
        row_bytes = width * bits // 8
        packed = b''.join(data[y * self.stride:y * self.stride + row_bytes] for y in range(height))
        if self.wide:
            self.samples = array.array('H')
            self.samples.frombytes(packed)
            if sys.byteorder != 'little':
                self.samples.byteswap()
        else:
            self.samples = packed

    def rows_bottom_up(self):
        return b''.join(self.data[y * self.stride:(y + 1) * self.stride] for y in reversed(range(self.height)))

    def channels(self, op, fourth=None):
        """Grey samples, or red, green, blue (and `fourth` of the fourth sample) per pixel."""
        s = self.samples
        if self.spp == 1:
            return [op(v) for v in s]
        out = []
        for i in range(0, len(s), self.spp):
            out += (op(s[i + 2]), op(s[i + 1]), op(s[i]))
            if fourth is not None:
                out.append(fourth(s[i + 3]))
        return out

    def shift(self):
        return 4 if self.significant == 12 else 6


def magick_samples(path, depth, layout):
    raw = subprocess.run([MAGICK, path, '-depth', str(depth), '-endian', 'LSB', layout + ':-'],
                         check=True, capture_output=True).stdout
    if depth == 8:
        return list(raw)
    a = array.array('H')
    a.frombytes(raw)
    if sys.byteorder != 'little':
        a.byteswap()
    return list(a)


def identify(path):
    out = subprocess.run([MAGICK.replace('convert', 'identify'), '-format', '%m %w %h %z', path],
                         check=True, capture_output=True, text=True).stdout.split()
    return out[0], int(out[1]), int(out[2]), int(out[3])


def check_bitmap(path, pic):
    f = open(path, 'rb').read()
    magic, size, _, _, offset = struct.unpack('<2sIHHI', f[:14])
    header = struct.unpack('<IiiHHIIiiII', f[14:54])
    want_offset = 1078 if pic.bits <= 8 else 54
    assert (magic, offset, size, len(f)) == (b'BM', want_offset, want_offset + pic.height * pic.stride, size), \
        ('file header', magic, offset, size, len(f))
    assert header == (40, pic.width, pic.height, 1, pic.bits, 0, 0, 0, 0, 0, 0), ('info header', header)
    if pic.bits == 8:
        assert f[54:1078] == bytes(c for i in range(256) for c in (i, i, i, 0)), 'colour table is not the grey ramp'
    assert f[offset:] == pic.rows_bottom_up(), 'pixels are not the picture bottom row first'
    if pic.bits in (8, 24, 32):  # the depths a standard decoder knows
        with Image.open(path) as im:
            decoded = list(im.convert('L' if pic.bits == 8 else 'RGB').tobytes())
        assert decoded == pic.channels(lambda v: v), 'Pillow does not see the picture upright'


def check_raw(path, pic):
    assert open(path, 'rb').read() == pic.data, 'raw dump differs from the picture'


def check_jpeg(path, pic, quality):
    grey = pic.spp == 1
    with Image.open(path) as im:
        assert (im.format, im.mode, im.size) == ('JPEG', 'L' if grey else 'RGB', (pic.width, pic.height)), \
            (im.format, im.mode, im.size)
        assert im.info.get('progressive') or im.info.get('progression'), 'not progressive'
        assert im.quantization[0][0] == JPEG_DC_STEP[quality], ('quality', im.quantization[0][0])
        decoded = list(im.tobytes())
    down = 0 if pic.bits in (8, 24, 32) else (4 if pic.significant == 12 else 2)
    want = pic.channels(lambda v: (v >> down) & 255)
    mse = sum((a - b) ** 2 for a, b in zip(decoded, want)) / len(want)
    psnr = math.inf if mse == 0 else 10 * math.log10(255 ** 2 / mse)
    floor = JPEG_MIN_PSNR[quality, grey]
    assert psnr >= floor, ('PSNR %.1f dB below %.1f' % (psnr, floor))


def check_png(path, pic):
    f = open(path, 'rb').read(26)
    width, height, depth, colour = struct.unpack('>IIBB', f[16:26])
    assert (width, height, depth, colour) == (pic.width, pic.height, 16 if pic.wide else 8,
                                              PNG_COLOUR_TYPE[pic.bits]), ('IHDR', width, height, depth, colour)
    sh = pic.shift()
    widen = (lambda v: (v << sh) & 0xFFFF) if pic.wide else (lambda v: v)
    alpha = {32: lambda a: 255 - a, 64: lambda a: 65535}.get(pic.bits)
    want = pic.channels(widen, alpha)
    layout = {1: 'gray', 3: 'rgb', 4: 'rgba'}[pic.spp]
    assert magick_samples(path, 16 if pic.wide else 8, layout) == want, 'samples differ'
    if pic.bits in (8, 16, 24, 32):
        with Image.open(path) as im:
            got = list(im.getdata()) if pic.bits == 16 else list(im.tobytes())
        assert got == want, 'Pillow reads other samples'


def check_tiff(path, pic):
    with Image.open(path) as im:
        tags = im.tag_v2
        bps = 16 if pic.wide else 8
        assert (tags[256], tags[257], tags[259], tags[284]) == (pic.width, pic.height, 1, 1), 'size or layout tags'
        assert tuple(tags[258]) == (bps,) * pic.spp, ('BitsPerSample', tags[258])
        assert (tags[262], tags[277]) == (1 if pic.spp == 1 else 2, pic.spp), ('Photometric/SamplesPerPixel')
        assert len(tags[273]) == 1 and tags.get(278, 2 ** 32 - 1) >= pic.height, 'not one strip'
        offset = tags[273][0]
    sh = pic.shift()
    widen = (lambda v: (v << sh) & 0xFFFF) if pic.wide else (lambda v: v)
    fourth = {32: lambda a: 0, 64: lambda a: 65535}.get(pic.bits)
    want = pic.channels(widen, fourth)
    # The strip itself: little-endian samples, rows without padding.
    strip = open(path, 'rb').read()[offset:offset + len(want) * (2 if pic.wide else 1)]
    if pic.wide:
        got = array.array('H')
        got.frombytes(strip)
        got = list(got)
    else:
        got = list(strip)
    assert got == want, 'strip samples differ'
    layout = {1: 'gray', 3: 'rgb', 4: 'rgb'}[pic.spp]
    assert magick_samples(path, bps, layout) == pic.channels(widen), 'ImageMagick reads other samples'


def check(line):
    path, fmt, bits, width, height, significant, reference = line.split()
    fmt, bits, width, height, significant = map(int, (fmt, bits, width, height, significant))
    pic = Picture(open(reference, 'rb').read(), bits, width, height, significant)
    assert len(pic.data) == height * pic.stride, 'reference has the wrong size'
    if fmt == 0:
        check_bitmap(path, pic)
    elif fmt == 1:
        check_raw(path, pic)
    elif fmt in JPEG_QUALITY:
        check_jpeg(path, pic, JPEG_QUALITY[fmt])
    elif fmt == 5:
        check_png(path, pic)
    elif fmt == 6:
        check_tiff(path, pic)
    if fmt != 1 and not (fmt == 0 and pic.wide):  # no standard decoder knows 16, 48 or 64-bit bitmaps
        kind, w, h, _ = identify(path)
        assert (w, h) == (width, height), ('identify', kind, w, h)


def main():
    lines = [l for l in open(sys.argv[1], encoding='utf-8').read().splitlines() if l.strip()]
    failures = 0
    for line in lines:
        try:
            check(line)
        except Exception as e:  # report every file, not just the first
            failures += 1
            print('FAIL %s: %r' % (line.split()[0], e))
    print('%d files checked, %d failed' % (len(lines), failures))
    return 1 if failures or not lines else 0


if __name__ == '__main__':
    sys.exit(main())
