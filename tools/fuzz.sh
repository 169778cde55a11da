#!/usr/bin/env bash
# Builds the libFuzzer target with clang (coverage, AddressSanitizer, UndefinedBehaviorSanitizer)
# and fuzzes the conversion entry point for SECONDS (default 60), then the RINEX readers and the
# slip marking (rinex_fuzz, detect_slip_fuzz) for half that each, seeded with the real
# recordings of tests/data and samples/. Before fuzzing, truncated copies of every seed (cut at
# random points) are converted once each. Fails on any crash, leak, sanitizer report, hang,
# broken conversion promise, or temporary folder left behind.
#   bash tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build-fuzz

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLLMERE_FUZZ=ON -DTOLLMERE_TESTS=OFF -DTOLLMERE_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target kestrin_fuzz rinex_fuzz detect_slip_fuzz

run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/tmp" "$run/work" "$run/corpus" "$run/seeds" "$run/cuts" "$run/artifacts"

# Seeds: every real recording (not the text files that describe them).
i=0
while IFS= read -r -d '' file; do
    i=$((i + 1))
    cp "$file" "$run/seeds/$i-$(basename "$file")"
done < <(find tests/data samples -type f ! -name '*.md' ! -name '*.txt' -print0 2>/dev/null)
echo "fuzz: $i seed files"

# Truncated copies: 8 random cut points per seed, plus a cut inside the first frame.
for seed in "$run/seeds"/*; do
    [ -e "$seed" ] || continue
    size=$(stat -c %s "$seed")
    for k in 1 2 3 4 5 6 7 8; do
        cut=$(( (RANDOM * 32768 + RANDOM) % (size + 1) ))
        head -c "$cut" "$seed" > "$run/cuts/$(basename "$seed").$k"
    done
    head -c 40 "$seed" > "$run/cuts/$(basename "$seed").0"
done

export TMPDIR="$run/tmp"
export TOLLMERE_FUZZ_WORKDIR="$run/work"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
fuzzer="$build/bin/kestrin_fuzz"
log="$run/fuzz.log"
status=0

if compgen -G "$run/cuts/*" >/dev/null; then
    "$fuzzer" -timeout=30 -rss_limit_mb=2048 "$run/cuts"/* >"$log" 2>&1 || status=$?
    if [ "$status" -ne 0 ]; then
        tail -n 60 "$log"
        echo "fuzz: a truncated recording broke the conversion (exit $status)" >&2
        exit 1
    fi
    echo "fuzz: $(find "$run/cuts" -type f | wc -l) truncated recordings converted or failed cleanly"
fi

"$fuzzer" "$run/corpus" "$run/seeds" -max_total_time="$seconds" -max_len=65536 -timeout=30 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$run/artifacts/" \
    >>"$log" 2>&1 || status=$?
grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true

# The RINEX readers and the slip marking, seeded with the RINEX files of tests/data (half the
# time each).
mkdir -p "$run/rinex-seeds"
find tests/data -type f -iregex '.*\.\([0-9][0-9][a-z]\|rnx\)' -exec cp {} "$run/rinex-seeds/" \;
for target in rinex_fuzz detect_slip_fuzz; do
    mkdir -p "$run/corpus-$target"
    "$build/bin/$target" "$run/corpus-$target" "$run/rinex-seeds" \
        -max_total_time="$(( (seconds + 1) / 2 ))" -max_len=262144 -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$run/artifacts/" \
        >>"$log" 2>&1 || status=$?
    echo "fuzz: $target done"
done

fail=0
if [ "$status" -ne 0 ]; then
    echo "fuzz: the fuzzer stopped with exit status $status" >&2
    fail=1
fi
if grep -qE 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error:|UndefinedBehaviorSanitizer' "$log"; then
    echo "fuzz: sanitizer report" >&2
    fail=1
fi
if [ -n "$(ls -A "$run/tmp")" ]; then
    echo "fuzz: temporary files left behind in \$TMPDIR:" >&2
    ls -laR "$run/tmp" >&2
    fail=1
fi
if [ "$fail" -ne 0 ]; then
    tail -n 80 "$log" >&2
    for artifact in "$run/artifacts"/*; do
        [ -e "$artifact" ] || continue
        mkdir -p fuzz-artifacts && cp "$artifact" fuzz-artifacts/
        echo "fuzz: crashing input saved as fuzz-artifacts/$(basename "$artifact")" >&2
    done
    exit 1
fi
echo "fuzz: passed"
