#!/usr/bin/env python3
"""Writes the hostile and broken pictures under bad/. Every one of them must
be refused by the decoders (the tests load each file and expect a failure):
sizes far beyond the data, bombs, bad tables, overrunning runs, truncations.
Files the fuzzers found are kept next to these under their own names."""
import os
import struct
import zlib

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(here, "bad")
samples = os.path.join(here, "samples")
os.makedirs(out, exist_ok=True)


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


def info_header(width, height, bits, compression=0, colours=0, size=40):
    return struct.pack("<IiiHHIIiiII", size, width, height, 1, bits, compression, 0, 0, 0, colours, 0)


def bmp(dib, pixels, offset=None):
    if offset is None:
        offset = 14 + len(dib)
    return b"BM" + struct.pack("<IHHI", 14 + len(dib) + len(pixels), 0, 0, offset) + dib + pixels


grey_palette = b"".join(struct.pack("<BBBB", i, i, i, 0) for i in range(256))

# BMP: sizes the data cannot hold, bad fields, runs past the end.
write("bmp-huge-declared.bmp", bmp(info_header(30000, 30000, 24), b"\0" * 64))
write("bmp-over-limit.bmp", bmp(info_header(40000, 1, 24), b"\0" * 64))
write("bmp-palette-300.bmp", bmp(info_header(2, 2, 8, 0, 300) + grey_palette, b"\0" * 200))
write("bmp-negative-width.bmp", bmp(info_header(-4, 2, 24), b"\0" * 32))
write("bmp-zero-height.bmp", bmp(info_header(4, 0, 24), b"\0" * 32))
write("bmp-min-height.bmp", bmp(info_header(4, -2**31, 24), b"\0" * 32))
write("bmp-seven-bits.bmp", bmp(info_header(4, 2, 7), b"\0" * 32))
write("bmp-bitfields-24.bmp", bmp(info_header(4, 2, 24, 3) + struct.pack("<III", 0xFF0000, 0xFF00, 0xFF), b"\0" * 32))
write("bmp-rle-top-down.bmp", bmp(info_header(4, -2, 8, 1) + grey_palette, b"\x04\x01\x00\x01"))
# Runs of 255 on a 4-pixel row, then an absolute run of 200 with 5 bytes left and no end code.
write("bmp-rle-overrun.bmp", bmp(info_header(4, 2, 8, 1) + grey_palette, b"\xff\x07\xff\x08\x00\xc8\x01\x02\x03\x04\x05"))
# 100 million pixels from a few bytes of runs: a decompression bomb.
write("bmp-rle-bomb.bmp", bmp(info_header(10000, 10000, 8, 1) + grey_palette, b"\x00\x01"))
write("bmp-truncated-palette.bmp", bmp(info_header(2, 2, 8), grey_palette[:100]))
with open(os.path.join(samples, "four.bmp"), "rb") as f:
    four = f.read()
write("bmp-truncated.bmp", four[: len(four) // 2])


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def png(width, height, depth, colour, idat, ihdr_crc_ok=True):
    ihdr = chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0))
    if not ihdr_crc_ok:
        ihdr = ihdr[:-1] + bytes([ihdr[-1] ^ 0xFF])
    return b"\x89PNG\r\n\x1a\n" + ihdr + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


row = zlib.compress(b"\0" * (1 + 8 * 3) * 2)
write("png-over-limit.png", png(100000, 100000, 8, 2, row))
# 256 million pixels declared with a tiny compressed stream: a bomb.
write("png-bomb.png", png(16000, 16000, 1, 0, zlib.compress(b"\0" * 20000)))
write("png-bad-ihdr-crc.png", png(8, 2, 8, 2, row, ihdr_crc_ok=False))
write("png-missing-rows.png", png(8, 6, 8, 2, row))
write("png-zero-width.png", png(0, 6, 8, 2, row))
with open(os.path.join(samples, "interlaced.png"), "rb") as f:
    interlaced = f.read()
