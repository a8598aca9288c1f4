#!/usr/bin/env python3
"""Draws Quillomark's icon: a "Q" on an arcade screen, with three pixel stars.

    draw_icon.py FOLDER NAME

writes FOLDER/hicolor/NxN/apps/NAME.png for every size of SIZES and
FOLDER/hicolor/scalable/apps/NAME.svg, all from the one list of shapes below
(on a 256-unit square). The PNGs are rasterised here with signed distances (one
pixel of edge blending), with no library beyond Python's own: the build makes them.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 64, 128, 256)  # packaging/install.cmake reads this line
UNITS = 256.0

# Shapes in painting order: ("rect", x0, y0, x1, y1, radius, fill), ("ring", cx, cy, radius, width, fill),
# ("stroke", x0, y0, x1, y1, width, fill). A fill is a colour "#rrggbb" or a vertical gradient (top, bottom).
SHAPES = (
    ("rect", 8, 8, 248, 248, 44, "#1d1b3a"),
    ("rect", 26, 26, 230, 230, 28, ("#2f6fe0", "#7b32c8")),
    ("ring", 124, 118, 60, 28, "#ffc23d"),
    ("stroke", 128, 124, 196, 192, 26, "#ffc23d"),
    ("rect", 50, 48, 66, 64, 0, "#ffffff"),
    ("rect", 192, 58, 204, 70, 0, "#ffffff"),
    ("rect", 56, 190, 68, 202, 0, "#d8e4ff"),
)


def rgb(colour):
    return tuple(int(colour[i : i + 2], 16) for i in (1, 3, 5))


def colour_at(fill, y):
    if isinstance(fill, str):
        return rgb(fill)
    top, bottom = rgb(fill[0]), rgb(fill[1])
    t = min(max(y / UNITS, 0.0), 1.0)
    return tuple(a + (b - a) * t for a, b in zip(top, bottom))


def distance(shape, x, y):
    """Signed distance in units from (x, y) to the shape's edge, negative inside."""
    kind = shape[0]
    if kind == "rect":
        x0, y0, x1, y1, radius = shape[1:6]
        hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius
        dx, dy = abs(x - (x0 + x1) / 2) - hx, abs(y - (y0 + y1) / 2) - hy
        outside = math.hypot(max(dx, 0.0), max(dy, 0.0))
        return outside + min(max(dx, dy), 0.0) - radius
    if kind == "ring":
        cx, cy, radius, width = shape[1:5]
        return abs(math.hypot(x - cx, y - cy) - radius) - width / 2
    x0, y0, x1, y1, width = shape[1:6]
    vx, vy = x1 - x0, y1 - y0
    t = min(max(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.0), 1.0)
    return math.hypot(x - x0 - t * vx, y - y0 - t * vy) - width / 2


def bounds(shape):
    if shape[0] == "ring":
        cx, cy, radius, width = shape[1:5]
        reach = radius + width / 2
        return cx - reach, cy - reach, cx + reach, cy + reach
    grow = shape[5] / 2 if shape[0] == "stroke" else 0
    return shape[1] - grow, shape[2] - grow, shape[3] + grow, shape[4] + grow


def rasterise(size):
    """RGBA rows of the icon at size x size pixels, each shape laid over the ones before."""
    scale = UNITS / size
    pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]  # premultiplied
    for shape in SHAPES:
        left, top, right, bottom = bounds(shape)
        for py in range(max(int(top / scale) - 1, 0), min(int(bottom / scale) + 2, size)):
            y = (py + 0.5) * scale
            for px in range(max(int(left / scale) - 1, 0), min(int(right / scale) + 2, size)):
                x = (px + 0.5) * scale
                cover = min(max(0.5 - distance(shape, x, y) / scale, 0.0), 1.0)
                if cover == 0.0:
                    continue
                colour = colour_at(shape[-1], y)
                pixel = pixels[py * size + px]
                for i in range(3):
                    pixel[i] = colour[i] * cover + pixel[i] * (1 - cover)
                pixel[3] = 255 * cover + pixel[3] * (1 - cover)
    rows = []
    for py in range(size):
        row = bytearray([0])  # filter: none
        for px in range(size):
            r, g, b, a = pixels[py * size + px]
            unmultiplied = (0, 0, 0) if a == 0 else (r * 255 / a, g * 255 / a, b * 255 / a)
            row += bytes(min(255, round(v)) for v in (*unmultiplied, a))
        rows.append(bytes(row))
    return b"".join(rows)


def png(size, data):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b"")


def svg():
    lines = [f'<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    defs = []
    for index, shape in enumerate(SHAPES):
        fill = shape[-1]
        if not isinstance(fill, str):
            defs.append(
                f'<linearGradient id="g{index}" x1="0" y1="0" x2="0" y2="256" gradientUnits="userSpaceOnUse">'
                f'<stop offset="0" stop-color="{fill[0]}"/><stop offset="1" stop-color="{fill[1]}"/></linearGradient>'
            )
            fill = f"url(#g{index})"
        if shape[0] == "rect":
            x0, y0, x1, y1, radius = shape[1:6]
            lines.append(f'<rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{radius}" fill="{fill}"/>')
        elif shape[0] == "ring":
            cx, cy, radius, width = shape[1:5]
            lines.append(f'<circle cx="{cx}" cy="{cy}" r="{radius}" fill="none" stroke="{fill}" stroke-width="{width}"/>')
        else:
            x0, y0, x1, y1, width = shape[1:6]
            lines.append(
                f'<line x1="{x0}" y1="{y0}" x2="{x1}" y2="{y1}" stroke="{fill}" stroke-width="{width}" stroke-linecap="round"/>'
            )
    if defs:
        lines.insert(1, "<defs>" + "".join(defs) + "</defs>")
    return "\n".join(lines + ["</svg>", ""])


def write(path, content):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(content)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: draw_icon.py FOLDER NAME")
    folder, name = os.path.join(sys.argv[1], "hicolor"), sys.argv[2]
    for size in SIZES:
        write(os.path.join(folder, f"{size}x{size}", "apps", name + ".png"), png(size, rasterise(size)))
    write(os.path.join(folder, "scalable", "apps", name + ".svg"), svg().encode())


if __name__ == "__main__":
    main()
