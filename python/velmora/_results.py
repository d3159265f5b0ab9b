"""Results as data frames, and experiment folders read back."""

from __future__ import annotations

import io
import json
import os
from dataclasses import dataclass
from pathlib import Path
from typing import Any

import pandas as pd

from ._core import UsageError


def csv_frame(text: str | bytes) -> pd.DataFrame:
    """A CSV text of the library, every number exactly as written."""
    if isinstance(text, str):
        text = text.encode()
    return pd.read_csv(io.BytesIO(text), float_precision="round_trip")


def runs_frame(columns: Any) -> pd.DataFrame:
    """Rows of runs, with each level's share of women beside its count."""
    frame = pd.DataFrame(columns) if not isinstance(columns, pd.DataFrame) else columns
    frame["finished"] = frame["finished"].astype(bool)
    frame.insert(frame.columns.get_loc("women") + 1, "share", frame["women"] / frame["size"])
    return frame


@dataclass(repr=False)
class Result:
    """What a batch or an experiment gave, as pandas data frames.

    runs: one row per run and level after the run's last period.
    summary: per level (and point) the statistics of the command line's summary.
    trace: one row per run, period and level, when asked for; else None.
    points: an experiment's points and every factor of each; None for a batch.
    seed: the seed the runs were played from (taken from the clock if none was given).
    experiment: an experiment's description (experiment.json); None for a batch.
    folder: the folder the experiment is in, if any.
    """

    runs: pd.DataFrame
    summary: pd.DataFrame | None
    seed: int
    seed_from_clock: bool = False
    trace: pd.DataFrame | None = None
    points: pd.DataFrame | None = None
    experiment: dict[str, Any] | None = None
    folder: Path | None = None
    complete: bool = True

    def __repr__(self) -> str:
        what = "batch" if self.points is None else f"experiment of {len(self.points)} points"
        runs = self.runs.groupby(["point", "replication"] if self.points is not None else ["run"])
        parts = [f"{what}", f"{runs.ngroups} runs", f"seed {self.seed}"]
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
    return Result(
        runs=runs_frame(csv_frame(_rows_text(path / "runs.csv"))),
        summary=csv_frame(summary_path.read_bytes()) if complete else None,
        seed=int(experiment["seed"]),
        trace=csv_frame(_rows_text(trace_path)) if experiment.get("trace_periods") else None,
        points=csv_frame((path / "points.csv").read_bytes()),
        experiment=experiment,
        folder=path,
        complete=complete,
    )
