#!/usr/bin/python3
"""Draws the editor's two images: the 494 x 238 panel (uncompressed 32-bit
BMP) and the 33 x 32 slider handle (RGBA PNG); and the player's icon, a
48 x 48 RGBA PNG and the same drawing as SVG, for the desktop menu and the
window.

The slider geometry below must match the editor's layout: slider i sits in
column i / 2 and row i % 2, its rectangle starting at x = 32 + 217 * column,
y = 130 + 56 * row; the handle travels from left + 4 to left + 215 with its
top at top + 2.

Run with Debian's python3 and python3-cairo:  /usr/bin/python3 draw_images.py
"""
import math
import os
import struct

import cairo

WIDTH, HEIGHT = 494, 238
HANDLE_W, HANDLE_H = 33, 32
ICON_SIZE = 48
CAPTIONS = ["Volume", "Metal / Plastic", "Sustain", "Damper"]
HERE = os.path.dirname(os.path.abspath(__file__))


def slider_rect(i):
    column, row = divmod(i, 2)
    left = 32 + 217 * column
    top = 130 + 56 * row
    return left, top


def rounded_rect(cr, x, y, w, h, r):
    cr.new_sub_path()
    cr.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    cr.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    cr.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    cr.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    cr.close_path()


def noise_texture(width, height, seed):
    """Fine horizontal grain, like brushed lacquer; deterministic."""
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    stride = surface.get_stride()
    data = surface.get_data()
    state = seed
    row_shade = []
    for y in range(height):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        row_shade.append((state >> 16) % 9)
    for y in range(height):
        for x in range(width):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            a = ((state >> 16) % 7 + row_shade[y]) * 2
            offset = y * stride + x * 4
            data[offset:offset + 4] = bytes((0, 0, 0, a))
    surface.mark_dirty()
    return surface


def draw_screw(cr, x, y):
    grad = cairo.RadialGradient(x - 1.5, y - 1.5, 0.5, x, y, 5)
    grad.add_color_stop_rgb(0, 0.86, 0.84, 0.80)
    grad.add_color_stop_rgb(1, 0.38, 0.36, 0.33)
    cr.arc(x, y, 4.5, 0, 2 * math.pi)
    cr.set_source(grad)
    cr.fill_preserve()
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.set_line_width(1)
    cr.stroke()
    cr.set_source_rgba(0.15, 0.14, 0.13, 0.9)
    cr.set_line_width(1.2)
    cr.move_to(x - 3, y + 1.2)
    cr.line_to(x + 3, y - 1.2)
    cr.stroke()


def draw_keyboard(cr, x0, y0, width, height):
    """A strip of the 88 keys: 52 white keys with the black ones on top."""
    white = 52
    key_w = width / white
    cr.rectangle(x0 - 2, y0 - 2, width + 4, height + 4)
    cr.set_source_rgb(0.05, 0.04, 0.04)
    cr.fill()
    for k in range(white):
        x = x0 + k * key_w
        grad = cairo.LinearGradient(0, y0, 0, y0 + height)
        grad.add_color_stop_rgb(0, 0.80, 0.78, 0.73)
        grad.add_color_stop_rgb(0.85, 0.97, 0.96, 0.92)
        grad.add_color_stop_rgb(1, 0.74, 0.72, 0.67)
        cr.rectangle(x + 0.5, y0, key_w - 1, height)
        cr.set_source(grad)
        cr.fill()
    # A0 and B0 first, then seven-key octaves C..B; black keys follow C, D, F, G, A.
    names = ["A", "B"] + ["C", "D", "E", "F", "G", "A", "B"] * 7 + ["C"]
    for k, name in enumerate(names[:-1]):
        if name in ("C", "D", "F", "G", "A"):
            cx = x0 + (k + 1) * key_w
            bw = key_w * 0.62
            bh = height * 0.6
            grad = cairo.LinearGradient(0, y0, 0, y0 + bh)
            grad.add_color_stop_rgb(0, 0.02, 0.02, 0.02)
            grad.add_color_stop_rgb(0.8, 0.16, 0.15, 0.15)
            grad.add_color_stop_rgb(1, 0.05, 0.05, 0.05)
            cr.rectangle(cx - bw / 2, y0, bw, bh)
            cr.set_source(grad)
            cr.fill()
    shade = cairo.LinearGradient(0, y0, 0, y0 + 5)
    shade.add_color_stop_rgba(0, 0, 0, 0, 0.55)
    shade.add_color_stop_rgba(1, 0, 0, 0, 0)
    cr.rectangle(x0, y0, width, 5)
    cr.set_source(shade)
    cr.fill()


