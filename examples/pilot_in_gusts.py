#!/usr/bin/python3
"""A feedback controller flies the optimal loop in gusty wind for ten minutes:
the program's albatross stepped from Python (sc.Flight), its bank and load
factor from the loop's own where the loop's heading is the bird's, plus a
spring and damper on what its height and climb rate miss of the loop's. The figure shows the energy
over time and where it came from (wind gradient, drag, gusts), and the track.

    /usr/bin/python3 examples/pilot_in_gusts.py                # docs/pilot-in-gusts.png
    /usr/bin/python3 examples/pilot_in_gusts.py --gusts 0.5 --minutes 10 --seed 4

Needs PYTHONPATH=build/python after `make python`, or `pip install .`.
"""
import argparse
import math
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import soarcalculus as sc  # noqa: E402

G = 9.8
# Lift over weight per unit CL is the dynamic pressure over the wing loading
# W_S 16/3.5^2 (N/m^2).
WING_LOADING = 107.8 * 16.0 / 3.5 ** 2


class LoopByHeading:
    """The solved loop looked up by its heading: the place in its cycle where
    the loop's heading is the bird's (the heading turns once per loop)."""

    def __init__(self, loop):
        self.x = np.asarray(loop.states)   # X, Y, Z, V, gamma, psi (rad)
        self.u = np.asarray(loop.controls)  # CL, bank (rad)
        psi = self.x[:, 5]
        self.psi0 = psi[0]
        self.turn = 1.0 if psi[-1] > psi[0] else -1.0
        # A heading that turns back for a moment keeps the furthest one.
        self.turned = np.maximum.accumulate((psi - self.psi0) * self.turn)

    def at(self, psi):
        within = ((psi - self.psi0) * self.turn) % (2.0 * math.pi)
        i = min(max(int(np.searchsorted(self.turned, within)), 1), len(self.turned) - 1)
        span = self.turned[i] - self.turned[i - 1]
        w = min(1.0, max(0.0, (within - self.turned[i - 1]) / span)) if span > 0 else 1.0
        return ((1 - w) * self.x[i - 1] + w * self.x[i], (1 - w) * self.u[i - 1] + w * self.u[i])


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--gusts", type=float, default=0.3, help="sigma_w, m/s (default 0.3)")
    ap.add_argument("--seed", type=int, default=11)
    ap.add_argument("--minutes", type=float, default=10.0)
    ap.add_argument("--wind-margin", type=float, default=1.4,
                    help="the wind over the loop's least (default 1.4)")
    ap.add_argument("--dt", type=float, default=0.01)
    ap.add_argument("--out", default="docs/pilot-in-gusts.png")
    a = ap.parse_args()

    # A loop that leaves the wing some lift (CL up to 1.2 of its 1.5) and the
    # lower wing tip a metre above the sea: room for the controller.
    loop = sc.optimise(profile="exponential", nodes=40, settings={"CL_max": 1.2, "tip_min": 1.0})
    if not loop.converged:
        raise SystemExit("the loop did not converge: " + loop.status)
    ref = LoopByHeading(loop)
    wind = loop.wind * a.wind_margin
    x0, u0 = ref.x[0], ref.u[0]
    start = {"X": x0[0], "Y": x0[1], "Z": x0[2], "V": x0[3], "gam_deg": math.degrees(x0[4]),
             "psi_deg": math.degrees(x0[5]), "mu_deg": math.degrees(u0[1]), "CL": u0[0]}
    f = sc.Flight({"U_ref": wind}, start=start, gusts=a.gusts, seed=a.seed)
    at = {n: i for i, n in enumerate(sc.STATE_FIELDS)}
    s = f.state  # a view: it follows the flight
    limits = f.limits

    # The loop's own bank and load factor where its heading is the bird's,
    # with lift added up across the path as a spring and damper on the height
    # and climb rate missed; the bank held to what keeps the lower tip 0.3 m
    # above the sea half a second on.
    k_height, k_climb, raise_by = 2.0, 2.0, 0.5  # 1/s^2, 1/s, m
    steps = int(a.minutes * 60.0 / a.dt)
    log = np.zeros((steps + 1, 8))
    wall = time.perf_counter()
    ended = ""
    for k in range(steps + 1):
        e = f.energy
        log[k] = (s[at["t"]], e["E"], e["dE_wind"], e["dE_drag"], e["dE_gust"], s[at["X"]],
                  s[at["Y"]], s[at["Z"]])
        if k == steps:
            break
        V, Z = float(s[at["V"]]), float(s[at["Z"]])
        gam = math.radians(s[at["gam_deg"]])
        xr, ur = ref.at(math.radians(s[at["psi_deg"]]))
        climb = V * math.sin(gam) + float(s[at["w_g"]])
        up = k_height * (xr[2] + raise_by - Z) + k_climb * (xr[3] * math.sin(xr[4]) - climb)
        n_ref = 0.5 * 1.22 * xr[3] ** 2 * ur[0] / WING_LOADING
        n_up = n_ref * math.cos(ur[1]) + up / G
        n_side = n_ref * math.sin(ur[1])
        q = 0.5 * 1.22 * V * V / WING_LOADING
        nz = min(math.hypot(n_up, n_side), 0.9 * limits["Nz_max"], 0.99 * limits["CL_max"] * q)
        room = (Z + min(0.0, climb) * 0.5 - 0.3) / limits["half_span"]
        bank_most = min(limits["bank_max"], math.degrees(math.asin(min(1.0, max(0.0, room)))))
        bank = max(-bank_most, min(bank_most, math.degrees(math.atan2(n_side, n_up))))
        if not f.step(a.dt, bank=bank, nz=nz):
            ended = f.fault
            e = f.energy
            log[k + 1] = (s[at["t"]], e["E"], e["dE_wind"], e["dE_drag"], e["dE_gust"],
                          s[at["X"]], s[at["Y"]], s[at["Z"]])
            log = log[:k + 2]
            break
    wall = time.perf_counter() - wall

    t, E = log[:, 0], log[:, 1]
    parts = {name: np.concatenate([[0.0], np.cumsum(0.5 * (log[1:, i] + log[:-1, i]) *
                                                    np.diff(t))])
             for name, i in (("wind gradient", 2), ("drag", 3), ("gusts", 4))}
    print(f"loop: least wind {loop.wind:.3f} m/s, period {loop.period:.2f} s; flown in "
          f"{wind:.3f} m/s with gusts sigma_w {a.gusts} m/s (seed {a.seed})")
    print(f"flew {t[-1]:.1f} s ({len(t) - 1} steps in {wall:.1f} s of Python)"
          + (f", then: {ended}" if ended else ""))
    print(f"energy {E[0]:.2f} m at the start, {E[-1]:.2f} m at the end "
          f"(least {E.min():.2f}, most {E.max():.2f}); gradient {parts['wind gradient'][-1]:+.1f},"
          f" drag {parts['drag'][-1]:+.1f}, gusts {parts['gusts'][-1]:+.1f} m")

    fig, (ax, ax2) = plt.subplots(1, 2, figsize=(12, 4.5), gridspec_kw={"width_ratios": [2, 1]})
    ax.plot(t, E - E[0], color="black", lw=1.2, label="energy E - E(0)")
    for (name, v), colour in zip(parts.items(), ("tab:blue", "tab:red", "tab:green")):
        ax.plot(t, v, color=colour, lw=0.9, label=f"from the {name}")
    ax.set_xlabel("flight time, s")
    ax.set_ylabel("specific energy, m")
    ax.set_title(f"Tracking the optimal loop: wind {wind:.2f} m/s "
                 f"({a.wind_margin:.2f} x the least), gusts sigma_w {a.gusts} m/s")
    ax.legend(loc="lower left", fontsize=8)
    ax.grid(alpha=0.3)
    ax2.plot(log[:, 5], log[:, 6], lw=0.3, color="tab:purple")
    ax2.set_aspect("equal")
    ax2.set_xlabel("X (downwind), m")
    ax2.set_ylabel("Y, m")
    ax2.set_title("ground track")
    fig.tight_layout()
    fig.savefig(a.out, dpi=110)
    print("figure:", a.out)


if __name__ == "__main__":
    main()
