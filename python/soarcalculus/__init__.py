"""Soarcalculus for Python: the albatross's dynamic-soaring engine of the
``soarcalculus`` program, called from Python.

Every function calls the same C++ libraries as the command line, so the
numbers are the program's to the last bit: ``fly`` returns the rows of
``soarcalculus fly --csv`` as the very 32-bit floats the flight stored.

    >>> import soarcalculus as sc
    >>> rows = sc.fly("upwind", ticks=1000, dt=0.01)
    >>> rows["V"][-1]                       # airspeed after 10 s, m/s
    >>> p = sc.Params("light-wind"); p["W_S"] = 120.0
    >>> sc.energy_neutral_wind("upwind", params=p).U_10m   # m/s at 10 m
    >>> sc.optimise(profile="log").wind_10m                 # least wind of the loop
    >>> sc.sweep({"W_S": (90, 140, 3)}, what="optimise")    # a grid of solves

Long calls run without the GIL, and Ctrl-C stops them (KeyboardInterrupt).
Bad arguments raise ValueError (or KeyError for an unknown parameter name)
with the command line's message.

Units: SI throughout (m, s, m/s, kg/m^3, N/m^2); angles in degrees where a
name ends in ``_deg``, in radians in the loop's raw ``states`` and
``controls``.
"""

from dataclasses import dataclass, field
from typing import Callable, Dict, Iterator, List, Optional, Tuple, Union

import numpy as np

from . import _core
from ._core import Params
from ._sweep import SweepResult, merge, sweep
from ._pilot import STATE_FIELDS, STATE_UNITS, Flight, SoaringEnv

__version__: str = _core.__version__

__all__ = [
    "Params", "Field", "fields", "presets", "fly", "energy_neutral_wind", "optimise",
    "render", "sweep", "merge", "SweepResult", "FlightStopped", "EnergyNeutralWind",
    "WindTrial", "Loop", "FLY_COLUMNS", "LOOP_COLUMNS", "COLUMN_ALIASES", "wing_loading",
    "Flight", "SoaringEnv", "STATE_FIELDS", "STATE_UNITS",
]


def __dir__() -> List[str]:
    """The package's own names (not the typing and NumPy names it uses)."""
    return sorted(__all__ + ["__version__"])

Params.__doc__ = """The parameters of a flight: air, bird, wind profile and each pattern's
schedule, stored as 32-bit floats exactly as the program flies them.

    Params()                     the default albatross
    Params("zhao-glider")        a preset (see presets()); it also picks the
                                 optimal loop's bounds, as --preset does
    Params.load("bird.toml")     a parameter file (as `soarcalculus params
                                 --save` writes); ValueError with file:line
    Params.from_toml(text)       the same from a string

    p["W_S"]                     a shared field (air, bird, wind), N/m^2
    p["W_S"] = 120.0             set as `--set W_S=120` sets it: every pattern,
                                 but CD0, K_ind and U_ref leave the circle
                                 zoom's own (drag-free, windless) polar and wind
    p["upwind.T_cyc"] = 8.0      a pattern's schedule field (or p.set(name,
                                 value, pattern=...); p.get(name, pattern=...))
    p.save("bird.toml"), p.toml()

A value outside its range raises ValueError with the command line's message
("W_S (wing-loading parameter) must be a number from 10 to 500 N/m^2"); an
unknown name raises KeyError naming the valid ones. fields() lists every field
with its unit and range.
"""


@dataclass(frozen=True)
class Field:
    """One parameter: its name (the key in files and ``--set``), group (air,
    bird, wind, pattern), unit ("-" for a pure number), meaning, allowed range
    [min, max] (both ends included) and the patterns that fly with it."""
    name: str
    group: str
    unit: str
    meaning: str
    min: float
    max: float
    patterns: Tuple[str, ...]


def fields() -> List[Field]:
    """Every parameter with its unit and range (the program's field table)."""
    return [Field(n, g, u, m, lo, hi, tuple(p)) for n, g, u, m, lo, hi, p in _core.param_fields()]


