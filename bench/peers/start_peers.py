#!/usr/bin/python3
"""The program's start beside a bare Qt window, interleaved on one core.

    start_peers.py BUILD_DIR [--cpu N] [--rounds R] [--runs K]

Each round starts, pinned to the same core and one after the other, K
times the program (in app_bench's start-up folder with its 1,000-row
invoice as the program saved it at its previous exit, closing itself once
its main window is painted) and K times the
peer (bench/peers/bare_qt_window: a maximized bare Qt window, closed once
painted). Every start is a new process, timed from fork to exit; the peak
resident size comes from wait4. Printed: medians, minimum and maximum of
each side and the ratio program/peer (the goal: at most 1.2).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import time

FOLDER = "/tmp/pricetags-main-bench"


def start(argv, env):
    """Milliseconds from fork to exit and the peak resident MiB of one start."""
    saved = os.path.join(FOLDER, "LastInvoice.inv.bench")
    if os.path.exists(saved):
        shutil.copy(saved, os.path.join(FOLDER, "LastInvoice.inv"))
    began = time.perf_counter()
    pid = os.fork()
    if pid == 0:
        os.chdir(FOLDER)
        null = os.open(os.devnull, os.O_WRONLY)
        os.dup2(null, 1)
        os.dup2(null, 2)
        try:
            os.execve(argv[0], argv, env)
        finally:
            os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    elapsed = (time.perf_counter() - began) * 1000
    if os.waitstatus_to_exitcode(status) != 0:
        raise SystemExit("%s ended with status %d" % (argv[0], status))
    return elapsed, usage.ru_maxrss / 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--cpu", type=int, default=1)
    parser.add_argument("--rounds", type=int, default=8)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    os.sched_setaffinity(0, {args.cpu})
    # app_bench makes the start-up folder and its saved invoice.
    subprocess.run([os.path.join(build, "bench", "app_bench"),
                    "--benchmark_filter=^BM_ProgramStartToExit$", "--benchmark_min_time=0.01"],
                   check=True, capture_output=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", PRICETAGS_QUIT_AFTER_MS="1")
    sides = {"program": [os.path.join(build, "app", "pricetags")],
             "peer": [os.path.join(build, "bench", "bare_qt_window")]}
    times = {side: [] for side in sides}
    rss = {side: [] for side in sides}
    for _ in range(args.rounds):
        for side, argv in sides.items():
            for _ in range(args.runs):
                ms, mib = start(argv, env)
                times[side].append(ms)
                rss[side].append(mib)
    print("core %d, %d rounds of %d starts, load average %.1f"
          % (args.cpu, args.rounds, args.runs, os.getloadavg()[0]))
    for side in sides:
        t = sorted(times[side])
        print("%-8s median %6.1f ms  min %6.1f  max %6.1f  peak RSS median %.1f MiB"
              % (side, statistics.median(t), t[0], t[-1], statistics.median(rss[side])))
    print("ratio program/peer (medians): %.2f"
          % (statistics.median(times["program"]) / statistics.median(times["peer"])))


if __name__ == "__main__":
    main()
