"""Morvane's QRA (Maidenhead) locator core for numpy, pandas and Dask.

Locators of 2, 4, 6, 8 or 10 characters, mixed, any case, blanks trimmed, in
a numpy array of str or bytes, a list or a pandas Series. What comes in goes
out: a pandas Series gives a Series (its index kept; two Series are aligned
on their indexes, as pandas arithmetic aligns them), or a DataFrame where
there are several answers; a numpy array or a list gives numpy arrays; a
single value gives a single answer. A missing value (None, NaN, pd.NA) or a
text that is not a locator gives NaN (or ''), never an exception in the
middle of a column, unless errors="raise". The same C++ core as the Morvane
window and morvane-cli.

    >>> import morvane
    >>> morvane.path("JN18EU", "FN20XR", rounded=True)
    (292.0, 5847.0)
"""
import math
import os
import sys

import numpy as np

from . import _core

__version__ = _core.__version__
__all__ = ["valid", "centre", "encode", "path", "precision", "sector"]

_NOTHING = np.array([None], dtype=object)  # a missing value, repeated without memory by a stride of 0


def _pandas():
    """pandas when the caller has it loaded: what came in cannot be pandas otherwise."""
    return sys.modules.get("pandas")


def _is_series(x):
    pd = _pandas()
    return pd is not None and isinstance(x, pd.Series)


def _missing(v):
    """None, NaN, pd.NA, NaT: no value."""
    if v is None or (isinstance(v, float) and math.isnan(v)):
        return True
    pd = _pandas()
    return pd is not None and pd.api.types.is_scalar(v) and pd.isna(v) is True


class _Form:
    """What came in, so that the same comes out: one value, numpy arrays, or
    Series sharing one index."""

    def __init__(self, scalar, index=None):
        self.scalar, self.index = scalar, index

    def one(self, values, name, to=float):
        if self.scalar:
            return to(values[0])
        if self.index is not None:
            return _pandas().Series(values, index=self.index, name=name)
        return values

    def two(self, first, second, names):
        if self.scalar:
            return float(first[0]), float(second[0])
        if self.index is not None:
            # One block of both columns, as pandas keeps them: made here
            # (or already, by _spread), since pandas would stack them, slower.
            block = first.base
            if block is None or second.base is not block or block.shape != (2, len(first)):
                block = np.empty((2, len(first)))
                block[0], block[1] = first, second
            return _pandas().DataFrame(block.T, index=self.index, columns=list(names), copy=False)
        return first, second


def _aligned(a, b):
    """Two inputs, Series aligned on their indexes, and the form of the answer."""
    if _is_series(a) and _is_series(b):
        if not a.index.equals(b.index):
            a, b = a.align(b)  # the union of the indexes, as a + b would have it
        return a, b, _Form(False, a.index)
    for s in (a, b):
        if _is_series(s):
            return a, b, _Form(False, s.index)
    return a, b, _Form(np.ndim(a) == 0 and np.ndim(b) == 0)


def _listed(x, name):
    """A list or tuple as an object column, as read_csv gives one: as long
    as it is, not as wide as its longest value. Values that are not text
    are missing, as in an object column; a list of numbers is refused."""
    a = np.empty(len(x), dtype=object)
    try:
        a[:] = x
    except ValueError:
        raise ValueError(f"{name}: locators must be one-dimensional") from None
    if not any(isinstance(v, (str, bytes)) for v in x):
        for v in x:
            if np.ndim(v):
                raise ValueError(f"{name}: locators must be one-dimensional")
            if not _missing(v):
                raise TypeError(f"{name}: locators must be text, not {type(v).__name__}")
    return a


def _text(x, name):
    """x as a one-dimensional array of text.

    Object columns (what read_csv gives, pandas' string dtype) are read by
    the core element by element, never converted, so memory does not grow
    with the longest value in them."""
    if isinstance(x, (str, bytes)):
        return np.array([x])
    if np.ndim(x) == 0 and _missing(x):
        return _NOTHING
    if isinstance(x, (list, tuple)):
        return _listed(x, name)
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
    return a


