"""Azimuth and distance columns for pandas and Dask DataFrames, partition by
partition, on one machine or a dask.distributed cluster."""
import numpy as np

import morvane


def _add(frame, base, target, prefix, positions, options):
    # Taken as numpy columns: the frame's own rows in its own order, even
    # where its index repeats a label.
    answers = morvane.path(frame[base], frame[target], **options)
    columns = {prefix + "azimuth": answers.iloc[:, 0].to_numpy(), prefix + "km": answers.iloc[:, 1].to_numpy()}
    if positions:
        for end, column in (("base", base), ("target", target)):
            centres = morvane.centre(frame[column], threads=options.get("threads", 0))
            columns[f"{prefix}{end}_lat"], columns[f"{prefix}{end}_lon"] = centres.lat.to_numpy(), centres.lon.to_numpy()
    return frame.assign(**columns)


def _new_columns(prefix, positions):
    names = [prefix + "azimuth", prefix + "km"]
    if positions:
        names += [prefix + n for n in ("base_lat", "base_lon", "target_lat", "target_lon")]
    return names


def add_paths(frame, base, target, prefix="", positions=False, overwrite=False, **options):
    """frame with two float64 columns more, PREFIXazimuth and PREFIXkm, from the
    locators in columns base and target (morvane.path's options: long,
    ellipsoid, rounded, miles, reverse, threads); with positions, also each
    end's centre: PREFIXbase_lat, PREFIXbase_lon, PREFIXtarget_lat and
    PREFIXtarget_lon. Columns the frame already has are not replaced unless
    overwrite (or another prefix) is given. A pandas DataFrame is answered at
    once; a Dask one gets them through map_partitions, lazily.

    >>> import pandas as pd
    >>> add_paths(pd.DataFrame({"rx": ["JN18EU"], "tx": ["FN20XR"]}), "rx", "tx", rounded=True)
           rx      tx  azimuth      km
    0  JN18EU  FN20XR    292.0  5847.0
    """
    for name, column in (("base", base), ("target", target)):
        if column not in frame.columns:
            raise ValueError(f"{name}: no column {column!r} in the frame")
    names = _new_columns(prefix, positions)
    taken = [n for n in names if n in frame.columns]
    if taken and not overwrite:
        raise ValueError(f"the frame already has column(s) {', '.join(map(repr, taken))}: give another prefix "
                         f"(prefix='morvane_') or overwrite=True")
    if not hasattr(frame, "map_partitions"):
        return _add(frame, base, target, prefix, positions, options)
    meta = frame._meta.assign(**{n: np.float64() for n in names})
    return frame.map_partitions(_add, base, target, prefix, positions, options, meta=meta)
