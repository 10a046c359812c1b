#!/usr/bin/env bash
# `make example` must leave the source tree as it found it.  The .mic file
# checked in beside the example is what example.fetch_decode and package.deb
# compare zanfo with; if `make example` rewrote it with the zanfo under test,
# those tests would compare zanfo with itself.
#
#   make_example_test.sh SOURCE_DIR BUILD_DIR
# Runs `make -o build -o web example BUILD=BUILD_DIR` (the build and the
# page are not redone) and fails if any file of the source tree changed, appeared or went
# away.  Exit 77 (skipped) where make is missing.
set -u
src=$(realpath "$1")
build=$(realpath "$2")
if ! command -v make >/dev/null 2>&1; then
    echo "make not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Every file of the source tree with its checksum: in a git checkout the
# tracked files and the untracked ones git does not ignore, elsewhere every
# file outside the build trees.
snapshot() {
    if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git -C "$src" ls-files -z --cached --others --exclude-standard
    else
        (cd "$src" && find . \( -name .git -o -path './build*' -o -path "./${build#"$src"/}" \) -prune \
                              -o -type f -print0)
    fi | sort -z -u | (cd "$src" && xargs -0 -r sha256sum 2>&1)
}

snapshot > "$work/before"
# A make that runs this test passes its jobserver down; this make needs none.
env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -s -C "$src" -o build -o web example BUILD="$build" \
    > "$work/out" 2>&1 || { cat "$work/out"; fail "make example failed"; }
snapshot > "$work/after"
if ! cmp -s "$work/before" "$work/after"; then
    diff "$work/before" "$work/after"
    fail "make example changed the source tree"
fi
mic=$build/example/fetch_decode.mic
cmp -s "$src/examples/fetch_decode.mic" "$mic" || fail "make example did not write $mic as checked in"
# zanfo-dump shows each word after its address, and zanfo-sim runs the cases.
grep -qF "$(tail -n 1 "$mic")" "$work/out" || fail "make example did not show the microwords"
grep -qE '^[0-9]+ passed, 0 failed$' "$work/out" || fail "make example did not run the example's test cases"
echo "make example assembled in $build/example and left the source tree untouched"
