#!/usr/bin/env bash
# Builds the playground into OUT (make web):
#
#   web/build.sh OUT
#
#   OUT/wasm   the libraries and web/api.cpp compiled by emscripten
#   OUT/npm    the packages of web/package-lock.json
#   OUT/site   the page: index.html and what it loads
#
# The last line printed is the folder of index.html.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)
jobs=${JOBS:-2}

# emscripten's JavaScript optimiser needs acorn, which Debian installs
# among its own Node modules, where a node not from Debian does not look.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S "$src" -B "$out/wasm" -DCMAKE_BUILD_TYPE=Release -DZANFO_TESTS=OFF \
    -DCMAKE_CXX_FLAGS=-fexceptions >/dev/null
cmake --build "$out/wasm" -j"$jobs" --target zanfo_web

# The packages again only when the lock file changed.
if ! cmp -s "$src/web/package-lock.json" "$out/npm/installed-lock.json"; then
    rm -rf "$out/npm"
    mkdir -p "$out/npm"
    cp "$src/web/package.json" "$src/web/package-lock.json" "$out/npm/"
    (cd "$out/npm" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$src/web/package-lock.json" "$out/npm/installed-lock.json"
fi

node "$src/web/build.mjs" "$out"
echo "$out/site"
