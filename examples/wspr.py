"""WSPR spots with Morvane's azimuth and distance: how far and which way one
reporter heard, per band and per hour, on a Dask LocalCluster of this
machine or on a dask.distributed cluster.

    /usr/bin/python3 examples/wspr.py 'wsprspots-2026-11*.csv' --reporter DL1ABC
    /usr/bin/python3 examples/wspr.py --scheduler tcp://scheduler:8786 'spots/*.csv'

The spot files are read as published: 15 columns without a header (spot id,
timestamp, reporter, reporter's grid, SNR, frequency, call, grid, power,
drift, distance, azimuth, band, version, code), the older 14 (no azimuth),
or either with a header line. Prints the distances per band and per hour and
the 16-sector azimuth histogram as tables, and draws them into a PNG when
matplotlib is there (Debian's python3-matplotlib). Exits 1 when no spot has
two valid grids, 2 when the files are not spot files.
"""
import argparse
import glob
import sys

import numpy as np

import morvane
import morvane.dask

LAYOUTS = {
    15: ["spot_id", "timestamp", "reporter", "reporter_grid", "snr", "frequency", "call", "grid", "power", "drift",
         "distance", "azimuth", "band", "version", "code"],
    14: ["spot_id", "timestamp", "reporter", "reporter_grid", "snr", "frequency", "call", "grid", "power", "drift",
         "distance", "band", "version", "code"],
}
# Header spellings seen in the published files and in exports of them.
ALIASES = {"spotid": "spot_id", "id": "spot_id", "time": "timestamp", "reportersgrid": "reporter_grid",
           "reportergrid": "reporter_grid", "callsign": "call", "tx_sign": "call", "rx_sign": "reporter",
           "rx_loc": "reporter_grid", "tx_loc": "grid", "mhz": "frequency", "km": "distance", "az": "azimuth"}


def layout(path):
    """(names, header) for a spot file: by its header line if it has one, else by
    its count of columns. Raises ValueError naming what it found otherwise."""
    with open(path, newline="") as f:
        first = f.readline().rstrip("\r\n")
    fields = first.split(",")
    if fields and fields[0].strip().lstrip("-").isdigit():
        if len(fields) not in LAYOUTS:
            raise ValueError(f"{path}: {len(fields)} columns; spot files have 15 (or 14, without azimuth)")
        return LAYOUTS[len(fields)], False
    names = []
    for field in fields:
        key = field.strip().strip('"').lower().replace("'", "").replace(" ", "_")
        names.append(ALIASES.get(key.replace("_", ""), key))
    if names not in LAYOUTS.values():
        raise ValueError(f"{path}: header {first!r} is not a spot file's (15 or 14 columns: "
                         f"{', '.join(LAYOUTS[15])})")
    return names, True


def read_spots(pattern):
    import dask.dataframe as dd
    files = sorted(glob.glob(pattern)) or [pattern]
    first = layout(files[0])
    for f in files[1:]:
        if layout(f) != first:
            raise ValueError(f"{f}: its columns differ from {files[0]}'s; read them apart")
    names, header = first
    text = {c: str for c in ("reporter", "reporter_grid", "call", "grid", "version", "code")}
    return dd.read_csv(files, names=names, header=0 if header else None, dtype=text, blocksize="64MB")


def table(title, frame):
    print(f"\n{title}")
    print(frame.to_string())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", help="CSV files, a glob pattern")
    parser.add_argument("--reporter", help="the reporter to look at (default: the one with the most spots)")
    parser.add_argument("--png", default="wspr.png", help="where to draw the figures (default wspr.png)")
    parser.add_argument("--scheduler", help="a dask.distributed scheduler's address (tcp://host:8786); "
                        "default: a LocalCluster of this machine")
    args = parser.parse_args()
    from distributed import Client, LocalCluster
    cluster = None
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(processes=True, dashboard_address=None)
        client = Client(cluster)
    try:
        try:
            spots = read_spots(args.files)
        except (OSError, ValueError) as error:
            print(f"wspr.py: {error}", file=sys.stderr)
            return 2
        # The published files have a distance column of their own: Morvane's go beside it.
        spots = morvane.dask.add_paths(spots, "reporter_grid", "grid", prefix="morvane_")
        difference = (spots.morvane_km - spots.distance).abs()
        with_paths, total, mean, p99 = client.compute(
            [spots.morvane_km.count(), spots.spot_id.count(), difference.mean(), difference.quantile(0.99)],
            sync=True)
        print(f"{total:,} spots, {with_paths:,} with two valid grids")
        if with_paths == 0:
            print("wspr.py: no spot has two valid grids; nothing to show", file=sys.stderr)
            return 1
        print(f"Morvane's km against the files' distance: mean difference {mean:.1f} km, "
              f"99th percentile {p99:.1f} km")
        reporter = args.reporter
        if not reporter:
            reporter = client.compute(spots.reporter.value_counts().nlargest(1), sync=True).index[0]
        mine = client.compute(spots[(spots.reporter == reporter) & spots.morvane_km.notnull()], sync=True)
        if mine.empty:
            print(f"wspr.py: no spot of {reporter} has two valid grids", file=sys.stderr)
            return 1
        mine = mine.assign(hour=(mine.timestamp // 3600) % 24, sector=morvane.sector(mine.morvane_azimuth, 16))
        quantiles = {"spots": "count", "median km": "median", "p90 km": lambda d: d.quantile(0.9), "max km": "max"}
        print(f"\n{reporter}: {len(mine):,} spots")
        table("distance per band", mine.groupby("band").morvane_km.agg(list(quantiles.values()))
              .set_axis(list(quantiles), axis=1).round(0))
        table("distance per hour (UTC)", mine.groupby("hour").morvane_km.agg(list(quantiles.values()))
              .set_axis(list(quantiles), axis=1).round(0))
        names = morvane.sector(np.arange(16) * 22.5, 16)
        counts = mine.sector.value_counts().reindex(names, fill_value=0)
        table("azimuth from the reporter, 16 sectors", counts.rename("spots").to_frame())
        draw(args.png, reporter, mine, counts)
        return 0
    finally:
        client.close()
        if cluster:
            cluster.close()


def draw(png, reporter, mine, counts):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("(matplotlib is not installed: no figure drawn)")
        return
    figure = plt.figure(figsize=(11, 5))
    bands = sorted(mine.band.unique())
    left = figure.add_subplot(1, 2, 1)
    left.boxplot([mine.morvane_km[mine.band == b] for b in bands], labels=[str(b) for b in bands], showfliers=False)
    left.set_xlabel("band")
    left.set_ylabel("km")
    left.set_title(f"{reporter}: distance per band")
    right = figure.add_subplot(1, 2, 2, projection="polar")
    right.set_theta_zero_location("N")
    right.set_theta_direction(-1)
    right.bar(np.radians(np.arange(16) * 22.5), counts.to_numpy(), width=np.radians(22.5), edgecolor="black")
    right.set_xticks(np.radians(np.arange(16) * 22.5))
    right.set_xticklabels(counts.index)
    right.set_title("spots per azimuth sector")
    figure.tight_layout()
    figure.savefig(png, dpi=100)
    print(f"figures drawn into {png}")


if __name__ == "__main__":
    sys.exit(main())
