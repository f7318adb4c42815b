"""A sweep mapped over a dask.distributed cluster (two single-threaded worker
processes) gives the local run's rows, point for point."""
import math

import pytest

import soarcalculus as sc

distributed = pytest.importorskip("distributed")


def test_a_dask_sweep_is_the_local_sweep(tmp_path):
    grid = {"W_S": (100, 130, 2), "glide_ratio": (22, 30, 2)}
    kw = dict(what="energy-neutral-wind", pattern="downwind", cycles=3)
    local = sc.sweep(grid, jobs=2, **kw)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        seen = []
        remote = sc.sweep(grid, client=client, csv=str(tmp_path / "d.csv"),
                          progress=lambda done, total: seen.append((done, total)), **kw)
        # Two workers did the work.
        assert len(client.scheduler_info()["workers"]) == 2
    strip = lambda r: [(p, i, [None if math.isnan(v) else v for v in o], s)
                       for p, i, o, s, _ in r.rows]
    assert len(local) == 4 and strip(remote) == strip(local)
    assert seen[-1] == (4, 4)
    assert strip(sc.SweepResult.from_csv(str(tmp_path / "d.csv"))) == strip(local)
