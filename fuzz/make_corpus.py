#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/NAME/: a few tiny valid files
of each format and broken variants of them. Run from anywhere; the output is deterministic."""
import os
import struct

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def write(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


def lzw_literals(pixels, m, clear_every=0):
    """GIF image data sending every pixel as a root code, following the decoder's growth."""
    clear = 1 << m
    acc = bits = 0
    out = bytearray()

    def put(code, width):
        nonlocal acc, bits
        acc |= code << bits
        bits += width
        while bits >= 8:
            out.append(acc & 255)
            acc >>= 8
            bits -= 8

    width, next_free, since = m + 1, clear + 2, 0
    put(clear, width)
    for p in pixels:
        if clear_every and since == clear_every:
            put(clear, width)
            width, next_free, since = m + 1, clear + 2, 0
        put(p, width)
        if since > 0 and next_free < 4096:
            next_free += 1
            if next_free > (1 << width) - 1 and width < 12:
                width += 1
        since += 1
    put(clear + 1, width)
    if bits:
        out.append(acc & 255)
    blocks = bytearray([m])
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks += bytes([len(chunk)]) + chunk
    return blocks + b"\0"


def gif(w, h, pixels, table=256, sig=b"GIF89a", ext=b"", packed=0, m=8, clear_every=0):
    bits = {128: 6, 256: 7}.get(table, 0)
    head = sig + struct.pack("<HHBBB", w, h, 0x80 | bits if table else 0, 0, 0)
    head += bytes((i * 7) & 255 for i in range(table * 3))
    return head + ext + b"," + struct.pack("<HHHHB", 0, 0, w, h, packed) + lzw_literals(pixels, m, clear_every) + b";"


def pcx_line(line):
    out = bytearray()
    i = 0
    while i < len(line):
        run = 1
        while i + run < len(line) and run < 63 and line[i + run] == line[i]:
            run += 1
        if run > 1 or line[i] >= 0xC0:
            out.append(0xC0 | run)
        out.append(line[i])
        i += run
    return out


def pcx256(w, h, pixels):
    head = bytearray(128)
    head[0:4] = bytes([10, 5, 1, 8])
    struct.pack_into("<HHHH", head, 4, 0, 0, w - 1, h - 1)
    head[65] = 1
    struct.pack_into("<H", head, 66, w + (w & 1))
    body = bytearray()
    for y in range(h):
        body += pcx_line(list(pixels[y * w:(y + 1) * w]) + [0] * (w & 1))
    return head + body + b"\x0c" + bytes(i & 255 for i in range(768))


