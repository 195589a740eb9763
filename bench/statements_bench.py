#!/usr/bin/env python3
"""Statements timed through the jex program itself, as a user's script runs them.

For every case an add file runs the same set-up (an annual workspace of 1999 observations,
1980 to 3978, and the input series), then N copies of one statement with addprint off; the
same file without the statements is the empty script of the same shape. The cost of one
statement is (CPU time of the full run - CPU time of the empty run) / N, user plus system
time of the child process as the kernel accounts it (wait4). Each figure is the median over
several runs, the runs of all cases interleaved so that a change of the machine's speed
touches every case alike.

Every statement stores into a name that the set-up already created, so each store rewrites
the series' record in the workspace bank file (written through) and leaves its index alone.

When gretlcli is found (Debian package gretl; a benchmark dependency only) the statements
with an equivalent in it run the same way through `gretlcli -b`, on a dataset of the same
shape, in the same run, and the ratios jex / peer are printed.

    bench/statements_bench.py --jex build-bench/app/jex [--runs 5] [--count 10000] [--peer-count 20000]
                              [--seconds 0.3] [--limit 1000000]
                              [--filter REGEX] [--markdown] [--baseline OTHER_JEX]

The counts are the least per script: a first run of each case raises them so that its
statements take about --seconds of CPU time (a statement of half a microsecond would
otherwise be a few milliseconds against a start-up that moves by tens under load).

With --baseline a second jex program (an earlier build) runs the same scripts in the same
run, interleaved with the first, and its figure and the ratio jex / baseline are printed
as well.
"""

import argparse
import math
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile

OBS = 1999
BASE = 1980
LAST = BASE + OBS - 1

JEX_CFG = f"""Name of workspace; ws.bnk
Name of workspace index; ws.ind
Name of default bank; 
Name of default bank index; 
Path to help files; x
Reserved for future use; x
Default regression limits; {BASE} {BASE} {LAST}
Default base year of workspace file; {BASE}
First month covered; 1
Default maximum number of observations per series in workspace; {OBS}
Add file to run at startup; 
"""

