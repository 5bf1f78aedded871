#!/usr/bin/python3
"""Draws every bitmap of the program's skin into res/bitmaps/<number>.png.

Run it from anywhere: `tools/make-artwork.py` (needs Debian's python3-pil). The PNGs are
committed; run it again after changing the look and commit the result.

Button images are drawn over the very piece of the window background they sit on, then
everything outside the button's shape is set to pure white (255, 255, 255), which the
program reads as "outside" when it cuts the button's shape. Inside a shape no pixel is
pure white. Geometry mirrors the window's layout: dialog units of the 9-point template,
7 x 14 pixels per 4 x 8 units.
"""

import math
import os
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor for smooth edges
HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', 'res', 'bitmaps')
FONT_DIR = '/usr/share/fonts/truetype/dejavu'

# Window client size and the background bitmap's size (the window stretches it).
WIN_W, WIN_H = 880, 537
BG_W, BG_H = 880, 540

# Palette: a calm slate header, a light mint body and one green accent.
HEADER_TOP = (20, 37, 45)
HEADER_BOTTOM = (30, 58, 66)
BODY_TOP = (242, 246, 243)
BODY_BOTTOM = (225, 232, 228)
ACCENT = (40, 164, 96)
ACCENT_LIGHT = (88, 204, 136)
ACCENT_DARK = (24, 126, 72)
TEXT = (38, 50, 56)
MUTED = (112, 126, 132)
BORDER = (200, 212, 205)
DISABLED_FILL = (232, 236, 234)
DISABLED_INK = (172, 181, 177)
RED = (214, 78, 66)
BLUE = (44, 124, 204)
LIST_BG = (241, 250, 233)
HEADER_CELL = (232, 240, 234)
KEY = (255, 0, 255)


def rnd(v):
    return int(math.floor(v + 0.5))


def dlu(x, y, w, h, cx=7, cy=14):
    """A dialog-unit rectangle as pixels (left, top, width, height)."""
    left, top = rnd(x * cx / 4), rnd(y * cy / 8)
    right, bottom = rnd((x + w) * cx / 4), rnd((y + h) * cy / 8)
    return (left, top, right - left, bottom - top)


R = {
    'add': dlu(7, 13, 78, 34), 'clip': dlu(82, 13, 76, 34), 'help': dlu(157, 13, 76, 34),
    'list': dlu(7, 56, 302, 156),
    'remove': dlu(26, 217, 40, 32), 'clear': dlu(97, 217, 41, 32), 'merge': dlu(169, 217, 40, 31),
    'info': dlu(236, 217, 39, 32),
    'profile': dlu(46, 257, 197, 30), 'folder': dlu(46, 277, 197, 73),
    'setting': dlu(255, 249, 66, 23), 'browse': dlu(254, 274, 63, 19), 'find': dlu(321, 273, 61, 19),
    'convert': dlu(382, 245, 107, 46), 'preview': dlu(317, 69, 183, 131), 'position': dlu(318, 204, 180, 12),
    'play': dlu(317, 217, 31, 20), 'stop': dlu(348, 216, 40, 20), 'volume_icon': dlu(434, 219, 12, 14),
    'volume': dlu(449, 220, 46, 11), 'about': dlu(470, 1, 13, 16), 'min': dlu(483, 1, 12, 13),
    'close': dlu(493, 1, 10, 14),
}
HEADER_H = 92
THUMB_W, THUMB_H = 23, 11


# ---------------------------------------------------------------------------------------------
# Small drawing kit


