#!/usr/bin/env bash
# Builds the VS Code extension into OUT (make vscode):
#
#   editors/vscode/build.sh OUT
#
#   OUT/extension   the extension's files, with the packages of
#                   editors/vscode/package-lock.json in its node_modules
#   OUT/zanfo.vsix  the extension, packaged by @vscode/vsce
#
# The grammar and the language configuration are those of editors/textmate.
# The last line printed is the .vsix file.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "$here/../.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
ext=$out/extension

# The packages again only when the lock file changed.
if ! cmp -s "$here/package-lock.json" "$out/installed-lock.json"; then
    rm -rf "$ext" "$out/installed-lock.json"
    mkdir -p "$ext"
    cp "$here/package.json" "$here/package-lock.json" "$ext/"
    (cd "$ext" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$here/package-lock.json" "$out/installed-lock.json"
fi

cp "$here/package.json" "$here/extension.js" "$here/README.md" "$here/.vscodeignore" "$ext/"
cp "$src/editors/textmate/zanfo.tmLanguage.json" "$src/editors/textmate/language-configuration.json" "$ext/"
cp "$src/LICENSE" "$ext/LICENSE"
rm -f "$out/zanfo.vsix"
(cd "$ext" && node_modules/.bin/vsce package --allow-missing-repository --out "$out/zanfo.vsix" >&2)
echo "$out/zanfo.vsix"
