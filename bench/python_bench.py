"""morvane.path against its goals, all in one run (Debian's /usr/bin/python3):
  - 10^7 pairs of mixed 4- and 6-character locators in every form analysts
    hold them: numpy bytes ('S6', 'S17'), numpy str ('U6', 'U17'), a pandas
    object Series of str (what read_csv gives) and pandas' string dtype, one
    thread and two (goals: 15 M pairs a second for the object Series, every
    form within 1.3x of 'S6', two threads never slower than one);
  - beside a hand-written numpy decode and haversine over the same arrays
    (goal 2x), and pyhamtools from Debian on a sample (goal 50x);
  - the WGS84 ellipsoid on one thread (goal 2 M pairs a second);
  - NaN where a valid pair was given (goal: none), antipodes 20038 km;
  - memory: peak resident growth over the two output arrays (a subprocess),
    for bytes, for an object Series with one 1000-character value, and
    for float32 answers (goal: half the float64 ones);
  - a reporter x transmitter matrix by broadcasting, one thread;
  - a Categorical of 10^7 rows and 10^4 categories, worked per category
    against the same column expanded to str objects, one thread (goal 10x
    for path against one locator);
  - Dask: a 10^7-row CSV set in the published WSPR layout (15 columns)
    through morvane.dask.add_paths on a LocalCluster of two worker processes
    against one (goal 1.6x).
    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [ROWS]
"""
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import morvane

N = int(sys.argv[-1]) if len(sys.argv) > 1 else 10**7


def categorical_bench():
    import pandas as pd
    rng = np.random.default_rng(7)
    categories = np.unique(locators(10**4, 8)).astype(str)
    column = pd.Series(pd.Categorical.from_codes(rng.integers(-1, len(categories), N), categories=categories))
    expanded = column.astype(object)
    for name, call in [("valid", lambda c: morvane.valid(c, threads=1)), ("centre", lambda c: morvane.centre(c, threads=1)),
                       ("path to one locator", lambda c: morvane.path(c, "JN18EU", threads=1))]:
        fast, slow = best(lambda: call(column)), best(lambda: call(expanded))
        print(f"Categorical, {name}: {fast * 1e3:.0f} ms against {slow * 1e3:.0f} ms expanded, {slow / fast:.1f}x"
              + (" (goal 10x)" if name.startswith("path") else ""))


def locators(n, seed):
    """Mixed 4- and 6-character locators as a fixed-width byte array ('S6')."""
    rng = np.random.default_rng(seed)
    chars = np.empty((n, 6), dtype=np.uint8)
    chars[:, 0:2] = 65 + rng.integers(0, 18, (n, 2))
    chars[:, 2:4] = 48 + rng.integers(0, 10, (n, 2))
    chars[:, 4:6] = 65 + rng.integers(0, 24, (n, 2))
    chars[rng.random(n) < 0.5, 4:6] = 0  # a 4-character locator, NUL-padded as numpy pads
    return chars.view("S6").ravel()


def best(f, rounds=3):
    times = []
    for _ in range(rounds):
        start = time.perf_counter()
        f()
        times.append(time.perf_counter() - start)
    return min(times)


def numpy_haversine(base, target):
    """What an analyst writes by hand: decode every character, then haversine."""
    def decode(a):
        c = a.view(np.uint8).reshape(-1, 6).astype(np.float64)
        six = c[:, 4] != 0
        lon = (c[:, 0] - 65) * 20 + (c[:, 2] - 48) * 2 - 180
        lat = (c[:, 1] - 65) * 10 + (c[:, 3] - 48) - 90
        lon += np.where(six, (c[:, 4] - 65) * (2 / 24) + 1 / 24, 1.0)
        lat += np.where(six, (c[:, 5] - 65) * (1 / 24) + 1 / 48, 0.5)
        return np.radians(lat), np.radians(lon)
    (p1, l1), (p2, l2) = decode(base), decode(target)
    h = np.sin((p2 - p1) / 2) ** 2 + np.cos(p1) * np.cos(p2) * np.sin((l2 - l1) / 2) ** 2
    return 2 * 6371.0 * np.arcsin(np.sqrt(h))


def memory_growth(n, form):
    """Peak resident growth of one path call over its outputs, in a fresh process."""
    out = subprocess.run([sys.executable, __file__, "--memory", form, str(n)], capture_output=True, text=True,
                         check=True)
    return int(out.stdout)


