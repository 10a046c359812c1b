#!/usr/bin/env python3
"""The co-simulation: the same runs on zanfo-sim and on the Verilog board.

    cosim.py ZANFO_SIM ZANFO_ROM COSIM_JOBS TESTBENCH WHAT...

TESTBENCH is the testbench compiled by Icarus Verilog (a .vvp file, run
by vvp) or by Verilator (a program).  WHAT says which runs:

    examples DIR       every DIR/NAME.zan, with NAME.map, and each case of
                       NAME.test when there is one
    e2e DIR            every DIR/sim_* end-to-end case that makes a run
    generated N SEED   N generated programs (cosim_jobs generate)
    vcd WHAT...        the runs of WHAT as waveforms: zanfo-sim --vcd and
                       the testbench's +vcd, one start each run; GTKWave's
                       vcd2fst must read both, and every signal must hold
                       the same value on both sides at every cycle

cosim_jobs writes each run's control store, memory, mapping and state as
files; zanfo-rom turns them into the testbench's images; zanfo-sim runs
them with --report state --trace --trace-format state, the testbench with
+trace, all runs in one start (+jobs).  The two outputs, every cycle's
trace line and the final state, must be equal byte for byte, and each
side must give a reason on standard error exactly when the run stopped
on an error or at the limit.  A run longer than 10^5 cycles is bounded at
10^4 on both sides.

Exit status 0 when every run agrees, 1 otherwise, 77 when the testbench
is missing (the simulator was not installed when the build was made).
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from vcd import Vcd, VcdError

# The signals of both waveforms.
SIGNALS = ["upc", "word"] + ["r%d" % n for n in range(64)] + ["q", "mar", "ir", "uflag", "mflag", "dbus", "f",
                                                                "sp", "counter"]

LONG = 10 ** 5    # a run longer than this ...
BOUND = 10 ** 4   # ... is compared over this many cycles
DEFAULT_MAX_CYCLES = 10 ** 7


class Failure(Exception):
    pass


def run(args, cwd=None, check=True):
    r = subprocess.run(args, cwd=cwd, capture_output=True, timeout=3600)
    if check and r.returncode != 0:
        raise Failure("%s: status %d\n%s" % (" ".join(args), r.returncode, r.stderr.decode(errors="replace")))
    return r


class Runs:
    def __init__(self, sim, rom, jobs, testbench, work):
        self.sim, self.rom, self.jobs, self.testbench, self.work = sim, rom, jobs, testbench, work
        self.dirs = []      # one folder per run
        self.skipped = []   # command lines that make no run

    def from_args(self, name, args, cwd):
        """The runs of `zanfo-sim ARGS` in `cwd`."""
        out = os.path.join(self.work, name)
        os.makedirs(out)
        r = run([self.jobs, "from-args", out] + args, cwd=cwd, check=False)
        if r.returncode == 77:
            self.skipped.append(name)
            return
        if r.returncode != 0:
            raise Failure("cosim_jobs from-args %s: status %d\n%s" % (" ".join(args), r.returncode,
                                                                      r.stderr.decode()))
        for d in sorted(os.listdir(out), key=int):
            self.dirs.append((os.path.join(out, d), cwd))

    def generated(self, count, seed):
        out = os.path.join(self.work, "generated")
        os.makedirs(out)
        run([self.jobs, "generate", out, str(count), str(seed)])
        self.dirs += [(os.path.join(out, str(i)),) * 2 for i in range(count)]

    def prepare(self, folder, cwd):
        """The images, zanfo-sim's command line and the testbench's settings of one run."""
        with open(os.path.join(folder, "settings")) as f:
            words = f.read().split()
        settings = dict(w.split("=", 1) if "=" in w else (w, "") for w in words)
        mic = os.path.join(folder, "prog.mic")
        rom = os.path.join(folder, "rom.hex")
        run([self.rom, "--format", "readmemh", "-o", rom, mic])
        sim = [self.sim, "--report", "state", "--start", "0x" + settings["start"]]
        bench = ["rom=" + rom, "regs=" + os.path.join(folder, "regs.hex")]
        with open(os.path.join(folder, "regs.hex")) as f:
            for number, value in enumerate(f.read().split()):
                if int(value, 16):
                    sim += ["--set", "R%d=0x%s" % (number, value)]
        for name in ("q", "mar", "ir", "uflag", "mflag"):
            sim += ["--set", "%s=0x%s" % (name.upper(), settings[name])]
            bench.append("%s=%s" % (name, settings[name]))
        bench.append("start=" + settings["start"])
        memory = os.path.join(folder, "mem.hex")
        if os.path.exists(memory):
            sim += ["--mem", memory]
            bench.append("mem=" + memory)
        if "map" in settings:
            mapping = os.path.join(cwd, settings["map"])
            image = os.path.join(folder, "map.hex")
            run([self.rom, "--format", "readmemh", "--jmap", mapping, "-o", image])
            sim += ["--map", mapping]
            bench.append("map=" + image)
        if "loop_to_address" in settings:
            sim.append("--loop-to-address")
            bench.append("loop_to_address")
        limit = int(settings.get("max_cycles", DEFAULT_MAX_CYCLES))
        if limit > LONG:
            probe = run(sim + ["--max-cycles", str(LONG + 1), mic], check=False)
            if "cycles %d\n" % (LONG + 1) in probe.stdout.decode():
                limit = BOUND
        sim += ["--max-cycles", str(limit), "--trace", "--trace-format", "state", mic]
        bench += ["max_cycles=%d" % limit, "trace", "out=" + os.path.join(folder, "hdl.out"),
                  "err=" + os.path.join(folder, "hdl.err"), "run"]
        return sim, " ".join(bench) + "\n"

    def compare(self):
        jobs = os.path.join(self.work, "jobs")
        started = time.time()
        commands = []
        with open(jobs, "w") as f:
            for folder, cwd in self.dirs:
                sim, bench = self.prepare(folder, cwd)
                commands.append(sim)
                f.write(bench)
        self.times = {"images": time.time() - started}
        started = time.time()
        bench = subprocess.Popen(self.simulator() + ["+jobs=" + jobs], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE)
        for (folder, _), sim in zip(self.dirs, commands):  # while the testbench runs
            r = run(sim, check=False)
            if r.returncode not in (0, 3):
                raise Failure("%s: status %d\n%s" % (" ".join(sim), r.returncode, r.stderr.decode()))
            with open(os.path.join(folder, "sim.out"), "wb") as f:
                f.write(r.stdout)
            with open(os.path.join(folder, "sim.err"), "wb") as f:
                f.write(r.stderr)
        self.times["zanfo-sim"] = time.time() - started
        out, err = bench.communicate()
        self.times["testbench"] = time.time() - started
        if bench.returncode != 0:
            raise Failure("the testbench: status %d\n%s%s" % (bench.returncode, out.decode(), err.decode()))

        cycles = 0
        ends = {"halted": 0, "error": 0, "limit": 0}
        failures = []
        for folder, _ in self.dirs:
            diff = difference(folder)
            if diff:
                failures.append(diff)
                continue
            with open(os.path.join(folder, "sim.out")) as f:
                state = dict(l.split(" ", 1) for l in f.read().split("\n") if l and not l[0].isdigit())
            cycles += int(state["cycles"])
            ends[state["end"]] += 1
        return cycles, ends, failures


    def compare_waveforms(self):
        """Each run as two waveforms, compared signal by signal at every cycle."""
        failures = []
        cycles = 0
        for folder, cwd in self.dirs:
            sim, bench = self.prepare(folder, cwd)
            at = sim.index("--trace")
            sim[at:at + 3] = ["--vcd", os.path.join(folder, "sim.vcd")]  # for --trace --trace-format state
            plusargs = ["+" + w for w in bench.split()
                        if w not in ("trace", "run") and not w.startswith(("out=", "err="))]
            plusargs.append("+vcd=" + os.path.join(folder, "hdl.vcd"))
            r = run(sim, check=False)
            if r.returncode not in (0, 3):
                raise Failure("%s: status %d\n%s" % (" ".join(sim), r.returncode, r.stderr.decode()))
            state = run(self.simulator() + plusargs).stdout.decode()
            count = int(re.search(r"^cycles (\d+)$", state, re.M).group(1))
            unread = []
            for side in ("sim", "hdl"):
                fst = os.path.join(folder, side + ".fst")
                r = run(["vcd2fst", os.path.join(folder, side + ".vcd"), fst], check=False)
                if r.returncode != 0 or not os.path.exists(fst) or not os.path.getsize(fst):
                    unread.append("%s: vcd2fst cannot read %s.vcd: %s" % (folder, side, r.stderr.decode()))
            if unread:
                failures += unread
                continue
            try:
                a, b = Vcd(os.path.join(folder, "sim.vcd")), Vcd(os.path.join(folder, "hdl.vcd"))
            except (VcdError, OSError) as e:
                failures.append("%s: %s" % (folder, e))
                continue
            diff = waveform_difference(a, b, count)
            if diff:
                failures.append("%s: %s" % (folder, diff))
            cycles += count
        return cycles, failures

    def simulator(self):
        return ["vvp", "-n", self.testbench] if self.testbench.endswith(".vvp") else [self.testbench]


def waveform_difference(sim, hdl, cycles):
    """The first signal and cycle where zanfo-sim's waveform and the testbench's part, or None."""
    for name in SIGNALS:
        for side, vcd in (("zanfo-sim", sim), ("the testbench", hdl)):
            if name not in vcd.variables:
                return "%s's waveform has no signal %s" % (side, name)
        if sim.variables[name][1] != hdl.variables[name][1]:
            return "%s is %d bits wide in zanfo-sim's waveform, %d in the testbench's" % (
                name, sim.variables[name][1], hdl.variables[name][1])
    show = lambda v: "%X" % v if isinstance(v, int) else v
    for k in range(cycles + 1):
        for name in SIGNALS:
            a, b = sim.at(name, 10 * k), hdl.at(name, 10 * k)
            if a != b:
                return "%s at %d ns (cycle %d): zanfo-sim %s, the testbench %s" % (name, 10 * k, k, show(a), show(b))
    return None


def difference(folder):
    """What parts the two runs of `folder`, or None."""
    def read(name):
        with open(os.path.join(folder, name)) as f:
            return f.read()
    sim, hdl = read("sim.out").split("\n"), read("hdl.out").split("\n")
    for number, (a, b) in enumerate(zip(sim, hdl)):
        if a != b:
            return "%s: line %d differs\n  zanfo-sim: %s\n  testbench: %s" % (folder, number + 1, a, b)
    if len(sim) != len(hdl):
        return "%s: zanfo-sim wrote %d lines, the testbench %d" % (folder, len(sim), len(hdl))
    stopped = "end halted" not in sim
    for side, name in (("zanfo-sim", "sim.err"), ("the testbench", "hdl.err")):
        if bool(read(name).strip()) != stopped:
            return "%s: %s %s a reason on standard error after %s" % (
                folder, side, "gives no" if stopped else "gives", next(l for l in sim if l.startswith("end ")))
    return None


def main(argv):
    # Programs and folders as seen from here: the runs go elsewhere.
    sim, rom, jobs, testbench = (os.path.abspath(p) if os.sep in p else p for p in argv[1:5])
    what = [w if w in ("vcd", "examples", "e2e", "generated") or not os.path.isdir(w) else os.path.abspath(w)
            for w in argv[5:]]
    if not os.path.exists(testbench):
        print("%s not built (Icarus Verilog or Verilator missing: bash .ci/install-deps installs them): skipped"
              % testbench)
        return 77
    waveforms = what[0] == "vcd"
    if waveforms:
        what = what[1:]
        if not shutil.which("vcd2fst"):
            print("vcd2fst not installed (GTKWave; bash .ci/install-deps installs it): skipped")
            return 77
    work = tempfile.mkdtemp(prefix="zanfo-cosim-")
    try:
        runs = Runs(sim, rom, jobs, testbench, work)
        if what[0] == "examples":
            for source in sorted(glob.glob(os.path.join(what[1], "*.zan"))):
                name = os.path.basename(source)[:-4]
                args = []
                for option, extension in (("--map", ".map"), ("--test", ".test")):
                    if os.path.exists(source[:-4] + extension):
                        args += [option, name + extension]
                runs.from_args(name, args + [name + ".zan"], what[1])
        elif what[0] == "e2e":
            for case in sorted(glob.glob(os.path.join(what[1], "sim_*"))):
                copy = os.path.join(work, "cases", os.path.basename(case))
                shutil.copytree(case, copy)
                with open(os.path.join(case, "args")) as f:
                    args = f.read().split("\n")[:-1]
                runs.from_args(os.path.basename(case), args, copy)
        elif what[0] == "generated":
            runs.generated(int(what[1]), int(what[2]))
        else:
            raise Failure("unknown runs: " + " ".join(what))
        if not runs.dirs:
            raise Failure("no runs")
        if waveforms:
            cycles, failures = runs.compare_waveforms()
        else:
            cycles, ends, failures = runs.compare()
        for f in failures[:10]:
            print("FAIL " + f)
        if failures:
            print("%d of %d runs differ (the folders are kept in %s)" % (len(failures), len(runs.dirs), work))
            work = None
            return 1
        if waveforms:
            print("ok %d runs as waveforms, %d cycles: vcd2fst reads both, and their %d signals are equal at every "
                  "cycle" % (len(runs.dirs), cycles, len(SIGNALS)))
            return 0
        print("ok %d runs (%d halted, %d on an error, %d at the cycle limit), %d cycles, equal on zanfo-sim "
              "and %s%s" % (len(runs.dirs), ends["halted"], ends["error"], ends["limit"], cycles,
                            os.path.basename(testbench),
                            "; no run from " + ", ".join(runs.skipped) if runs.skipped else ""))
        print("seconds: " + ", ".join("%s %.1f" % t for t in runs.times.items()))
        return 0
    except Failure as failure:
        print("FAIL %s" % failure)
        return 1
    finally:
        if work:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main(sys.argv))
