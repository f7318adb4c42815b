"""Sweeps from Python: the grid of ``soarcalculus sweep``, run here (worker
processes) or mapped over a dask.distributed cluster, point for point the
same rows."""

import os
import sys
import time
import warnings
from typing import Callable, Dict, List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _core

Axis = Union[str, Tuple[float, float, int], Sequence[float], np.ndarray]

_AXIS_FORMS = ('an axis is (start, stop, count), "START:STOP:COUNT" or a list or NumPy array '
               'of its values')


def _real(name: str, v, what: str) -> float:
    """v as a finite float, when it is a real number (not a bool, not a text)."""
    if isinstance(v, (bool, np.bool_)) or not isinstance(v, (int, float, np.integer,
                                                               np.floating)):
        raise ValueError(f"{name}: {what} must be a number, not {v!r}")
    x = float(v)
    if not np.isfinite(x):
        raise ValueError(f"{name}: {what} must be a finite number, not {v!r}")
    return x


def _count(name: str, v) -> int:
    if isinstance(v, (bool, np.bool_)) or not isinstance(v, (int, np.integer)):
        raise ValueError(f"{name}: the count must be a whole number, not {v!r}")
    if not 1 <= int(v) <= 1000000:
        raise ValueError(f"{name}: the count must be from 1 to 1000000, not {v}")
    return int(v)


def _axis(name: str, axis):
    """One axis as _core takes it: (name, start, stop, count) or (name, [values])."""
    if isinstance(axis, str):
        parts = axis.split(":")
        if len(parts) != 3:
            raise ValueError(f'{name}: {_AXIS_FORMS}, not "{axis}"')
        try:
            start, stop = float(parts[0]), float(parts[1])
            count = int(parts[2])
        except ValueError:
            raise ValueError(f'{name}: {_AXIS_FORMS}, not "{axis}"') from None
        return (name, _real(name, start, "the start"), _real(name, stop, "the stop"),
                _count(name, count))
    if isinstance(axis, tuple):
        if len(axis) != 3:
            raise ValueError(f"{name}: {_AXIS_FORMS}; a tuple is (start, stop, count), not "
                             f"{axis!r} (list the values in a list)")
        start, stop, count = axis
        return (name, _real(name, start, "the start"), _real(name, stop, "the stop"),
                _count(name, count))
    if isinstance(axis, np.ndarray) and axis.ndim == 1 or isinstance(axis, list):
        values = [_real(name, v, "each value") for v in list(axis)]
        if not values:
            raise ValueError(f"{name}: the axis lists no value")
        return (name, values)
    raise ValueError(f"{name}: {_AXIS_FORMS}, not {axis!r}")


def _axes(grid: Dict[str, Axis]):
    if not isinstance(grid, dict):
        raise ValueError(f"grid must be a dict of axes ({{name: axis}}), not {grid!r}")
    if not grid:
        raise ValueError("grid: name at least one axis, e.g. {\"W_S\": (100, 140, 5)}")
    axes = []
    for name, axis in grid.items():
        if not isinstance(name, str):
            raise ValueError(f"grid: an axis's name is a text (a parameter's name), not {name!r}")
        axes.append(_axis(name, axis))
    return axes


def _worker_command() -> List[str]:
    """How a worker process of sweep(jobs=...) starts: this interpreter afresh
    (never a fork of this process, whose other threads may hold the solver's
    lock), importing this very package."""
    package_parent = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    code = ("import sys; sys.path.insert(0, %r); from soarcalculus import _core; "
            "sys.exit(_core.sweep_worker())" % package_parent)
    return [sys.executable, "-c", code]


def _point(plan: str, point: int, retry_nodes: int = 0):
    """One point of a sweep (what a Dask worker runs): the row as a tuple;
    with retry_nodes, its loop solved at that many nodes."""
    return _core.sweep_point(plan, point, retry_nodes)


# Result columns that count (int64) or say yes or no (bool); the rest are floats.
_INT_COLUMNS = {"iterations", "ticks_flown", "cycles", "crossings", "trials"}
_BOOL_COLUMNS = {"found", "converged", "all_flown"}


