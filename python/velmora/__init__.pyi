# Types of the velmora package, for editors and type checkers.
import os
from collections.abc import Sequence
from pathlib import Path
from typing import Any, Literal, TypedDict

from typing_extensions import Unpack

import numpy as np
import numpy.typing as npt
import pandas as pd

__version__: str
__all__: list[str]

class UsageError(ValueError):
    argument: str | None
    accepted: str | None
    given: str | None

# Every factor, as the keywords of run, sweep and Model take them.
class Factors(TypedDict, total=False):
    form: Literal["pyramid", "rectangle"]
    levels: Sequence[int]
    bias: Literal[1, 5, "1", "5", "1%", "5%"]
    bias_points: float
    score_sd_men: float
    score_sd_women: float
    turnover: float
    turnover_men: float
    turnover_women: float
    turnover_slope: float
    women_hired: float
    women_initial: float | Sequence[float]
    external_hires: float
    bias_ends: int
    periods: int
    max_periods: int

class Result:
    runs: pd.DataFrame
    summary: pd.DataFrame | None
    seed: int
    seed_from_clock: bool
    trace: pd.DataFrame | None
    points: pd.DataFrame | None
    experiment: dict[str, Any] | None
    folder: Path | None
    complete: bool
    trajectory: pd.DataFrame | None
    sensitivity: pd.DataFrame | None

def factors() -> pd.DataFrame: ...
def read(folder: str | os.PathLike[str]) -> Result: ...
def run(
    runs: int = 100,
    seed: int | None = None,
    threads: int | None = None,
    trace: bool = False,
    progress: bool | None = None,
    **factors: Unpack[Factors],
) -> Result: ...
def sweep(
    vary: dict[str, Sequence[Any]],
    runs: int = 100,
    seed: int | None = None,
    design: Literal["grid", "lhs"] = "grid",
    samples: int | None = None,
    seeds: Literal["common", "independent"] = "common",
    trace_periods: bool = False,
    out: str | os.PathLike[str] | None = None,
    resume: bool = False,
    shard: tuple[int, int] | str | None = None,
    threads: int | None = None,
    progress: bool | None = None,
    **factors: Unpack[Factors],
) -> Result: ...

class Model:
    def __init__(
        self,
        seed: int | None = None,
        **factors: Unpack[Factors],
    ) -> None: ...
    def step(self, periods: int = 1) -> None: ...
    def run_to_end(self) -> None: ...
    @property
    def seed(self) -> int: ...
    @property
    def period(self) -> int: ...
    @property
    def replaced(self) -> int: ...
    @property
    def finished(self) -> bool: ...
    @property
    def levels(self) -> int: ...
    @property
    def women(self) -> npt.NDArray[np.int64]: ...
    @property
    def sizes(self) -> npt.NDArray[np.int64]: ...
    @property
    def mean_score(self) -> npt.NDArray[np.float64]: ...
    @property
    def share(self) -> npt.NDArray[np.float64]: ...
    def roster(self) -> pd.DataFrame: ...
