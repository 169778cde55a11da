#!/usr/bin/env bash
# Conversion benchmark: extends the sample recording to 25 MB and 100 MB (later, correctly
# re-framed epochs) and converts both, printing MB/s, epochs/s and peak resident memory.
#   bash tools/bench.sh [MEGABYTES...]   (default: 25 100)
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(25 100)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target oem_extend kestrin_convert
data=build/bench-data
mkdir -p "$data"
files=()
for mb in "${sizes[@]}"; do
    file="$data/oemv_${mb}mb.dat"
    [ -f "$file" ] || build/bin/oem_extend samples/oemv_20091218.dat "$file" "$mb"
    files+=("$file")
done
build/bin/kestrin_convert "${files[@]}"
