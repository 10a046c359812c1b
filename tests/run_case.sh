#!/usr/bin/env bash
# Runs one end-to-end case of zanfo and compares what it did, byte for byte,
# with what the case expects.
#
#   run_case.sh ZANFO CASE_DIR
#
# A case folder holds:
#   command           optional: the command to run instead of zanfo (zanfo-rom,
#                     ...), found in the folder of ZANFO, where the build and an
#                     installation put every command
#   args              the arguments, one per line (absent: the one argument "prog.zan")
#   setup.sh          optional, run with bash in the scratch folder before zanfo;
#                     it may also write expected files too big to keep in the
#                     repository into the folder $EXPECTED (a copy of expected/)
#   expected_stdout   standard output          (absent: must be empty)
#   expected_stderr   standard error           (absent: must be empty)
#   expected_status   the exit status          (absent: 0)
#   expected/         the files zanfo must create, as paths relative to the
#                     scratch folder (prog.mic, src.d/prog.mic, ...)
# and every other file is input, copied to a scratch folder where zanfo runs.
# Afterwards the inputs must be untouched and zanfo must have created exactly
# the files under expected/.
#
# ZANFO_WRAPPER, when set, is a command that runs zanfo, as in
# ZANFO_WRAPPER="valgrind -q --error-exitcode=99".
set -u
zanfo=$(realpath "$1")
case_dir=$(realpath "$2")
[ -f "$case_dir/command" ] && zanfo=$(dirname "$zanfo")/$(tr -d ' \n' < "$case_dir/command")
name=$(basename "$case_dir")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
fail=0
failed() { echo "FAIL $name: $*"; fail=1; }

mkdir "$work/run" "$work/inputs" "$work/expected"
[ -d "$case_dir/expected" ] && cp -a "$case_dir/expected/." "$work/expected/"
(cd "$case_dir" && find . -mindepth 1 -maxdepth 1 \
    ! -name expected ! -name 'expected_*' ! -name args ! -name command ! -name setup.sh ! -name README.md \
    -exec cp -a {} "$work/run/" \;)
cp -a "$work/run/." "$work/inputs/"
if [ -f "$case_dir/setup.sh" ]; then
    (cd "$work/run" && EXPECTED="$work/expected" bash "$case_dir/setup.sh") || failed "setup.sh failed"
fi
# What is there before zanfo runs, files and links alike.
(cd "$work/run" && find . -mindepth 1 | sort) > "$work/before"

args=()
if [ -f "$case_dir/args" ]; then
    mapfile -t args < "$case_dir/args"
else
    args=(prog.zan)
fi
(cd "$work/run" && timeout 120 ${ZANFO_WRAPPER:-} "$zanfo" "${args[@]}" > "$work/stdout" 2> "$work/stderr" < /dev/null)
status=$?

compare() {  # compare EXPECTED_FILE ACTUAL_FILE LABEL
    if ! cmp -s "$1" "$2"; then
        failed "$3 differs (--- expected, +++ actual):"
        diff -a -u "$1" "$2" | cat -v | head -n 40
    fi
}
empty=$work/empty; : > "$empty"
expected_or_empty() { if [ -f "$case_dir/$1" ]; then echo "$case_dir/$1"; else echo "$empty"; fi; }
compare "$(expected_or_empty expected_stdout)" "$work/stdout" stdout
compare "$(expected_or_empty expected_stderr)" "$work/stderr" stderr
want_status=0
[ -f "$case_dir/expected_status" ] && want_status=$(tr -d ' \n' < "$case_dir/expected_status")
[ "$status" = "$want_status" ] || failed "exit status $status, expected $want_status"

# Inputs untouched.
(cd "$work/inputs" && find . -type f) | while read -r input; do
    cmp -s "$work/inputs/$input" "$work/run/$input" || echo "FAIL $name: input $input was changed"
done | grep . && fail=1

# Created files: exactly those under expected/, with the expected bytes.
(cd "$work/run" && find . -mindepth 1 | sort) > "$work/after"
comm -13 "$work/before" "$work/after" > "$work/created"
(cd "$work/expected" && find . -type f | sort) > "$work/wanted"
while read -r made; do
    [ -d "$work/run/$made" ] && continue
    grep -qxF "$made" "$work/wanted" || failed "created unexpected file $made"
done < "$work/created"
while read -r want; do
    if [ -f "$work/run/$want" ]; then
        compare "$work/expected/$want" "$work/run/$want" "$want"
    else
        failed "did not create $want"
    fi
done < "$work/wanted"

[ "$fail" = 0 ] && echo "ok $name"
exit "$fail"
