from typing import Any, TypeVar

Frame = TypeVar("Frame")

def add_paths(frame: Frame, base: str, target: str, prefix: str = ..., positions: bool = ..., overwrite: bool = ...,
              **options: Any) -> Frame: ...
