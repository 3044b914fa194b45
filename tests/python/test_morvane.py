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


def columns(answer):
    """A DataFrame's columns (what a Series gives) or the arrays themselves."""
    return tuple(answer[c].to_numpy() for c in answer) if isinstance(answer, pd.DataFrame) else answer


@pytest.mark.parametrize("column", [
    ["JN18EU", " fn20xr ", "JN18EU55AA", "JN", "ZZ99", "", None, float("nan")],
    np.array([b"JN18EU", b" fn20xr ", b"JN18EU55AA", b"JN", b"ZZ99", b"", b"None", b"nan"]),
    pd.Series(["JN18EU", " fn20xr ", "JN18EU55AA", "JN", "ZZ99", "", None, np.nan]),
])
def test_any_column_of_text(column):
    np.testing.assert_array_equal(morvane.valid(column), [True, True, True, True, False, False, False, False])
    lat, lon = columns(morvane.centre(column))
    assert (lat[0], lon[0]) == (48.854166666666664, 2.375)
    assert np.isnan(lat[4:]).all() and np.isnan(lon[4:]).all()
    azimuth, km = columns(morvane.path(column, "IO91WM", rounded=True))
    assert np.isnan(km[4:]).all() and not np.isnan(km[:4]).any()


def test_scalars_exact_cells_and_antipodes():
    assert morvane.path("JN18EU", "FN20XR", rounded=True) == (292.0, 5847.0)
    assert morvane.path("JJ00AA", "AI09AX", rounded=True) == (0.0, 20038.0)
    assert morvane.path("JJ00AA", "AI09AX")[0] == 0.0  # one rule, rounded or not
    assert morvane.valid("jn18eu") is True
    assert morvane.encode(48, 2) == "JN18AA"
    np.testing.assert_array_equal(morvane.encode([48, 52, 0, 1, 48.5, -33 - 52 / 60, np.nan, 90], [2, 4, 2, 0, 2.25, 151.2, 0, 0]),
                                  ["JN18AA", "JO22AA", "JJ10AA", "JJ01AA", "JN18DM", "QF56OD", "", ""])
    assert morvane.encode(np.array([48.0]), np.array([2.0]), precision=10)[0] == "JN18AA00AA"


def test_wrong_arguments_name_themselves():
    for call, name, error in [
        (lambda: morvane.valid(np.array([1.5, 2.5])), "locators", TypeError),
        (lambda: morvane.path([["JN18EU"]], "FN20XR"), "base", ValueError),
        (lambda: morvane.path(["JN18EU", "JN18EU"], ["FN20XR"] * 3), "base, target", ValueError),
        (lambda: morvane.encode([1], [2], precision=7), "precision", ValueError),
        (lambda: morvane.encode(["a"], [2]), "lat", TypeError),
        (lambda: morvane.path("JN18EU", "FN20XR", threads=-1), "threads", ValueError),
        (lambda: morvane.path("JN18EU", "FN20XR", threads=None), "threads", TypeError),
        (lambda: morvane.path("JN18EU", "FN20XR", long="no"), "long", TypeError),
        (lambda: morvane.path(["JN18EU"], [[1, 2]]), "target", ValueError),
        (lambda: morvane.valid([1, 2]), "locators must be text, not int", TypeError),
        (lambda: morvane.centre("JN18", errors="ignore"), "errors", ValueError),
    ]:
        with pytest.raises(error, match=name):
            call()
    # 0 threads: the processors this process may use, not the machine's.
    assert morvane._threads(0) == len(os.sched_getaffinity(0))


def test_series_in_series_out_on_their_index():
    # A spot table filtered to some rows: the answers land on those rows.
    df = frame(60)[lambda d: d.index % 3 == 1]
    paths = morvane.path(df.rx, df.tx)
    azimuth, km = morvane.path(df.rx.to_numpy(), df.tx.to_numpy())
    assert list(paths.columns) == ["azimuth", "km"] and paths.index.equals(df.index)
    np.testing.assert_array_equal(df.assign(km=paths.km).km, km)
    assert list(morvane.path(df.rx, "JN18", miles=True).columns) == ["azimuth", "miles"]
    centres = morvane.centre(df.rx)
    assert list(centres.columns) == ["lat", "lon"] and centres.index.equals(df.index)
    for answer, name in [(morvane.valid(df.rx), "valid"), (morvane.precision(df.rx), "precision"),
                         (morvane.sector(paths.azimuth), "sector"), (morvane.encode(centres.lat, centres.lon), "locator")]:
        assert answer.name == name and answer.index.equals(df.index)
    # Two Series are aligned on their indexes, as pandas arithmetic aligns them.
    base = pd.Series(["JN18EU", "FN20XR", "IO91WM"], index=[10, 20, 30])
    target = pd.Series(["IO91WM", "JN18EU", "FN20XR"], index=[30, 10, 40])
    aligned = morvane.path(base, target, rounded=True)
    assert aligned.index.tolist() == [10, 20, 30, 40]
    np.testing.assert_array_equal(aligned.km, [0, np.nan, 0, np.nan])
    located = morvane.encode(pd.Series([48.5, 90.0], index=[1, 2]), pd.Series([2.0, 2.0], index=[2, 1]))
    assert located[1] == "JN18AM" and located.isna().tolist() == [False, True]


