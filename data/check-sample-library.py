#!/usr/bin/env python3
"""Checks a library directory (default: sample-library beside this script).

Reads the seven files the way the program loads them and reports every problem:
file format, row widths, keys between tables, values written bare into SQL,
change dates, text lengths, and the presence of the cases the sample library is
meant to carry. Exit status 0 when everything holds, 1 otherwise.

Usage: check-sample-library.py [LIBRARY_DIR]
"""

import os
import re
import sys

WIDTHS = {"ExportVersion": 1, "StripConfig": 36, "StripConfigTerm": 22, "TerminalColors": 6,
          "PanelStrip": 94, "Channel": 67, "PanelStripTerm": 69}

# Columns written bare into statements; "empty" lists those the importer replaces when empty.
INTEGER_COLUMNS = {
    "StripConfig": [10, 11, 12, 13, 16, 25, 27, 29],
    "StripConfigTerm": [4],
    "TerminalColors": [2],
    "PanelStrip": [4, 55, 80, 82, 84, 86],
    "Channel": [6, 14, 15, 35, 37, 48, 49, 50, 54, 56, 58, 61, 62],
    "PanelStripTerm": [9, 15, 16, 17, 43, 47, 48, 49, 50, 51, 52, 61],
}
DECIMAL_COLUMNS = {
    "StripConfig": [24, 26, 28],
    "PanelStrip": [79, 81, 83, 85],
    "Channel": [53, 55, 57],
}
MAY_BE_EMPTY = {
    "StripConfig": set(range(24, 30)),
    "PanelStrip": set(range(79, 87)),
    "Channel": {48} | set(range(53, 59)),
}
DATE_COLUMNS = {"StripConfig": [5, 33, 35], "StripConfigTerm": [6], "TerminalColors": [5],
                "PanelStrip": [8, 89, 91, 93], "Channel": [9, 64, 66], "PanelStripTerm": [8]}
USER_COLUMNS = {"StripConfig": [6, 32, 34], "StripConfigTerm": [7], "TerminalColors": [4],
                "PanelStrip": [6, 88, 90, 92], "Channel": [7, 63, 65], "PanelStripTerm": [6]}
DESCRIPTION_COLUMNS = {"StripConfig": 8, "Channel": 36}

MONTHS = ("Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec")
DAYS_IN_MONTH = (31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31)
PREFIX_MARKER = "disabled-strip_config.prefix"
INTEGER = re.compile(r"-?[0-9]+")
DECIMAL = re.compile(r"-?[0-9]+(\.[0-9]+)?")
DATE = re.compile(r"([0-9]{2})-([A-Z][a-z]{2})-([0-9]{2})")

problems = []


def problem(text):
    problems.append(text)


def load(directory, name):
    """Returns the file's rows (lists of values), checking the byte-level format."""
    path = os.path.join(directory, name)
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        problem(f"{name}: cannot read ({e.strerror})")
        return []
    try:
        text = raw.decode("cp1252")
    except UnicodeDecodeError as e:
        problem(f"{name}: byte {e.start} is not Windows-1252 text")
        return []
    if not text.endswith("\r\n"):
        problem(f"{name}: the last line does not end with CR LF")
    lines = text.split("\r\n")
    if lines and lines[-1] == "":
        lines.pop()
    rows = []
    for number, line in enumerate(lines, start=1):
        if "\r" in line or "\n" in line:
            problem(f"{name} line {number}: stray CR or LF")
        values = line.split(",")
        if len(values) != WIDTHS[name]:
            problem(f"{name} line {number}: {len(values)} values, expected {WIDTHS[name]}")
        for pos, v in enumerate(values):
            if v != v.strip(" "):
                problem(f"{name} line {number} value {pos}: leading or trailing blanks are lost")
        rows.append(values)
    flat = sum(len(r) for r in rows)
    if flat % WIDTHS[name]:
        problem(f"{name}: {flat} values is not a whole number of rows")
    return rows


