"""WSPR spots with Morvane's azimuth and distance: how far and which way one
reporter heard, per band and per hour, and in what light at each end, on a
Dask LocalCluster of this machine or on a dask.distributed cluster.

    /usr/bin/python3 examples/wspr.py 'wsprspots-2026-11*.csv' --reporter DL1ABC
    /usr/bin/python3 examples/wspr.py spots.tsv
    /usr/bin/python3 examples/wspr.py --scheduler tcp://scheduler:8786 'spots/*.csv'

The spot files are read as published: the monthly archives' CSV, 15 columns
without a header (spot id, timestamp, reporter, reporter's grid, SNR,
frequency, call, grid, power, drift, distance, azimuth, band, version,
code), the older 14 (no azimuth), or either with a header line; and the
spot database's tab-separated table, 20 columns (id, time, band, rx_sign,
rx_lat, rx_lon, rx_loc, tx_sign, tx_lat, tx_lon, tx_loc, distance, azimuth,
rx_azimuth, frequency, power, snr, drift, version, code), with its header
line or without. Every file is read once, a block at a time, whatever its
size: what is kept is counts per reporter, band, hour and 25 km of
distance, so memory does not grow with the rows. Prints the distances per
band and per hour (medians and 90th percentiles to 25 km), the 16-sector
azimuth histogram and the light at both ends as tables, and draws them into
a PNG when matplotlib is there (Debian's python3-matplotlib). Exits 1 when
no spot has two valid grids, 2 when the files are not spot files.
"""
import argparse
import glob
import sys

import numpy as np
import pandas as pd

import morvane
import morvane.dask

LAYOUTS = {
    15: ["spot_id", "timestamp", "reporter", "reporter_grid", "snr", "frequency", "call", "grid", "power", "drift",
         "distance", "azimuth", "band", "version", "code"],
    14: ["spot_id", "timestamp", "reporter", "reporter_grid", "snr", "frequency", "call", "grid", "power", "drift",
         "distance", "band", "version", "code"],
    20: ["spot_id", "timestamp", "band", "reporter", "rx_lat", "rx_lon", "reporter_grid", "call", "tx_lat", "tx_lon",
         "grid", "distance", "azimuth", "rx_azimuth", "frequency", "power", "snr", "drift", "version", "code"],
}
# Header spellings seen in the published files and in exports of them.
ALIASES = {"spotid": "spot_id", "id": "spot_id", "time": "timestamp", "reportersgrid": "reporter_grid",
           "reportergrid": "reporter_grid", "callsign": "call", "tx_sign": "call", "rx_sign": "reporter",
           "rx_loc": "reporter_grid", "tx_loc": "grid", "mhz": "frequency", "km": "distance", "az": "azimuth"}
BIN_KM = 25  # the resolution of the medians and percentiles: counts are kept per 25 km


def layout(path):
    """(names, header, separator) for a spot file: by its header line if it
    has one, else by its count of columns. Raises ValueError naming what it
    found otherwise."""
    with open(path, newline="") as f:
        first = f.readline().rstrip("\r\n")
    separator = "\t" if "\t" in first else ","
    fields = first.split(separator)
    if fields and fields[0].strip().lstrip("-").isdigit():
        if len(fields) not in LAYOUTS:
            raise ValueError(f"{path}: {len(fields)} columns; spot files have 15 (or 14, without azimuth), "
                             f"tab-separated ones 20")
        return LAYOUTS[len(fields)], False, separator
    names = []
    for field in fields:
        key = field.strip().strip('"').lower().replace("'", "").replace(" ", "_")
        names.append(ALIASES.get(key.replace("_", ""), ALIASES.get(key, key)))
    if names not in LAYOUTS.values():
        raise ValueError(f"{path}: header {first!r} is not a spot file's (15 or 14 columns: "
                         f"{', '.join(LAYOUTS[15])}; or the 20 of the tab-separated table)")
    return names, True, separator


