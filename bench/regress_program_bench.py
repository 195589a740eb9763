#!/usr/bin/env python3
"""One regression (k = 2, 1999 annual observations) timed through the jex program.

An add file makes x1 = @rand(), e = @normal() and y from them over 1980-3978, sets zip on and
limits 1980 3978 3978, then runs `do { r y = x1 } (1-N)`; the same file with an empty loop
body is the baseline. The cost of a regression is the child's CPU time (user plus system, as
the kernel accounts it at wait4, which is what /usr/bin/time prints) of the full run minus
that of the empty run, over N, from the medians of the runs. Several programs given with
--jex run alternately, so that they share the machine's load; results go to /dev/null.

    bench/regress_program_bench.py --jex build-bench/app/jex [--jex other/jex] [--runs 15]
"""
import argparse
import os
import statistics
import tempfile

BASE, LAST, OBS = 1980, 3978, 1999

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


def script(body, count):
    return "\n".join([
        "addprint n",
        f"fdates {BASE} {LAST}",
        "f x1 = @rand()",
        "f e = @normal()",
        "f y = 2 + 3*x1 + e",
        "zip yes",
        f"limits {BASE} {LAST} {LAST}",
        f"do {{ {body} }} (1-{count})",
        "",
    ])


def cputime(jex, addfile, folder):
    for stem in ("ws.bnk", "ws.ind", "ws.inj"):
        path = os.path.join(folder, stem)
        if os.path.exists(path):
            os.remove(path)
    pid = os.fork()
    if pid == 0:
        os.chdir(folder)
        null = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(null, fd)
        os.execv(jex, [jex, addfile])
    _, status, usage = os.wait4(pid, 0)
    if status != 0:
        raise SystemExit(f"{jex} ended with status {status}")
    return usage.ru_utime + usage.ru_stime


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--jex", action="append", required=True, help="a jex program (repeatable)")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--count", type=int, default=4000, help="regressions per run")
    args = parser.parse_args()
    programs = [os.path.abspath(j) for j in args.jex]
    with tempfile.TemporaryDirectory(prefix="jexregressbench") as folder:
        with open(os.path.join(folder, "jex.cfg"), "w") as f:
            f.write(JEX_CFG)
        with open(os.path.join(folder, "full.add"), "w") as f:
            f.write(script("r y = x1", args.count))
        with open(os.path.join(folder, "empty.add"), "w") as f:
            f.write(script("", args.count))
        times = {j: ([], []) for j in programs}
        for _ in range(args.runs):
            for j in programs:
                times[j][0].append(cputime(j, "full.add", folder))
                times[j][1].append(cputime(j, "empty.add", folder))
        for j in programs:
            full, empty = (statistics.median(t) for t in times[j])
            print(f"{j}: full {full:.3f} s, empty {empty:.3f} s, "
                  f"{(full - empty) / args.count * 1e6:.1f} us per regression")


if __name__ == "__main__":
    main()
