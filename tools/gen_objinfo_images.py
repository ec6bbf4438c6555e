#!/usr/bin/env python3
"""Draws the images of the object-information window from the pictures below.

    tools/gen_objinfo_images.py   # writes resources/ObjInfoItems.bmp and the ObjInfoIcon files

ObjInfoItems.bmp: the item images of the member tree, seven of 16 x 16 side by
side (113 pixels wide, the last column blank), 4 bits per pixel, loaded
without a mask: 0 unused, 1 a record (interface), 2 Method, 3 Property Get,
4 Property Put, 5 Property Put (Ref), 6 a variable.
The window's icon, 32 x 32 and 16 x 16 (the small one scaled down), as raw
resource data: ObjInfoIcon.grp (the icon group, naming the images 14501 and
14502, ids that no other resource script numbers) and ObjInfoIcon-1.ico,
ObjInfoIcon-2.ico (the images).

Each picture is a grid of characters, one per pixel; the letters name the
colours of the palette below ('.' is the background).
"""
import os
import struct

# The sixteen colours of a 4-bit bitmap (the standard VGA order), as (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Letters of the pictures -> palette index.
COLOURS = {
    '.': 15,  # white background
    'k': 0,   # black
    'g': 8,   # grey
    'l': 7,   # light grey
    'b': 4,   # dark blue
    'B': 12,  # blue
    'c': 6,   # teal
    'C': 14,  # cyan
    'm': 5,   # purple
    'M': 13,  # magenta
    'r': 1,   # dark red
    'R': 9,   # red
    'd': 2,   # dark green
    'G': 10,  # green
    'y': 3,   # olive
    'Y': 11,  # yellow
}

BLANK = ["." * 16] * 16

# A record: the interface "lollipop", a ring on a stem.
RECORD = [
    "................",
    "........bbbb....",
    ".......bCCCCb...",
    "......bCC..CCb..",
    "......bC....Cb..",
    "......bC....Cb..",
    "......bCC..CCb..",
    ".......bCCCCb...",
    "....bbbbbbbb....",
    "...bCCCCCb......",
    "..bCCbbbb.......",
    ".bCCb...........",
    "bCCb............",
    "bCb.............",
    "bb..............",
    "................",
]

# Method: a purple block standing on its edge.
METHOD = [
    "................",
    "................",
    ".......mm.......",
    ".....mmMMmm.....",
    "...mmMMMMMMmm...",
    "..mMMMMMMMMMMm..",
    "..mmmMMMMMMmmm..",
    "..mMMmmMMmmkkm..",
    "..mMMMMmmkkkkm..",
    "..mMMMMMkkkkkm..",
    "..mMMMMMkkkkkm..",
    "...mmMMMkkkmm...",
    ".....mmMkmm.....",
    ".......mm.......",
    "................",
    "................",
]

# Property Get: a card with an arrow pointing out of it.
PROP_GET = [
    "................",
    "................",
    ".gggggggg.......",
    ".gllllllg.......",
    ".glkkkklg.......",
    ".gllllllg...d...",
    ".glkkkklg...dd..",
    ".gllllldddddGGd.",
    ".glkkkldGGGGGGGd",
    ".gllllldddddGGd.",
    ".glkkkklg...dd..",
    ".gllllllg...d...",
    ".gggggggg.......",
    "................",
    "................",
    "................",
]

# Property Put: a card with an arrow pointing into it.
PROP_PUT = [
    "................",
    "................",
    ".......gggggggg.",
    ".......gllllllg.",
    ".......glkkkklg.",
    "...r...gllllllg.",
    "...rr..glkkkklg.",
    "rrrrRr.gllllllg.",
    "rRRRRRr.lkkkklg.",
    "rrrrRr.gllllllg.",
    "...rr..glkkkklg.",
    "...r...gllllllg.",
    ".......gggggggg.",
    "................",
    "................",
    "................",
]

# Property Put (Ref): the arrow into the card, starting from a ring.
PROP_PUTREF = [
    "................",
    "................",
    ".......gggggggg.",
    ".......gllllllg.",
    ".......glkkkklg.",
    ".bbb...gllllllg.",
    "b...b..glkkkklg.",
    "b...brrgllllllg.",
    "b...bRRRlkkkklg.",
    ".bbb.rrgllllllg.",
    ".......glkkkklg.",
    ".......gllllllg.",
    ".......gggggggg.",
    "................",
    "................",
    "................",
]

# A variable: a small blue block.
VARIABLE = [
    "................",
    "................",
    "................",
    "................",
    "....bbbbbbbb....",
    "....bBBBBBBb....",
    "....bBCCCCBb....",
    "....bBCBBBBb....",
    "....bBCBBBBb....",
    "....bBBBBBBb....",
    "....bBBBBBBb....",
    "....bbbbbbbb....",
    "................",
    "................",
    "................",
    "................",
]