def font(size, bold=False):
    name = 'DejaVuSans-Bold.ttf' if bold else 'DejaVuSans.ttf'
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def lerp(a, b, t):
    return tuple(rnd(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


def vgradient(size, stops):
    """Vertical gradient through (position 0..1, colour) stops."""
    w, h = size
    col = Image.new('RGB', (1, h))
    for y in range(h):
        t = y / (h - 1) if h > 1 else 0
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                col.putpixel((0, y), lerp(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0))
                break
    return col.resize((w, h))


def mask_rrect(size, box, radius):
    m = Image.new('L', size, 0)
    ImageDraw.Draw(m).rounded_rectangle(box, radius, fill=255)
    return m


def mask_ellipse(size, box):
    m = Image.new('L', size, 0)
    ImageDraw.Draw(m).ellipse(box, fill=255)
    return m


def mask_poly(size, points):
    m = Image.new('L', size, 0)
    ImageDraw.Draw(m).polygon(points, fill=255)
    return m


def mask_text(size, xy, text, fnt, anchor='mm', spacing=0):
    m = Image.new('L', size, 0)
    d = ImageDraw.Draw(m)
    if spacing:
        # Letter-spaced text, drawn glyph by glyph from the left.
        x, y = xy
        for ch in text:
            d.text((x, y), ch, font=fnt, fill=255, anchor='ls')
            x += d.textlength(ch, font=fnt) + spacing
    else:
        d.text(xy, text, font=fnt, fill=255, anchor=anchor)
    return m


def scale_mask(m, opacity):
    return m.point(lambda v: rnd(v * opacity))


def fill(layer, mask, paint, opacity=1.0):
    """Composites `paint` (an RGB colour or image) through `mask` onto the RGBA `layer`."""
    if isinstance(paint, tuple):
        src = Image.new('RGBA', layer.size, paint[:3] + (255,))
    else:
        src = paint.convert('RGBA')
    src.putalpha(scale_mask(mask, opacity) if opacity != 1.0 else mask)
    layer.alpha_composite(src)


def shadow(layer, mask, offset=(0, 2), blur=3, opacity=0.25, colour=(0, 0, 0)):
    s = Image.new('L', layer.size, 0)
    s.paste(mask, (rnd(offset[0] * SS), rnd(offset[1] * SS)))
    s = s.filter(ImageFilter.GaussianBlur(blur * SS))
    fill(layer, s, colour, opacity)


def ring(size, box, radius, width):
    """Mask of a rounded-rectangle border `width` (supersampled px) thick."""
    outer = mask_rrect(size, box, radius)
    x0, y0, x1, y1 = box
    inner = mask_rrect(size, (x0 + width, y0 + width, x1 - width, y1 - width), max(0, radius - width))
    return ImageChops.subtract(outer, inner)


def downsample(layer, size):
    # An area average: sharper filters ring around white text and leave dark dots.
    return layer.convert('RGBa').resize(size, Image.BOX).convert('RGBA')


def new_layer(w, h):
    return Image.new('RGBA', (w * SS, h * SS), (0, 0, 0, 0))


def S(*v):
    """Pixel values to supersampled ones."""
    return tuple(rnd(x * SS) for x in v) if len(v) > 1 else rnd(v[0] * SS)


# ---------------------------------------------------------------------------------------------
# Icons, drawn into a supersampled layer around a centre (cx, cy) in pixels, `r` the half size.


def icon_plus(layer, cx, cy, r, ink):
    t = max(1.6, r * 0.28)
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    d.rounded_rectangle(S(cx - r, cy - t / 2, cx + r, cy + t / 2), S(t / 2), fill=255)
    d.rounded_rectangle(S(cx - t / 2, cy - r, cx + t / 2, cy + r), S(t / 2), fill=255)
    fill(layer, m, ink)


def icon_minus(layer, cx, cy, r, ink):
    t = max(1.6, r * 0.28)
    fill(layer, mask_rrect(layer.size, S(cx - r, cy - t / 2, cx + r, cy + t / 2), S(t / 2)), ink)


def icon_scissors(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    w = S(max(1.5, r * 0.2))
    # Blades cross above the finger rings.
    d.line(S(cx - r * 0.15, cy + r * 0.25, cx + r * 0.75, cy - r), fill=255, width=w)
    d.line(S(cx + r * 0.15, cy + r * 0.25, cx - r * 0.75, cy - r), fill=255, width=w)
    for sx in (-1, 1):
        ox = cx + sx * r * 0.45
        oy = cy + r * 0.55
        rr = r * 0.38
        d.ellipse(S(ox - rr, oy - rr, ox + rr, oy + rr), outline=255, width=w)
    fill(layer, m, ink)


def icon_question(layer, cx, cy, r, ink):
    fill(layer, mask_text(layer.size, S(cx, cy + r * 0.05), '?', font(S(r * 1.9), True)), ink)


def icon_info(layer, cx, cy, r, ink):
    fill(layer, mask_text(layer.size, S(cx, cy + r * 0.02), 'i', font(S(r * 1.8), True)), ink)


def icon_trash(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    w = S(max(1.4, r * 0.16))
    d.rounded_rectangle(S(cx - r * 0.62, cy - r * 0.5, cx + r * 0.62, cy + r), S(r * 0.15), outline=255, width=w)
    d.line(S(cx - r * 0.95, cy - r * 0.62, cx + r * 0.95, cy - r * 0.62), fill=255, width=w)
    d.rounded_rectangle(S(cx - r * 0.3, cy - r, cx + r * 0.3, cy - r * 0.6), S(r * 0.1), outline=255, width=w)
    for dx in (-0.25, 0.25):
        d.line(S(cx + r * dx, cy - r * 0.2, cx + r * dx, cy + r * 0.7), fill=255, width=w)
    fill(layer, m, ink)


def icon_file_minus(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    w = S(max(1.4, r * 0.16))
    d.polygon(S(cx - r * 0.7, cy - r, cx + r * 0.3, cy - r, cx + r * 0.75, cy - r * 0.55,
                cx + r * 0.75, cy + r, cx - r * 0.7, cy + r), outline=255, width=w)
    d.line(S(cx - r * 0.35, cy + r * 0.15, cx + r * 0.4, cy + r * 0.15), fill=255, width=S(max(1.8, r * 0.22)))
    fill(layer, m, ink)


def icon_merge(layer, cx, cy, r, ink):
    """Two clips joining into one longer clip."""
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    w = S(max(1.4, r * 0.17))
    for sx in (-1, 1):
        x = cx + sx * r * 0.55
        d.rounded_rectangle(S(x - r * 0.42, cy - r, x + r * 0.42, cy - r * 0.5), S(r * 0.1), fill=255)
        d.line(S(x, cy - r * 0.45, cx + sx * r * 0.12, cy + r * 0.12), fill=255, width=w)
    d.polygon(S(cx - r * 0.38, cy + r * 0.02, cx + r * 0.38, cy + r * 0.02, cx, cy + r * 0.38), fill=255)
    d.rounded_rectangle(S(cx - r, cy + r * 0.5, cx + r, cy + r), S(r * 0.1), fill=255)
    fill(layer, m, ink)


def icon_gear(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    teeth = 8
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4) - math.pi / 2
        rr = r if (i % 4) in (0, 1) else r * 0.76
        pts.append((S(cx + rr * math.cos(a)), S(cy + rr * math.sin(a))))
    d.polygon(pts, fill=255)
    hole = r * 0.34
    d.ellipse(S(cx - hole, cy - hole, cx + hole, cy + hole), fill=0)
    fill(layer, m, ink)


def icon_folder(layer, cx, cy, r, ink, open_arrow=False):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    x0, x1, y0, y1 = cx - r, cx + r, cy - r * 0.72, cy + r * 0.78
    d.rounded_rectangle(S(x0, y0, x0 + r * 0.85, y0 + r * 0.5), S(r * 0.15), fill=255)
    d.rounded_rectangle(S(x0, y0 + r * 0.28, x1, y1), S(r * 0.18), fill=255)
    if open_arrow:
        w = S(max(1.4, r * 0.17))
        ax, ay = cx + r * 0.05, cy + r * 0.22
        d.line(S(ax - r * 0.38, ay + r * 0.3, ax + r * 0.3, ay - r * 0.35), fill=0, width=w)
        d.polygon(S(ax + r * 0.42, ay - r * 0.47, ax - r * 0.02, ay - r * 0.42, ax + r * 0.37, ay - r * 0.02), fill=0)
    else:
        d.line(S(x0 + r * 0.25, cy + r * 0.2, x1 - r * 0.25, cy + r * 0.2), fill=0, width=S(max(1.2, r * 0.12)))
    fill(layer, m, ink)


def icon_play(layer, cx, cy, r, ink):
    pts = [(cx - r * 0.55, cy - r * 0.85), (cx + r * 0.85, cy), (cx - r * 0.55, cy + r * 0.85)]
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    d.polygon([S(*p) for p in pts], fill=255)
    # Round the corners a little by stroking the outline.
    d.line([S(*p) for p in pts + pts[:1]], fill=255, width=S(r * 0.22), joint='curve')
    fill(layer, m, ink)


def icon_pause(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    for sx in (-1, 1):
        x = cx + sx * r * 0.38
        d.rounded_rectangle(S(x - r * 0.22, cy - r * 0.8, x + r * 0.22, cy + r * 0.8), S(r * 0.1), fill=255)
    fill(layer, m, ink)


def icon_stop(layer, cx, cy, r, ink):
    fill(layer, mask_rrect(layer.size, S(cx - r * 0.7, cy - r * 0.7, cx + r * 0.7, cy + r * 0.7), S(r * 0.2)), ink)


def icon_speaker(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    d.polygon(S(cx - r, cy - r * 0.32, cx - r * 0.5, cy - r * 0.32, cx - r * 0.05, cy - r * 0.78,
                cx - r * 0.05, cy + r * 0.78, cx - r * 0.5, cy + r * 0.32, cx - r, cy + r * 0.32), fill=255)
    w = S(max(1.2, r * 0.13))
    for rr in (0.42, 0.78):
        box = S(cx - r * 0.05 - r * rr, cy - r * rr, cx - r * 0.05 + r * rr, cy + r * rr)
        d.arc(box, -50, 50, fill=255, width=w)
    fill(layer, m, ink)


def icon_convert(layer, cx, cy, r, ink):
    """Two arrows chasing each other round a circle."""
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    w = S(max(1.8, r * 0.2))
    box = S(cx - r * 0.78, cy - r * 0.78, cx + r * 0.78, cy + r * 0.78)
    d.arc(box, 200, 330, fill=255, width=w)
    d.arc(box, 20, 150, fill=255, width=w)
    for ang in (330, 150):
        a = math.radians(ang)
        px, py = cx + r * 0.78 * math.cos(a), cy + r * 0.78 * math.sin(a)
        # Arrow head pointing along the clockwise tangent.
        tx, ty = -math.sin(a), math.cos(a)
        nx, ny = math.cos(a), math.sin(a)
        h = r * 0.42
        d.polygon(S(px + tx * h, py + ty * h, px + nx * h * 0.7, py + ny * h * 0.7,
                    px - nx * h * 0.7, py - ny * h * 0.7), fill=255)
    tri = r * 0.32
    d.polygon(S(cx - tri * 0.7, cy - tri, cx + tri, cy, cx - tri * 0.7, cy + tri), fill=255)
    fill(layer, m, ink)


def icon_close(layer, cx, cy, r, ink):
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    w = S(max(1.4, r * 0.26))
    d.line(S(cx - r, cy - r, cx + r, cy + r), fill=255, width=w)
    d.line(S(cx - r, cy + r, cx + r, cy - r), fill=255, width=w)
    fill(layer, m, ink)


def icon_film_drop(layer, cx, cy, r, ink, hole_ink):
    """A film frame with an arrow dropping into it: the drop zone's picture."""
    m = Image.new('L', layer.size, 0)
    d = ImageDraw.Draw(m)
    d.rounded_rectangle(S(cx - r, cy - r * 0.55, cx + r, cy + r * 0.95), S(r * 0.16), fill=255)
    fill(layer, m, ink)
    holes = Image.new('L', layer.size, 0)
    dh = ImageDraw.Draw(holes)
    for i in range(6):
        x = cx - r * 0.78 + i * r * 0.312
        for y in (cy - r * 0.42, cy + r * 0.72):
            dh.rounded_rectangle(S(x - r * 0.07, y - r * 0.06, x + r * 0.07, y + r * 0.08), S(r * 0.03), fill=255)
    fill(layer, holes, hole_ink)
    arrow = Image.new('L', layer.size, 0)
    da = ImageDraw.Draw(arrow)
    da.rounded_rectangle(S(cx - r * 0.12, cy - r * 1.25, cx + r * 0.12, cy + r * 0.15), S(r * 0.1), fill=255)
    da.polygon(S(cx - r * 0.42, cy - r * 0.05, cx + r * 0.42, cy - r * 0.05, cx, cy + r * 0.45), fill=255)
    fill(layer, arrow, hole_ink)


# ---------------------------------------------------------------------------------------------
# The window background


def logo_mark(layer, x, y, size):
    """The product mark: a green tile with a play triangle inside a conversion ring."""
    m = mask_rrect(layer.size, S(x, y, x + size, y + size), S(size * 0.24))
    shadow(layer, m, (0, 1), 2, 0.35)
    tile = Image.new('RGBA', layer.size)
    g = vgradient((S(size), S(size)), [(0, (92, 214, 142)), (1, (20, 128, 86))])
    tile.paste(g, S(x, y))
    fill(layer, m, tile)
    icon_convert(layer, x + size / 2, y + size / 2, size * 0.36, (255, 255, 255))


def draw_background():
    w, h = WIN_W, WIN_H
    layer = new_layer(w, h)
    full = Image.new('L', layer.size, 255)
    fill(layer, full, vgradient(layer.size, [(0, BODY_TOP), (1, BODY_BOTTOM)]))

    # Header band with a soft sheen and an accent rule.
    band = Image.new('L', layer.size, 0)
    ImageDraw.Draw(band).rectangle(S(0, 0, w, HEADER_H), fill=255)
    fill(layer, band, vgradient(layer.size, [(0, HEADER_TOP), (HEADER_H / h, HEADER_BOTTOM), (1, HEADER_BOTTOM)]))
    sheen = Image.new('L', layer.size, 0)
    ImageDraw.Draw(sheen).polygon(S(420, 0, 640, 0, 520, HEADER_H, 300, HEADER_H), fill=255)
    fill(layer, ImageChops.multiply(sheen, band), (255, 255, 255), 0.035)
    rule = Image.new('L', layer.size, 0)
    ImageDraw.Draw(rule).rectangle(S(0, HEADER_H, w, HEADER_H + 2), fill=255)
    fill(layer, rule, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT)]))

    # Product name beside the mark, right of the header buttons.
    logo_mark(layer, 432, 24, 44)
    fill(layer, mask_text(layer.size, S(488, 47), 'Zentrova', font(S(25), True), anchor='ls'), (255, 255, 255))
    fill(layer, mask_text(layer.size, S(489, 66), 'iPod Video Converter', font(S(13.5)), anchor='ls'), (150, 214, 180))

    # Task-list card: a drop zone that the list covers once it holds rows.
    lx, ly, lw, lh = R['list']
    card = mask_rrect(layer.size, S(lx, ly, lx + lw - 1, ly + lh - 1), S(8))
    shadow(layer, card, (0, 2), 4, 0.10)
    fill(layer, card, (252, 254, 252))
    fill(layer, ring(layer.size, S(lx, ly, lx + lw - 1, ly + lh - 1), S(8), S(1)), BORDER)
    dash = Image.new('L', layer.size, 0)
    dd = ImageDraw.Draw(dash)
    inset = 14
    x0, y0, x1, y1 = lx + inset, ly + inset, lx + lw - 1 - inset, ly + lh - 1 - inset
    seg, gap = 9, 6
    for (ax, ay, bx, by) in ((x0 + 10, y0, x1 - 10, y0), (x0 + 10, y1, x1 - 10, y1),
                             (x0, y0 + 10, x0, y1 - 10), (x1, y0 + 10, x1, y1 - 10)):
        length = math.hypot(bx - ax, by - ay)
        n = int(length // (seg + gap))
        for i in range(n + 1):
            s0 = i * (seg + gap)
            s1 = min(length, s0 + seg)
            if s0 >= length:
                break
            fx, fy = (bx - ax) / length, (by - ay) / length
            dd.line(S(ax + fx * s0, ay + fy * s0, ax + fx * s1, ay + fy * s1), fill=255, width=S(1.6))
    for (cx, cy, a0) in ((x0 + 10, y0 + 10, 180), (x1 - 10, y0 + 10, 270), (x1 - 10, y1 - 10, 0), (x0 + 10, y1 - 10, 90)):
        dd.arc(S(cx - 10, cy - 10, cx + 10, cy + 10), a0, a0 + 90, fill=255, width=S(1.6))
    fill(layer, dash, (178, 208, 190))
    cx = lx + lw / 2
    disc = mask_ellipse(layer.size, S(cx - 38, ly + 62, cx + 38, ly + 138))
    fill(layer, disc, (226, 244, 233))
    icon_film_drop(layer, cx, ly + 104, 21, ACCENT, (226, 244, 233))
    fill(layer, mask_text(layer.size, S(cx, ly + 166), 'Drop video and audio files here', font(S(16), True)), TEXT)
    fill(layer, mask_text(layer.size, S(cx, ly + 190), 'or press  Add Files  to choose them', font(S(12.5))), MUTED)
    fill(layer, mask_text(layer.size, S(cx, ly + 226), 'MP4 · MOV · AVI · MKV · MPEG · FLV · WMV · VOB · MP3 · WAV · FLAC',
                          font(S(10.5))), (150, 164, 158))

    # Preview screen and its caption.
    px, py, pw, ph = R['preview']
    fill(layer, mask_text(layer.size, S(px + 2, py - 6), 'PREVIEW', font(S(10), True), spacing=S(1.2)), MUTED)
    scr = mask_rrect(layer.size, S(px - 2, py - 2, px + pw + 1, py + ph + 1), S(7))
    shadow(layer, scr, (0, 2), 4, 0.22)
    fill(layer, scr, vgradient(layer.size, [(0, (10, 15, 18)), (py / h, (16, 24, 28)), ((py + ph) / h, (24, 34, 38)), (1, (24, 34, 38))]))
    fill(layer, ring(layer.size, S(px - 2, py - 2, px + pw + 1, py + ph + 1), S(7), S(1)), (58, 74, 80))
    scx, scy = px + pw / 2, py + ph / 2
    fill(layer, ring(layer.size, S(scx - 26, scy - 26, scx + 26, scy + 26), S(26), S(2.5)), (52, 66, 72))
    icon_play(layer, scx + 3, scy, 13, (52, 66, 72))

    # Labels of the Profile and Output boxes.
    for key, text in (('profile', 'Profile:'), ('folder', 'Output:')):
        bx, by, _, _ = R[key]
        fill(layer, mask_text(layer.size, S(bx - 8, by + 13), text, font(S(12.5), True), anchor='rm'), TEXT)

    # A hairline frame: the window has a thin border and no caption.
    fill(layer, ring(layer.size, S(0, 0, w - 1, h - 1), 0, S(1)), (96, 112, 116))

    screen = downsample(layer, (w, h)).convert('RGB')
    bitmap = screen.resize((BG_W, BG_H), Image.BICUBIC)
    return screen, bitmap


# ---------------------------------------------------------------------------------------------
# Buttons


def finish(img_rgba, rect, bg, shape_alpha):
    """The button image over its piece of background, white outside `shape_alpha`."""
    x, y, w, h = rect
    base = bg.crop((x, y, x + w, y + h)).convert('RGBA')
    base.alpha_composite(img_rgba)
    out = base.convert('RGB')
    px = out.load()
    a = shape_alpha.load()
    for j in range(h):
        for i in range(w):
            if a[i, j] < 10:
                px[i, j] = (255, 255, 255)
            elif px[i, j] == (255, 255, 255):
                px[i, j] = (254, 254, 254)
    return out


def render(rect, draw):
    _, _, w, h = rect
    layer = new_layer(w, h)
    draw(layer, w, h)
    return downsample(layer, (w, h))


def header_button(icon, label, state):
    """Add, Clip and Help: pills on the dark header with a round icon badge."""
    def draw(layer, w, h):
        box = (6, 7, w - 6, h - 7)
        m = mask_rrect(layer.size, S(*box), S(13))
        if state == 'hover':
            shadow(layer, m, (0, 2), 3, 0.45)
            fill(layer, m, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT)]))
            fill(layer, ring(layer.size, S(*box), S(13), S(1)), (128, 224, 166))
        elif state == 'normal':
            fill(layer, m, (255, 255, 255), 0.09)
            fill(layer, ring(layer.size, S(*box), S(13), S(1)), (255, 255, 255), 0.22)
        else:
            fill(layer, m, (255, 255, 255), 0.04)
            fill(layer, ring(layer.size, S(*box), S(13), S(1)), (255, 255, 255), 0.10)
        bx, by, br = 6 + 23, h / 2, 14
        badge = mask_ellipse(layer.size, S(bx - br, by - br, bx + br, by + br))
        if state == 'hover':
            fill(layer, badge, (255, 255, 255))
            ink = ACCENT_DARK
        elif state == 'normal':
            fill(layer, badge, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT)]))
            ink = (255, 255, 255)
        else:
            fill(layer, badge, (255, 255, 255), 0.10)
            ink = (120, 140, 146)
        icon(layer, bx, by, 7.5, ink)
        text_ink = (255, 255, 255) if state != 'disabled' else (120, 140, 146)
        fill(layer, mask_text(layer.size, S(bx + br + 9, by + 1), label, font(S(14), True), anchor='lm'), text_ink)
    return draw


