#!/usr/bin/python3
"""Draws the banners, logo and title-bar glyphs of the three programs.

Every picture is drawn with ImageMagick's convert and written as a 32-bit
RGBA PNG into install/images, uninstall/images and update/images. Run it
from anywhere: `python3 tools/drawpictures.py` (needs /usr/bin/convert and
the WenQuanYi Micro Hei font). The PNGs are kept in the repository, so the
build does not need this script.

Look: dark panels (window colour rgb(40,40,40)), accent blue #167ef1, the
brand gradient #73b6ff -> #03e0af, light-grey glyphs #cccccc.
"""

import math
import os
import subprocess
import sys

CONVERT = "/usr/bin/convert"
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

GREY = "#cccccc"
BLUE = "#167ef1"
G0, G1 = "#73b6ff", "#03e0af"
SS = 8  # supersampling factor: shapes are drawn large and scaled down for soft edges

# strip dates and other chunks so re-running gives the same bytes
PNG_OUT = ["-strip", "-define", "png:exclude-chunks=date,time",
           "-define", "png:compression-level=9", "-define", "png:color-type=6"]


def run(args, out):
    os.makedirs(os.path.dirname(out), exist_ok=True)
    subprocess.run([CONVERT] + args + PNG_OUT + ["PNG32:" + out], check=True)


def s(v):
    """Scale a coordinate to the supersampled canvas."""
    return "%g" % (v * SS)


def pts(*xy):
    return " ".join("%s,%s" % (s(x), s(y)) for x, y in zip(xy[0::2], xy[1::2]))


# ---- glyphs ---------------------------------------------------------------

def glyph(w, h, draw, width, out, color=GREY):
    """Grey strokes on transparency, drawn at SS times and box-filtered down."""
    run(["-size", "%dx%d" % (w * SS, h * SS), "xc:none",
         "-fill", "none", "-stroke", color, "-strokewidth", s(width),
         "-draw", "stroke-linecap round stroke-linejoin round " + draw,
         "-filter", "Box", "-resize", "%dx%d!" % (w, h)], out)


def draw_min(out):
    # a short dash in the middle of the 20x18 button face
    run(["-size", "20x18", "xc:none", "-fill", GREY, "-stroke", "none",
         "-draw", "rectangle 5,8.5 14.99,9.99"], out)


def draw_close(out):
    glyph(12, 12, "line %s line %s" % (pts(1.5, 1.5, 10.5, 10.5), pts(10.5, 1.5, 1.5, 10.5)),
          1.4, out)


def draw_chevron(out, up):
    p = pts(1.2, 5.6, 5, 1.6, 8.8, 5.6) if up else pts(1.2, 1.4, 5, 5.4, 8.8, 1.4)
    glyph(10, 7, "polyline " + p, 1.4, out)


def draw_logo(out):
    # a ring in the brand gradient with a small bright core: a "render spot"
    w, h = 13, 14
    W, H = w * SS, h * SS
    ring = "circle %s %s" % (pts(6.5, 7), pts(6.5, 7 - 5.3))
    core = "circle %s %s" % (pts(6.5, 7), pts(6.5, 7 - 1.9))
    run(["-size", "%dx%d" % (W, H), "-define", "gradient:direction=SouthEast",
         "gradient:%s-%s" % (G0, G1),
         "(", "-size", "%dx%d" % (W, H), "xc:black", "-fill", "none", "-stroke", "white",
         "-strokewidth", s(2.0), "-draw", ring,
         "-fill", "white", "-stroke", "none", "-draw", core, ")",
         "-alpha", "off", "-compose", "CopyOpacity", "-composite",
         "-filter", "Box", "-resize", "%dx%d!" % (w, h)], out)


# ---- banners --------------------------------------------------------------

def panel(w, h, radius=8):
    """Dark card: a cool gradient with a soft blue glow, rounded corners."""
    return ["-size", "%dx%d" % (w, h), "gradient:#222b36-#1c1f24",
            "(", "-size", "%dx%d" % (w, h), "radial-gradient:#1d4f7a-#000000",
            "-evaluate", "multiply", "0.55", ")",
            "-compose", "Screen", "-composite",
            # rounded-corner mask
            "(", "-size", "%dx%d" % (w, h), "xc:black", "-fill", "white",
            "-draw", "roundrectangle 0,0 %d,%d %d,%d" % (w - 1, h - 1, radius, radius), ")",
            "-alpha", "off", "-compose", "CopyOpacity", "-composite"]