# (label, jex statement, the name it stores, gretl statement or None[, a command run before
# the statements in both scripts]). Targets are created by the set-up, so every timed
# statement replaces an existing series. The frequency conversions run with the f dates off
# (dates would fix one frequency for the result).
CASES = [
    ("f arithmetic", "f y = x * 2 + t", "y", "series y = x * 2 + t"),
    ("f copy", "f y = x", "y", "series y = x"),
    ("@hpfilter", "f h = @hpfilter(x, 100)", "h", "series h = hpfilt(x, 100)"),
    ("@prescott", "f h = @prescott(x, 100)", "h", "series h = hpfilt(x, 100)"),
    ("@pcl", "f lv = @pcl(x, g)", "lv", "series lv = ok(lv(-1)) ? lv(-1) * (1 + g / 100) : x"),
    ("@ma", "f m5 = @ma(x, 5)", "m5", "series m5 = movavg(x, 5)"),
    ("@mean", f"f m = @mean(x, {BASE}, {LAST})", "m", "series m = mean(x)"),
    ("@pct", "f p = @pct(x)", "p", "series p = 100 * diff(x) / x(-1)"),
    ("@gr", "f p = @gr(x)", "p", "series p = 100 * diff(x) / x(-1)"),
    ("@yoy", "f p = @yoy(x)", "p", "series p = 100 * diff(x) / x(-1)"),
    ("@d", "f dx = @d(x)", "dx", "series dx = diff(x)"),
    ("@diff", "f dx = @diff(x)", "dx", "series dx = diff(x)"),
    ("@dlog", "f dx = @dlog(x)", "dx", "series dx = ldiff(x)"),
    ("@log", "f lx = @log(x)", "lx", "series lx = log(x)"),
    ("@exp", "f lx = @exp(t)", "lx", "series lx = exp(t)"),
    ("@sqrt", "f lx = @sqrt(x)", "lx", "series lx = sqrt(x)"),
    ("@sq", "f lx = @sq(x)", "lx", "series lx = x ^ 2"),
    ("@pow", "f lx = @pow(x, 2)", "lx", "series lx = x ^ 2"),
    ("@fabs", "f lx = @fabs(g)", "lx", "series lx = abs(g)"),
    ("@sign", "f lx = @sign(g)", "lx", "series lx = sgn(g)"),
    ("@sin", "f lx = @sin(x)", "lx", "series lx = sin(x)"),
    # Arguments from 2^25 to 2^118 (the reduction by pi on integers).
    ("@sin large", "f lx = @sin(z)", "lx", None, "f z = @exp(x / 25) * 1000000"),
    ("@round", "f lx = @round(x, 2)", "lx", "series lx = round(x * 100) / 100"),
    ("@if", "f lx = @if(x > 500, x, 0)", "lx", "series lx = x > 500 ? x : 0"),
    ("@ifpos", "f lx = @ifpos(g)", "lx", "series lx = g > 0"),
    ("@pos", "f lx = @pos(g)", "lx", "series lx = g > 0 ? g : 0"),
    ("@zero", "f lx = @zero(g)", "lx", None),
    ("@miss", "f lx = @miss(g)", "lx", "series lx = missing(g)"),
    ("@lint", "f lx = @lint(x)", "lx", None),
    ("@rand", "f lx = @rand()", "lx", "series lx = uniform()"),
    ("@normal", "f lx = @normal()", "lx", "series lx = normal()"),
    ("@sum", "f s = @sum(x)", "s", "series s = sum(x)"),
    ("@max", "f s = @max(x)", "s", "series s = max(x)"),
    ("@min", "f s = @min(x)", "s", "series s = min(x)"),
    ("@stdev", f"f s = @stdev(x, {BASE}, {LAST})", "s", "series s = sd(x)"),
    ("@ggr", f"f s = @ggr(x, {BASE}, {LAST})", "s", None),
    ("@cum", "f s = @cum(k, t, 0.1)", "s", None),
    ("@peak", "f s = @peak(pk, x, 0.1)", "s", None),
    ("@agg", "f s = @agg(o1)", "s", "series s = o11 + o12 + o13"),
    ("@csum", "f s = @csum(o1, 1-3)", "s", "series s = o11 + o12 + o13"),
    ("@bmk", "f s = @bmk(x, t)", "s", None),
    ("@interp", "f s = @interp(tab, t)", "s", None),
    ("@pchain", f"f s = @pchain(q1, q2, p1, p2, {BASE})", "s", None),
    ("@qchain", f"f s = @qchain(q1, q2, p1, p2, {BASE})", "s", None),
    ("@pchwt", f"f s = @pchwt(v1, v2, q1, q2, {BASE})", "s", None),
    ("@qchwt", f"f s = @qchwt(v1, v2, q1, q2, {BASE})", "s", None),
    ("@atoq", "f s = @atoq(a4)", "s", None, "fdates off"),
    ("@atoqe", "f s = @atoqe(a4)", "s", None, "fdates off"),
    ("@atoqi", "f s = @atoqi(a4, xq)", "s", None, "fdates off"),
    ("@stoq", "f s = @stoq(xs)", "s", None, "fdates off"),
    ("@qtom", "f s = @qtom(xq)", "s", None, "fdates off"),
    ("@qtome", "f s = @qtome(xq)", "s", None, "fdates off"),
]
for _name in ["qtoa", "qtoae", "qtoamax", "qtoamin", "qtoas", "qtos", "qtose", "qtosmax", "qtosmin", "qtoss"]:
    CASES.append((f"@{_name}", f"f s = @{_name}(xq)", "s", None, "fdates off"))
for _name in ["mtoa", "mtoae", "mtoamax", "mtoamin", "mtoas", "mtoq", "mtoqe", "mtoqmax", "mtoqmin", "mtoqs"]:
    CASES.append((f"@{_name}", f"f s = @{_name}(xm)", "s", None, "fdates off"))


def values():
    return [100 + 0.8 * i + 5 * math.sin(0.07 * i) for i in range(OBS)]


def jex_setup():
    lines = [f"data x {BASE}"]
    v = values()
    for k in range(0, OBS, 8):
        lines.append(" ".join("%.4f" % a for a in v[k:k + 8]))
    lines.append(";")
    lines += [
        "f t = x / 100", "f g = 2 + @sin(x)",
        "f q1 = x", "f q2 = x * 1.5 - t", "f p1 = 1 + t / 10", "f p2 = 2 - t / 1000",
        "f v1 = q1 * p1", "f v2 = q2 * p2",
        "f o11 = x", "f o12 = t", "f o13 = g",
        # Quarterly, semiannual and monthly inputs for the frequency conversions: a series
        # of a quarter of the span (annual, interpolated to quarters) and its conversions.
        f"fdates {BASE} {BASE + OBS // 4 - 1}", "f a4 = x", "fdates off", "f xq = @atoq(a4)", "f xs = @qtos(xq)", "f xm = @qtom(xq)",
        f"fdates {BASE} {LAST}",
        "f k = x", "f pk = x",
        "dos printf '0 0\\n1 100\\n2 400\\n30 900\\n' > tab",
    ]
    # Every target once, so the timed statements store into existing names.
    for target in sorted({c[2] for c in CASES}):
        lines.append(f"f {target} = 0")
    return lines


