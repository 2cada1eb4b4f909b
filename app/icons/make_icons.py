#!/usr/bin/env python3
"""Draws the program's icons and writes them as raw icon resources.

The artwork below is the source: a small window with a blue title bar and a
bold B with a plus, one character a pixel. Run this script after changing it;
it rewrites the .bin files that BRINDLE.rc embeds (images 30001, 30002, 30003
and the group that lists them).
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The 16-colour palette of the classic icons (the standard VGA colours).
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# Artwork characters: '.' transparent, then palette indexes.
KEYS = {'k': 0, 'r': 1, 'g': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, 's': 7, 'd': 8, 'R': 9,
        'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'w': 15}

ART32 = """
................................
................................
..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..
..kBBBBBBBBBBBBBBBBBBBBBBBBBBk..
..kBwwBBBBBBBBBBBBBBBBBswsksBk..
..kBBBBBBBBBBBBBBBBBBBBBBBBBBk..
..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..
..kwwwwwwwwwwwwwwwwwwwwwwwwwsk..
..kwwwwwwwwwwwwwwwwwwwwwwwwwsk..
..kwwwnnnnnnnnnwwwwwwwwwwwwwsk..
..kwwwnnnnnnnnnnwwwwwwwwwwwwsk..
..kwwwnnnwwwwnnnnwwwwwwwwwwwsk..
..kwwwnnnwwwwwnnnwwwwwwwwwwwsk..
..kwwwnnnwwwwwnnnwwwwwRRwwwwsk..
..kwwwnnnwwwwnnnnwwwwwRRwwwwsk..
..kwwwnnnnnnnnnnwwwwRRRRRRwwsk..
..kwwwnnnnnnnnnnwwwwRRRRRRwwsk..
..kwwwnnnwwwwwnnnwwwwwRRwwwwsk..
..kwwwnnnwwwwwwnnnwwwwRRwwwwsk..
..kwwwnnnwwwwwwnnnwwwwwwwwwwsk..
..kwwwnnnwwwwwwnnnwwwwwwwwwwsk..
..kwwwnnnwwwwwnnnnwwwwwwwwwwsk..
..kwwwnnnnnnnnnnnwwwwwwwwwwwsk..
..kwwwnnnnnnnnnnwwwwwwwwwwwwsk..
..kwwwwwwwwwwwwwwwwwwwwwwwwwsk..
..kwwwwwwwwwwwwwwwwwwwwwwwwwsk..
..kssssssssssssssssssssssssssk..
..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..
................................
................................
................................
................................
"""

ART16 = """
................
kkkkkkkkkkkkkkkk
kBBBBBBBBBBBswBk
kkkkkkkkkkkkkkkk
kwwwwwwwwwwwwwsk
kwnnnnnwwwwwwwsk
kwnnwwnnwwwwwwsk
kwnnwwnnwwRwwwsk
kwnnnnnwwRRRwwsk
kwnnwwnnwwRwwwsk
kwnnwwwnnwwwwwsk
kwnnwwnnwwwwwwsk
kwnnnnnwwwwwwwsk
kwwwwwwwwwwwwwsk
kssssssssssssssk
kkkkkkkkkkkkkkkk
"""


def rows(art):
    lines = [l for l in art.strip('\n').split('\n')]
    assert all(len(l) == len(lines) for l in lines), 'artwork must be square'
    return lines


def luminance(index):
    r, g, b = VGA[index]
    return 0.299 * r + 0.587 * g + 0.114 * b


def image(art, bits):
    """An icon image: BITMAPINFOHEADER, palette, colour bits, mask bits."""
    lines = rows(art)
    size = len(lines)
    colours = 1 << bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)
    if bits == 1:
        palette = [(0, 0, 0), (255, 255, 255)]
    else:
        palette = VGA
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)

    def stride(width_bits):
        return ((width_bits + 31) // 32) * 4

    xor = bytearray()
    mask = bytearray()
    for line in reversed(lines):  # bottom-up rows
        row_bits = []
        mask_bits = []
        for ch in line:
            if ch == '.':
                row_bits.append(0)
                mask_bits.append(1)
                continue
            index = KEYS[ch]
            if bits == 1:
                row_bits.append(1 if luminance(index) > 140 else 0)
            else:
                row_bits.append(index)
            mask_bits.append(0)
        packed = bytearray(stride(size * bits))
        for x, v in enumerate(row_bits):
            bit = x * bits
            packed[bit // 8] |= v << (8 - bits - bit % 8)
        xor += packed
        mpacked = bytearray(stride(size))
        for x, v in enumerate(mask_bits):
            mpacked[x // 8] |= v << (7 - x % 8)
        mask += mpacked
    return header + pal + bytes(xor) + bytes(mask), size, colours


def main():
    images = [(30001, ART32, 1), (30002, ART32, 4), (30003, ART16, 4)]
    group = struct.pack('<HHH', 0, 1, len(images))
    for ident, art, bits in images:
        data, size, colours = image(art, bits)
        with open(os.path.join(HERE, f'icon{ident}.bin'), 'wb') as f:
            f.write(data)
        group += struct.pack('<BBBBHHIH', size, size, colours if colours < 256 else 0, 0, 1,
                             bits, len(data), ident)
    with open(os.path.join(HERE, 'group1.bin'), 'wb') as f:
        f.write(group)


if __name__ == '__main__':
    main()