def _params_keys(self) -> List[str]:
    """The names p[name] takes: each shared field (air, bird, wind) by its
    name, each pattern's schedule field as "pattern.name"."""
    keys = []
    for f in fields():
        if f.group == "pattern":
            keys += [f"{pattern}.{f.name}" for pattern in f.patterns]
        else:
            keys.append(f.name)
    return keys


def _params_contains(self, key) -> bool:
    return isinstance(key, str) and key in self.keys()


def _params_reduce(self):
    # By name: the preset and the parameter file's text, every field named.
    return (_params_from_state, ({"preset": self.preset, "parameters": self.toml()},))


def _params_from_state(state) -> Params:
    read = Params.from_toml(state["parameters"], "<pickle>")
    return Params._from_blob(read._blob(), state["preset"])


Params.keys = _params_keys
Params.__contains__ = _params_contains
Params.__iter__ = lambda self: iter(self.keys())
Params.__len__ = lambda self: len(self.keys())
Params.items = lambda self: [(k, self[k]) for k in self.keys()]
Params.values = lambda self: [self[k] for k in self.keys()]
Params.to_dict = lambda self: dict(self.items())
Params.__reduce__ = _params_reduce
Params.keys.__doc__ = _params_keys.__doc__
Params.to_dict.__doc__ = "{name: value} for every key (see keys())."


def wing_loading(params: "ParamsLike" = None) -> float:
    """The wing loading the bird flies with, N/m^2: its weight over its wing
    area. The parameter W_S is not the loading itself: the lift coefficient
    reads the loading as W_S x 16/3.5^2 (1.306 W_S; the default W_S = 107.8
    flies at 140.8 N/m^2). A sweep's axis "wing_loading" sets W_S from it."""
    return float(_params(params)["W_S"]) * 16.0 / (3.5 * 3.5)


def presets() -> List[Tuple[str, str]]:
    """The presets as (name, label): design-albatross, heavier-albatross,
    light-wind, draggy-wing, zhao-glider, sachs-2005-albatross."""
    return [tuple(p) for p in _core.presets()]


ParamsLike = Union[None, Params, str, Dict[str, float]]


def _params(params: ParamsLike, pattern: str = "") -> Params:
    """None: the defaults; a str: that preset; a dict: the defaults with each
    name set as --set sets it for `pattern`; a Params: itself."""
    if params is None or isinstance(params, Params):
        return params if params is not None else Params()
    if isinstance(params, str):
        return Params(params)
    if isinstance(params, dict):
        p = Params()
        for name, value in params.items():
            p.set(name, float(value), pattern)
        return p
    raise TypeError("params must be None, a Params, a preset's name or a dict of values")


class FlightStopped(RuntimeError):
    """The flight stopped before its last tick: a stall, or the bird touched
    the sea. ``rows`` holds every tick completed before (fly), ``picture`` the
    picture of the tick before (render)."""

    def __init__(self, message: str, rows=None, picture=None):
        super().__init__(message)
        self.rows = rows
        self.picture = picture


# The CSV's columns and their units, in order (the tick first).
FLY_COLUMNS = {
    "tick": "-", "t": "s", "dt": "s", "X": "m", "Y": "m", "Z": "m", "V": "m/s",
    "gam_deg": "deg", "psi_deg": "deg", "mu_deg": "deg", "Nz": "-", "Nx": "-", "CL": "-",
    "U": "m/s", "Up": "1/s", "alpha": "deg", "roll_b": "deg", "pitch_b": "deg", "yaw_b": "deg",
    "E": "m", "dE_wind": "m/s", "dE_drag": "m/s",
}


