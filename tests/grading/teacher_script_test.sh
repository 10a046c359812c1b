#!/usr/bin/env bash
# The manual's grading script (chapter "Grading a class", its sh block)
# run as a teacher would, on the class of tests/grading/class:
#
#   teacher_script_test.sh BUILD_DIR MANUAL GRADING_DIR
#
# model.zan is alice's program, hidden.test the class's test file; bob is
# off by one, carol does not assemble and dave never halts.  Exit 77
# (skipped) where python3, xmllint or genhtml is missing.
set -u
build=$(realpath "$1")
manual=$(realpath "$2")
here=$(realpath "$3")
for tool in python3 xmllint genhtml; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool not installed: skipped"
        exit 77
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The first sh block of the chapter.
awk '/^## [0-9]+\. Grading a class/ { chapter = 1 }
     chapter && /^```sh$/ { inside = 1; next }
     inside && /^```$/ { exit }
     inside { print }' "$manual" > "$work/grade.sh"
[ -s "$work/grade.sh" ] || fail "no sh block in the chapter"

mkdir "$work/submissions"
cp "$here"/class/{alice,bob,carol,dave}.zan "$work/submissions/"
cp "$here/class/alice.zan" "$work/model.zan"
cp "$here/class/sum.test" "$work/hidden.test"
printf 'case three\nset n=3\nexpect total=6\n' > "$work/published.test"
(cd "$work" && PATH="$build:$PATH" sh grade.sh > said 2>&1)

cd "$work"
xmllint --noout --schema "$here/junit.xsd" results.xml 2>/dev/null || fail "results.xml does not validate"
want='submission,score,max_score,problem
submissions/alice.zan,3,3,
submissions/bob.zan,0,3,
submissions/carol.zan,0,3,the source does not assemble
submissions/dave.zan,0,3,'
[ "$(tr -d '\r' < scores.csv)" = "$want" ] || fail "scores.csv: $(cat scores.csv)"
[ "$(ls differences)" = "$(printf 'bob.test\ndave.test')" ] || fail "differences: $(ls differences)"
grep -qx "bob differs from the model solution: see differences/bob.test" said || fail "the script said: $(cat said)"
grep -qx "carol was not tested against the model solution" said || fail "the script said: $(cat said)"
# A file of differences is a test file: the model passes it, bob does not.
"$build/zanfo-sim" --test differences/bob.test model.zan >/dev/null || fail "the model fails bob's differences"
"$build/zanfo-sim" --test differences/bob.test submissions/bob.zan >/dev/null && fail "bob passes his differences"
[ -f coverage/index.html ] || fail "genhtml drew no coverage"
grep -qF '0000 4E380051C0400000       1:      5          total = 0;' model.listing || fail "model.listing: $(head -8 model.listing)"
echo "ok the manual's grading script"
