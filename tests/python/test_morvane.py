"""import morvane as a data analyst uses it: numpy, pandas and Dask columns,
against morvane-cli's own answers."""
import os
import subprocess

import numpy as np
import pandas as pd
import pytest

import morvane
import morvane.dask

CLI = os.environ.get("MORVANE_CLI", "morvane-cli")


def random_locators(n, seed):
    rng = np.random.default_rng(seed)
    out = []
    for length in rng.choice([2, 4, 6, 8, 10], n):
        s = "".join(chr(65 + v) for v in rng.integers(0, 18, 2))
        for pair in range(1, length // 2):
            first, count = (48, 10) if pair % 2 else (65, 24)
            s += "".join(chr(first + v) for v in rng.integers(0, count, 2))
        out.append(s)
    return np.array(out)


def test_rounded_paths_are_morvane_cli_path():
    bases, targets = random_locators(20000, 1), random_locators(20000, 2)
    pairs = "".join(f"{b} {t}\n" for b, t in zip(bases, targets))
    for options, flags in [({}, []), ({"long": True}, ["--long"]), ({"ellipsoid": True}, ["--ellipsoid"])]:
        text = subprocess.run([CLI, "path", *flags], input=pairs, capture_output=True, text=True).stdout
        # The command line refuses two equal locators: no numbers on that line.
        rows = [line.split("\t") for line in text.splitlines()]
        cli = np.array([row[2:4] if len(row) >= 4 else ["nan", "nan"] for row in rows], dtype=float)
        azimuth, km = morvane.path(bases, targets, rounded=True, **options)
        ok = ~np.isnan(cli[:, 1])
        assert ok.sum() > 19900
        np.testing.assert_array_equal(azimuth[ok], cli[ok, 0])
        np.testing.assert_array_equal(km[ok], cli[ok, 1])


@pytest.mark.parametrize("column", [
    ["JN18EU", " fn20xr ", "JN18EU55AA", "JN", "ZZ99", "", None, float("nan")],
    np.array([b"JN18EU", b" fn20xr ", b"JN18EU55AA", b"JN", b"ZZ99", b"", b"None", b"nan"]),
    pd.Series(["JN18EU", " fn20xr ", "JN18EU55AA", "JN", "ZZ99", "", None, np.nan]),
])
def test_any_column_of_text(column):
    np.testing.assert_array_equal(morvane.valid(column), [True, True, True, True, False, False, False, False])
    lat, lon = morvane.centre(column)
    assert (lat[0], lon[0]) == (48.854166666666664, 2.375)
    assert np.isnan(lat[4:]).all() and np.isnan(lon[4:]).all()
    azimuth, km = morvane.path(column, "IO91WM", rounded=True)
    assert np.isnan(km[4:]).all() and not np.isnan(km[:4]).any()


def test_scalars_exact_cells_and_antipodes():
    assert morvane.path("JN18EU", "FN20XR", rounded=True) == (292.0, 5847.0)
    assert morvane.path("JJ00AA", "AI09AX", rounded=True) == (0.0, 20038.0)
    assert morvane.valid("jn18eu") is True
    assert morvane.encode(48, 2) == "JN18AA"
    np.testing.assert_array_equal(morvane.encode([48, 52, 0, 1, 48.5, -33 - 52 / 60, np.nan, 90], [2, 4, 2, 0, 2.25, 151.2, 0, 0]),
                                  ["JN18AA", "JO22AA", "JJ10AA", "JJ01AA", "JN18DM", "QF56OD", "", ""])
    assert morvane.encode(np.array([48.0]), np.array([2.0]), precision=10)[0] == "JN18AA00AA"


def test_wrong_arguments_name_themselves():
    for call, name, error in [
        (lambda: morvane.valid(np.array([1.5, 2.5])), "locators", TypeError),
        (lambda: morvane.path(np.array([["JN18EU"]]), "FN20XR"), "base", ValueError),
        (lambda: morvane.path(["JN18EU", "JN18EU"], ["FN20XR"] * 3), "base, target", ValueError),
        (lambda: morvane.encode([1], [2], precision=7), "precision", ValueError),
        (lambda: morvane.encode(["a"], [2]), "lat", TypeError),
        (lambda: morvane.path("JN18EU", "FN20XR", threads=-1), "threads", ValueError),
    ]:
        with pytest.raises(error, match=name):
            call()


def frame(n=40000):
    return pd.DataFrame({"rx": random_locators(n, 3), "tx": random_locators(n, 4)})


def test_add_paths_on_pandas_and_dask():
    import dask.dataframe as dd
    df = frame()
    expected = morvane.path(df.rx, df.tx)
    done = morvane.dask.add_paths(df, "rx", "tx", prefix="p_")
    np.testing.assert_array_equal(done.p_km, expected[1])
    lazy = morvane.dask.add_paths(dd.from_pandas(df, npartitions=4), "rx", "tx")
    assert list(lazy.dtypes[["azimuth", "km"]]) == [np.float64, np.float64]
    np.testing.assert_array_equal(lazy.compute().azimuth, expected[0])
    with pytest.raises(ValueError, match="base"):
        morvane.dask.add_paths(df, "nope", "tx")


def test_a_local_cluster_of_two_workers_gives_the_same_answers():
    import dask.dataframe as dd
    from distributed import Client, LocalCluster
    df = frame()
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster):
        done = morvane.dask.add_paths(dd.from_pandas(df, npartitions=4), "rx", "tx").compute()
    azimuth, km = morvane.path(df.rx, df.tx)
    np.testing.assert_array_equal(done.km, km)
    np.testing.assert_array_equal(done.azimuth, azimuth)