class SweepResult:
    """The rows of a sweep, one per point done, in point order.

    what       "energy-neutral-wind", "optimise" or "fly-summary"
    axes       [(name, start, stop, count)], the first varying slowest (an axis
               of values listed has its first and last as start and stop)
    values     {name: the axis's values}
    shape      the grid's shape, (count, ...) per axis
    columns    point, the axes, the results, status, seconds
    units      {column: unit} ("-" a pure number or a count, "0/1" yes or no)
    plan       the sweep as text (the file's first line)

    r["wind_10m"]   a column as a NumPy array, in point order (floats; nan
                    where there is no value, e.g. no loop; status: str)
    r.grid(name)    a column on the grid, shaped `shape`, nan where a point
                    is missing
    r.to_numpy()    the rows as a structured array, counts as int64 (-1 where
                    none) and yes/no columns as bool, with a "failed" column
    r.to_pandas()   the same as a pandas DataFrame (counts as nullable Int64),
                    its units in .attrs["units"]
    r.failed        the points whose computation failed: their rows say why
                    (status), and the sweep run again on its csv computes them
                    again
    r.missing       the points not done
    r.to_csv(path)  the sweep's file, as ``soarcalculus sweep --csv`` writes it

    Result columns and units. energy-neutral-wind: found (0/1), factor (-),
    U_ref (m/s), U_10m (m/s at 10 m), dE_per_cycle (m), crossings, trials.
    optimise: converged (0/1), wind_scale (m/s; 1/s for the linear profile),
    wind_10m (m/s), period (s), energy_per_cycle (J/kg), drift (m),
    iterations. fly-summary: ticks_flown, all_flown (0/1), t_end (s), V_end
    (m/s), Z_end (m), E_end (m), cycles, mean_dE_per_cycle (m). seconds: the
    time the point took, s.
    """

    def __init__(self, plan: str, rows: Sequence[tuple]):
        layout = _core.sweep_layout(plan)
        self.plan = plan
        self.what = layout["what"]
        self.axes = [tuple(a) for a in layout["axes"]]
        self.values = {a[0]: np.array(v, dtype=float) for a, v in zip(self.axes, layout["values"])}
        self.results = list(layout["results"])
        self.size = int(layout["size"])
        self.shape = tuple(a[3] for a in self.axes)
        self.units = {"point": "-"}
        self.units.update({a[0]: u for a, u in zip(self.axes, layout["axis_units"])})
        self.units.update(dict(zip(self.results, layout["units"])))
        self.units.update({"status": "-", "seconds": "s"})
        by_point = {}
        for r in rows:
            by_point.setdefault(int(r[0]), (int(r[0]), list(r[1]), list(r[2]), r[3], r[4]))
        self.rows = [by_point[k] for k in sorted(by_point)]
        self.failed = list(_core.failed_points(plan, self.rows)) if self.rows else []

    @property
    def columns(self) -> List[str]:
        return ["point"] + [a[0] for a in self.axes] + self.results + ["status", "seconds"]

    def __len__(self) -> int:
        return len(self.rows)

    def __getitem__(self, name: str) -> np.ndarray:
        if name == "point":
            return np.array([r[0] for r in self.rows], dtype=np.int64)
        if name == "status":
            return np.array([r[3] for r in self.rows], dtype=object)
        if name == "seconds":
            return np.array([r[4] for r in self.rows], dtype=float)
        inputs = [a[0] for a in self.axes]
        if name in inputs:
            i = inputs.index(name)
            return np.array([r[1][i] for r in self.rows], dtype=float)
        if name in self.results:
            i = self.results.index(name)
            return np.array([r[2][i] for r in self.rows], dtype=float)
        raise KeyError(f'no column "{name}" (columns: {", ".join(self.columns)})')

    def grid(self, name: str) -> np.ndarray:
        values = np.full(self.size, np.nan)
        values[self["point"]] = self[name]
        return values.reshape(self.shape)

    @property
    def missing(self) -> List[int]:
        have = {r[0] for r in self.rows}
        return [k for k in range(self.size) if k not in have]

    def to_numpy(self) -> np.ndarray:
        """The rows as a structured array: point (int64), the axes (float64),
        the results (counts int64 with -1 where there is none, yes/no columns
        bool, the rest float64 with nan where there is none), status (str),
        failed (bool) and seconds (float64)."""
        failed = set(self.failed)
        status = [r[3] for r in self.rows]
        fields = [("point", "i8")] + [(a[0], "f8") for a in self.axes]
        for name in self.results:
            fields.append((name, "i8" if name in _INT_COLUMNS else
                           "?" if name in _BOOL_COLUMNS else "f8"))
        fields += [("status", "U%d" % max([1] + [len(s) for s in status])), ("failed", "?"),
                   ("seconds", "f8")]
        out = np.zeros(len(self.rows), dtype=fields)
        out["point"] = self["point"]
        for a in self.axes:
            out[a[0]] = self[a[0]]
        for name in self.results:
            v = self[name]
            if name in _INT_COLUMNS:
                out[name] = np.where(np.isnan(v), -1, np.nan_to_num(v)).astype(np.int64)
            elif name in _BOOL_COLUMNS:
                out[name] = v == 1
            else:
                out[name] = v
        out["status"] = status
        out["failed"] = [r[0] in failed for r in self.rows]
        out["seconds"] = self["seconds"]
        return out

    def to_pandas(self):
        """The rows as a pandas DataFrame (to_numpy's columns; the counts as
        pandas' nullable Int64, <NA> where there is none), the units in
        .attrs["units"]."""
        import pandas as pd
        table = self.to_numpy()
        frame = pd.DataFrame({name: table[name] for name in table.dtype.names})
        for name in self.results:
            if name in _INT_COLUMNS:
                frame[name] = pd.array(np.where(table[name] < 0, None, table[name]),
                                       dtype="Int64")
        frame["status"] = frame["status"].astype(object)
        frame.attrs["units"] = dict(self.units, failed="0/1")
        return frame

    def to_csv(self, path: str) -> None:
        _core.write_sweep(path, self.plan, self.rows)

    @staticmethod
    def from_csv(path: str) -> "SweepResult":
        plan, rows = _core.read_sweep(path)
        return SweepResult(plan, rows)

    def __repr__(self) -> str:
        grid = " x ".join(f"{a[0]} ({a[3]})" for a in self.axes)
        failed = f", {len(self.failed)} failed" if self.failed else ""
        return f"<SweepResult {self.what} over {grid}: {len(self)} of {self.size} points{failed}>"


