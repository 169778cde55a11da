#!/usr/bin/env bash
# Cycle-slip benchmark: wraps the multi-system OEM729 recording of tests/data in a static
# header, extends it to about one hour of 1 Hz epochs (later, re-framed copies), converts it
# to RINEX 3.02 (GPS, GLONASS, BDS, QZSS, Galileo) and runs DetectSlp on the result, printing
# the time and the peak resident memory; then the same for a 24-hour 30 s GPS + GLONASS file
# made of back-to-back copies of the PDEL RINEX file of tests/data.
#   bash tools/bench_slips.sh
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target make_sample oem_extend tollmere-cli kestrin_detect_slip
data=build/bench-data
mkdir -p "$data/slips"
raw="$data/qlnav_1h.dat"
if [ ! -f "$raw" ]; then
    build/bin/make_sample tests/data/novatel/20230819-061342qlnav.nov "$data/qlnav.dat" QLNV
    build/bin/oem_extend "$data/qlnav.dat" "$raw" 17.8   # 121 x 30 epochs at 1 Hz
fi
obs="$data/slips/qlnav_1h.23O"
[ -f "$obs" ] || build/bin/tollmere-cli convert -o "$data/slips" "$raw" >/dev/null
build/bin/kestrin_detect_slip "$obs"
day="$data/slips/pdel0010.21o"
[ -f "$day" ] || python3 tools/extend_rinex_obs.py tests/data/rinex/pdel0010.21o "$day" 24 30
build/bin/kestrin_detect_slip "$day"
