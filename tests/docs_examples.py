#!/usr/bin/env python3
"""Assembles every example of zanfo's documentation and compares the result
with what the page shows.

    docs_examples.py ZANFO PAGE.md...

What a page may hold:

* A fenced block tagged `zan` is a whole program.  The fenced blocks right
  after it tagged `mic`, `errors` and `stdout` are what zanfo must write to
  the .mic file, to standard error and to standard output.  A missing
  `errors` or `stdout` block means that stream must stay empty; a missing
  `mic` block means the .mic file is not compared.
* A table whose header has the columns "Example" and "Microword": the code
  span of each Example cell is one microinstruction, assembled alone at
  address 0, and the code span of its Microword cell is the word it must
  give, with no diagnostic at all.
* A fenced block tagged `sim` is a session with zanfo-sim (found beside
  ZANFO): a first line `$ zanfo-sim ARGS`, then what it prints, standard
  output and then standard error; a line `$ echo $?` ends that output and
  the line after it is the exit status.  Each `.zan` argument is the last
  `zan` block before it whose PROGRAM has the argument's name, or else the
  last `zan` block; each `.test` argument the last block tagged `test`.
* A fenced block tagged `prove` is a session with zanfo-prove, alike; each
  `.props` argument is the last block tagged `props`.
* A fenced block tagged `check` is a session with zanfo-check, written
  the same way (`$ zanfo-check ARGS`).

Diagnostics are ISO-8859-1 bytes; the pages are UTF-8, so the streams are
decoded as Latin-1 before comparing.
"""
import os
import re
import shlex
import subprocess
import sys
import tempfile

RESULT_TAGS = ("mic", "errors", "stdout")


def fenced_blocks(text):
    """(tag, body, line number) for each fenced block of a page."""
    blocks = []
    lines = text.split("\n")
    i = 0
    while i < len(lines):
        m = re.match(r"^```\s*(\S*)\s*$", lines[i])
        if not m:
            i += 1
            continue
        start = i + 1
        j = start
        while j < len(lines) and not lines[j].startswith("```"):
            j += 1
        body = "".join(line + "\n" for line in lines[start:j])
        blocks.append((m.group(1), body, start))
        i = j + 1
    return blocks


def assemble(zanfo, source):
    """Runs zanfo on source; returns (status, stdout, stderr, .mic text)."""
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "prog.zan"), "w", encoding="latin-1") as f:
            f.write(source)
        run = subprocess.run([zanfo, "prog.zan"], cwd=work, capture_output=True,
                             timeout=60)
        mic_path = os.path.join(work, "prog.mic")
        mic = None
        if os.path.exists(mic_path):
            with open(mic_path, encoding="latin-1") as f:
                mic = f.read()
        return (run.returncode, run.stdout.decode("latin-1"),
                run.stderr.decode("latin-1"), mic)


def program_examples(page, text):
    """The zan blocks with the result blocks that follow each."""
    examples = []
    current = None
    for tag, body, line in fenced_blocks(text):
        if tag == "zan":
            current = {"source": body, "line": line}
            examples.append(current)
        elif tag in RESULT_TAGS:
            if current is None or tag in current:
                raise SystemExit(f"{page}:{line}: `{tag}` block without a program of its own")
            current[tag] = body
        else:
            current = None
    return examples


def table_examples(text):
    """(line number, microinstruction, microword) from Example/Microword tables."""
    rows = []
    columns = None
    for number, row in enumerate(text.split("\n"), 1):
        if not row.startswith("|"):
            columns = None
            continue
        cells = [c.strip() for c in row.strip().strip("|").split("|")]
        if columns is None:
            columns = cells if "Example" in cells and "Microword" in cells else []
            continue
        if not columns or set("".join(cells)) <= set("-: "):
            continue
        spans = [re.findall(r"`([^`]*)`", c) for c in cells]
        example = spans[columns.index("Example")]
        word = spans[columns.index("Microword")]
        if example and word:
            rows.append((number, example[0], word[0]))
    return rows


