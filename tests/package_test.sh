#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree, unpacks it into
# a scratch root and runs the zanfo and zanfo-dump it installs on a bundled
# example.
#
#   package_test.sh BUILD_DIR SOURCE_DIR
# Exit 77 (skipped) where cpack or dpkg are missing.
set -u
build=$(realpath "$1")
src=$(realpath "$2")
for tool in cpack dpkg-deb; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool not installed: skipped"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" > "$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack -G DEB failed"
fi
debs=("$work"/pkg/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}

info=$(dpkg-deb --field "$deb" Package Section Maintainer Description)
for want in "Package: zanfo" "Section: devel" "Maintainer: " "Description: "; do
    grep -q "^$want" <<<"$info" || fail "control file lacks \"$want\":"$'\n'"$info"
done

dpkg -x "$deb" "$work/root" || fail "dpkg -x failed"
zanfo=$work/root/usr/bin/zanfo
[ -x "$zanfo" ] || fail "the package installs no /usr/bin/zanfo:"$'\n'"$(dpkg-deb -c "$deb")"
man=$(find "$work/root/usr/share/man/man1" -name 'zanfo.1*' 2>/dev/null)
[ -n "$man" ] || fail "the package installs no man page:"$'\n'"$(dpkg-deb -c "$deb")"
[ -f "$work/root/usr/share/doc/zanfo/manual.md" ] || fail "the package installs no manual"
cmp -s "$src/LICENSE" "$work/root/usr/share/doc/zanfo/copyright" \
    || fail "the package's /usr/share/doc/zanfo/copyright is not the licence"

mkdir "$work/run"
cp "$src/examples/fetch_decode.zan" "$work/run/"
(cd "$work/run" && "$zanfo" fetch_decode.zan > stdout 2> stderr)
status=$?
[ "$status" = 0 ] || fail "installed zanfo exited with $status: $(cat "$work/run/stderr")"
[ ! -s "$work/run/stdout" ] && [ ! -s "$work/run/stderr" ] || fail "installed zanfo printed diagnostics"
cmp -s "$src/examples/fetch_decode.mic" "$work/run/fetch_decode.mic" || {
    diff -u "$src/examples/fetch_decode.mic" "$work/run/fetch_decode.mic"
    fail "installed zanfo assembled the example differently"
}
# Without arguments it must still say how to call it.
"$zanfo" > "$work/usage"; [ $? = 1 ] || fail "installed zanfo without arguments should exit 1"

# zanfo-dump, with its man page: the example read back assembles to itself.
dump=$work/root/usr/bin/zanfo-dump
[ -x "$dump" ] || fail "the package installs no /usr/bin/zanfo-dump:"$'\n'"$(dpkg-deb -c "$deb")"
[ -n "$(find "$work/root/usr/share/man/man1" -name 'zanfo-dump.1*')" ] ||
    fail "the package installs no zanfo-dump man page:"$'\n'"$(dpkg-deb -c "$deb")"
(cd "$work/run" && "$dump" --source -o back.zan fetch_decode.mic && "$zanfo" back.zan > /dev/null) ||
    fail "installed zanfo-dump --source failed"
cmp -s "$src/examples/fetch_decode.mic" "$work/run/back.mic" || fail "installed zanfo-dump --source did not read the example back"
# zanfo-rom, with its man page, turns the example's words into an image.
rom=$work/root/usr/bin/zanfo-rom
[ -x "$rom" ] || fail "the package installs no /usr/bin/zanfo-rom"
[ -n "$(find "$work/root/usr/share/man/man1" -name 'zanfo-rom.1*')" ] || fail "the package installs no zanfo-rom man page"
"$rom" --format readmemh --depth 64 "$work/run/fetch_decode.mic" > "$work/run/rom.hex" ||
    fail "installed zanfo-rom failed"
while read -r address word; do
    [ "$(sed -n "$((16#$address + 1))p" "$work/run/rom.hex")" = "$word" ] ||
        fail "installed zanfo-rom put another word than $word at $address"
done < "$work/run/fetch_decode.mic"
[ "$(wc -l < "$work/run/rom.hex")" = 64 ] || fail "installed zanfo-rom wrote another depth than 64"

# zanfo-sim, with its man page: the multiply example passes its test file.
sim=$work/root/usr/bin/zanfo-sim
[ -x "$sim" ] || fail "the package installs no /usr/bin/zanfo-sim:"$'\n'"$(dpkg-deb -c "$deb")"
[ -n "$(find "$work/root/usr/share/man/man1" -name 'zanfo-sim.1*')" ] ||
    fail "the package installs no zanfo-sim man page:"$'\n'"$(dpkg-deb -c "$deb")"
"$sim" --test "$src/examples/multiply.test" "$src/examples/multiply.zan" > "$work/sim.out" 2>&1 ||
    fail "installed zanfo-sim failed the multiply example's test file:"$'\n'"$(cat "$work/sim.out")"

# zanfo-check, with its man page: the example with its mapping draws nothing.
check=$work/root/usr/bin/zanfo-check
[ -x "$check" ] || fail "the package installs no /usr/bin/zanfo-check:"$'\n'"$(dpkg-deb -c "$deb")"
[ -n "$(find "$work/root/usr/share/man/man1" -name 'zanfo-check.1*')" ] ||
    fail "the package installs no zanfo-check man page:"$'\n'"$(dpkg-deb -c "$deb")"
"$check" --map "$src/examples/fetch_decode.map" "$src/examples/fetch_decode.zan" > "$work/check.out" 2>&1 ||
    fail "installed zanfo-check did not pass the fetch_decode example:"$'\n'"$(cat "$work/check.out")"

# zanfo-prove, with its man page: the multiply example for 2-bit multipliers
# (2^18 inputs: seconds even in the sanitizers' build, with other tests beside).
proveCmd=$work/root/usr/bin/zanfo-prove
[ -x "$proveCmd" ] || fail "the package installs no /usr/bin/zanfo-prove:"$'\n'"$(dpkg-deb -c "$deb")"
[ -n "$(find "$work/root/usr/share/man/man1" -name 'zanfo-prove.1*')" ] || fail "the package installs no zanfo-prove man page"
printf 'prove small\nassume R2 < 4\nensure R3 == ((old(R1) * old(R2)) & 0xFFFF)\n' > "$work/mul.props"
"$proveCmd" --props "$work/mul.props" "$src/examples/multiply.zan" > "$work/prove.out" 2>&1 ||
    fail "installed zanfo-prove failed to prove the multiply example:"$'\n'"$(cat "$work/prove.out")"

# zanfo-lsp, with its man page: a session of initialize, shutdown and exit.
lsp=$work/root/usr/bin/zanfo-lsp
[ -x "$lsp" ] || fail "the package installs no /usr/bin/zanfo-lsp:"$'\n'"$(dpkg-deb -c "$deb")"
[ -n "$(find "$work/root/usr/share/man/man1" -name 'zanfo-lsp.1*')" ] || fail "the package installs no zanfo-lsp man page"
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{ frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
  frame '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
  frame '{"jsonrpc":"2.0","method":"exit"}'; } | "$lsp" > "$work/lsp.out" ||
    fail "installed zanfo-lsp did not exit 0 after shutdown and exit"
grep -q '"hoverProvider":true' "$work/lsp.out" || fail "installed zanfo-lsp did not answer initialize: $(cat "$work/lsp.out")"

echo "$(basename "$deb") installs a working zanfo, zanfo-dump, zanfo-rom, zanfo-sim, zanfo-check, zanfo-prove and zanfo-lsp, and their man pages"
