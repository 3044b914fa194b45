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
import datetime
import math
import os
import sys

import numpy as np

from . import _core

__version__ = _core.__version__
__all__ = ["valid", "centre", "encode", "path", "precision", "sector", "midpoint", "waypoints", "vertex", "sun",
           "light"]

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
            return float(first.flat[0]), float(second.flat[0])
        if self.index is not None:
            # One block of both columns, as pandas keeps them: made here
            # (or already, by _spread), since pandas would stack them, slower.
            block = first.base
            if block is None or second.base is not block or block.shape != (2, len(first)):
                block = np.empty((2, len(first)), dtype=first.dtype)
                block[0], block[1] = first, second
            return _pandas().DataFrame(block.T, index=self.index, columns=list(names), copy=False)
        return first, second


def _is_frame(x):
    pd = _pandas()
    return pd is not None and isinstance(x, pd.DataFrame)


def _aligned(a, b):
    """Two inputs, Series aligned on their indexes, and the form of the answer."""
    for x in (a, b):
        if _is_frame(x):
            raise TypeError("a DataFrame: give one column of it (df['grid']), or add the answers as columns with "
                            "df.morvane.add_paths")
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


def _text(x, name, shaped=False):
    """x as a one-dimensional array of text (of any shape when shaped, for
    numpy arrays broadcast together).

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
    if a.ndim != 1 and not (shaped and isinstance(x, np.ndarray)):
        raise ValueError(f"{name}: locators must be one-dimensional, not of shape {a.shape}")
    return a


def _numbers(x, name, shaped=False):
    if np.ndim(x) == 0 and _missing(x):
        return np.array([np.nan])
    if hasattr(x, "to_numpy"):
        x = x.to_numpy(dtype=np.float64, na_value=np.nan) if _is_series(x) and x.hasnans else x.to_numpy()
    a = np.atleast_1d(np.asarray(x))
    if a.dtype.kind not in "fiu":
        raise TypeError(f"{name}: must be numbers, not {a.dtype}")
    if a.ndim != 1 and not (shaped and isinstance(x, np.ndarray)):
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


def _gridded(*xs):
    """Whether numpy arrays of more than one dimension are to be broadcast
    together (a reporter column against a transmitter row), rather than
    paired row by row."""
    return any(isinstance(x, np.ndarray) and x.ndim > 1 for x in xs) and not any(map(_is_series, xs))


_BLOCK = 1 << 18  # elements per call when broadcasting: the answers' memory, and little more


def _blocks(work, inputs, dtypes):
    """work (one-dimensional columns to a tuple of answers) over inputs of
    any shape broadcast together, a block at a time, into answers of the
    broadcast shape and the given dtypes: no broadcast copy of the inputs,
    and float32 answers never held as float64 whole."""
    try:
        it = np.nditer(list(inputs) + [None] * len(dtypes),
                       flags=["external_loop", "buffered", "refs_ok", "zerosize_ok"],
                       op_flags=[["readonly"]] * len(inputs) + [["writeonly", "allocate"]] * len(dtypes),
                       op_dtypes=[a.dtype for a in inputs] + list(dtypes), buffersize=_BLOCK)
    except ValueError:
        raise ValueError("shapes " + " and ".join(str(a.shape) for a in inputs) + " cannot be broadcast together") from None
    with it:
        for chunk in it:
            for out, answer in zip(chunk[len(inputs):], work(*chunk[:len(inputs)])):
                out[...] = answer
        return tuple(it.operands[len(inputs):])


def _dtype(dtype):
    d = np.dtype(dtype)
    if d not in (np.float64, np.float32):
        raise TypeError(f"dtype: float64 or float32, not {d}")
    return d


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


def _spread(answers, codes, missing, dtype=np.float64):
    """Several columns of answers per distinct value spread back over the
    rows, straight into the rows of one block (see _Form.two)."""
    block = np.empty((len(answers), len(codes)), dtype=dtype)
    table = np.array([answer if missing is None else np.append(answer, missing) for answer in answers])
    if block.dtype == np.float64:
        _core.spread(table, codes, block)  # every column in one pass over the codes
    else:
        for row, answer in zip(block, table.astype(dtype)):
            np.take(answer, codes, out=row)
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
    bad = np.flatnonzero(~_core.valid(column.reshape(-1), threads=threads))
    if bad.size:
        row = np.unravel_index(bad[0], column.shape) if column.ndim > 1 else bad[0]
        raise ValueError(f"{name}: row {row} ({column.reshape(-1)[bad[0]]!r}) is not a locator")


def _per_row(work, locators, unique, missing):
    """work (a column of text to an array) over each row, or over each
    distinct value when there are far fewer of them."""
    if _gridded(locators):
        return work(_text(locators.reshape(-1), "locators")).reshape(locators.shape)
    distinct = _distinct(locators, unique)
    if distinct is None:
        return work(_text(locators, "locators"))
    values, codes = distinct
    return _taken(work(_text(values, "locators")), codes, missing)


def valid(locators, threads=0, unique=False):
    """Whether each text is a locator of 2, 4, 6, 8 or 10 characters (False
    for a missing value): bool. A Categorical is worked once per category;
    unique=True does the same for any column (worth it where values repeat).
    A DataFrame gives a DataFrame, each column alike.

    >>> valid(["JN18eu", "JN1", None])
    array([ True, False, False])
    >>> valid(pd.DataFrame({"rx": ["JN18"], "tx": ["ZZ99"]}))
         rx     tx
    0  True  False
    """
    if _is_frame(locators):
        return locators.apply(lambda column: valid(column, threads=threads, unique=unique))
    a, _, form = _aligned(locators, None)
    threads = _threads(threads)
    out = _per_row(lambda c: _core.valid(c, threads=threads), a, unique, False)
    return form.one(out, "valid", bool)


def precision(locators, threads=0, unique=False):
    """The length of each locator (2, 4, 6, 8 or 10), 0 where it is not one:
    int8. Categoricals, unique=True and DataFrames as in valid.

    >>> precision(["JN", "JN18EU55", "JN1"])
    array([2, 8, 0], dtype=int8)
    """
    if _is_frame(locators):
        return locators.apply(lambda column: precision(column, threads=threads, unique=unique))
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
    n - 1 (-1 for NaN).

    >>> sector([0, 100, 350, np.nan])
    array(['N', 'E', 'N', ''], dtype='<U3')
    >>> sector([0, 100, 350], 4)
    array([0, 1, 0])
    """
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