def tile_button(icon, label, icon_ink, state):
    """Remove, Clear, Merge and File Information: square tiles below the list."""
    def draw(layer, w, h):
        # The same bottom edge for every tile, whatever its control's height.
        box = (3, 3, w - 4, min(h - 3, 51))
        m = mask_rrect(layer.size, S(*box), S(10))
        if state == 'disabled':
            fill(layer, m, DISABLED_FILL)
            fill(layer, ring(layer.size, S(*box), S(10), S(1)), (218, 225, 221))
            ink, text_ink = DISABLED_INK, DISABLED_INK
        else:
            shadow(layer, m, (0, 1.5), 2, 0.16 if state == 'normal' else 0.24)
            top, bottom = ((255, 255, 255), (243, 247, 244)) if state == 'normal' else ((246, 255, 249), (226, 246, 234))
            fill(layer, m, vgradient(layer.size, [(0, top), (1, bottom)]))
            fill(layer, ring(layer.size, S(*box), S(10), S(1)), BORDER if state == 'normal' else ACCENT_LIGHT)
            ink, text_ink = icon_ink, TEXT
        icon(layer, w / 2, 21, 9, ink)
        fill(layer, mask_text(layer.size, S(w / 2, 41), label, font(S(10.5), True)), text_ink)
    return draw