def fly(pattern: str, ticks: int, dt: float, params: ParamsLike = None,
        clock_start: float = 0.0, energy: bool = False) -> np.ndarray:
    """Fly a pattern as ``soarcalculus fly`` does and return its rows.

    pattern      "upwind", "downwind", "crosswind", "circlezoom" or "profile"
    ticks        timer ticks, 1 to 1e9; tick 1 is the pattern's start
    dt           clock step between ticks, s (0.000001 to 10)
    params       Params, a preset's name, a dict of values, or None (defaults)
    clock_start  the clock reading of tick 1, s since midnight (0 to 86400):
                 tick k reads clock_start + (k - 1) dt, a 32-bit float
    energy       add the energy columns E (m), dE_wind and dE_drag (m/s)

    Returns a NumPy structured array, one record per tick, with the CSV's
    columns: tick (int64) and t (s), dt (s), X, Y, Z (m), V (m/s), gam_deg,
    psi_deg, mu_deg (deg), Nz, Nx, CL (-), U (m/s), Up (1/s), alpha (deg),
    roll_b, pitch_b, yaw_b (deg), each the float32 the flight stored: the
    same bits as ``fly --csv`` writes (FLY_COLUMNS lists the units).

    Raises FlightStopped (with .rows, every tick completed) when the bird
    stalls or touches the sea, ValueError on a bad argument, KeyboardInterrupt
    on Ctrl-C. Runs without the GIL.
    """
    rows, done, fault = _core.fly(pattern, int(ticks), float(dt), _params(params, pattern),
                                  float(clock_start), bool(energy))
    if fault:
        raise FlightStopped(f"{fault}; the rows of the {done} ticks before are kept", rows=rows)
    return rows


@dataclass
class WindTrial:
    """One row of the energy-neutral wind's table: the wind factor on the
    reference wind, U_ref flown (m/s), the wind at 10 m (m/s), the mean energy
    gained per cycle over the window (m; nan when no cycle of it was
    completed), the cycles completed (the settling one included), whether it
    survived the window and gains on average, and why the flight ended early."""
    factor: float
    U_ref: float
    U_10m: float
    dE_per_cycle: float
    cycles: int
    survived: bool
    gains: bool
    end: str


@dataclass
class EnergyNeutralWind:
    """The answer of ``min-wind``: the lowest wind of the table at which the
    pattern gains energy on average over the window and survives it.

    found        whether such a wind exists up to factor 2
    least        that row (WindTrial), or None; U_10m and factor below are its
    below_least  the row below it, which fails (None when it is the first row)
    message      why nothing was found
    base_U_ref   the reference wind that factor 1 stands for, m/s
    window       the cycles the mean gain is taken over (first, last)
    table        every trial, by factor (structured array: factor, U_ref,
                 U_10m (m/s), dE_per_cycle (m), cycles, survived, gains)
    crossings    [(below, above, rising)]: neighbouring rows between which the
                 mean gain changes sign (rising: loses below, gains above)
    """
    pattern: str
    found: bool
    least: Optional[WindTrial]
    below_least: Optional[WindTrial]
    message: str
    base_U_ref: float
    window: Tuple[int, int]
    table: np.ndarray
    crossings: List[Tuple[WindTrial, WindTrial, bool]]
    _csv: str = field(repr=False, default="")

    def __repr__(self) -> str:
        if not self.found:
            return f"<EnergyNeutralWind {self.pattern}: none found ({self.message})>"
        return (f"<EnergyNeutralWind {self.pattern}: {self.U_10m:.4g} m/s at 10 m (factor "
                f"{self.factor:.4g}), {len(self.table)} trials>")

    @property
    def U_10m(self) -> float:
        """The energy-neutral wind at 10 m height, m/s (nan when none)."""
        return self.least.U_10m if self.least else float("nan")

    @property
    def factor(self) -> float:
        """Its factor on the reference wind (nan when none)."""
        return self.least.factor if self.least else float("nan")

    def to_csv(self, path: str) -> None:
        """The table as ``min-wind --csv`` writes it (whole or not at all)."""
        _core.write_file(path, self._csv)


def _trial(d) -> Optional[WindTrial]:
    return None if d is None else WindTrial(**d)