def draw_track(cr, left, top):
    """The groove the handle rides in, with a scale of eleven ticks."""
    centre_y = top + 2 + HANDLE_H / 2
    x0, x1 = left + 4, left + 4 + 211
    rounded_rect(cr, x0 + 2, centre_y - 4, x1 - x0 - 4, 8, 4)
    grad = cairo.LinearGradient(0, centre_y - 4, 0, centre_y + 4)
    grad.add_color_stop_rgb(0, 0.03, 0.03, 0.03)
    grad.add_color_stop_rgb(1, 0.20, 0.18, 0.16)
    cr.set_source(grad)
    cr.fill_preserve()
    cr.set_source_rgba(1, 0.95, 0.85, 0.18)
    cr.set_line_width(1)
    cr.stroke()
    travel_start = left + 4 + HANDLE_W / 2
    for t in range(11):
        x = round(travel_start + t * 178 / 10) + 0.5
        long_tick = t in (0, 5, 10)
        cr.move_to(x, top + 2 + HANDLE_H + 1)
        cr.line_to(x, top + 2 + HANDLE_H + (5 if long_tick else 3))
        cr.set_source_rgba(0.93, 0.82, 0.62, 0.75 if long_tick else 0.45)
        cr.stroke()


def draw_caption(cr, text, left, top):
    cr.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_BOLD)
    cr.set_font_size(12)
    x, y = left + 6, top - 3
    cr.move_to(x + 1, y + 1)
    cr.set_source_rgba(0, 0, 0, 0.7)
    cr.show_text(text.upper())
    cr.move_to(x, y)
    cr.set_source_rgb(0.93, 0.82, 0.62)
    cr.show_text(text.upper())


