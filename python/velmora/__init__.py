"""Velmora: how a small bias in performance scores compounds through promotion.

Play seeded runs of the organisation model and get pandas data frames with
the very numbers the command line velmora-batch gives:

    >>> import velmora
    >>> result = velmora.run(runs=200, seed=1, bias_points=2)
    >>> result.summary[["level", "women_mean", "women_ci95_low", "women_ci95_high"]]

    >>> sweep = velmora.sweep(vary={"bias_points": [0, 1, 2, 4]}, runs=100, seed=1)
    >>> sweep.summary.query("level == 8")[["bias_points", "women_mean"]]

velmora.factors() lists every factor; a factor's name is the command line's
option with underscores (bias_points for --bias-points).
"""

from __future__ import annotations

import inspect
import json
import os
from typing import TYPE_CHECKING, Any

if TYPE_CHECKING:
    import numpy as np
    import pandas as pd

from . import _arguments as _args
from ._core import UsageError, __version__
from ._progress import Progress as _Progress
from ._results import Result, csv_frame as _csv_frame, frame as _frame, read, runs_frame as _runs_frame
from . import _core

__all__ = ["Model", "Result", "UsageError", "__version__", "factors", "read", "run", "sweep"]


def factors() -> pd.DataFrame:
    """The factor table: name, default, range (what it accepts), meaning, and
    its column in the results.

    Factors are applied in this order, so a later one overrides an earlier
    one (levels over form, bias_points over bias, turnover_men over turnover).
    """
    import pandas as pd

    rows = [
        {
            "name": name,
            "default": row["default"],
            "range": row["range"],
            "meaning": row["meaning"],
            "column": row["column"],
        }
        for name, row in _args.FACTORS.items()
    ]
    return pd.DataFrame(rows)


def run(
    runs: int = 100,
    seed: int | None = None,
    threads: int | None = None,
    trace: bool = False,
    progress: bool | None = None,
    **factors: Any,
) -> Result:
    """Plays `runs` seeded replications of one setting of the factors.

    Run r gets the seed seed + r - 1; without a seed one is taken from the
    clock and recorded in the result. threads: worker threads (default: every
    core); results never depend on it. trace=True also keeps every period of
    every run (result.trace, one row per run, period and level).

    Returns a Result with .runs (run, seed, level, size, women, share,
    mean_score, periods, finished), .summary (per level, the command line's
    summary) and .trace. Raises UsageError for a value out of range, TypeError
    for a wrong type; KeyboardInterrupt (Ctrl-C) stops within a second.
    """
    request = dict(
        factors=_args.factor_values(factors, "run()"),
        runs=_args.whole("runs", runs),
        seed=_args.optional_whole("seed", seed),
        threads=_args.optional_whole("threads", threads),
        trace=_args.flag("trace", trace),
    )
    with _Progress(progress) as bar:
        played = _core.play_batch(progress=bar.callback(), **request)
    return Result(
        runs=_runs_frame(played["runs"]),
        summary=_csv_frame(played["summary_csv"]),
        seed=played["seed"],
        seed_from_clock=played["seed_from_clock"],
        trace=_frame(played["trace"]) if trace else None,
    )


def sweep(
    vary: dict[str, Any],
    runs: int = 100,
    seed: int | None = None,
    design: str = "grid",
    samples: int | None = None,
    seeds: str = "common",
    trace_periods: bool = False,
    out: str | os.PathLike[str] | None = None,
    resume: bool = False,
    shard: tuple[int, int] | str | None = None,
    threads: int | None = None,
    progress: bool | None = None,
    **fixed: Any,
) -> Result:
    """Plays an experiment: factors varied over points, `runs` replications each.

    vary: factor name -> list of values (a grid: every combination, the first
    factor slowest), or with design="lhs" -> (low, high), with `samples`
    points of a Latin hypercube; design="sobol" takes the same ranges and
    plays samples * (k + 2) points of Saltelli's scheme, whose Sobol indices
    are in .sensitivity of a folder (out=). seeds="common" gives replication r of every
    point the same seed; "independent" gives every run its own. Other factors
    are given as keywords (**fixed).

    out=DIR writes the folder `velmora-batch --vary ... --out DIR` writes, byte
    for byte: resume=True goes on from an interrupted one, shard=(k, n) plays
    the k-th of n parts for merging (velmora-batch merge). trace_periods=True
    keeps every period of every run (result.trace, and trace.csv in out).

    Returns a Result with .points, .runs, .summary and .trace holding the
    columns and values of the command line's files. Raises UsageError for a
    value out of range or a folder that holds something else, TypeError for
    a wrong type; nothing is written then. KeyboardInterrupt (Ctrl-C) stops
    within a second and leaves out resumable.
    """
    design = _args.text("design", design)
    varied = _args.vary_values(vary, design)
    request = dict(
        factors=_args.factor_values(fixed, "sweep()"),
        vary=varied,
        runs=_args.whole("runs", runs),
        seed=_args.optional_whole("seed", seed),
        design=design,
        samples=_args.optional_whole("samples", samples),
        seeds=_args.text("seeds", seeds),
        trace_periods=_args.flag("trace_periods", trace_periods),
        out=_args.folder_text(out),
        resume=_args.flag("resume", resume),
        shard=_args.shard_value(shard),
        threads=_args.optional_whole("threads", threads),
    )
    with _Progress(progress) as bar:
        played = _core.play_sweep(progress=bar.callback(), **request)
    if request["out"] is not None:
        result = read(request["out"])
        result.seed_from_clock = played["seed_from_clock"]
        return result
    return Result(
        runs=_runs_frame(played["runs"]),
        summary=_csv_frame(played["summary_csv"]),
        seed=played["seed"],
        seed_from_clock=played["seed_from_clock"],
        trace=_frame(played["trace"]) if trace_periods else None,
        points=_csv_frame(played["points_csv"]),
        experiment=json.loads(played["experiment_json"]),
    )


