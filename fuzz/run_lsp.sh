#!/usr/bin/env bash
# Fuzzes zanfo-lsp for a bounded time:
#
#   fuzz/run_lsp.sh FUZZER SECONDS [more libFuzzer flags]
#
# As fuzz/run.sh, with a working corpus of its own, fuzz/corpus-lsp/,
# started from every .zan file of the end-to-end cases and the examples as
# a document (behind the byte 0x01) and from a session of framed messages
# (behind 0x00), and with zanfo_lsp.dict and zanfo.dict together.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzzer=$(realpath "$1")
seconds=$2
shift 2
corpus=fuzz/corpus-lsp
artifacts=$(dirname "$fuzzer")/artifacts-lsp
mkdir -p "$corpus" "$artifacts"
find tests/e2e examples -mindepth 1 -maxdepth 2 -name '*.zan' -type f -size -16k -print0 |
    while IFS= read -r -d '' src; do
        { printf '\001'; cat "$src"; } > "$corpus/start_$(printf '%s' "$src" | tr '/' '_')"
    done
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
{
    printf '\000'
    frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
    frame '{"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///a.zan","languageId":"zanfo","version":1,"text":"PROGRAM\nstart: R1 = R2;\nJUMP(start)\nEND\n"}}}'
    frame '{"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///a.zan","version":2},"contentChanges":[{"range":{"start":{"line":2,"character":5},"end":{"line":2,"character":10}},"text":"strat"}]}}'
    frame '{"jsonrpc":"2.0","id":2,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///a.zan"},"position":{"line":1,"character":8}}}'
    frame '{"jsonrpc":"2.0","id":3,"method":"textDocument/rename","params":{"textDocument":{"uri":"file:///a.zan"},"position":{"line":1,"character":1},"newName":"begin"}}'
    frame '{"jsonrpc":"2.0","id":4,"method":"shutdown"}'
    frame '{"jsonrpc":"2.0","method":"exit"}'
} > "$corpus/start_session"
dict=$(dirname "$fuzzer")/zanfo_lsp_all.dict
cat fuzz/zanfo_lsp.dict fuzz/zanfo.dict > "$dict"
exec "$fuzzer" -max_len=16384 -timeout=5 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -dict="$dict" -close_fd_mask=3 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$@" "$corpus"