def pill_button(icon, label, state, icon_ink=ACCENT):
    """Settings, Browse and Open: light pills with an icon and a label."""
    def draw(layer, w, h):
        box = (3, 3, w - 4, h - 4)
        rad = min(14, (box[3] - box[1]) / 2)
        m = mask_rrect(layer.size, S(*box), S(rad))
        if state == 'disabled':
            fill(layer, m, DISABLED_FILL)
            fill(layer, ring(layer.size, S(*box), S(rad), S(1)), (218, 225, 221))
            ink, text_ink = DISABLED_INK, DISABLED_INK
        else:
            shadow(layer, m, (0, 1.5), 2, 0.15 if state == 'normal' else 0.22)
            top, bottom = ((255, 255, 255), (241, 246, 243)) if state == 'normal' else ((246, 255, 249), (224, 245, 232))
            fill(layer, m, vgradient(layer.size, [(0, top), (1, bottom)]))
            fill(layer, ring(layer.size, S(*box), S(rad), S(1)), BORDER if state == 'normal' else ACCENT_LIGHT)
            ink, text_ink = icon_ink, TEXT
        f = font(S(12.5), True)
        tw = ImageDraw.Draw(Image.new('L', (1, 1))).textlength(label, font=f) / SS
        total = 16 + 7 + tw
        x0 = (w - 1) / 2 - total / 2
        cy = (h - 1) / 2
        icon(layer, x0 + 8, cy, 7.5, ink)
        fill(layer, mask_text(layer.size, S(x0 + 23, cy + 0.5), label, f, anchor='lm'), text_ink)
    return draw


