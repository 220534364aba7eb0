#!/usr/bin/env python3
"""Writes the program's icons (32 x 32, 32-bit with alpha) and the grid's resize cursor.

Run from anywhere: python3 app/icons/make_icons.py. The pictures are drawn here in code,
so the .ico and .cur files beside this script can always be made again.
"""
import math
import os
import struct

N = 32
HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self):
        self.px = [[None] * N for _ in range(N)]  # (r, g, b) or None (transparent)

    def set(self, x, y, c):
        if 0 <= x < N and 0 <= y < N:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill=None, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                border = x in (x0, x1) or y in (y0, y1)
                if border and edge:
                    self.set(x, y, edge)
                elif fill:
                    self.set(x, y, fill)

    def line(self, x0, y0, x1, y1, c, w=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dx in range(w):
                for dy in range(w):
                    self.set(round(x) + dx - w // 2, round(y) + dy - w // 2, c)

    def disc(self, cx, cy, r, fill, edge=None):
        for y in range(N):
            for x in range(N):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r:
                    self.set(x, y, edge if edge and d > r - 1.2 else fill)

    def polygon(self, pts, fill, edge=None):
        for y in range(N):
            for x in range(N):
                if inside(pts, x + 0.5, y + 0.5):
                    self.set(x, y, fill)
        if edge:
            for a, b in zip(pts, pts[1:] + pts[:1]):
                self.line(a[0], a[1], b[0], b[1], edge)


def inside(pts, x, y):
    hit = False
    for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            hit = not hit
    return hit


BLACK, WHITE, GREY, DARK = (0, 0, 0), (255, 255, 255), (192, 192, 192), (96, 96, 96)
RED, GREEN, BLUE, YELLOW = (200, 30, 30), (30, 160, 40), (40, 70, 190), (250, 210, 60)


def page(c):
    c.polygon([(7, 3), (20, 3), (25, 8), (25, 28), (7, 28)], WHITE, DARK)
    c.polygon([(20, 3), (25, 8), (20, 8)], GREY, DARK)


def grid_rows(c):
    c.rect(3, 5, 22, 26, WHITE, DARK)
    for y in (12, 19):
        c.line(3, y, 22, y, DARK)
    for x in (9, 16):
        c.line(x, 5, x, 26, GREY)


def icon_new(c):
    page(c)
    c.disc(22, 23, 6, YELLOW, (200, 150, 0))


def icon_open(c):
    c.polygon([(2, 8), (11, 8), (13, 11), (27, 11), (27, 27), (2, 27)], (220, 180, 60), DARK)
    c.polygon([(6, 15), (30, 15), (26, 27), (2, 27)], YELLOW, DARK)


def icon_save(c):
    c.rect(4, 4, 27, 27, BLUE, BLACK)
    c.rect(9, 5, 22, 13, WHITE, DARK)
    c.rect(18, 6, 20, 11, DARK)
    c.rect(8, 18, 23, 27, GREY, DARK)


def icon_about(c):
    c.disc(16, 16, 13, BLUE, BLACK)
    c.rect(14, 13, 17, 24, WHITE)
    c.rect(14, 7, 17, 10, WHITE)


def icon_add(c):
    grid_rows(c)
    c.rect(20, 14, 24, 30, GREEN)
    c.rect(14, 20, 30, 24, GREEN)


def icon_delete(c):
    grid_rows(c)
    c.line(16, 16, 29, 29, RED, 3)
    c.line(29, 16, 16, 29, RED, 3)


def icon_start(c):
    c.polygon([(8, 4), (27, 16), (8, 28)], GREEN, BLACK)


def icon_stop(c):
    c.rect(6, 6, 25, 25, RED, BLACK)


def icon_settings(c):
    for k in range(8):
        a = k * math.pi / 4
        c.line(16, 16, round(16 + 13 * math.cos(a)), round(16 + 13 * math.sin(a)), DARK, 4)
    c.disc(16, 16, 10, GREY, BLACK)
    c.disc(16, 16, 4, WHITE, BLACK)


def icon_program(c):
    # A lamp over the eight data lines.
    c.disc(16, 12, 9, YELLOW, (200, 150, 0))
    c.rect(12, 20, 20, 24, GREY, DARK)
    for i in range(8):
        c.rect(2 + i * 4, 27, 3 + i * 4, 30, RED if i % 2 == 0 else GREEN)


def resize_cursor(c):
    # Double bar with an arrow to each side, centred on the hot spot (8, 8).
    def mark(color, grow):
        for x in (7, 9):
            c.rect(x - grow, 1 - grow, x + grow, 15 + grow, color)
        c.rect(1 - grow, 8 - grow, 15 + grow, 8 + grow, color)
        for d in range(4):
            c.rect(1 + d - grow, 8 - d - grow, 1 + d + grow, 8 + d + grow, color)
            c.rect(15 - d - grow, 8 - d - grow, 15 - d + grow, 8 + d + grow, color)
    mark(WHITE, 1)
    mark(BLACK, 0)


def image_bytes(c):
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(N)):
        bits = 0
        for x in range(N):
            p = c.px[y][x]
            if p is None:
                xor += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
            else:
                xor += bytes((p[2], p[1], p[0], 255))
        mask += struct.pack('>I', bits)
    header = struct.pack('<IiiHHIIiiII', 40, N, 2 * N, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write(name, c, kind=1, hotspot=(0, 0)):
    data = image_bytes(c)
    planes, bpp = (1, 32) if kind == 1 else hotspot
    out = struct.pack('<HHH', 0, kind, 1)
    out += struct.pack('<BBBBHHII', N, N, 0, 0, planes, bpp, len(data), 22)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out + data)


ICONS = {
    'program.ico': icon_program, 'new.ico': icon_new, 'open.ico': icon_open, 'save.ico': icon_save,
    'about.ico': icon_about, 'addrows.ico': icon_add, 'deleterow.ico': icon_delete,
    'start.ico': icon_start, 'stop.ico': icon_stop, 'settings.ico': icon_settings,
}

if __name__ == '__main__':
    for name, draw in ICONS.items():
        canvas = Canvas()
        draw(canvas)
        write(name, canvas)
    canvas = Canvas()
    resize_cursor(canvas)
    write('resize.cur', canvas, kind=2, hotspot=(8, 8))