def centre(locators, threads=0, errors="coerce", unique=False, dtype=np.float64):
    """(lat, lon): the centre of each locator's cell in degrees, NaN where it
    is not one (errors="raise": a ValueError naming the first such row); a
    DataFrame with columns lat and lon for a Series (for a DataFrame, each
    column's under its name). Categoricals and unique=True as in valid;
    dtype=np.float32 halves the answers' memory.

    >>> centre("JN18EU")
    (48.854166666666664, 2.375)
    >>> centre(pd.Series(["JN18", None], index=[7, 9]))
        lat  lon
    7  48.5  3.0
    9   NaN  NaN
    """
    raising, dtype = _raising(errors), _dtype(dtype)
    if _is_frame(locators):  # each column's lat and lon, under its name
        pd = _pandas()
        return pd.concat({c: centre(locators[c], threads, errors, unique, dtype) for c in locators}, axis=1)
    a, _, form = _aligned(locators, None)
    threads = _threads(threads)
    if _gridded(a):
        column = _text(a, "locators", shaped=True)
        if raising:
            _refuse_invalid(column, "locators", threads)
        lat, lon = _core.centre(column.reshape(-1), threads=threads)
        return lat.reshape(a.shape).astype(dtype, copy=False), lon.reshape(a.shape).astype(dtype, copy=False)
    distinct = _distinct(a, unique)
    column = _text(a, "locators") if raising or distinct is None else None
    if raising:
        _refuse_invalid(column, "locators", threads)
    if distinct is None:
        lat, lon = _core.centre(column, threads=threads)
        lat, lon = lat.astype(dtype, copy=False), lon.astype(dtype, copy=False)
    else:
        values, codes = distinct
        lat, lon = _spread(_core.centre(_text(values, "locators"), threads=threads), codes, np.nan, dtype)
    return form.two(lat, lon, ("lat", "lon"))


