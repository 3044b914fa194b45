# Type hints for editors and type checkers; the documentation is in the
# docstrings of __init__.py. A Series in gives a Series or DataFrame out,
# numpy or a list gives numpy arrays, a single value gives a single answer.
from datetime import datetime
from typing import Any, Literal, Sequence, Tuple, Union, overload

import numpy as np
import numpy.typing as npt
import pandas as pd

__version__: str
__all__: list[str]

Text = Union[str, bytes]
Locators = Union[Sequence[Any], npt.NDArray[Any], pd.Series, pd.Categorical]
Numbers = Union[Sequence[float], npt.NDArray[Any], pd.Series]
Times = Union[datetime, np.datetime64, pd.Timestamp, str, float, int, Sequence[Any], npt.NDArray[Any], pd.Series]
Errors = Literal["coerce", "raise"]
Float = Union[type[np.float64], type[np.float32], str, np.dtype[Any]]
Array = npt.NDArray[np.float64]

@overload
def valid(locators: Text, threads: int = ..., unique: bool = ...) -> bool: ...
@overload
def valid(locators: pd.Series, threads: int = ..., unique: bool = ...) -> pd.Series: ...
@overload
def valid(locators: Locators, threads: int = ..., unique: bool = ...) -> npt.NDArray[np.bool_]: ...

@overload
def precision(locators: Text, threads: int = ..., unique: bool = ...) -> int: ...
@overload
def precision(locators: pd.Series, threads: int = ..., unique: bool = ...) -> pd.Series: ...
@overload
def precision(locators: Locators, threads: int = ..., unique: bool = ...) -> npt.NDArray[np.int8]: ...

@overload
def centre(locators: Text, threads: int = ..., errors: Errors = ..., unique: bool = ...,
           dtype: Float = ...) -> Tuple[float, float]: ...
@overload
def centre(locators: pd.Series, threads: int = ..., errors: Errors = ..., unique: bool = ...,
           dtype: Float = ...) -> pd.DataFrame: ...
@overload
def centre(locators: Locators, threads: int = ..., errors: Errors = ..., unique: bool = ...,
           dtype: Float = ...) -> Tuple[Array, Array]: ...

@overload
def encode(lat: float, lon: float, precision: int = ..., threads: int = ..., errors: Errors = ...) -> str: ...
@overload
def encode(lat: pd.Series, lon: Union[Numbers, float], precision: int = ..., threads: int = ...,
           errors: Errors = ...) -> pd.Series: ...
@overload
def encode(lat: Union[Numbers, float], lon: Union[Numbers, float], precision: int = ..., threads: int = ...,
           errors: Errors = ...) -> npt.NDArray[np.str_]: ...

@overload
def path(base: Text, target: Text, long: bool = ..., ellipsoid: bool = ..., rounded: bool = ..., miles: bool = ...,
         reverse: bool = ..., threads: int = ..., errors: Errors = ..., unique: bool = ..., bounds: bool = ...,
         dtype: Float = ...) -> Tuple[float, float]: ...
@overload
def path(base: Union[pd.Series, Text, Locators], target: Union[pd.Series, Text, Locators], long: bool = ...,
         ellipsoid: bool = ..., rounded: bool = ..., miles: bool = ..., reverse: bool = ..., threads: int = ...,
         errors: Errors = ..., unique: bool = ..., bounds: bool = ...,
         dtype: Float = ...) -> Union[pd.DataFrame, Tuple[Array, Array]]: ...

@overload
def midpoint(base: Text, target: Text, long: bool = ..., threads: int = ..., errors: Errors = ...,
             unique: bool = ..., dtype: Float = ...) -> Tuple[float, float]: ...
@overload
def midpoint(base: Union[pd.Series, Text, Locators], target: Union[pd.Series, Text, Locators], long: bool = ...,
             threads: int = ..., errors: Errors = ..., unique: bool = ...,
             dtype: Float = ...) -> Union[pd.DataFrame, Tuple[Array, Array]]: ...

@overload
def vertex(base: Text, target: Text, long: bool = ..., threads: int = ..., errors: Errors = ...,
           unique: bool = ..., dtype: Float = ...) -> Tuple[float, float]: ...
@overload
def vertex(base: Union[pd.Series, Text, Locators], target: Union[pd.Series, Text, Locators], long: bool = ...,
           threads: int = ..., errors: Errors = ..., unique: bool = ...,
           dtype: Float = ...) -> Union[pd.DataFrame, Tuple[Array, Array]]: ...

def waypoints(base: Union[pd.Series, Text, Locators], target: Union[pd.Series, Text, Locators], n: int,
              long: bool = ..., threads: int = ..., errors: Errors = ...) -> Union[pd.DataFrame, Tuple[Array, Array]]: ...

@overload
def sun(locators: Text, when: Times, threads: int = ..., errors: Errors = ...) -> float: ...
@overload
def sun(locators: Union[pd.Series, Locators], when: Times, threads: int = ...,
        errors: Errors = ...) -> Union[pd.Series, Array]: ...

@overload
def light(locators: Text, when: Times, greyline: Tuple[float, float] = ..., threads: int = ...,
          errors: Errors = ...) -> Literal["day", "greyline", "night", ""]: ...
@overload
def light(locators: Union[pd.Series, Locators], when: Times, greyline: Tuple[float, float] = ..., threads: int = ...,
          errors: Errors = ...) -> Union[pd.Series, npt.NDArray[np.object_]]: ...

@overload
def sector(azimuth: float, n: int = ..., names: Union[bool, None] = ...) -> Union[str, int]: ...
@overload
def sector(azimuth: Numbers, n: int = ..., names: Union[bool, None] = ...) -> Union[pd.Series, npt.NDArray[Any]]: ...
