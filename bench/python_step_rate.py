#!/usr/bin/python3
"""Steps per second of a commanded flight stepped from Python (sc.Flight.step
with a bank and lift command each step), and of the environment's step.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_step_rate.py [STEPS]

The bird glides straight from 500 m at dt 0.001 s, far from any fault; the
best of 5 runs is reported (the machine is shared).
"""
import sys
import time

import soarcalculus as sc

steps = int(sys.argv[1]) if len(sys.argv) > 1 else 200_000
start = {"Z": 500.0, "V": 25.0, "CL": 0.37}

best = float("inf")
for _ in range(5):
    f = sc.Flight(start=start)
    step = f.step
    t0 = time.perf_counter()
    for _ in range(steps):
        if not step(0.001, bank=0.0, cl=0.37):
            raise SystemExit("the glide ended: " + f.fault)
    best = min(best, time.perf_counter() - t0)
print(f"Flight.step(dt, bank=, cl=): {steps / best:,.0f} steps/s ({best:.3f} s for {steps})")

best = float("inf")
n = steps // 10
for _ in range(5):
    env = sc.SoaringEnv(start=start, dt=0.001, substeps=1, max_steps=n + 1)
    env.reset()
    t0 = time.perf_counter()
    for _ in range(n):
        env.step((0.0, 0.37))
    best = min(best, time.perf_counter() - t0)
print(f"SoaringEnv.step(action):      {n / best:,.0f} steps/s")