def _numbers(x, name):
    if np.ndim(x) == 0 and _missing(x):
        return np.array([np.nan])
    if hasattr(x, "to_numpy"):
        x = x.to_numpy(dtype=np.float64, na_value=np.nan) if _is_series(x) and x.hasnans else x.to_numpy()
    a = np.atleast_1d(np.asarray(x))
    if a.dtype.kind not in "fiu":
        raise TypeError(f"{name}: must be numbers, not {a.dtype}")
    if a.ndim != 1:
        raise ValueError(f"{name}: must be one-dimensional, not of shape {a.shape}")
    return a.astype(np.float64, copy=False)


def _pair(a, b, names):
    """Two columns of one length: a single value is repeated (a stride of 0)."""
    if len(a) == 1 and len(b) != 1:
        a = np.broadcast_to(a, b.shape)
    elif len(b) == 1 and len(a) != 1:
        b = np.broadcast_to(b, a.shape)
    if len(a) != len(b):
        raise ValueError(f"{names[0]}, {names[1]}: lengths {len(a)} and {len(b)} differ")
    return a, b


def _distinct(x, unique):
    """(distinct values, codes) for a column worked once per distinct value
    and taken back by codes (-1 for a missing one): a Categorical always,
    any other column with unique=True; None otherwise."""
    pd = _pandas()
    if pd is not None and isinstance(getattr(x, "dtype", None), pd.CategoricalDtype):
        return x.cat.categories.to_numpy(), x.cat.codes.to_numpy()
    if not _flag(unique, "unique") or isinstance(x, (str, bytes)) or np.ndim(x) == 0:
        return None
    if pd is None:
        raise ImportError("unique=True needs pandas")
    codes, values = pd.factorize(x.to_numpy() if hasattr(x, "to_numpy") else _listed(x, "locators")
                                 if isinstance(x, (list, tuple)) else np.asarray(x))
    return np.asarray(values), codes


def _taken(answer, codes, missing):
    """Answers per distinct value spread back over the rows; code -1, the
    last entry, is the missing value's answer."""
    return np.append(answer, np.array([missing], dtype=answer.dtype))[codes]


def _spread(answers, codes, missing):
    """Several columns of answers per distinct value spread back over the
    rows, straight into the rows of one block (see _Form.two)."""
    block = np.empty((len(answers), len(codes)))
    for row, answer in zip(block, answers):
        np.take(answer if missing is None else np.append(answer, missing), codes, out=row)
    return block


def _threads(threads):
    """The threads to work with: 0 means every processor this process may
    use (its CPU affinity, as a container or taskset sets it), shared with
    the other threads of a Dask worker it runs in."""
    if not isinstance(threads, (int, np.integer)) or isinstance(threads, bool):
        raise TypeError(f"threads: must be a whole number (0 for every processor), not {type(threads).__name__}")
    if threads < 0:
        raise ValueError("threads: must be 0 (all processors) or more")
    if threads:
        return int(threads)
    n = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else (os.cpu_count() or 1)
    if "distributed" in sys.modules:
        try:
            worker = sys.modules["distributed"].get_worker()
            n = max(1, n // max(1, getattr(getattr(worker, "state", worker), "nthreads", 1)))
        except ValueError:  # not in a worker
            pass
    return n


def _flag(value, name):
    if not isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name}: must be True or False, not {value!r}")
    return bool(value)


def _raising(errors):
    if errors not in ("coerce", "raise"):
        raise ValueError(f"errors: must be 'coerce' or 'raise', not {errors!r}")
    return errors == "raise"


def _refuse_invalid(column, name, threads):
    """errors='raise': the first row that is not a locator, named."""
    bad = np.flatnonzero(~_core.valid(column, threads=threads))
    if bad.size:
        raise ValueError(f"{name}: row {bad[0]} ({column[bad[0]]!r}) is not a locator")


def _per_row(work, locators, unique, missing):
    """work (a column of text to an array) over each row, or over each
    distinct value when there are far fewer of them."""
    distinct = _distinct(locators, unique)
    if distinct is None:
        return work(_text(locators, "locators"))
    values, codes = distinct
    return _taken(work(_text(values, "locators")), codes, missing)


