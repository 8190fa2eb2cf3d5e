#!/usr/bin/env python3
"""Draws Orvelkit's icon, busy animation and button glyphs and writes them as Windows resource files.

Usage: generate.py            write the files next to this script
       generate.py --check    regenerate in memory and fail if the files on disk differ
       generate.py --preview DIR   also write enlarged PNG previews into DIR (keep them out of the repo)
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # supersampling per axis, so shapes get fair edges at 16 pixels

# The classic 16-colour palette in icon order, so 4bpp images look right on any display depth.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
         (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
         (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GRAY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = VGA16


# ---------------------------------------------------------------- rendering

def render(scene, w, h, average):
    """Samples scene(x, y) in unit coordinates; returns rows of RGB or None (empty)."""
    rows = []
    for py in range(h):
        row = []
        for px in range(w):
            hits = [scene((px + (i + 0.5) / SS) / w, (py + (j + 0.5) / SS) / h) for j in range(SS) for i in range(SS)]
            hits = [c for c in hits if c is not None]
            if 2 * len(hits) < SS * SS:
                row.append(None)
            elif average:  # smooth inner edges, but never blend with the unknown background
                row.append(tuple((sum(c[k] for c in hits) + len(hits) // 2) // len(hits) for k in range(3)))
            else:  # palette art: the most common colour, first-seen wins ties
                row.append(max(hits, key=lambda c: (hits.count(c), -hits.index(c))))
        rows.append(row)
    return rows


def mix(a, b, t):
    return tuple(round(a[k] + (b[k] - a[k]) * t) for k in range(3))


def ell(x, y, cx, cy, rx, ry):
    return math.hypot((x - cx) / rx, (y - cy) / ry)


def seg_dist(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def in_triangle(x, y, a, b, c):
    side = lambda p, q: (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def build_palette(images, size, first=()):
    """Exact colours when they fit; otherwise coarser rounding until they do (deterministic)."""
    step = 1
    while True:
        q = lambda c: tuple(min(255, round(v / step) * step) for v in c)
        used = sorted({q(c) for img in images for row in img for c in row if c is not None} - set(first))
        if len(first) + len(used) <= size:
            pal = list(first) + used
            return pal + [(0, 0, 0)] * (size - len(pal)), q
        step += 1


# ---------------------------------------------------------------- binary formats

def bih(w, h, bpp, compression=0, image_size=0, colours=0):
    return struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, compression, image_size, 0, 0, colours, 0)


def rgbquads(pal):
    return b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in pal)


def pack_rows(indices, bpp):
    """Bottom-up DIB rows, each padded to 4 bytes."""
    out = b''
    for row in reversed(indices):
        if bpp == 24:
            line = b''.join(struct.pack('BBB', c[2], c[1], c[0]) for c in row)
        elif bpp == 8:
            line = bytes(row)
        elif bpp == 4:
            line = bytes((row[i] << 4) | (row[i + 1] if i + 1 < len(row) else 0) for i in range(0, len(row), 2))
        else:
            line = bytes(sum(row[i + b] << (7 - b) for b in range(8) if i + b < len(row)) for i in range(0, len(row), 8))
        out += line + b'\0' * (-len(line) % 4)
    return out


def bmp_file(img, bpp, bg):
    h, w = len(img), len(img[0])
    assert img[-1][0] is None, 'bottom-left pixel must show the transparent colour'
    assert all(c != bg for row in img for c in row if c is not None), 'transparent colour used in drawing'
    img = [[bg if c is None else c for c in row] for row in img]
    if bpp == 24:
        head, bits = b'', pack_rows(img, 24)
    else:
        pal = VGA16
        head, bits = rgbquads(pal), pack_rows([[pal.index(c) for c in row] for row in img], bpp)
    info = bih(w, h, bpp, 0, len(bits), len(head) // 4) + head
    return b'BM' + struct.pack('<IHHI', 14 + len(info) + len(bits), 0, 0, 14 + len(info)) + info + bits


def ico_file(images):
    """images: list of (rows, bpp); BMP-format entries with AND masks."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img, bpp in images:
        h, w = len(img), len(img[0])
        # black first: masked-out pixels must XOR as colour 0 to stay transparent
        pal, q = (VGA16, lambda c: c) if bpp == 4 else build_palette([img], 256, first=[(0, 0, 0)])
        xor = [[0 if c is None else pal.index(q(c)) for c in row] for row in img]
        mask = [[1 if c is None else 0 for c in row] for row in img]
        bits = pack_rows(xor, bpp) + pack_rows(mask, 1)
        blob = bih(w, 2 * h, bpp, 0, len(bits)) + rgbquads(pal) + bits
        entries.append(struct.pack('<BBBBHHII', w % 256, h % 256, 16 if bpp == 4 else 0, 0, 1, bpp, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack('<HHH', 0, 1, len(images)) + b''.join(entries) + b''.join(blobs)


def rle8_encode(indices):
    out = bytearray()
    rows = list(reversed(indices))
    for y, row in enumerate(rows):
        i, n = 0, len(row)
        while i < n:
            run = 1
            while i + run < n and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 2:
                out += bytes((run, row[i]))
                i += run
                continue
            j = i  # gather literals up to the next run of two or more
            while j < n and j - i < 255 and not (j + 1 < n and row[j + 1] == row[j]):
                j += 1
            lit = row[i:j]
            if len(lit) >= 3:  # absolute mode, padded to a word boundary
                out += bytes((0, len(lit))) + bytes(lit) + b'\0' * (len(lit) % 2)
            else:
                for v in lit:
                    out += bytes((1, v))
            i = j
        out += b'\0\1' if y == len(rows) - 1 else b'\0\0'
    return bytes(out)


def rle8_decode(data, w, h):
    """Independent reader used by the self-check; returns top-down rows."""
    px = [[0] * w for _ in range(h)]
    x = y = i = 0
    while True:
        a, b = data[i], data[i + 1]
        i += 2
        if a:
            for _ in range(a):
                px[y][x] = b
                x += 1
        elif b == 0:
            assert x == w, 'short row'
            x, y = 0, y + 1
        elif b == 1:
            assert x == w and y == h - 1 and i == len(data), 'bad end-of-bitmap'
            break
        elif b == 2:
            x, y = x + data[i], y + data[i + 1]
            i += 2
        else:
            for k in range(b):
                px[y][x] = data[i + k]
                x += 1
            i += b + (b % 2)
    return list(reversed(px))


def chunk(fourcc, data):
    return fourcc + struct.pack('<I', len(data)) + data + b'\0' * (len(data) % 2)


def riff_list(kind, fourcc, data):
    return kind + struct.pack('<I', len(data) + 4) + fourcc + data


def avi_file(frames, pal, fps):
    h, w = len(frames[0]), len(frames[0][0])
    packed = [rle8_encode(f) for f in frames]
    biggest = max(len(p) for p in packed)
    avih = struct.pack('<14I', 1000000 // fps, biggest * fps, 0, 0x10, len(frames), 0, 1, biggest, w, h, 0, 0, 0, 0)
    strh = b'vidsmrle' + struct.pack('<IHHIIIIIIIIhhhh', 0, 0, 0, 0, 1, fps, 0, len(frames), biggest,
                                     0xFFFFFFFF, 0, 0, 0, w, h)
    strf = bih(w, h, 8, 1, biggest, 256) + rgbquads(pal)
    hdrl = riff_list(b'LIST', b'hdrl', chunk(b'avih', avih) +
                     riff_list(b'LIST', b'strl', chunk(b'strh', strh) + chunk(b'strf', strf)))
    movi, index, pos = b'', b'', 4  # idx1 offsets count from the 'movi' fourcc
    for p in packed:
        index += b'00dc' + struct.pack('<III', 0x10, pos, len(p))
        c = chunk(b'00dc', p)
        movi += c
        pos += len(c)
    body = hdrl + riff_list(b'LIST', b'movi', movi) + chunk(b'idx1', index)
    return riff_list(b'RIFF', b'AVI ', body), packed


# ---------------------------------------------------------------- pictures

def icon_scene(rich, size):
    bars = [(0, 3, 8), (4, 7, 4), (8, 11, 6), (12, 15, 1)]  # sixteenths: x0, x1, top; gaps stay whole pixels
    lx, ly, lr, rim = 0.40, 0.40, 0.25, 0.07 if size < 32 else 0.06
    hx, hy = lx + lr * 0.72, ly + lr * 0.72

    def scene(x, y):
        d = math.hypot(x - lx, y - ly)
        if seg_dist(x, y, hx, hy, 0.92, 0.92) < (0.075 if size < 32 else 0.08) and d > lr:
            return mix((120, 80, 40), (50, 30, 12), (x - hx) / (0.92 - hx)) if rich else BLACK
        if abs(d - lr) < rim:
            if rich:
                return mix((110, 110, 125), (25, 25, 35), (y - ly + lr) / (2 * lr))
            return GRAY if size >= 32 and abs(d - lr) < rim / 2 else BLACK
        inside = d < lr
        c = None
        if y >= 15 / 16 and x < 15 / 16:
            c = (40, 40, 48) if rich else BLACK
        for x0, x1, top in bars:
            if x0 / 16 <= x < x1 / 16 and top / 16 <= y < 15 / 16:
                if rich:
                    c = mix((190, 130, 240), (90, 20, 140), (x * 16 - x0) / (x1 - x0))
                else:
                    c = MAGENTA if inside else PURPLE
        if inside:
            glint = math.hypot(x - lx + 0.09, y - ly + 0.09) < (0.06 if rich else 0.075)
            if rich:  # tinted glass with a glint, so the lens reads as glass over the chart
                c = (255, 255, 255) if glint else mix(c, (215, 235, 255), 0.45) if c else (215, 235, 255)
            else:
                c = c or (WHITE if glint else CYAN)
        return c
    return scene


LENS_ART = """
.kkkk...
kwccck..
kccccck.
kccccck.
kccccck.
.kkkkkm.
......mm
.......m"""
LENS_PATH = [(2, 1), (4, 0), (6, 0), (8, 1), (8, 3), (6, 4), (4, 4), (2, 3)]  # one loop over the screen
TEXT_LINES = [(3, 9), (5, 6), (7, 10), (9, 7)]  # row, length of a "listing" line on the screen


def busy_frames():
    """Monitor with a magnifying glass sweeping over its screen, drawn pixel by pixel."""
    base = [[MAGENTA] * 16 for _ in range(16)]
    for y in range(1, 12):
        for x in range(1, 15):
            base[y][x] = GRAY if y == 11 or x == 14 else SILVER
    for y in range(2, 10):
        for x in range(2, 13):
            base[y][x] = BLUE
    for y, n in TEXT_LINES:
        for x in range(3, 3 + n):
            base[y][x] = WHITE
    for x in range(6, 10):
        base[12][x] = GRAY
    for x in range(4, 12):
        base[13][x] = GRAY
    glass = {BLUE: CYAN, WHITE: WHITE, SILVER: WHITE, GRAY: SILVER, MAGENTA: WHITE}
    frames = []
    for ox, oy in LENS_PATH:
        f = [row[:] for row in base]
        for j, line in enumerate(LENS_ART.split()):
            for i, ch in enumerate(line):
                x, y = ox + i, oy + j
                if ch != '.' and x < 16 and y < 16:
                    f[y][x] = {'k': BLACK, 'm': MAROON, 'w': WHITE, 'c': glass[f[y][x]]}[ch]
        frames.append(f)
    return frames


DIR_ART = """
........gggg....
.......g....g...
.......g..ggggg.
.kkk...g...ggg..
koook..g....g...
kooookkkkkkk....
kooooooooook....
koooooookkkkkkkk
kooooookyyyyyyyk
koooookyyyyyyyk.
kooookyyyyyyyk..
koookyyyyyyyk...
kkkkkkkkkkkkk...
................"""


def dir_scene(x, y):
    c = DIR_ART.split()[int(y * 14)][int(x * 16)]
    return {'.': None, 'g': GREEN, 'k': BLACK, 'o': OLIVE, 'y': YELLOW}[c]


def outlined(inside, x, y, t):
    """True near the edge of inside(): some point t away (unit coordinates) falls outside."""
    return not all(inside(x + dx, y + dy) for dx, dy in ((t, 0), (-t, 0), (0, t), (0, -t)))


def info_scene(x, y):
    def bubble(x, y):
        px, py = x * 16, y * 16
        return ell(px, py, 8, 7, 7.7, 6.3) < 1 or in_triangle(px, py, (2.5, 9), (9, 12), (1.2, 15.8))
    if not bubble(x, y):
        return None
    px, py = x * 16, y * 16
    if math.hypot(px - 8, py - 3.9) < 1.15 or (7 <= px < 9 and 6.1 <= py < 11.2):
        return (255, 255, 255)
    if outlined(bubble, x, y, 1 / 16):
        return (15, 45, 130)
    return mix((110, 170, 250), (30, 80, 200), y)


def e_letter(px, py):
    """Lower-case e around the origin in pixel units: a thick ring, a bar, and an opening at the lower right."""
    d, ang = math.hypot(px, py), math.atan2(-py, px)
    return d < 6.6 and (d >= 3.2 or abs(py) < 0.8) and not (-0.9 < ang < 0.0 and py > 0.8)


def google_scene(x, y):
    px, py = x * 16 - 8, y * 16 - 8.3
    ca, sa = math.cos(0.5), math.sin(0.5)
    u, v = px * ca - py * sa, px * sa + py * ca  # orbit frame, tilted to rise to the right
    ring = 0.86 < ell(u, v, 0, 0, 8.4, 3.0) < 1.04
    body = e_letter(px, py)
    if ring and (not body or v > 0):  # in front of the letter at the bottom, behind it at the top
        return (10, 35, 120)
    if body:
        return mix((90, 170, 255), (15, 80, 205), y)
    return None


def start_scene(x, y):
    px, py = x * 16, y * 16
    phase = (px - 1) / 14 * 2 * math.pi
    yy = py - 1.1 * math.sin(phase) - (px - 1) * 0.12  # wave plus a slight droop to the right
    if not (1 <= px < 15.5 and 1.5 <= yy < 13):
        return None
    if abs(px - 8.2) < 0.55 or abs(yy - 7.2) < 0.55:
        return None
    shade = 0.78 + 0.22 * math.cos(phase)
    left, top = px < 8.2, yy < 7.2
    base = (240, 40, 30) if left and top else (40, 180, 40) if top else (30, 100, 235) if left else (255, 200, 0)
    return tuple(round(c * shade) for c in base)


# ---------------------------------------------------------------- assembly

# Glyph widths for the densities the program scales to (96, 120, 144, 192 pixels per inch); the file
# of a wider glyph carries its width in its name. The window icon's further sizes serve the same.
GLYPH_WIDTHS = (16, 20, 24, 32)
LARGE_ICON_SIZES = (20, 24, 40, 48, 64)


def glyph_name(name, width):
    return '%s.bmp' % name if width == 16 else '%s-%d.bmp' % (name, width)


def build():
    out = {}
    ico = [(render(icon_scene(rich, s), s, s, rich), 8 if rich else 4) for rich in (False, True) for s in (16, 32)]
    ico += [(render(icon_scene(True, s), s, s, True), 8) for s in LARGE_ICON_SIZES]
    out['orvel.ico'] = ico_file(ico)
    frames = busy_frames()
    pal = [MAGENTA] + [c for c in VGA16 if c != MAGENTA]  # background first: the control keys on pixel (0,0)
    pal += [(0, 0, 0)] * (256 - len(pal))
    idx = [[[pal.index(c) for c in row] for row in f] for f in frames]
    out['busy.avi'], packed = avi_file(idx, pal, 10)
    for p, f in zip(packed, idx):
        assert rle8_decode(p, 16, 16) == f, 'RLE8 round trip failed'
    assert all(f[0][0] == 0 for f in idx), 'top-left pixel must be the magenta background'
    for w in GLYPH_WIDTHS:
        out[glyph_name('dir', w)] = bmp_file(render(dir_scene, w, (14 * w + 8) // 16, False), 4, MAGENTA)
        for name, scene in (('info', info_scene), ('google', google_scene), ('start', start_scene)):
            out[glyph_name(name, w)] = bmp_file(render(scene, w, w, True), 24, (255, 0, 255))
    previews = {'icon%d_%dbpp' % (len(i), b): i for i, b in ico}
    previews['busy_strip'] = [sum((f[y] + [None] for f in frames), []) for y in range(16)]
    return out, previews


def png(rows, scale):
    h, w = len(rows) * scale, len(rows[0]) * scale
    raw = b''.join(b'\0' + b''.join(bytes(rows[y // scale][x // scale] or (200, 200, 200)) for x in range(w))
                   for y in range(h))
    ck = lambda t, d: struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d))
    return (b'\x89PNG\r\n\x1a\n' + ck(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0)) +
            ck(b'IDAT', zlib.compress(raw, 9)) + ck(b'IEND', b''))


def main(argv):
    out, previews = build()
    if '--check' in argv:
        stale = [n for n, data in sorted(out.items())
                 if not os.path.exists(os.path.join(HERE, n)) or open(os.path.join(HERE, n), 'rb').read() != data]
        if stale:
            print('out of date: ' + ', '.join(stale), file=sys.stderr)
            return 1
        print('resources up to date')
        return 0
    for name, data in sorted(out.items()):
        with open(os.path.join(HERE, name), 'wb') as f:
            f.write(data)
        print('wrote %s (%d bytes)' % (name, len(data)))
    if '--preview' in argv:
        folder = argv[argv.index('--preview') + 1]
        os.makedirs(folder, exist_ok=True)
        for name, rows in previews.items():
            with open(os.path.join(folder, name + '.png'), 'wb') as f:
                f.write(png(rows, 16))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
