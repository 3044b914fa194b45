#!/usr/bin/env python3
"""Draws Morvane's logo (logo.gif), program icon (morvane.ico) and desktop
icons (icons/NxN.png in the hicolor sizes, icons/scalable.svg), and the
web edition's (icons/web-192.png, icons/web-512.png).

The logo: a 159 x 159 GIF89a with a 256-entry global colour table, one
frame, not interlaced, no transparency. The icon: 32 x 32, 16 colours
(4 bits per pixel) with its AND mask, and the same icon as a 32 x 32 PNG
for desktop menus. Both show a locator grid square with a
compass rose. Standard library only; run it from anywhere:
    python3 resources/draw_resources.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def cube_palette():
    """A 6x6x6 colour cube plus 40 greys: 256 entries."""
    levels = [0, 51, 102, 153, 204, 255]
    pal = [(r, g, b) for r in levels for g in levels for b in levels]
    pal += [(int(i * 255 / 41),) * 3 for i in range(1, 41)]
    assert len(pal) == 256
    return pal


def nearest(pal, rgb, cache={}):
    if rgb not in cache:
        cache[rgb] = min(range(len(pal)),
                         key=lambda i: sum((a - b) ** 2 for a, b in zip(pal[i], rgb)))
    return cache[rgb]


def logo_colour(x, y, size):
    """Colour of one point of the logo, coordinates in 0..size."""
    c = size / 2
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    sky = (204, 229, 255)
    navy = (0, 0, 128)
    red = (220, 20, 20)
    # Grid square: a frame and a 4 x 4 grid of thin lines.
    margin = size * 0.08
    inside = margin <= x <= size - margin and margin <= y <= size - margin
    colour = sky if inside else (240, 240, 240)
    if inside:
        step = (size - 2 * margin) / 4
        for k in range(5):
            line = margin + k * step
            if abs(x - line) < 0.9 or abs(y - line) < 0.9:
                colour = (90, 120, 200)
    # Compass ring.
    if abs(r - size * 0.30) < 1.5:
        colour = navy
    # Compass rose: four long points and four short ones.
    ang = math.atan2(dy, dx)
    for k in range(8):
        a = k * math.pi / 4
        length = size * (0.40 if k % 2 == 0 else 0.22)
        width = size * 0.07
        # distance along and across the point's axis
        along = dx * math.cos(a) + dy * math.sin(a)
        across = -dx * math.sin(a) + dy * math.cos(a)
        if 0 <= along <= length and abs(across) <= width * (1 - along / length):
            north = k == 6  # pointing up
            colour = red if north else (navy if across > 0 else (60, 60, 170))
    if r < size * 0.025:
        colour = (255, 255, 255)
    return colour


def draw_logo(size=159, supersample=3):
    pal = cube_palette()
    pixels = []
    for y in range(size):
        for x in range(size):
            acc = [0, 0, 0]
            for sy in range(supersample):
                for sx in range(supersample):
                    col = logo_colour(x + (sx + 0.5) / supersample, y + (sy + 0.5) / supersample, size)
                    for i in range(3):
                        acc[i] += col[i]
            n = supersample * supersample
            pixels.append(nearest(pal, tuple(round(a / n) for a in acc)))
    return pal, pixels


def lzw_literal(pixels, min_code_size=8):
    """LZW data that uses literal codes only, with a clear code often enough
    that the code width stays 9 bits: valid for every decoder."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    codes = []
    for i, p in enumerate(pixels):
        if i % 200 == 0:
            codes.append(clear)
        codes.append(p)
    codes.append(end)
    out, acc, bits = bytearray(), 0, 0
    for code in codes:
        acc |= code << bits
        bits += 9
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def write_gif(path, size, pal, pixels):
    data = bytearray(b"GIF89a")
    # Logical screen: global colour table of 256 entries (size field 7).
    data += struct.pack("<HHBBB", size, size, 0xF7, 0, 0)
    for rgb in pal:
        data += bytes(rgb)
    # Image descriptor: whole screen, no local table, not interlaced.
    data += b"," + struct.pack("<HHHHB", 0, 0, size, size, 0)
    data.append(8)
    lzw = lzw_literal(pixels)
    for i in range(0, len(lzw), 255):
        chunk = lzw[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00;"
    with open(path, "wb") as f:
        f.write(data)


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def write_icon(path):
    size = 32
    index = []
    mask = []
    for y in range(size):
        for x in range(size):
            colour = logo_colour(x + 0.5, y + 0.5, size)
            transparent = not (1 <= x <= 30 and 1 <= y <= 30)
            index.append(nearest(VGA16, colour, {}))
            mask.append(1 if transparent else 0)
    # BMP rows bottom-up; 4 bpp colour rows of 16 bytes, 1 bpp mask rows of 4.
    xor = bytearray()
    andm = bytearray()
    for y in reversed(range(size)):
        row = index[y * size:(y + 1) * size]
        xor += bytes((row[i] << 4) | row[i + 1] for i in range(0, size, 2))
        bits = mask[y * size:(y + 1) * size]
        for i in range(0, size, 8):
            andm.append(sum(b << (7 - k) for k, b in enumerate(bits[i:i + 8])))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in VGA16)
    image = header + palette + xor + andm
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