def _warn_failed(result: SweepResult, points) -> None:
    """A warning naming the points of this run that failed, with their reasons."""
    new = set(points)
    failed = [r for r in result.rows if r[0] in new and r[0] in set(result.failed)]
    if not failed:
        return
    reasons = "; ".join(f"point {r[0]}: {r[3]}" for r in failed[:5])
    more = f"; and {len(failed) - 5} more" if len(failed) > 5 else ""
    warnings.warn(f"{len(failed)} of {len(new)} points failed ({reasons}{more}); their rows say "
                  "why, and the sweep run again with the same csv computes them again",
                  RuntimeWarning, stacklevel=3)


def _shard_points(size: int, shard) -> List[int]:
    if shard is None:
        return list(range(size))
    index, count = (int(v) for v in shard)
    if not (1 <= count <= 100000 and 1 <= index <= count):
        raise ValueError(f"shard needs (I, N), a shard I from 1 to N of N, not {shard}")
    return list(range(index - 1, size, count))


def _dask_rows(client, plan: str, todo: List[int], csv: Optional[str], kept: list,
               progress, again: Sequence[int] = (), retry_nodes: int = 0) -> list:
    from distributed import as_completed
    points = list(again) + list(todo)
    retries = [retry_nodes] * len(again) + [0] * len(todo)
    futures = client.map(_point, [plan] * len(points), points, retries)
    todo = points
    rows: list = []
    saved = time.monotonic()
    try:
        for future in as_completed(futures):
            rows.append(tuple(future.result()))
            if progress is not None:
                progress(len(rows), len(todo))
            if csv and time.monotonic() - saved > 30:
                _core.write_sweep(csv, plan, list(kept) + rows)
                saved = time.monotonic()
    except BaseException:
        client.cancel(futures)
        if csv:
            _core.write_sweep(csv, plan, list(kept) + rows)  # kept for the next run
        raise
    if csv:
        _core.write_sweep(csv, plan, list(kept) + rows)
    return rows


