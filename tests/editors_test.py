#!/usr/bin/env python3
"""Checks the editor support under editors/ against the scanner.

    editors_test.py SOURCE_DIR              the grammar files
    editors_test.py --vim SOURCE_DIR ZANFO  the Vim files, in a real Vim

The reserved words are read from the scanner's rules in lexyacc/zanfo.l
(those of the form "WORD"  { return TOKEN; }), so that a keyword added to the
language and forgotten in an editor file is caught. Every one of them must
be a keyword of the Vim syntax file and be matched, in any case, by a
non-label rule of the TextMate grammar.

With --vim the files are loaded into a real Vim: a .zan buffer must get the
zanfo file type, every word and every kind of token the highlighting that
belongs to it, and :make must fill the quickfix list with ZANFO's
diagnostics, on the right line of the buffer.  Where there is no Vim, or
one built without syntax highlighting, it exits with SKIPPED (77), which
CTest shows as skipped.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

failures = []
SKIPPED = 77


def fail(message):
    failures.append(message)
    print("FAIL " + message)


def scanner_keywords(src):
    with open(os.path.join(src, "lexyacc", "zanfo.l"), encoding="latin-1") as f:
        text = f.read()
    words = re.findall(r'^"([A-Za-z0-9]+)"\s*\{\s*return\s+\w+\s*;\s*\}', text, re.M)
    if len(words) < 50 or "PROGRAM" not in words or len(set(words)) != len(words):
        raise SystemExit(f"could not read the keyword rules of zanfo.l: {words}")
    return words


def vim_keywords(path):
    words = set()
    with open(path) as f:
        for line in f:
            m = re.match(r"\s*syn(?:tax)?\s+keyword\s+(\w+)\s+(.*)", line)
            if m and m.group(1) != "zanfoTodo":
                words.update(w.upper() for w in m.group(2).split() if not w.startswith("contained"))
    return words


def textmate_rules(node):
    """(scope, compiled regex) for every `match` rule of the grammar."""
    rules = []
    if isinstance(node, dict):
        if "match" in node:
            rules.append((node.get("name", ""), re.compile(node["match"])))
        for value in node.values():
            rules += textmate_rules(value)
    elif isinstance(node, list):
        for value in node:
            rules += textmate_rules(value)
    return rules


def check_files(src, keywords):
    vim = vim_keywords(os.path.join(src, "editors", "vim", "syntax", "zanfo.vim"))
    for word in keywords:
        if word not in vim:
            fail(f"zanfo.vim: {word} is no syntax keyword")
    with open(os.path.join(src, "editors", "textmate", "zanfo.tmLanguage.json")) as f:
        grammar = json.load(f)
    if grammar.get("scopeName") != "source.zanfo":
        fail("zanfo.tmLanguage.json: scopeName is not source.zanfo")
    rules = [(scope, rx) for scope, rx in textmate_rules(grammar) if scope]
    for word in keywords:
        for form in (word, word.lower(), word.capitalize()):
            if not any(rx.fullmatch(form) for scope, rx in rules):
                fail(f"zanfo.tmLanguage.json: no rule matches {form}")
    # The VS Code extension is copied on its own: it carries the licence.
    with open(os.path.join(src, "editors", "textmate", "package.json")) as f:
        license_name = json.load(f).get("license")
    if license_name != "MIT":
        fail(f"package.json: license is {license_name!r}, not MIT")
    with open(os.path.join(src, "LICENSE"), "rb") as f, \
            open(os.path.join(src, "editors", "textmate", "LICENSE"), "rb") as g:
        if f.read() != g.read():
            fail("editors/textmate/LICENSE differs from LICENSE")
    # Words that only begin with a keyword are identifiers.
    for name in ("ANDX", "loop2", "R12A", "IRA4", "comp1", "UZE"):
        for scope, rx in rules:
            if rx.fullmatch(name):
                fail(f"zanfo.tmLanguage.json: {scope} takes the identifier {name}")


# One word or token per line, with the highlight group Vim must give its
# first character.
def vim_sample(keywords):
    lines = [(w.lower() if i % 2 else w, "keyword") for i, w in enumerate(keywords)]
    lines += [("R12", "zanfoRegister"), ("255", "zanfoNumber"), ("$fF", "zanfoNumber"),
              ("%17", "zanfoNumber"), ("{ a comment", "zanfoComment"),
              ("  over two lines }", "zanfoComment"), ("top: NOP", "zanfoLabel"),
              ("}", "zanfoError"), ("ANDX", "")]
    return lines


def find_vim():
    """The Vim to check with, or None when there is none with +syntax."""
    vim = shutil.which("vim")
    if not vim:
        print("vim not installed: skipped")
        return None
    if subprocess.run([vim, "--version"], capture_output=True, text=True).stdout.find("+syntax") < 0:
        print("vim without +syntax: skipped")
        return None
    return vim


def check_vim(vim, src, keywords, zanfo):
    sample = vim_sample(keywords)
    with tempfile.TemporaryDirectory() as work:
        source = os.path.join(work, "sample.zan")
        with open(source, "w") as f:
            f.write("".join(text + "\n" for text, _ in sample))
        got = run_vim(vim, src, work, "check", f"""