def sim_sessions(text, command="zanfo-sim"):
    """(line, args, output, status or None, input files) for each session block of
    `command` (tag `sim` for zanfo-sim, `check` for zanfo-check, `prove` for
    zanfo-prove)."""
    sessions = []
    programs = {}  # PROGRAM name (None: the last one) -> source
    inputs = {}    # block tag -> its last body
    tag_of = {"zanfo-sim": "sim", "zanfo-check": "check", "zanfo-prove": "prove"}
    for tag, body, line in fenced_blocks(text):
        if tag == "zan":
            programs[None] = body
            m = re.search(r"^\s*PROGRAM\s+(\w+)", re.sub(r"\{[^}]*\}", "", body), re.M | re.I)
            if m:
                programs[m.group(1).lower()] = body
        elif tag in ("test", "props"):
            inputs[tag] = body
        elif tag == tag_of[command]:
            lines = body.split("\n")
            prompt = "$ " + command
            args = shlex.split(lines[0][len(prompt):]) if lines[0].startswith(prompt) else None
            output, status = lines[1:], None
            if "$ echo $?" in output:
                at = output.index("$ echo $?")
                status = int(output[at + 1])
                output = output[:at] + [""]
            files = {}
            for arg in args or []:
                if arg.endswith(".zan"):
                    body = programs.get(arg[:-4].lower(), programs.get(None))
                else:
                    body = inputs.get(arg.rsplit(".", 1)[-1]) if "." in arg else None
                if body is not None:
                    files[arg] = body
            sessions.append((line, args, "\n".join(output), status, files))
    return sessions


def check_sim(zanfo, page, text, command="zanfo-sim"):
    """Runs every session of `command` on a page with the one beside zanfo."""
    sim = os.path.join(os.path.dirname(zanfo), command)
    failures = []
    sessions = sim_sessions(text, command)
    if sessions and not os.path.exists(sim):
        return 0, [f"{page}: no {command} beside {zanfo}"]
    for line, args, shown, status, files in sessions:
        if args is None:
            failures.append(f"{page}:{line}: a session block starts with `$ {command} ARGS`")
            continue
        with tempfile.TemporaryDirectory() as work:
            for name, body in files.items():
                with open(os.path.join(work, name), "w", encoding="utf-8") as f:
                    f.write(body)
            run = subprocess.run([sim] + args, cwd=work, capture_output=True, timeout=120)
        actual = (run.stdout + run.stderr).decode("utf-8")
        if actual != shown or (status is not None and status != run.returncode):
            failures.append(f"{page}:{line}: {command} {' '.join(args)} exits with {run.returncode}"
                            f" (shown: {status})\n  shown:  {shown!r}\n  actual: {actual!r}")
    return len(sessions), failures


def check_page(zanfo, page):
    with open(page, encoding="utf-8") as f:
        text = f.read()
    failures = []
    checked = 0
    for ex in program_examples(page, text):
        status, out, err, mic = assemble(zanfo, ex["source"])
        checked += 1
        wrong = []
        if status != 0:
            wrong.append(f"exit status {status}")
        for what, shown, actual in (("standard error", ex.get("errors", ""), err),
                                    ("standard output", ex.get("stdout", ""), out),
                                    (".mic file", ex.get("mic", mic), mic)):
            if shown != actual:
                wrong.append(f"{what}\n  shown:  {shown!r}\n  actual: {actual!r}")
        if wrong:
            failures.append(f"{page}:{ex['line']}: " + "\n".join(wrong))
    for line, item, word in table_examples(text):
        status, out, err, mic = assemble(zanfo, f"PROGRAM {item} END\n")
        checked += 1
        if status != 0 or out or err or mic != f"0000 {word}\n":
            failures.append(f"{page}:{line}: `{item}` shown as {word}, zanfo gives "
                            f"{(mic or '').strip()!r} {err.strip()!r}")
    sim_checked, sim_failures = check_sim(zanfo, page, text)
    checked += sim_checked
    failures += sim_failures
    for command in ("zanfo-check", "zanfo-prove"):
        more, more_failures = check_sim(zanfo, page, text, command)
        checked += more
        failures += more_failures
    return checked, failures


def main():
    if len(sys.argv) < 3:
        raise SystemExit("usage: docs_examples.py ZANFO PAGE.md...")
    zanfo = os.path.abspath(sys.argv[1])
    total = 0
    failures = []
    for page in sys.argv[2:]:
        checked, failed = check_page(zanfo, page)
        if checked == 0:
            failed.append(f"{page}: no example found")
        total += checked
        failures += failed
    for failure in failures:
        print("FAIL " + failure)
    print(f"{total - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