def measure_memory(n, form):
    import pandas as pd
    # Made in small pieces, so that no temporary array sets the peak.
    step = 10**6
    base = np.concatenate([locators(min(step, n - i), i) for i in range(0, n, step)])
    target = np.concatenate([locators(min(step, n - i), i + 1) for i in range(0, n, step)])
    if form == "object":
        base = pd.Series(base.astype("U6"), dtype=object)
        base[n // 2] = "x" * 1000  # one long junk value
    morvane.path(base[:10], target[:10])
    # The peak is reset first (Linux: "5" to clear_refs), so that making the
    # columns does not hide the call's own peak.
    def status(key):
        with open("/proc/self/status") as f:
            return next(int(line.split()[1]) for line in f if line.startswith(key))
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")
    before = status("VmRSS:")
    morvane.path(base, target, threads=2, dtype=np.float32 if form == "float32" else np.float64)
    print(status("VmHWM:") - before)


def forms(base, target):
    """The same pairs as analysts hold them."""
    import pandas as pd
    as_str = base.astype("U6"), target.astype("U6")
    return {
        "numpy bytes 'S6'": (base, target),
        "numpy bytes 'S17'": (base.astype("S17"), target.astype("S17")),
        "numpy str 'U6'": as_str,
        "numpy str 'U17'": (base.astype("U17"), target.astype("U17")),
        "pandas object Series": (pd.Series(as_str[0], dtype=object), pd.Series(as_str[1], dtype=object)),
        "pandas string dtype": (pd.Series(as_str[0], dtype="string"), pd.Series(as_str[1], dtype="string")),
    }


def main():
    base, target = locators(N, 1), locators(N, 2)
    print(f"path, {N:,} mixed 4/6-character pairs, M pairs/s (best of 3):")
    rates = {}
    bytes6 = "numpy bytes 'S6'"
    for name, (b, t) in forms(base, target).items():
        one = best(lambda: morvane.path(b, t, threads=1))
        two = best(lambda: morvane.path(b, t, threads=2))
        rates[name] = N / one
        print(f"  {name:22s} one thread {N / one / 1e6:5.1f}, two {N / two / 1e6:5.1f} ({one / two:.2f}x); "
              f"'S6' / this: {rates[bytes6] / rates[name]:.2f} (goal 1.3 at most)")
    one = N / rates[bytes6]
    with np.errstate(invalid="ignore"):  # the hand-written haversine meets antipodes
        hand = best(lambda: numpy_haversine(base, target), rounds=1)
        hand_nan = int(np.isnan(numpy_haversine(base, target)).sum())
    print(f"hand-written numpy decode and haversine: {N / hand / 1e6:.1f} M pairs/s; morvane {hand / one:.1f}x on "
          f"one thread (goal 2x); it gives NaN for {hand_nan} valid pairs")
    try:
        from pyhamtools import locator as pyham
        sample = 20000
        b, t = base[:sample].astype("U6"), target[:sample].astype("U6")
        start = time.perf_counter()
        for x, y in zip(b, t):
            pyham.calculate_distance(x, y)
            pyham.calculate_heading(x, y)
        per = (time.perf_counter() - start) / sample
        print(f"pyhamtools: {1 / per / 1e6:.2f} M pairs/s (distance and heading); morvane {per * N / one:.0f}x "
              f"(goal 50x)")
    except ImportError:
        print("pyhamtools: not installed (python3-pyhamtools)")
    sample = min(N, 10**6)
    ellipsoid = best(lambda: morvane.path(base[:sample], target[:sample], ellipsoid=True, threads=1), rounds=1)
    print(f"ellipsoid (WGS84): {sample / ellipsoid / 1e6:.2f} M pairs/s on one thread (goal 2)")
    azimuth, km = morvane.path(base, target)
    print(f"NaN where both are valid: {int(np.isnan(km).sum())} (goal 0); antipodes: "
          f"{morvane.path('JJ00AA', 'AI09AX', rounded=True)[1]:.0f} km")
    for form, size in (("bytes", 8), ("object", 8), ("float32", 4)):
        grown = memory_growth(N, form) / 1024
        print(f"memory, {form}: peak grew {grown:.0f} MiB for outputs of {2 * size * N / 2**20:.0f} MiB")
    side = int(N ** 0.5)
    matrix = best(lambda: morvane.path(base[:side, None], target[:side], threads=1))
    print(f"broadcast matrix {side:,} x {side:,}: {side * side / matrix / 1e6:.1f} M pairs/s on one thread")
    categorical_bench()
    dask_bench()


def dask_bench():
    import dask.dataframe as dd
    import morvane.dask
    from distributed import Client, LocalCluster
    rows, files = N, 8
    with tempfile.TemporaryDirectory() as folder:
        rng = np.random.default_rng(5)
        for f in range(files):
            n = rows // files
            rx, tx = locators(n, 10 + f), locators(n, 20 + f)
            # The published WSPR layout: spot id, timestamp, reporter, reporter's grid, SNR,
            # frequency, call, grid, power, drift, distance, azimuth, band, version, code.
            import pandas as pd
            pd.DataFrame({"id": np.arange(n) + f * n, "time": 1700000000 + rng.integers(0, 86400, n),
                          "reporter": "DL1ABC", "rgrid": rx.astype("U6"), "snr": rng.integers(-30, 10, n),
                          "freq": 14.0970 + rng.random(n) / 1e4, "call": "K1ABC", "grid": tx.astype("U6"),
                          "power": 23, "drift": 0, "distance": 0, "azimuth": 0, "band": 14, "version": "2.6.1",
                          "code": 0}) \
                .to_csv(os.path.join(folder, f"spots-{f}.csv"), header=False, index=False)
        names = ["id", "time", "reporter", "rgrid", "snr", "freq", "call", "grid", "power", "drift", "distance",
                 "azimuth", "band", "version", "code"]
        times = {}
        for workers in (1, 2):
            with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                              dashboard_address=None) as cluster, Client(cluster):
                frame = dd.read_csv(os.path.join(folder, "spots-*.csv"), names=names, dtype={"rgrid": str, "grid": str})
                start = time.perf_counter()
                morvane.dask.add_paths(frame, "rgrid", "grid", prefix="m_")["m_km"].sum().compute()
                times[workers] = time.perf_counter() - start
        print(f"Dask, {rows:,} WSPR-shaped rows in {files} CSV files: one worker {times[1]:.1f} s, two "
              f"{times[2]:.1f} s, {times[1] / times[2]:.2f}x (goal 1.6x)")


if __name__ == "__main__":
    measure_memory(N, sys.argv[2]) if "--memory" in sys.argv else main()
