"""run, sweep and Model give the command line's numbers, bit for bit."""

import pandas as pd
import pytest
from pandas.testing import assert_frame_equal

import velmora
from conftest import TIMING, batch, cli_summary, folder_bytes

# The same factors as Python keywords and as command-line options.
SETTINGS = {
    "defaults": ({}, []),
    "rectangle, 1% bias": ({"form": "rectangle", "bias": 1}, ["--form", "rectangle", "--bias", "1"]),
    "custom shape, shares per level": (
        {"levels": [100, 50, 10], "women_initial": [0.6, 0.3, 0.1]},
        ["--levels", "100,50,10", "--women-initial", "0.6,0.3,0.1"],
    ),
    "every factor off its default": (
        {"bias_points": 2.5, "score_sd_men": 12, "score_sd_women": 9.5, "turnover_men": 0.1,
         "turnover_women": 0.2, "turnover_slope": 0.5, "women_hired": 0.4,
         "external_hires": 0.25, "bias_ends": 15, "periods": 40},
        ["--bias-points", "2.5", "--score-sd-men", "12", "--score-sd-women", "9.5",
         "--turnover-men", "0.1", "--turnover-women", "0.2", "--turnover-slope", "0.5",
         "--women-hired", "0.4", "--external-hires", "0.25", "--bias-ends", "15",
         "--periods", "40"],
    ),
    "cut off": ({"max_periods": 20}, ["--max-periods", "20"]),
}


def wide_trace_as_long(text: bytes) -> pd.DataFrame:
    """The command line's --trace (a row per period) in the module's long form."""
    wide = velmora._results.csv_frame(text)
    levels = sum(c.startswith("women") for c in wide.columns)
    rows = []
    for k in range(1, levels + 1):
        part = wide[["run", "seed", "period"]].copy()
        part["level"] = k
        part["women"] = wide[f"women{k}"]
        part["mean_score"] = wide[f"mean{k}"]
        rows.append(part)
    return pd.concat(rows).sort_values(["run", "period", "level"]).reset_index(drop=True)


@pytest.mark.parametrize("factors, options", SETTINGS.values(), ids=SETTINGS.keys())
def test_run_equals_the_command_line(tmp_path, factors, options):
    result = velmora.run(runs=12, seed=77, threads=2, trace=True, **factors)
    expected = cli_summary("--runs", "12", "--seed", "77", "--trace", str(tmp_path / "t.csv"), *options)
    assert_frame_equal(result.summary.drop(columns=TIMING), expected)
    assert_frame_equal(result.trace, wide_trace_as_long((tmp_path / "t.csv").read_bytes()))
    # The runs' last rows are the trace's last periods.
    last = result.trace.groupby(["run", "level"]).tail(1).reset_index(drop=True)
    assert (result.runs["women"].to_numpy() == last["women"].to_numpy()).all()
    assert (result.runs["mean_score"].to_numpy() == last["mean_score"].to_numpy()).all()


# Experiments as keywords of sweep and as options of velmora-batch.
EXPERIMENTS = {
    "grid over both forms": (
        dict(vary={"form": ["pyramid", "rectangle"], "bias_points": [0, 1.5]}, runs=3, seed=5,
             trace_periods=True),
        ["--vary", "form=pyramid,rectangle", "--vary", "bias-points=0,1.5", "--runs", "3",
         "--seed", "5", "--trace-periods"],
    ),
    "custom shapes varied, factors fixed": (
        dict(vary={"levels": [[30, 20, 10], [60, 10]]}, runs=4, seed=9, turnover=0.3,
             women_hired=0.6),
        ["--vary", "levels=30,20,10;60,10", "--runs", "4", "--seed", "9", "--turnover", "0.3",
         "--women-hired", "0.6"],
    ),
    "hypercube, independent seeds": (
        dict(vary={"bias_points": (0, 4), "turnover": (0.1, 0.3)}, design="lhs", samples=5,
             seeds="independent", runs=2, seed=11),
        ["--vary", "bias-points=0..4", "--vary", "turnover=0.1..0.3", "--design", "lhs",
         "--samples", "5", "--seeds", "independent", "--runs", "2", "--seed", "11"],
    ),
    "sobol design": (
        dict(vary={"bias_points": (0, 4), "turnover": (0.1, 0.3)}, design="sobol", samples=3,
             runs=2, seed=6),
        ["--vary", "bias-points=0..4", "--vary", "turnover=0.1..0.3", "--design", "sobol",
         "--samples", "3", "--runs", "2", "--seed", "6"],
    ),
}


