#!/usr/bin/python3
"""Price tags to PDF, the program beside ReportLab, on one core.

    print_peers.py BUILD_DIR [--cpu N] [--rounds R] [--tags 1000,10000]

Each round runs, pinned to the same core and one after the other, the
program's BM_TagsToPdf (three passes in one process, and its cold first
run in a new process) and the peer (tags_reportlab.py, three passes in one
process; its first pass registers the fonts). Printed: a table of the
medians over the rounds, the ratio peer/program (above 1: the program is
faster) and each round's figures, so a round disturbed by other work on
the machine shows.
"""

import argparse
import json
import os
import statistics
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PASSES = 3


def program(build, cpu, tags):
    out = subprocess.run(
        ["taskset", "-c", str(cpu), os.path.join(build, "bench", "reports_bench"),
         "--benchmark_filter=^BM_TagsToPdf/%d/" % tags, "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    run = json.loads(out)["benchmarks"][0]
    scale = {"ms": 1e-3, "s": 1.0, "us": 1e-6, "ns": 1e-9}[run["time_unit"]]
    return {"warm_s": run["real_time"] * scale, "cold_s": run["cold_first_ms"] / 1000,
            "rss_mib": run["max_rss_MiB"], "pages": run["pages"]}


def peer(cpu, tags, pdf):
    out = subprocess.run(
        ["taskset", "-c", str(cpu), "/usr/bin/python3", os.path.join(HERE, "tags_reportlab.py"),
         str(tags), str(PASSES), pdf], check=True, capture_output=True, text=True).stdout
    runs = [json.loads(line) for line in out.splitlines() if line.startswith("{")]
    return {"warm_s": statistics.mean(r["seconds"] for r in runs), "cold_s": runs[0]["seconds"],
            "rss_mib": runs[-1]["max_rss_mib"], "pages": runs[-1]["pages"]}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--cpu", type=int, default=1)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--tags", default="1000,10000")
    args = parser.parse_args()
    sizes = [int(t) for t in args.tags.split(",")]
    figures = {(t, who): [] for t in sizes for who in ("program", "peer")}
    with tempfile.TemporaryDirectory() as tmp:
        pdf = os.path.join(tmp, "peer.pdf")
        for rnd in range(args.rounds):
            for tags in sizes:
                p = program(args.build, args.cpu, tags)
                q = peer(args.cpu, tags, pdf)
                if p["pages"] != q["pages"]:
                    raise SystemExit("pages differ: program %d, peer %d" % (p["pages"], q["pages"]))
                figures[(tags, "program")].append(p)
                figures[(tags, "peer")].append(q)
                print("round %d, %d tags: program %.3f s (cold %.3f s), ReportLab %.3f s (cold %.3f s)"
                      % (rnd + 1, tags, p["warm_s"], p["cold_s"], q["warm_s"], q["cold_s"]))
    print()
    print("core %d, %d rounds, medians" % (args.cpu, args.rounds))
    print("| tags | program | ReportLab | ratio | program cold | ReportLab cold | ratio | RSS MiB program / ReportLab |")
    print("|---|---|---|---|---|---|---|---|")
    for tags in sizes:
        med = {who: {k: statistics.median(f[k] for f in figures[(tags, who)])
                     for k in ("warm_s", "cold_s", "rss_mib")} for who in ("program", "peer")}
        p, q = med["program"], med["peer"]
        print("| %d | %.3f s | %.3f s | %.2f | %.3f s | %.3f s | %.2f | %.0f / %.0f |"
              % (tags, p["warm_s"], q["warm_s"], q["warm_s"] / p["warm_s"], p["cold_s"],
                 q["cold_s"], q["cold_s"] / p["cold_s"], p["rss_mib"], q["rss_mib"]))


if __name__ == "__main__":
    main()
