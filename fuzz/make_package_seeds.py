#!/usr/bin/env python3
"""Writes the package seeds of the memo fuzz targets: every object kind with each of its
shapes, pen types, operations and picture formats, a memo file of several packages, a package
with a thumbnail, and packages built to be slow to draw (kept so that they stay fast).

    fuzz/make_package_seeds.py            (writes into fuzz/corpus/memo_* and package_summary,
                                           and the commit requests of share_request)
"""
import os
import struct
import subprocess
import tempfile
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def record(tag, body):
    return tag + struct.pack("<I", len(body)) + body


def u32(*values):
    return b"".join(struct.pack("<I", v & 0xFFFFFFFF) for v in values)


def i64(v):
    return struct.pack("<q", v)


def string(s):
    return u32(len(s)) + s


def rect(l, t, r, b):
    return u32(l, t, r, b)


def png_picture(w, h):
    raw = b"".join(b"\x00" + bytes(sum(([x * 30 % 256, y * 40 % 256, 200, 180] for x in range(w)), []))
                   for y in range(h))

    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def jpeg_picture():
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "p.jpg")
        subprocess.run(["convert", "-size", "6x4", "gradient:red-blue", "-strip", "-quality", "60", out], check=True)
        with open(out, "rb") as f:
            return f.read()


def obj(kind, tag, fields, n=0):
    base = (record(b"GUID", record(b"MBID", u32(0x1000 + n, 2, 3, 4))) + record(b"TIME", i64(1700000000 + n)) +
            record(b"OWNR", string(b"seed")) + record(b"LOCK", u32(n % 2)))
    return u32(kind) + record(tag, base + fields)


def stroke(points, width, pen_type, arrows=(0, 0), n=0):
    pts = u32(len(points)) + b"".join(u32(x, y) for x, y in points)
    return obj(1, b"STRK", record(b"PNTS", pts) + record(b"BOLD", u32(width)) + record(b"TYPE", u32(pen_type)) +
               record(b"COLR", u32(0x0000FF)) + record(b"BCOL", u32(0xFFFFFF)) + record(b"ARRW", u32(*arrows)), n)


def font(height):
    face = b"\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"
    return u32(height, 0, 0, 0, 400) + bytes([0, 0, 0, 128, 0, 0, 0, 0]) + face.ljust(32, b"\x00")


def text_box(r, text, shape, height=-12, n=0):
    return obj(2, b"TBOX", record(b"TEXT", string(text)) + record(b"RECT", rect(*r)) + record(b"FONT", font(height)) +
               record(b"SHAP", u32(shape)) + record(b"COLR", u32(0, 0xC8FFC8) + bytes([182])), n)


def stamp(name, r, n=0):
    return obj(3, b"STAM", record(b"NAME", string(name)) + record(b"RECT", rect(*r)), n)


def photo(tag, picture, r, n=0):
    return obj(4, b"PHOT", record(tag, picture) + record(b"RECT", rect(*r)), n)


def primitive(shape, r, border, n=0):
    return obj(5, b"PRIM", record(b"TYPE", u32(shape)) + record(b"RECT", rect(*r)) + record(b"BOLD", u32(border)) +
               record(b"COLR", u32(0x00BFFF, 0xB6ECFF) + bytes([182])), n)


def effect(shape, operation, r, n=0):
    return obj(6, b"EFFE", record(b"SHAP", u32(shape)) + record(b"OPER", u32(operation)) + record(b"RECT", rect(*r)), n)


def package(url, objects, thumbnail=None, size=(96, 64)):
    body = (record(b"SURL", string(url)) + record(b"SIZE", u32(*size)) + record(b"FONT", u32(2)) +
            record(b"TIME", i64(1700000000)) + record(b"GFST", i64(1700000100)))
    if thumbnail:
        body += record(b"THUM", thumbnail)
    body += record(b"OBJS", u32(len(objects)) + b"".join(objects))
    return record(b"PACK", body)


def save(targets, name, data):
    for target in targets:
        folder = os.path.join(ROOT, target)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


def main():
    memo_targets = ["memo_package", "memo_draw"]
    url = b"http://example.com/page.html"
    strokes = [stroke([(5, 5), (40, 30), (80, 10)], 1, 0, n=1), stroke([(10, 50), (60, 20)], 8, 0, (1, 1), 2),
               stroke([(5, 40), (30, 10), (90, 55)], 8, 1, (0, 1), 3), stroke([(50, 30)], 3, 1, n=4)]
    save(memo_targets, "strokes.ame", package(url, strokes))
    texts = [text_box((5, 5, 60, 40), b"memo\nhttp://example.com/\n\x82\xa0\x82\xa2", 0, -72, 1),
             text_box((30, 20, 90, 60), b"balloon", 1, 9, 2)]
    save(memo_targets, "text-boxes.ame", package(url, texts))
    pictures = [stamp(b"OK", (10, 10, 42, 42), 1), stamp(b"missing", (40, 5, 90, 30), 2),
                photo(b"PNGI", png_picture(5, 4), (0, 30, 20, 46), 3),
                photo(b"IMAG", jpeg_picture(), (50, 30, 62, 38), 4)]
    save(memo_targets, "stamps-and-photos.ame", package(url, pictures))
    shapes = [primitive(s, (5 + 18 * s, 5, 20 + 18 * s, 55), 1 + s * 2, s) for s in range(5)]
    save(memo_targets, "shapes.ame", package(url, shapes))
    effects = [effect(s, op, (op * 24, 5 + s * 18, op * 24 + 22, 21 + s * 18), op * 3 + s) for op in range(4)
               for s in range(3)]
    save(memo_targets, "effects.ame", package(url, effects))
    save(memo_targets + ["package_summary"], "with-thumbnail.ame",
         package(url, strokes[:1], thumbnail=png_picture(4, 4)))
    save(memo_targets, "three-packages.ame",
         package(b"http://a.example/", texts[:1]) + package(b"http://b.example/", shapes[:2]) +
         package(b"http://c.example/", []))
    # Built to be slow: a soft-pen stroke 9,478 pixels wide across the page (each step stamped
    # a brush of a million pixels), and values far past anything the tools make.
    save(memo_targets, "slow-wide-soft-pen.ame",
         package(url, [stroke([(100, 100), (1200, 900), (200, 1000)], 9478, 1)], size=(1280, 1024)))
    save(memo_targets, "slow-huge-values.ame",
         package(url, [text_box((0, 0, 2000000000, 2000000000), b"x" * 40, 1, -2000000000),
                       primitive(1, (-2000000000, -2000000000, 2000000000, 2000000000), 2000000000),
                       effect(1, 1, (-100000, -100000, 100000, 100000)),
                       stamp(b"OK", (0, 0, 2000000000, 2000000000))]))
    zigzag = [(0 if i % 2 else 1280, i * 4 % 1024) for i in range(400)]
    save(memo_targets, "slow-zigzag.ame", package(url, [stroke(zigzag, 64, 1), stroke(zigzag, 64, 0)]))
    # Commit requests carry a package each.
    save(["share_request"], "cmem-strokes", record(b"CMEM", package(url, strokes)))
    save(["share_request"], "cmem-slow-wide-soft-pen",
         record(b"CMEM", package(url, [stroke([(100, 100), (1200, 900)], 9478, 1)])))


if __name__ == "__main__":
    main()