def sweep(grid: Dict[str, Axis], what: str = "energy-neutral-wind", *, params=None,
          pattern: str = "upwind", cycles: int = 10, dt: float = 0.01,
          ticks: Optional[int] = None, profile: Optional[str] = None, nodes: int = 50,
          settings: Optional[Dict[str, float]] = None, seconds: float = 600.0,
          wind_factor: float = 1.4, gusts: float = 0.0, seed: int = 0, jobs: int = 0,
          shard: Optional[Tuple[int, int]] = None, client=None, csv: Optional[str] = None,
          progress: Optional[Callable[[int, int], None]] = None,
          retry_nodes: Optional[int] = None) -> SweepResult:
    """One question at every point of a grid, as ``soarcalculus sweep``.

    grid      {name: (start, stop, count)} or {name: "START:STOP:COUNT"}: count
              values from start to stop, both included; the Cartesian grid,
              the first name varying slowest. A name is a parameter (W_S,
              CD0, U_ref, ...; see fields()), glide_ratio (the best glide
              ratio 1/(2 sqrt(CD0 K_ind)), flown by setting CD0 for the
              point's K_ind) or, for optimise, one of the loop's settings
              (n_max, bank_max, ...).
    what      "energy-neutral-wind" (pattern, cycles, dt), "optimise"
              (profile, nodes, settings), "fly-summary" (pattern, ticks, dt)
              or "track" (nodes, settings, seconds, dt, wind_factor, gusts,
              seed): the least-wind loop flown by its tracker for `seconds`
              in wind_factor times its least wind, in gusts of sigma_w
              `gusts` m/s; its grid also takes sigma_w, seed and wind_factor
    params    the parameters every point starts from (Params, a preset's
              name or a dict)
    jobs      local worker processes (0: one per core this process may use),
              when client is None
    shard     (I, N): only the points k with k % N == I - 1, for a cluster
              job array
    client    a dask.distributed Client: the points are mapped over its
              workers instead (each worker imports soarcalculus); the rows are
              those of a local run, point for point
    csv       the sweep's file: kept up to date (every 30 s, at the end, and
              when Ctrl-C stops the run), and read first: its points are not
              computed again (a file of another sweep is refused)
    progress  progress(done, total) as points finish
    retry_nodes  optimise: the points whose loop the csv file says was not
              found are solved again at this many nodes (more than `nodes`;
              the sweep and its file stay the same, those rows' status says
              "at N nodes"), before the points not yet done

    Returns a SweepResult (see its columns and units).
    """
    if what == "fly-summary" and ticks is None:
        raise ValueError("ticks is required for fly-summary")
    for name, value, least in (("jobs", jobs, 0), ("cycles", cycles, 1), ("nodes", nodes, 1),
                               ("ticks", 1 if ticks is None else ticks, 1),
                               ("retry_nodes", 5 if retry_nodes is None else retry_nodes, 5)):
        if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, np.integer)) \
                or value < least:
            raise ValueError(f"{name} must be a whole number of at least {least}, not {value!r}")
    from . import _params
    flight_pattern = "" if what in ("optimise", "track") else pattern
    if isinstance(seed, (bool, np.bool_)) or not isinstance(seed, (int, np.integer)):
        raise ValueError(f"seed must be a whole number, not {seed!r}")
    plan = _core.sweep_plan(what, _axes(grid), _params(params, flight_pattern), pattern,
                            int(cycles), float(dt), int(ticks or 0), profile, int(nodes),
                            settings, float(seconds), float(wind_factor), float(gusts),
                            float(seed))
    retry = int(retry_nodes or 0)
    if retry:
        _core.check_retry_nodes(plan, retry)
    size = int(_core.sweep_layout(plan)["size"])
    points = _shard_points(size, shard)
    kept: list = []
    again: set = set()
    if csv and os.path.isfile(csv) and os.path.getsize(csv) > 0:
        text, kept = _core.read_sweep(csv)
        if text != plan:
            raise ValueError(f'"{csv}" holds another sweep ({text}); it is left as it was: '
                             "choose another csv file")
        # A point that failed is computed again (its old row goes).
        again = set(_core.failed_points(plan, kept)) if kept else set()
        kept = [r for r in kept if r[0] not in again]
    done = {r[0] for r in kept}
    todo = [k for k in points if k not in done]
    finer = [k for k in todo if k in again] if retry else []
    todo = [k for k in todo if k not in finer]
    if client is None:
        workers = int(jobs) if int(jobs) > 0 else len(os.sched_getaffinity(0))
        new = _core.run_sweep(plan, todo, workers, csv or "", kept, progress, _worker_command(),
                              finer, retry)
    else:
        new = _dask_rows(client, plan, todo, csv, kept, progress, finer, retry)
    todo = finer + todo
    result = SweepResult(plan, list(kept) + list(new))
    _warn_failed(result, todo)
    return result


def merge(files: Sequence[str], csv: Optional[str] = None) -> SweepResult:
    """The shards' files of one sweep joined (``soarcalculus merge``); written
    to `csv` when given (not one of the shards). The result's ``missing`` lists the points no file
    holds: the sweep run again with csv= the merged file computes only those.
    """
    plan = None
    rows: list = []
    for path in files:
        if csv and os.path.exists(csv) and os.path.exists(path) and os.path.samefile(csv, path):
            raise ValueError(f'csv and the shard "{path}" name the same file: one would '
                             "overwrite the other")
        text, file_rows = _core.read_sweep(path)
        if plan is None:
            plan = text
        elif text != plan:
            raise ValueError(f'"{path}" holds another sweep than "{files[0]}"')
        rows += file_rows
    if plan is None:
        raise ValueError("name the shards' files to merge")
    result = SweepResult(plan, rows)
    if csv:
        result.to_csv(csv)
    return result
