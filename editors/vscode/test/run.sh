#!/usr/bin/env bash
# Runs the VS Code extension's test under node's test runner, or says what
# is missing and exits 77 (CTest shows the test as skipped).
#
#   editors/vscode/test/run.sh VSCODE_BUILD ZANFO_LSP
#
# VSCODE_BUILD is the folder `make vscode` builds (extension/ and
# zanfo.vsix in it).  With ZANFO_VSCODE_REQUIRED=1 (make check) a missing
# piece fails the test instead.
set -u
here=$(cd "$(dirname "$0")" && pwd)
export ZANFO_VSCODE_BUILD=$1 ZANFO_LSP=$2
skip() {
    echo "SKIP editors.vscode: $*"
    [ "${ZANFO_VSCODE_REQUIRED:-0}" = 1 ] && exit 1
    exit 77
}
command -v node >/dev/null 2>&1 || skip "node is not installed"
[ -f "$ZANFO_VSCODE_BUILD/zanfo.vsix" ] && [ -x "$ZANFO_VSCODE_BUILD/extension/node_modules/.bin/vsce" ] ||
    skip "the extension is not built in $ZANFO_VSCODE_BUILD (make vscode)"
NODE_PATH=$here/stub exec node --test --test-reporter=tap "$here/activate.test.js"