def encode(lat, lon, precision=6, threads=0, errors="coerce"):
    """The locator of each position's exact cell: a position on a grid line
    belongs to the cell north and east of it. A position off the grid (the
    north pole's latitude, 90, is past its last row; longitude 180 is past
    its last column), or missing, gives '' in a numpy array and a missing
    value (NaN) in a Series; errors="raise" refuses it instead. numpy arrays
    of any shape are broadcast together.

    >>> encode(48.8566, 2.3522)
    'JN18EU'
    >>> encode([48, 90], 2, precision=4)
    array(['JN18', ''], dtype='<U4')
    """
    raising = _raising(errors)
    lat, lon, form = _aligned(lat, lon)
    if not isinstance(precision, (int, np.integer)) or isinstance(precision, bool):
        raise TypeError("precision: must be 2, 4, 6, 8 or 10")
    threads = _threads(threads)

    def work(y, x):
        return (_core.encode(np.ascontiguousarray(y), np.ascontiguousarray(x), precision=int(precision),
                             threads=threads),)
    if _gridded(lat, lon):
        y, x = _numbers(lat, "lat", shaped=True), _numbers(lon, "lon", shaped=True)
        work(y.reshape(-1)[:0], x.reshape(-1)[:0])  # precision checked before any work
        out, = _blocks(work, (y, x), (np.dtype(f"U{int(precision)}"),))
    else:
        y, x = _pair(_numbers(lat, "lat"), _numbers(lon, "lon"), ("lat", "lon"))
        out, = work(y, x)
    off = out == ""
    if raising and off.any():
        i = np.unravel_index(np.flatnonzero(off)[0], off.shape)
        ys, xs = np.broadcast_arrays(y, x)
        raise ValueError(f"lat, lon: row {i[0] if len(i) == 1 else i} ({ys[i]!r}, {xs[i]!r}) is not on the grid")
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


def _per_pair(base, target, work, names, errors, threads, unique=False, dtype=np.float64, swap=False):
    """Two answers for each pair of locators, from work(base column, target
    column, threads): scalars, numpy arrays (broadcast together when they
    have more than one dimension) or a DataFrame on the Series' index, as
    they came in. Categoricals and unique=True: worked once per distinct
    pair. errors="raise": the first row that is not a locator, named.
    swap: work from target to base."""
    raising, dtype = _raising(errors), _dtype(dtype)
    base, target, form = _aligned(base, target)
    threads = _threads(threads)
    if _gridded(base, target):
        b, t = _text(base, "base", shaped=True), _text(target, "target", shaped=True)
        if raising:
            _refuse_invalid(b, "base", threads)
            _refuse_invalid(t, "target", threads)
        if swap:
            b, t = t, b
        return _blocks(lambda x, y: work(x, y, threads), (b, t), (dtype, dtype))
    distinct = _pairs(base, target, unique)
    if raising or distinct is None:
        b, t = _pair(_text(base, "base"), _text(target, "target"), ("base", "target"))
    if raising:
        _refuse_invalid(b, "base", threads)
        _refuse_invalid(t, "target", threads)
    if distinct is not None:
        b, t = _pair(distinct[0], distinct[1], ("base", "target"))
    if swap:
        b, t = t, b
    if distinct is None and dtype != np.float64 and len(b) > _BLOCK:
        # float32 answers written a block at a time, never held whole as float64.
        first, second = _blocks(lambda x, y: work(x, y, threads), (b, t), (dtype, dtype))
    else:
        first, second = work(b, t, threads)
        if distinct is not None:
            first, second = _spread((first, second), distinct[2], None, dtype)
        else:
            first, second = first.astype(dtype, copy=False), second.astype(dtype, copy=False)
    return form.two(first, second, names)


def path(base, target, long=False, ellipsoid=False, rounded=False, miles=False, reverse=False, threads=0,
         errors="coerce", unique=False, bounds=False, dtype=np.float64):
    """(azimuth, km) from each base to each target, NaN where either is not a
    locator (errors="raise": a ValueError naming the first such row). For
    Series, a DataFrame with columns azimuth and km (miles with miles=True),
    on the Series' index; two Series are aligned on their indexes first.
    numpy arrays of more than one dimension are broadcast together: a
    column of reporters a[:, None] against a row of transmitters b gives
    their matrix. dtype=np.float32 halves the answers' memory.

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
    unique=True does the same for plain columns.

    bounds=True: instead, (km_min, km_max), the nearest and the farthest
    any point of the base's cell is from any point of the target's (on the
    sphere, unrounded): a 4-character spot's true distance lies anywhere
    between them. For the long path, the circumference less those.

    >>> path("JN18EU", "FN20XR", rounded=True)
    (292.0, 5847.0)
    >>> [round(km) for km in path("JN18", "FN20", bounds=True)]
    [5795, 6176]
    >>> path(np.array(["JN18", "IO91"])[:, None], np.array(["FN20", "JN18", "QF56"]), rounded=True)[1]
    array([[ 5985.,     0., 16908.],
           [ 5600.,   440., 17023.]])
    """
    flags = {n: _flag(v, n) for n, v in (("long", long), ("ellipsoid", ellipsoid), ("rounded", rounded),
                                         ("miles", miles), ("reverse", reverse))}
    swap = flags.pop("reverse")
    unit = "miles" if flags["miles"] else "km"
    if _flag(bounds, "bounds"):
        if flags["ellipsoid"] or flags["rounded"]:
            raise ValueError("bounds: on the sphere and unrounded only (not with ellipsoid or rounded)")
        return _per_pair(base, target, lambda b, t, th: _core.bounds(b, t, long=flags["long"], miles=flags["miles"],
                                                                     threads=th),
                         (unit + "_min", unit + "_max"), errors, threads, unique, dtype, swap)
    return _per_pair(base, target, lambda b, t, th: _core.path(b, t, threads=th, **flags), ("azimuth", unit),
                     errors, threads, unique, dtype, swap)


