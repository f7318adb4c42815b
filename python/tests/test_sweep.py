"""Sweeps: each row is the single run of its point; the command line and
Python write the same file; shards merge into the whole; a sweep resumes from
its file and never overwrites another's; jobs change nothing but the time."""
import math
import os
import signal
import subprocess
import time

import numpy as np
import pytest

import soarcalculus as sc
from conftest import PROGRAM, run


def same_rows(a, b):
    """The rows of two results, all but the seconds they took."""
    strip = lambda r: [(p, i, [None if math.isnan(v) else v for v in o], s)
                       for p, i, o, s, _ in r.rows]
    return strip(a) == strip(b)


def test_each_row_is_its_points_single_run():
    grid = {"W_S": (100, 120, 2), "U_ref": "6:8:2"}
    r = sc.sweep(grid, "fly-summary", pattern="upwind", ticks=1500, dt=0.01, jobs=1)
    assert r.shape == (2, 2) and r.missing == []
    for row in r.rows:
        w_s, u_ref = row[1]
        rows = sc.fly("upwind", 1500, 0.01, params={"W_S": w_s, "U_ref": u_ref})
        assert r["V_end"][row[0]] == rows["V"][-1] and r["Z_end"][row[0]] == rows["Z"][-1]
        assert r["ticks_flown"][row[0]] == 1500
    assert r["W_S"].tolist() == [100, 100, 120, 120]
    assert r.grid("U_ref")[1].tolist() == [6, 8]

    w = sc.sweep({"T_cyc": (7, 8, 2)}, "energy-neutral-wind", pattern="upwind", cycles=3,
                 jobs=1)
    for k, t_cyc in enumerate(w["T_cyc"]):
        p = sc.Params()
        p.set("T_cyc", t_cyc, pattern="upwind")
        single = sc.energy_neutral_wind("upwind", params=p, cycles=3)
        assert w["found"][k] == single.found
        assert w["U_10m"][k] == single.U_10m or (single.least is None and
                                                 math.isnan(w["U_10m"][k]))


def test_an_optimise_sweeps_rows_are_single_solves():
    r = sc.sweep({"glide_ratio": (24, 30, 2)}, "optimise", nodes=40, jobs=2)
    for k, ld in enumerate(r["glide_ratio"]):
        p = sc.Params()
        p["CD0"] = 1.0 / (4.0 * p["K_ind"] * ld * ld)
        single = sc.optimise(params=p, nodes=40)
        assert single.converged and r["converged"][k] == 1
        assert r["wind_scale"][k] == single.wind and r["period"][k] == single.period
    # The poorer glider needs more wind.
    assert r["wind_10m"][0] > r["wind_10m"][1]


def test_the_command_line_and_python_write_the_same_sweep(tmp_path):
    cli = tmp_path / "cli.csv"
    out = run("sweep", "--what", "fly-summary", "--pattern", "crosswind", "--ticks", 800,
              "--dt", 0.02, "--over", "W_S=90:130:3", "--over", "glide_ratio=20:30:2",
              "--preset", "light-wind", "--jobs", 2, "--csv", cli).stdout
    assert "6 to compute" in out
    py = sc.sweep({"W_S": (90, 130, 3), "glide_ratio": (20, 30, 2)}, "fly-summary",
                  pattern="crosswind", ticks=800, dt=0.02, params="light-wind", jobs=1,
                  csv=str(tmp_path / "py.csv"))
    from_cli = sc.SweepResult.from_csv(str(cli))
    assert from_cli.plan == py.plan and same_rows(from_cli, py)
    assert from_cli.columns == open(cli).read().splitlines()[1].split(",")


def test_a_track_sweep_from_python_is_the_command_lines(tmp_path):
    cli = tmp_path / "track.csv"
    run("sweep", "--what", "track", "--set", "CL_max=1.2", "--set", "tip_min=1", "--nodes", 30,
        "--seconds", 60, "--over", "sigma_w=0,0.5", "--over", "seed=1,2", "--jobs", 2,
        "--csv", cli)
    py = sc.sweep({"sigma_w": [0, 0.5], "seed": [1, 2]}, "track", nodes=30, seconds=60,
                  settings={"CL_max": 1.2, "tip_min": 1}, jobs=1)
    from_cli = sc.SweepResult.from_csv(str(cli))
    assert from_cli.plan == py.plan and same_rows(from_cli, py)
    # Calm air: the seed changes nothing and the tracker stays up all the time.
    assert py["time_aloft"][0] == py["time_aloft"][1] == 60 and py["ended"][0] == 0
    with pytest.raises(ValueError, match="seed"):
        sc.sweep({"sigma_w": [0]}, "track", seed=1.5)


