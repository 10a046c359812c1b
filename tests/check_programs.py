#!/usr/bin/env python3
"""zanfo-check on programs that are right, or whose faults are known: no
false alarm.

    check_programs.py ZANFO_CHECK SOURCE_DIR examples|docs|e2e

examples  Every examples/NAME.zan (with NAME.map when there is one): each
          warning must be named in the example's own text, which says why
          it keeps it.
docs      Every program of the manual and the README that zanfo assembles
          without a diagnostic: its warnings must be exactly those listed in
          KNOWN_FAULTS below, each a real fault of a program shown for
          another purpose; any other program draws none.  A program shown
          with a zanfo-check session is left to docs_examples.py.
e2e       Every end-to-end case that runs zanfo-sim on a program and
          expects it to halt (exit status 0) with zanfo saying nothing:
          zanfo-check, given the same --map, --start and --loop-to-address,
          draws no warning.
"""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import docs_examples  # noqa: E402  (the same reading of the pages)

# The programs of the pages that are right for what they show, but would
# not run cleanly as whole programs: (first line, [(line, check), ...]).
KNOWN_FAULTS = {
    # Fragments that end without HALT: the run stops at the empty next address.
    "PROGRAM first": [(3, "fall-off")],
    "PROGRAM bases": [(4, "fall-off")],
    "PROGRAM names": [(6, "fall-off")],
    # A label after PROGRAM, jumping to itself for ever.
    "PROGRAM start: JUMP(start) END": [(1, "no-halt")],
    # ORG 16 first: address 0, where a run starts, is empty.
    "PROGRAM origin": [(0, "start-empty"), (3, "unreachable")],
    # A fetch loop whose routines are not written: JMAP finds only itself.
    "PROGRAM together": [(3, "no-halt")],
    # Shown as the run that stops on a RET with nothing on the stack.
    "PROGRAM p": [(3, "stack-underflow")],
}

# End-to-end cases whose programs halt cleanly but keep a fault on purpose:
# case -> [(line, check), ...].
KNOWN_E2E_FAULTS = {
    # A jump to an empty address that never runs, for the trace to name it
    # in hexadecimal beside a jump to a label.
    "sim_trace_of_a_mic_file_names_targets": [(2, "flag-never-loaded"), (2, "target-empty")],
}

WARNING = re.compile(r"^[^:]*(?::(\d+))?: warning: .* \[([a-z-]+)\]$")


def check(zanfo_check, args, cwd):
    run = subprocess.run([zanfo_check] + args, cwd=cwd, capture_output=True, timeout=60)
    lines = run.stdout.decode("utf-8").splitlines()
    errors = [l for l in lines if ": error: " in l]
    warnings = []
    for line in lines:
        m = WARNING.match(line)
        if m:
            warnings.append((int(m.group(1) or 0), m.group(2)))
    return run.returncode, errors, warnings, lines


def examples(zanfo_check, root):
    failures, count = [], 0
    folder = os.path.join(root, "examples")
    for name in sorted(os.listdir(folder)):
        if not name.endswith(".zan"):
            continue
        count += 1
        args = [name]
        if os.path.exists(os.path.join(folder, name[:-4] + ".map")):
            args = ["--map", name[:-4] + ".map", name]
        with open(os.path.join(folder, name), encoding="latin-1") as f:
            text = f.read()
        _, errors, warnings, lines = check(zanfo_check, args, folder)
        for line in errors:
            failures.append(f"{name}: {line}")
        for (line, name_of_check), shown in zip(warnings, [l for l in lines if " warning: " in l]):
            if name_of_check not in text:
                failures.append(f"{name}: the example does not say why it keeps: {shown}")
    return count, failures


def docs(zanfo_check, root):
    failures, count = [], 0
    zanfo = os.path.join(os.path.dirname(zanfo_check), "zanfo")
    seen = set()
    for page in ("README.md", "docs/manual.md"):
        with open(os.path.join(root, page), encoding="utf-8") as f:
            text = f.read()
        blocks = docs_examples.fenced_blocks(text)
        shown = {line for (tag, _, line), after in zip(blocks, blocks[1:]) if tag == "zan" and after[0] == "check"}
        for example in docs_examples.program_examples(page, text):
            source = example["source"]
            if example["line"] in shown:
                continue  # its zanfo-check session is compared by docs_examples.py
            status, out, err, _ = docs_examples.assemble(zanfo, source)
            if status != 0 or out or err:
                continue  # shown for zanfo's diagnostics
            count += 1
            first = source.split("\n")[0].strip()
            with tempfile.TemporaryDirectory() as work:
                with open(os.path.join(work, "prog.zan"), "w", encoding="latin-1") as f:
                    f.write(source)
                _, errors, warnings, lines = check(zanfo_check, ["prog.zan"], work)
            want = KNOWN_FAULTS.get(first, [])
            seen.add(first)
            if errors or sorted(warnings) != sorted(want):
                failures.append(f"{page}:{example['line']}: {first}: expected {want}, zanfo-check says:\n  " +
                                "\n  ".join(lines))
    for first in sorted(set(KNOWN_FAULTS) - seen):
        failures.append(f"KNOWN_FAULTS names {first!r}, which no page shows any more")
    return count, failures


def e2e(zanfo_check, root):
    failures, count = [], 0
    cases = os.path.join(root, "tests", "e2e")
    for case in sorted(os.listdir(cases)):
        folder = os.path.join(cases, case)

        def read(name, default=""):
            path = os.path.join(folder, name)
            return open(path, encoding="utf-8").read() if os.path.exists(path) else default

        if read("command").strip() != "zanfo-sim" or read("expected_status", "0").strip() != "0":
            continue
        args = read("args").splitlines()
        options, program, i = [], None, 0
        while i < len(args):
            arg = args[i]
            name = arg.split("=", 1)[0]
            if name in ("--map", "--start"):
                options += [arg] if "=" in arg else [arg, args[i + 1]]
                i += 1 if "=" in arg else 2
                continue
            if arg == "--loop-to-address":
                options.append(arg)
            elif name in ("--set", "--expect", "--mem", "--test", "--break", "--max-cycles"):
                i += 0 if "=" in arg else 1
            elif not arg.startswith("-") and os.path.isfile(os.path.join(folder, arg)):
                program = arg
            i += 1
        if program is None:
            continue
        with tempfile.TemporaryDirectory() as work:
            for name in os.listdir(folder):
                if os.path.isfile(os.path.join(folder, name)):
                    with open(os.path.join(folder, name), "rb") as src, open(os.path.join(work, name), "wb") as dst:
                        dst.write(src.read())
            _, errors, warnings, lines = check(zanfo_check, options + [program], work)
        if errors:
            continue  # zanfo has something to say: not a clean program
        count += 1
        if sorted(warnings) != sorted(KNOWN_E2E_FAULTS.get(case, [])):
            failures.append(f"{case}: " + "\n  ".join(lines))
    return count, failures


def main():
    if len(sys.argv) != 4 or sys.argv[3] not in ("examples", "docs", "e2e"):
        raise SystemExit("usage: check_programs.py ZANFO_CHECK SOURCE_DIR examples|docs|e2e")
    zanfo_check = os.path.abspath(sys.argv[1])
    count, failures = globals()[sys.argv[3]](zanfo_check, os.path.abspath(sys.argv[2]))
    for failure in failures:
        print("FAIL " + failure)
    print(f"{count - len(failures)} programs passed, {len(failures)} failed")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