def convert_button(state):
    def draw(layer, w, h):
        box = (5, 5, w - 6, h - 8)
        m = mask_rrect(layer.size, S(*box), S(16))
        if state == 'disabled':
            fill(layer, m, vgradient(layer.size, [(0, (214, 220, 217)), (1, (192, 200, 196))]))
            fill(layer, ring(layer.size, S(*box), S(16), S(1)), (186, 195, 191))
            ink = (244, 247, 245)
        else:
            shadow(layer, m, (0, 3), 4, 0.30 if state == 'normal' else 0.40, (10, 80, 40))
            top, bottom = ((82, 204, 132), (28, 140, 80)) if state == 'normal' else ((104, 222, 152), (36, 158, 92))
            fill(layer, m, vgradient(layer.size, [(0, top), (1, bottom)]))
            gloss = mask_rrect(layer.size, S(box[0] + 2, box[1] + 2, box[2] - 2, (box[1] + box[3]) / 2), S(14))
            fill(layer, gloss, (255, 255, 255), 0.10)
            fill(layer, ring(layer.size, S(*box), S(16), S(1)), (20, 118, 66))
            ink = (255, 255, 255)
        cy = (box[1] + box[3]) / 2
        icon_convert(layer, box[0] + 34, cy, 15, ink)
        fill(layer, mask_text(layer.size, S(box[0] + 60, cy + 1), 'Convert', font(S(21), True), anchor='lm'), ink)
    return draw