def frame(n=40000):
    return pd.DataFrame({"rx": random_locators(n, 3), "tx": random_locators(n, 4)})


def test_add_paths_on_pandas_and_dask():
    import dask.dataframe as dd
    df = frame()
    expected = columns(morvane.path(df.rx, df.tx))
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
    azimuth, km = columns(morvane.path(df.rx, df.tx))
    np.testing.assert_array_equal(done.km, km)
    np.testing.assert_array_equal(done.azimuth, azimuth)


# --- columns as analysts hold them -------------------------------------------------------------

SOURCE = os.path.join(os.path.dirname(__file__), "..", "..")


# In a child: its peak memory reset, then the growth of the peak over what
# it holds. A child's ru_maxrss starts at its parent's (it is kept across
# exec), so it says nothing about the child alone.
PEAK = ("def status(key):\n"
        "    return next(int(line.split()[1]) for line in open('/proc/self/status') if line.startswith(key))\n"
        "def reset():\n"
        "    open('/proc/self/clear_refs', 'w').write('5')\n"
        "    return status('VmRSS:')\n"
        "def grown(before):\n"
        "    return status('VmHWM:') - before\n")


def run_child(code):
    """Runs code in a fresh interpreter and returns what it prints."""
    import sys
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True,
                          env={**os.environ}).stdout


def test_object_and_string_columns_read_in_place_within_bounded_memory():
    # One 1000-character junk value among 10^6 rows: no copy as wide as it.
    grown = int(run_child(
        PEAK + "import numpy as np, pandas as pd, morvane\n"
        "s = pd.Series(['JN18EU', 'FN20', 'x' * 1000, None] * 250000)\n"
        "morvane.path(s[:4], s[:4])\n"
        "before = reset()\n"
        "k = morvane.path(s, 'IO91WM').km\n"
        "a, k2 = morvane.path(list(s), 'IO91WM')\n"
        "assert np.isnan(k[2]) and k[0] > 0 and np.isnan(k2[2])\n"
        "print(grown(before))\n"))
    # KiB: the outputs of 10^6 rows (a frame's and two arrays), a list's object copy, a bounded working set
    assert grown < (16 + 16 + 16 + 8 + 64) * 1024
    for column in [pd.Series(["JN18EU", "fn20xr", None, "ŁN18EU", "JN18EU55AAX"]),
                   pd.Series(["JN18EU", "fn20xr", None, "ŁN18EU", "JN18EU55AAX"], dtype="string"),
                   np.array(["JN18EU", b"fn20xr", 3, "ŁN18EU", "JN18EU55AAX"], dtype=object)]:
        np.testing.assert_array_equal(morvane.precision(column), [6, 6, 0, 0, 0])
        assert np.isnan(columns(morvane.path(column, "IO91WM"))[1][2:]).all()
    # Something after the padding of a fixed-width value: no locator.
    for form in (np.array([b"JN18EU" + b"\0" * 3 + b"x" + b"\0" * 6]), np.array(["JN18EU" + "\0" * 3 + "x" + "\0" * 6])):
        assert not morvane.valid(form)[0] and np.isnan(morvane.path(form, "IO91WM")[1][0])


def test_missing_columns_give_nan_rows():
    import dask.dataframe as dd
    for missing in [pd.Series([np.nan] * 3), [None] * 3, np.full(3, np.nan)]:
        azimuth, km = columns(morvane.path(missing, "JN18EU"))
        assert np.isnan(azimuth).all() and np.isnan(km).all() and len(km) == 3
    df = pd.DataFrame({"rx": ["JN18EU", "FN20XR"], "tx": [np.nan, np.nan]})
    assert morvane.dask.add_paths(dd.from_pandas(df, npartitions=1), "rx", "tx").compute().km.isna().all()
    # One missing value, as df.apply(axis=1) meets it: NaN out, or refused when asked.
    for nothing in (None, np.nan, pd.NA):
        assert np.isnan(morvane.path("JN18EU", nothing)).all() and np.isnan(morvane.centre(nothing)).all()
        assert (morvane.valid(nothing), morvane.precision(nothing), morvane.encode(nothing, 2)) == (False, 0, "")
    for call, message in [(lambda: morvane.path("JN18EU", None, errors="raise"), "target: row 0 .None. is not a locator"),
                          (lambda: morvane.centre(["JN18", "ZZ99"], errors="raise"), "row 1 .'ZZ99'. is not"),
                          (lambda: morvane.encode([1, 90], 2, errors="raise"), "row 1 .90.0, 2.0. is not on the grid")]:
        with pytest.raises(ValueError, match=message):
            call()


