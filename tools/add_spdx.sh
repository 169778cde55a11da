#!/usr/bin/env bash
# Puts the licence identifier "SPDX-License-Identifier: BSD-2-Clause" into the first lines of
# every tracked source and build file that lacks one, as a comment of the file's own kind
# (after a "#!" line where there is one). Safe to run again: files that carry an identifier
# in their first three lines are left untouched, byte for byte.
#   bash tools/add_spdx.sh           add the missing identifiers
#   bash tools/add_spdx.sh --check   list the files without one; status 1 when there are any
# Test data, expected outputs, translations and pictures are not source files and are left
# alone.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
case "${1:-}" in
    --check) check=1 ;;
    "") ;;
    *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "skipped: not a git checkout, the tracked files are unknown"
    exit 77
fi

readonly id="SPDX-License-Identifier: BSD-2-Clause"

# The comment line for a file, empty for files that are not source or build files.
comment_for() {
    local path=$1
    case "$path" in
        tests/data/* | tests/golden/* | samples/*) return ;;
    esac
    case "$path" in
        *.cpp | *.cc | *.c | *.h | *.hpp | *.h.in) echo "// $id" ;;
        CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.py | *.pc.in | *.supp | \
            *.desktop | *.exports | .ci/run) echo "# $id" ;;
        *.[1-8]) echo ".\\\" $id" ;;
    esac
}

missing=0
while IFS= read -r -d '' path; do
    [ -f "$path" ] || continue
    line=$(comment_for "$path")
    [ -n "$line" ] || continue
    if head -n 3 -- "$path" | grep -q "SPDX-License-Identifier:"; then continue; fi
    if [ "$check" -eq 1 ]; then
        echo "no SPDX identifier: $path"
        missing=$((missing + 1))
        continue
    fi
    # The new line ends like the file's first line (CR LF files stay CR LF).
    eol=$'\n'
    if head -n 1 -- "$path" | grep -q $'\r$'; then eol=$'\r\n'; fi
    tmp=$(mktemp "$path.spdx.XXXXXX")
    if head -n 1 -- "$path" | grep -q '^#!'; then
        { head -n 1 -- "$path"; printf '%s%s' "$line" "$eol"; tail -n +2 -- "$path"; } >"$tmp"
    else
        { printf '%s%s' "$line" "$eol"; cat -- "$path"; } >"$tmp"
    fi
    # Written over the file itself: its mode, owner and links stay.
    cat "$tmp" >"$path"
    rm -f "$tmp"
    echo "added: $path"
done < <(git ls-files -z)

if [ "$check" -eq 1 ] && [ "$missing" -gt 0 ]; then
    echo "$missing files lack the licence identifier: run bash tools/add_spdx.sh" >&2
    exit 1
fi
exit 0
