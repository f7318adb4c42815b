"""examples/published_figures.py draws its four figures on a tiny grid into an
empty folder: each PNG is a picture (not one colour), and the values it prints
are those of the solves it drew."""
import os
import re
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

ROOT = os.path.join(os.path.dirname(__file__), "..", "..")
FIGURES = ("zhao-loop.png", "least-wind-glide-ratio.png", "shear-layer-trend.png",
           "speed-polar.png")


def test_the_published_figures_are_drawn_with_the_values_they_print(tmp_path):
    out = tmp_path / "figures"
    r = subprocess.run([sys.executable, os.path.join(ROOT, "examples", "published_figures.py"),
                        "--tiny", "--jobs", "2", str(out)], capture_output=True, text=True,
                       timeout=900)
    assert r.returncode == 0, r.stdout + r.stderr
    for name in FIGURES:
        path = out / name
        assert path.stat().st_size > 10_000, name
        picture = plt.imread(str(path))
        assert picture.shape[0] > 200 and picture.shape[1] > 400, name
        assert picture[..., :3].std() > 0.05, name  # lines and text, not a blank page
    # Zhao's glider at 20 nodes: the coarse mesh's least gradient, near the
    # refined 0.063587 1/s.
    gradient = float(re.search(r"zhao_gradient: ([0-9.]+)", r.stdout).group(1))
    assert abs(gradient - 0.0634) < 0.001, r.stdout
    # A thicker shear layer needs more wind above it.
    shear = re.search(r"shear: \{2\.0: ([0-9.]+), 8\.0: ([0-9.]+)\}", r.stdout)
    assert shear and float(shear.group(2)) > 1.2 * float(shear.group(1)), r.stdout