def write_png(path, size, rows):
    """rows: size lists of (r, g, b, a)."""
    import zlib
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# What browsers ask of a web app's manifest (the web edition's icons).
WEB_SIZES = (192, 512)


def write_desktop_icon(path, size, supersample=4):
    """The icon's drawing at one size for desktop menus and software
    centres, in full colour and smoothed, with the icon's transparent edge
    (1 pixel in 32) scaled with it."""
    edge = size / 32
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            acc, alpha = [0, 0, 0], 0
            for sy in range(supersample):
                for sx in range(supersample):
                    px, py = x + (sx + 0.5) / supersample, y + (sy + 0.5) / supersample
                    if edge <= px <= size - edge and edge <= py <= size - edge:
                        col = logo_colour(px * 32 / size, py * 32 / size, 32)
                        for i in range(3):
                            acc[i] += col[i]
                        alpha += 1
            row.append(tuple(round(a / alpha) for a in acc) + (round(255 * alpha / supersample ** 2),)
                       if alpha else (0, 0, 0, 0))
        rows.append(row)
    write_png(path, size, rows)


def write_svg(path, size=32):
    """The same drawing as shapes: background, grid square, ring, rose."""
    c, margin = size / 2, size * 0.08
    step = (size - 2 * margin) / 4
    rgb = lambda t: "#%02x%02x%02x" % t
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
           % (size, size, size, size),
           '<rect x="1" y="1" width="%g" height="%g" fill="%s"/>' % (size - 2, size - 2, rgb((240, 240, 240))),
           '<rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>'
           % (margin, margin, size - 2 * margin, size - 2 * margin, rgb((204, 229, 255)))]
    for k in range(5):
        line = margin + k * step
        out.append('<path d="M%g %gV%gM%g %gH%g" stroke="%s" stroke-width="1.8"/>'
                   % (line, margin, size - margin, margin, line, size - margin, rgb((90, 120, 200))))
    out.append('<circle cx="%g" cy="%g" r="%g" fill="none" stroke="%s" stroke-width="%g"/>'
               % (c, c, size * 0.30, rgb((0, 0, 128)), 3))
    for k in [1, 3, 5, 7, 0, 2, 4, 6]:  # short points under the long ones
        a = k * math.pi / 4
        length, width = size * (0.40 if k % 2 == 0 else 0.22), size * 0.07
        tip = (c + length * math.cos(a), c + length * math.sin(a))
        side = lambda s: (c - s * width * math.sin(a), c + s * width * math.cos(a))
        for s, colour in ((1, (0, 0, 128)), (-1, (60, 60, 170))):
            if k == 6:
                colour = (220, 20, 20)
            (x1, y1), (x2, y2) = side(s), tip
            out.append('<path d="M%.3f %.3fL%.3f %.3fL%.3f %.3fZ" fill="%s"/>' % (c, c, x1, y1, x2, y2, rgb(colour)))
    out.append('<circle cx="%g" cy="%g" r="%g" fill="#ffffff"/>' % (c, c, size * 0.025))
    out.append("</svg>")
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    pal, pixels = draw_logo()
    write_gif(os.path.join(HERE, "logo.gif"), 159, pal, pixels)
    write_icon(os.path.join(HERE, "morvane.ico"))
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    for n in HICOLOR_SIZES:
        write_desktop_icon(os.path.join(HERE, "icons", "%dx%d.png" % (n, n)), n)
    write_svg(os.path.join(HERE, "icons", "scalable.svg"))
    for n in WEB_SIZES:  # smooth enough at these sizes with less sampling
        write_desktop_icon(os.path.join(HERE, "icons", "web-%d.png" % n), n, supersample=2)