def draw_background(path):
    surface = cairo.ImageSurface(cairo.FORMAT_RGB24, WIDTH, HEIGHT)
    cr = cairo.Context(surface)
    cr.set_antialias(cairo.ANTIALIAS_GOOD)

    # Lacquered walnut body.
    grad = cairo.LinearGradient(0, 0, 0, HEIGHT)
    grad.add_color_stop_rgb(0, 0.26, 0.14, 0.08)
    grad.add_color_stop_rgb(0.5, 0.19, 0.10, 0.06)
    grad.add_color_stop_rgb(1, 0.12, 0.06, 0.04)
    cr.set_source(grad)
    cr.paint()
    cr.set_source_surface(noise_texture(WIDTH, HEIGHT, 4242), 0, 0)
    cr.paint()

    # Bevel around the edge.
    cr.rectangle(0.5, 0.5, WIDTH - 1, HEIGHT - 1)
    cr.set_source_rgba(1, 0.9, 0.75, 0.25)
    cr.set_line_width(1)
    cr.stroke()
    cr.rectangle(1.5, 1.5, WIDTH - 3, HEIGHT - 3)
    cr.set_source_rgba(0, 0, 0, 0.5)
    cr.stroke()

    # Name plate.
    cr.select_font_face("DejaVu Serif", cairo.FONT_SLANT_ITALIC, cairo.FONT_WEIGHT_BOLD)
    cr.set_font_size(30)
    title = "Quenor"
    cr.move_to(24, 44)
    gold = cairo.LinearGradient(0, 18, 0, 46)
    gold.add_color_stop_rgb(0, 1.0, 0.92, 0.66)
    gold.add_color_stop_rgb(0.55, 0.85, 0.64, 0.30)
    gold.add_color_stop_rgb(1, 0.62, 0.43, 0.16)
    cr.text_path(title)
    cr.set_source_rgba(0, 0, 0, 0.6)
    cr.save()
    cr.translate(1.5, 1.5)
    cr.fill()
    cr.restore()
    cr.move_to(24, 44)
    cr.text_path(title)
    cr.set_source(gold)
    cr.fill()
    advance = cr.text_extents(title).x_advance
    cr.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_BOLD)
    cr.set_font_size(15)
    cr.move_to(24 + advance + 6, 44)
    cr.set_source_rgb(0.93, 0.82, 0.62)
    cr.show_text("m4")
    cr.select_font_face("DejaVu Sans", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(10)
    cr.move_to(26, 60)
    cr.set_source_rgba(0.93, 0.82, 0.62, 0.7)
    cr.show_text("PHYSICALLY MODELLED PIANO  \u00b7  88 KEYS  \u00b7  176 STRINGS")
    cr.select_font_face("DejaVu Serif", cairo.FONT_SLANT_NORMAL, cairo.FONT_WEIGHT_NORMAL)
    cr.set_font_size(11)
    vendor = "TAVREX"
    width = cr.text_extents(vendor).x_advance
    cr.move_to(WIDTH - 26 - width, 40)
    cr.set_source_rgba(0.93, 0.82, 0.62, 0.55)
    cr.show_text(vendor)

    draw_keyboard(cr, 24, 72, WIDTH - 48, 26)

    # Brass rule between the keyboard and the controls.
    cr.rectangle(24, 107, WIDTH - 48, 1)
    cr.set_source_rgba(0.85, 0.66, 0.35, 0.6)
    cr.fill()
    cr.rectangle(24, 108, WIDTH - 48, 1)
    cr.set_source_rgba(0, 0, 0, 0.5)
    cr.fill()

    # Recessed control panel behind the four sliders.
    rounded_rect(cr, 18, 113, WIDTH - 36, 117, 7)
    panel = cairo.LinearGradient(0, 113, 0, 230)
    panel.add_color_stop_rgba(0, 0, 0, 0, 0.45)
    panel.add_color_stop_rgba(1, 0, 0, 0, 0.25)
    cr.set_source(panel)
    cr.fill_preserve()
    cr.set_source_rgba(1, 0.9, 0.75, 0.12)
    cr.set_line_width(1)
    cr.stroke()

    for i, caption in enumerate(CAPTIONS):
        left, top = slider_rect(i)
        draw_caption(cr, caption, left, top)
        draw_track(cr, left, top)

    for x, y in ((9, 9), (WIDTH - 9, 9), (9, HEIGHT - 9), (WIDTH - 9, HEIGHT - 9)):
        draw_screw(cr, x, y)

    surface.flush()
    write_bmp32(path, surface)


def write_bmp32(path, surface):
    """Uncompressed 32-bit Windows bitmap, bottom-up rows, fourth byte 0."""
    width, height = surface.get_width(), surface.get_height()
    stride = surface.get_stride()
    data = bytes(surface.get_data())
    rows = []
    for y in reversed(range(height)):
        row = bytearray(data[y * stride:y * stride + width * 4])
        row[3::4] = bytes(width)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(file_header + info_header + pixels)


def draw_handle(path):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, HANDLE_W, HANDLE_H)
    cr = cairo.Context(surface)
    # Soft drop shadow: alpha fades out around the cap.
    for spread, alpha in ((4.0, 0.10), (3.0, 0.14), (2.0, 0.20)):
        rounded_rect(cr, 5 - spread + 1.5, 2 - spread + 2.5, 22 + 2 * spread, 26 + 2 * spread, 4 + spread)
        cr.set_source_rgba(0, 0, 0, alpha)
        cr.fill()
    # Brass cap.
    rounded_rect(cr, 5.5, 2.5, 22, 26, 4)
    body = cairo.LinearGradient(5, 0, 28, 0)
    body.add_color_stop_rgb(0, 0.55, 0.40, 0.18)
    body.add_color_stop_rgb(0.35, 0.98, 0.86, 0.58)
    body.add_color_stop_rgb(0.6, 0.80, 0.62, 0.30)
    body.add_color_stop_rgb(1, 0.45, 0.32, 0.14)
    cr.set_source(body)
    cr.fill_preserve()
    cr.set_source_rgba(0.18, 0.11, 0.04, 0.9)
    cr.set_line_width(1)
    cr.stroke()
    # Grip grooves and the centre mark.
    for dx in (-6, -3, 3, 6):
        cr.move_to(16.5 + dx, 8)
        cr.line_to(16.5 + dx, 23)
        cr.set_source_rgba(0.25, 0.16, 0.05, 0.45)
        cr.stroke()
    cr.rectangle(15.5, 5, 2, 21)
    cr.set_source_rgb(0.12, 0.07, 0.03)
    cr.fill()
    highlight = cairo.LinearGradient(0, 3, 0, 12)
    highlight.add_color_stop_rgba(0, 1, 1, 1, 0.45)
    highlight.add_color_stop_rgba(1, 1, 1, 1, 0)
    rounded_rect(cr, 6.5, 3.5, 20, 9, 3)
    cr.set_source(highlight)
    cr.fill()
    surface.write_to_png(path)