def test_shards_merge_into_the_whole_and_resume_fills_the_gaps(tmp_path):
    args = ["sweep", "--what", "fly-summary", "--pattern", "downwind", "--ticks", 600,
            "--dt", 0.02, "--over", "R_0=50:80:4", "--over", "U_ref=6:9:2"]
    whole = tmp_path / "whole.csv"
    run(*args, "--jobs", 1, "--csv", whole)
    shards = [tmp_path / f"part{i}.csv" for i in (1, 2, 3)]
    for i, part in enumerate(shards, start=1):
        run(*args, "--jobs", 2, "--shard", f"{i}/3", "--csv", part)
    merged = tmp_path / "merged.csv"
    run("merge", "--csv", merged, *shards)
    assert same_rows(sc.SweepResult.from_csv(str(merged)), sc.SweepResult.from_csv(str(whole)))

    # Shard 2 lost: merge says which points are missing, and the sweep run
    # again on the merged file computes only those.
    r = run("merge", "--csv", merged, shards[0], shards[2], check=False)
    assert r.returncode == 1 and "missing 3 points: 1, 4, 7" in r.stdout
    assert sc.merge([str(shards[0]), str(shards[2])]).missing == [1, 4, 7]
    again = run(*args, "--jobs", 2, "--csv", merged).stdout
    assert "3 to compute (5 already in" in again
    assert same_rows(sc.SweepResult.from_csv(str(merged)), sc.SweepResult.from_csv(str(whole)))
    assert "0 to compute" in run(*args, "--csv", merged).stdout


def test_a_file_of_another_sweep_is_left_alone(tmp_path):
    path = tmp_path / "s.csv"
    run("sweep", "--what", "fly-summary", "--pattern", "upwind", "--ticks", 50, "--dt", 0.01,
        "--over", "W_S=100:110:2", "--csv", path)
    before = path.read_bytes()
    r = run("sweep", "--what", "fly-summary", "--pattern", "upwind", "--ticks", 60, "--dt",
            0.01, "--over", "W_S=100:110:2", "--csv", path, check=False)
    assert r.returncode == 2 and "holds another sweep" in r.stderr
    with pytest.raises(ValueError, match="holds another sweep"):
        sc.sweep({"W_S": (100, 110, 3)}, "fly-summary", ticks=50, csv=str(path))
    other = tmp_path / "other.csv"
    other.write_text("a,b\n1,2\n")
    r = run("sweep", "--what", "fly-summary", "--pattern", "upwind", "--ticks", 50, "--dt",
            0.01, "--over", "W_S=100:110:2", "--csv", other, check=False)
    assert r.returncode == 2 and "not a sweep's file" in r.stderr
    assert "is left as it was" in r.stderr
    assert path.read_bytes() == before and other.read_text() == "a,b\n1,2\n"


@pytest.mark.parametrize("args, words", [
    (["--what", "optimise", "--over", "T_cyc=5:6:2"], "belongs to a pattern's schedule"),
    (["--what", "fly-summary", "--pattern", "upwind", "--ticks", 5, "--dt", 0.01,
      "--over", "W_S=5:600:3"], "W_S (wing-loading parameter) must be a number from 10 to 500"),
    (["--what", "energy-neutral-wind", "--pattern", "upwind", "--over", "W_S=1:2"],
     "NAME=START:STOP:COUNT"),
    (["--what", "energy-neutral-wind", "--pattern", "upwind", "--over", "glide_ratio=2:3:2"],
     "CD0"),
    (["--what", "optimise", "--over", "n_max=5:6:2", "--shard", "4/3"], "--shard"),
])
def test_bad_sweeps_are_refused_before_anything_runs(tmp_path, args, words):
    path = tmp_path / "s.csv"
    r = run("sweep", *args, "--csv", path, check=False)
    assert r.returncode == 2 and words in r.stderr
    assert not path.exists()


def test_an_interrupted_sweep_keeps_its_points_and_resumes(tmp_path):
    path = tmp_path / "s.csv"
    args = ["sweep", "--what", "energy-neutral-wind", "--pattern", "upwind", "--cycles", 100,
            "--over", "T_cyc=6:9:8", "--jobs", 2, "--csv", path]
    p = subprocess.Popen([PROGRAM, *map(str, args)], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, text=True)
    while "to compute" not in p.stdout.readline():
        pass
    time.sleep(2.5)  # some of the 8 points (0.5 to 1.3 s each, 2 at a time) are done
    p.send_signal(signal.SIGTERM)  # as a cluster's time limit does
    out, err = p.communicate(timeout=60)
    if p.returncode == 0:
        pytest.skip("the sweep finished before the signal")
    assert p.returncode == 130 and "interrupted" in err
    # The file is a whole sweep's file of the points done (none, on a loaded machine).
    kept = sc.SweepResult.from_csv(str(path))
    assert len(kept) < 8
    again = run(*args).stdout
    assert f"{8 - len(kept)} to compute ({len(kept)} already in" in again
    done = sc.SweepResult.from_csv(str(path))
    whole = sc.sweep({"T_cyc": (6, 9, 8)}, "energy-neutral-wind", pattern="upwind", cycles=100,
                     jobs=2)
    assert same_rows(done, whole)


