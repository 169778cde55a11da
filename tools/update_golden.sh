#!/usr/bin/env bash
# Regenerates the expected files of the golden end-to-end tests (tests/golden) from the code as
# it is now, then shows what changed. Run it only after reviewing that the output change is
# intended, and commit the changed files with the change that caused them.
#   bash tools/update_golden.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target kestrin_tests
tests=$(find "$build" -type f -name kestrin_tests -perm -u+x | head -n 1)
[ -n "$tests" ] || { echo "kestrin_tests not found under $build" >&2; exit 1; }
rm -rf tests/golden
TOLLMERE_UPDATE_GOLDEN=1 "$tests" --gtest_filter='Fixtures/Golden.*' --gtest_brief=1
"$tests" --gtest_filter='Fixtures/Golden.*' --gtest_brief=1
git status --short -- tests/golden
git diff --stat -- tests/golden