def energy_neutral_wind(pattern: str, params: ParamsLike = None, cycles: int = 10,
                        dt: float = 0.01, threads: int = 0,
                        progress: Optional[Callable[[int, int], None]] = None
                        ) -> EnergyNeutralWind:
    """The energy-neutral wind of a pattern, as ``soarcalculus min-wind``.

    For each factor of a grid on the reference wind U_ref (0 to 2 in steps of
    0.025, each sign change of the mean gain halved 6 times) the pattern is
    flown at the fixed step `dt` (s, 0.001 to 0.1): one settling cycle, then a
    window of `cycles` (1 to 1000). threads: 0 for every core (the table is
    the same on any number). progress(done, total) is called about ten times a
    second. Returns an EnergyNeutralWind.
    """
    d = _core.energy_neutral_wind(pattern, _params(params, pattern), int(cycles), float(dt),
                                  int(threads), progress)
    names = ["factor", "U_ref", "U_10m", "dE_per_cycle", "cycles", "survived", "gains"]
    table = np.array([tuple(t[n] for n in names) for t in d["table"]],
                     dtype=[("factor", "f8"), ("U_ref", "f8"), ("U_10m", "f8"),
                            ("dE_per_cycle", "f8"), ("cycles", "i4"), ("survived", "?"),
                            ("gains", "?")])
    return EnergyNeutralWind(
        pattern=pattern, found=d["found"], least=_trial(d["least"]),
        below_least=_trial(d["below_least"]), message=d["message"], base_U_ref=d["base_U_ref"],
        window=tuple(d["window"]), table=table,
        crossings=[(WindTrial(**a), WindTrial(**b), r) for a, b, r in d["crossings"]],
        _csv=d["csv"])


# A loop's nodes by the names and units of a flight's rows: the same quantity
# has one name in every result (FLY_COLUMNS, LOOP_COLUMNS, Flight.state).
LOOP_COLUMNS = {
    "t": "s", "X": "m", "Y": "m", "Z": "m", "V": "m/s", "gam_deg": "deg", "psi_deg": "deg",
    "CL": "-", "mu_deg": "deg", "Nz": "-", "U": "m/s", "E": "m",
}

# The names files and earlier versions use, each read as the column it names:
# the loop's file (optimise --csv) heads its columns gamma_deg, bank_deg, n;
# a flight's state called the bird's attitude roll, pitch, yaw.
COLUMN_ALIASES = {
    "gamma_deg": "gam_deg", "bank_deg": "mu_deg", "n": "Nz",
    "roll": "roll_b", "pitch": "pitch_b", "yaw": "yaw_b",
}

# The header of optimise --csv, kept as the command line writes it.
_LOOP_FILE_HEADER = "t,X,Y,Z,V,gamma_deg,psi_deg,CL,bank_deg,n,U,E"


def _loop_table(raw: np.ndarray) -> np.ndarray:
    """The loop's nodes (N x 12, in LOOP_COLUMNS' order) as a structured array
    whose old names (COLUMN_ALIASES) are titles: table["bank_deg"] is
    table["mu_deg"]."""
    old = {new: alias for alias, new in COLUMN_ALIASES.items()}
    dtype = [((old[name], name), "f8") if name in old else (name, "f8") for name in LOOP_COLUMNS]
    table = np.zeros(len(raw), dtype=dtype)
    for i, name in enumerate(LOOP_COLUMNS):
        table[name] = raw[:, i]
    return table