def transport_button(icon, state, primary):
    """Play (filled green) and Stop (light) under the preview."""
    def draw(layer, w, h):
        box = (3, 3, w - 4, h - 4)
        rad = (box[3] - box[1]) / 2
        m = mask_rrect(layer.size, S(*box), S(rad))
        if state == 'disabled':
            fill(layer, m, DISABLED_FILL)
            fill(layer, ring(layer.size, S(*box), S(rad), S(1)), (216, 223, 219))
            ink = DISABLED_INK
        elif primary:
            shadow(layer, m, (0, 1.5), 2, 0.25, (10, 80, 40))
            fill(layer, m, vgradient(layer.size, [(0, (82, 204, 132)), (1, (30, 142, 82))]))
            fill(layer, ring(layer.size, S(*box), S(rad), S(1)), (22, 120, 68))
            ink = (255, 255, 255)
        else:
            shadow(layer, m, (0, 1.5), 2, 0.16)
            fill(layer, m, vgradient(layer.size, [(0, (255, 255, 255)), (1, (239, 244, 241))]))
            fill(layer, ring(layer.size, S(*box), S(rad), S(1)), BORDER)
            ink = TEXT
        icon(layer, (w - 1) / 2, (h - 1) / 2, 8, ink)
    return draw


def glyph_button(icon, state, hover_fill):
    """About, Minimize and Close: small round glyphs on the header."""
    def draw(layer, w, h):
        d = min(w, h) - 4
        cx, cy = (w - 1) / 2, (h - 1) / 2
        m = mask_ellipse(layer.size, S(cx - d / 2, cy - d / 2, cx + d / 2, cy + d / 2))
        if state == 'hover':
            fill(layer, m, hover_fill)
        else:
            fill(layer, m, (255, 255, 255), 0.12)
        icon(layer, cx, cy, d * 0.24, (255, 255, 255))
    return draw


def speaker_glyph(layer, w, h):
    icon_speaker(layer, (w - 1) / 2 + 1, (h - 1) / 2, 8.5, (84, 100, 106))


# ---------------------------------------------------------------------------------------------
# Slider pieces


def channel(width, height, bg_piece, inside):
    layer = new_layer(width, height)
    if bg_piece is not None:
        base = bg_piece.resize(layer.size).convert('RGBA')
        layer.alpha_composite(base)
    cy = (height - 1) / 2
    track = mask_rrect(layer.size, S(1, cy - 2.5, width - 2, cy + 2.5), S(2.5))
    if inside:
        fill(layer, track, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT)]))
    else:
        fill(layer, track, (204, 213, 208))
        fill(layer, ring(layer.size, S(1, cy - 2.5, width - 2, cy + 2.5), S(2.5), S(0.8)), (184, 195, 189))
    return downsample(layer, (width, height)).convert('RGB')


def keyed(rgba, backdrop):
    """An image with a key colour outside: what the thumb and header pieces use."""
    base = Image.new('RGBA', rgba.size, backdrop + (255,))
    base.alpha_composite(rgba)
    out = base.convert('RGB')
    a = rgba.getchannel('A').load()
    px = out.load()
    for j in range(rgba.size[1]):
        for i in range(rgba.size[0]):
            if a[i, j] < 110:
                px[i, j] = KEY
    return out


