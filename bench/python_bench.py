#!/usr/bin/env python3
"""The Python module against the C++ command-line host on one deck.

Run by hand after a Release build (not a test):

    PYTHONPATH=build/lib python3 bench/python_bench.py [--runs N] [DECK]

Without DECK it parses /tmp/d.kvx, generated first when missing with
`build/bin/gen_netlist 10 /tmp/d.kvx --include`. Each run times one parse
by `quarry-parse --format none --quiet DECK` (a fresh process: start-up,
module loading, parse and freeing the tree) and one by
`quarry_korvex3.parse(DECK)` with the result dropped (parse and freeing
the tree), alternating so that both see the same machine load, and prints
the best CPU and wall times of each and their ratio. Then it walks every
node of the tree with Node.walk() and prints the rate.
"""
import argparse
import gc
import os
import pathlib
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parents[1]
BUILD = pathlib.Path(os.environ.get("QUARRY_BUILD", ROOT / "build"))
sys.path.insert(0, str(BUILD / "lib"))

import quarry_korvex3 as qk  # noqa: E402


def cli_seconds(deck):
    """Wall and CPU seconds (user + system) of one quarry-parse run."""
    before, start = os.times(), time.perf_counter()
    done = subprocess.run([str(BUILD / "bin" / "quarry-parse"), "--format", "none", "--quiet", deck], check=False)
    wall, after = time.perf_counter() - start, os.times()
    if done.returncode not in (0, 1):
        sys.exit(f"quarry-parse failed with status {done.returncode}")
    cpu = (after.children_user - before.children_user) + (after.children_system - before.children_system)
    return wall, cpu


def python_seconds(deck):
    """Wall and CPU seconds of one parse in this process, the tree freed."""
    start, cpu = time.perf_counter(), time.process_time()
    result = qk.parse(deck)
    del result
    return time.perf_counter() - start, time.process_time() - cpu


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("deck", nargs="?", default="/tmp/d.kvx")
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    if not os.path.exists(args.deck):
        subprocess.run([str(BUILD / "bin" / "gen_netlist"), "10", args.deck, "--include"], check=True)
    size = sum(os.path.getsize(f) for f in qk.parse(args.deck).files)

    gc.disable()  # no collector pauses inside the timed parses
    cli, py = [], []
    for _ in range(args.runs):
        cli.append(cli_seconds(args.deck))
        py.append(python_seconds(args.deck))
    gc.enable()
    print(f"deck: {args.deck} with its includes, {size / 1e6:.1f} MB, best of {args.runs}")
    # CPU time is what the two do; wall time also shows what a loaded machine did to them.
    for what, index in (("CPU", 1), ("wall", 0)):
        c = min(t[index] for t in cli)
        p = min(t[index] for t in py)
        print(f"{what:>4}: C++ (quarry-parse --format none) {c * 1e3:7.1f} ms {size / c / 1e6:6.1f} MB/s | "
              f"Python (quarry_korvex3.parse) {p * 1e3:7.1f} ms {size / p / 1e6:6.1f} MB/s | "
              f"Python / C++ {p / c:.3f}")

    result = qk.parse(args.deck)
    best = None
    for _ in range(max(1, args.runs // 2)):
        cpu = time.process_time()
        count = 0
        for top in result.tree:
            for _node in top.walk():
                count += 1
        seconds = time.process_time() - cpu
        best = seconds if best is None else min(best, seconds)
    print(f"walk(): {count} nodes in {best * 1e3:.1f} ms CPU, {count / best / 1e6:.2f} M nodes/s")

if __name__ == "__main__":
    main()
