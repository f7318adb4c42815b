"""The package as researchers use it: one version everywhere, parameters as a
mapping that pickles by name, short reprs, a clean namespace, NumPy 2's API."""
import os
import pickle
import re

import numpy as np

import soarcalculus as sc

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")


def test_one_version_for_cmake_the_package_and_pip():
    cmake = open(os.path.join(ROOT, "CMakeLists.txt")).read()
    version = re.search(r"project\(soarcalculus VERSION ([0-9.]+)", cmake).group(1)
    assert sc.__version__ == version
    pyproject = open(os.path.join(ROOT, "pyproject.toml")).read()
    assert 'dynamic = ["version"]' in pyproject  # setup.py reads CMake's
    assert os.path.exists(os.path.join(os.path.dirname(sc.__file__), "py.typed"))


def test_params_are_a_mapping_that_pickles_by_name():
    p = sc.Params("zhao-glider")
    p["W_S"] = 130.5
    p["upwind.T_cyc"] = 7.25
    assert "W_S" in p and "upwind.T_cyc" in p and "sparrow" not in p and 3 not in p
    d = dict(p)
    assert d == p.to_dict() and d["W_S"] == p["W_S"] and d["upwind.T_cyc"] == 7.25
    assert list(p.keys()) == list(d) and len(p) == len(d)
    assert dict(p.items()) == d and list(p.values()) == list(d.values())
    blob = pickle.dumps(p)
    assert b"W_S" in blob and b"T_cyc" in blob  # named, not a struct's bytes
    back = pickle.loads(blob)
    assert back == p and back.preset == "zhao-glider" and back.toml() == p.toml()


def test_reprs_are_short_and_the_namespace_is_the_packages():
    loop = sc.optimise(nodes=5)  # too coarse to close: a quick answer
    assert len(repr(loop)) < 200 and "not found" in repr(loop)
    assert len(repr(sc.Params())) < 200
    names = dir(sc)
    for leaked in ("Callable", "Dict", "np", "dataclass", "Union"):
        assert leaked not in names
    assert {"fly", "sweep", "Params", "__version__", "wing_loading"} <= set(names)


def test_the_loop_table_is_built_without_numpys_removed_modules():
    # np.core.records is gone from NumPy 2's public API; np.rec is in both.
    loop = sc.optimise(nodes=5)
    assert loop.table.dtype.names[:3] == ("t", "X", "Y") and len(loop.table) == 5
    assert isinstance(loop.table, np.ndarray)