def gretl_setup():
    return [
        "set messages off", "set echo off",
        f"nulldata {OBS}", f"setobs 1 {BASE} --time-series",
        "series x = 100 + 0.8 * (index - 1) + 5 * sin(0.07 * (index - 1))",
        "series t = x / 100", "series g = 2 + sin(x)",
        "series o11 = x", "series o12 = t", "series o13 = g",
        "series y = 0", "series h = 0", "series lv = x", "series m5 = 0", "series m = 0",
        "series p = 0", "series dx = 0", "series lx = 0", "series s = 0",
    ]


def write(path, lines):
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def cputime(argv, cwd):
    """Runs argv in cwd with output discarded; returns the child's user + system seconds."""
    with open(os.devnull, "rb") as devnull_in, open(os.devnull, "wb") as devnull_out:
        p = subprocess.Popen(argv, cwd=cwd, stdin=devnull_in, stdout=devnull_out, stderr=devnull_out)
        _, status, usage = os.wait4(p.pid, 0)
        p.returncode = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime


def check(argv, cwd, words):
    run = subprocess.run(argv, cwd=cwd, stdin=subprocess.DEVNULL, capture_output=True, text=True)
    out = run.stdout
    if run.returncode != 0:
        sys.exit(f"{' '.join(argv)} in {cwd}: exit status {run.returncode}:\n{run.stderr[-2000:]}")
    for w in words:
        if re.search(w, out):
            sys.exit(f"{' '.join(argv)} in {cwd}: output holds {w!r}:\n{out[-2000:]}")
    return out


class Case:
    def __init__(self, root, label, statement, target, peer, prelude=None, *, count, peer_count, gretl):
        self.label, self.statement, self.peer = label, statement, peer
        slug = re.sub(r"[^a-z0-9]+", "_", label.lower()).strip("_")
        self.dir = os.path.join(root, slug)
        os.mkdir(self.dir)
        write(os.path.join(self.dir, "jex.cfg"), JEX_CFG.splitlines())
        setup = jex_setup() + ([prelude] if prelude else []) + ["addprint n"]
        write(os.path.join(self.dir, "full.add"), setup + [statement] * count)
        write(os.path.join(self.dir, "empty.add"), setup)
        # The check prints the result (for annual results: print dates of another frequency
        # are refused) and is searched for error messages.
        self.printed = prelude is None
        write(os.path.join(self.dir, "check.add"),
              setup + [statement, statement] + ([f"print {target}"] if self.printed else []))
        self.setup = setup
        self.jex_times = []
        self.base_times = []
        self.peer_times = []
        self.count = count
        self.peer_count = peer_count
        self.gretl = gretl if peer else None
        if self.gretl:
            write(os.path.join(self.dir, "full.inp"), gretl_setup() + [peer] * peer_count)
            write(os.path.join(self.dir, "empty.inp"), gretl_setup())
            write(os.path.join(self.dir, "check.inp"), gretl_setup() + [peer, f"print {target} --byobs"])

    def calibrate(self, jex, seconds, limit):
        """Scales the statement counts so that the statements of a full run take about the
        given CPU seconds: a cheap statement then stands well above the noise of the program's
        start, which under load moves by tens of milliseconds."""
        def scaled(count, per):
            if per <= 0:
                return limit
            return max(count, min(limit, int(seconds / per)))
        full = cputime([jex, "full.add"], self.dir)
        empty = cputime([jex, "empty.add"], self.dir)
        self.count = scaled(self.count, (full - empty) / self.count)
        write(os.path.join(self.dir, "full.add"), self.setup + [self.statement] * self.count)
        if self.gretl:
            full = cputime([self.gretl, "-b", "full.inp"], self.dir)
            empty = cputime([self.gretl, "-b", "empty.inp"], self.dir)
            self.peer_count = scaled(self.peer_count, (full - empty) / self.peer_count)
            write(os.path.join(self.dir, "full.inp"), gretl_setup() + [self.peer] * self.peer_count)

    def check(self, jex):
        out = check([jex, "check.add"], self.dir,
                    [r"[Ee]rror", r"can't be found", r"Unable to", r"not a recognized", r"not available"])
        if self.printed and not re.search(rf"^ {BASE} ", out, re.M):
            sys.exit(f"{self.label}: the statement did not run:\n{out[-2000:]}")
        if self.gretl:
            check([self.gretl, "-b", "check.inp"], self.dir, [r"[Ee]rror", r"not defined"])

    def run(self, jex, baseline=None):
        full = cputime([jex, "full.add"], self.dir)
        empty = cputime([jex, "empty.add"], self.dir)
        self.jex_times.append((full - empty) / self.count)
        if baseline:
            full = cputime([baseline, "full.add"], self.dir)
            empty = cputime([baseline, "empty.add"], self.dir)
            self.base_times.append((full - empty) / self.count)
        if self.gretl:
            full = cputime([self.gretl, "-b", "full.inp"], self.dir)
            empty = cputime([self.gretl, "-b", "empty.inp"], self.dir)
            self.peer_times.append((full - empty) / self.peer_count)


