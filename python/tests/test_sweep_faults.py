"""Nothing lost in sweeps, merges and videos, tried with real faults: signals
really sent, a second writer really running, real devices and pipes."""
import os
import signal
import subprocess
import time

import pytest

import soarcalculus as sc
from conftest import PROGRAM, run

SLOW_SWEEP = ["sweep", "--what", "energy-neutral-wind", "--pattern", "upwind", "--cycles", 100,
              "--over", "T_cyc=6:9:8", "--jobs", 2]


def started(args):
    """The program running `args`, once it has said what it computes."""
    p = subprocess.Popen([PROGRAM, *map(str, args)], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, text=True)
    while "to compute" not in p.stdout.readline():
        assert p.poll() is None, p.stderr.read()
    return p


@pytest.mark.parametrize("sig", [signal.SIGHUP, signal.SIGTERM, signal.SIGINT])
def test_a_signal_stops_a_sweep_with_its_rows_kept(tmp_path, sig):
    path = tmp_path / "s.csv"
    p = started([*SLOW_SWEEP, "--csv", path])
    time.sleep(2.0)
    p.send_signal(sig)
    out, err = p.communicate(timeout=60)
    if p.returncode == 0:
        pytest.skip("the sweep finished before the signal")
    assert p.returncode == 130 and "interrupted" in err
    kept = sc.SweepResult.from_csv(str(path))  # a whole file of the points done
    again = run(*SLOW_SWEEP, "--csv", path).stdout
    assert f"{8 - len(kept)} to compute ({len(kept)} already in" in again


def test_a_second_writer_of_one_file_is_refused_naming_the_first(tmp_path):
    path = tmp_path / "s.csv"
    first = started([*SLOW_SWEEP, "--csv", path])
    try:
        second = run(*SLOW_SWEEP, "--csv", path, check=False)
        assert second.returncode == 2
        assert f"process {first.pid}" in second.stderr and "being written" in second.stderr
        with pytest.raises(ValueError, match=f"being written by another sweep \\(process "
                                             f"{first.pid}"):
            sc.sweep({"T_cyc": (6, 9, 8)}, "energy-neutral-wind", pattern="upwind",
                     cycles=100, jobs=2, csv=str(path))
    finally:
        first.send_signal(signal.SIGINT)
        first.communicate(timeout=60)
    # The first one's lock is gone with it.
    assert not os.path.exists(str(path) + ".lock")


def test_an_output_that_cannot_be_written_is_found_before_the_first_point(tmp_path):
    long_name = tmp_path / ("x" * 256 + ".csv")
    t0 = time.monotonic()
    r = run(*SLOW_SWEEP, "--csv", long_name, check=False)
    assert r.returncode in (1, 2) and "File name too long" in r.stderr
    assert "points computed" not in r.stdout and time.monotonic() - t0 < 20


def test_merge_refuses_devices_pipes_and_conflicting_rows(tmp_path):
    shard = tmp_path / "a.csv"
    run("sweep", "--what", "fly-summary", "--pattern", "upwind", "--ticks", 50, "--dt", 0.01,
        "--over", "W_S=100:110:2", "--csv", shard)
    merged = tmp_path / "m.csv"
    for device in ("/dev/zero", "/dev/full"):
        r = run("merge", "--csv", merged, shard, device, check=False, timeout=30)
        assert r.returncode == 2 and f'"{device}" is a device' in r.stderr
    fifo = tmp_path / "pipe"
    os.mkfifo(fifo)
    r = run("merge", "--csv", merged, fifo, check=False, timeout=30)  # no writer: not waited on
    assert r.returncode == 2 and "is a pipe" in r.stderr
    assert not merged.exists()
    # Two different rows for point 1: refused, naming it.
    lines = shard.read_text().splitlines(keepends=True)
    other = tmp_path / "b.csv"
    cells = lines[3].split(",")
    cells[3] = "9999"  # point 1's t_end
    other.write_text("".join(lines[:3]) + ",".join(cells))
    r = run("merge", "--csv", merged, shard, other, check=False)
    assert r.returncode == 2 and "point 1 has two different rows" in r.stderr
    assert not merged.exists()
    r = run("merge", "--csv", merged, shard)
    assert "merged 1 file: 2 of 2 points" in r.stdout
    # The merged file over one of its shards, by another spelling of its name.
    before = shard.read_bytes()
    with pytest.raises(ValueError, match="name the same file"):
        sc.merge([str(merged), str(shard)], csv=str(tmp_path / "." / "a.csv"))
    assert shard.read_bytes() == before