def test_an_optimise_sweep_finishes_while_another_thread_solves():
    # The notebook's pattern: a solve on one thread (it holds the solver's
    # lock), a sweep started from another. Forked workers inherited the held
    # lock and waited for ever; fresh worker processes have their own.
    import threading
    solving = threading.Event()
    solver = threading.Thread(target=lambda: sc.optimise(
        nodes=200, progress=lambda *a: solving.set()))
    solver.start()
    assert solving.wait(60)
    finished = []
    sweeper = threading.Thread(target=lambda: finished.append(
        sc.sweep({"n_max": [4, 5]}, "optimise", nodes=5, jobs=2)))
    sweeper.start()
    sweeper.join(180)
    solver.join(180)
    assert finished, "the sweep did not finish while the other thread solved"
    r = finished[0]
    # 5 nodes are too coarse for a loop: a quick answer, the solver's.
    assert r.missing == [] and all("too coarse" in s for s in r["status"])


def test_grids_are_taken_as_people_write_them():
    ticks = dict(pattern="upwind", ticks=20, dt=0.01, jobs=1)
    listed = sc.sweep({"W_S": [90, 100, 140]}, "fly-summary", **ticks)
    assert listed.shape == (3,) and listed["W_S"].tolist() == [90, 100, 140]
    assert listed.values["W_S"].tolist() == [90, 100, 140]
    as_array = sc.sweep({"W_S": np.array([90.0, 100.0, 140.0])}, "fly-summary", **ticks)
    assert as_array.plan == listed.plan
    spaced = sc.sweep({"W_S": (90, 140, 3)}, "fly-summary", **ticks)
    assert spaced.plan == sc.sweep({"W_S": "90:140:3"}, "fly-summary", **ticks).plan
    assert spaced["W_S"].tolist() == [90, 115, 140]
    # The listed axis is the command line's --over NAME=V1,V2,... and its file.
    assert "W_S:90|100|140" in listed.plan
    for grid, words in [({"W_S": (90, 140)}, "W_S: .*a tuple is \\(start, stop, count\\)"),
                        ({"W_S": (90, 140, 2.5)}, "W_S: the count must be a whole number"),
                        ({"W_S": "90:140"}, "W_S: an axis is"),
                        ({"W_S": 120}, "W_S: an axis is"),
                        ({"W_S": []}, "W_S: the axis lists no value"),
                        ({"W_S": ["90"]}, "W_S: each value must be a number"),
                        ({"W_S": [90, float("nan")]}, "W_S: each value must be a finite"),
                        ({"CD0": (0, True, 3)}, "CD0: the stop must be a number"),
                        ({}, "name at least one axis")]:
        with pytest.raises(ValueError, match=words):
            sc.sweep(grid, "fly-summary", **ticks)


def test_a_failed_point_is_a_row_with_its_reason_and_is_computed_again(tmp_path):
    csv = str(tmp_path / "s.csv")
    # 5 nodes are too coarse: the solver finds no loop (quickly).
    with pytest.warns(RuntimeWarning, match="2 of 2 points failed \\(point 0: .*too coarse"):
        r = sc.sweep({"n_max": [4, 5]}, "optimise", nodes=5, jobs=1, csv=csv)
    assert r.failed == [0, 1] and r.missing == [] and "2 failed" in repr(r)
    table = r.to_numpy()
    assert table["failed"].tolist() == [True, True]
    assert table.dtype["converged"] == np.bool_ and table.dtype["iterations"] == np.int64
    assert table["converged"].tolist() == [False, False] and min(table["iterations"]) > 0
    assert r.units["wind_10m"] == "m/s" and r.units["n_max"] == "-"
    frame = r.to_pandas()
    assert str(frame["iterations"].dtype) == "Int64" and frame.attrs["units"]["period"] == "s"
    assert frame["status"][0] == r["status"][0] and frame["status"][0]
    # The command line sees the failed row and computes it again.
    cli = run("sweep", "--what", "optimise", "--nodes", 5, "--over", "n_max=4,5",
              "--jobs", 2, "--csv", csv)
    assert "2 to compute (0 already in" in cli.stdout
    assert "2 points that failed before are computed again" in cli.stdout
    assert "warning: 2 of 2 points failed (point " in cli.stderr
    assert sc.SweepResult.from_csv(csv).failed == [0, 1]


def test_the_wing_loading_is_an_axis_in_newtons_per_square_metre():
    # The default W_S 107.8 flies at a loading of 140.8 N/m^2.
    assert sc.wing_loading() == pytest.approx(140.8, abs=1e-4)
    loading = sc.sweep({"wing_loading": [140.8, 120]}, "fly-summary", pattern="upwind",
                       ticks=300, dt=0.01, jobs=1)
    by_w_s = sc.sweep({"W_S": [140.8 * 3.5 ** 2 / 16, 120 * 3.5 ** 2 / 16]}, "fly-summary",
                      pattern="upwind", ticks=300, dt=0.01, jobs=1)
    assert loading["V_end"].tolist() == by_w_s["V_end"].tolist()
    assert loading.units["wing_loading"] == "N/m^2"
    with pytest.raises(ValueError, match="each wing loading must be from 13.06"):
        sc.sweep({"wing_loading": [10]}, "fly-summary", pattern="upwind", ticks=3, dt=0.01)