@pytest.mark.parametrize("keywords, options", EXPERIMENTS.values(), ids=EXPERIMENTS.keys())
def test_sweep_equals_the_command_lines_folder(tmp_path, keywords, options):
    batch(*options, "--out", str(tmp_path / "cli"), "--threads", "2")
    expected = velmora.read(tmp_path / "cli")
    # Held in memory: the same frames as the folder holds.
    held = velmora.sweep(threads=2, **keywords)
    for frame in ("points", "runs", "summary", "trace"):
        if getattr(expected, frame) is None:
            assert getattr(held, frame) is None
        else:
            assert_frame_equal(getattr(held, frame), getattr(expected, frame), obj=frame)
    # Written: the very same folder.
    written = velmora.sweep(out=tmp_path / "py", threads=1, **keywords)
    assert folder_bytes(tmp_path / "py") == folder_bytes(tmp_path / "cli")
    assert_frame_equal(written.summary, expected.summary)
    # The files written at the end, as frames where the folder has them.
    assert (written.trajectory is None) != keywords.get("trace_periods", False)
    assert (written.sensitivity is None) != (keywords.get("design") == "sobol")
    for frame in ("trajectory", "sensitivity"):
        if getattr(expected, frame) is not None:
            assert_frame_equal(getattr(written, frame), getattr(expected, frame), obj=frame)


def test_shards_from_python_merge_on_the_command_line(tmp_path):
    keywords = dict(vary={"bias_points": [0, 2, 4]}, runs=3, seed=2, trace_periods=True)
    for k in (1, 2):
        velmora.sweep(out=tmp_path / f"s{k}", shard=(k, 2), **keywords)
    batch("merge", str(tmp_path / "merged"), str(tmp_path / "s1"), str(tmp_path / "s2"))
    velmora.sweep(out=tmp_path / "whole", **keywords)
    assert folder_bytes(tmp_path / "merged") == folder_bytes(tmp_path / "whole")


@pytest.mark.parametrize(
    "factors, options",
    [SETTINGS["defaults"], SETTINGS["custom shape, shares per level"],
     SETTINGS["every factor off its default"]],
    ids=["defaults", "custom shape", "every factor off its default"],
)
def test_model_states_equal_the_trace(tmp_path, factors, options):
    batch("--runs", "1", "--seed", "31", "--trace", str(tmp_path / "t.csv"), *options)
    trace = velmora._results.csv_frame((tmp_path / "t.csv").read_bytes())
    model = velmora.Model(seed=31, **factors)
    levels = model.levels
    # Period 0 is the initial staff, tallied.
    initial = model.roster().groupby("level")["woman"].sum().to_numpy()
    assert model.period == 0 and list(model.women) == list(initial) and initial.sum() > 0
    for row in trace.itertuples(index=False):
        model.step()
        assert model.period == row.period
        assert model.replaced == row.replaced
        assert list(model.women) == [getattr(row, f"women{k}") for k in range(1, levels + 1)]
        assert list(model.mean_score) == [getattr(row, f"mean{k}") for k in range(1, levels + 1)]
    assert model.sizes.sum() == len(model.roster())
    # Stepped to its end, a run stops where a batch's run stops.
    whole = velmora.Model(seed=31, **factors)
    whole.run_to_end()
    assert whole.period == model.period and list(whole.women) == list(model.women)
