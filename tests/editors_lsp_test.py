#!/usr/bin/env python3
"""Checks the editor configurations of editors/ with zanfo-lsp, in the editors.

    editors_lsp_test.py nvim SOURCE_DIR ZANFO_LSP   headless Neovim, editors/nvim
    editors_lsp_test.py ale SOURCE_DIR ZANFO_LSP    Vim with ALE, editors/vim

Each opens the same Latin-1 program, with an accented letter in a comment
before a name, an error of zanfo's and two warnings of zanfo-check's, and
must get the file read and written as Latin-1, every diagnostic at its
line with its severity and, for a warning, its check's name as its code,
and (Neovim) the hover of the name after the accented letter, which only a
right UTF-16 column finds, with the explanation of the check that warns
on its line.  A missing editor
exits with SKIPPED (77), which CTest shows as skipped.
"""
import os
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77

PROGRAM = ("PROGRAM p\n"
           "{ acci\u00f3n }\n"
           "start: R1 = 70000;\n"
           "  { \u00e9 } DECR(R1), LDUFLAG, JUMP(start, NUZ);\n"
           "  JUMP(strat, UZ);\n"
           "  HALT\n"
           "END\n").encode("latin-1")

# (line, severity letter, code or "-", start of the message) of each diagnostic.
EXPECTED = [
    (3, "W", "constant-range", "70000 does not fit the 16-bit ConstantAddr field"),
    (4, "W", "flag-same-word", "the test NUZ reads UFLAG as it was before this microinstruction"),
    (5, "E", "-", "Identificador desconocido"),
]

NVIM_SCRIPT = r"""
local out = {}
local function say(s) table.insert(out, s) end
local ok = vim.wait(20000, function() return #vim.diagnostic.get(0) >= %(count)d end, 20)
say('fenc ' .. vim.bo.fileencoding .. ' ft ' .. vim.bo.filetype .. ' waited ' .. tostring(ok))
local letters = { 'E', 'W', 'I', 'H' }
for _, d in ipairs(vim.diagnostic.get(0)) do
  say(string.format('diag %%d %%s %%s %%s', d.lnum + 1, letters[d.severity], d.code or '-',
                   (d.message:gsub('\n', ' '))))
end
local line = vim.api.nvim_buf_get_lines(0, 3, 4, false)[1]
vim.api.nvim_win_set_cursor(0, { 4, line:find('start') - 1 })
local answers = vim.lsp.buf_request_sync(0, 'textDocument/hover', vim.lsp.util.make_position_params(), 20000) or {}
for _, answer in pairs(answers) do
  if answer.result then say('hover ' .. (answer.result.contents.value:gsub('\n', ' '))) end
end
vim.fn.writefile(out, '%(report)s')
"""

ALE_SCRIPT = r"""
set nocompatible
let &runtimepath = '%(src)s/editors/vim,' . &runtimepath
packadd ale
filetype plugin on
let g:ale_zanfo_zanfo_lsp_executable = '%(lsp)s'
let g:ale_linters = {'zanfo': ['zanfo_lsp']}
edit prog.zan
let s:n = 0
while s:n < 200 && len(ale#engine#GetLoclist(bufnr('%%'))) < %(count)d
  sleep 100m
  let s:n += 1
endwhile
let s:out = ['fenc ' . &fileencoding . ' ft ' . &filetype]
for s:e in ale#engine#GetLoclist(bufnr('%%'))
  call add(s:out, 'diag ' . s:e.lnum . ' ' . s:e.type . ' ' . get(s:e, 'code', '-') . ' '
  \ . substitute(s:e.text, '\n', ' ', 'g'))
endfor
call writefile(s:out, '%(report)s')
qall!
"""


def run(editor, src, lsp):
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "prog.zan"), "wb") as f:
            f.write(PROGRAM)
        report = os.path.join(work, "report")
        values = {"src": src, "lsp": lsp, "report": report, "count": len(EXPECTED)}
        if editor == "nvim":
            script = os.path.join(work, "check.lua")
            with open(script, "w") as f:
                f.write(NVIM_SCRIPT % values)
            command = ["nvim", "--headless", "--clean", "-i", "NONE",
                       "--cmd", f"set runtimepath^={src}/editors/vim,{src}/editors/nvim",
                       "--cmd", f"let g:zanfo_lsp = '{lsp}'",
                       "-c", "edit prog.zan", "-c", f"luafile {script}", "-c", "qall!"]
        else:
            script = os.path.join(work, "check.vim")
            with open(script, "w") as f:
                f.write(ALE_SCRIPT % values)
            command = ["vim", "-N", "-u", "NONE", "-i", "NONE", "-Es", "-S", script]
        subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=120, cwd=work)
        if not os.path.exists(report):
            print(f"FAIL {editor} did not get to the end of its script")
            return 1
        with open(report, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
    print("\n".join(lines))
    failures = []
    if not lines or not lines[0].startswith("fenc latin1 ft zanfo"):
        failures.append(f"the file is not read as Latin-1 zanfo: {lines[:1]}")
    diagnostics = [line.split(" ", 4)[1:] for line in lines if line.startswith("diag ")]
    if len(diagnostics) != len(EXPECTED):
        failures.append(f"{len(diagnostics)} diagnostics, expected {len(EXPECTED)}")
    for want in EXPECTED:
        if not any(int(d[0]) == want[0] and d[1:3] == list(want[1:3]) and d[3].startswith(want[3])
                   for d in diagnostics):
            failures.append(f"no diagnostic {want}")
    hovers = [line for line in lines if line.startswith("hover ")]
    if editor == "nvim" and not any(h.startswith("hover label **start**: address 0000") for h in hovers):
        failures.append("the hover over \"start\" after the accented letter does not name the label")
    if editor == "nvim" and not any("**flag-same-word** (zanfo-check): " in h for h in hovers):
        failures.append("the hover over line 4 does not explain its warning flag-same-word")
    for failure in failures:
        print(f"FAIL {editor}: {failure}")
    return 1 if failures else 0


def main():
    editor, src, lsp = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    program = "nvim" if editor == "nvim" else "vim"
    if not shutil.which(program):
        print(f"{program} not installed: skipped")
        return SKIPPED
    if editor == "ale" and not os.path.isdir("/usr/share/vim/vimfiles/pack/dist-bundle/opt/ale"):
        print("vim-ale not installed: skipped")
        return SKIPPED
    return run(editor, src, lsp)


if __name__ == "__main__":
    sys.exit(main())