def read_spots(pattern):
    import dask.dataframe as dd
    files = sorted(glob.glob(pattern)) or [pattern]
    first = layout(files[0])
    for f in files[1:]:
        if layout(f) != first:
            raise ValueError(f"{f}: its columns differ from {files[0]}'s; read them apart")
    names, header, separator = first
    text = {c: str for c in ("timestamp", "reporter", "reporter_grid", "call", "grid", "version", "code")
            if c != "timestamp" or len(names) == 20}
    return dd.read_csv(files, names=names, header=0 if header else None, sep=separator, dtype=text,
                       blocksize="64MB")


def _hour_and_seconds(timestamp):
    """The UTC hour and Unix seconds of each spot: the archives give Unix
    seconds, the tab-separated table '2026-11-01 00:02:00'."""
    if timestamp.dtype.kind in "iuf":
        seconds = timestamp.astype(np.float64)
    else:
        when = pd.to_datetime(timestamp, format="%Y-%m-%d %H:%M:%S", errors="coerce")
        seconds = (when - pd.Timestamp(0)).dt.total_seconds()
    return (seconds // 3600 % 24), seconds


LIGHTS = ["night", "greyline", "day"]  # morvane.light's categories, by code


def _summarised(part):
    """What the tables need of each spot, in a few small columns: the band
    and the hour each with the distance's bin in one number (band * 1024 +
    bin), the sector, and the light at both ends as codes into LIGHTS."""
    hour, seconds = _hour_and_seconds(part.timestamp)
    bins = (part.morvane_km // BIN_KM).astype("float64")
    return pd.DataFrame({
        "reporter": part.reporter, "band_bin": part.band * 1024 + bins, "hour_bin": hour * 1024 + bins,
        "km": part.morvane_km, "sector": morvane.sector(part.morvane_azimuth, 16, names=False).astype("int8"),
        "rx_light": morvane.light(part.reporter_grid, seconds).cat.codes,
        "tx_light": morvane.light(part.grid, seconds).cat.codes,
    }, index=part.index)


def _split(counts, level):
    """Counts keyed by band * 1024 + bin as counts keyed by (band, bin)."""
    keys = counts.index.to_numpy().astype(np.int64)
    return pd.Series(counts.to_numpy(), index=pd.MultiIndex.from_arrays([keys // 1024, keys % 1024], names=[level, "bin"]))


def quantiles_of(counts, q):
    """The q-quantile (in km) of each group's distances from its counts per
    BIN_KM: linear within the bin that holds it."""
    out = {}
    for key, bins in counts.groupby(level=0):
        bins = bins.droplevel(0).sort_index()
        cumulative = bins.cumsum().to_numpy()
        at = q * cumulative[-1]
        i = int(np.searchsorted(cumulative, at))
        below = cumulative[i - 1] if i else 0
        out[key] = (bins.index[i] + (at - below) / bins.iloc[i]) * BIN_KM
    return pd.Series(out)


def table(title, frame):
    print(f"\n{title}")
    print(frame.to_string())


def distances(counts, longest, by):
    """spots, median km, percentiles and max km per band (or hour), from
    counts per (band, bin) and the longest per band."""
    frame = pd.DataFrame({"spots": counts.groupby(level=0).sum(), "median km": quantiles_of(counts, 0.5),
                          "p10 km": quantiles_of(counts, 0.1), "q1 km": quantiles_of(counts, 0.25),
                          "q3 km": quantiles_of(counts, 0.75), "p90 km": quantiles_of(counts, 0.9), "max km": longest})
    # A bin's interpolation can pass the group's longest spot; none is beyond it.
    quantiles = ["median km", "p10 km", "q1 km", "q3 km", "p90 km"]
    frame[quantiles] = frame[quantiles].clip(upper=frame["max km"], axis=0)
    frame.index = frame.index.astype(int)
    frame.index.name = by
    return frame


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("files", help="CSV or tab-separated files, a glob pattern")
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
        paths = spots[spots.morvane_km.notnull()]
        if args.reporter:
            paths = paths[paths.reporter == args.reporter]
        meta = pd.DataFrame({"reporter": pd.Series(dtype=object), "band_bin": pd.Series(dtype="float64"),
                             "hour_bin": pd.Series(dtype="float64"), "km": pd.Series(dtype="float64"),
                             "sector": pd.Series(dtype="int8"), "rx_light": pd.Series(dtype="int8"),
                             "tx_light": pd.Series(dtype="int8")})
        summary = paths.map_partitions(_summarised, meta=meta)
        # Everything in one pass over the files: each is read once.
        (total, with_paths, mean, p99, by_band, by_hour, sectors, lights) = client.compute([
            spots.spot_id.count(), spots.morvane_km.count(), difference.mean(), difference.quantile(0.99),
            summary.groupby(["reporter", "band_bin"]).km.agg(["count", "max"]),
            summary.groupby(["reporter", "hour_bin"]).km.agg(["count", "max"]),
            summary.groupby(["reporter", "sector"]).size(), summary.groupby(["reporter", "rx_light", "tx_light"]).size(),
        ], sync=True)
        print(f"{total:,} spots, {with_paths:,} with two valid grids")
        if with_paths == 0:
            print("wspr.py: no spot has two valid grids; nothing to show", file=sys.stderr)
            return 1
        print(f"Morvane's km against the files' distance: mean difference {mean:.1f} km, "
              f"99th percentile {p99:.1f} km")
        per_reporter = by_band["count"].groupby(level="reporter").sum()
        if per_reporter.empty:
            print(f"wspr.py: no spot of {args.reporter} has two valid grids", file=sys.stderr)
            return 1
        reporter = args.reporter or per_reporter.sort_values(ascending=False, kind="stable").index[0]
        print(f"\n{reporter}: {per_reporter[reporter]:,} spots")
        mine = {name: result.xs(reporter, level="reporter")
                for name, result in (("band", by_band), ("hour", by_hour), ("sectors", sectors), ("lights", lights))}
        bands, hours = (distances(_split(mine[by]["count"], by), _split(mine[by]["max"], by).groupby(level=0).max(), by)
                        for by in ("band", "hour"))
        columns = ["spots", "median km", "p90 km", "max km"]
        table(f"distance per band (medians and percentiles to {BIN_KM} km)", bands[columns].round(0))
        table("distance per hour (UTC)", hours[columns].round(0))
        names = morvane.sector(np.arange(16) * 22.5, 16)
        counts = mine["sectors"].reindex(range(16), fill_value=0)
        counts.index = names
        table("azimuth from the reporter, 16 sectors", counts.rename("spots").to_frame())
        order = ["day", "greyline", "night"]
        light = mine["lights"].unstack(fill_value=0).reindex(index=range(3), columns=range(3), fill_value=0)
        light.index, light.columns = LIGHTS, LIGHTS
        light = light.loc[order, order]
        light.index.name, light.columns.name = "at the reporter", "at the transmitter"
        table("light at both ends (greyline: the Sun within 6 degrees of the horizon)", light)
        draw(args.png, reporter, bands, counts)
        return 0
    finally:
        client.close()
        if cluster:
            cluster.close()


def draw(png, reporter, bands, counts):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("(matplotlib is not installed: no figure drawn)")
        return
    figure = plt.figure(figsize=(11, 5))
    left = figure.add_subplot(1, 2, 1)
    # Boxes from the kept counts: quartiles, whiskers at the 10th and 90th percentiles.
    left.bxp([{"label": str(band), "med": row["median km"], "q1": row["q1 km"], "q3": row["q3 km"],
               "whislo": row["p10 km"], "whishi": row["p90 km"]} for band, row in bands.iterrows()], showfliers=False)
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