syntax on
edit {source}
let s:out = [&filetype]
for s:l in range(1, line('$'))
  call add(s:out, synIDattr(synID(s:l, 1, 1), 'name'))
endfor
""")
        if got is None:
            fail("vim did not run the check script")
            return
        # One line per entry of s:out, each ending in a line feed.
        got = got[:-1].split("\n") if got.endswith("\n") else [got]
        if len(got) != 1 + len(sample):
            fail(f"vim: the check script gave {len(got)} lines for {1 + len(sample)} entries")
        if got[0] != "zanfo":
            fail(f"vim: a .zan file gets the file type {got[0]!r}, not zanfo")
        for (text, want), group in zip(sample, got[1:]):
            ok = group.startswith("zanfo") and group != "zanfoLabel" if want == "keyword" else group == want
            if not ok:
                fail(f"vim: {text!r} is highlighted as {group!r}, expected {want or 'nothing'}")
        check_vim_make(vim, src, work, zanfo)


def run_vim(vim, src, work, name, body, env=None):
    """Runs `body` in a Vim that has zanfo's runtime files, in `work`; the
    body leaves its findings in the list s:out.  Returns them as text, one
    per line, or None when Vim did not get to the end."""
    report = os.path.join(work, name + "-report")
    script = os.path.join(work, name + ".vim")
    with open(script, "w") as f:
        f.write(f"""
set nocompatible
let &runtimepath = '{os.path.join(src, "editors", "vim")},' . &runtimepath
filetype plugin on
{body}
call writefile(s:out, '{report}')
qall!
""")
    subprocess.run([vim, "-N", "-u", "NONE", "-i", "NONE", "-Es", "-S", script],
                   stdin=subprocess.DEVNULL, capture_output=True, timeout=60, cwd=work, env=env)
    if not os.path.exists(report):
        return None
    with open(report, encoding="utf-8", errors="replace") as f:
        return f.read()


def check_vim_make(vim, src, work, zanfo):
    """:make in a zanfo buffer puts each diagnostic on its line of the buffer."""
    source = os.path.join(work, "prog.zan")
    with open(source, "w") as f:
        f.write("PROGRAM\nORG 4096;\n    NOP\nEND\n")
    env = dict(os.environ, PATH=os.path.dirname(os.path.abspath(zanfo)) + os.pathsep + os.environ["PATH"])
    report = run_vim(vim, src, work, "make", f"""
edit {source}
silent make!
let s:out = [&makeprg, string(bufnr('%'))]
for s:e in getqflist()
  if s:e.valid
    call add(s:out, s:e.bufnr . ':' . s:e.lnum . ':' . s:e.text)
  endif
endfor
""", env)
    if report is None:
        fail("vim did not run the :make script")
        return
    lines = report.rstrip("\n").split("\n")
    if len(lines) < 2:
        fail(f"vim: the :make script gave {lines}, expected makeprg and a buffer number")
        return
    makeprg, buf, *entries = lines
    if not makeprg.startswith("zanfo"):
        fail(f"vim: makeprg of a zanfo buffer is {makeprg!r}")
    if len(entries) != 1 or not re.match(rf"{buf}:2:Direcci.n fuera de rango$", entries[0]):
        fail(f"vim: :make gave the quickfix entries {entries}, expected one on line 2 of buffer {buf}")


def main():
    args = sys.argv[1:]
    vim_mode = args[:1] == ["--vim"]
    if len(args) != (3 if vim_mode else 1):
        raise SystemExit("usage: editors_test.py SOURCE_DIR | editors_test.py --vim SOURCE_DIR ZANFO")
    src = os.path.abspath(args[-2] if vim_mode else args[0])
    keywords = scanner_keywords(src)
    if vim_mode:
        vim = find_vim()
        if vim is None:
            return SKIPPED
        check_vim(vim, src, keywords, args[-1])
    else:
        check_files(src, keywords)
    print(f"{len(keywords)} keywords checked; {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
