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

__version__ = _core.__version__
__all__ = ["valid", "centre", "encode", "path", "precision", "sector"]

_NOTHING = np.array([None], dtype=object)  # a missing value, repeated without memory by a stride of 0


def _text(x, name):
    """x as a one-dimensional array of text, and whether it was one locator.

    Object columns (what read_csv gives, pandas' string dtype) are read by
    the core element by element, never converted, so memory does not grow
    with the longest value in them."""
    if isinstance(x, (str, bytes)):
        return np.array([x]), True
    if x is None:
        raise TypeError(f"{name}: None is not a locator (give a str, bytes, or a column of them)")
    if hasattr(x, "array") and hasattr(x.array, "_ndarray") and str(getattr(x, "dtype", "")) == "string":
        x = x.array._ndarray  # pandas' string dtype: its own object array, no copy
    elif hasattr(x, "to_numpy"):  # a pandas Series or Index
        x = x.to_numpy()
    a = np.asarray(x)
    if a.dtype.kind == "f" and a.ndim == 1 and np.isnan(a).all():
        # A column with nothing in it (pandas reads one as float NaN): no locators.
        a = np.broadcast_to(_NOTHING, a.shape)
    if a.size == 0 and a.dtype.kind not in "SUO":
        a = a.astype("U1")
    if a.dtype.kind not in "SUO":
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


def precision(locators, threads=0):
    """The length of each locator (2, 4, 6, 8 or 10), 0 where it is not one: an int8 array."""
    a, scalar = _text(locators, "locators")
    out = _core.lengths(a, threads=threads)
    return int(out[0]) if scalar else out


_COMPASS = {
    8: np.array(["N", "NE", "E", "SE", "S", "SW", "W", "NW"]),
    16: np.array(["N", "NNE", "NE", "ENE", "E", "ESE", "SE", "SSE", "S", "SSW", "SW", "WSW", "W", "WNW", "NW", "NNW"]),
}


def sector(azimuth, n=16, names=None):
    """The compass sector of each azimuth (degrees): n equal sectors, the first
    centred on north. With names (the default for 8 and 16), the compass
    point ("N", "NNE", ...; '' for NaN); otherwise the sector's number, 0 to
    n - 1 (-1 for NaN)."""
    if not isinstance(n, (int, np.integer)) or isinstance(n, bool) or n < 1:
        raise ValueError("n: must be a whole number of sectors, 1 or more")
    if names is None:
        names = n in _COMPASS
    if names and n not in _COMPASS:
        raise ValueError("names: compass points come in 8 or 16 sectors")
    a, scalar = _numbers(azimuth, "azimuth")
    width = 360.0 / n
    missing = ~np.isfinite(a)
    index = np.floor(np.where(missing, 0.0, a) / width + 0.5).astype(np.int64) % n
    if names:
        out = _COMPASS[n][index]
        out[missing] = ""
        return str(out[0]) if scalar else out
    index[missing] = -1
    return int(index[0]) if scalar else index


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


def path(base, target, long=False, ellipsoid=False, rounded=False, miles=False, reverse=False, threads=0):
    """(azimuth, km) from each base to each target, NaN where either is not a locator.

    long: the long path. ellipsoid: the WGS84 geodesic (GeographicLib).
    rounded: as the Morvane window and morvane-cli path show them (whole
    degrees and kilometres; tenths on the ellipsoid). miles: the distance in
    miles (rounded: morvane-cli --miles, the shown kilometres in miles
    truncated to hundredths). reverse: the azimuth at the target, towards
    the base (the other end's view; spot data gives the transmitter's). A
    single base (or target) serves every row of the other. Two locators of
    one cell (one centre) give 0 and 0, where morvane-cli refuses the pair.
    Unrounded answers are within 1e-9 km and 1e-7 degrees of the exact
    value on the sphere, at every distance."""
    b, one_b = _text(base, "base")
    t, one_t = _text(target, "target")
    b, t = _pair(b, t, ("base", "target"))
    if reverse:
        b, t = t, b
    azimuth, km = _core.path(b, t, long=bool(long), ellipsoid=bool(ellipsoid), rounded=bool(rounded),
                             miles=bool(miles), threads=threads)
    return (float(azimuth[0]), float(km[0])) if one_b and one_t else (azimuth, km)
