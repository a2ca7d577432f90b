#!/usr/bin/env python3
"""Draws the about window's picture (src/resources/about.gif, 265 x 184).

Plain Python, no imaging library: the picture is drawn into a palette
framebuffer and written as a GIF87a with its own LZW encoder. Run it again
only to change the artwork:  python3 tools/make_about_picture.py [OUT.gif]
"""
import math
import os
import struct
import sys

W, H = 265, 184


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.palette = []
        self.index = {}
        self.pixels = bytearray(w * h)

    def color(self, rgb):
        rgb = tuple(max(0, min(255, int(round(c)))) for c in rgb)
        if rgb not in self.index:
            if len(self.palette) >= 256:
                raise ValueError("more than 256 colours")
            self.index[rgb] = len(self.palette)
            self.palette.append(rgb)
        return self.index[rgb]

    def put(self, x, y, idx):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.pixels[y * self.w + x] = idx


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def quant(t, steps):
    return round(max(0.0, min(1.0, t)) * (steps - 1)) / (steps - 1)


# 5 x 7 glyphs for the few letters the picture writes.
GLYPHS = {
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "0": ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "&": ["01100", "10010", "10100", "01000", "10101", "10010", "01101"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    " ": ["00000"] * 7,
}


def text(c, x, y, s, scale, fg, shadow=None):
    for ch in s:
        g = GLYPHS[ch]
        for gy, row in enumerate(g):
            for gx, bit in enumerate(row):
                if bit == "1":
                    for dy in range(scale):
                        for dx in range(scale):
                            if shadow is not None:
                                c.put(x + gx * scale + dx + 1, y + gy * scale + dy + 1, shadow)
                for dy in range(scale):
                    for dx in range(scale):
                        if bit == "1":
                            c.put(x + gx * scale + dx, y + gy * scale + dy, fg)
        x += 6 * scale


def draw():
    c = Canvas(W, H)
    night = (12, 26, 58)
    pitch = (24, 104, 70)
    # Sky-to-pitch gradient, in 40 steps.
    for y in range(H):
        t = quant(y / (H - 1), 40)
        idx = c.color(mix(night, pitch, t))
        for x in range(W):
            c.put(x, y, idx)

    # Mowing stripes on the lower half.
    stripe = c.color(mix(pitch, (40, 130, 88), 0.55))
    for y in range(120, H):
        for x in range(W):
            if ((x + (y - 120) // 2) // 22) % 2 == 0 and (y * 7 + x) % 3 == 0:
                c.put(x, y, stripe)

    # Half-way line and the centre circle.
    line = c.color((226, 240, 230))
    for x in range(W):
        c.put(x, 150, line)
    cx, cy, r = 74, 150, 36
    for a in range(720):
        ang = math.radians(a / 2)
        c.put(int(round(cx + r * math.cos(ang))), int(round(cy + r * math.sin(ang))), line)

    # A head, shaded like a lit 3D model, with a wireframe over it.
    hx, hy, rx, ry = 74.0, 78.0, 34.0, 44.0
    skin_dark, skin_light = (120, 74, 48), (238, 190, 150)
    hair_dark, hair_light = (28, 16, 10), (110, 70, 40)
    light = (-0.45, -0.55, 0.70)
    norm = math.sqrt(sum(v * v for v in light))
    light = tuple(v / norm for v in light)
    for y in range(H):
        for x in range(W):
            u = (x - hx) / rx
            v = (y - hy) / ry
            d = u * u + v * v
            if d > 1.0:
                continue
            z = math.sqrt(max(0.0, 1.0 - d))
            shade = max(0.0, u * light[0] + v * light[1] + z * light[2])
            in_hair = v < -0.35 + 0.18 * math.cos(u * 3.0) or (abs(u) > 0.86 and v < 0.15)
            if in_hair:
                idx = c.color(mix(hair_dark, hair_light, quant(shade, 24)))
            else:
                idx = c.color(mix(skin_dark, skin_light, quant(0.15 + 0.85 * shade, 48)))
            c.put(x, y, idx)
    # Neck and shirt.
    shirt_dark, shirt_light = (120, 12, 24), (214, 40, 52)
    for y in range(int(hy + ry - 6), H):
        for x in range(W):
            if y < hy + ry + 10:
                if abs(x - hx) < 13:
                    c.put(x, y, c.color(mix(skin_dark, skin_light, quant(0.55 - (x - hx) / 60, 48))))
            else:
                half = 24 + (y - (hy + ry + 10)) * 1.6
                if abs(x - hx) < half:
                    t = quant(0.75 - abs(x - hx) / (half * 1.6), 16)
                    c.put(x, y, c.color(mix(shirt_dark, shirt_light, t)))
    # Eyes, brows and mouth.
    eye = c.color((30, 24, 22))
    white = c.color((245, 245, 240))
    for ex in (hx - 12, hx + 12):
        for dy in range(-3, 4):
            for dx in range(-6, 7):
                if (dx / 6.5) ** 2 + (dy / 3.2) ** 2 <= 1:
                    c.put(int(ex + dx), int(hy + 2 + dy), white)
                if (dx / 3.0) ** 2 + (dy / 3.0) ** 2 <= 1:
                    c.put(int(ex + dx), int(hy + 2 + dy), eye)
        for dx in range(-7, 8):
            c.put(int(ex + dx), int(hy - 7 - abs(dx) // 4), eye)
    lip = c.color((150, 60, 60))
    for dx in range(-10, 11):
        c.put(int(hx + dx), int(hy + 26 + (dx * dx) // 40), lip)
    # Wireframe: the mesh lines a face model is built from.
    wire = c.color((120, 230, 255))
    for k in range(-4, 5):
        t = k / 5.0
        for s in range(-100, 101):
            a = s / 100 * math.pi / 2
            # meridians
            x = hx + rx * math.cos(a) * t
            y = hy + ry * math.sin(a)
            if s % 2 == 0:
                c.put(int(round(x)), int(round(y)), wire)
            # parallels
            y2 = hy + ry * t
            x2 = hx + rx * math.sqrt(max(0.0, 1 - t * t)) * (s / 100)
            if s % 2 == 0:
                c.put(int(round(x2)), int(round(y2)), wire)

    # Title block on the right.
    gold = c.color((250, 206, 72))
    shade = c.color((8, 14, 30))
    text(c, 126, 28, "LUDEX", 4, gold, shade)
    soft = c.color((205, 222, 240))
    text(c, 127, 68, "FACE & HAIR", 2, soft, shade)
    text(c, 127, 90, "1.0.2", 3, line, shade)
    # Frame.
    frame = c.color((250, 206, 72))
    for x in range(W):
        c.put(x, 0, frame)
        c.put(x, H - 1, frame)
    for y in range(H):
        c.put(0, y, frame)
        c.put(W - 1, y, frame)
    return c


def lzw(pixels, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bitbuf = 0
    bitcount = 0

    def emit(code, size):
        nonlocal bitbuf, bitcount
        bitbuf |= code << bitcount
        bitcount += size
        while bitcount >= 8:
            out.append(bitbuf & 0xFF)
            bitbuf >>= 8
            bitcount -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    prefix = b""
    for p in pixels:
        cur = prefix + bytes([p])
        if cur in table:
            prefix = cur
            continue
        emit(table[prefix], size)
        if next_code < 4096:
            table[cur] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear, size)
            table, next_code, size = reset()
        prefix = bytes([p])
    if prefix:
        emit(table[prefix], size)
    emit(end, size)
    if bitcount:
        out.append(bitbuf & 0xFF)
    return bytes(out)


def write_gif(c, path):
    pal = list(c.palette) + [(0, 0, 0)] * (256 - len(c.palette))
    data = bytearray(b"GIF87a")
    data += struct.pack("<HHBBB", c.w, c.h, 0xF7, 0, 0)  # global table of 256 entries
    for rgb in pal:
        data += bytes(rgb)
    data += b"," + struct.pack("<HHHHB", 0, 0, c.w, c.h, 0)
    data.append(8)
    body = lzw(c.pixels, 8)
    for i in range(0, len(body), 255):
        chunk = body[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data += b"\x00;"
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "resources", "about.gif")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    write_gif(draw(), out)
    print(out)
