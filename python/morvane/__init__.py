"""Morvane's QRA (Maidenhead) locator core for numpy, pandas and Dask.

Locators of 2, 4, 6, 8 or 10 characters, mixed, any case, blanks trimmed, in
a numpy array of str or bytes, a list or a pandas Series; answers in numpy
arrays, NaN (or '') where a locator is not one, never an exception in the
middle of a column. The same C++ core as the Morvane window and morvane-cli.

    >>> import morvane
    >>> morvane.path("JN18EU", "FN20XR", rounded=True)
    (292.0, 5847.0)
"""
import numpy as np

from . import _core

__all__ = ["valid", "centre", "encode", "path"]


def _text(x, name):
    """x as a one-dimensional array of text, and whether it was one locator."""
    if isinstance(x, (str, bytes)):
        return np.array([x]), True
    if hasattr(x, "to_numpy"):  # a pandas Series or Index
        x = x.to_numpy()
    a = np.asarray(x)
    if a.size == 0 and a.dtype.kind not in "SU":
        a = a.astype("U1")
    if a.dtype.kind == "O":
        # Python objects (a list, a Series of str): read once as text; None
        # and NaN become text that is no locator.
        a = a.astype("U")
    if a.dtype.kind not in "SU":
        raise TypeError(f"{name}: locators must be text, not {a.dtype}")
    if a.ndim != 1:
        raise ValueError(f"{name}: locators must be one-dimensional, not of shape {a.shape}")
    return a, False


def _numbers(x, name):
    scalar = np.ndim(x) == 0
    if hasattr(x, "to_numpy"):
        x = x.to_numpy()
    a = np.atleast_1d(np.asarray(x))
    if a.dtype.kind not in "fiu":
        raise TypeError(f"{name}: must be numbers, not {a.dtype}")
    if a.ndim != 1:
        raise ValueError(f"{name}: must be one-dimensional, not of shape {a.shape}")
    return a.astype(np.float64, copy=False), scalar


def _pair(a, b, names):
    """Two columns of one length: a single value is repeated (a stride of 0)."""
    if len(a) == 1 and len(b) != 1:
        a = np.broadcast_to(a, b.shape)
    elif len(b) == 1 and len(a) != 1:
        b = np.broadcast_to(b, a.shape)
    if len(a) != len(b):
        raise ValueError(f"{names[0]}, {names[1]}: lengths {len(a)} and {len(b)} differ")
    return a, b


def valid(locators, threads=0):
    """Whether each text is a locator of 2, 4, 6, 8 or 10 characters: a bool array."""
    a, scalar = _text(locators, "locators")
    out = _core.valid(a, threads=threads)
    return bool(out[0]) if scalar else out


def centre(locators, threads=0):
    """(lat, lon): the centre of each locator's cell in degrees, NaN where invalid."""
    a, scalar = _text(locators, "locators")
    lat, lon = _core.centre(a, threads=threads)
    return (float(lat[0]), float(lon[0])) if scalar else (lat, lon)


def encode(lat, lon, precision=6, threads=0):
    """The locator of each position's exact cell ('' off the grid): a position on a
    grid line belongs to the cell north and east of it."""
    y, one_y = _numbers(lat, "lat")
    x, one_x = _numbers(lon, "lon")
    y, x = _pair(y, x, ("lat", "lon"))
    if not isinstance(precision, (int, np.integer)) or isinstance(precision, bool):
        raise TypeError("precision: must be 2, 4, 6, 8 or 10")
    out = _core.encode(np.ascontiguousarray(y), np.ascontiguousarray(x), precision=int(precision), threads=threads)
    return str(out[0]) if one_y and one_x else out


def path(base, target, long=False, ellipsoid=False, rounded=False, threads=0):
    """(azimuth, km) from each base to each target, NaN where either is not a locator.

    long: the long path. ellipsoid: the WGS84 geodesic (GeographicLib).
    rounded: as the Morvane window and morvane-cli path show them (whole
    degrees and kilometres; tenths on the ellipsoid). A single base (or
    target) serves every row of the other."""
    b, one_b = _text(base, "base")
    t, one_t = _text(target, "target")
    b, t = _pair(b, t, ("base", "target"))
    azimuth, km = _core.path(b, t, long=bool(long), ellipsoid=bool(ellipsoid), rounded=bool(rounded),
                             threads=threads)
    return (float(azimuth[0]), float(km[0])) if one_b and one_t else (azimuth, km)
