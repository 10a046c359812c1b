#!/usr/bin/env python3
"""zanfo-sim's reports read back by the programs that consume them.

    consumers_test.py ZANFO_SIM CHECK GRADING_DIR

The class of GRADING_DIR/class (alice right, bob off by one, carol not
assembling, dave never halting) runs against its hidden test file, and

  tap         prove (Perl's TAP harness) reads the report and counts what failed
  junit       xmllint validates it against junit.xsd; its counts are read back
  json        a JSON parser reads it, field by field
  gradescope  a JSON parser reads results.json: scores and statuses
  lcov        genhtml draws the coverage of the class and lcov --summary sums it

Exit status 77 (skipped) when a program the check needs is not installed.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SIM, CHECK, HERE = sys.argv[1], sys.argv[2], sys.argv[3]
CLASS = ["alice.zan", "bob.zan", "carol.zan", "dave.zan"]
# What every program scores (of 3), its status, and each case's status.
EXPECTED = {
    "alice.zan": (3, 0, ["ok", "ok"]),
    "bob.zan": (0, 1, ["fail", "fail"]),
    "carol.zan": (0, 3, ["error", "error"]),
    "dave.zan": (0, 3, ["error", "error"]),
}
NEEDS = {"tap": ["prove"], "junit": ["xmllint"], "lcov": ["genhtml", "lcov"]}


def fail(message):
    print("FAIL " + CHECK + ": " + message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


def grade(work, *options):
    """Runs the class in `work`; (exit status, standard error)."""
    run = subprocess.run([SIM, "--test", "sum.test", *options, *CLASS], cwd=work, capture_output=True)
    check(run.returncode == 3, "exit status %d, expected 3: %s" % (run.returncode, run.stderr.decode()))
    return run


def tap(work):
    grade(work, "--report", "tap", "-o", "class.tap")
    run = subprocess.run(["prove", "--exec", "cat", "class.tap"], cwd=work, capture_output=True, text=True)
    check(run.returncode != 0, "prove passed a class with failures:\n" + run.stdout)
    check("Tests: 8 Failed: 6" in run.stdout, "prove did not count 8 tests, 6 failed:\n" + run.stdout)
    check("Failed tests:  3-8" in run.stdout, "prove did not name tests 3 to 8:\n" + run.stdout)
    check("Parse errors" not in run.stdout + run.stderr, "prove met parse errors:\n" + run.stdout + run.stderr)


def junit(work):
    grade(work, "--report", "junit", "-o", "class.xml")
    run = subprocess.run(["xmllint", "--noout", "--schema", os.path.join(HERE, "junit.xsd"), "class.xml"],
                         cwd=work, capture_output=True, text=True)
    check(run.returncode == 0, "xmllint refused the report:\n" + run.stderr)
    root = ET.parse(os.path.join(work, "class.xml")).getroot()
    check(root.get("tests") == "8" and root.get("failures") == "2" and root.get("errors") == "4",
          "testsuites counts %s" % root.attrib)
    for suite, name in zip(root.findall("testsuite"), CLASS):
        score, _, statuses = EXPECTED[name]
        check(suite.get("name") == name, "suite %s, expected %s" % (suite.get("name"), name))
        props = {p.get("name"): p.get("value") for p in suite.find("properties")}
        check(props == {"score": str(score), "max_score": "3"}, "%s: properties %s" % (name, props))
        for case, status in zip(suite.findall("testcase"), statuses):
            got = "fail" if case.find("failure") is not None else "error" if case.find("error") is not None else "ok"
            check(got == status, "%s %s: %s, expected %s" % (name, case.get("name"), got, status))
            cycles = [p for p in case.iter("property") if p.get("name") == "cycles"]
            check(bool(cycles) == (name != "carol.zan"), "%s %s: cycles %s" % (name, case.get("name"), cycles))
    check(root.find("testsuite[@name='carol.zan']/system-err").text.startswith("carol.zan:3: "),
          "carol's messages are not in system-err")
    check(root.findall("testsuite/testcase")[1].get("name") == '<odd> & "name" \\ caf\ufffd',
          "a name with markup and a byte that is not UTF-8 does not read back")


def json_report(work):
    grade(work, "--report", "json", "-o", "class.json")
    with open(os.path.join(work, "class.json"), encoding="utf-8") as f:
        doc = json.load(f)
    check(doc["tests"] == "sum.test" and doc["status"] == 3, "head %s %s" % (doc["tests"], doc["status"]))
    check([p["program"] for p in doc["programs"]] == CLASS, "programs")
    for p in doc["programs"]:
        score, status, statuses = EXPECTED[p["program"]]
        check((p["score"], p["max_score"], p["status"]) == (score, 3, status), "%s: score and status" % p["program"])
        check(p["assembled"] == (p["program"] != "carol.zan"), "%s: assembled" % p["program"])
        check([c["status"] for c in p["cases"]] == statuses, "%s: case statuses" % p["program"])
        check([c["points"] for c in p["cases"]] == [2, 1], "%s: points" % p["program"])
    bob = doc["programs"][1]["cases"][0]
    check(bob["failures"] == [{"name": "total", "expected": 6, "got": 7,
                               "message": "total: expected 0x0006 (6), got 0x0007 (7)"}], "bob's failure")
    check(bob["cycles"] == 11 and bob["line"] == 4 and bob["stop"] is None, "bob's case")
    carol = doc["programs"][2]
    check(carol["problem"] == "the source does not assemble" and carol["messages"][0] == "carol.zan:3: parse error",
          "carol's messages")
    check(carol["cases"][0]["cycles"] is None, "carol's cases ran")
    dave = doc["programs"][3]["cases"][0]
    check(dave["stop"] == "no HALT within 1000 cycles (max-cycles of the test file)" and dave["cycles"] == 1000,
          "dave's stop")


def gradescope(work):
    grade(work, "--report", "gradescope", "-o", "results.json")
    with open(os.path.join(work, "results.json"), encoding="utf-8") as f:
        doc = json.load(f)
    check(doc["score"] == 3, "score %s" % doc["score"])
    check(len(doc["tests"]) == 8, "tests")
    check(sum(t["max_score"] for t in doc["tests"]) == 12, "max scores")
    check([t["status"] for t in doc["tests"]].count("passed") == 2, "passed")
    check(doc["tests"][0]["name"] == "alice.zan: three", "names %s" % doc["tests"][0]["name"])
    check("carol.zan:3: parse error" in doc["output"], "output lacks carol's messages")


def lcov(work):
    run = grade(work, "--coverage", "class.info")
    lines = run.stderr.decode().splitlines()
    check("coverage: alice.zan: 5 of 5 microwords, 2 of 2 branch directions" in lines, "summary:\n%s" % lines)
    summary = subprocess.run(["lcov", "--summary", "class.info", "--rc", "lcov_branch_coverage=1"], cwd=work,
                             capture_output=True, text=True)
    check(summary.returncode == 0, "lcov --summary refused the file:\n" + summary.stderr + summary.stdout)
    text = summary.stdout + summary.stderr
    # alice and bob 5 of 5 lines each, dave 2 of 2: 12 of 12, and 4 of 4 branches.
    check(re.search(r"lines\.*: 100\.0% \(12 of 12 lines\)", text), "lcov's line sum:\n" + text)
    check(re.search(r"branches\.*: 100\.0% \(4 of 4 branches\)", text), "lcov's branch sum:\n" + text)
    html = subprocess.run(["genhtml", "--branch-coverage", "-o", "html", "class.info"], cwd=work,
                          capture_output=True, text=True)
    check(html.returncode == 0, "genhtml refused the file:\n" + html.stderr + html.stdout)
    pages = [os.path.join(d, n) for d, _, names in os.walk(os.path.join(work, "html")) for n in names
             if n == "bob.zan.gcov.html"]
    check(pages, "genhtml drew no page for bob.zan")
    with open(pages[0], encoding="utf-8") as f:
        page = f.read()
    check("total = 1;" in page, "bob's page lacks his source")


def main():
    for program in NEEDS.get(CHECK, []):
        if shutil.which(program) is None:
            print("%s not installed: skipped" % program)
            sys.exit(77)
    checks = {"tap": tap, "junit": junit, "json": json_report, "gradescope": gradescope, "lcov": lcov}
    with tempfile.TemporaryDirectory() as work:
        for name in CLASS + ["sum.test"]:
            shutil.copy(os.path.join(HERE, "class", name), work)
        checks[CHECK](work)
    print("ok " + CHECK)


main()