def draw_icon(cr):
    """Two struck strings over an octave of keys on a walnut tile, in a
    48 x 48 square."""
    rounded_rect(cr, 3, 3, 42, 42, 8)
    wood = cairo.LinearGradient(0, 3, 0, 45)
    wood.add_color_stop_rgb(0, 0.34, 0.19, 0.10)
    wood.add_color_stop_rgb(1, 0.14, 0.07, 0.04)
    cr.set_source(wood)
    cr.fill_preserve()
    cr.set_source_rgb(0.85, 0.66, 0.35)
    cr.set_line_width(1.5)
    cr.stroke()

    # The pair of strings, and the hammer striking them.
    cr.set_line_width(1.2)
    for y in (11.5, 15.5):
        cr.move_to(8, y)
        cr.line_to(40, y - 2)
        cr.set_source_rgb(1.0, 0.88, 0.60)
        cr.stroke()
    rounded_rect(cr, 17, 15, 7, 5, 2)
    cr.set_source_rgb(0.62, 0.10, 0.08)
    cr.fill()

    # One octave: seven white keys, the black ones after C, D, F, G and A.
    x0, y0, width, height = 8, 22, 32, 19
    cr.rectangle(x0 - 1, y0 - 1, width + 2, height + 2)
    cr.set_source_rgb(0.05, 0.04, 0.04)
    cr.fill()
    key_w = width / 7
    for k in range(7):
        cr.rectangle(x0 + k * key_w + 0.4, y0, key_w - 0.8, height)
        cr.set_source_rgb(0.97, 0.96, 0.92)
        cr.fill()
    for k in (1, 2, 4, 5, 6):
        cr.rectangle(x0 + k * key_w - 1.5, y0, 3, height * 0.6)
        cr.set_source_rgb(0.06, 0.05, 0.05)
        cr.fill()


def write_icon(png_path, svg_path):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, ICON_SIZE, ICON_SIZE)
    draw_icon(cairo.Context(surface))
    surface.write_to_png(png_path)
    svg = cairo.SVGSurface(svg_path, ICON_SIZE, ICON_SIZE)
    svg.set_document_unit(cairo.SVGUnit.PX)
    draw_icon(cairo.Context(svg))
    svg.finish()


if __name__ == "__main__":
    draw_background(os.path.join(HERE, "quenor4.bmp"))
    draw_handle(os.path.join(HERE, "but.png"))
    write_icon(os.path.join(HERE, "quenor-play.png"), os.path.join(HERE, "quenor-play.svg"))
