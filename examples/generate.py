#!/usr/bin/env python3
"""Regenerates the sample installation examples/install/ from examples/src/.

The sources are UTF-8 text that people can read and edit:

  src/pelmar1.ini, src/sek4.ini, src/fuutou.ini
                                     settings files (written as code page 932, CR LF,
                                     as Windows' profile functions create them)
  src/history.csv                    input histories: history,text; each history's
                                     texts most recent first
  src/master/<trade>/catalogue.csv   the material catalogue in cmdtool's CSV form
                                     (cmdtool master export TRADE --format csv)
  src/master/<trade>/keihi.csv       expense master: kind,name,amount,field4..field10
  src/master/<trade>/kouji1.txt, kouji2.txt, tanni.txt, hokyu.txt
                                     one entry a line
  src/master/<trade>/bikou.tsv       remark<TAB>flag

LOGO/logo.bmp, the company logo of the printed forms, is drawn here (a 24-bit
BMP picture).

The master files are written exactly as the library writes them: UTF-16LE with a
byte-order mark, CR LF line ends, the library's line formats. The catalogue is
written in the order the library's updates leave it: level-2 entries grouped by
parent, level-3 items grouped by level-2 code, each group in one block, so that
cmdtool's export and re-import leaves the files byte-identical. The history
file is what the library's UpdateHist calls leave behind when the texts are
entered oldest first.

Usage: python3 examples/generate.py [--check]
  --check  compare instead of writing; exit status 1 when a file differs.
"""

import csv
import os
import struct
import sys
from decimal import Decimal, InvalidOperation
from pathlib import Path

HERE = Path(__file__).resolve().parent
SRC = HERE / "src"
OUT = HERE / "install"

TRADES = ["電気", "水道", "設備", "建築"]  # trades 1 to 4

# Folders of an installation that hold nothing in the sample.
EMPTY_FOLDERS = ["DATA/見積", "DATA/請求", "DATA/単票", "BMP", "WAV", "LAYOUT", "MAIL"]

CATALOGUE_COLUMNS = [
    "level", "level1", "level2", "level3", "name", "flag",
    "attr1", "attr2", "attr3", "attr4", "attr5", "value1", "value2", "value3",
    "drawing_code", "class_mark", "use_mark", "text2", "text3", "short_text",
    "amount1", "amount2", "amount3", "amount4", "amount5", "amount6", "amount7",
    "factor1", "factor2", "factor3", "factor4", "factor5", "closing_text",
]
TEXT_LIMITS = {"name": 60, "text2": 20, "text3": 60, "short_text": 8, "closing_text": 20}


class SourceError(Exception):
    pass


# ------------------------------------------------------------------ encodings

def utf16_text(lines):
    """A text file as the C runtime's "wt,ccs=UNICODE" stream writes it."""
    body = "".join(line + "\r\n" for line in lines)
    return b"\xff\xfe" + body.encode("utf-16-le")


def cp932_ini(text):
    lines = text.splitlines()
    return "".join(line + "\r\n" for line in lines).encode("cp932")


def float32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def int32(text, where, low=-2**31, high=2**31 - 1):
    try:
        value = int(text)
    except ValueError:
        raise SourceError(f"{where}: {text!r} is not a whole number")
    if not low <= value <= high:
        raise SourceError(f"{where}: {value} is outside {low} to {high}")
    return value


def amount_text(text, where):
    """An amount as the level-3 line keeps it: "%.0f" of a value that the
    library's single-precision read gives back unchanged."""
    value = int32(text or "0", where, -2**31, 2**31 - 1)
    if float32(value) != value:
        raise SourceError(f"{where}: {value} does not survive the master's single-precision read")
    return "%d" % value


