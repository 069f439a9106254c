#!/usr/bin/python3
"""Draws trevalin's pictures: the maker's logo (bitmap 2001), the application icon
(group 128) and the stage marker (group 3001).

Run it from anywhere; it writes logo.bmp, trevalin.ico and stage.ico next to itself.
The generated files are committed, so the build never needs this script; it is here so
that the pictures can be made again. Needs Pillow (Debian python3-pil) and the DejaVu
fonts (fonts-dejavu-core).
"""
import os
import struct

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_PLAIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

# The dialog draws the logo transparent: pixels of exactly this colour are left out.
LOGO_BACKGROUND = (248, 246, 244)
LOGO_SIZE = (205, 42)
SCALE = 4  # drawn large, then reduced, for smooth edges

SHIELD = (22, 92, 120)
SHIELD_EDGE = (14, 60, 80)
MARK = (255, 255, 255)
NAME = (34, 40, 46)
ACCENT = (214, 108, 36)
STAGE = (36, 140, 64)


def shield_points(x, y, w, h):
    """A shield outline in a w x h box at (x, y): straight top, curved sides, a point below."""
    pts = [(x, y + h * 0.12), (x + w * 0.5, y), (x + w, y + h * 0.12), (x + w, y + h * 0.5)]
    steps = 12
    for i in range(1, steps + 1):  # right side down to the point
        t = i / steps
        pts.append((x + w - w * 0.5 * t, y + h * 0.5 + h * 0.5 * (t ** 0.8)))
    for i in range(1, steps):  # left side back up
        t = 1 - i / steps
        pts.append((x + w * 0.5 * t, y + h * 0.5 + h * 0.5 * (t ** 0.8)))
    return pts


def draw_shield(draw, x, y, w, h):
    draw.polygon(shield_points(x, y, w, h), fill=SHIELD_EDGE)
    inset = max(w, h) * 0.07
    draw.polygon(shield_points(x + inset, y + inset, w - 2 * inset, h - 2 * inset), fill=SHIELD)
    # A check mark: the cure.
    lw = max(1, int(w * 0.13))
    draw.line([(x + w * 0.26, y + h * 0.50), (x + w * 0.44, y + h * 0.68), (x + w * 0.76, y + h * 0.30)],
              fill=MARK, width=lw, joint="curve")


def coverage_image(size, painter):
    """Paints at SCALE on a transparent canvas and reduces it: RGBA with soft edges."""
    big = Image.new("RGBA", (size[0] * SCALE, size[1] * SCALE), (0, 0, 0, 0))
    painter(ImageDraw.Draw(big), SCALE)
    return big.resize(size, Image.LANCZOS)


def paint_logo(draw, s):
    draw_shield(draw, 6 * s, 4 * s, 28 * s, 34 * s)
    name = ImageFont.truetype(FONT_BOLD, 25 * s)
    draw.text((42 * s, 3 * s), "Varnholt", font=name, fill=NAME)
    small = ImageFont.truetype(FONT_PLAIN, 9 * s)
    draw.text((43 * s, 29 * s), "ANTI-VIRUS LAB", font=small, fill=ACCENT)


def logo_pixels():
    """The logo on its uniform background. Faint edge pixels become background, so that
    no pale fringe is drawn around the letters."""
    art = coverage_image(LOGO_SIZE, paint_logo)
    out = Image.new("RGB", LOGO_SIZE, LOGO_BACKGROUND)
    src = art.load()
    dst = out.load()
    for y in range(LOGO_SIZE[1]):
        for x in range(LOGO_SIZE[0]):
            r, g, b, a = src[x, y]
            if a < 48:
                continue
            k = a / 255.0
            pixel = tuple(int(round(c * k + bg * (1 - k))) for c, bg in zip((r, g, b), LOGO_BACKGROUND))
            if pixel == LOGO_BACKGROUND:  # keep drawn pixels drawn
                pixel = (pixel[0] - 1, pixel[1], pixel[2])
            dst[x, y] = pixel
    return out


def write_bmp24(path, image):
    """An uncompressed bottom-up 24 bits-per-pixel bitmap file."""
    w, h = image.size
    stride = (w * 3 + 3) & ~3
    rows = []
    px = image.load()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = px[x, y]
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_image_bytes(image):
    """One icon image: 32 bits per pixel with alpha, bottom-up, and its AND mask."""
    w, h = image.size
    px = image.load()
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in range(h - 1, -1, -1):
        bits = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = px[x, y]
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return info + bytes(colour) + bytes(mask)


def write_ico(path, images):
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for image in images:
        blob = icon_image_bytes(image)
        w, h = image.size
        entries += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + entries + blobs)


def app_icon(size):
    def paint(draw, s):
        m = size * s * 0.06
        draw_shield(draw, m, m * 0.5, size * s - 2 * m, size * s - m)
    return coverage_image((size, size), paint)


def stage_icon():
    """A right-pointing arrow in a circle: the stage in progress."""
    def paint(draw, s):
        n = 16 * s
        draw.ellipse([0.5 * s, 0.5 * s, n - 0.5 * s, n - 0.5 * s], fill=STAGE)
        draw.polygon([(6 * s, 4 * s), (12 * s, 8 * s), (6 * s, 12 * s)], fill=MARK)
    return coverage_image((16, 16), paint)


def main():
    write_bmp24(os.path.join(HERE, "logo.bmp"), logo_pixels())
    write_ico(os.path.join(HERE, "trevalin.ico"), [app_icon(16), app_icon(32)])
    write_ico(os.path.join(HERE, "stage.ico"), [stage_icon()])


if __name__ == "__main__":
    main()
