"""The package as researchers use it: one version everywhere, parameters as a
mapping that pickles by name, short reprs, a clean namespace, NumPy 2's API,
and a type stub true to the engine."""
import ast
import inspect
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


def _parameters(doc_line):
    """The parameter names of a pybind11 signature line "f(a: int, b: X[c, d] = 1) -> T"."""
    inside = doc_line[doc_line.index("(") + 1:doc_line.rindex(") ->")]
    names, depth, word = [], 0, ""
    for ch in inside + ",":
        depth += ch in "[(" and 1 or ch in "])" and -1 or 0
        if ch == "," and depth == 0:
            if word.strip():
                names.append(word.split(":")[0].strip())
            word = ""
        else:
            word += ch
    return names


def _stub_parameters(node):
    args = [a.arg for a in node.args.posonlyargs + node.args.args + node.args.kwonlyargs]
    return args[1:] if args and args[0] in ("self", "cls") else args


def _runtime_parameters(obj):
    doc = (getattr(obj, "__doc__", None) or "").strip()
    if doc.startswith(getattr(obj, "__name__", "?") + "(*args, **kwargs)"):
        return None  # overloaded: each overload is its own signature
    if doc.startswith(getattr(obj, "__name__", "?") + "("):
        names = _parameters(doc.splitlines()[0])
        return names[1:] if names and names[0] == "self" else names
    params = list(inspect.signature(obj).parameters)
    return params[1:] if params and params[0] == "self" else params


def _same_parameters(stub, runtime):
    """The stub's names are the engine's; where the engine names none (arg0,
    arg1, ...), their number."""
    if runtime is None:
        return True
    if all(re.fullmatch(r"arg\d+", n) for n in runtime):
        return len(stub) == len(runtime)
    return stub == runtime


def test_the_type_stub_names_what_the_engine_exports_with_its_arguments():
    stub = ast.parse(open(os.path.join(os.path.dirname(sc._core.__file__), "_core.pyi")).read())
    declared = {}
    for node in stub.body:
        if isinstance(node, ast.AnnAssign):
            declared[node.target.id] = None
        elif isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            declared[node.name] = node
    exported = {n for n in dir(sc._core) if not n.startswith("__")} | {"__version__"}
    assert set(declared) == exported
    for name, node in declared.items():
        obj = getattr(sc._core, name)
        if isinstance(node, ast.FunctionDef):
            assert _same_parameters(_stub_parameters(node), _runtime_parameters(obj)), name
        if not isinstance(node, ast.ClassDef):
            continue
        members = {m.name: m for m in node.body if isinstance(m, ast.FunctionDef)}
        members.update({m.target.id: None for m in node.body if isinstance(m, ast.AnnAssign)})
        public = {n for n in dir(obj) if not n.startswith("__")}
        assert {n for n in members if not n.startswith("__")} == public, name
        for member, m in members.items():
            if m is None or any(isinstance(d, ast.Name) and d.id == "property"
                                for d in m.decorator_list):
                continue
            assert member in dir(obj), (name, member)
            assert _same_parameters(_stub_parameters(m),
                                    _runtime_parameters(getattr(obj, member))), (name, member)
