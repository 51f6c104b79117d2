#!/usr/bin/python3
"""Start-up time of quillery against a bare Qt window with one QScintilla editor.

Both programs are started alternately, each time with a fresh, empty home
folder (no stored settings), and timed from just before the process is started
to the moment it reports "idle": its window is on screen and the event loop
has nothing left to do (QUILLERY_QUIT_WHEN_IDLE for quillery; the reference
always does it). The time to the process's exit is shown as well, and the
processor time of the whole process (user + system, to its exit), which a busy
machine disturbs less than the wall-clock times.

    bench/startup.py [--quick] [--runs N] [--build DIR] [--limit RATIO]

--quick takes 5 pairs of runs instead of 15. Besides the figures, it prints
the goal row of the benches' common table (see bench/GoalRow.h):
    GOAL<TAB>case<TAB>figure<TAB>reference<TAB>ratio<TAB>goal<TAB>met|NOT MET
Exits 1 when the ratio of the medians (to idle) is above the limit.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def run_once(program):
    home = tempfile.mkdtemp(prefix="quillery-startup-")
    env = dict(os.environ)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"),
               XDG_RUNTIME_DIR=home, QUILLERY_QUIT_WHEN_IDLE="1")
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    try:
        start = time.perf_counter()
        process = subprocess.Popen([program], env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, cwd=home)
        line = process.stdout.readline()
        idle = time.perf_counter()
        process.stdout.read()
        _, status, usage = os.wait4(process.pid, 0)
        end = time.perf_counter()
        process.returncode = code = os.waitstatus_to_exitcode(status)
    finally:
        shutil.rmtree(home, ignore_errors=True)
    if line.strip() != b"idle" or code != 0:
        sys.exit(f"{program} did not report idle (exit code {code})")
    return (idle - start) * 1000, (end - start) * 1000, (usage.ru_utime + usage.ru_stime) * 1000


def goal_row(case, figure, reference, unit, most_ratio):
    """One ratio row, in the columns and formats of GoalRow::Ratio."""
    ratio = figure / reference if reference > 0 else 0
    met = reference > 0 and ratio <= most_ratio
    print(f"GOAL\t{case}\t{figure:.1f} {unit}\t{reference:.1f} {unit}\t{ratio:.2f}x"
          f"\t<= {most_ratio:.2f}x\t{'met' if met else 'NOT MET'}", flush=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true", help="5 pairs of runs")
    parser.add_argument("--runs", type=int, default=None)
    parser.add_argument("--build", default=os.path.join(here, "..", "build-bench-rel"))
    parser.add_argument("--limit", type=float, default=1.3)
    args = parser.parse_args()
    if args.runs is None:
        args.runs = 5 if args.quick else 15
    # Absolute: each program starts in its own temporary folder.
    build = os.path.abspath(args.build)
    programs = {"quillery": os.path.join(build, "quillery"),
                "reference": os.path.join(build, "bench", "startup_reference")}

    for program in programs.values():  # warm the file cache; not counted
        run_once(program)
    times = {name: [] for name in programs}
    for _ in range(args.runs):
        for name, program in programs.items():
            times[name].append(run_once(program))

    medians, cpu = {}, {}
    for name, runs in times.items():
        medians[name] = statistics.median(t[0] for t in runs)
        to_exit = statistics.median(t[1] for t in runs)
        cpu[name] = statistics.median(t[2] for t in runs)
        print(f"{name:10} to idle: median {medians[name]:7.1f} ms "
              f"(min {min(t[0] for t in runs):.1f}, max {max(t[0] for t in runs):.1f}); "
              f"to exit: median {to_exit:.1f} ms; processor: median {cpu[name]:.1f} ms "
              f"[{args.runs} runs]")
    ratio = medians["quillery"] / medians["reference"]
    print(f"ratio quillery/reference, processor time: {cpu['quillery'] / cpu['reference']:.2f}")
    print(f"ratio quillery/reference, to idle: {ratio:.2f} (limit {args.limit})")
    goal_row("start-up to idle, against a bare QScintilla window", medians["quillery"],
             medians["reference"], "ms", args.limit)
    return 0 if ratio <= args.limit else 1


if __name__ == "__main__":
    sys.exit(main())