def valid_date(text):
    m = DATE.fullmatch(text)
    if not m or m.group(2) not in MONTHS:
        return False
    day = int(m.group(1))
    return 1 <= day <= DAYS_IN_MONTH[MONTHS.index(m.group(2))]


def revision(description):
    tail = ("   " + description)[-2:].upper()
    return tail if tail[0] == "R" and tail[1] in "123456789" else "??"


def check_values(tables):
    long_users = []
    for name, rows in tables.items():
        for line, row in enumerate(rows, start=1):
            where = f"{name} line {line}"
            if len(row) != WIDTHS[name]:
                continue
            for pos in INTEGER_COLUMNS.get(name, []) + DECIMAL_COLUMNS.get(name, []):
                v = row[pos]
                if v == "" and pos in MAY_BE_EMPTY.get(name, set()):
                    continue
                pattern = DECIMAL if pos in DECIMAL_COLUMNS.get(name, []) else INTEGER
                if not pattern.fullmatch(v):
                    problem(f"{where} value {pos}: {v!r} is not a number")
            for pos in DATE_COLUMNS.get(name, []):
                if not valid_date(row[pos]):
                    problem(f"{where} value {pos}: {row[pos]!r} is not a dd-Mon-yy date")
            for pos in USER_COLUMNS.get(name, []):
                if len(row[pos]) > 30:
                    long_users.append(f"{where} value {pos}")
            for pos, v in enumerate(row):
                if len(v) > 60:
                    problem(f"{where} value {pos}: {len(v)} characters")
                if ("%" in v or "_" in v) and not (name == "StripConfig" and pos == 20
                                                   and v == PREFIX_MARKER):
                    problem(f"{where} value {pos}: {v!r} holds a LIKE wildcard")
    if len(long_users) != 1 or not long_users[0].startswith("StripConfig ") \
            or not long_users[0].endswith("value 6"):
        problem(f"expected one user name over 30 characters, in StripConfig value 6: {long_users}")


def check_keys(tables):
    def keys(name, pos):
        values = [r[pos] for r in tables[name] if len(r) == WIDTHS[name]]
        if len(set(values)) != len(values):
            problem(f"{name}: value {pos} is not unique")
        return set(values)

    configs = keys("StripConfig", 0)
    strips = keys("PanelStrip", 1)
    channels = keys("Channel", 2)
    colours = keys("TerminalColors", 0)
    keys("StripConfigTerm", 1)
    keys("PanelStripTerm", 2)
    for name, pos, wanted, what in (
            ("StripConfigTerm", 0, configs, "configuration"),
            ("StripConfigTerm", 12, colours, "colour"), ("StripConfigTerm", 13, colours, "colour"),
            ("Channel", 1, strips, "strip"), ("PanelStripTerm", 20, channels, "channel"),
            ("PanelStripTerm", 14, colours, "colour"), ("PanelStripTerm", 45, colours, "colour")):
        for line, row in enumerate(tables[name], start=1):
            if len(row) == WIDTHS[name] and row[pos] not in wanted:
                problem(f"{name} line {line} value {pos}: no {what} {row[pos]!r}")
    for line, row in enumerate(tables["PanelStripTerm"], start=1):
        owner = [c for c in tables["Channel"] if len(c) == WIDTHS["Channel"] and c[2] == row[20]]
        if owner and len(row) == WIDTHS["PanelStripTerm"] and owner[0][1] != row[1]:
            problem(f"PanelStripTerm line {line}: strip differs from its channel's strip")
    used = {r[1] for r in tables["Channel"] if len(r) == WIDTHS["Channel"]}
    for strip in strips - used:
        problem(f"PanelStrip {strip!r} has no channel")