def factor_text(text, where):
    """A factor as thousandths ("%.0f" of factor x 1000 in single precision)."""
    try:
        value = Decimal(text or "0")
    except InvalidOperation:
        raise SourceError(f"{where}: {text!r} is not a number")
    thousandths = value * 1000
    if thousandths != thousandths.to_integral_value():
        raise SourceError(f"{where}: {text} has more than three decimals")
    written = "%.0f" % (float32(float(value)) * 1000.0)
    if int(written) != int(thousandths):
        raise SourceError(f"{where}: {text} does not survive the master's single-precision read")
    return written


def check_text(value, column, where):
    limit = TEXT_LIMITS.get(column)
    if limit is not None and len(value.encode("utf-16-le")) // 2 > limit:
        raise SourceError(f"{where}: {column} is longer than {limit} characters")
    if any(c in value for c in ",\r\n\t\0"):
        raise SourceError(f"{where}: {column} holds a comma, tab or line break")
    return value


# ------------------------------------------------------------------ catalogue

def read_catalogue(path):
    level1, level2, level3 = [], [], []
    with open(path, encoding="utf-8", newline="") as f:
        reader = csv.DictReader(f)
        if reader.fieldnames != CATALOGUE_COLUMNS:
            raise SourceError(f"{path}: the header is not cmdtool's catalogue header")
        for number, row in enumerate(reader, start=2):
            where = f"{path}:{number}"
            level = row["level"]
            if level == "1":
                level1.append(row)
            elif level == "2":
                level2.append(row)
            elif level == "3":
                level3.append(row)
            else:
                raise SourceError(f"{where}: level must be 1, 2 or 3")
            row["where"] = where
    return level1, level2, level3


def grouped(rows, key, what, where):
    """Rows in blocks by key, in order of first appearance; a key that comes
    back after another block is refused (the library's updates never leave
    a group in two pieces)."""
    groups, order = {}, []
    for row in rows:
        k = key(row)
        if k in groups and order[-1] != k:
            raise SourceError(f"{row['where']}: {what} {k} is split in two blocks")
        if k not in groups:
            groups[k] = []
            order.append(k)
        groups[k].append(row)
    return [(k, groups[k]) for k in order]


def catalogue_files(path):
    level1, level2, level3 = read_catalogue(path)
    files = {}

    codes1 = []
    lines1 = []
    for row in level1:
        code = int32(row["level1"], row["where"] + ": level1")
        codes1.append(code)
        name = check_text(row["name"], "name", row["where"])
        flag = int32(row["flag"] or "0", row["where"] + ": flag", 0, 65535)
        lines1.append("%d,%s,%d" % (code, name, flag))  # FormatMst1
    if len(set(codes1)) != len(codes1):
        raise SourceError(f"{path}: a level-1 code is used twice")
    files["zairyou1.mst"] = utf16_text(lines1)

    lines2 = []
    keys2 = set()
    for parent, rows in grouped(level2, lambda r: int(r["level1"]), "level-2 group", path):
        if parent not in codes1:
            raise SourceError(f"{rows[0]['where']}: level-1 code {parent} is not in the catalogue")
        for row in rows:
            where = row["where"]
            code = int32(row["level2"], where + ": level2")
            if (parent, code) in keys2:
                raise SourceError(f"{where}: level-2 entry {parent}/{code} is listed twice")
            keys2.add((parent, code))
            attrs = [int32(row[f"attr{i}"] or "0", where, 0, 255) for i in range(1, 6)]
            values = [int32(row[f"value{i}"] or "0", where) for i in range(1, 4)]
            name = check_text(row["name"], "name", where)
            lines2.append(",".join(["%d" % parent, "%d" % code, name] +
                                   ["%d" % a for a in attrs] + ["%d" % v for v in values]))  # FormatMst2
    files["zairyou2.mst"] = utf16_text(lines2)

    by_file = {}
    for row in level3:
        by_file.setdefault(int(row["level1"]), []).append(row)
    for parent, rows in by_file.items():
        if parent not in codes1:
            raise SourceError(f"{rows[0]['where']}: level-1 code {parent} is not in the catalogue")
        lines3 = []
        keys3 = set()
        for group, items in grouped(rows, lambda r: int(r["level2"]), "level-3 group", path):
            if (parent, group) not in keys2:
                raise SourceError(f"{items[0]['where']}: level-2 entry {parent}/{group} is not in the catalogue")
            for row in items:
                where = row["where"]
                code = int32(row["level3"], where + ": level3", 0)
                if (group, code) in keys3:
                    raise SourceError(f"{where}: item {parent}/{group}/{code} is listed twice")
                keys3.add((group, code))
                cwf = row["drawing_code"]
                if len(cwf) != 12 or not cwf.isdigit():
                    raise SourceError(f"{where}: drawing code must be 12 digits")
                for mark in ("class_mark", "use_mark"):
                    if len(row[mark]) > 1 or row[mark] in (",", "\t"):
                        raise SourceError(f"{where}: {mark} must be one character or empty")
                texts = [check_text(row[c], c, where)
                         for c in ("name", "text2", "text3", "short_text")]
                amounts = [amount_text(row[f"amount{i}"], f"{where}: amount{i}") for i in range(1, 8)]
                factors = [factor_text(row[f"factor{i}"], f"{where}: factor{i}") for i in range(1, 6)]
                closing = check_text(row["closing_text"], "closing_text", where)
                # FormatMst3: drawing code, marks, codes, four texts, amounts 1-6,
                # factors 1-5 in thousandths, amount 7, closing text.
                fields = [cwf, row["class_mark"], row["use_mark"], "%d" % parent, "%d" % group,
                          "%d" % code] + texts + amounts[:6] + factors + [amounts[6], closing]
                lines3.append(",".join(fields))
        files["zai%03d-3.mst" % parent] = utf16_text(lines3)
    return files


