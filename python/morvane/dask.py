"""Azimuth and distance columns for pandas and Dask DataFrames, partition by
partition, on one machine or a dask.distributed cluster."""
import numpy as np

import morvane


def _add(frame, base, target, prefix, options):
    azimuth, km = morvane.path(frame[base].to_numpy(), frame[target].to_numpy(), **options)
    return frame.assign(**{prefix + "azimuth": azimuth, prefix + "km": km})


def add_paths(frame, base, target, prefix="", **options):
    """frame with two float64 columns more, PREFIXazimuth and PREFIXkm, from the
    locators in columns base and target (morvane.path's options: long,
    ellipsoid, rounded, threads). A pandas DataFrame is answered at once; a
    Dask one gets them through map_partitions, lazily."""
    for name, column in (("base", base), ("target", target)):
        if column not in frame.columns:
            raise ValueError(f"{name}: no column {column!r} in the frame")
    if not hasattr(frame, "map_partitions"):
        return _add(frame, base, target, prefix, options)
    meta = frame._meta.assign(**{prefix + "azimuth": np.float64(), prefix + "km": np.float64()})
    return frame.map_partitions(_add, base, target, prefix, options, meta=meta)
