"""Bad input is refused before anything is played or written, naming the
argument, the value and what it accepts."""

import os
import subprocess
import sys

import numpy as np
import pytest

import velmora

# (call, keywords, error, words the message must hold)
BAD = {
    "unknown factor": ("run", {"bias_point": 2}, TypeError, ["bias_point", "bias_points"]),
    "number as text": ("run", {"bias_points": "2"}, TypeError, ["bias_points", "str"]),
    "bool for a number": ("run", {"turnover": True}, TypeError, ["turnover"]),
    "float for runs": ("run", {"runs": 2.5}, TypeError, ["runs", "float"]),
    "bias out of range": ("run", {"bias_points": 2000}, velmora.UsageError,
                          ["bias_points", "-1000 to 1000", "2000"]),
    "not a number": ("run", {"score_sd_men": float("nan")}, velmora.UsageError,
                     ["score_sd_men", "nan"]),
    "turnover zero": ("run", {"turnover": 0}, velmora.UsageError, ["turnover", "above 0"]),
    "no runs": ("run", {"runs": 0}, velmora.UsageError, ["runs", "1 to", "'0'"]),
    "negative seed": ("run", {"seed": -1}, velmora.UsageError, ["seed", "-1"]),
    "unknown form": ("run", {"form": "circle"}, velmora.UsageError, ["form", "pyramid", "circle"]),
    "one level": ("run", {"levels": [10]}, velmora.UsageError, ["levels", "2 to 16"]),
    "levels not a list": ("run", {"levels": 10}, TypeError, ["levels"]),
    "shares per level mismatch": ("Model", {"levels": [5, 5], "women_initial": [0.1, 0.2, 0.3]},
                                  velmora.UsageError, ["women_initial", "2 levels", "3"]),
    "vary not a dict": ("sweep", {"vary": ["bias_points"]}, TypeError, ["vary", "dict"]),
    "vary unknown factor": ("sweep", {"vary": {"bias": [1], "speed": [1]}}, TypeError, ["speed"]),
    "vary a scalar": ("sweep", {"vary": {"bias_points": 2}}, TypeError, ["bias_points", "list"]),
    "vary and fixed": ("sweep", {"vary": {"turnover": [0.1]}, "turnover": 0.2},
                       velmora.UsageError, ["turnover", "cannot go together"]),
    "unknown design": ("sweep", {"vary": {"turnover": [0.1]}, "design": "halton"},
                       velmora.UsageError, ["design", "grid, lhs or sobol", "halton"]),
    "lhs without samples": ("sweep", {"vary": {"turnover": (0.1, 0.2)}, "design": "lhs"},
                            velmora.UsageError, ["lhs", "samples"]),
    "lhs range reversed": ("sweep", {"vary": {"bias_points": (5, 0)}, "design": "lhs",
                                     "samples": 4},
                           velmora.UsageError, ["bias_points", "from 5 to 0", "reversed"]),
    "lhs a list": ("sweep", {"vary": {"turnover": [0.1, 0.2, 0.3]}, "design": "lhs",
                             "samples": 3}, TypeError, ["pair"]),
    "shard out of range": ("sweep", {"vary": {"turnover": [0.1]}, "shard": (3, 2)},
                           velmora.UsageError, ["shard", "3/2"]),
    "shard text not K/N": ("sweep", {"vary": {"turnover": [0.1]}, "shard": "\u00b2/2"},
                           velmora.UsageError, ["shard", "K/N", "'\u00b2/2'"]),
    "unknown seeds": ("sweep", {"vary": {"turnover": [0.1]}, "seeds": "same"},
                      velmora.UsageError, ["seeds", "common or independent", "same"]),
    "progress not a flag": ("run", {"progress": "yes"}, TypeError, ["progress"]),
    "no step": ("step", {"periods": 0}, velmora.UsageError, ["periods", "1 to", "'0'"]),
    "step past the last period": ("step", {"periods": 2**40}, velmora.UsageError,
                                  ["periods", "2147483647", str(2**40)]),
    "vary an empty list": ("sweep", {"vary": {"turnover": []}}, velmora.UsageError,
                           ["turnover", "at least one value"]),
}


@pytest.mark.parametrize("call, keywords, error, words", BAD.values(), ids=BAD.keys())
def test_bad_input_is_refused_and_nothing_written(tmp_path, call, keywords, error, words):
    out = tmp_path / "out"
    if call == "sweep":
        keywords = {"out": out, **keywords}
    function = {
        "run": velmora.run,
        "sweep": velmora.sweep,
        "Model": velmora.Model,
        "step": lambda **k: velmora.Model(seed=1).step(**k),
    }[call]
    with pytest.raises(error) as raised:
        function(**keywords)
    for word in words:
        assert word in str(raised.value)
    assert not out.exists()


def test_a_refused_value_names_its_argument_in_fields():
    with pytest.raises(velmora.UsageError) as raised:
        velmora.run(runs=2, turnover_men=1.5)
    error = raised.value
    assert (error.argument, error.given) == ("turnover_men", "1.5")
    assert error.accepted == "a probability above 0 and at most 1"
    assert str(error) == "turnover_men must be a probability above 0 and at most 1, got '1.5'"


def test_a_folder_holding_another_experiment_is_left_alone(tmp_path):
    velmora.sweep(vary={"bias_points": [0, 1]}, runs=2, seed=1, out=tmp_path / "f")
    before = {p.name: p.read_bytes() for p in (tmp_path / "f").iterdir()}
    with pytest.raises(velmora.UsageError, match="holds an experiment already"):
        velmora.sweep(vary={"bias_points": [0, 1]}, runs=2, seed=1, out=tmp_path / "f")
    with pytest.raises(velmora.UsageError, match="another experiment"):
        velmora.sweep(vary={"bias_points": [0, 2]}, runs=2, seed=1, out=tmp_path / "f",
                      resume=True)
    assert {p.name: p.read_bytes() for p in (tmp_path / "f").iterdir()} == before


def test_resuming_a_folder_whose_experiment_json_is_a_fifo_neither_blocks_nor_plays(tmp_path):
    os.mkfifo(tmp_path / "experiment.json")
    # Without a seed, the folder's is looked for first; a FIFO must not block that.
    code = (f"import velmora\nvelmora.sweep(vary={{'bias_points': [0, 1]}}, runs=2, "
            f"out={str(tmp_path)!r}, resume=True)")
    played = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                            timeout=60)
    assert "is a FIFO" in played.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["experiment.json"]


def test_numpy_values_are_taken_as_numbers():
    result = velmora.run(runs=np.int64(2), seed=np.uint32(1), bias_points=np.float64(2.0),
                         levels=np.array([20, 10]))
    assert result.seed == 1 and len(result.runs) == 4


def test_every_factor_has_its_range_and_its_type_in_the_stubs():
    table = velmora.factors()
    assert (table["range"].str.len() > 0).all(), table[table["range"] == ""]
    import ast
    from pathlib import Path

    stub = ast.parse((Path(velmora.__file__).parent / "__init__.pyi").read_text())
    typed = next(n for n in stub.body if isinstance(n, ast.ClassDef) and n.name == "Factors")
    assert [f.target.id for f in typed.body if isinstance(f, ast.AnnAssign)] == list(table["name"])
