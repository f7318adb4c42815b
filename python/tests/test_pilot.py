"""The commanded flight stepped from Python, and its environment."""
import math

import numpy as np
import pytest

import soarcalculus as sc
from conftest import run

I = {name: i for i, name in enumerate(sc.STATE_FIELDS)}


def weave(t):
    return 8.0 * math.sin(0.7 * t), 0.5 + 0.1 * math.sin(1.1 * t)


def test_a_flight_stepped_from_python_replays_on_the_command_line_bit_for_bit(tmp_path):
    # fly's clock from 0 at dt 0.01: tick k is at the float of (k - 1) 0.01 s.
    params = {"Z_start": 20.0}
    for gusts in (0.0, 0.3):
        f = sc.Flight(params, start="upwind", gusts=gusts, seed=5)
        rows = [f.state.copy()]
        lines = ["t,mu_deg,CL"]
        for k in range(2, 801):
            bank, cl = weave(float(f["t"]))
            lines.append(",".join(repr(float(np.float32(v))) for v in (f["t"], bank, cl)))
            t_next = float(np.float32((k - 1) * 0.01))
            assert f.step(t_next - float(f["t"]), bank=float(np.float32(bank)),
                          cl=float(np.float32(cl)))
            rows.append(f.state.copy())
        cmds, out = tmp_path / "c.csv", tmp_path / "o.csv"
        cmds.write_text("\n".join(lines) + "\n")
        extra = ["--gusts", str(gusts), "--seed", "5"] if gusts else []
        run("fly", "--pattern", "upwind", "--ticks", 800, "--dt", 0.01, "--set", "Z_start=20",
            "--commands", cmds, "--csv", out, *extra)
        with open(out) as fh:
            names = fh.readline().strip().split(",")
            table = [line.strip().split(",") for line in fh]
        assert len(table) == len(rows)
        for name in ("t", "X", "Y", "Z", "V", "gam_deg", "psi_deg", "mu_deg", "Nz", "CL", "U",
                     "alpha", "roll_b", "pitch_b", "yaw_b"):
            c = names.index(name)
            flown = np.array([np.float32(r[c]) for r in table])
            mine = np.array([r[I[name]] for r in rows], dtype=np.float32)
            assert np.array_equal(flown.view(np.uint32), mine.view(np.uint32)), name


def test_the_state_is_a_read_only_view_that_follows_the_flight():
    f = sc.Flight(start={"Z": 50.0, "V": 22.0, "CL": 0.45})
    s = f.state
    assert s.dtype == np.float32 and s.shape == (len(sc.STATE_FIELDS),)
    assert s[I["Z"]] == np.float32(50.0) and s[I["V"]] == np.float32(22.0)
    f.step(0.5, bank=20.0)
    assert s[I["t"]] == np.float32(0.5) and s[I["mu_deg"]] == f["mu_deg"] > 0
    with pytest.raises(ValueError):
        s[I["Z"]] = 0.0
    e = f.energy
    assert e["E"] == pytest.approx(e["E_kin"] + e["E_pot"], rel=1e-6)
    assert e["dE_drag"] < 0 and e["dE_gust"] == 0
    f.reset()
    assert s[I["t"]] == 0 and s[I["Z"]] == np.float32(50.0)
    assert set(sc.STATE_UNITS) == set(sc.STATE_FIELDS)


def test_faults_end_the_flight_with_their_reason_and_bad_input_is_refused():
    f = sc.Flight(start={"Z": 30.0, "V": 25.0, "CL": 0.4})
    alive = True
    while alive:
        alive = f.step(0.01, cl=2.5)
    assert "stalled" in f.fault
    with pytest.raises(RuntimeError):
        f.step(0.01)
    f.reset()
    assert f.fault == "" and f.step(0.01)
    with pytest.raises(KeyError):
        sc.Flight(start={"Nz": 2.0})
    with pytest.raises(KeyError):
        sc.Flight(limits={"wing": 1.0})
    with pytest.raises(ValueError):
        f.step(0.01, cl=0.5, nz=1.0)
    with pytest.raises(ValueError):
        sc.Flight(start="fixed")
    low = sc.Flight(start={"Z": 1.0, "V": 25.0, "CL": 0.37}, limits={"bank_rate_max": 500.0})
    assert not low.step(0.2, bank=60.0) and "wing tip" in low.fault


def test_the_environment_rewards_energy_and_ends_on_a_fault():
    env = sc.SoaringEnv(start={"Z": 20.0}, gusts=0.5, seed=2, max_steps=50)
    obs, info = env.reset()
    assert obs.shape == (len(env.OBSERVATION_FIELDS),) and obs.dtype == np.float32
    total, E0 = 0.0, info["E"]
    for _ in range(50):
        obs, reward, terminated, truncated, info = env.step([15.0, 0.45])
        total += reward
        assert not terminated
    assert truncated
    assert total == pytest.approx(info["E"] - E0, abs=1e-3)
    # The same seed gives the same gusts, another seed others.
    again = sc.SoaringEnv(start={"Z": 20.0}, gusts=0.5, seed=2)
    other = sc.SoaringEnv(start={"Z": 20.0}, gusts=0.5, seed=3)
    a, b = again.reset()[0], other.reset()[0]
    for _ in range(20):
        a = again.step([15.0, 0.45])[0]
        b = other.step([15.0, 0.45])[0]
    assert not np.array_equal(a, b)
    # Diving with no lift ends in the sea.
    env.reset()
    terminated = False
    while not terminated:
        _, _, terminated, truncated, info = env.step([0.0, 0.0])
        assert not truncated
    assert "sea" in info["fault"]


def test_the_fly_yourself_start_is_level_and_an_untouched_stick_glides_a_while():
    f = sc.Flight(start="fly-yourself")
    assert f["Z"] == 12.0 and f["gam_deg"] == 0.0 and f["mu_deg"] == 0.0
    steps = 0
    while f.step(0.01) and steps < 6000:
        steps += 1
    assert "sea" in f.fault and steps > 1000
