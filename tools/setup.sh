#!/usr/bin/env bash
# Sets Tollmere up on a fresh Debian machine: installs the build dependencies, builds the
# libraries, tollmere-cli and the desktop program tollmere, and converts the bundled sample recording into RINEX files in
# out/, printing the files it wrote.
#   bash tools/setup.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target tollmere-cli tollmere
mkdir -p out
build/bin/tollmere-cli convert -o out samples/oemv_20091218.dat
echo "tollmere-cli is build/bin/tollmere-cli; try: build/bin/tollmere-cli --help"
echo "the desktop program is build/bin/tollmere"