def test_add_paths_keeps_the_frames_own_columns():
    df = pd.DataFrame({"rx": ["JN18EU"], "tx": ["FN20XR"], "km": [5846.0]})
    with pytest.raises(ValueError, match="'km'"):
        morvane.dask.add_paths(df, "rx", "tx")
    assert morvane.dask.add_paths(df, "rx", "tx", prefix="m_").km[0] == 5846.0
    done = morvane.dask.add_paths(df, "rx", "tx", overwrite=True, rounded=True, miles=True, positions=True)
    assert (done.km[0], done.azimuth[0]) == (3633.93, 292.0)
    assert (done.base_lat[0], done.base_lon[0], done.target_lon[0]) == (48.854166666666664, 2.375, -74.04166666666667)


def exact_path(b, t):
    """The path on the core's sphere from the exact centres, in 50-digit arithmetic."""
    import mpmath
    mpmath.mp.dps = 50
    (y1, x1), (y2, x2) = [map(mpmath.mpf, morvane.centre(loc)) for loc in (b, t)]
    k = mpmath.mpf(3.14159265358979) / 180  # the core's own pi
    p1, p2, dl = y1 * k, y2 * k, (x2 - x1) * k
    east = mpmath.cos(p2) * mpmath.sin(dl)
    north = mpmath.cos(p1) * mpmath.sin(p2) - mpmath.sin(p1) * mpmath.cos(p2) * mpmath.cos(dl)
    c = mpmath.atan2(mpmath.sqrt(east ** 2 + north ** 2),
                     mpmath.sin(p1) * mpmath.sin(p2) + mpmath.cos(p1) * mpmath.cos(p2) * mpmath.cos(dl))
    return float(mpmath.atan2(east, north) * 180 / mpmath.pi % 360), float(c * 40076.59 / (2 * mpmath.mpf(3.14159265358979)))


def test_unrounded_paths_are_exact_where_the_windows_formula_is_not():
    rng = np.random.default_rng(9)
    pairs = [("JN18EU", "JN88EU"), ("JN88EU", "JN18EU"), ("JN18EU", "JN18EV"), ("JN18EV", "JN18EU"), ("IO91WM", "IO01WM"), ("JR09AX", "AR09AX"),
             ("JN18EU55AA", "JN18EU55AB"), ("JN18EU55AA", "JN18EU55BA"), ("RR99XX99XX", "RR99XX99XW"),
             ("AA00AA00AA", "AA00AA00AB"), ("JJ00AA", "JJ00AA"), ("JN18", "JN19")]
    for _ in range(200):  # neighbouring 10-character cells anywhere, and north-south pairs
        b = random_locators(1, int(rng.integers(1 << 30)))[0][:2] + "".join(
            rng.choice(list("0123456789"), 2)) + "MM55" + "".join(rng.choice(list("ABCDEFGHIJKLMNOPQRSTUVW"), 2))
        pairs += [(b, b[:-1] + chr(ord(b[-1]) + 1)), (b, b[:2] + b[2] + str((int(b[3]) + 3) % 10) + b[4:])]
    azimuth, km = morvane.path([p[0] for p in pairs], [p[1] for p in pairs])
    assert ((azimuth >= 0) & (azimuth < 360)).all()
    for (b, t), a, d in zip(pairs, azimuth, km):
        ea, ed = exact_path(b, t)
        assert abs(d - ed) <= 1e-9, (b, t, d, ed)
        if ed > 0:
            assert min(abs(a - ea), 360 - abs(a - ea)) <= 1e-7, (b, t, a, ea)
    assert morvane.path("JN18EU", "JN18EU", ellipsoid=True) == (0.0, 0.0) == morvane.path("AA00AA", "AA00AA", ellipsoid=True)


