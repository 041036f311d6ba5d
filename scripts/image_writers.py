"""Tiny image writers for the demo data and the icon: baseline JPEG, PNG and GIF.

Only the standard library: the pictures are made here, not taken from anywhere.
Pixels are given as a function (x, y) -> (r, g, b) with components 0..255; png() also
takes (r, g, b, a) with alpha=True.
"""

import math
import struct
import zlib

# ---------------------------------------------------------------- PNG


def png(width, height, pixel, alpha=False):
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter: none
        for x in range(width):
            rows.extend(pixel(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- GIF


def gif(width, height, pixel):
    """A GIF with the picture's own palette (at most 256 colours)."""
    palette = []
    index = {}
    indices = []
    for y in range(height):
        for x in range(width):
            colour = tuple(pixel(x, y))
            if colour not in index:
                if len(palette) == 256:
                    raise ValueError("more than 256 colours")
                index[colour] = len(palette)
                palette.append(colour)
            indices.append(index[colour])
    while len(palette) < 256:
        palette.append((0, 0, 0))

    # LZW with 8-bit symbols; a clear code before the table would grow past 9-bit codes
    # keeps every code 9 bits wide.
    clear, end = 256, 257
    codes = [clear]
    since_clear = 0
    for symbol in indices:
        if since_clear == 254:
            codes.append(clear)
            since_clear = 0
        codes.append(symbol)
        since_clear += 1
    codes.append(end)
    bits = 0
    nbits = 0
    data = bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += 9
        while nbits >= 8:
            data.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xFF)
    blocks = bytearray()
    for i in range(0, len(data), 255):
        part = data[i:i + 255]
        blocks.append(len(part))
        blocks.extend(part)
    blocks.append(0)

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0xF7, 0, 0)
    for r, g, b in palette:
        out += bytes((r, g, b))
    out += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    out.append(8)  # LZW minimum code size
    out += blocks
    out += b";"
    return bytes(out)


# ---------------------------------------------------------------- JPEG

# The luminance quantisation table of the JPEG standard, halved (about quality 75).
_QUANT = [max(1, (q + 1) // 2) for q in (
    16, 11, 10, 16, 24, 40, 51, 61,
    12, 12, 14, 19, 26, 58, 60, 55,
    14, 13, 16, 24, 40, 57, 69, 56,
    14, 17, 22, 29, 51, 87, 80, 62,
    18, 22, 37, 56, 68, 109, 103, 77,
    24, 35, 55, 64, 81, 104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101,
    72, 92, 95, 98, 112, 100, 103, 99)]


def _zigzag():
    order = []
    for s in range(15):
        cells = [(i, s - i) for i in range(8) if 0 <= s - i < 8]
        if s % 2 == 0:
            cells.reverse()
        order.extend(r * 8 + c for r, c in cells)
    return order


_ZIGZAG = _zigzag()
_COS = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]
_C = [1 / math.sqrt(2)] + [1.0] * 7

# Huffman tables with codes of one length each: 12 DC categories of 4 bits, and the 162
# AC symbols (end of block, sixteen zeros, run/size pairs) of 8 bits. Larger than the
# standard's tables, but simple and valid.
_DC_SYMBOLS = list(range(12))
_AC_SYMBOLS = [0x00, 0xF0] + [(run << 4) | size for run in range(16) for size in range(1, 11)]


def _codes(symbols, length):
    return {s: (i, length) for i, s in enumerate(symbols)}


_DC_CODES = _codes(_DC_SYMBOLS, 4)
_AC_CODES = _codes(_AC_SYMBOLS, 8)


def _dht(table_class, table_id, symbols, length):
    counts = [0] * 16
    counts[length - 1] = len(symbols)
    body = bytes([(table_class << 4) | table_id]) + bytes(counts) + bytes(symbols)
    return b"\xff\xc4" + struct.pack(">H", len(body) + 2) + body


class _Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, length):
        for i in range(length - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                if self.acc == 0xFF:
                    self.out.append(0)
                self.acc = 0
                self.n = 0

    def flush(self):
        if self.n:
            self.put((1 << (8 - self.n)) - 1, 8 - self.n)


def _category(value):
    value = abs(value)
    size = 0
    while value:
        size += 1
        value >>= 1
    return size


def _amplitude(value, size):
    return value if value >= 0 else value + (1 << size) - 1


def _fdct(block):
    tmp = [[sum(_COS[v][y] * block[x * 8 + y] for y in range(8)) for v in range(8)]
           for x in range(8)]
    out = [0.0] * 64
    for u in range(8):
        for v in range(8):
            s = sum(_COS[u][x] * tmp[x][v] for x in range(8))
            out[u * 8 + v] = 0.25 * _C[u] * _C[v] * s
    return out


def jpeg(width, height, pixel):
    """Baseline JPEG, YCbCr without subsampling."""
    planes = ([], [], [])
    bw, bh = (width + 7) // 8 * 8, (height + 7) // 8 * 8
    for y in range(bh):
        for x in range(bw):
            r, g, b = pixel(min(x, width - 1), min(y, height - 1))
            planes[0].append(0.299 * r + 0.587 * g + 0.114 * b)
            planes[1].append(-0.168736 * r - 0.331264 * g + 0.5 * b + 128)
            planes[2].append(0.5 * r - 0.418688 * g - 0.081312 * b + 128)

    bits = _Bits()
    previous_dc = [0, 0, 0]
    for by in range(0, bh, 8):
        for bx in range(0, bw, 8):
            for c in range(3):
                block = [planes[c][(by + i) * bw + bx + j] - 128 for i in range(8)
                         for j in range(8)]
                coef = _fdct(block)
                q = [int(round(coef[k] / _QUANT[k])) for k in range(64)]
                zz = [q[k] for k in _ZIGZAG]
                diff = zz[0] - previous_dc[c]
                previous_dc[c] = zz[0]
                size = _category(diff)
                bits.put(*_DC_CODES[size])
                if size:
                    bits.put(_amplitude(diff, size), size)
                run = 0
                for k in range(1, 64):
                    if zz[k] == 0:
                        run += 1
                        continue
                    while run > 15:
                        bits.put(*_AC_CODES[0xF0])
                        run -= 16
                    size = _category(zz[k])
                    bits.put(*_AC_CODES[(run << 4) | size])
                    bits.put(_amplitude(zz[k], size), size)
                    run = 0
                if run:
                    bits.put(*_AC_CODES[0x00])
    bits.flush()

    out = bytearray(b"\xff\xd8")
    out += b"\xff\xe0" + struct.pack(">H5sBBBHHBB", 16, b"JFIF\0", 1, 1, 0, 1, 1, 0, 0)
    out += b"\xff\xdb" + struct.pack(">HB", 67, 0) + bytes(_QUANT[k] for k in _ZIGZAG)
    out += b"\xff\xc0" + struct.pack(">HBHHB", 17, 8, height, width, 3)
    out += bytes((1, 0x11, 0, 2, 0x11, 0, 3, 0x11, 0))
    out += _dht(0, 0, _DC_SYMBOLS, 4) + _dht(1, 0, _AC_SYMBOLS, 8)
    out += b"\xff\xda" + struct.pack(">HB", 12, 3) + bytes((1, 0, 2, 0, 3, 0)) + bytes((0, 63, 0))
    out += bits.out
    out += b"\xff\xd9"
    return bytes(out)