write("png-truncated.png", interlaced[: len(interlaced) // 2])
# 8192 x 4096 RGB in 4 KB: the filtered rows (96 MiB) need at least 95 KB
# of Deflate data.
write("png-rgb-bomb.png", png(8192, 4096, 8, 2, zlib.compress(b"\0" * 4096, 0)))


def jpeg_sof(width, height):
    sof = struct.pack(">BHHB", 8, height, width, 1) + b"\x01\x11\x00"
    return b"\xff\xd8" + b"\xff\xc0" + struct.pack(">H", len(sof) + 2) + sof + b"\xff\xd9"


with open(os.path.join(samples, "baseline.jpg"), "rb") as f:
    baseline = f.read()


def jpeg_resized(width, height):
    """The baseline sample with its frame header claiming another size."""
    at = baseline.index(b"\xff\xc0")
    return baseline[: at + 5] + struct.pack(">HH", height, width) + baseline[at + 9 :]


write("jpeg-over-limit.jpg", jpeg_resized(65000, 65000))
write("jpeg-bomb.jpg", jpeg_resized(8000, 8000))
write("jpeg-frame-only.jpg", jpeg_sof(8, 6))
write("jpeg-no-frame.jpg", b"\xff\xd8\xff\xd9")
write("jpeg-truncated.jpg", baseline[: len(baseline) // 2])

with open(os.path.join(samples, "progressive.jpg"), "rb") as f:
    progressive = f.read()


def progressive_resized(width, height):
    at = progressive.index(b"\xff\xc2")
    return progressive[: at + 5] + struct.pack(">HH", height, width) + progressive[at + 9 :]


# 4096 x 4096 from 657 bytes: a Huffman-coded block costs at least one bit.
write("jpeg-progressive-bomb.jpg", progressive_resized(4096, 4096))
# 64 x 48 with the scans of 8 x 6: every scan ends early.
write("jpeg-progressive-short.jpg", progressive_resized(64, 48))


def gif(screen_w, screen_h, frame, lzw):
    head = b"GIF89a" + struct.pack("<HHBBB", screen_w, screen_h, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff"
    fx, fy, fw, fh = frame
    return head + b"," + struct.pack("<HHHHB", fx, fy, fw, fh, 0) + lzw + b";"


small_lzw = b"\x02\x02\x44\x01\x00"  # code size 2, one sub-block, end
write("gif-huge-screen.gif", gif(65535, 65535, (0, 0, 1, 1), small_lzw))
write("gif-bomb.gif", gif(16000, 16000, (0, 0, 16000, 16000), small_lzw))
write("gif-bad-code-size.gif", gif(2, 2, (0, 0, 2, 2), b"\x0f\x02\x44\x01\x00"))
write("gif-missing-rows.gif", gif(4, 4, (0, 0, 4, 4), small_lzw))
write("gif-no-frame.gif", b"GIF89a" + struct.pack("<HHBBB", 2, 2, 0x80, 0, 0) + b"\0\0\0\xff\xff\xff;")


def tiff(width, height, strip_offset, strip_bytes, ifd_offset=8, extra=b"", compression=1):
    entries = [
        (256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 8), (259, 3, 1, compression), (262, 3, 1, 1),
        (273, 4, 1, strip_offset), (277, 3, 1, 1), (278, 4, 1, height), (279, 4, 1, strip_bytes),
    ]
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        ifd += struct.pack("<HHII", tag, kind, count, value)
    ifd += struct.pack("<I", 0)
    return b"II*\0" + struct.pack("<I", ifd_offset) + ifd + extra


write("tiff-huge.tif", tiff(30000, 30000, 8, 900000000, extra=b"\0" * 16))
write("tiff-strip-past-end.tif", tiff(64, 64, 200, 4096, extra=b"\0" * 16))
write("tiff-ifd-past-end.tif", b"II*\0" + struct.pack("<I", 100000) + b"\0" * 16)
write("tiff-zero-width.tif", tiff(0, 4, 8, 16, extra=b"\0" * 16))
# 16384 x 16384 uncompressed grey declared in 4 KiB.
plain = tiff(16384, 16384, 8, 16384 * 16384)
write("tiff-plain-giant.tif", plain + b"\0" * (4096 - len(plain)))
# The same page in a coding nobody knows.
unknown = tiff(16384, 16384, 8, 4000, compression=12345)
write("tiff-unknown-coding.tif", unknown + b"\0" * (4096 - len(unknown)))


def ico(entries, blobs):
    head = struct.pack("<HHH", 0, 1, len(entries))
    return head + b"".join(entries) + b"".join(blobs)


write("ico-offset-past-end.ico", ico([struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, 1000, 5000)], []))
huge_dib = info_header(30000, 60000, 32)
write("ico-huge-dib.ico", ico([struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(huge_dib) + 16, 22)], [huge_dib + b"\0" * 16]))
write("ico-odd-height.ico", ico([struct.pack("<BBBBHHII", 1, 1, 0, 0, 1, 32, 48, 22)], [info_header(1, 1, 32) + b"\0" * 8]))
with open(os.path.join(samples, "icon.ico"), "rb") as f:
    icon = f.read()
write("ico-mask-cut.ico", icon[:-1])
write("ico-png-truncated.ico", ico([struct.pack("<BBBBHHII", 8, 6, 0, 0, 1, 32, len(interlaced), 22)], [interlaced[:40]]))