# ------------------------------------------------------------------ other masters

def keihi_file(path):
    lines = []
    with open(path, encoding="utf-8", newline="") as f:
        for number, row in enumerate(csv.DictReader(f), start=2):
            where = f"{path}:{number}"
            if len(row["kind"]) != 1:
                raise SourceError(f"{where}: kind must be one character")
            name = check_text(row["name"], "keihi name", where)
            amount = "%.0f" % float(row["amount"])
            ints = ["%d" % int32(row[f"field{i}"], where) for i in range(4, 11)]
            lines.append(",".join([row["kind"], name, amount] + ints))  # AddAllKeihiMst
    return utf16_text(lines)


def list_file(path):
    return utf16_text(path.read_text(encoding="utf-8").splitlines())


def bikou_file(path):
    lines = []
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), start=1):
        text, _, flag = line.partition("\t")
        lines.append("%s\t%d" % (text, int32(flag, f"{path}:{number}")))  # UpdateBikouMst
    return utf16_text(lines)


# ------------------------------------------------------------------ history

HISTORIES, SLOTS, RECORD, TABLE = 100, 30, 100, 100


def history_file(path):
    """Replays UpdateHist: the texts of each history are entered oldest first."""
    entered = {}
    with open(path, encoding="utf-8", newline="") as f:
        for number, row in enumerate(csv.DictReader(f), start=2):
            where = f"{path}:{number}"
            k = int32(row["history"], where, 0, HISTORIES - 1)
            text = row["text"]
            if len(text.encode("utf-16-le")) // 2 > 49:
                raise SourceError(f"{where}: a history text holds at most 49 characters")
            entered.setdefault(k, []).append(text)

    data = bytearray()
    for k in sorted(entered):
        for text in reversed(entered[k]):
            data = update_hist(data, k, text)
    return bytes(data)


def read_hist(data, k):
    if len(data) <= k:
        return []
    count = min(data[k], SLOTS)
    texts = []
    for i in range(count):
        start = TABLE + 3000 * k + RECORD * i
        record = data[start:start + RECORD]
        if len(record) < RECORD:
            break
        units = [record[j:j + 2] for j in range(0, RECORD, 2)]
        end = units.index(b"\0\0") if b"\0\0" in units else len(units)
        texts.append(b"".join(units[:end]).decode("utf-16-le").rstrip(" "))
    return texts


