"""The pilot's seat from Python: a commanded flight stepped one step at a
time, and an environment with the reset/step convention of reinforcement
learning libraries (without depending on any of them)."""

from typing import Any, Dict, Optional, Tuple, Union

import numpy as np

from . import _core

STATE_FIELDS = _core.STATE_FIELDS

# The units of the state's fields, in the order of Flight.state.
STATE_UNITS = {
    "t": "s", "dt": "s", "X": "m", "Y": "m", "Z": "m", "V": "m/s",
    "gam_deg": "deg", "psi_deg": "deg", "mu_deg": "deg",
    "gam_dot": "deg/s", "psi_dot": "deg/s", "dgam_dpsi": "deg/deg", "R_turn": "m",
    "alpha": "deg", "Nz": "-", "Nx": "-", "CL": "-", "CD": "-", "D_L": "-",
    "U": "m/s", "Up": "1/s", "Up_V_g": "-", "Xdot_air": "m/s", "Xdot": "m/s",
    "Ydot": "m/s", "u_g": "m/s", "v_g": "m/s", "w_g": "m/s", "dE_gust": "m/s",
    "roll_b": "deg", "pitch_b": "deg", "yaw_b": "deg",
}


class Flight(_core.Flight):
    """A commanded flight of the program's albatross, stepped from Python.

        f = sc.Flight(params=None, start="upwind")
        f.step(0.01, bank=30.0, cl=0.8)     # one step of 0.01 s towards bank 30 deg, CL 0.8
        f.step(0.01, bank=30.0, nz=1.5)     # or the load factor (lift over weight)
        f.state                             # float32 NumPy view, names in sc.STATE_FIELDS
        f["V"], f.energy["E"], f.reset()

    params   a Params, a preset's name, a dict of --set values, or None
    start    a pattern's name: its start (height, 25 m/s, heading -90 deg, the
             pattern's flight-path angle, wings level at the lift coefficient
             of level flight), "fly-yourself" (the window's
             Fly it yourself start: the upwind pattern's place, speed and
             heading, 12 m up, level, wings level), or a dict of the start state
             (t, X, Y, Z, V, gam_deg, psi_deg, mu_deg, CL; the rest from the
             upwind pattern's start)
    gusts    sigma_w of the turbulence, m/s (0 calm; 0.8 light, 1.5 moderate,
             2.3 severe), seeded by `seed`: the same seed gives the same gusts
    limits   what the bird can do (dict): bank_max (deg, 85), bank_rate_max
             (deg/s, 90), CL_rate_max (1/s, 3), CL_min (0), CL_max (1.5, the
             stall), Nz_max (5), half_span (m, 1.7)

    step(dt, bank=None, cl=None, nz=None) advances by dt seconds; a command
    left out keeps its last value. Bank and CL move towards the command no
    faster than the limits allow. It returns False when the step ended the
    flight (a stall, a load factor beyond Nz_max, the body or a wing tip in
    the sea; `fault` says which), True otherwise; reset() starts again.

    state is a read-only float32 view of the engine's own state: it changes
    in place with every step (copy it to keep a value). Units in STATE_UNITS:
    m, m/s, deg, deg/s; u_g, v_g, w_g the gust at the bird, dE_gust the rate
    at which the gusts changed the energy over the last step.

    energy: E = Z + V^2/(2 g) (m, specific energy, air-relative), E_kin,
    E_pot, and the rates (m/s) dE_wind (from the wind gradient), dE_drag
    (drag, never positive), dE_gust (the gusts, over the last step).
    """

    def __init__(self, params=None, start: Union[str, Dict[str, float]] = "upwind",
                 gusts: float = 0.0, seed: int = 0, limits: Optional[Dict[str, float]] = None):
        from . import _params
        pattern = start if isinstance(start, str) else "upwind"
        state = {} if isinstance(start, str) else dict(start)
        p = _params(params, pattern)
        super().__init__(p._blob(), pattern, state, float(gusts), int(seed), dict(limits or {}))


class SoaringEnv:
    """The albatross in the wind gradient as an environment:

        env = sc.SoaringEnv(gusts=1.0)
        obs, info = env.reset(seed=3)
        obs, reward, terminated, truncated, info = env.step([bank_deg, CL])

    action       (bank angle, deg; lift coefficient, -), each clipped to
                 action_low .. action_high
    observation  float32: Z (m), V (m/s), gam_deg, psi_deg, mu_deg (deg), CL,
                 U (m/s), Up (1/s), u_g, v_g, w_g (m/s): OBSERVATION_FIELDS
    reward       the specific energy gained over the step, m
    terminated   the step ended the flight (info["fault"] says why)
    truncated    max_steps steps flown
    info         t (s), E (m), and the energy's rates of the step
    Each step is `dt` seconds (`substeps` engine steps of dt / substeps).
    """

    OBSERVATION_FIELDS = ("Z", "V", "gam_deg", "psi_deg", "mu_deg", "CL", "U", "Up",
                          "u_g", "v_g", "w_g")
    action_low = np.array([-85.0, 0.0], dtype=np.float32)
    action_high = np.array([85.0, 1.5], dtype=np.float32)

    def __init__(self, params=None, start="upwind", dt: float = 0.05, substeps: int = 5,
                 max_steps: int = 12000, gusts: float = 0.0, seed: int = 0,
                 limits: Optional[Dict[str, float]] = None):
        self._args = (params, start, limits)
        self.dt, self.substeps, self.max_steps = float(dt), int(substeps), int(max_steps)
        self.gusts, self.seed = float(gusts), int(seed)
        self._index = np.array([STATE_FIELDS.index(n) for n in self.OBSERVATION_FIELDS])
        self.flight = None
        self._steps = 0

    def _observe(self) -> np.ndarray:
        return self.flight.state[self._index].copy()

    def reset(self, seed: Optional[int] = None, options: Optional[Dict[str, Any]] = None
              ) -> Tuple[np.ndarray, Dict[str, Any]]:
        if seed is not None:
            self.seed = int(seed)
        params, start, limits = self._args
        self.flight = Flight(params, start, gusts=self.gusts, seed=self.seed, limits=limits)
        self._steps = 0
        return self._observe(), {"t": float(self.flight["t"]), "E": float(self.flight.E)}

    def step(self, action) -> Tuple[np.ndarray, float, bool, bool, Dict[str, Any]]:
        if self.flight is None:
            raise RuntimeError("reset() the environment first")
        bank, cl = np.clip(np.asarray(action, dtype=np.float64), self.action_low,
                           self.action_high)
        f = self.flight
        E0 = f.E
        h = self.dt / self.substeps
        alive = True
        for _ in range(self.substeps):
            alive = f.step(h, bank=float(bank), cl=float(cl))
            if not alive:
                break
        self._steps += 1
        e = f.energy
        info = {"t": float(f["t"]), "E": float(e["E"]), "dE_wind": float(e["dE_wind"]),
                "dE_drag": float(e["dE_drag"]), "dE_gust": float(e["dE_gust"])}
        if not alive:
            info["fault"] = f.fault
        return (self._observe(), float(e["E"]) - float(E0), not alive,
                alive and self._steps >= self.max_steps, info)
