#!/usr/bin/env python3
"""Checks what examples/host did on a copy of the sample installation.

- It listed the level-2 entries of the level-1 entry, as the catalogue
  source of the sample installation has them, each with its cell.
- Its PNG has the size of the cells and text (pixels other than the white
  background) inside every cell.
- "zairyou2.mst" holds the other groups' lines in their old order, then the
  group with the added entry at the end; UTF-16LE with BOM and CR LF.
"""
import argparse
import csv
import struct
import sys
import zlib

WHITE = (255, 255, 255)


def read_png(path):
    """(width, height, rows of RGB tuples) of an 8-bit RGB or RGBA PNG."""
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(f'{path}: not a PNG file')
    pos, idat, header = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise ValueError(f'{path}: depth {depth}, colour type {colour}, interlace {interlace}')
    channels = 4 if colour == 6 else 3
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def read_master(path):
    data = open(path, 'rb').read()
    if not data.startswith(b'\xff\xfe'):
        raise ValueError(f'{path}: no UTF-16LE byte-order mark')
    text = data[2:].decode('utf-16-le')
    if text and not text.endswith('\r\n') or '\n' in text.replace('\r\n', ''):
        raise ValueError(f'{path}: lines do not end in CR LF')
    return text.split('\r\n')[:-1]


def main():
    ap = argparse.ArgumentParser()
    for name in ('catalogue', 'level1', 'new-name', 'output', 'png', 'before', 'after'):
        ap.add_argument('--' + name, required=True)
    args = ap.parse_args()
    errors = []

    with open(args.catalogue, encoding='utf-8') as f:
        expected = [(int(r['level2']), r['name']) for r in csv.DictReader(f)
                    if r['level'] == '2' and r['level1'] == args.level1]
    lines = open(args.output, encoding='utf-8').read().splitlines()
    listed, cells = [], []
    for line in lines[1:-1]:
        code, name, cell = line.split('\t')
        listed.append((int(code), name))
        cells.append(tuple(int(v) for v in cell.split(',')))
    if not expected or listed != expected:
        errors.append(f'listed {listed}, the catalogue has {expected}')
    if lines[-1] != f'rewrote {len(expected) + 1} entries':
        errors.append(f'last line: {lines[-1]!r}')

    width, height, rows = read_png(args.png)
    if cells and (width, height) != (cells[0][2], cells[-1][3]):
        errors.append(f'picture is {width}x{height}, the cells end at {cells[-1][2:]}')
    for (left, top, right, bottom), (_, name) in zip(cells, listed):
        inked = sum(1 for y in range(top + 2, min(bottom, height) - 2)
                    for x in range(left + 2, min(right, width) - 2) if rows[y][x] != WHITE)
        area = (right - left - 4) * (bottom - top - 4)
        if not 20 <= inked <= area * 0.6:
            errors.append(f'cell of {name}: {inked} of {area} pixels inked')

    before, after = read_master(args.before), read_master(args.after)
    group = [l for l in before if l.split(',')[0] == args.level1]
    others = [l for l in before if l.split(',')[0] != args.level1]
    added = group[-1].split(',')
    added[1] = str(max(int(l.split(',')[1]) for l in group) + 1)
    added[2] = args.new_name
    if after != others + group + [','.join(added)]:
        errors.append('zairyou2.mst does not end with the rewritten group:\n  '
                      + '\n  '.join(after[-len(group) - 2:]))

    for e in errors:
        print('check_host:', e, file=sys.stderr)
    return 1 if errors else 0


if __name__ == '__main__':
    sys.exit(main())