def update_hist(data, k, text):
    old = read_hist(data, k) if data else []
    new = [text] + [t for t in old if t != text]
    new = new[:SLOTS]
    if not data:
        data = bytearray(TABLE)
    data[k] = len(new)
    for i, t in enumerate(new):
        work = bytearray(b"\x20" * 520)
        encoded = t.encode("utf-16-le") + b"\0\0"
        work[:len(encoded)] = encoded
        start = TABLE + 3000 * k + RECORD * i
        if len(data) < start:
            data.extend(bytes(start - len(data)))
        data[start:start + RECORD] = work[:RECORD]
    return data


# ------------------------------------------------------------------ logo

def logo_bmp(size=96):
    """A green disc with a white lightning bolt: a 24-bit bottom-up BMP."""
    bolt = [(54, 8), (26, 52), (46, 52), (38, 88), (72, 40), (51, 40), (62, 8)]

    def inside(x, y):
        hit = False
        for (x1, y1), (x2, y2) in zip(bolt, bolt[1:] + bolt[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit

    stride = (size * 3 + 3) // 4 * 4
    rows = []
    for row in range(size - 1, -1, -1):  # bottom row first
        line = bytearray()
        for col in range(size):
            x, y = col * 96 / size + 0.5, row * 96 / size + 0.5
            if (x - 48) ** 2 + (y - 48) ** 2 > 46 ** 2:
                pixel = (255, 255, 255)
            elif inside(x, y):
                pixel = (255, 255, 255)
            else:
                pixel = (60, 150, 40)  # blue, green, red
            line += bytes(pixel)
        line += bytes(stride - len(line))
        rows.append(bytes(line))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


# ------------------------------------------------------------------ installation

def installation():
    files = {
        "pelmar1.ini": cp932_ini((SRC / "pelmar1.ini").read_text(encoding="utf-8")),
        "sek4.ini": cp932_ini((SRC / "sek4.ini").read_text(encoding="utf-8")),
        "fuutou.ini": cp932_ini((SRC / "fuutou.ini").read_text(encoding="utf-8")),
        "LOGO/logo.bmp": logo_bmp(),
        "PELMAR/histry.mst": history_file(SRC / "history.csv"),
    }
    for trade in TRADES:
        src = SRC / "master" / trade
        out = f"MASTER/{trade}/"
        for name, content in catalogue_files(src / "catalogue.csv").items():
            files[out + name] = content
        files[out + "keihi.mst"] = keihi_file(src / "keihi.csv")
        for name in ("kouji1", "kouji2", "tanni", "hokyu"):
            files[out + name + ".mst"] = list_file(src / (name + ".txt"))
        files[out + "bikou.mst"] = bikou_file(src / "bikou.tsv")
    for folder in EMPTY_FOLDERS:
        files[folder + "/.gitkeep"] = b""
    return files


def main(argv):
    check = "--check" in argv[1:]
    try:
        files = installation()
    except (SourceError, OSError, KeyError) as e:
        print(f"generate.py: {e}", file=sys.stderr)
        return 1
    differ = []
    for name, content in sorted(files.items()):
        target = OUT / name
        if target.exists() and target.read_bytes() == content:
            continue
        differ.append(name)
        if not check:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(content)
    # Files of the installation that no source produces any more.
    known = {OUT / name for name in files}
    stale = [p for p in OUT.rglob("*") if p.is_file() and p not in known] if OUT.exists() else []
    for p in stale:
        differ.append(str(p.relative_to(OUT)) + " (no source)")
        if not check:
            p.unlink()
    for name in differ:
        print(("differs: " if check else "wrote: ") + name)
    return 1 if check and differ else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
