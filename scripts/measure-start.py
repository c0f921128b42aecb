#!/usr/bin/env python3
"""Starts the built desktop program on a folder database of 1,000,000 events
and reports its resident size (VmRSS) and the time to the painted week.

    scripts/measure-start.py [--build build] [--program PATH] [--runs 5] [--cold]

The database is the benchmarks' week-feed folder (bench_week_feed prepares
it, on the shared fixture of bench/EventsFixture), kept under
$TMPDIR/orbeko-start so that no other run's folder is touched. The program
runs headless with tests/support/StartProbe preloaded: it logs in as USER1,
on a clock set to the fixture's busiest week, and reports once the week is
painted. --cold evicts the database files from the page cache before each
start.
"""
import argparse
import os
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

WEEK_DAY = "2019-12-31"  # bench/WeekFeed.h: kWeekStart's week


def prepare(build, root):
    """The week-feed database under root, from the shared events fixture."""
    shared = pathlib.Path(tempfile.gettempdir()) / "orbeko-bench" / "events-1000000.Ism"
    own = root / "orbeko-bench"
    own.mkdir(parents=True, exist_ok=True)
    if shared.exists() and not (own / shared.name).exists():
        os.link(shared, own / shared.name)
    # Prepares the database, then runs no benchmark.
    subprocess.run([str(build / "bench" / "bench_week_feed"), "--benchmark_filter=^$"],
                   env={**os.environ, "TMPDIR": str(root)}, check=True, stdout=subprocess.DEVNULL)
    return own / "week-feed"


def evict(folder):
    for path in folder.glob("*.Ism"):
        fd = os.open(path, os.O_RDONLY)
        try:
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)


def start(program, probe, folder, scratch):
    env = {**os.environ, "QT_QPA_PLATFORM": "offscreen", "XDG_CONFIG_HOME": str(folder / "config"),
           "TMPDIR": str(scratch), "ORBEKO_PROBE_USER": "USER1", "LD_PRELOAD": str(probe), "ORBEKO_PROBE_DAY": WEEK_DAY}
    env["ORBEKO_PROBE_T0"] = str(time.monotonic_ns())
    done = subprocess.run([str(program)], env=env, capture_output=True, text=True, timeout=60)
    report = dict(re.findall(r"^probe: (\w+) (.*)$", done.stderr, re.M))
    if "painted" not in report:
        sys.exit(f"{program} did not paint the week:\n{done.stderr}")
    return float(report["painted"]), int(report["rss"].split()[0]) / 1024, report["libpq"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build", type=pathlib.Path)
    parser.add_argument("--program", type=pathlib.Path)
    parser.add_argument("--runs", default=5, type=int)
    parser.add_argument("--cold", action="store_true")
    args = parser.parse_args()
    build = args.build.resolve()
    program = (args.program or build / "src" / "orbeko").resolve()
    probe = build / "tests" / "support" / "liborbeko_startprobe.so"
    root = pathlib.Path(tempfile.gettempdir()) / "orbeko-start"
    folder = prepare(build, root)
    scratch = pathlib.Path(tempfile.mkdtemp(prefix="orbeko-start-tmp."))
    try:
        times, sizes = [], []
        for _ in range(args.runs):
            if args.cold:
                evict(folder / "data")
            painted, rss, libpq = start(program, probe, folder, scratch)
            times.append(painted)
            sizes.append(rss)
    finally:
        shutil.rmtree(scratch)
    load = os.getloadavg()
    print(f"{program}: {'cold' if args.cold else 'warm'} start, {args.runs} runs, load {load[0]:.2f} {load[1]:.2f}")
    print(f"  painted week: median {statistics.median(times):.1f} ms (min {min(times):.1f}, max {max(times):.1f})")
    print(f"  VmRSS: median {statistics.median(sizes):.1f} MB (min {min(sizes):.1f}, max {max(sizes):.1f}); libpq {libpq}")


if __name__ == "__main__":
    main()
