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
    assert p.returncode == 143 and "interrupted" in err
    # The file is a whole sweep's file of the points done (none, on a loaded machine).
    kept = sc.SweepResult.from_csv(str(path))
    assert len(kept) < 8
    again = run(*args).stdout
    assert f"{8 - len(kept)} to compute ({len(kept)} already in" in again
    done = sc.SweepResult.from_csv(str(path))
    whole = sc.sweep({"T_cyc": (6, 9, 8)}, "energy-neutral-wind", pattern="upwind", cycles=100,
                     jobs=2)
    assert same_rows(done, whole)
