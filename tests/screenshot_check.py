#!/usr/bin/env python3
"""Looks at the browser's screenshots of xyview's pictures for what a user sees: a ring
at every hole of the drilling job, every colour of the palette on the dense board and on
the winding nets drawn as images, and the worked example's strokes off its bed in red
beside the green start and end marks.
Usage: tests/screenshot_check.py DIR   (DIR holding NAME.svg and NAME.png for each)"""
import re, struct, sys, zlib

PALETTE = ["#1f77b4", "#ff7f0e", "#9467bd", "#8c564b", "#e377c2", "#17becf", "#bcbd22", "#000000"]


def read_png(path):
    """The pixels of an 8-bit, non-interlaced RGB or RGBA PNG, as rows of (r, g, b)."""
    data, at, idat = open(path, "rb").read(), 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at : at + 8])
        body, at = data[at + 8 : at + 8 + length], at + 12 + length
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
        idat += body if kind == b"IDAT" else b""
    assert depth == 8 and colour in (2, 6) and interlace == 0, f"{path}: an unexpected PNG"
    step = 3 if colour == 2 else 4
    raw, stride, prior, rows = zlib.decompress(idat), width * step, bytearray(width * step), []
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1 : (y + 1) * (stride + 1)])
        for i in range(stride) if kind else ():
            a = line[i - step] if i >= step else 0
            b, c = prior[i], prior[i - step] if i >= step else 0
            p = a + b - c
            near = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[i] = (line[i] + (a, b, (a + b) // 2, near)[kind - 1]) & 255
        rows.append([tuple(line[x : x + 3]) for x in range(0, stride, step)])
        prior = line
    return rows


def light(pixel):
    return sum(pixel) / 3


def holes_ring(directory):
    svg = open(f"{directory}/holes.svg").read()
    data = re.search(r'id="holes"[^>]* d="([^"]*)"', svg).group(1)
    x = y = 0
    centres = []
    for command, dx, dy in re.findall(r"([Mm])\s*(-?\d+)\s*(-?\d+)", data):
        x, y = (int(dx), int(dy)) if command == "M" else (x + int(dx), y + int(dy))
        centres.append((x / 10, y / 10))
    shot, shown = read_png(f"{directory}/holes.png"), 0
    for cx, cy in centres:
        ring = [shot[j][i] for j in range(int(cy) - 4, int(cy) + 5) for i in range(int(cx) - 4, int(cx) + 5)
                if 2.2 <= ((i + 0.5 - cx) ** 2 + (j + 0.5 - cy) ** 2) ** 0.5 <= 2.8]
        dark = sum(light(p) < 110 for p in ring)
        shown += light(shot[int(cy)][int(cx)]) > 200 and dark >= 0.8 * len(ring)
    assert len(centres) == 30 and shown == 30, f"holes: {len(centres)} marks drawn, {shown} seen as rings"
    return f"holes: 30 rings seen"


def share(shot, colour):
    """The part of the screenshot within a little of colour."""
    want = tuple(int(colour[k : k + 2], 16) for k in (1, 3, 5))
    hits = sum(sum(abs(a - b) for a, b in zip(p, want)) < 40 for row in shot for p in row)
    return hits / (len(shot) * len(shot[0]))


def every_colour(directory, name):
    shot = read_png(f"{directory}/{name}.png")
    shares = [share(shot, colour) for colour in PALETTE]
    assert min(shares) > 0.001, f"{name}: shares of the palette {shares}"
    return f"{name}: every colour of the palette seen, the least on {min(shares):.2%} of it"
def dense_colours(directory):
    return every_colour(directory, "dense")
def winding_image(directory):
    images = open(f"{directory}/winding.svg").read().count("<image ")
    assert images == 2, f"winding: {images} images, not its strokes and its arrowheads"
    return every_colour(directory, "winding") + ", strokes and arrowheads drawn as images"


def worked_marks(directory):
    shot = read_png(f"{directory}/worked.png")
    red, green = share(shot, "#e00000"), share(shot, "#00a000")
    assert red > 0.0001 and green > 0.0001, f"worked: red {red}, green {green}"
    return "worked: the part off the bed in red, the marks in green"


for check in (holes_ring, dense_colours, winding_image, worked_marks):
    print(check(sys.argv[1]))
