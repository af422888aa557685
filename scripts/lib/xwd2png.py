#!/usr/bin/env python3
"""xwd2png.py IN.xwd OUT.png: an X window dump (xwd -root, 24/32-bit
TrueColor ZPixmap, as Xvfb gives it) as a PNG, with no image package."""
import struct, sys, zlib


def main(src, dst):
    data = open(src, "rb").read()
    fields = struct.unpack(">25I", data[:100])
    header_size, _, fmt, depth, width, height = fields[:6]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask, ncolors = fields[14], fields[15], fields[16], fields[19]
    stride = 4 if bytes_per_line >= width * 4 else 3
    if fmt != 2 or bits_per_pixel not in (24, 32):
        sys.exit("xwd2png: only 24/32-bit ZPixmap dumps")
    pixels = data[header_size + ncolors * 12:]
    order = "<" if byte_order == 0 else ">"
    shift = lambda m: (m & -m).bit_length() - 1
    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        line = pixels[y * bytes_per_line: y * bytes_per_line + width * stride]
        for x in range(width):
            p = int.from_bytes(line[x * stride: x * stride + stride], "little" if order == "<" else "big")
            rows += bytes(((p >> rs) & 255, (p >> gs) & 255, (p >> bs) & 255))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b"")
    open(dst, "wb").write(png)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
