"""Results as data frames, and experiment folders read back."""

from __future__ import annotations

import io
import json
import os
from pathlib import Path
from typing import Any, Callable

from typing import TYPE_CHECKING

from ._core import UsageError

if TYPE_CHECKING:
    import pandas as pd

# pandas is imported when a frame is first made: importing it takes most of
# a second, and `import velmora` should not.


def csv_frame(text: str | bytes) -> pd.DataFrame:
    """A CSV text of the library, every number exactly as written."""
    import pandas as pd

    if isinstance(text, str):
        text = text.encode()
    return pd.read_csv(io.BytesIO(text), float_precision="round_trip")


def frame(columns: Any) -> pd.DataFrame:
    """Columns from the core as a data frame."""
    import pandas as pd

    return pd.DataFrame(columns)


def runs_frame(columns: Any) -> pd.DataFrame:
    """Rows of runs, with each level's share of women beside its count."""
    table = columns if hasattr(columns, "columns") else frame(columns)
    table["finished"] = table["finished"].astype(bool)
    table.insert(table.columns.get_loc("women") + 1, "share", table["women"] / table["size"])
    return table


class Result:
    """What a batch or an experiment gave, as pandas data frames.

    runs: one row per run and level after the run's last period.
    summary: per level (and point) the statistics of the command line's summary.
    trace: one row per run, period and level, when asked for; else None.
    points: an experiment's points and every factor of each; None for a batch.
    trajectory: per point, period and level the share of women over the runs
    (trajectory.csv of a finished folder with trace_periods); else None.
    sensitivity: per level and varied factor the Sobol indices with their
    intervals (sensitivity.csv of a finished folder of design="sobol"); else None.
    seed: the seed the runs were played from (taken from the clock if none was given).
    experiment: an experiment's description (experiment.json); None for a batch.
    folder: the folder the experiment is in, if any. Its runs and trace are
    read when first asked for, so that a large experiment costs no memory
    until then.
    complete: False for a folder whose experiment was interrupted.
    """

    def __init__(
        self,
        *,
        runs: pd.DataFrame | Callable[[], pd.DataFrame],
        summary: pd.DataFrame | None,
        seed: int,
        seed_from_clock: bool = False,
        trace: pd.DataFrame | Callable[[], pd.DataFrame] | None = None,
        points: pd.DataFrame | None = None,
        experiment: dict[str, Any] | None = None,
        folder: Path | None = None,
        complete: bool = True,
        trajectory: pd.DataFrame | None = None,
        sensitivity: pd.DataFrame | None = None,
    ) -> None:
        self._runs = runs
        self._trace = trace
        self.summary = summary
        self.seed = seed
        self.seed_from_clock = seed_from_clock
        self.points = points
        self.experiment = experiment
        self.folder = folder
        self.complete = complete
        self.trajectory = trajectory
        self.sensitivity = sensitivity

    @property
    def runs(self) -> pd.DataFrame:
        if callable(self._runs):
            self._runs = self._runs()
        return self._runs

    @property
    def trace(self) -> pd.DataFrame | None:
        if callable(self._trace):
            self._trace = self._trace()
        return self._trace

    def __repr__(self) -> str:
        if self.experiment is None:
            parts = [f"batch of {self.runs['run'].nunique()} runs"]
        else:
            e = self.experiment
            parts = [f"experiment of {e['points']} points x {e['replications']} runs"]
            shard = e.get("shard", {})
            if shard.get("count", 1) > 1:
                parts.append(f"shard {shard['index']}/{shard['count']}")
        parts.append(f"seed {self.seed}")
        if self.folder is not None:
            parts.append(f"in {str(self.folder)!r}")
        if not self.complete:
            parts.append("not finished")
        return f"<velmora.Result: {', '.join(parts)}>"


def _rows_text(path: Path) -> bytes:
    """A file's whole rows: a last row without its line end was torn by a crash."""
    data = path.read_bytes()
    return data[: data.rfind(b"\n") + 1] if not data.endswith(b"\n") else data


def read(folder: str | os.PathLike[str]) -> Result:
    """Loads an experiment folder written by sweep(out=...) or velmora-batch --out.

    A folder whose experiment was interrupted gives the runs played so far,
    with summary None and complete False.
    """
    if not isinstance(folder, (str, os.PathLike)):
        raise TypeError(f"read takes a folder name, not {type(folder).__name__}")
    path = Path(folder)
    description = path / "experiment.json"
    if not description.is_file():
        raise UsageError(f"{str(path)!r} holds no experiment.json: not an experiment folder")
    experiment = json.loads(description.read_text())
    complete = bool(experiment.get("complete"))
    summary_path = path / "summary.csv"
    trace_path = path / "trace.csv"

    def finished(name: str) -> pd.DataFrame | None:
        """A file written once every run is in; None where the folder has none."""
        file = path / name
        return csv_frame(file.read_bytes()) if complete and file.is_file() else None

    return Result(
        runs=lambda: runs_frame(csv_frame(_rows_text(path / "runs.csv"))),
        summary=csv_frame(summary_path.read_bytes()) if complete else None,
        seed=int(experiment["seed"]),
        trace=(lambda: csv_frame(_rows_text(trace_path))) if experiment.get("trace_periods") else None,
        points=csv_frame((path / "points.csv").read_bytes()),
        experiment=experiment,
        folder=path,
        complete=complete,
        trajectory=finished("trajectory.csv"),
        sensitivity=finished("sensitivity.csv"),
    )
