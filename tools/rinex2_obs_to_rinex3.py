#!/usr/bin/env python3
"""Rewrite a GPS-only RINEX 2.10 observation file in the RINEX 3.02 layout.

Used to derive a RINEX 3 test fixture from a real RINEX 2 recording: the observations stay
byte for byte the same values, only the header records and the epoch layout change.
Usage: rinex2_obs_to_rinex3.py INPUT OUTPUT
"""
import sys

CODES = {"C1": "C1C", "L1": "L1C", "D1": "D1C", "S1": "S1C", "P1": "C1W",
         "P2": "C2W", "L2": "L2W", "D2": "D2W", "S2": "S2W", "C2": "C2L", "C5": "C5Q", "L5": "L5Q"}


def label(text, name):
    return text[:60].ljust(60) + name.ljust(20) + "\n"


def main(src, dst):
    lines = open(src).read().splitlines()
    out = []
    types = []
    i = 0
    while True:
        line = lines[i]
        i += 1
        tag = line[60:].strip()
        if tag == "RINEX VERSION / TYPE":
            out.append(label("     3.02           OBSERVATION DATA    G (GPS)", tag))
        elif tag == "# / TYPES OF OBSERV":
            n = int(line[:6])
            fields = line[6:60]
            types += [fields[k * 6 + 4:k * 6 + 6] for k in range(min(n, 9))]
            while len(types) < n:
                more = lines[i]
                i += 1
                types += [more[6 + k * 6 + 4:6 + k * 6 + 6] for k in range(min(n - len(types), 9))]
            codes = [CODES[t] for t in types]
            out.append(label("G" + "%5d" % len(codes) + "".join(" " + c for c in codes),
                             "SYS / # / OBS TYPES"))
        elif tag == "WAVELENGTH FACT L1/2":
            continue
        elif tag == "END OF HEADER":
            out.append(label("", tag))
            break
        else:
            out.append(line.ljust(80)[:80] + "\n")
    nlines = (len(types) + 4) // 5
    while i < len(lines):
        head = lines[i]
        i += 1
        if not head.strip():
            continue
        flag = int(head[26:29])
        count = int(head[29:32])
        if flag > 1 and not head[:26].strip():
            out.append(">%28s%3d%3d\n" % ("", flag, count))
            out += [lines[i + k] + "\n" for k in range(count)]
            i += count
            continue
        yy, mo, dd, hh, mi = (int(head[k:k + 3]) for k in range(0, 15, 3))
        sec = float(head[15:26])
        if flag > 1:
            out.append("> %4d %02d %02d %02d %02d%11.7f%3d%3d\n" % (
                2000 + yy if yy < 80 else 1900 + yy, mo, dd, hh, mi, sec, flag, count))
            out += [lines[i + k] + "\n" for k in range(count)]
            i += count
            continue
        sats = head[32:68]
        while len(sats.rstrip()) < 3 * count:
            sats += lines[i][32:68]
            i += 1
        clock = head[68:].strip()
        out.append("> %4d %02d %02d %02d %02d%11.7f%3d%3d%s\n" % (
            2000 + yy if yy < 80 else 1900 + yy, mo, dd, hh, mi, sec, flag, count,
            ("      " + "%15.12f" % float(clock)) if clock else ""))
        for k in range(count):
            sid = sats[3 * k:3 * k + 3]
            sid = ("G" if sid[0] == " " else sid[0]) + sid[1:].replace(" ", "0")
            values = "".join(lines[i + m].ljust(80)[:80] for m in range(nlines))
            i += nlines
            fields = [values[16 * s:16 * s + 16] for s in range(len(types))]
            out.append((sid + "".join(fields)).rstrip() + "\n")
    open(dst, "w").write("".join(out))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