@dataclass
class Loop:
    """The least-wind periodic loop, as ``soarcalculus optimise`` solves it.

    converged        whether a loop was found (else status says why)
    status, route    the solver's word; how the loop was reached, if not
                     straight from the starting circle
    iterations, seconds
    profile          "exponential", "linear" or "log"; wind_unit its scale's
    wind             the least wind scale (wind_unit: m/s, 1/s for linear)
    wind_10m         the wind at 10 m height, m/s (linear: the gradient x 10 m)
    period           s
    energy_per_cycle the drag work per kg over one loop, J/kg
    drift            how far the loop ends from its start over the ground, m
    closure_place, closure_speed
                     the solved controls flown from the first node: how far
                     they end from the last node, over the loop's size and over
                     the airspeed
    active_limits    the bounds that hold, the costliest first: dicts of name
                     (the settings' names), unit, points, value, d_wind (the
                     change of the least wind per unit the bound moves, from
                     the solver's multipliers) and relative
    t                node times, s (N)
    states           N x 6: X, Y, Z (m), V (m/s), gamma, psi (rad)
    controls         N x 2: CL (-), bank (rad); controls_mid at the N - 1
                     segment midpoints
    table            structured array, one record per node, named as fly's
                     rows are: t (s), X, Y, Z (m), V (m/s), gam_deg, psi_deg (deg),
                     CL (-), mu_deg (bank, deg), Nz (load factor, -), U (wind,
                     m/s), E (energy height, m); the file's names gamma_deg,
                     bank_deg and n read the same columns (LOOP_COLUMNS,
                     COLUMN_ALIASES)
    """
    converged: bool
    status: str
    route: str
    iterations: int
    seconds: float
    profile: str
    wind_unit: str
    travel: bool
    t: np.ndarray
    states: np.ndarray
    controls: np.ndarray
    controls_mid: np.ndarray
    table: np.ndarray
    wind: float = float("nan")
    wind_10m: float = float("nan")
    period: float = float("nan")
    energy_per_cycle: float = float("nan")
    drift: float = float("nan")
    closure_place: float = float("nan")
    closure_speed: float = float("nan")
    active_limits: List[dict] = field(default_factory=list)

    def __repr__(self) -> str:
        if not self.converged:
            return f"<Loop: not found ({self.status}), {len(self.t)} nodes>"
        return (f"<Loop: wind {self.wind_10m:.4g} m/s at 10 m ({self.profile}), period "
                f"{self.period:.4g} s, {len(self.t)} nodes, {self.iterations} iterations>")

    def to_csv(self, path: str) -> None:
        """The loop as ``optimise --csv`` writes it, one row per node."""
        lines = [_LOOP_FILE_HEADER]
        lines += [",".join("%.6f" % v for v in row) for row in self.table.tolist()]
        _core.write_file(path, "\n".join(lines) + "\n")


def optimise(params: ParamsLike = None, profile: Optional[str] = None, nodes: int = 50,
             settings: Optional[Dict[str, float]] = None,
             progress: Optional[Callable[[int, float, float, float], None]] = None) -> Loop:
    """The least-wind periodic loop for a bird, as ``soarcalculus optimise``.

    params    the bird, air and wind shape (g, rho, W_S, CD0, K_ind, Z_ref,
              lam_U, zeta_min, zeta_max); Params("zhao-glider") and
              Params("sachs-2005-albatross") also bring their loop bounds
    profile   "exponential", "linear" or "log" (default: the preset's)
    nodes     collocation nodes, 5 to 2000
    settings  the loop's own: CL_min, CL_max, n_min, n_max (-), bank_max
              (deg), half_span, tip_min (m), T_min, T_max (s), z0 (m),
              travel (0 or 1)
    progress  progress(iteration, wind, infeasibility, seconds), about ten
              times a second

    Returns a Loop; when no loop exists, converged is False and status says
    why (no exception). Only one solve runs at a time in a process (the
    solver's linear algebra is not thread-safe); sweeps use processes.
    """
    d = _core.optimise(_params(params), profile, int(nodes), settings, progress)
    raw = np.asarray(d.pop("table"), dtype=float).reshape(-1, len(LOOP_COLUMNS))
    return Loop(table=_loop_table(raw), **d)


def render(pattern: str, ticks: int = 1, dt: float = 0.02, params: ParamsLike = None,
           clock_start: float = 0.0, grid: bool = False,
           size: Tuple[int, int] = (833, 667)) -> np.ndarray:
    """The picture ``soarcalculus render`` saves, as an RGB array.

    The same flight as fly (pattern may also be "fixed": the bird at rest),
    then the picture of the last tick: sky, sea, the grid when `grid`, the
    tracks, the bird and the wind figure. size is (width, height) in pixels,
    16 to 8192 a side. Returns a (height, width, 3) uint8 array. Loads the Qt
    picture module on first use (importing soarcalculus does not).
    Raises FlightStopped (with .picture, of the tick before) when the flight
    stopped early.
    """
    width, height = (int(v) for v in size)
    _core.check_render(pattern, int(ticks), float(dt), float(clock_start), width, height)
    from . import _picture
    blob = _params(params, "" if pattern == "fixed" else pattern)._blob()
    picture, fault = _picture.render(blob, pattern, int(ticks), float(dt), float(clock_start),
                                     bool(grid), width, height)
    if fault:
        raise FlightStopped(fault, picture=picture)
    return picture
