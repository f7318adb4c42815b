"""The energy-neutral wind, the loop and the picture from Python give the
command line's files and words; Python sweeps resume from their file and keep
their points when stopped."""
import math
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np
import pytest

import soarcalculus as sc
from conftest import run


def test_the_energy_neutral_wind_is_min_winds(tmp_path):
    csv = tmp_path / "w.csv"
    out = run("min-wind", "--pattern", "downwind", "--cycles", 4, "--threads", 2,
              "--preset", "light-wind", "--csv", csv).stdout
    p = sc.Params("light-wind")
    calls = []
    w = sc.energy_neutral_wind("downwind", params=p, cycles=4, threads=1,
                               progress=lambda done, total: calls.append((done, total)))
    w.to_csv(str(tmp_path / "py.csv"))
    assert (tmp_path / "py.csv").read_text() == csv.read_text()
    assert w.found and f"factor {w.factor:.4f} ({w.U_10m:.3f} m/s at 10 m)" in out
    assert w.window == (2, 5)
    assert len(w.table) == len(csv.read_text().splitlines()) - 1
    assert all(0 < done <= total for done, total in calls)
    rising = [c for c in w.crossings if c[2]]
    assert rising and rising[0][0].factor < rising[0][1].factor
    with pytest.raises(ValueError, match="cycles must be from 1 to 1000"):
        sc.energy_neutral_wind("upwind", cycles=0)


def test_the_loop_is_optimises(tmp_path):
    csv = tmp_path / "loop.csv"
    out = run("optimise", "--preset", "zhao-glider", "--nodes", 20, "--csv", csv).stdout
    seen = []
    loop = sc.optimise(params="zhao-glider", nodes=20,
                       progress=lambda *q: seen.append(q))
    assert loop.converged and loop.profile == "linear" and loop.wind_unit == "1/s"
    assert f"least wind gradient: {loop.wind:.6f} 1/s" in out
    assert f"loop period: {loop.period:.3f} s" in out
    loop.to_csv(str(tmp_path / "py.csv"))
    assert (tmp_path / "py.csv").read_text() == csv.read_text()
    assert loop.states.shape == (20, 6) and loop.controls_mid.shape == (19, 2)
    # The table's degrees are the states' radians.
    assert np.allclose(np.radians(loop.table["bank_deg"]), loop.controls[:, 1])
    assert seen and seen[-1][0] >= seen[0][0]
    # The checks the command prints: the closure and the limit that sets the wind.
    assert loop.closure_place < 0.01 and loop.closure_speed < 0.01
    top = loop.active_limits[0]
    assert top["name"] == "n_max" and top["d_wind"] < 0 and top["points"] >= 1
    assert "least wind is set most by n_max" in out


def test_a_quantity_has_one_name_and_unit_in_flights_loops_and_states():
    rows = sc.fly("upwind", ticks=20, dt=0.01, energy=True)
    loop = sc.optimise(nodes=5)  # not closed at 5 nodes, but its nodes are a table
    assert len(loop.table) == 5
    assert set(loop.table.dtype.names) <= set(rows.dtype.names)
    assert all(sc.FLY_COLUMNS[name] == unit for name, unit in sc.LOOP_COLUMNS.items())
    shared = set(sc.STATE_UNITS) & set(sc.FLY_COLUMNS)
    assert shared >= set(sc.FLY_COLUMNS) - {"tick", "E", "dE_wind", "dE_drag"}
    assert all(sc.STATE_UNITS[name] == sc.FLY_COLUMNS[name] for name in shared)
    # The loop file's names read the very columns they name.
    assert np.allclose(np.radians(loop.table["mu_deg"]), loop.controls[:, 1])
    assert np.allclose(np.radians(loop.table["gam_deg"]), loop.states[:, 4])
    for old, new in sc.COLUMN_ALIASES.items():
        if new in sc.LOOP_COLUMNS:
            assert np.array_equal(loop.table[old], loop.table[new]), old
    f = sc.Flight()
    f.step(0.5, bank=30.0)
    assert f["roll"] == f["roll_b"] != 0 and f["yaw"] == f["yaw_b"]


