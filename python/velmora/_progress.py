"""The progress bar of long calls: tqdm where it is installed."""

from __future__ import annotations

import importlib.util
import sys
from typing import Any

# Progress is a nicety, not a dependency; tqdm is imported when a bar is made.
_HAVE_TQDM = importlib.util.find_spec("tqdm") is not None


def _watched() -> bool:
    """Whether someone is likely to see a bar: a terminal or a notebook."""
    if "ipykernel" in sys.modules:
        return True
    stream = sys.stderr
    return stream is not None and hasattr(stream, "isatty") and stream.isatty()


class Progress:
    """Called by the core as progress(done, total) while it plays runs.

    progress=None shows a bar once the work has lasted two seconds, where
    someone can see it; True shows it at once, False never.
    """

    def __init__(self, progress: Any, what: str = "runs") -> None:
        if progress is not None and not isinstance(progress, bool):
            raise TypeError(f"progress must be None, True or False, not {type(progress).__name__}")
        self._shown = _HAVE_TQDM and (progress is True or (progress is None and _watched()))
        self._delay = 0.0 if progress is True else 2.0
        self._what = what
        self._bar = None

    def callback(self):
        return self if self._shown else None

    def __call__(self, done: int, total: int) -> None:
        if self._bar is None:
            from tqdm import tqdm

            self._bar = tqdm(
                total=total, unit=" runs", desc=self._what, delay=self._delay,
                file=sys.stderr, dynamic_ncols=True, leave=False,
            )
        self._bar.update(done - self._bar.n)

    def __enter__(self) -> "Progress":
        return self

    def __exit__(self, *exc: Any) -> None:
        if self._bar is not None:
            self._bar.close()
