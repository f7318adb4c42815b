#!/usr/bin/python3
"""A feedback controller flies the optimal loop in gusty wind for ten minutes:
the program's albatross stepped from Python (sc.Flight), its bank and load
factor from the loop's own plus a spring and damper on what its place and
velocity miss of the loop's, across the path. The figure shows the energy
over time and where it came from (wind gradient, drag, gusts), and the track.

    /usr/bin/python3 examples/pilot_in_gusts.py                # docs/pilot-in-gusts.png
    /usr/bin/python3 examples/pilot_in_gusts.py --gusts 1.5 --minutes 10 --seed 4

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


class LoopReference:
    """The solved loop at any time: its node states and controls, linearly
    between the nodes, repeating every period (the heading a turn on)."""

    def __init__(self, loop):
        self.loop = loop
        self.T = loop.period
        self.t = np.asarray(loop.t)
        self.x = np.asarray(loop.states)
        self.u = np.asarray(loop.controls)
        self.turn = self.x[-1, 5] - self.x[0, 5]

    def at(self, t):
        k, tau = divmod(t, self.T)
        x = np.array([np.interp(tau, self.t, self.x[:, i]) for i in range(6)])
        u = np.array([np.interp(tau, self.t, self.u[:, i]) for i in range(2)])
        x[5] += k * self.turn
        return x, u


def directions(gam, psi):
    """Along the path, up across it, and the side a positive bank turns to."""
    sg, cg, sp, cp = math.sin(gam), math.cos(gam), math.sin(psi), math.cos(psi)
    return (np.array([-cg * cp, cg * sp, sg]), np.array([sg * cp, -sg * sp, cg]),
            np.array([sp, cp, 0.0]))


def ground_velocity(V, gam, psi, U):
    return np.array([-V * math.cos(gam) * math.cos(psi) + U, V * math.cos(gam) * math.sin(psi),
                     V * math.sin(gam)])


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--gusts", type=float, default=1.0, help="sigma_w, m/s (default 1)")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--minutes", type=float, default=10.0)
    ap.add_argument("--wind-margin", type=float, default=1.15,
                    help="the wind over the loop's least (default 1.15)")
    ap.add_argument("--dt", type=float, default=0.01)
    ap.add_argument("--out", default="docs/pilot-in-gusts.png")
    a = ap.parse_args()

    loop = sc.optimise(profile="exponential", nodes=40)
    if not loop.converged:
        raise SystemExit("the loop did not converge: " + loop.status)
    ref = LoopReference(loop)
    wind = loop.wind * a.wind_margin
    x0, u0 = ref.at(0.0)
    start = {"X": x0[0], "Y": x0[1], "Z": x0[2], "V": x0[3], "gam_deg": math.degrees(x0[4]),
             "psi_deg": math.degrees(x0[5]), "mu_deg": math.degrees(u0[1]), "CL": u0[0]}
    f = sc.Flight({"U_ref": wind}, start=start, gusts=a.gusts, seed=a.seed)
    names = sc.STATE_FIELDS
    at = {n: names.index(n) for n in names}
    s = f.state  # a view: it follows the flight

    kp, kd, k_time = 0.5, 1.2, 0.05  # 1/s^2, 1/s, 1/m
    t_ref, rate = 0.0, 1.0
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
        V, gam, psi = float(s[at["V"]]), math.radians(s[at["gam_deg"]]), math.radians(
            s[at["psi_deg"]])
        e_v, e_up, e_side = directions(gam, psi)
        xr, ur = ref.at(t_ref)
        U_ref = wind * (1.0 - math.exp(-7.0 * min(max(xr[2] / 20.0, 0.001), 0.999)))
        miss = xr[:3] - np.array([s[at["X"]], s[at["Y"]], s[at["Z"]]])
        v_bird = np.array([s[at["Xdot"]], s[at["Ydot"]], V * math.sin(gam) + s[at["w_g"]]])
        v_miss = ground_velocity(xr[3], xr[4], xr[5], U_ref) - v_bird
        n_ref = 0.5 * 1.22 * xr[3] ** 2 * ur[0] / WING_LOADING
        n_up = n_ref * math.cos(ur[1]) + (kp * miss @ e_up + kd * v_miss @ e_up) / G
        n_side = n_ref * math.sin(ur[1]) + (kp * miss @ e_side + kd * v_miss @ e_side) / G
        q = 0.5 * 1.22 * V * V / WING_LOADING
        nz = min(math.hypot(n_up, n_side), 4.5, 0.9 * 1.5 * q)
        bank = max(-85.0, min(85.0, math.degrees(math.atan2(n_side, n_up))))
        # The loop's clock waits for a bird that lags and hurries for one ahead.
        rate = min(1.5, max(0.5, 1.0 - k_time * (miss @ e_v)))
        t_ref += a.dt * rate
        if not f.step(a.dt, bank=bank, nz=nz):
            ended = f.fault
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