def test_analysts_options_sectors_and_precision():
    assert morvane.path("JN18EU", "FN20XR", rounded=True, miles=True) == (292.0, 3633.93)
    assert morvane.path("JN18EU", "FN20XR", rounded=True, reverse=True) == morvane.path("FN20XR", "JN18EU", rounded=True)
    np.testing.assert_array_equal(morvane.sector([0, 11.24, 11.25, 348.75, 359.9, np.nan]),
                                  ["N", "N", "NNE", "N", "N", ""])
    np.testing.assert_array_equal(morvane.sector([44.9, 45, 180, np.nan], 8), ["NE", "NE", "S", ""])
    np.testing.assert_array_equal(morvane.sector([0, 44.9, 45, 359, np.nan], 4), [0, 0, 1, 0, -1])
    with pytest.raises(ValueError, match="n"):
        morvane.sector([1.0], 0)
    np.testing.assert_array_equal(morvane.precision(["JN", "jn18", "JN18EU", "JN18EU55", "JN18EU55AA", "JN1", None]),
                                  [2, 4, 6, 8, 10, 0, 0])
    # Behaviours pinned: non-ASCII is no locator, long and ellipsoid are refused together,
    # encode broadcasts, bytes work as single values.
    assert np.isnan(morvane.centre("ŁN18EU")[0]) and np.isnan(morvane.path("ŁN18EU", "JN18EU")[1])
    with pytest.raises(ValueError, match="long, ellipsoid"):
        morvane.path("JN18EU", "FN20XR", long=True, ellipsoid=True)
    np.testing.assert_array_equal(morvane.encode(48, [2, 4]), ["JN18AA", "JN28AA"])
    assert morvane.valid(b"JN18EU") is True and morvane.path(b"JN18EU", b"FN20XR", rounded=True) == (292.0, 5847.0)


def test_version_and_an_install_that_leaves_the_checkout_as_it_was(tmp_path):
    import sys
    assert subprocess.run([CLI, "--version"], capture_output=True, text=True).stdout.split()[-1] == morvane.__version__
    tracked = subprocess.run(["git", "-C", SOURCE, "ls-files"], capture_output=True, text=True).stdout.split()
    if not tracked:
        pytest.skip("not a git checkout")
    src = tmp_path / "src"
    for name in tracked:
        (src / name).parent.mkdir(parents=True, exist_ok=True)
        (src / name).write_bytes(open(os.path.join(SOURCE, name), "rb").read())
    before = sorted(str(p) for p in src.rglob("*"))
    subprocess.run([sys.executable, "-m", "pip", "install", "--no-build-isolation", "--no-deps", "--no-index",
                    "--target", str(tmp_path / "out"), str(src)], capture_output=True, check=True)
    assert sorted(str(p) for p in src.rglob("*")) == before
    version = run_child(f"import sys; sys.path.insert(0, {str(tmp_path / 'out')!r}); import morvane; "
                        "print(morvane.__version__, morvane.__file__)").split()
    assert version[0] == morvane.__version__ and version[1].startswith(str(tmp_path / "out"))


def write_spots(path, rows, columns=15, header=False):
    names = ["spot_id", "timestamp", "reporter", "reporter_grid", "snr", "frequency", "call", "grid", "power", "drift",
             "distance", "azimuth", "band", "version", "code"]
    with open(path, "w") as f:
        if header:
            f.write(",".join(n for n in names if columns == 15 or n != "azimuth") + "\n")
        for i, (rx, tx) in enumerate(rows):
            km = morvane.path(rx, tx, rounded=True)[1]
            row = [i, 1764547200 + 3600 * i, "DL1ABC", rx, -12, 14.097, "K1ABC", tx, 37, 0,
                   "" if np.isnan(km) else int(km), 120, 14, "2.6.1", 1]
            f.write(",".join(map(str, row if columns == 15 else row[:11] + row[12:])) + "\n")