def test_no_loop_is_a_result_and_bad_settings_are_refused():
    r = run("optimise", "--nodes", 15, "--set", "T_min=0.5", "--set", "T_max=1", check=False)
    loop = sc.optimise(nodes=15, settings={"T_min": 0.5, "T_max": 1})
    assert r.returncode == 1 and not loop.converged
    assert loop.status in r.stderr and math.isnan(loop.wind)
    r = run("optimise", "--set", "travel=2", check=False)
    with pytest.raises(ValueError) as e:
        sc.optimise(settings={"travel": 2})
    assert r.returncode == 2 and str(e.value) in r.stderr
    with pytest.raises(ValueError, match="not one of the loop's settings"):
        sc.optimise(settings={"wingspan": 3})
    with pytest.raises(ValueError, match="--nodes must be between 5 and 2000"):
        sc.optimise(nodes=4)
    with pytest.raises(ValueError, match="unknown profile"):
        sc.optimise(profile="cubic")


def test_a_picture_of_a_stopped_flight_is_the_tick_before():
    with pytest.raises(sc.FlightStopped) as stop:
        sc.render("upwind", ticks=3000, dt=0.01, params={"U_ref": 0}, size=(64, 48))
    assert stop.value.picture.shape == (48, 64, 3)
    assert "the picture is of the tick before" in str(stop.value)
    with pytest.raises(ValueError, match="16 to 8192"):
        sc.render("upwind", size=(8, 8))


def test_a_python_sweep_resumes_from_its_file(tmp_path):
    path = str(tmp_path / "s.csv")
    grid = {"W_S": (100, 130, 4)}
    first = sc.sweep(grid, "fly-summary", ticks=300, shard=(2, 2), csv=path, jobs=1)
    assert first["point"].tolist() == [1, 3] and first.missing == [0, 2]
    first = sc.SweepResult.from_csv(path)
    calls = []
    whole = sc.sweep(grid, "fly-summary", ticks=300, csv=path, jobs=1,
                     progress=lambda done, total: calls.append(total))
    assert calls == [2, 2] or set(calls) == {2}
    # The rows of the first run are kept as they were (their seconds too).
    assert whole["seconds"][[1, 3]].tolist() == first["seconds"].tolist()
    assert len(sc.SweepResult.from_csv(path)) == 4
    with pytest.raises(ValueError, match="shard needs"):
        sc.sweep(grid, "fly-summary", ticks=300, shard=(3, 2))
    with pytest.raises(ValueError, match="ticks is required"):
        sc.sweep(grid, "fly-summary")
    with pytest.raises(ValueError, match="W_S"):
        sc.sweep({"W_S": (1, 2, 2)}, "fly-summary", ticks=5)


def test_ctrl_c_keeps_a_python_sweeps_points(tmp_path):
    path = tmp_path / "s.csv"
    code = textwrap.dedent(f"""
        import soarcalculus as sc
        print("start", flush=True)
        try:
            sc.sweep({{"T_cyc": (6, 9, 8)}}, "energy-neutral-wind", cycles=100, jobs=1,
                     csv={str(path)!r})
        except KeyboardInterrupt:
            print("interrupted")
    """)
    p = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True)
    assert p.stdout.readline().strip() == "start"
    time.sleep(3.0)  # a point takes 0.5 to 1.3 s
    p.send_signal(signal.SIGINT)
    out, _ = p.communicate(timeout=60)
    if "interrupted" not in out:
        pytest.skip("the sweep finished before the signal")
    kept = sc.SweepResult.from_csv(str(path))
    # Written before KeyboardInterrupt reached Python (with no point yet on a loaded machine).
    assert len(kept) < 8