def midpoint(base, target, long=False, threads=0, errors="coerce", unique=False, dtype=np.float64):
    """(lat, lon) halfway along each path (the long one with long=True), on
    the sphere, in degrees; NaN where either end is not a locator. Inputs
    and answers as in path.

    >>> [round(v, 4) for v in midpoint("JN18EU", "FN20XR")]
    [51.5954, -39.0101]
    """
    return _per_pair(base, target, lambda b, t, th: tuple(a[:, 0] for a in _core.path_points(
        b, t, long=_flag(long, "long"), fractions=_HALF, threads=th)), ("lat", "lon"), errors, threads, unique, dtype)


_HALF = np.array([0.5])


def vertex(base, target, long=False, threads=0, errors="coerce", unique=False, dtype=np.float64):
    """(lat, lon) of the point of each path nearest a pole (the vertex of its
    great circle when the path passes it, else the end nearer a pole), on
    the sphere, in degrees: how far towards the auroral zone a path goes.
    Inputs and answers as in path.

    >>> [round(v, 2) for v in vertex("JN18EU", "FN20XR")]
    [52.36, -25.65]
    """
    return _per_pair(base, target, lambda b, t, th: _core.vertex(b, t, long=_flag(long, "long"), threads=th),
                     ("lat", "lon"), errors, threads, unique, dtype)


def waypoints(base, target, n, long=False, threads=0, errors="coerce"):
    """(lat, lon) of n points evenly along each path, both ends included, on
    the sphere, in degrees (for drawing paths on a map): arrays of shape
    (rows, n), or (n,) for one pair; for Series, a DataFrame with one row
    per point, indexed by the Series' index and the point's number (step).

    >>> lat, lon = waypoints("JN18EU", "FN20XR", 3)
    >>> lat.round(2).tolist(), lon.round(2).tolist()
    ([48.85, 51.6, 40.73], [2.38, -39.01, -74.04])
    """
    if not isinstance(n, (int, np.integer)) or isinstance(n, bool) or n < 2:
        raise ValueError("n: must be a whole number of points, 2 or more (both ends)")
    raising = _raising(errors)
    base, target, form = _aligned(base, target)
    threads = _threads(threads)
    b, t = _pair(_text(base, "base"), _text(target, "target"), ("base", "target"))
    if raising:
        _refuse_invalid(b, "base", threads)
        _refuse_invalid(t, "target", threads)
    lat, lon = _core.path_points(b, t, long=_flag(long, "long"), fractions=np.linspace(0, 1, int(n)), threads=threads)
    if form.scalar:
        return lat[0], lon[0]
    if form.index is not None:
        pd = _pandas()
        index = pd.MultiIndex.from_product([form.index, range(int(n))], names=[form.index.name, "step"])
        return pd.DataFrame({"lat": lat.reshape(-1), "lon": lon.reshape(-1)}, index=index)
    return lat, lon


_EPOCH = np.datetime64("1970-01-01T00:00:00", "ns")