def test_sweep_and_merge_say_when_standard_output_is_full(tmp_path):
    with open("/dev/full", "w") as full:
        r = subprocess.run([PROGRAM, "sweep", "--what", "fly-summary", "--pattern", "upwind",
                            "--ticks", "5", "--dt", "0.01", "--over", "W_S=100:110:2", "--csv",
                            str(tmp_path / "s.csv")], stdout=full, stderr=subprocess.PIPE,
                           text=True)
    assert r.returncode == 1 and "cannot write to standard output" in r.stderr
    assert len(sc.SweepResult.from_csv(str(tmp_path / "s.csv"))) == 2  # the rows are kept
    # A reader that goes away (sweep | head -2): no death by SIGPIPE, every row kept.
    p = subprocess.Popen([PROGRAM, "sweep", "--what", "fly-summary", "--pattern", "upwind",
                          "--ticks", "3000", "--dt", "0.01", "--over", "W_S=100:140:40",
                          "--jobs", "2", "--csv", str(tmp_path / "p.csv")],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    p.stdout.readline(), p.stdout.readline()
    p.stdout.close()
    err = p.stderr.read()
    assert p.wait(timeout=120) == 1 and "Broken pipe" in err
    assert len(sc.SweepResult.from_csv(str(tmp_path / "p.csv"))) == 40


@pytest.mark.parametrize("sig", [signal.SIGTERM, signal.SIGHUP])
def test_a_signal_stops_a_video_and_its_frames_with_nothing_left(tmp_path, sig):
    frames = tmp_path / "frames"
    frames.mkdir()
    video = tmp_path / "v.mp4"
    p = subprocess.Popen([PROGRAM, "render", "--pattern", "upwind", "--seconds", "600",
                          "--size", "160x120", "--video", str(video), "--frames", str(frames)],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    deadline = time.monotonic() + 60
    while not any(frames.iterdir()) and time.monotonic() < deadline:
        time.sleep(0.05)
    p.send_signal(sig)
    out, err = p.communicate(timeout=60)
    assert p.returncode == 130 and "interrupted" in err
    assert not video.exists() and list(frames.iterdir()) == []


def test_failed_loops_are_solved_again_on_a_finer_mesh_when_asked(tmp_path):
    # The glider's loop does not close at 5 nodes; at 15 it does.
    grid, cli = {"travel": [0]}, tmp_path / "cli.csv"
    py = str(tmp_path / "py.csv")
    coarse = dict(what="optimise", params="zhao-glider", nodes=5, jobs=1, csv=py)
    with pytest.warns(RuntimeWarning, match="1 of 1 points failed"):
        first = sc.sweep(grid, **coarse)
    assert first.failed == [0] and not first.to_numpy()["converged"][0]
    calls = []
    finer = sc.sweep(grid, **coarse, retry_nodes=15, progress=lambda *c: calls.append(c))
    assert finer.failed == [] and calls == [(1, 1)]
    assert finer["status"][0].endswith("; at 15 nodes") and finer["wind_10m"][0] > 0
    # The file is still the 5-node sweep's: run again as it was, it computes nothing.
    assert sc.SweepResult.from_csv(py).plan == first.plan
    again = sc.sweep(grid, **coarse, progress=lambda *c: calls.append(c))
    assert calls == [(1, 1)] and again["wind_10m"].tolist() == finer["wind_10m"].tolist()
    # The command line the same, to the last bit of the wind.
    args = ["sweep", "--what", "optimise", "--preset", "zhao-glider", "--nodes", 5, "--over",
            "travel=0", "--jobs", 1, "--csv", cli]
    assert "1 of 1 points failed" in run(*args).stderr
    out = run(*args, "--retry-nodes", 15).stdout
    assert "1 point that failed before is computed again at 15 nodes" in out
    assert sc.SweepResult.from_csv(str(cli))["wind_10m"].tolist() == finer["wind_10m"].tolist()
    # Only a finer mesh, only for loops.
    for bad in (["--retry-nodes", 5], ["--retry-nodes", 2001]):
        r = run(*args, *bad, check=False)
        assert r.returncode == 2 and "--retry-nodes" in r.stderr
    with pytest.raises(ValueError, match="more than the sweep's 5"):
        sc.sweep(grid, **coarse, retry_nodes=5)
    with pytest.raises(ValueError, match="for --what optimise"):
        sc.sweep({"W_S": [100]}, "fly-summary", ticks=5, retry_nodes=20)
