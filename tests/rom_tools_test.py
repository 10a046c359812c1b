#!/usr/bin/env python3
"""zanfo-rom's images read back by the programs that consume them.

    rom_tools_test.py ZANFO_ROM CHECK EXAMPLES_DIR

Each CHECK converts every example .mic file, and a generated store that
fills all 4096 addresses in a random order, under a few choices of depth
(up to a chip of 65536 words),
fill and lane, and compares what the consumer reads with the words of the
.mic file (or with the matching bytes of zanfo-rom's own `bin` image):

  readmemh  Icarus Verilog loads it with $readmemh and prints every word
  vhdl      GHDL compiles the package with a testbench that prints every word
  ihex      srec_cat and objcopy turn it into bytes equal to `bin`
  srec      the same for S-records
  mif       srec_cat reads lanes of 8, 16 and 32 bits
  logisim   srec_cat reads 8-bit lanes (after the empty line its reader needs)
  grammar   MIF, COE and Logisim files of 64-bit words, parsed here by their
            published grammars, since no free reader here takes 64 bits
  c         the header compiled as C and as C++, printing every word

Exit status 77 (skipped) when a program the check needs is not installed.
"""
import glob
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

ROM, CHECK, EXAMPLES = sys.argv[1], sys.argv[2], sys.argv[3]
HALT = 0xCE00009040000000

# (label, depth or None for the whole store, fill, lane, lane width)
WHOLE = ("whole", None, 0, None, 64)
FILLED = ("filled", 64, HALT, None, 64)            # examples only: a small store, HALT elsewhere
TOP_LANE = ("lane 9 of 7 bits", None, HALT, 9, 7)  # bits 63..69: the top six read as 0
BYTE_LANE = ("lane 2 of 12 bits", None, 0xFFF << 24, 2, 12)
CHIP = ("a chip of 65536 words", 65536, HALT, None, 64)  # 512 KiB: ihex's 04 records, S2 records


def read_mic(path):
    """{address: word} of a .mic file."""
    words = {}
    with open(path) as f:
        for line in f:
            address, word = line.split()
            words[int(address, 16)] = int(word, 16)
    return words


def generated_store(work):
    """A .mic file of all 4096 addresses, random words, shuffled lines."""
    rng = random.Random(11)
    addresses = list(range(4096))
    rng.shuffle(addresses)
    path = os.path.join(work, "full_store.mic")
    with open(path, "w") as f:
        for a in addresses:
            word = rng.choice([0, 2**64 - 1, rng.getrandbits(64)])
            f.write("%04X %016X\n" % (a, word))
    return path


class Case:
    """One .mic file under one variant: the arguments and the words expected."""

    def __init__(self, mic, variant):
        self.mic = mic
        self.label, depth, self.fill, self.lane, self.width = variant
        self.depth = depth or 4096
        words = read_mic(mic)
        store = [words.get(a, self.fill) for a in range(self.depth)]
        shift = (self.lane or 0) * self.width
        self.expected = [(w >> shift) & ((1 << self.width) - 1) for w in store]
        self.args = ["--depth", str(self.depth), "--fill", "0x%X" % self.fill]
        if self.lane is not None:
            self.args += ["--lane", str(self.lane), "--lane-width", str(self.width)]

    def name(self):
        return "%s (%s)" % (os.path.basename(self.mic), self.label)

    def identifier(self):
        base = os.path.basename(self.mic)[:-4]
        return base + ("_lane%d" % self.lane if self.lane is not None else "") + "_rom"


def run(args, **kw):
    return subprocess.run(args, capture_output=True, timeout=300, **kw)


def rom(case, fmt, out, extra=()):
    """Runs zanfo-rom; the image goes to `out`."""
    r = run([ROM, "--format", fmt, "-o", out] + case.args + list(extra) + [case.mic])
    if r.returncode != 0 or r.stdout or r.stderr:
        raise Failure("zanfo-rom --format %s on %s: status %d\n%s" % (fmt, case.name(), r.returncode,
                                                                       r.stderr.decode()))
    with open(out, "rb") as f:
        return f.read()


def tool(args, cwd=None):
    r = run(args, cwd=cwd)
    if r.returncode != 0:
        raise Failure("%s: status %d\n%s%s" % (" ".join(args), r.returncode, r.stdout.decode(),
                                               r.stderr.decode()))
    return r.stdout.decode()