def check_cases(tables):
    """The situations the sample library exists to exercise."""
    sc, sct, ps = tables["StripConfig"], tables["StripConfigTerm"], tables["PanelStrip"]
    ch, pst = tables["Channel"], tables["PanelStripTerm"]

    def expect(condition, text):
        if not condition:
            problem(f"missing case: {text}")

    expect(len(sc) >= 6 and len(ps) >= 6, "at least 6 configurations and 6 strips")
    for row in sc:
        expect(sum(t[0] == row[0] for t in sct) >= 2, f"terminals of configuration {row[0]}")
    for row in ps:
        chans = [c for c in ch if c[1] == row[1]]
        expect(len(chans) >= 2, f"several channels on strip {row[1]}")
        for c in chans:
            expect(sum(t[20] == c[2] for t in pst) >= 2, f"several terminals on channel {c[2]}")
    owners = [t[0] for t in sct]
    interleaved = any(owners.index(k) < i < len(owners) - 1 - owners[::-1].index(k)
                      and owners[i] != k for k in set(owners) for i in range(len(owners)))
    expect(interleaved, "configuration terminals interleaved with another configuration's")
    expect(any("'" in r[23] for r in sc), "apostrophe in a configuration name")
    expect(any("'" in r[52] for r in ch), "apostrophe in a reference name")
    expect(any(len(r[23]) > 30 for r in sc), "configuration name over 30 characters")
    descs = [r[8] for r in sc] + [r[36] for r in ch]
    revs = {revision(d) for d in descs}
    expect(len(revs - {"??"}) >= 5, "descriptions ending in several revisions R1 to R9")
    expect(any(re.search(r"r[1-9]$", d) for d in descs), "description ending in lower-case r")
    expect("??" in revs, "description without a revision")
    expect(any(r[20] == PREFIX_MARKER for r in sc), "disabled prefix marker")
    expect(any(r[20] not in ("", PREFIX_MARKER) for r in sc), "real prefixes")
    expect(any(all(v == "" for v in r[24:30]) for r in sc), "configuration without dimensions")
    expect(any(all(v == "" for v in r[53:59]) for r in ch), "channel without dimensions")
    expect(any(all(v == "" for v in r[77:87]) for r in ps), "strip model without details")
    expect(any(r[12] == r[13] for r in sct), "configuration terminal with equal colour keys")
    expect(any(r[14] == r[45] for r in pst), "reference terminal with equal colour keys")
    expect(any(r[44] == "R" for r in pst), "hardware flag R")
    expect(all(1 <= len(r[10]) <= 4 for r in pst if r[44] == "R"), "short numbers under flag R")
    expect(any(r[44] != "R" for r in pst), "hardware flag other than R")
    lengths = {len(r[22]) for r in pst}
    expect({0, 2, 12} <= lengths, "secondary names of 0, 2 and 12 characters")
    text = "".join(v for rows in tables.values() for r in rows for v in r)
    expect(all(c in text for c in "µ°éü"), "µ, °, é and ü in descriptions")
    expect(any(r[74] == "" for r in ps), "strip without manufacturer name")
    expect(any(r[76] == "" for r in ps), "strip without model name")
    expect(any(len({c[52] for c in ch if c[1] == r[1]}) > 1 for r in ps),
           "one strip with several terminal model names")
    strips_per_name = {}
    for c in ch:
        strips_per_name.setdefault(c[52], set()).add(c[1])
    expect(any(len(s) > 1 for s in strips_per_name.values()), "terminal model shared by two strips")
    expect(any(n[:1].islower() for n in strips_per_name), "reference name beginning in lower case")


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    directory = argv[1] if len(argv) > 1 else os.path.join(here, "sample-library")
    tables = {name: load(directory, name) for name in WIDTHS}
    if tables["ExportVersion"] != [["3.0"]]:
        problem(f"ExportVersion holds {tables['ExportVersion']}, expected the single value 3.0")
    del tables["ExportVersion"]
    check_values(tables)
    if not problems:  # the remaining checks index rows freely
        check_keys(tables)
        check_cases(tables)
    else:
        problem("(keys and cases are checked once the problems above are mended)")
    for p in problems:
        print(p)
    counts = ", ".join(f"{n} {len(r)}" for n, r in tables.items())
    print(f"{len(problems)} problem(s); rows: {counts}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
