"""A reader of Value Change Dump files (IEEE 1364, section 18), enough to
compare zanfo-sim's --vcd with the testbench's +vcd: every variable by its
name, and its value at any time."""
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
        self.variables = {}  # name -> (identifier code, width)
        for var in re.finditer(r"\$var\s+\w+\s+(\d+)\s+(\S+)\s+(\S+)(?:\s+\[[^\]]*\])?\s+\$end", header):
            width, code, name = int(var.group(1)), var.group(2), var.group(3)
            if name in self.variables:
                raise VcdError("%s: two variables named %s" % (path, name))
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