def us(seconds):
    return "%.1f us" % (seconds * 1e6)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--jex", default="build-bench/app/jex")
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--count", type=int, default=10000, help="statements per full jex script")
    ap.add_argument("--peer-count", type=int, default=20000,
                    help="statements per full gretl script (its start-up varies by tens of ms)")
    ap.add_argument("--seconds", type=float, default=0.3,
                    help="CPU seconds the statements of a full run should take: the counts of the "
                         "cheaper cases are raised to it (at most --limit); 0 keeps the counts")
    ap.add_argument("--limit", type=int, default=1000000, help="most statements per script")
    ap.add_argument("--filter", default="", help="regular expression on the case labels")
    ap.add_argument("--no-peer", action="store_true")
    ap.add_argument("--markdown", action="store_true")
    ap.add_argument("--baseline", default=None, help="an earlier jex program timed in the same run")
    args = ap.parse_args()
    jex = os.path.abspath(args.jex)
    baseline = os.path.abspath(args.baseline) if args.baseline else None
    gretl = None if args.no_peer else shutil.which("gretlcli")
    root = tempfile.mkdtemp(prefix="jexstmts")
    try:
        cases = [Case(root, *c, count=args.count, peer_count=args.peer_count, gretl=gretl)
                 for c in CASES if re.search(args.filter, c[0])]
        for c in cases:
            c.check(jex)
            if baseline:
                c.check(baseline)
            if args.seconds > 0:
                c.calibrate(jex, args.seconds, args.limit)
        for _ in range(args.runs):
            for c in cases:
                c.run(jex, baseline)
    finally:
        shutil.rmtree(root)
    load = os.getloadavg()[0]
    counts = f"{args.count} statements per jex script, {args.peer_count} per peer script"
    if args.seconds > 0:
        counts = (f"statements per script raised from {args.count} (jex) and {args.peer_count} (peer) "
                  f"towards {args.seconds} s of CPU time, at most {args.limit}")
    print(f"{OBS} observations, {counts}, medians of {args.runs} runs, "
          f"CPU time per statement; load average {load:.1f}; peer: {gretl or 'none'}")
    budget = 3e-6 + 10e-9 * OBS
    if args.markdown:
        if baseline:
            print("\n| statement | baseline | jex | jex / baseline | peer | jex / peer |\n|---|---|---|---|---|---|")
        else:
            print("\n| statement | jex | peer | jex / peer |\n|---|---|---|---|")
    for c in cases:
        j = statistics.median(c.jex_times)
        over = " (over 3 us + 10 ns/obs)" if j > budget else ""
        if c.peer_times:
            p = statistics.median(c.peer_times)
            ratio = statistics.median([a / b for a, b in zip(c.jex_times, c.peer_times)]) if p > 0 else float("nan")
            peer, rt = us(p), "%.2f" % ratio
        else:
            peer, rt = "-", "-"
        if baseline:
            b = statistics.median(c.base_times)
            change = statistics.median([a / o for a, o in zip(c.jex_times, c.base_times) if o > 0] or [float("nan")])
            if args.markdown:
                print(f"| `{c.statement}` | {us(b)} | {us(j)}{over} | {change:.2f} | {peer} | {rt} |")
            else:
                print(f"{c.statement:45s} {us(b):>10s} {us(j):>10s}{over:>26s} {change:6.2f} {peer:>10s} {rt:>6s}")
        elif args.markdown:
            print(f"| `{c.statement}` | {us(j)}{over} | {peer} | {rt} |")
        else:
            print(f"{c.statement:45s} {us(j):>10s}{over:>26s} {peer:>10s} {rt:>6s}")


if __name__ == "__main__":
    main()