def pcx16(w, h, pixels):
    per_line = ((w + 7) // 8 + 1) & ~1
    head = bytearray(128)
    head[0:4] = bytes([10, 5, 1, 1])
    struct.pack_into("<HHHH", head, 4, 0, 0, w - 1, h - 1)
    head[16:64] = bytes(i * 5 for i in range(48))
    head[65] = 4
    struct.pack_into("<H", head, 66, per_line)
    body = bytearray()
    for y in range(h):
        for plane in range(4):
            line = [0] * per_line
            for x in range(w):
                if pixels[y * w + x] & (1 << plane):
                    line[x // 8] |= 0x80 >> (x % 8)
            body += pcx_line(line)
    return head + body


def chunk(ident, data):
    return ident + struct.pack(">I", len(data)) + data + (b"\0" if len(data) & 1 else b"")


def pbm(w, h, pixels, packed, cmap_len=768):
    bmhd = struct.pack(">HHHHBBBBHBBHH", w, h, 0, 0, 8, 0, packed, 0, 0, 1, 1, w, h)
    body = bytearray()
    row_bytes = w + (w & 1)
    for y in range(h):
        row = bytes(pixels[y * w:(y + 1) * w]) + b"\0" * (w & 1)
        if packed:
            for i in range(0, row_bytes, 128):
                part = row[i:i + 128]
                body += bytes([len(part) - 1]) + part
        else:
            body += row
    chunks = chunk(b"BMHD", bmhd) + chunk(b"CMAP", bytes(i & 255 for i in range(cmap_len))) + chunk(b"BODY", body)
    return b"FORM" + struct.pack(">I", 4 + len(chunks)) + b"PBM " + chunks


def tga(w, h, pixels, kind=1, entry_bits=24, map_len=4):
    head = struct.pack("<BBBHHBHHHHBB", 0, 1, kind, 0, map_len, entry_bits, 0, 0, w, h, 8, 0)
    cmap = bytes((i * 9) & 255 for i in range(map_len * ((entry_bits + 1) // 8)))
    data = bytearray()
    for k in range(h):
        row = pixels[(h - 1 - k) * w:(h - k) * w]
        if kind == 1:
            data += bytes(row)
        else:
            for p in row:
                data += bytes([0, p])
    return head + cmap + data + b"\0" * 8 + b"TRUEVISION-XFILE.\0"


def archive(members):
    data = bytearray()
    offsets = []
    for name, content in members:
        offsets.append(len(data))
        data += content
    directory_start = len(data)
    for (name, content), off in zip(members, offsets):
        data += name.ljust(24, b"\0") + struct.pack("<II", directory_start - off, len(content))
    return data + struct.pack("<IiII", 0xDF73B489, len(members), 0, len(members) * 32 + 16)


def fnt(flags, height, fixed, data, size=None):
    return struct.pack("<HBBI", flags, height, fixed, len(data) if size is None else size) + bytes(data)


def proportional(glyphs, height, table=None):
    data = bytearray(table or b"")
    for width, value in glyphs:
        data += bytes([width]) + bytes([value]) * (width * height)
    return data


def zaf_length(n):
    return bytes([n]) if n < 255 else bytes([255]) + struct.pack("<H", n - 255)


def zaf(frames, word=0, count=None):
    """A .ZAF file of frame data streams; None is an empty frame (its size field alone)."""
    out = b".ZAF" + struct.pack("<HH", len(frames) if count is None else count, word)
    for f in frames:
        out += struct.pack("<I", 4) if f is None else struct.pack("<I", 12 + len(f)) + b"\0" * 8 + f
    return out


def zs2(w, h, flags, items, data_size=None, origin=(0, 0)):
    data = b"".join(items)
    head = b".ZS2" + struct.pack("<HHhhHHII", w, h, origin[0], origin[1], 0, 0, flags,
                                 len(data) if data_size is None else data_size)
    return head + data


def main():
    px = [(x * 3 + y) & 3 for y in range(3) for x in range(4)]
    good = gif(4, 3, px)
    write("gif", "valid-256", good)
    write("gif", "valid-128-87a", gif(4, 3, px, table=128, sig=b"GIF87a"))
    write("gif", "extensions", gif(4, 3, px, ext=b"!\xf9\x04\x01\x00\x00\x00\x00!\xfe\x02hi\x01x\x00"))
    write("gif", "interlaced", gif(4, 3, px, packed=0x40))
    write("gif", "code-size-2", gif(4, 3, px, m=2))
    write("gif", "code-size-11", gif(4, 3, px, m=11))
    write("gif", "clears", gif(40, 2, [(i * 7) & 255 for i in range(80)], clear_every=9))
    write("gif", "full-table", gif(4200, 1, [i & 3 for i in range(4200)], m=2))
    write("gif", "truncated", good[:-6])
    write("gif", "local-table", gif(4, 3, px, packed=0x80))
    write("gif", "no-table", gif(4, 3, px, table=0))
    write("gif", "bad-signature", b"GIF88a" + good[6:])

    pic = [(x * 5 + y) & 15 for y in range(5) for x in range(7)]
    write("pictures", "pcx-256-odd", pcx256(7, 5, pic))
    write("pictures", "pcx-16", pcx16(9, 3, pic))
    write("pictures", "pcx-truncated", pcx256(7, 5, pic)[:150])
    write("pictures", "pbm-raw", pbm(7, 5, pic, 0))
    write("pictures", "pbm-packed", pbm(7, 5, pic, 1))
    write("pictures", "pbm-short-cmap", pbm(7, 5, pic, 1, cmap_len=12))
    write("pictures", "tga-raw-24", tga(7, 5, pic))
    write("pictures", "tga-rle-16", tga(7, 5, pic, kind=9, entry_bits=16))
    write("pictures", "tga-no-footer", tga(7, 5, pic)[:-26])
    write("pictures", "gif", good)

    table = bytearray([255] * 256)
    for i, c in enumerate(b"AB a"):
        table[c] = i
    write("font", "map", fnt(8, 5, 0, proportional([(3, 200), (2, 40), (0, 0), (4, 255)], 5, table)))
    write("font", "letters", fnt(1, 3, 0, proportional([(i % 4, 18 + i) for i in range(62)], 3)))
    write("font", "fixed-ascii", fnt(2, 4, 2, bytes((i * 3) & 255 for i in range(96 * 8))))
    write("font", "fixed-map", fnt(8, 2, 2, table + bytes(8)))
    write("font", "width-past-end", fnt(0, 2, 0, proportional([(1, 9)] * 223 + [(7, 9)], 2)[:-3]))
    write("font", "short-read", fnt(0, 1, 1, bytes(224), size=300))

    write("endtext", "pages", b"; comment\n# comment\n/* page /* nested */ one */\n"
          b"-1 40 \"CENTRED TITLE\"\n-1 -1 'below it'\n10 100 plain words here\nENDPAGE 2\n"
          b"  \t5\t6 tabbed\r\n0 0 'A /* inside */'\nENDPAGE 2 extra\nendpage\n"
          b"-1 -1 first line above the top\n" + b"9 9 " + b"x" * 246 + b"\nENDTEXT 1\n")
    write("endtext", "no-end", b"1 1 one\n2 2 two\n300 190 off the edge\n-5000 -5000 far\n")
    write("endtext", "many-lines", b"".join(b"%d -1 line %d\n" % (i, i) for i in range(25)) + b"ENDPAGE\n")

    members = [(b"FONT2.FNT", b"font"), (b"EMPTY", b""), (b"weave.mix", bytes(range(40)))]
    valid = archive(members)
    write("archive", "valid", valid)
    write("archive", "one-member", archive([(b"A", b"x")]))
    bad = bytearray(valid)
    struct.pack_into("<i", bad, len(bad) - 12, -1)
    write("archive", "negative-count", bad)
    bad = bytearray(valid)
    struct.pack_into("<I", bad, len(bad) - 16 - 96 + 28, 1000)
    write("archive", "member-past-end", bad)
    bad = bytearray(valid)
    bad[len(bad) - 16 - 96:len(bad) - 16 - 72] = b"N" * 24
    write("archive", "name-without-nul", bad)
    write("archive", "trailer-only", valid[-16:])

    fill = zaf_length(64000) + b"\x05"
    mixed = zaf_length(0) + b"\x09" + zaf_length(3) + b"\x01\x02\x03" + zaf_length(254) + b"\x07" + \
        zaf_length(256) + bytes(range(256)) + zaf_length(64000 - 3 - 254 - 256) + b"\x00"
    write("zaf", "two-frames", zaf([fill, mixed], word=0x1234))
    write("zaf", "empty-frames", zaf([None, fill, None, mixed, None]))
    write("zaf", "corrupt-short-frame", zaf([fill, zaf_length(10) + b"\x01\x00"]))
    write("zaf", "corrupt-past-screen", zaf([zaf_length(64001) + b"\x01"]))
    write("zaf", "chunk-size-5", zaf([fill])[:8] + struct.pack("<I", 5) + b"\0" * 12)
    write("zaf", "chunk-past-end", zaf([fill])[:-1])
    write("zaf", "missing-chunks", zaf([fill], count=3))
    write("zaf", "no-frames", zaf([]))

    write("zs2", "rows", zs2(3, 2, 1, [b"\x07\x02\x0a\x0b\x00", b"\x08\x01\x0c\x03\x02\x0d\x0e\x00"], origin=(-1, 2)))
    write("zs2", "columns", zs2(2, 9, 0, [b"\x01\x00", b"\x02\x03\x01\x02\x03\x00"]))
    write("zs2", "no-items", zs2(5, 0, 1, [b"\x09"]))
    write("zs2", "item-past-data", zs2(1, 1, 1, [b"\x07\x05\x01"]))
    write("zs2", "data-past-end", zs2(1, 1, 1, [b"\x07\x00"], data_size=50))
    write("zs2", "short-header", zs2(1, 1, 1, [])[:20])


if __name__ == "__main__":
    main()