def valid(locators, threads=0, unique=False):
    """Whether each text is a locator of 2, 4, 6, 8 or 10 characters (False
    for a missing value): bool. A Categorical is worked once per category;
    unique=True does the same for any column (worth it where values repeat)."""
    a, _, form = _aligned(locators, None)
    threads = _threads(threads)
    out = _per_row(lambda c: _core.valid(c, threads=threads), a, unique, False)
    return form.one(out, "valid", bool)


def precision(locators, threads=0, unique=False):
    """The length of each locator (2, 4, 6, 8 or 10), 0 where it is not one:
    int8. Categoricals and unique=True as in valid."""
    a, _, form = _aligned(locators, None)
    threads = _threads(threads)
    out = _per_row(lambda c: _core.lengths(c, threads=threads), a, unique, 0)
    return form.one(out, "precision", int)


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
    azimuth, _, form = _aligned(azimuth, None)
    a = _numbers(azimuth, "azimuth")
    width = 360.0 / n
    missing = ~np.isfinite(a)
    index = np.floor(np.where(missing, 0.0, a) / width + 0.5).astype(np.int64) % n
    if names:
        out = _COMPASS[n][index]
        out[missing] = ""
        return form.one(out, "sector", str)
    index[missing] = -1
    return form.one(index, "sector", int)


def centre(locators, threads=0, errors="coerce", unique=False):
    """(lat, lon): the centre of each locator's cell in degrees, NaN where it
    is not one (errors="raise": a ValueError naming the first such row); a
    DataFrame with columns lat and lon for a Series. Categoricals and
    unique=True as in valid."""
    raising = _raising(errors)
    a, _, form = _aligned(locators, None)
    threads = _threads(threads)
    distinct = _distinct(a, unique)
    column = _text(a, "locators") if raising or distinct is None else None
    if raising:
        _refuse_invalid(column, "locators", threads)
    if distinct is None:
        lat, lon = _core.centre(column, threads=threads)
    else:
        values, codes = distinct
        lat, lon = _spread(_core.centre(_text(values, "locators"), threads=threads), codes, np.nan)
    return form.two(lat, lon, ("lat", "lon"))


def encode(lat, lon, precision=6, threads=0, errors="coerce"):
    """The locator of each position's exact cell: a position on a grid line
    belongs to the cell north and east of it. A position off the grid (the
    north pole's latitude, 90, is past its last row; longitude 180 is past
    its last column), or missing, gives '' in a numpy array and a missing
    value (NaN) in a Series; errors="raise" refuses it instead."""
    raising = _raising(errors)
    lat, lon, form = _aligned(lat, lon)
    y, x = _pair(_numbers(lat, "lat"), _numbers(lon, "lon"), ("lat", "lon"))
    if not isinstance(precision, (int, np.integer)) or isinstance(precision, bool):
        raise TypeError("precision: must be 2, 4, 6, 8 or 10")
    out = _core.encode(np.ascontiguousarray(y), np.ascontiguousarray(x), precision=int(precision),
                       threads=_threads(threads))
    off = out == ""
    if raising and off.any():
        i = np.flatnonzero(off)[0]
        raise ValueError(f"lat, lon: row {i} ({y[i]!r}, {x[i]!r}) is not on the grid")
    if form.index is not None:
        out = out.astype(object)
        out[off] = np.nan
    return form.one(out, "locator", str)


def _pairs(base, target, unique):
    """The distinct (base, target) pairs, as two object columns, and each
    row's pair; None when the rows are as many as worked directly."""
    db, dt = _distinct(base, unique), _distinct(target, unique)
    if db is None and dt is None:
        return None
    one = [np.ndim(x) == 0 or isinstance(x, (str, bytes)) for x in (base, target)]
    if db is not None and one[1]:
        return np.append(db[0].astype(object), None), _text(target, "target"), db[1]
    if dt is not None and one[0]:
        return _text(base, "base"), np.append(dt[0].astype(object), None), dt[1]
    pd = _pandas()
    (vb, cb), (vt, ct) = [d if d is not None else _distinct(x, True) for d, x in ((db, base), (dt, target))]
    if len(cb) != len(ct):
        raise ValueError(f"base, target: lengths {len(cb)} and {len(ct)} differ")
    # Each row's pair as one number; -1 (missing) kept apart as the last value.
    width = len(vt) + 1
    rows, keys = pd.factorize(np.where(cb < 0, len(vb), cb).astype(np.int64) * width + np.where(ct < 0, len(vt), ct))
    if 2 * len(keys) > len(rows):
        rows, keys = np.arange(len(rows)), None
        ib, it = np.where(cb < 0, len(vb), cb), np.where(ct < 0, len(vt), ct)
    else:
        ib, it = keys // width, keys % width
    vb, vt = np.append(vb.astype(object), None), np.append(vt.astype(object), None)
    return vb[ib], vt[it], rows


