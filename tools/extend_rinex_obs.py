#!/usr/bin/env python3
"""Repeats the epochs of a RINEX 3 observation file back to back until it spans a given number
of hours (each copy shifted by the span of the original plus one interval), for benchmarks.
   extend_rinex_obs.py INPUT OUTPUT HOURS INTERVAL"""
import datetime
import sys


def main():
    src, dst, hours, interval = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4])
    lines = open(src, encoding="latin-1").read().split("\n")
    end = next(i for i, l in enumerate(lines) if "END OF HEADER" in l) + 1
    header, body = lines[:end], [l for l in lines[end:] if l]
    epochs = []
    for line in body:
        if line.startswith(">"):
            f = line[2:29].split()
            t = datetime.datetime(int(f[0]), int(f[1]), int(f[2]), int(f[3]), int(f[4])) + \
                datetime.timedelta(seconds=float(f[5]))
            epochs.append([t, line[29:], []])
        elif epochs:
            epochs[-1][2].append(line)
    first, last = epochs[0][0], epochs[-1][0]
    span = (last - first).total_seconds() + interval
    copies = int(hours * 3600 / span + 0.999)
    with open(dst, "w", encoding="latin-1") as out:
        out.write("\n".join(l for l in header if "TIME OF LAST OBS" not in l) + "\n")
        for c in range(copies):
            for t, rest, sats in epochs:
                u = t + datetime.timedelta(seconds=c * span)
                if (u - first).total_seconds() >= hours * 3600:
                    break
                out.write("> %04d %02d %02d %02d %02d %10.7f%s\n" % (
                    u.year, u.month, u.day, u.hour, u.minute, u.second + u.microsecond / 1e6, rest))
                out.write("\n".join(sats) + "\n")


if __name__ == "__main__":
    main()