ITEMS = [BLANK, RECORD, METHOD, PROP_GET, PROP_PUT, PROP_PUTREF, VARIABLE]

# The window's icon: a window whose left pane holds a small tree and whose
# right pane holds lines of text.
ICON = [
    "................................",
    "................................",
    "..bbbbbbbbbbbbbbbbbbbbbbbbbbbb..",
    "..bBBBBBBBBBBBBBBBBBBBBBBBBBBb..",
    "..bBBBBBBBBBBBBBBBBBBBBBYYBBBb..",
    "..bBBBBBBBBBBBBBBBBBBBBBYYBBBb..",
    "..bbbbbbbbbbbbbbbbbbbbbbbbbbbb..",
    "..b...........g..............b..",
    "..b.CC........g..............b..",
    "..b.CC.kkkkk..g.kkkkkkkkkk...b..",
    "..b.g.........g..............b..",
    "..b.g.MM......g.YYYYYYYYYYY..b..",
    "..b.g.MM.kkk..g.kkkkkkkk.....b..",
    "..b.g.........g..............b..",
    "..b.g.GG......g.kkkkkkkkkkk..b..",
    "..b.g.GG.kkkk.g.kkkkk........b..",
    "..b.g.........g..............b..",
    "..b.g.RR......g.YYYYYYYYYYY..b..",
    "..b.g.RR.kkk..g.kkkkkkkkk....b..",
    "..b.g.........g..............b..",
    "..b.g.BB......g.kkkkkkkkkk...b..",
    "..b.g.BB.kkkk.g.kkkkkkk......b..",
    "..b...........g..............b..",
    "..b.CC........g.kkkkkkkkkk...b..",
    "..b.CC.kkkkk..g..............b..",
    "..b...........g..............b..",
    "..b...........g..............b..",
    "..bbbbbbbbbbbbbbbbbbbbbbbbbbbb..",
    "................................",
    "................................",
    "................................",
    "................................",
]


def check(picture, w, h, name):
    assert len(picture) == h, f"{name}: {len(picture)} rows"
    for row in picture:
        assert len(row) == w, f"{name}: row {row!r}"
        for ch in row:
            assert ch in COLOURS, f"{name}: colour {ch!r}"


def bmp_4bit(rows):
    """A 4-bit BITMAPFILEHEADER + BITMAPINFOHEADER file of palette indexes."""
    h = len(rows)
    w = len(rows[0])
    stride = ((w * 4 + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, idx in enumerate(row):
            if x % 2 == 0:
                line[x // 2] |= idx << 4
            else:
                line[x // 2] |= idx
        pixels += line
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + palette + bytes(pixels)


def icon_image(rows):
    """One icon image: a 32-bit BITMAPINFOHEADER image with its AND mask."""
    h = len(rows)
    w = len(rows[0])
    xor = bytearray()
    for row in reversed(rows):
        for idx in row:
            r, g, b = PALETTE[idx]
            xor += struct.pack("<BBBB", b, g, r, 255)
    mask_stride = ((w + 31) // 32) * 4
    mask = bytes(mask_stride * h)  # every pixel opaque
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return info + bytes(xor) + mask


ICON_FIRST_ID = 14501


def icon_group(images):
    """RT_GROUP_ICON data for (width, height, data) images with ids from ICON_FIRST_ID."""
    out = struct.pack("<HHH", 0, 1, len(images))
    for i, (w, h, data) in enumerate(images):
        out += struct.pack("<BBBBHHIH", w % 256, h % 256, 0, 0, 1, 32, len(data), ICON_FIRST_ID + i)
    return out


def indexes(picture):
    return [[COLOURS[ch] for ch in row] for row in picture]


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    names = ["blank", "record", "method", "get", "put", "putref", "variable"]
    for pic, name in zip(ITEMS, names):
        check(pic, 16, 16, name)
    check(ICON, 32, 32, "icon")

    strip = []
    for y in range(16):
        row = []
        for pic in ITEMS:
            row += [COLOURS[ch] for ch in pic[y]]
        row.append(COLOURS["."])  # the strip is 113 pixels wide
        strip.append(row)
    with open(os.path.join(root, "ObjInfoItems.bmp"), "wb") as f:
        f.write(bmp_4bit(strip))

    big = indexes(ICON)
    # The small icon takes every second pixel, preferring a drawn one.
    small = []
    for y in range(16):
        row = []
        for x in range(16):
            block = [big[2 * y + dy][2 * x + dx] for dy in (0, 1) for dx in (0, 1)]
            drawn = [c for c in block if c != COLOURS["."]]
            row.append(drawn[0] if drawn else COLOURS["."])
        small.append(row)
    images = [(32, 32, icon_image(big)), (16, 16, icon_image(small))]
    with open(os.path.join(root, "ObjInfoIcon.grp"), "wb") as f:
        f.write(icon_group(images))
    for i, (_, _, data) in enumerate(images):
        with open(os.path.join(root, f"ObjInfoIcon-{i + 1}.ico"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
