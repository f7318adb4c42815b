"""The Python examples of README.md and docs/python.md run as written, each
block in a fresh interpreter in an empty folder (the Dask block starts its own
LocalCluster)."""
import os
import re
import subprocess
import sys

import pytest

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")


def blocks(name):
    text = open(os.path.join(ROOT, name)).read()
    return re.findall(r"```python\n(.*?)```", text, flags=re.S)


EXAMPLES = [(name, k, code) for name in ("README.md", "docs/python.md")
            for k, code in enumerate(blocks(name))]


def test_the_docs_have_python_examples():
    assert {name for name, _, _ in EXAMPLES} == {"README.md", "docs/python.md"}


@pytest.mark.parametrize("name, k, code", EXAMPLES, ids=[f"{n}-{k}" for n, k, _ in EXAMPLES])
def test_a_python_example_runs_as_written(tmp_path, name, k, code):
    r = subprocess.run([sys.executable, "-c", code], cwd=tmp_path, capture_output=True,
                       text=True, timeout=900)
    assert r.returncode == 0, f"{name}, example {k + 1}:\n{code}\n{r.stderr}"
