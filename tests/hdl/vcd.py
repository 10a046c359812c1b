"""A reader of Value Change Dump files (IEEE 1364, section 18), enough to
compare zanfo-sim's --vcd with the testbench's +vcd: the variables of the
scope `zanfo` by their names, and their values at any time.  Icarus
Verilog dumps that scope alone (zanfo_tb.zanfo); Verilator dumps the whole
design, the scope among the rest (TOP.zanfo_tb.zanfo)."""
import bisect
import re

UNITS = {"s": 10 ** 15, "ms": 10 ** 12, "us": 10 ** 9, "ns": 10 ** 6, "ps": 10 ** 3, "fs": 1}


class VcdError(Exception):
    pass


class Vcd:
    def __init__(self, path):
        with open(path) as f:
            text = f.read()
        header, sep, body = text.partition("$enddefinitions")
        if not sep:
            raise VcdError("%s: no $enddefinitions" % path)
        m = re.search(r"\$timescale\s+(\d+)\s*(\w+)\s+\$end", header)
        if not m or m.group(2) not in UNITS:
            raise VcdError("%s: no $timescale" % path)
        self.femtoseconds = int(m.group(1)) * UNITS[m.group(2)]  # per tick
        self.variables = {}  # name in the scope zanfo -> (identifier code, width)
        scopes = []
        for m in re.finditer(r"\$(scope)\s+\w+\s+(\S+)\s+\$end|\$(upscope)\s+\$end|"
                             r"\$(var)\s+\w+\s+(\d+)\s+(\S+)\s+(\S+)(?:\s+\[[^\]]*\])?\s+\$end", header):
            if m.group(1):
                scopes.append(m.group(2))
            elif m.group(3):
                scopes.pop()
            elif scopes and scopes[-1] == "zanfo":
                width, code, name = int(m.group(5)), m.group(6), m.group(7)
                if name in self.variables:
                    raise VcdError("%s: two variables named %s in the scope zanfo" % (path, name))
                self.variables[name] = (code, width)
        self.changes = {}  # identifier code -> ([times], [values])
        time = 0
        words = body.split()[1:]  # after "$end" of $enddefinitions
        i = 0
        while i < len(words):
            w = words[i]
            if w[0] == "#":
                time = int(w[1:])
            elif w[0] in "bBrR":
                self.change(words[i + 1], time, w[1:])
                i += 1
            elif w[0] in "01xXzZ":
                self.change(w[1:], time, w[0])
            elif w[0] != "$":
                raise VcdError("%s: cannot read %r" % (path, w))
            i += 1

    def change(self, code, time, value):
        times, values = self.changes.setdefault(code, ([], []))
        value = int(value, 2) if re.fullmatch("[01]+", value) else value.lower()
        if times and times[-1] == time:
            values[-1] = value  # the last change of a time is its value
        else:
            times.append(time)
            values.append(value)

    def at(self, name, nanoseconds):
        """The value of variable `name` at that time: an int, or a string with x or z."""
        code, _ = self.variables[name]
        times, values = self.changes.get(code, ([], []))
        tick = nanoseconds * UNITS["ns"] // self.femtoseconds
        k = bisect.bisect_right(times, tick) - 1
        return values[k] if k >= 0 else "x"
