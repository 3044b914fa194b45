"""WSPR spots with Morvane's azimuth and distance, compared with the distance
the spot database gives, on this machine or a dask.distributed cluster.

    /usr/bin/python3 examples/wspr.py 'wsprspots-2026-11*.csv'
    /usr/bin/python3 examples/wspr.py --scheduler tcp://scheduler:8786 'spots/*.csv'

The CSV files have the published columns, without a header: spot id,
timestamp, reporter, reporter's grid, SNR, frequency, call, grid, power,
drift, distance (km), band, version, code.
"""
import argparse

import dask.dataframe as dd

import morvane.dask

COLUMNS = ["spot_id", "timestamp", "reporter", "reporter_grid", "snr", "frequency", "call", "grid", "power",
           "drift", "distance", "band", "version", "code"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", help="CSV files, a glob pattern")
    parser.add_argument("--scheduler", help="a dask.distributed scheduler's address (tcp://host:8786)")
    args = parser.parse_args()
    client = None
    if args.scheduler:
        from distributed import Client
        client = Client(args.scheduler)
    spots = dd.read_csv(args.files, names=COLUMNS, header=None,
                        dtype={"reporter_grid": str, "grid": str, "reporter": str, "call": str, "version": str})
    spots = morvane.dask.add_paths(spots, "reporter_grid", "grid", prefix="morvane_")
    # The database's distance is whole kilometres between grid centres on its own Earth.
    difference = (spots.morvane_km - spots.distance).abs()
    summary = dd.compute(spots.morvane_km.count(), spots.spot_id.count(), difference.mean(), difference.quantile(0.99))
    with_paths, total, mean, p99 = summary
    print(f"{total:,} spots, {with_paths:,} with two valid grids; Morvane's km against the distance column: "
          f"mean difference {mean:.1f} km, 99th percentile {p99:.1f} km")
    if client:
        client.close()


if __name__ == "__main__":
    main()
