"""Sweeps from Python: the grid of ``soarcalculus sweep``, run here (worker
processes) or mapped over a dask.distributed cluster, point for point the
same rows."""

import os
import time
from typing import Callable, Dict, List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _core

Axis = Union[str, Tuple[float, float, int]]


def _axes(grid: Dict[str, Axis]):
    axes = []
    for name, axis in grid.items():
        if isinstance(axis, str):
            parts = axis.split(":")
            if len(parts) != 3:
                raise ValueError(f'{name}: an axis is START:STOP:COUNT, not "{axis}"')
            axis = parts
        start, stop, count = axis
        if float(count) != int(float(count)):
            raise ValueError(f"{name}: the count must be a whole number, not {count}")
        axes.append((str(name), float(start), float(stop), int(float(count))))
    return axes


def _point(plan: str, point: int):
    """One point of a sweep (what a Dask worker runs): the row as a tuple."""
    return _core.sweep_point(plan, point)


class SweepResult:
    """The rows of a sweep, one per point done, in point order.

    what       "energy-neutral-wind", "optimise" or "fly-summary"
    axes       [(name, start, stop, count)], the first varying slowest
    shape      the grid's shape, (count, ...) per axis
    columns    point, the axes, the results, status, seconds
    plan       the sweep as text (the file's first line)

    r["wind_10m"]   a column as a NumPy array, in point order (floats; nan
                    where there is no value, e.g. no loop; status: str)
    r.grid(name)    a column on the grid, shaped `shape`, nan where a point
                    is missing
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
        self.results = list(layout["results"])
        self.size = int(layout["size"])
        self.shape = tuple(a[3] for a in self.axes)
        by_point = {}
        for r in rows:
            by_point.setdefault(int(r[0]), (int(r[0]), list(r[1]), list(r[2]), r[3], r[4]))
        self.rows = [by_point[k] for k in sorted(by_point)]

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

    def to_csv(self, path: str) -> None:
        _core.write_sweep(path, self.plan, self.rows)

    @staticmethod
    def from_csv(path: str) -> "SweepResult":
        plan, rows = _core.read_sweep(path)
        return SweepResult(plan, rows)

    def __repr__(self) -> str:
        grid = " x ".join(f"{a[0]} ({a[3]})" for a in self.axes)
        return f"<SweepResult {self.what} over {grid}: {len(self)} of {self.size} points>"


def _shard_points(size: int, shard) -> List[int]:
    if shard is None:
        return list(range(size))
    index, count = (int(v) for v in shard)
    if not (1 <= count <= 100000 and 1 <= index <= count):
        raise ValueError(f"shard needs (I, N), a shard I from 1 to N of N, not {shard}")
    return list(range(index - 1, size, count))


def _dask_rows(client, plan: str, todo: List[int], csv: Optional[str], kept: list,
               progress) -> list:
    from distributed import as_completed
    futures = client.map(_point, [plan] * len(todo), todo)
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
          settings: Optional[Dict[str, float]] = None, jobs: int = 0,
          shard: Optional[Tuple[int, int]] = None, client=None, csv: Optional[str] = None,
          progress: Optional[Callable[[int, int], None]] = None) -> SweepResult:
    """One question at every point of a grid, as ``soarcalculus sweep``.

    grid      {name: (start, stop, count)} or {name: "START:STOP:COUNT"}: count
              values from start to stop, both included; the Cartesian grid,
              the first name varying slowest. A name is a parameter (W_S,
              CD0, U_ref, ...; see fields()), glide_ratio (the best glide
              ratio 1/(2 sqrt(CD0 K_ind)), flown by setting CD0 for the
              point's K_ind) or, for optimise, one of the loop's settings
              (n_max, bank_max, ...).
    what      "energy-neutral-wind" (pattern, cycles, dt), "optimise"
              (profile, nodes, settings) or "fly-summary" (pattern, ticks, dt)
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

    Returns a SweepResult (see its columns and units).
    """
    if what == "fly-summary" and ticks is None:
        raise ValueError("ticks is required for fly-summary")
    from . import _params
    flight_pattern = "" if what == "optimise" else pattern
    plan = _core.sweep_plan(what, _axes(grid), _params(params, flight_pattern), pattern,
                            int(cycles), float(dt), int(ticks or 0), profile, int(nodes),
                            settings)
    size = int(_core.sweep_layout(plan)["size"])
    points = _shard_points(size, shard)
    kept: list = []
    if csv and os.path.isfile(csv) and os.path.getsize(csv) > 0:
        text, kept = _core.read_sweep(csv)
        if text != plan:
            raise ValueError(f'"{csv}" holds another sweep ({text}); it is left as it was: '
                             "choose another csv file")
    done = {r[0] for r in kept}
    todo = [k for k in points if k not in done]
    if client is None:
        workers = int(jobs) if int(jobs) > 0 else len(os.sched_getaffinity(0))
        new = _core.run_sweep(plan, todo, workers, csv or "", kept, progress)
    else:
        new = _dask_rows(client, plan, todo, csv, kept, progress)
    return SweepResult(plan, list(kept) + list(new))


def merge(files: Sequence[str], csv: Optional[str] = None) -> SweepResult:
    """The shards' files of one sweep joined (``soarcalculus merge``); written
    to `csv` when given. The result's ``missing`` lists the points no file
    holds: the sweep run again with csv= the merged file computes only those.
    """
    plan = None
    rows: list = []
    for path in files:
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
