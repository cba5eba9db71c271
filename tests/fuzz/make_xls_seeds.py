# Writes small .xls seeds for the xls book fuzz target: a workbook with a
# drawing group (blip store) and a sheet holding a picture, a text box and a
# comment (drawing records, OBJ, TXO, NOTE). Usage: make_xls_seeds.py <folder>
import os
import struct
import sys


def rec(rid, data=b''):
    return struct.pack('<HH', rid, len(data)) + data


def oa(ver, inst, typ, body):
    return struct.pack('<HHI', (inst << 4) | ver, typ, len(body)) + body


def text8(s):  # short 8-bit string: count, option byte, characters
    return struct.pack('<BB', len(s), 0) + s.encode('latin-1')


def text16(s):  # 16-bit count, option byte, characters
    return struct.pack('<HB', len(s), 0) + s.encode('latin-1')


def opt(props):
    return oa(3, len(props), 0xF00B, b''.join(struct.pack('<HI', p, v) for p, v in props))


def sp(spid, flags, inst, more=b''):
    return oa(0xF, 0, 0xF004, oa(2, inst, 0xF00A, struct.pack('<II', spid, flags)) + more)


def anchor(col, row):
    return oa(0, 0, 0xF010, struct.pack('<HHHHHHHHH', 2, col, 0, row, 0, col + 2, 0, row + 3, 0))


def obj(ot, oid, extra=b''):
    cmo = struct.pack('<HHHHH', 0x15, 18, ot, oid, 0x6011) + b'\0' * 12
    return rec(0x005D, cmo + extra + struct.pack('<HH', 0, 0))


def globals_stream(sheet_at):
    png = b'\x89PNG\r\n\x1a\n' + b'\0' * 24
    blip = oa(0, 0x6E0, 0xF01E, b'\x11' * 16 + b'\xff' + png)
    fbse = oa(2, 6, 0xF007, bytes([6, 6]) + b'\x22' * 16 + struct.pack('<HIIIBBBB', 0xFF, len(blip), 1, 0, 0, 0, 0, 0) + blip)
    dgg = oa(0xF, 0, 0xF000,
             oa(0, 0, 0xF006, struct.pack('<IIII', 1026, 2, 4, 1) + struct.pack('<II', 1, 4))
             + oa(0xF, 1, 0xF001, fbse)
             + opt([(0x00BF, 0x00080008), (0x0181, 0x08000041)])
             + oa(0, 4, 0xF11E, struct.pack('<IIII', 0x0800000D, 0x0800000C, 0x08000017, 0x100000F7)))
    body = (rec(0x0042, struct.pack('<H', 1200)) + rec(0x003D, struct.pack('<HHHHHHHHH', 0, 0, 8000, 5000, 0x38, 0, 0, 1, 600))
            + rec(0x0031, struct.pack('<HHHHHBBBB', 200, 0, 0x7FFF, 400, 0, 0, 0, 0, 0) + text8('Arial')))
    for i in range(16):
        body += rec(0x00E0, struct.pack('<HHHBBBBIIH', 0, 0, 0xFFF5 if i < 15 else 1, 0x20, 0, 0, 0, 0, 0, 0x20C0))
    body += rec(0x0085, struct.pack('<IBB', sheet_at, 0, 0) + text8('Sheet1'))
    body += rec(0x00EB, dgg)
    body += rec(0x00FC, struct.pack('<II', 1, 1) + text16('seed'))
    return rec(0x0809, struct.pack('<HHHHII', 0x0600, 5, 0x1000, 0x07CC, 0, 6)), body + rec(0x000A)


def sheet_stream():
    dg = oa(0, 1, 0xF008, struct.pack('<II', 4, 1027))
    group = sp(1024, 5, 0, oa(1, 0, 0xF009, b'\0' * 16))
    picture = sp(1025, 0xA00, 75, opt([(0x0104, 1), (0x01BF, 0x00100000)]) + anchor(1, 1) + oa(0, 0, 0xF011, b''))
    textbox = sp(1026, 0xA00, 202, opt([(0x0080, 0), (0x00BF, 0x00080008)]) + anchor(4, 6) + oa(0, 0, 0xF011, b''))
    drawing = oa(0xF, 0, 0xF002, dg + oa(0xF, 0, 0xF003, group + picture + textbox))
    # The text box's shape container ends with its client text box, cut
    # off into the next drawing record as writers do.
    head, box = drawing[:-8], drawing[-8:]
    txo = rec(0x01B6, struct.pack('<HHHHHHIH', 0x0212, 0, 0, 0, 0, 4, 0, 16) + b'\0\0') \
        + rec(0x003C, b'\0note') + rec(0x003C, struct.pack('<HHI', 0, 0, 0) + struct.pack('<HHI', 4, 0, 0))
    return (rec(0x0809, struct.pack('<HHHHII', 0x0600, 0x10, 0x1000, 0x07CC, 0, 6))
            + rec(0x0200, struct.pack('<IIHHH', 0, 2, 0, 2, 0))
            + rec(0x0203, struct.pack('<HHHd', 0, 0, 15, 1.5))
            + rec(0x00FD, struct.pack('<HHHI', 1, 1, 15, 0))
            + rec(0x00EC, head) + obj(8, 1, struct.pack('<HHH', 0x07, 2, 0xFFFF) + struct.pack('<HHH', 0x08, 2, 1))
            + rec(0x00EC, box + oa(0, 0, 0xF00D, b'')) + obj(6, 2) + txo
            + rec(0x001C, struct.pack('<HHHH', 1, 0, 0, 2) + text16('me') + b'\0')
            + rec(0x023E, struct.pack('<HHHHHHH', 0x06B6, 0, 0, 0x40, 0, 0, 0) + b'\0\0\0\0')
            + rec(0x000A))


def compound(stream):
    stream = stream + b'\0' * max(0, 4096 - len(stream))
    n = (len(stream) + 511) // 512
    fat = list(range(1, n)) + [0xFFFFFFFE]  # stream sectors 0..n-1
    fat += [0xFFFFFFFE, 0xFFFFFFFD]  # directory sector n, FAT sector n+1
    fat += [0xFFFFFFFF] * (128 - len(fat))
    header = (b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + b'\0' * 16 + struct.pack('<HHHHH', 0x3E, 3, 0xFFFE, 9, 6)
              + b'\0' * 10 + struct.pack('<IIIIIIII', 1, n, 0, 4096, 0xFFFFFFFE, 0, 0xFFFFFFFE, 0)
              + struct.pack('<I', n + 1) + b'\xff' * 432)

    def entry(name, typ, child, start, size):
        raw = name.encode('utf-16-le') + b'\0\0'
        return (raw.ljust(64, b'\0') + struct.pack('<HBBIII', len(raw), typ, 1, 0xFFFFFFFF, 0xFFFFFFFF, child)
                + b'\0' * 36 + struct.pack('<IQ', start, size))
    directory = (entry('Root Entry', 5, 1, 0xFFFFFFFE, 0) + entry('Workbook', 2, 0xFFFFFFFF, 0, len(stream))
                 + b'\0' * 256)
    fat_bytes = b''.join(struct.pack('<I', v) for v in fat)
    return header + stream.ljust(n * 512, b'\0') + directory + fat_bytes


def main():
    out = sys.argv[1]
    bof, rest = globals_stream(0)
    at = len(bof) + len(rest)
    bof, rest = globals_stream(at)
    book = bof + rest + sheet_stream()
    with open(os.path.join(out, 'drawings.xls'), 'wb') as f:
        f.write(compound(book))


main()
