#!/usr/bin/env python3
"""Writes the picture seeds of the image_* fuzz targets: one small picture for every colour
type, bit depth, interlacing, compression and orientation the readers take, so that libFuzzer
starts from every decoding path instead of finding them by chance.

    fuzz/make_picture_seeds.py            (writes into fuzz/corpus/image_*)

JPEG variants come from ImageMagick's `convert`; the other formats are written here.
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
W, H = 7, 5  # odd sizes: partial bytes at low bit depths, every Adam7 pass non-empty


def pixel(x, y):
    return (x * 255 // (W - 1) % 256, y * 255 // (H - 1) % 256, (x + y) * 20 % 256, (64 + x * 24) % 256)


def save(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- PNG ----

def png_chunk(tag, body):
    return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))


def png_samples(colour, depth, x, y):
    r, g, b, a = pixel(x, y)
    top = (1 << depth) - 1
    scale = lambda v: v * top // 255
    if colour == 0:
        return [scale((r + g + b) // 3)]
    if colour == 2:
        return [scale(r), scale(g), scale(b)]
    if colour == 3:
        return [(x + y * W) % (1 << depth)]
    if colour == 4:
        return [scale((r + g + b) // 3), scale(a)]
    return [scale(r), scale(g), scale(b), scale(a)]


def png_row(colour, depth, xs, y):
    bits = []
    for x in xs:
        bits += png_samples(colour, depth, x, y)
    if depth == 16:
        return b"".join(struct.pack(">H", v) for v in bits)
    if depth == 8:
        return bytes(bits)
    out, acc, n = bytearray(), 0, 0
    for v in bits:
        acc = (acc << depth) | v
        n += depth
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png(colour, depth, interlaced, filter_type=0, extra=b""):
    raw = bytearray()
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, W, dx))
        if not xs:
            continue
        previous = None
        for y in range(y0, H, dy):
            row = png_row(colour, depth, xs, y)
            if filter_type == 2 and previous is not None:  # "up": difference to the row above
                raw += b"\x02" + bytes((a - b) & 255 for a, b in zip(row, previous))
            else:
                raw += b"\x00" + row
            previous = row
    header = struct.pack(">IIBBBBB", W, H, depth, colour, 0, 0, 1 if interlaced else 0)
    body = png_chunk(b"IHDR", header)
    if colour == 3:
        body += png_chunk(b"PLTE", b"".join(bytes(pixel(i % W, i // W % H)[:3]) for i in range(1 << depth)))
    body += extra
    body += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    return b"\x89PNG\r\n\x1a\n" + body + png_chunk(b"IEND", b"")


def png_seeds():
    depths = {0: [1, 2, 4, 8, 16], 2: [8, 16], 3: [1, 2, 4, 8], 4: [8, 16], 6: [8, 16]}
    names = {0: "gray", 2: "rgb", 3: "palette", 4: "gray-alpha", 6: "rgba"}
    for colour, ds in depths.items():
        for depth in ds:
            for interlaced in (False, True):
                name = "%s-%d%s.png" % (names[colour], depth, "-adam7" if interlaced else "")
                save("image_png", name, png(colour, depth, interlaced))
    # Transparency chunks of each kind, ancillary chunks and a filtered image.
    save("image_png", "palette-8-trns.png", png(3, 8, False, extra=png_chunk(b"tRNS", bytes(range(0, 256, 16)))))
    save("image_png", "gray-8-trns.png", png(0, 8, False, extra=png_chunk(b"tRNS", b"\x00\x40")))
    save("image_png", "rgb-16-trns.png", png(2, 16, False, extra=png_chunk(b"tRNS", b"\x00\x10\x00\x20\x00\x30")))
    ancillary = (png_chunk(b"gAMA", struct.pack(">I", 45455)) + png_chunk(b"sRGB", b"\x00") +
                 png_chunk(b"tEXt", b"Comment\x00seed") + png_chunk(b"pHYs", struct.pack(">IIB", 2835, 2835, 1)))
    save("image_png", "rgb-8-ancillary.png", png(2, 8, False, extra=ancillary))
    save("image_png", "rgba-8-filter-up.png", png(6, 8, False, filter_type=2))


# ---- BMP ----

def bmp(bits, top_down=False, bitfields=False, gap=0):
    row_bytes = (W * bits // 8 + 3) & ~3
    rows = []
    for y in range(H):
        row = bytearray()
        for x in range(W):
            r, g, b, a = pixel(x, y)
            row += bytes([b, g, r] + ([a] if bits == 32 else []))
        rows.append(bytes(row) + b"\x00" * (row_bytes - len(row)))
    if not top_down:
        rows.reverse()
    masks = struct.pack("<III", 0x00FF0000, 0x0000FF00, 0x000000FF) if bitfields else b""
    offset = 54 + len(masks) + gap
    info = struct.pack("<IiiHHIIiiII", 40, W, -H if top_down else H, 1, bits, 3 if bitfields else 0,
                       row_bytes * H, 2835, 2835, 0, 0)
    pixels = b"".join(rows)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + masks + b"\x00" * gap + pixels


def bmp_seeds():
    for bits in (24, 32):
        save("image_bmp", "%d-bottom-up.bmp" % bits, bmp(bits))
        save("image_bmp", "%d-top-down.bmp" % bits, bmp(bits, top_down=True))
    save("image_bmp", "32-bitfields.bmp", bmp(32, bitfields=True))
    save("image_bmp", "24-gap-before-pixels.bmp", bmp(24, gap=6))


# ---- TGA ----

def tga(depth, rle, top_down=False, image_id=b""):
    bpp = depth // 8
    pixels = []
    for y in (range(H) if top_down else reversed(range(H))):
        for x in range(W):
            r, g, b, a = pixel(x, y) if y % 2 else (200, 10, 10, 128)  # runs on even rows
            pixels.append(bytes([b, g, r] + ([a] if bpp == 4 else [])))
    body = bytearray()
    if rle:
        i = 0
        while i < len(pixels):
            run = 1
            while i + run < len(pixels) and run < 128 and pixels[i + run] == pixels[i]:
                run += 1
            if run > 1:
                body += bytes([0x80 | (run - 1)]) + pixels[i]
                i += run
            else:
                j = i + 1
                while j < len(pixels) and j - i < 128 and (j + 1 >= len(pixels) or pixels[j] != pixels[j + 1]):
                    j += 1
                body += bytes([j - i - 1]) + b"".join(pixels[i:j])
                i = j
    else:
        body = b"".join(pixels)
    descriptor = (8 if bpp == 4 else 0) | (0x20 if top_down else 0)
    header = struct.pack("<BBBHHBHHHHBB", len(image_id), 0, 10 if rle else 2, 0, 0, 0, 0, 0, W, H, depth, descriptor)
    return header + image_id + bytes(body)


def tga_seeds():
    for depth in (24, 32):
        for rle in (False, True):
            for top_down in (False, True):
                name = "%d-%s-%s.tga" % (depth, "rle" if rle else "raw", "top-down" if top_down else "bottom-up")
                save("image_tga", name, tga(depth, rle, top_down))
    save("image_tga", "24-raw-image-id.tga", tga(24, False, image_id=b"seed"))


# ---- PPM ----

def ppm_seeds():
    data = b"".join(bytes(pixel(x, y)[:3]) for y in range(H) for x in range(W))
    save("image_ppm", "plain-header.ppm", b"P6\n%d %d\n255\n" % (W, H) + data)
    save("image_ppm", "comments-and-tabs.ppm", b"P6 # seed\n%d\t%d\r\n# max\n255 " % (W, H) + data)


# ---- JPEG ----

def jpeg_seeds():
    variants = {
        "rgb-420.jpg": ["-sampling-factor", "2x2", "-quality", "75"],
        "rgb-444.jpg": ["-sampling-factor", "1x1", "-quality", "90"],
        "rgb-422-restart.jpg": ["-sampling-factor", "2x1", "-define", "jpeg:restart-interval=1"],
        "rgb-progressive.jpg": ["-interlace", "JPEG"],
        "gray.jpg": ["-colorspace", "Gray"],
        "gray-progressive.jpg": ["-colorspace", "Gray", "-interlace", "JPEG"],
        "cmyk.jpg": ["-colorspace", "CMYK"],
        "rgb-arithmetic.jpg": ["-define", "jpeg:arithmetic-coding=true"],
        "rgb-optimized.jpg": ["-define", "jpeg:optimize-coding=true", "-quality", "50"],
    }
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "source.ppm")
        data = b"".join(bytes(pixel(x, y)[:3]) for y in range(H + 4) for x in range(W + 6))
        with open(source, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (W + 6, H + 4) + data)
        for name, options in variants.items():
            out = os.path.join(tmp, name)
            subprocess.run(["convert", source, "-strip"] + options + [out], check=True)
            with open(out, "rb") as f:
                save("image_jpeg", name, f.read())


def main():
    png_seeds()
    bmp_seeds()
    tga_seeds()
    ppm_seeds()
    try:
        jpeg_seeds()
    except (OSError, subprocess.CalledProcessError) as e:
        print("JPEG seeds skipped: %s" % e, file=sys.stderr)


if __name__ == "__main__":
    main()