def path(base, target, long=False, ellipsoid=False, rounded=False, miles=False, reverse=False, threads=0,
         errors="coerce", unique=False):
    """(azimuth, km) from each base to each target, NaN where either is not a
    locator (errors="raise": a ValueError naming the first such row). For
    Series, a DataFrame with columns azimuth and km (miles with miles=True),
    on the Series' index; two Series are aligned on their indexes first.

    long: the long path. ellipsoid: the WGS84 geodesic (GeographicLib).
    rounded: as the Morvane window and morvane-cli path show them (whole
    degrees and kilometres; tenths on the ellipsoid). miles: the distance in
    statute miles of 1.609 km, the factor the window and morvane-cli have
    always used, so that the numbers agree with theirs (rounded: morvane-cli
    --miles, the shown kilometres in miles truncated to hundredths).
    reverse: the azimuth at the target, towards the base (the other end's
    view; spot data gives the transmitter's). A single base (or target)
    serves every row of the other. Two locators of one cell (one centre)
    give 0 and 0, where morvane-cli refuses the pair; exact antipodes give
    azimuth 0 (north), rounded or not. Unrounded answers are within 1e-9 km
    and 1e-7 degrees of the exact value on the sphere, at every distance.
    Categoricals are worked once per category against a single locator, and
    once per distinct pair against another column when pairs repeat;
    unique=True does the same for plain columns."""
    flags = {n: _flag(v, n) for n, v in (("long", long), ("ellipsoid", ellipsoid), ("rounded", rounded),
                                         ("miles", miles), ("reverse", reverse))}
    raising = _raising(errors)
    base, target, form = _aligned(base, target)
    threads = _threads(threads)
    distinct = _pairs(base, target, unique)
    if raising or distinct is None:
        b, t = _pair(_text(base, "base"), _text(target, "target"), ("base", "target"))
    if raising:
        _refuse_invalid(b, "base", threads)
        _refuse_invalid(t, "target", threads)
    if distinct is not None:
        b, t = _pair(distinct[0], distinct[1], ("base", "target"))
    if flags.pop("reverse"):
        b, t = t, b
    azimuth, km = _core.path(b, t, threads=threads, **flags)
    if distinct is not None:
        azimuth, km = _spread((azimuth, km), distinct[2], None)
    return form.two(azimuth, km, ("azimuth", "miles" if flags["miles"] else "km"))


def _accessors():
    """df.morvane.add_paths(...), s.morvane.centre(), ... on pandas objects,
    beside the module's functions."""
    try:
        import pandas as pd
    except ImportError:
        return

    @pd.api.extensions.register_series_accessor("morvane")
    class SeriesAccessor:
        """A column of locators: s.morvane.valid(), .precision(), .centre(), .path(target)."""

        def __init__(self, series):
            self._s = series

        def valid(self, **options):
            return valid(self._s, **options)

        def precision(self, **options):
            return precision(self._s, **options)

        def centre(self, **options):
            return centre(self._s, **options)

        def path(self, target, **options):
            return path(self._s, target, **options)

    @pd.api.extensions.register_dataframe_accessor("morvane")
    class FrameAccessor:
        """A frame with columns of locators: df.morvane.add_paths(base, target, ...)."""

        def __init__(self, frame):
            self._frame = frame

        def add_paths(self, base, target, **options):
            from .dask import add_paths
            return add_paths(self._frame, base, target, **options)


_accessors()