def thumb(dragging):
    layer = new_layer(THUMB_W, THUMB_H)
    box = (0.5, 0.5, THUMB_W - 1.5, THUMB_H - 1.5)
    m = mask_rrect(layer.size, S(*box), S(5))
    if dragging:
        fill(layer, m, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT_DARK)]))
        fill(layer, ring(layer.size, S(*box), S(5), S(1)), (18, 108, 60))
        grip = (255, 255, 255)
    else:
        fill(layer, m, vgradient(layer.size, [(0, (255, 255, 255)), (1, (226, 233, 229))]))
        fill(layer, ring(layer.size, S(*box), S(5), S(1)), (110, 130, 122))
        grip = ACCENT
    for dx in (-3, 0, 3):
        cx = (THUMB_W - 1) / 2 + dx
        fill(layer, mask_rrect(layer.size, S(cx - 0.7, 3, cx + 0.7, THUMB_H - 4), S(0.7)), grip)
    return keyed(downsample(layer, (THUMB_W, THUMB_H)), (204, 213, 208))


def header_checks():
    img = Image.new('RGB', (48, 16), KEY)
    for index, checked in ((1, False), (2, True)):
        layer = new_layer(16, 16)
        box = (1.5, 1.5, 13.5, 13.5)
        m = mask_rrect(layer.size, S(*box), S(2.5))
        if checked:
            fill(layer, m, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT)]))
            fill(layer, ring(layer.size, S(*box), S(2.5), S(1)), ACCENT_DARK)
            tick = Image.new('L', layer.size, 0)
            ImageDraw.Draw(tick).line(S(4.3, 7.8, 6.7, 10.2, 11.2, 4.8), fill=255, width=S(1.9), joint='curve')
            fill(layer, tick, (255, 255, 255))
        else:
            fill(layer, m, (255, 255, 255))
            fill(layer, ring(layer.size, S(*box), S(2.5), S(1)), (120, 138, 130))
        img.paste(keyed(downsample(layer, (16, 16)), HEADER_CELL), (index * 16, 0))
    return img


def combo_arrow():
    """The drop-down arrow of the window's combo boxes (transparent outside)."""
    layer = new_layer(10, 6)
    m = Image.new('L', layer.size, 0)
    ImageDraw.Draw(m).line(S(1, 1, 5, 4.6, 9, 1), fill=255, width=S(1.7), joint='curve')
    fill(layer, m, (84, 100, 106))
    return downsample(layer, (10, 6))


# ---------------------------------------------------------------------------------------------
# Banner, clip dialog background and icon


def banner():
    w, h = 408, 86
    layer = new_layer(w, h)
    full = Image.new('L', layer.size, 255)
    fill(layer, full, vgradient(layer.size, [(0, HEADER_TOP), (1, HEADER_BOTTOM)]))
    # Film frames drifting off to the right.
    for i, (x, y, s, o) in enumerate(((300, 10, 58, 0.07), (338, 34, 48, 0.05), (262, 46, 40, 0.045))):
        fr = ring(layer.size, S(x, y, x + s, y + s * 0.68), S(6), S(2))
        fill(layer, fr, (255, 255, 255), o * 2)
    glow = mask_ellipse(layer.size, S(-40, -60, 160, 140)).filter(ImageFilter.GaussianBlur(S(30)))
    fill(layer, glow, ACCENT_LIGHT, 0.18)
    rule = Image.new('L', layer.size, 0)
    ImageDraw.Draw(rule).rectangle(S(0, h - 3, w, h), fill=255)
    fill(layer, rule, vgradient(layer.size, [(0, ACCENT_LIGHT), (1, ACCENT)]))
    logo_mark(layer, 18, 16, 50)
    fill(layer, mask_text(layer.size, S(82, 44), 'Zentrova', font(S(28), True), anchor='ls'), (255, 255, 255))
    fill(layer, mask_text(layer.size, S(83, 66), 'iPod Video Converter', font(S(15)), anchor='ls'), (150, 214, 180))
    return downsample(layer, (w, h)).convert('RGB')


def clip_background():
    # Drawn in proportion to the 286 x 286 dialog-unit template, since it is stretched over it.
    size = 501
    k = size / 286
    layer = new_layer(size, size)
    full = Image.new('L', layer.size, 255)
    fill(layer, full, vgradient(layer.size, [(0, BODY_TOP), (1, BODY_BOTTOM)]))
    scr = mask_rrect(layer.size, S(3 * k - 2, 11 * k - 2, 282 * k + 2, 163 * k + 2), S(7))
    shadow(layer, scr, (0, 2), 4, 0.22)
    fill(layer, scr, vgradient(layer.size, [(0, (10, 15, 18)), (0.33, (24, 34, 38)), (1, (24, 34, 38))]))
    fill(layer, ring(layer.size, S(3 * k - 2, 11 * k - 2, 282 * k + 2, 163 * k + 2), S(7), S(1)), (58, 74, 80))
    card_box = S(3 * k, 210 * k, 282 * k, 263 * k)
    card = mask_rrect(layer.size, card_box, S(8))
    shadow(layer, card, (0, 2), 3, 0.10)
    fill(layer, card, (252, 254, 252))
    fill(layer, ring(layer.size, card_box, S(8), S(1)), BORDER)
    return downsample(layer, (size, size)).convert('RGB')


def app_icon(n=256):
    # Drawn at each size rather than scaled down, so the small menu icons stay crisp.
    layer = new_layer(n, n)
    k = n / 256
    logo_mark(layer, 14 * k, 14 * k, 228 * k)
    return downsample(layer, (n, n))


ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
ICONS = os.path.join(HERE, '..', 'res', 'icons', 'hicolor')


# ---------------------------------------------------------------------------------------------