def test_wspr_example_reads_the_published_layouts(tmp_path):
    import sys
    sys.path.insert(0, os.path.join(SOURCE, "examples"))
    import wspr
    for columns, header in [(15, False), (14, False), (15, True), (14, True)]:
        write_spots(tmp_path / "s.csv", [("JO31", "FN42")], columns, header)
        names, has_header, _ = wspr.layout(tmp_path / "s.csv")
        assert (len(names), names[3], names[7], has_header) == (columns, "reporter_grid", "grid", header)
    (tmp_path / "odd.csv").write_text("1,2,3\n")
    with pytest.raises(ValueError, match="3 columns"):
        wspr.layout(tmp_path / "odd.csv")
    write_spots(tmp_path / "spots.csv", [("JO31", "FN42"), ("JO31LK", "IO91WM"), ("JO31", "EM10")] * 4)
    example = os.path.join(SOURCE, "examples", "wspr.py")
    done = subprocess.run([sys.executable, example, str(tmp_path / "spots.csv"), "--png", str(tmp_path / "w.png")],
                          capture_output=True, text=True, cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    # The files' distances are whole kilometres of Morvane's own: under one km apart.
    assert "12 spots, 12 with two valid grids" in done.stdout and "mean difference 0." in done.stdout
    # The database's tab-separated table, with its header and without; times as text.
    rows = [("JO31", "FN42"), ("JO31LK", "IO91WM"), ("JO31", "EM10"), ("JO31", "QF56")] * 3
    for header in (True, False):
        with open(tmp_path / "live.tsv", "w") as f:
            if header:
                f.write("\t".join(["id", "time", "band", "rx_sign", "rx_lat", "rx_lon", "rx_loc", "tx_sign", "tx_lat",
                                   "tx_lon", "tx_loc", "distance", "azimuth", "rx_azimuth", "frequency", "power", "snr",
                                   "drift", "version", "code"]) + "\n")
            for i, (rx, tx) in enumerate(rows):
                km = int(morvane.path(rx, tx, rounded=True)[1])
                f.write(f"{i}\t2026-11-0{1 + i % 2} {i:02d}:02:00\t14\tDL1ABC\t51.1\t7.0\t{rx}\tK1ABC\t42.1\t-71.9\t"
                        f"{tx}\t{km}\t120\t300\t14097061\t37\t-12\t0\t2.6.1\t1\n")
        done = subprocess.run([sys.executable, example, str(tmp_path / "live.tsv"), "--png", str(tmp_path / "w.png")],
                              capture_output=True, text=True, cwd=tmp_path)
        assert done.returncode == 0, done.stderr
        out = done.stdout
        assert "12 spots, 12 with two valid grids" in out and "mean difference 0." in out
        km = morvane.path([r for r, _ in rows], [t for _, t in rows])[1]
        band = out.split("distance per band")[1].splitlines()[3].split()
        assert band[:2] == ["14", "12"] and abs(float(band[2]) - np.quantile(km, 0.5, method="inverted_cdf")) <= 25 and float(band[4]) == round(km.max())
        lights = morvane.light([r for r, _ in rows], [f"2026-11-0{1 + i % 2} {i:02d}:02" for i in range(12)])
        light = out.split("at the transmitter")[1].splitlines()
        assert [int(line.split()[1]) + int(line.split()[2]) + int(line.split()[3]) for line in light[2:5]] == \
            [int((lights == name).sum()) for name in ("day", "greyline", "night")]
    write_spots(tmp_path / "none.csv", [("JO31", "ZZ99")] * 3)
    done = subprocess.run([sys.executable, example, str(tmp_path / "none.csv")], capture_output=True, text=True,
                          cwd=tmp_path)
    assert done.returncode == 1 and "no spot has two valid grids" in done.stderr


def test_categoricals_and_unique_give_what_the_plain_column_gives():
    # Unused and missing categories, a category that is no locator, an index in any order.
    values = ["JN18EU", "ZZ99", None, "fn20xr", "JN18EU", None, "IO91WM", "fn20xr"]
    plain = pd.Series(values, index=[7, 3, 5, 1, 0, 2, 4, 6], dtype=object)
    categorical = plain.astype(pd.CategoricalDtype(["AA00", "JN18EU", "ZZ99", "fn20xr", "IO91WM"]))
    other = pd.Series(["IO91WM", "JN18EU", "FN20XR", "IO91WM", "JN18EU", "IO91WM", "IO91WM", "ZZ"], index=plain.index)
    calls = [morvane.valid, morvane.precision, morvane.centre, lambda c, **o: morvane.path(c, "JN18", **o),
             lambda c, **o: morvane.path(c, other if isinstance(c, pd.Series) else other.to_numpy(), **o),
             lambda c, **o: morvane.path(c, other.astype("category") if isinstance(c, pd.Series) else other.to_numpy(), **o)]
    for column, options in [(categorical, {}), (plain, {"unique": True}), (plain.to_numpy(), {"unique": True}),
                            (values, {"unique": True})]:
        for call in calls:
            answer, expected = call(column, **options), call(plain if isinstance(column, pd.Series) else plain.to_numpy())
            if isinstance(expected, pd.DataFrame):
                pd.testing.assert_frame_equal(answer, expected)
            elif isinstance(expected, pd.Series):
                pd.testing.assert_series_equal(answer, expected)
            else:
                np.testing.assert_array_equal(np.array(answer), np.array(expected))
    # Pairs that repeat: worked once per distinct pair.
    many = pd.Series(["JN18EU", "FN20XR", None] * 100)
    backwards = many.iloc[::-1].reset_index(drop=True)
    pd.testing.assert_frame_equal(morvane.path(many.astype("category"), backwards), morvane.path(many, backwards))


def test_pandas_accessors_give_what_the_functions_give():
    df = frame(50)
    pd.testing.assert_frame_equal(df.rx.morvane.path(df.tx, rounded=True), morvane.path(df.rx, df.tx, rounded=True))
    pd.testing.assert_frame_equal(df.rx.morvane.centre(), morvane.centre(df.rx))
    assert df.rx.morvane.valid().all() and (df.rx.morvane.precision() == morvane.precision(df.rx)).all()
    pd.testing.assert_frame_equal(df.morvane.add_paths("rx", "tx", prefix="m_"), morvane.dask.add_paths(df, "rx", "tx", prefix="m_"))


def sphere_point(lat, lon):
    p, l = np.broadcast_arrays(np.radians(lat), np.radians(lon))
    return np.stack([np.cos(p) * np.cos(l), np.cos(p) * np.sin(l), np.sin(p)], axis=-1)


def degrees_of(v):
    return np.degrees(np.arctan2(v[..., 2], np.hypot(v[..., 0], v[..., 1]))), np.degrees(np.arctan2(v[..., 1], v[..., 0]))


def test_points_along_the_path_against_vectors():
    base, target = random_locators(300, 11), random_locators(300, 12)
    (y1, x1), (y2, x2) = columns(morvane.centre(base)), columns(morvane.centre(target))
    p, q = sphere_point(y1, x1), sphere_point(y2, x2)
    c = np.arccos(np.clip((p * q).sum(-1), -1, 1))[:, None]
    f = np.linspace(0, 1, 5)
    slerp = (np.sin((1 - f) * c)[..., None] * p[:, None] + np.sin(f * c)[..., None] * q[:, None]) / np.sin(c)[..., None]
    lat, lon = morvane.waypoints(base, target, 5)
    ok = (c[:, 0] > 1e-3) & (c[:, 0] < np.pi - 1e-3)
    np.testing.assert_allclose(sphere_point(lat, lon)[ok], slerp[ok], atol=1e-9)
    np.testing.assert_array_equal(np.column_stack(morvane.midpoint(base, target)), np.column_stack((lat[:, 2], lon[:, 2])))
    # The long path's middle is the short one's antipode.
    np.testing.assert_allclose(sphere_point(*morvane.midpoint(base, target, long=True))[ok], -slerp[ok, 2], atol=1e-9)
    # The vertex: on the path, and no point of it nearer a pole.
    dense = sphere_point(*morvane.waypoints(base, target, 2001))
    vy, vx = morvane.vertex(base, target)
    v = sphere_point(vy, vx)
    assert (np.abs(vy) >= np.degrees(np.arcsin(np.abs(dense[..., 2]).max(1))) - 1e-9).all()
    assert (np.linalg.norm(dense - v[:, None], axis=-1).min(1) <= c[:, 0] / 2000 + 1e-9).all()
    # Ends on one parallel: the vertex half-way in longitude, poleward of them.
    assert abs(morvane.vertex("JJ00AA", "JJ90AA")[1] - 9.041666666666666) < 1e-9 < morvane.vertex("JJ00AA", "JJ90AA")[0] - 1 / 48
    assert morvane.vertex("JN18EU", "JN18EU") == morvane.centre("JN18EU")
    assert np.isnan(morvane.vertex(["JN18EU", None], "FN20XR")).tolist() == [[False, True], [False, True]]
    assert morvane.vertex("IO91", "CN87")[0] > 60  # London to Seattle goes over Greenland
    assert 89.9999 < abs(morvane.vertex("LL", "LR", long=True)[0]) <= 90  # over both poles, never past one
    series = pd.Series(["JN18EU", None], index=[4, 2], name="rx")
    way = morvane.waypoints(series, "FN20XR", 3)
    assert way.index.tolist() == [(4, 0), (4, 1), (4, 2), (2, 0), (2, 1), (2, 2)] and way.lat.isna().sum() == 3


def test_distance_bounds_hold_every_point_of_both_cells():
    rng = np.random.default_rng(5)
    pairs = [("JN18", "JN19"), ("JN18", "JN18"), ("AR", "RR"), ("JJ00", "AI09"), ("RR99", "AA90"), ("JN18EU", "JN18EV"),
             ("JN18EU55AA", "FN20XR"), ("AA", "JJ")] + list(zip(random_locators(60, 21), random_locators(60, 22)))
    for b, t in pairs:
        near, far = morvane.path(b, t, bounds=True)
        # Every point of each cell: a fine lattice of each box.
        boxes = []
        for loc in (b, t):
            lat, lon = morvane.centre(loc)
            h = {2: 5, 4: 0.5, 6: 1 / 48, 8: 1 / 480, 10: 1 / 11520}[len(loc)]
            u = np.linspace(-1, 1, 41)
            boxes.append(sphere_point((lat + h * u)[:, None], (lon + 2 * h * u)[None, :]).reshape(-1, 3))
        arcs = np.arccos(np.clip(boxes[0] @ boxes[1].T, -1, 1)) * 40076.59 / (2 * 3.14159265358979)
        step = 6378.4 * np.radians({2: 20, 4: 2, 6: 1 / 12, 8: 1 / 120, 10: 1 / 2880}[min(len(b), len(t))] / 40)
        assert arcs.min() >= near - 1e-6 and arcs.max() <= far + 1e-6, (b, t, near, arcs.min(), far, arcs.max())
        assert arcs.min() - near <= 2 * step and far - arcs.max() <= 2 * step, (b, t)
        assert near <= morvane.path(b, t)[1] <= far
    lo, hi = morvane.path(["JN18", "FN20"], ["FN20", "JN18"], bounds=True, long=True, miles=True)
    near, far = morvane.path("JN18", "FN20", bounds=True)
    np.testing.assert_allclose([lo[0], hi[0]], [(40076.59 - far) / 1.609, (40076.59 - near) / 1.609])
    assert (lo[1], hi[1]) == (lo[0], hi[0])
    assert list(morvane.path(pd.Series(["JN18"]), "FN20", bounds=True).columns) == ["km_min", "km_max"]
    with pytest.raises(ValueError, match="bounds"):
        morvane.path("JN18", "FN20", bounds=True, rounded=True)


def test_sun_against_an_ephemeris_and_every_form_of_time():
    import datetime as dt
    import ephem
    rng = np.random.default_rng(3)
    locs = random_locators(150, 31)
    seconds = rng.uniform(-631152000, 4102444800, 150)  # 1950 to 2100
    elevation = morvane.sun(locs, seconds)
    for loc, s, e in zip(locs, seconds, elevation):
        lat, lon = morvane.centre(loc)
        o = ephem.Observer()
        o.lat, o.lon, o.pressure, o.date = str(lat), str(lon), 0, dt.datetime(1970, 1, 1) + dt.timedelta(seconds=s)
        assert abs(e - np.degrees(float(ephem.Sun(o).alt))) < 0.03, (loc, s, e)
    # At the Sun's transit on a solstice the elevation is its declination's
    # alone (90 - |lat - declination|): the obliquity, to 0.005 degrees.
    for year in (1955, 2099):
        o = ephem.Observer()
        o.lat, o.lon, o.pressure, o.date = "48.85", "2.375", 0, f"{year}/6/21"
        transit = o.next_transit(ephem.Sun())
        o.date = transit
        at = (transit.datetime() - dt.datetime(1970, 1, 1)).total_seconds()
        assert abs(morvane.sun("JN18EU", at) - np.degrees(float(ephem.Sun(o).alt))) < 0.005, year
    np.testing.assert_array_equal(morvane.sun(locs[:3, None], seconds[:4]), [morvane.sun(x, seconds[:4]) for x in locs[:3]])
    noon = 1781870400  # 2026-06-19 12:00 UTC
    forms = [noon, dt.datetime(2026, 6, 19, 12), dt.datetime(2026, 6, 19, 14, tzinfo=dt.timezone(dt.timedelta(hours=2))),
             np.datetime64("2026-06-19T12:00"), "2026-06-19 12:00", pd.Timestamp("2026-06-19 14:00", tz="Europe/Paris"),
             pd.Series(pd.to_datetime(["2026-06-19 12:00"])), pd.Series(pd.to_datetime(["2026-06-19 12:00Z"]))]
    expected = morvane.sun("JN18EU", float(noon))
    for when in forms:
        assert np.asarray(morvane.sun("JN18EU", when)).item() == expected, when
    assert np.isnan(morvane.sun("JN18EU", pd.NaT)) and np.isnan(morvane.sun(None, noon))
    df = pd.DataFrame({"grid": ["JN18EU", "FN20XR", "QF56OD", "ZZ"], "t": pd.to_datetime([noon] * 4, unit="s")},
                      index=[3, 1, 2, 0])
    for e, band in zip(morvane.sun(df.grid, df.t), morvane.light(df.grid, df.t)):
        assert (band if isinstance(band, str) else "") == ("" if np.isnan(e) else "day" if e > 6 else "night" if e < -6 else "greyline")
    assert morvane.light(df.grid, df.t).cat.categories.tolist() == ["night", "greyline", "day"]
    assert morvane.light(["JN18EU"] * 3, noon, greyline=(63, 65)).tolist() == ["greyline"] * 3
    assert morvane.light("JN18EU", noon, greyline=(65, 70)) == "night" and morvane.light("JN18EU", noon, greyline=(0, 60)) == "day"


def test_broadcast_matrices_and_float32():
    reporters, transmitters = random_locators(40, 41), random_locators(700, 42)
    azimuth, km = morvane.path(reporters[:, None], transmitters)
    loop = [columns(morvane.path(r, transmitters)) for r in reporters]
    np.testing.assert_array_equal(azimuth, [a for a, _ in loop])
    np.testing.assert_array_equal(km, [k for _, k in loop])
    for call in [lambda **o: morvane.path(reporters[:, None], transmitters, **o),
                 lambda **o: morvane.path(np.tile(transmitters, 400), reporters[0], **o),
                 lambda **o: morvane.centre(np.tile(transmitters, 400), **o)]:
        wide, narrow = call(), call(dtype=np.float32)
        assert narrow[0].dtype == np.float32 and narrow[0].shape == wide[0].shape
        np.testing.assert_array_equal(narrow[1], wide[1].astype(np.float32))
    # float32 answers are written a block at a time, never held as float64 whole: half the memory.
    grown = [int(run_child(
        PEAK + "import numpy as np, morvane\n"
        "a = np.tile(np.array(['JN18EU', 'FN20'], dtype='S6'), 2000000)\n"
        f"morvane.path(a[:4], 'IO91WM', dtype=np.{dtype})\n"
        "before = reset()\n"
        f"azimuth, km = morvane.path(a, 'IO91WM', dtype=np.{dtype})\n"
        "print(grown(before))\n")) for dtype in ("float32", "float64")]
    assert 0 < grown[0] < 0.6 * grown[1], grown
    lat, lon = morvane.centre(reporters.reshape(4, 10))
    np.testing.assert_array_equal(lat.ravel(), morvane.centre(reporters)[0])
    np.testing.assert_array_equal(morvane.valid(np.array([["JN18", "x"]])), [[True, False]])
    with pytest.raises(ValueError, match=r"target: row \(0, 1\)"):
        morvane.path(reporters[:2, None], np.array([["JN18", "ZZ"]]), errors="raise")
    with pytest.raises(ValueError, match="cannot be broadcast"):
        morvane.path(reporters[:, None], np.array([["JN18"] * 3] * 2))


def test_behaviours_that_matter_to_a_notebook():
    import ast
    import doctest
    import inspect
    for module in (morvane, morvane.dask):
        assert doctest.testmod(module, extraglobs={"pd": pd, "np": np}).failed == 0
    with pytest.raises(TypeError, match="one column"):
        morvane.path(pd.DataFrame({"a": ["JN18"]}), "FN20")
    frame = pd.DataFrame({"rx": ["JN18", "x", None], "tx": ["FN20XR", "JN18EU55AA", "ZZ"]}, index=[5, 3, 1])
    pd.testing.assert_frame_equal(morvane.precision(frame), pd.DataFrame({"rx": [4, 0, 0], "tx": [6, 10, 0]},
                                                                         index=[5, 3, 1], dtype=np.int8))
    pd.testing.assert_frame_equal(morvane.centre(frame)["tx"], morvane.centre(frame.tx))
    assert morvane.light(frame, 1781870400).columns.tolist() == ["rx", "tx"]
    pd.testing.assert_series_equal(morvane.sun(frame, 1781870400)["tx"], morvane.sun(frame.tx, 1781870400).rename("tx"))
    # The editor's hints name every public function with its own parameters.
    for module in (morvane, morvane.dask):
        stub = ast.parse(open(module.__file__ + "i").read())
        hinted = {f.name: [a.arg for a in f.args.args + f.args.kwonlyargs] for f in stub.body if isinstance(f, ast.FunctionDef)}
        public = getattr(module, "__all__", ["add_paths"])
        assert sorted(hinted) == sorted(public)
        for name in public:
            assert hinted[name] == [p for p, v in inspect.signature(getattr(module, name)).parameters.items()
                                    if v.kind != v.VAR_KEYWORD], name
    with pytest.raises(TypeError, match="float"):  # numbers, not an empty column of locators
        morvane.path(np.array([1.5, np.nan]), "JN18")
    assert morvane.precision("JN18") == 4 and type(morvane.precision("JN18")) is int
    np.testing.assert_allclose(morvane.path("JN18EU", "FN20XR", miles=True)[1], morvane.path("JN18EU", "FN20XR")[1] / 1.609,
                               rtol=1e-15)
    df = pd.DataFrame({"rx": ["JN18EU"], "tx": ["FN20XR"], "base_lat": [1.0]})
    with pytest.raises(ValueError, match="base_lat"):
        morvane.dask.add_paths(df, "rx", "tx", positions=True)
    # The ellipsoid's remembered pairs: every pair its own, whichever end repeats.
    b = np.array(["JN18EU", "JN18EU", "FN20XR", "JN18EV", "JN18EU"] * 50)
    t = np.array(["FN20XR", "FN20XS", "FN20XR", "FN20XR", "IO91WM"] * 50)
    one = np.array([morvane.path(x, y, ellipsoid=True) for x, y in zip(b[:5], t[:5])])
    np.testing.assert_array_equal(np.column_stack(morvane.path(b, t, ellipsoid=True)), np.tile(one, (50, 1)))


def test_the_readme_session_runs_on_a_month_of_spots(tmp_path):
    import sys
    readme = open(os.path.join(SOURCE, "README.md")).read()
    session = readme.split("A session as a notebook has it")[1].split("```python\n")[1].split("```")[0]
    rows = list(zip(random_locators(400, 51), random_locators(400, 52))) + [("JN18EU", "")] * 3
    write_spots(tmp_path / "wsprspots-2026-11.csv", rows)
    done = subprocess.run([sys.executable, "-c", "import matplotlib; matplotlib.use('Agg')\n" + session],
                          capture_output=True, text=True, cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    assert (tmp_path / "km-per-band.png").stat().st_size > 1000
