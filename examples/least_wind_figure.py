#!/usr/bin/python3
"""The least wind a bird needs to soar against its wing loading and its best
glide ratio: a sweep of optimal-loop solves (or of the energy-neutral wind of
a pattern), plotted as one line per glide ratio.

    /usr/bin/python3 examples/least_wind_figure.py                 # here
    /usr/bin/python3 examples/least_wind_figure.py --scheduler tcp://head:8786
    /usr/bin/python3 examples/least_wind_figure.py --what energy-neutral-wind

With --scheduler the solves are mapped over that dask.distributed cluster
(every worker needs soarcalculus installed); the rows are those of a local
run. --csv keeps the sweep's file: run again, it computes only the points it
lacks. Needs PYTHONPATH=build/python after `make python`, or `pip install .`.
"""
import argparse
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import soarcalculus as sc  # noqa: E402


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--what", choices=["optimise", "energy-neutral-wind"], default="optimise")
    ap.add_argument("--loading", default="90:180:7",
                    help="wing loading START:STOP:COUNT, N/m^2 (default 90:180:7)")
    ap.add_argument("--glide-ratio", default="20:35:4",
                    help="best glide ratio START:STOP:COUNT (default 20:35:4)")
    ap.add_argument("--profile", default="log", help="optimise: exponential, linear or log")
    ap.add_argument("--held", action="store_true",
                    help="optimise: hold the loop to its start point over the ground (by "
                         "default it may travel, the cycle of a bird on passage)")
    ap.add_argument("--pattern", default="downwind", help="energy-neutral-wind: the pattern")
    ap.add_argument("--scheduler", help="a dask.distributed scheduler's address")
    ap.add_argument("--jobs", type=int, default=0, help="local worker processes (0: all cores)")
    ap.add_argument("--csv", help="the sweep's file (kept, and resumed from)")
    ap.add_argument("--out", default="least-wind.png", help="the figure (PNG)")
    a = ap.parse_args()

    # The wing loading in N/m^2 (the sweep sets W_S from it: W_S is not the
    # loading itself, which the lift coefficient reads as W_S x 16/3.5^2).
    grid = {"wing_loading": a.loading, "glide_ratio": a.glide_ratio}
    kw = dict(what=a.what, csv=a.csv, jobs=a.jobs)
    if a.what == "optimise":
        kw.update(profile=a.profile, nodes=50, settings={"travel": 0 if a.held else 1})
    else:
        kw.update(pattern=a.pattern, cycles=10)

    client = None
    if a.scheduler:
        from distributed import Client
        client = Client(a.scheduler)
    t0 = time.monotonic()
    r = sc.sweep(grid, client=client, progress=lambda done, total: print(
        f"\r{done} of {total} points", end="", flush=True), **kw)
    print(f"\n{len(r)} points in {time.monotonic() - t0:.1f} s "
          f"({'cluster ' + a.scheduler if client else 'here'})")

    wind = r.grid("wind_10m" if a.what == "optimise" else "U_10m")
    loading = r.grid("wing_loading")[:, 0]
    ratios = r.grid("glide_ratio")[0]
    fig, ax = plt.subplots(figsize=(7.4, 4.4), dpi=100)
    for j, ld in enumerate(ratios):
        ax.plot(loading, wind[:, j], "o-", label=f"L/D {ld:g}")
    ax.set_xlabel("wing loading W/S, N/m$^2$")
    ax.set_ylabel("least wind at 10 m, m/s")
    if a.what == "optimise":
        loop = "held to its start" if a.held else "travelling"
        ax.set_title(f"Least wind of the optimal loop ({loop}, {a.profile} profile)")
    else:
        ax.set_title(f"Energy-neutral wind of the {a.pattern} pattern")
    ax.grid(True, alpha=0.3)
    ax.legend(title="best glide ratio", loc="upper left", bbox_to_anchor=(1.01, 1.0))
    fig.tight_layout()
    fig.savefig(a.out)
    print(f"figure written to {a.out}")
    missing = np.isnan(wind).sum()
    if missing:
        print(f"{missing} points without a loop (status: see the CSV)")


if __name__ == "__main__":
    main()
