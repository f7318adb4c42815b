"""fly from Python is the command line's fly, bit for bit; render's picture is
the PNG render saves; importing and flying never load Qt; Ctrl-C stops a
long call."""
import os
import signal
import subprocess
import sys
import textwrap
import time

import numpy as np
import pytest

import soarcalculus as sc
from conftest import csv_bits, run


def assert_rows_equal(rows, path):
    names, data = csv_bits(path)
    assert list(rows.dtype.names) == names
    assert len(rows) == len(data)
    assert np.array_equal(rows["tick"], data[:, 0].astype(np.int64))
    for i, name in enumerate(names[1:], start=1):
        want = data[:, i].astype(np.float32).view(np.uint32)
        got = rows[name].view(np.uint32)
        bad = np.flatnonzero(got != want)
        assert bad.size == 0, f"{name} differs first at tick {bad[0] + 1}"


@pytest.mark.parametrize("pattern, ticks, dt, extra, kwargs", [
    ("upwind", 3000, 0.01, [], {}),
    ("circlezoom", 2000, 0.013, ["--clock-start", "86390", "--energy"],
     {"clock_start": 86390.0, "energy": True}),
    ("downwind", 1500, 0.02, ["--preset", "heavier-albatross", "--set", "R_0=42"],
     {"params": "heavier-albatross"}),
])
def test_the_rows_are_the_csvs_to_the_bit(tmp_path, pattern, ticks, dt, extra, kwargs):
    csv = tmp_path / "f.csv"
    run("fly", "--pattern", pattern, "--ticks", ticks, "--dt", dt, "--csv", csv, *extra)
    if "--set" in extra:
        p = sc.Params(kwargs.pop("params"))
        p.set("R_0", 42, pattern="downwind")
        kwargs["params"] = p
    rows = sc.fly(pattern, ticks, dt, **kwargs)
    assert_rows_equal(rows, csv)


def test_a_stopped_flight_keeps_the_rows_the_command_line_keeps(tmp_path):
    csv = tmp_path / "f.csv"
    r = run("fly", "--pattern", "upwind", "--ticks", 3000, "--dt", 0.01, "--set", "U_ref=0",
            "--csv", csv, check=False)
    assert r.returncode == 1
    with pytest.raises(sc.FlightStopped) as stop:
        sc.fly("upwind", 3000, 0.01, params={"U_ref": 0})
    assert "airspeed" in str(stop.value) or "sea" in str(stop.value)
    assert str(stop.value).split(";")[0] in r.stderr
    assert 0 < len(stop.value.rows) < 3000
    assert_rows_equal(stop.value.rows, csv)


def test_bad_arguments_get_the_command_lines_words():
    with pytest.raises(ValueError, match=r'ticks needs a whole number from 1 to 1000000000, not "0"'):
        sc.fly("upwind", 0, 0.01)
    with pytest.raises(ValueError, match=r"dt needs a number from 0.000001 to 10 s"):
        sc.fly("upwind", 10, 20.0)
    with pytest.raises(ValueError, match=r"clock_start"):
        sc.fly("upwind", 10, 0.01, clock_start=float("nan"))
    with pytest.raises(ValueError, match=r'unknown pattern "fixed"'):
        sc.fly("fixed", 10, 0.01)


def test_render_is_the_png_render_saves(tmp_path):
    import matplotlib.image as mpimg
    png = tmp_path / "r.png"
    run("render", "--pattern", "upwind", "--ticks", 300, "--dt", 0.02, "--grid",
        "--size", "200x150", "--png", png)
    picture = sc.render("upwind", ticks=300, dt=0.02, grid=True, size=(200, 150))
    assert picture.shape == (150, 200, 3) and picture.dtype == np.uint8
    saved = (mpimg.imread(png)[:, :, :3] * 255 + 0.5).astype(np.uint8)
    assert np.array_equal(picture, saved)
    # A picture is drawn: more than the background's colours.
    assert len(np.unique(picture.reshape(-1, 3), axis=0)) > 3


def test_import_and_fly_load_no_qt_render_does():
    code = textwrap.dedent("""
        import soarcalculus as sc
        def qt():
            return "libQt6" in open("/proc/self/maps").read()
        sc.fly("upwind", 100, 0.01)
        before = qt()
        sc.render("fixed", size=(32, 32))
        print(before, qt())
    """)
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                         check=True).stdout.split()
    assert out == ["False", "True"]


def test_ctrl_c_stops_a_long_search():
    code = textwrap.dedent("""
        import sys, time, soarcalculus as sc
        print("start", flush=True)
        t0 = time.monotonic()
        try:
            sc.energy_neutral_wind("upwind", cycles=1000, threads=1)
            print("finished")
        except KeyboardInterrupt:
            print("interrupted %.2f" % (time.monotonic() - t0))
    """)
    p = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, text=True)
    assert p.stdout.readline().strip() == "start"
    time.sleep(1.0)
    p.send_signal(signal.SIGINT)
    out, _ = p.communicate(timeout=30)
    word, seconds = out.split()
    assert word == "interrupted"
    # Stopped within a few tenths of the signal, not after the whole search.
    assert float(seconds) < 3.0
