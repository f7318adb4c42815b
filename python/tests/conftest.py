import os
import subprocess

import numpy as np
import pytest

# The program the module is compared with (ctest sets it; else the build tree's).
PROGRAM = os.environ.get(
    "SOAR_PROGRAM",
    os.path.join(os.path.dirname(__file__), "..", "..", "build", "soarcalculus"))


def run(*args, check=True, **kw):
    """The program with `args`; its CompletedProcess (text)."""
    r = subprocess.run([PROGRAM, *map(str, args)], capture_output=True, text=True, **kw)
    if check and r.returncode != 0:
        raise AssertionError(f"soarcalculus {' '.join(map(str, args))} exited {r.returncode}:\n"
                             f"{r.stderr}")
    return r


def csv_bits(path):
    """A fly CSV's columns: the tick column as int64, every other as the bits
    of the float32 its text reads back to."""
    with open(path) as f:
        names = f.readline().strip().split(",")
    data = np.loadtxt(path, delimiter=",", skiprows=1, ndmin=2, dtype=np.float64)
    return names, data


@pytest.fixture
def program():
    return run