def main():
    os.makedirs(OUT, exist_ok=True)
    out = {}
    screen, out[290] = draw_background()

    def button(key, states, draw_for):
        rect = R[key]
        imgs = {s: render(rect, draw_for(s)) for s in set(states.values())}
        shape = imgs[states['shape']].getchannel('A')
        for number, state in states.items():
            if number != 'shape':
                out[number] = finish(imgs[state], rect, screen, shape)

    button('add', {177: 'normal', 178: 'hover', 'shape': 'normal'}, lambda s: header_button(icon_plus, 'Add Files', s))
    button('clip', {180: 'normal', 226: 'hover', 280: 'disabled', 'shape': 'normal'},
           lambda s: header_button(icon_scissors, 'Clip', s))
    button('help', {181: 'normal', 182: 'hover', 'shape': 'normal'}, lambda s: header_button(icon_question, 'Help', s))
    button('remove', {189: 'normal', 188: 'hover', 229: 'disabled', 'shape': 'normal'},
           lambda s: tile_button(icon_file_minus, 'Remove', RED, s))
    button('clear', {191: 'normal', 269: 'hover', 212: 'disabled', 'shape': 'normal'},
           lambda s: tile_button(icon_trash, 'Clear', RED, s))
    # Merge has no shape of its own; its images cover the whole button with the background.
    mrect = R['merge']
    for number, state in ((295, 'normal'), (286, 'hover'), (296, 'disabled')):
        img = render(mrect, tile_button(icon_merge, 'Merge', ACCENT, state))
        out[number] = finish(img, mrect, screen, Image.new('L', img.size, 255))
    button('info', {243: 'normal', 244: 'hover', 261: 'disabled', 'shape': 'normal'},
           lambda s: tile_button(icon_info, 'Info', BLUE, s))
    button('setting', {197: 'normal', 196: 'hover', 200: 'disabled', 'shape': 'normal'},
           lambda s: pill_button(icon_gear, 'Settings', s))
    button('browse', {199: 'normal', 'shape': 'normal'}, lambda s: pill_button(icon_folder, 'Browse', s))
    button('find', {204: 'normal', 'shape': 'normal'},
           lambda s: pill_button(lambda l, x, y, r, ink: icon_folder(l, x, y, r, ink, True), 'Open', s))
    button('convert', {186: 'normal', 185: 'hover', 279: 'disabled', 'shape': 'normal'}, convert_button)
    button('play', {302: 'normal', 301: 'disabled', 'shape': 'normal'}, lambda s: transport_button(icon_play, s, True))
    out[310] = finish(render(R['play'], transport_button(icon_pause, 'normal', True)), R['play'], screen,
                      render(R['play'], transport_button(icon_play, 'normal', True)).getchannel('A'))
    button('stop', {304: 'normal', 303: 'disabled', 'shape': 'normal'}, lambda s: transport_button(icon_stop, s, False))
    vrect = R['volume_icon']
    out[293] = finish(render(vrect, speaker_glyph), vrect, screen, Image.new('L', vrect[2:], 255))
    button('about', {254: 'normal', 253: 'hover', 'shape': 'normal'},
           lambda s: glyph_button(icon_info, s, (70, 104, 112)))
    button('min', {207: 'normal', 208: 'hover', 'shape': 'normal'},
           lambda s: glyph_button(icon_minus, s, (70, 104, 112)))
    button('close', {209: 'normal', 210: 'hover', 'shape': 'normal'},
           lambda s: glyph_button(lambda l, x, y, r, ink: icon_close(l, x, y, r * 0.8, ink), s, (214, 70, 58)))

    # Slider channels: first = outside the marked range, second = inside (and the plain look).
    px, py, pw, _ = R['position']
    pos_bg = screen.crop((px, py, px + pw, py + THUMB_H))
    out[306] = channel(pw, THUMB_H, pos_bg, False)
    out[307] = channel(pw, THUMB_H, pos_bg, False)
    vx, vy, vw, _ = R['volume']
    vol_bg = screen.crop((vx, vy, vx + vw, vy + THUMB_H))
    out[300] = channel(vw, THUMB_H, vol_bg, False)
    out[299] = channel(vw, THUMB_H, vol_bg, True)
    clip_bg = clip_background()
    out[311] = clip_bg
    # The clip dialog is laid out on the 8-point grid (6 px per 4 units across) and stretches
    # its background, so the channel is cut from the background's scale but sized for the grid.
    k = clip_bg.size[0] / 286
    cx0, cy0, crop_w = rnd(3 * k), rnd(169 * k), rnd(260 * k)
    cbg = clip_bg.crop((cx0, cy0, cx0 + crop_w, cy0 + THUMB_H))
    cw = rnd(260 * 6 / 4)
    out[314] = channel(cw, THUMB_H, cbg, False)
    out[319] = channel(cw, THUMB_H, cbg, True)
    out[308] = thumb(False)
    out[309] = thumb(True)

    out[292] = header_checks()
    out['arrow-down'] = combo_arrow()
    out[249] = banner()
    out[266] = app_icon()

    for number, img in sorted(out.items(), key=lambda item: str(item[0])):
        img.save(os.path.join(OUT, f'{number}.png'), optimize=True)
    print(f'{len(out)} bitmaps written to {os.path.normpath(OUT)}')
    # The desktop's menus and file managers take the program's icon from the hicolor theme.
    for n in ICON_SIZES:
        folder = os.path.join(ICONS, f'{n}x{n}', 'apps')
        os.makedirs(folder, exist_ok=True)
        app_icon(n).save(os.path.join(folder, 'zentrova.png'), optimize=True)
    print(f'{len(ICON_SIZES)} icon sizes written to {os.path.normpath(ICONS)}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