def gradient_layer(w, h, mask_draw, direction="East"):
    """The brand gradient shown through a white-on-black mask."""
    return ["(", "-size", "%dx%d" % (w, h), "-define", "gradient:direction=%s" % direction,
            "gradient:%s-%s" % (G0, G1),
            "(", "-size", "%dx%d" % (w, h), "xc:black"] + mask_draw + [")",
            "-alpha", "off", "-compose", "CopyOpacity", "-composite", ")",
            "-compose", "Over", "-composite"]


def cloud_mask(cx, cy, k, stroke):
    """Mask drawing of a cloud outline centred at cx,cy, k = scale."""
    blobs = [(-22, 6, 14), (-4, -6, 20), (18, 2, 15), (30, 12, 9), (-34, 14, 8)]
    draw = ["-fill", "white", "-stroke", "none"]
    for dx, dy, r in blobs:
        draw += ["-draw", "circle %g,%g %g,%g" % (cx + dx * k, cy + dy * k, cx + dx * k, cy + (dy - r) * k)]
    draw += ["-draw", "roundrectangle %g,%g %g,%g %g,%g" % (
        cx - 40 * k, cy + 6 * k, cx + 38 * k, cy + 22 * k, 8 * k, 8 * k)]
    # keep only the rim of the filled shape
    draw += ["-morphology", "EdgeIn", "Disk:%g" % stroke]
    return draw


def cube_draw(cx, cy, r, color, width):
    """A wire cube (isometric) around cx,cy with edge length about r."""

    c, sn = math.cos(math.pi / 6) * r, math.sin(math.pi / 6) * r
    top = (cx, cy - r)
    ul, ur = (cx - c, cy - sn), (cx + c, cy - sn)
    mid = (cx, cy)
    ll, lr = (cx - c, cy + sn), (cx + c, cy + sn)
    bot = (cx, cy + r)
    segs = [(top, ur), (ur, lr), (lr, bot), (bot, ll), (ll, ul), (ul, top),
            (mid, ul), (mid, ur), (mid, bot)]
    d = ["-fill", "none", "-stroke", color, "-strokewidth", "%g" % width]
    for (x0, y0), (x1, y1) in segs:
        d += ["-draw", "line %.2f,%.2f %.2f,%.2f" % (x0, y0, x1, y1)]
    return d


def dots(points, color, r=1.2):
    d = ["-fill", color, "-stroke", "none"]
    for x, y in points:
        d += ["-draw", "circle %g,%g %g,%g" % (x, y, x + r, y)]
    return d


def text(x, y, size, words, color, weight_stroke=0):
    d = ["-font", FONT, "-pointsize", "%g" % size, "-fill", color]
    d += ["-stroke", color, "-strokewidth", "%g" % weight_stroke] if weight_stroke else ["-stroke", "none"]
    return d + ["-draw", "text %g,%g '%s'" % (x, y, words)]


def banner_brand(w, h, out, word_y_shift=0):
    """General edition: cloud with a render cube beside the word Ombrix."""
    cx, cy, k = w * 0.27, h * 0.52, 1.05 * min(w / 308, h / 154)
    args = panel(w, h)
    args += gradient_layer(w, h, cloud_mask(cx, cy, k, 2.2 * k))
    args += cube_draw(cx - 2 * k, cy + 4 * k, 11 * k, GREY, 1.3)
    args += dots([(cx - 2 * k, cy + 4 * k)], G1, 1.6)
    args += dots([(w * 0.08, h * 0.2), (w * 0.47, h * 0.18), (w * 0.44, h * 0.84),
                  (w * 0.9, h * 0.2), (w * 0.95, h * 0.78)], "#3d5c7a", 1.1)
    tx = w * 0.52
    args += text(tx, h * 0.55 + word_y_shift, 34 * k, "Ombrix", "#eeeeee", 0.6)
    args += ["-fill", BLUE, "-stroke", "none",
             "-draw", "rectangle %g,%g %g,%g" % (tx + 1, h * 0.64 + word_y_shift, tx + 26, h * 0.64 + 2 + word_y_shift)]
    args += text(tx + 32, h * 0.67 + word_y_shift, 10 * k, "CLOUD RENDER", "#8c96a0")
    run(args, out)


