#!/usr/bin/env bash
# The man page must render with groff's -man macros without one warning.
#
#   manpage_test.sh PAGE [TEXT...]
# The rendered page must hold every TEXT (zanfo's page: its synopsis, exit
# status and message format).  Exit 77 (skipped) where groff is not installed.
set -u
page=$1
shift
wants=("$@")
[ ${#wants[@]} = 0 ] && wants=("zanfo fuente" "EXIT STATUS" "error:line:message")
if ! command -v groff >/dev/null 2>&1; then
    echo "groff not installed: skipped"
    exit 77
fi
warnings=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)
status=$?
if [ "$status" != 0 ] || [ -n "$warnings" ]; then
    echo "FAIL $page: groff exit status $status"
    printf '%s\n' "$warnings"
    exit 1
fi
text=$(groff -man -Tutf8 -P-cbou "$page" 2>/dev/null)
for want in "${wants[@]}"; do
    if ! grep -qF -e "$want" <<<"$text"; then
        echo "FAIL $page: rendered page lacks \"$want\""
        exit 1
    fi
done
# SEE ALSO must name the manual the page refers to.
if ! sed -n '/^SEE ALSO/,$p' <<<"$text" | grep -qF "manual.md"; then
    echo "FAIL $page: SEE ALSO does not name manual.md"
    exit 1
fi
echo "$page renders cleanly"
