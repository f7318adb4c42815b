"""Parameters from Python are the program's: the same file text, the same
refusals and messages, an exact round trip through files and pickles."""
import pickle

import numpy as np
import pytest

import soarcalculus as sc
from conftest import run


def test_toml_is_what_params_writes_and_reads_back(tmp_path):
    p = sc.Params("zhao-glider")
    p["W_S"] = 130.5
    p["upwind.T_cyc"] = 7.25
    p.set("R_0", 61.0, pattern="downwind")
    cli = run("params", "--preset", "zhao-glider", "--set", "W_S=130.5", "--pattern", "upwind",
              "--set", "T_cyc=7.25").stdout
    q = sc.Params.from_toml(cli)
    q.set("R_0", 61.0, pattern="downwind")
    assert q == p and q.toml() == p.toml()
    path = tmp_path / "bird.toml"
    p.save(str(path))
    back = sc.Params.load(str(path))
    assert back == p
    assert back["W_S"] == p["W_S"] and back.get("T_cyc", pattern="upwind") == 7.25
    assert pickle.loads(pickle.dumps(p)) == p
    assert pickle.loads(pickle.dumps(p)).preset == "zhao-glider"


def test_values_are_refused_with_the_command_lines_message():
    r = run("fly", "--pattern", "upwind", "--ticks", 1, "--dt", 0.01, "--set", "W_S=9",
            check=False)
    assert r.returncode == 2
    p = sc.Params()
    with pytest.raises(ValueError) as e:
        p["W_S"] = 9
    assert str(e.value) in r.stderr
    for bad in (float("nan"), float("inf"), 500.01):
        with pytest.raises(ValueError):
            p["W_S"] = bad
    assert p == sc.Params()  # nothing was taken
    with pytest.raises(KeyError, match="W_S"):
        p["wing_loading"] = 100
    with pytest.raises(KeyError, match="not a parameter of this pattern"):
        p.set("T_cyc", 8, pattern="downwind")
    with pytest.raises(ValueError, match="unknown preset"):
        sc.Params("sparrow")


def test_a_bad_file_is_refused_with_its_line(tmp_path):
    path = tmp_path / "bad.toml"
    path.write_text("[bird]\nW_S = 120\nCD0 = 7\n")
    with pytest.raises(ValueError, match=r"bad.toml:3: CD0 .* from 0 to 0.2"):
        sc.Params.load(str(path))
    with pytest.raises(RuntimeError, match="no-such-folder"):
        sc.Params().save(str(tmp_path / "no-such-folder" / "p.toml"))


def test_fields_describe_every_settable_parameter():
    p = sc.Params()
    for f in sc.fields():
        pattern = f.patterns[0]
        p.set(f.name, f.min, pattern=pattern)
        p.set(f.name, f.max, pattern=pattern)
        with pytest.raises(ValueError, match=f.name):
            p.set(f.name, f.max + max(1.0, abs(f.max)), pattern=pattern)
    assert [name for name, _ in sc.presets()][0] == "design-albatross"


def test_a_dict_of_values_flies_as_the_same_params():
    p = sc.Params()
    p["U_ref"] = 8.5
    a = sc.fly("upwind", 200, 0.01, params={"U_ref": 8.5})
    b = sc.fly("upwind", 200, 0.01, params=p)
    assert (a == b).all()
    assert not (a == sc.fly("upwind", 200, 0.01)).all()


def test_the_wind_profile_is_chosen_by_name_as_on_the_command_line():
    p = sc.Params()
    p["profile"] = "logarithmic"
    assert "profile = \"logarithmic\"" in p.toml()
    cli = run("fly", "--pattern", "downwind", "--ticks", 300, "--dt", 0.01,
              "--set", "profile=logarithmic").stdout
    rows = sc.fly("downwind", 300, 0.01, params=p)
    last = cli.splitlines()[-1].split(",")
    assert np.float32(last[5]) == rows["Z"][-1] and np.float32(last[13]) == rows["U"][-1]
    with pytest.raises(ValueError, match="must be one of exponential, logarithmic"):
        p["profile"] = "cubic"
