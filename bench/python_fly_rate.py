#!/usr/bin/python3
"""Rows per second of soarcalculus.fly against the command line's fly
writing its CSV to /dev/null: the module should add no measurable cost.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_fly_rate.py [PROGRAM] [TICKS]

Each is run 5 times, alternately; the best time of each is reported (the
machine is shared, so the best is the least disturbed). The upwind pattern at
dt 0.0001 s flies 679 s before it reaches the sea, longer than any run here.
"""
import os
import subprocess
import sys
import time

import soarcalculus as sc

here = os.path.dirname(os.path.abspath(__file__))
program = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "build", "soarcalculus")
ticks = int(sys.argv[2]) if len(sys.argv) > 2 else 2_000_000
args = ["--pattern", "upwind", "--ticks", str(ticks), "--dt", "0.0001"]

best_cli = best_py = float("inf")
for _ in range(5):
    t0 = time.perf_counter()
    subprocess.run([program, "fly", *args, "--csv", "/dev/null"], check=True,
                   stderr=subprocess.DEVNULL)
    best_cli = min(best_cli, time.perf_counter() - t0)
    t0 = time.perf_counter()
    rows = sc.fly("upwind", ticks, 0.0001)
    best_py = min(best_py, time.perf_counter() - t0)
    assert len(rows) == ticks
    del rows

cli_rate, py_rate = ticks / best_cli, ticks / best_py
print(f"{ticks} ticks, upwind, dt 0.0001 s (best of 5)")
print(f"command line, CSV to /dev/null: {best_cli:.3f} s, {cli_rate / 1e6:.3f} M rows/s")
print(f"soarcalculus.fly (NumPy array): {best_py:.3f} s, {py_rate / 1e6:.3f} M rows/s")
print(f"module / command line: {py_rate / cli_rate:.3f}")