def _seconds(when):
    """Times as seconds since 1970 UTC (float64, NaN where missing): numpy
    datetime64, pandas datetimes (with a time zone, or without one: UTC),
    datetime objects, ISO texts, or numbers already in Unix seconds (as the
    published spot tables hold them)."""
    if isinstance(when, datetime.datetime):
        if when.tzinfo is not None:
            when = when.astimezone(datetime.timezone.utc).replace(tzinfo=None)
        return np.array([(when - datetime.datetime(1970, 1, 1)).total_seconds()])
    if np.ndim(when) == 0 and _missing(when):
        return np.array([np.nan])
    pd = _pandas()
    if pd is not None and not isinstance(when, np.ndarray):
        a = np.asarray(when.to_numpy() if hasattr(when, "to_numpy") else when)
        if a.dtype.kind in "OUS" or isinstance(getattr(when, "dtype", None), pd.DatetimeTZDtype):
            when = pd.to_datetime(pd.Series(np.atleast_1d(a)) if a.dtype.kind in "OUS" else when, utc=True)
            when = np.asarray(when.dt.tz_convert(None) if hasattr(when, "dt") else when.tz_convert(None))
    a = np.asarray(when.to_numpy() if hasattr(when, "to_numpy") else when)
    if a.dtype.kind in "US":
        a = a.astype("datetime64[ns]")
    if a.dtype.kind == "M":
        ns = a.astype("datetime64[ns]")
        seconds = (ns - _EPOCH).astype(np.int64) / 1e9
        return np.atleast_1d(np.where(np.isnat(ns), np.nan, seconds))
    if a.dtype.kind in "fiub" and a.dtype.kind != "b":
        return np.atleast_1d(a.astype(np.float64))
    raise TypeError(f"when: times (datetime64, datetime, ISO text or Unix seconds), not {a.dtype}")


def sun(locators, when, threads=0, errors="coerce"):
    """The Sun's elevation above the horizon (degrees, -90 to 90) at each
    cell's centre at each time (UTC; see below), NaN where either is
    missing. Geometric, for the Sun's centre, without refraction (an
    almanac's sunrise is at -0.833). NOAA's solar calculator formulas
    (after Meeus, Astronomical Algorithms), within about 0.02 degrees of
    an ephemeris from 1900 to 2100.

    when: numpy datetime64, pandas datetimes (a time zone is converted;
    none means UTC), datetime objects, ISO texts, or Unix seconds (numbers,
    as the published spot tables hold them). One time serves every row, or
    one per row (two Series are aligned on their indexes).

    >>> round(sun("JN18EU", "2026-06-21 12:00"), 1)
    64.5
    """
    raising = _raising(errors)
    if _is_frame(locators):
        return locators.apply(lambda column: sun(column, when, threads=threads, errors=errors))
    locators, when, form = _aligned(locators, when)
    threads = _threads(threads)
    seconds = _seconds(when)

    def work(c, s):
        return (_core.sun(c, np.ascontiguousarray(s), threads=threads),)
    if _gridded(locators, seconds.reshape(np.shape(when)) if isinstance(when, np.ndarray) else None):
        column = _text(locators, "locators", shaped=True)
        if raising:
            _refuse_invalid(column, "locators", threads)
        out, = _blocks(work, (column, seconds.reshape(np.shape(when))), (np.dtype(np.float64),))
        return out
    column, seconds = _pair(_text(locators, "locators"), seconds, ("locators", "when"))
    if raising:
        _refuse_invalid(column, "locators", threads)
    out, = work(column, seconds)
    return form.one(out, "sun")


_LIGHT = np.array(["night", "greyline", "day", ""], dtype=object)


def light(locators, when, greyline=(-6.0, 6.0), threads=0, errors="coerce"):
    """Whether each station is in "day", "night" or on the "greyline" at each
    time: the greyline is the band around the terminator where the Sun's
    elevation (see sun) is within greyline, by default from -6 degrees (the
    end of civil twilight) to +6; '' where missing. A Series gives an
    ordered Categorical (night < greyline < day), for grouping.

    >>> light(["JN18EU", "FN20XR", "QF56OD"], "2026-12-09 07:30")
    array(['greyline', 'night', 'day'], dtype=object)
    """
    low, high = (float(v) for v in greyline)
    if not low <= high:
        raise ValueError("greyline: (lowest, highest) elevation in degrees")
    if _is_frame(locators):
        return locators.apply(lambda column: light(column, when, greyline, threads=threads, errors=errors))
    elevation = sun(locators, when, threads=threads, errors=errors)
    e = np.asarray(elevation, dtype=np.float64)
    codes = np.where(np.isnan(e), -1, (e >= low).astype(np.int8) + (e > high))
    if np.ndim(elevation) == 0:
        return str(_LIGHT[codes])
    if _is_series(elevation):
        pd = _pandas()
        return pd.Series(pd.Categorical.from_codes(codes, categories=_LIGHT[:3], ordered=True),
                         index=elevation.index, name="light")
    return _LIGHT[codes]


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