def banner_neutral(w, h, out):
    """Channel builds: wire cubes and orbit dots, no brand."""
    m = min(w, h)
    cx, cy = w / 2, h / 2
    ring = ["-fill", "none", "-stroke", "white", "-strokewidth", "%g" % (m * 0.012),
            "-draw", "ellipse %g,%g %g,%g 200,340" % (cx, cy, m * 0.42, m * 0.15),
            "-draw", "ellipse %g,%g %g,%g 20,160" % (cx, cy, m * 0.42, m * 0.15)]
    args = panel(w, h)
    args += gradient_layer(w, h, ring, "NorthEast")
    args += cube_draw(cx, cy, m * 0.2, GREY, max(1.2, m * 0.009))
    args += cube_draw(cx - m * 0.5, cy + m * 0.18, m * 0.07, "#4a5866", 1) if w > h * 1.4 else []
    args += cube_draw(cx + m * 0.52, cy - m * 0.16, m * 0.05, "#4a5866", 1) if w > h * 1.4 else []
    args += dots([(cx + m * 0.42, cy - m * 0.02), (cx - m * 0.36, cy + m * 0.09)], G1, m * 0.014)
    args += dots([(cx, cy)], G0, m * 0.012)
    run(args, out)


def banner_portrait(w, h, out):
    """NPZ channel: portrait art, stacked cubes over a horizon of lines."""
    cx = w / 2
    r = min(w, h * 0.78) * 0.17
    args = panel(w, h)
    lines = ["-fill", "none", "-stroke", "white", "-strokewidth", "1.2"]
    for i, y in enumerate((0.78, 0.84, 0.89, 0.93)):
        inset = w * (0.12 + i * 0.06)
        lines += ["-draw", "line %g,%g %g,%g" % (inset, h * y, w - inset, h * y)]
    args += gradient_layer(w, h, lines)
    args += cube_draw(cx, h * 0.36, r, GREY, 1.4)
    args += cube_draw(cx, h * 0.36 + 2 * r + 6, r * 0.55, "#5a6877", 1.1)
    args += dots([(cx, h * 0.36)], G1, 2)
    args += dots([(w * 0.18, h * 0.14), (w * 0.84, h * 0.22), (w * 0.12, h * 0.55), (w * 0.88, h * 0.58)],
                 "#3d5c7a", 1.2)
    run(args, out)


def banner_done(w, h, out):
    """Finish view of the uninstaller: a check mark in a gradient ring."""
    cx, cy, r = w / 2, h / 2, h * 0.3
    ring = ["-fill", "none", "-stroke", "white", "-strokewidth", "4",
            "-draw", "circle %g,%g %g,%g" % (cx, cy, cx, cy - r)]
    check = ["-fill", "none", "-stroke", "white", "-strokewidth", "6",
             "-draw", "stroke-linecap round stroke-linejoin round polyline %g,%g %g,%g %g,%g" % (
                 cx - r * 0.45, cy + r * 0.02, cx - r * 0.1, cy + r * 0.36, cx + r * 0.5, cy - r * 0.3)]
    args = ["-size", "%dx%d" % (w, h), "xc:none"]
    args += gradient_layer(w, h, ring + check, "SouthEast")
    args += dots([(cx - r * 1.9, cy - r * 0.5), (cx + r * 1.8, cy - r * 0.7), (cx - r * 1.6, cy + r * 0.8),
                  (cx + r * 2.1, cy + r * 0.6)], "#3d5c7a", 1.6)
    args += dots([(cx - r * 2.4, cy + r * 0.1), (cx + r * 2.5, cy - r * 0.1)], "#2f4a63", 1.2)
    run(args, out)


def main():
    for prog in ("install", "uninstall", "update"):
        d = os.path.join(ROOT, prog, "images")
        draw_logo(os.path.join(d, "logo.png"))
        draw_min(os.path.join(d, "min.png"))
        draw_close(os.path.join(d, "close.png"))
    d = os.path.join(ROOT, "install", "images")
    draw_chevron(os.path.join(d, "down.png"), up=False)
    draw_chevron(os.path.join(d, "up.png"), up=True)
    banner_brand(308, 154, os.path.join(d, "bg.png"))
    banner_neutral(308, 154, os.path.join(d, "bg_third.png"))
    banner_portrait(160, 206, os.path.join(d, "bg_NPZ.png"))
    d = os.path.join(ROOT, "uninstall", "images")
    banner_brand(308, 154, os.path.join(d, "bg1.png"))
    banner_neutral(308, 154, os.path.join(d, "bg1_third.png"))
    banner_portrait(203, 218, os.path.join(d, "bg1_NPZ.png"))
    banner_done(306, 138, os.path.join(d, "bg2.png"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