class Model:
    """One run stepped period by period, as the desktop window plays it.

    Model(seed=..., **factors) starts at period 0 with a new staff; step()
    plays one period (step(n) n of them), run_to_end() plays on until the run
    ends as a batch run would. Per level, bottom level first: women, sizes,
    mean_score (numpy arrays) and share; roster() gives every position.
    """

    def __init__(self, seed: int | None = None, **factors: Any) -> None:
        self._core = _core.Model(
            factors=_args.factor_values(factors, "Model()"),
            seed=_args.optional_whole("seed", seed),
        )

    def step(self, periods: int = 1) -> None:
        """Plays `periods` more periods (default one)."""
        self._core.step(int(_args.whole("periods", periods)))

    def run_to_end(self) -> None:
        """Plays on until every initial employee has left (or max_periods, or
        exactly `periods` if that factor is given)."""
        self._core.run_to_end()

    @property
    def seed(self) -> int:
        """The seed of the run (taken from the clock if none was given)."""
        return self._core.seed

    @property
    def period(self) -> int:
        """Periods played so far."""
        return self._core.period

    @property
    def replaced(self) -> int:
        """Positions held by people hired during the run."""
        return self._core.replaced

    @property
    def finished(self) -> bool:
        """Whether every initial employee has left."""
        return self._core.finished

    @property
    def levels(self) -> int:
        return self._core.levels

    @property
    def women(self) -> np.ndarray:
        """Women on each level, bottom level first."""
        return self._core.women

    @property
    def sizes(self) -> np.ndarray:
        """Positions on each level, bottom level first."""
        return self._core.sizes

    @property
    def mean_score(self) -> np.ndarray:
        """Mean score on each level, bottom level first."""
        return self._core.mean_score

    @property
    def share(self) -> np.ndarray:
        """Share of women on each level, bottom level first."""
        return self.women / self.sizes

    def roster(self) -> pd.DataFrame:
        """Every position: level, rank in its level (1 is the best score), the
        holder's id, woman, score (a man's includes the bias) and whether they
        were hired during the run."""
        return _frame(self._core.roster())

    def __repr__(self) -> str:
        state = "finished" if self.finished else "running"
        return f"<velmora.Model: seed {self.seed}, period {self.period}, {state}>"


def _factor_list() -> str:
    lines = ["", "Factors (keywords; None or left out: the default; velmora.factors() has the table):"]
    for name, row in _args.FACTORS.items():
        lines.append(f"    {name}: {row['meaning']} (default {row['default']})")
    return "\n".join(lines) + "\n"


def _with_factors(function: Any, keyword: str) -> None:
    """Lists the factors in the docstring and signature, so that help() and a
    notebook's completion show them."""
    function.__doc__ = inspect.cleandoc(function.__doc__ or "") + "\n" + _factor_list()
    signature = inspect.signature(function)
    parameters = [p for p in signature.parameters.values() if p.name != keyword]
    parameters += [
        inspect.Parameter(name, inspect.Parameter.KEYWORD_ONLY, default=None)
        for name in _args.FACTORS
    ]
    function.__signature__ = signature.replace(parameters=parameters)


_with_factors(run, "factors")
_with_factors(sweep, "fixed")
_with_factors(Model.__init__, "factors")
Model.__doc__ = inspect.cleandoc(Model.__doc__ or "") + "\n" + _factor_list()