class Failure(Exception):
    pass


def compare(case, what, got):
    want = case.expected
    if got != want:
        bad = next((a for a in range(min(len(got), len(want))) if got[a] != want[a]), min(len(got), len(want)))
        show = lambda v, a: "%X" % v[a] if a < len(v) else "nothing"
        raise Failure("%s, %s: %d words, expected %d; address %X holds %s, expected %s" % (
            case.name(), what, len(got), len(want), bad, show(got, bad), show(want, bad)))


def lane_of_bin(whole_bin, width, lane):
    """The bytes of one byte-aligned lane, cut from the bin image of whole words."""
    first = 8 - (lane + 1) * width // 8
    return b"".join(whole_bin[i + first:i + first + width // 8] for i in range(0, len(whole_bin), 8))


# The checks, each over every .mic file and its variants.

def check_readmemh(case, work):
    rom(case, "readmemh", os.path.join(work, "rom.hex"))
    with open(os.path.join(work, "tb.v"), "w") as f:
        f.write("""module tb;
  reg [%d:0] rom [0:%d];
  integer i;
  initial begin
    $readmemh("rom.hex", rom);
    for (i = 0; i < %d; i = i + 1) $display("%%b", rom[i]);
  end
endmodule
""" % (case.width - 1, case.depth - 1, case.depth))
    tool(["iverilog", "-o", "tb.vvp", "tb.v"], cwd=work)
    lines = tool(["vvp", "-n", "tb.vvp"], cwd=work).split()
    compare(case, "$readmemh in Icarus Verilog", [int(b, 2) if re.fullmatch("[01]+", b) else -1 for b in lines])


def check_vhdl(case, work):
    rom(case, "vhdl", os.path.join(work, "rom.vhd"))
    with open(os.path.join(work, "tb.vhd"), "w") as f:
        f.write("""library ieee;
use ieee.std_logic_1164.all;
use std.textio.all;
use work.%s.all;
entity tb is
end entity tb;
architecture print of tb is
begin
  process
    variable l : line;
  begin
    for a in 0 to ROM_DEPTH - 1 loop
      for b in ROM_WIDTH - 1 downto 0 loop
        write(l, std_logic'image(ROM(a)(b))(2));
      end loop;
      writeline(output, l);
    end loop;
    wait;
  end process;
end architecture print;
""" % case.identifier())
    for std in ("93", "08"):
        lib = os.path.join(work, "work" + std)
        os.makedirs(lib, exist_ok=True)
        flags = ["--std=" + std, "--workdir=" + lib]
        tool(["ghdl", "-a"] + flags + ["rom.vhd", "tb.vhd"], cwd=work)
        tool(["ghdl", "-e"] + flags + ["tb"], cwd=work)
        lines = tool(["ghdl", "-r"] + flags + ["tb"], cwd=work).split()
        compare(case, "the VHDL package in GHDL --std=" + std, [int(b, 2) if re.fullmatch("[01]+", b) else -1
                                                                for b in lines])


def check_hex(case, work, fmt, srec_name, objcopy_name):
    image = rom(case, fmt, os.path.join(work, "rom." + fmt))
    want = rom(case, "bin", os.path.join(work, "rom.bin"))
    for convert in (["srec_cat", "rom." + fmt, srec_name, "-o", "a.bin", "-Binary"],
                    ["objcopy", "-I", objcopy_name, "-O", "binary", "rom." + fmt, "a.bin"]):
        tool(convert, cwd=work)
        with open(os.path.join(work, "a.bin"), "rb") as f:
            got = f.read()
        if got != want:
            raise Failure("%s: %s gives %d bytes unlike bin's %d" % (case.name(), convert[0], len(got), len(want)))
    if not image.endswith(b"\n"):
        raise Failure("%s: the %s file does not end with a line end" % (case.name(), fmt))


def check_ihex(case, work):
    check_hex(case, work, "ihex", "-Intel", "ihex")


def check_srec(case, work):
    check_hex(case, work, "srec", "-Motorola", "srec")


def whole_bin(case, work):
    whole = Case(case.mic, (case.label, case.depth, case.fill, None, 64))
    return rom(whole, "bin", os.path.join(work, "whole.bin"))


def check_mif(case, work):
    whole = whole_bin(case, work)
    # srec_cat lays down each MIF word least significant byte first.
    for width, lane, swap in ((32, 1, ["-Byte_Swap", "4"]), (32, 0, ["-Byte_Swap", "4"]),
                              (16, 2, ["-Byte_Swap", "2"]), (8, 7, [])):
        rom(case, "mif", os.path.join(work, "lane.mif"), ["--lane", str(lane), "--lane-width", str(width)])
        tool(["srec_cat", "lane.mif", "-Memory_Initialization_File"] + swap + ["-o", "lane.bin", "-Binary"],
             cwd=work)
        with open(os.path.join(work, "lane.bin"), "rb") as f:
            if f.read() != lane_of_bin(whole, width, lane):
                raise Failure("%s: srec_cat reads MIF lane %d of %d bits unlike bin" % (case.name(), lane, width))


def check_logisim(case, work):
    whole = whole_bin(case, work)
    for lane in (0, 7):
        image = rom(case, "logisim", os.path.join(work, "lane.txt"), ["--lane", str(lane), "--lane-width", "8"])
        # srec_cat skips the line after the header, which Logisim itself
        # does not write: give it the empty line it expects.
        first, rest = image.split(b"\n", 1)
        with open(os.path.join(work, "lane.lgs"), "wb") as f:
            f.write(first + b"\n\n" + rest)
        tool(["srec_cat", "lane.lgs", "-LOGIsim", "-o", "lane.bin", "-Binary"], cwd=work)
        with open(os.path.join(work, "lane.bin"), "rb") as f:
            if f.read() != lane_of_bin(whole, 8, lane):
                raise Failure("%s: srec_cat reads Logisim lane %d unlike bin" % (case.name(), lane))


def parse_mif(text):
    """Quartus MIF: header assignments, then CONTENT BEGIN, `address : data
    [data...];` or `[first..last] : data;`, END; with -- and % % comments."""
    text = re.sub(r"--[^\n]*", " ", text)
    text = re.sub(r"%[^%]*%", " ", text)
    header, sep, body = re.split(r"\b(CONTENT\s+BEGIN)\b", text, maxsplit=1, flags=re.I)
    if not sep:
        raise Failure("MIF without CONTENT BEGIN")
    fields = dict((k.upper(), v.strip().upper())
                  for k, v in re.findall(r"(\w+)\s*=\s*([^;]+);", header))
    if re.sub(r"(\w+)\s*=\s*([^;]+);", "", header).strip():
        raise Failure("MIF header holds more than assignments")
    width, depth = int(fields["WIDTH"]), int(fields["DEPTH"])
    radix = {"HEX": 16, "DEC": 10, "BIN": 2, "OCT": 8}
    arad, drad = radix[fields["ADDRESS_RADIX"]], radix[fields["DATA_RADIX"]]
    parts = re.split(r"\bEND\s*;", body, flags=re.I)
    if len(parts) != 2 or parts[1].strip():
        raise Failure("MIF without END; at its end")
    entries = parts[0].split(";")
    if entries[-1].strip():
        raise Failure("MIF entry without its ;")
    words = [None] * depth
    for entry in entries[:-1]:
        where, data = (part.strip() for part in entry.split(":"))
        values = [int(d, drad) for d in data.split()]
        m = re.fullmatch(r"\[(\w+)\.\.(\w+)\]", where)
        if m:  # a range repeats its values
            addresses = range(int(m.group(1), arad), int(m.group(2), arad) + 1)
            values = [values[i % len(values)] for i in range(len(addresses))]
        else:  # an address with several values fills the addresses after it
            addresses = range(int(where, arad), int(where, arad) + len(values))
        for a, v in zip(addresses, values):
            if not 0 <= a < depth or v >> width:
                raise Failure("MIF entry %r out of range" % entry)
            words[a] = v
    if None in words:
        raise Failure("MIF leaves address %X undefined" % words.index(None))
    return width, words


def parse_coe(text):
    """Xilinx COE: `; comment` lines, memory_initialization_radix=R; and
    memory_initialization_vector= values separated by commas or blanks, ended by ;"""
    text = "\n".join(line for line in text.split("\n") if not line.lstrip().startswith(";"))
    statements = [s.strip() for s in text.split(";")]
    if statements[-1]:
        raise Failure("COE text after the last ;")
    fields = {}
    for s in statements[:-1]:
        key, value = s.split("=", 1)
        fields[key.strip().lower()] = value
    radix = int(fields["memory_initialization_radix"])
    return [int(v, radix) for v in re.split(r"[,\s]+", fields["memory_initialization_vector"].strip())]


def parse_logisim(text):
    """Logisim "v2.0 raw": the header line, then hexadecimal values or
    COUNT*VALUE runs separated by blanks, # to the end of a line a comment."""
    header, _, body = text.partition("\n")
    if header != "v2.0 raw":
        raise Failure("Logisim image without its v2.0 raw header")
    words = []
    for token in re.sub(r"#[^\n]*", " ", body).split():
        count, _, value = token.rpartition("*")
        words += [int(value, 16)] * (int(count) if count else 1)
    return words


def check_grammar(case, work):
    mif = rom(case, "mif", os.path.join(work, "rom.mif")).decode("ascii")
    width, words = parse_mif(mif)
    if width != case.width:
        raise Failure("%s: MIF says WIDTH=%d" % (case.name(), width))
    compare(case, "MIF", words)
    coe = rom(case, "coe", os.path.join(work, "rom.coe")).decode("ascii")
    compare(case, "COE", parse_coe(coe))
    logisim = rom(case, "logisim", os.path.join(work, "rom.txt")).decode("ascii")
    # Logisim drops the words after the last one given: they read as 0.
    words = parse_logisim(logisim)
    compare(case, "Logisim image", words + [0] * (case.depth - len(words)))


def check_c(case, work):
    rom(case, "c", os.path.join(work, "rom.h"))
    name = case.identifier()
    with open(os.path.join(work, "print.c"), "w") as f:
        f.write("""#include <stdio.h>
#include "rom.h"
int main(void) {
    int a;
    for (a = 0; a < %s_DEPTH; ++a)
        printf("%%llu\\n", (unsigned long long)%s[a]);
    return sizeof %s[0] * 8 >= %s_WIDTH ? 0 : 1;
}
""" % (name.upper(), name, name, name.upper()))
    for compiler in (["gcc", "-x", "c", "-std=c99"], ["g++", "-x", "c++", "-std=c++11"]):
        tool(compiler + ["-Wall", "-Wextra", "-pedantic", "-Werror", "-o", "print", "print.c"], cwd=work)
        compare(case, "the header in " + compiler[0], [int(v) for v in tool(["./print"], cwd=work).split()])


CHECKS = {
    # check       programs it needs               variants
    "readmemh": (["iverilog", "vvp"], check_readmemh, [WHOLE, FILLED, TOP_LANE]),
    "vhdl": (["ghdl"], check_vhdl, [WHOLE, TOP_LANE, BYTE_LANE]),
    "ihex": (["srec_cat", "objcopy"], check_ihex, [WHOLE, FILLED, BYTE_LANE, TOP_LANE, CHIP]),
    "srec": (["srec_cat", "objcopy"], check_srec, [WHOLE, FILLED, BYTE_LANE, TOP_LANE, CHIP]),
    "mif": (["srec_cat"], check_mif, [WHOLE, FILLED]),
    "logisim": (["srec_cat"], check_logisim, [WHOLE, FILLED]),
    "grammar": ([], check_grammar, [WHOLE, FILLED, TOP_LANE]),
    "c": (["gcc", "g++"], check_c, [WHOLE, FILLED, TOP_LANE, BYTE_LANE]),
}


def main():
    programs, check, variants = CHECKS[CHECK]
    missing = [p for p in programs if not shutil.which(p)]
    if missing:
        print("%s not installed (bash .ci/install-deps installs it): rom.%s skipped" % (", ".join(missing), CHECK))
        return 77
    work = tempfile.mkdtemp()
    try:
        examples = sorted(glob.glob(os.path.join(EXAMPLES, "*.mic")))
        if not examples:
            raise Failure("no example .mic files in " + EXAMPLES)
        full = generated_store(work)
        cases = [Case(mic, v) for mic in examples + [full] for v in variants
                 if not (mic == full and v[1] is not None)]
        for case in cases:
            scratch = tempfile.mkdtemp(dir=work)
            check(case, scratch)
            shutil.rmtree(scratch)
        print("ok rom.%s: %d images read back" % (CHECK, len(cases)))
        return 0
    except (Failure, ValueError, KeyError) as failure:  # a parser's refusal too
        print("FAIL rom.%s: %s: %s" % (CHECK, type(failure).__name__, failure))
        return 1
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    sys.exit(main())
