#!/usr/bin/env bash
# Runs one of the playground's tests under node's test runner, or says what
# is missing and exits 77 (CTest shows the test as skipped).
#
#   web/test/run.sh toolchain|simulator|browser|page ZANFO WEB_BUILD SOURCE_DIR
#
# ZANFO is the native zanfo to compare with; WEB_BUILD the folder that
# `make web` builds (site/ and npm/ in it).  With ZANFO_WEB_REQUIRED=1
# (make check-web) a missing piece fails the test instead.
set -u
kind=$1
export ZANFO=$2 ZANFO_WEB_BUILD=$3 ZANFO_SOURCE_DIR=$4
skip() {
    echo "SKIP web.$kind: $*"
    [ "${ZANFO_WEB_REQUIRED:-0}" = 1 ] && exit 1
    exit 77
}
command -v node >/dev/null 2>&1 || skip "node is not installed"
[ -f "$ZANFO_WEB_BUILD/site/index.html" ] && [ -f "$ZANFO_WEB_BUILD/site/zanfo.js" ] ||
    skip "the page is not built in $ZANFO_WEB_BUILD (make web; it needs emscripten)"
if [ "$kind" = browser ] || [ "$kind" = page ]; then
    [ -d "$ZANFO_WEB_BUILD/npm/node_modules/puppeteer-core" ] || skip "puppeteer-core is not installed (make web)"
    [ -x /usr/bin/chromium ] || skip "chromium is not installed (make check-web installs it)"
fi
exec node --test --test-reporter=tap "$ZANFO_SOURCE_DIR/web/test/$kind.test.mjs"
