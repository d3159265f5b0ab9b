"""Python values as the research library takes them.

The library checks every value and names what it accepts; here only the
Python types are checked (TypeError), and numpy's scalars become Python's.
"""

from __future__ import annotations

import numbers
import os
from collections.abc import Mapping, Sequence
from typing import Any

from . import _core

# name -> the factor's row of the table, in the order they are applied.
FACTORS: dict[str, dict[str, str]] = {
    row["option"].replace("-", "_"): row for row in _core.factor_table()
}

# Factors that take one value per level; women_initial also takes one for all.
_PER_LEVEL = {"levels": ("whole", False), "women_initial": ("number", True)}


def _type_name(value: Any) -> str:
    return type(value).__name__


def whole(name: str, value: Any) -> int:
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{name} must be a whole number (int), not {_type_name(value)}")
    return int(value)


def number(name: str, value: Any) -> int | float:
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a number, not {_type_name(value)}")
    if isinstance(value, numbers.Integral):
        return int(value)
    return float(value)


def text(name: str, value: Any) -> str:
    if not isinstance(value, str):
        raise TypeError(f"{name} must be a str, not {_type_name(value)}")
    return value


def _sequence(value: Any) -> bool:
    return not isinstance(value, (str, bytes)) and isinstance(value, Sequence) or (
        hasattr(value, "__array__") and getattr(value, "ndim", 0) == 1
    )


def factor_value(name: str, value: Any) -> Any:
    """One factor's value: a number, a str, or a list of numbers."""
    row = FACTORS[name]
    if name in _PER_LEVEL:
        kind, scalar = _PER_LEVEL[name]
        convert = whole if kind == "whole" else number
        if scalar and not _sequence(value):
            return convert(name, value)
        if not _sequence(value):
            raise TypeError(f"{name} must be a list of whole numbers, not {_type_name(value)}")
        return [convert(f"{name}[{i}]", v) for i, v in enumerate(value)]
    if name == "bias":
        if isinstance(value, numbers.Integral) and not isinstance(value, bool):
            return int(value)
        return text(name, value)
    if row["kind"] == "whole":
        return whole(name, value)
    if row["kind"] == "number":
        return number(name, value)
    return text(name, value)


def check_names(names: Any, where: str) -> None:
    for name in names:
        if name not in FACTORS:
            import difflib

            close = difflib.get_close_matches(str(name), FACTORS, n=1)
            hint = f"; did you mean {close[0]!r}?" if close else f"; factors: {', '.join(FACTORS)}"
            raise TypeError(f"{where} got an unexpected factor {name!r}{hint}")


def factor_values(factors: Mapping[str, Any], where: str) -> dict[str, Any]:
    """Factors by the factor table's names; None is the default."""
    check_names(factors, where)
    return {
        FACTORS[name]["option"]: factor_value(name, value)
        for name, value in factors.items()
        if value is not None
    }


def vary_values(vary: Any, design: str) -> list[tuple[str, list[Any]]]:
    """Each varied factor with its values (a grid) or its range (a sampled design)."""
    if not isinstance(vary, Mapping):
        raise TypeError(f"vary must be a dict of factor names to values, not {_type_name(vary)}")
    check_names(vary, "vary")
    varied = []
    for name, values in vary.items():
        option = FACTORS[name]["option"]
        if design in ("lhs", "sobol"):
            if not _sequence(values) or len(values) != 2:
                raise TypeError(
                    f"vary[{name!r}] must be a pair (low, high) with design={design!r}")
            varied.append((option, [number(f"vary[{name!r}]", v) for v in values]))
            continue
        if not _sequence(values):
            raise TypeError(f"vary[{name!r}] must be a list of values, not {_type_name(values)}")
        varied.append((option, [factor_value(name, v) for v in values]))
    return varied


def optional_whole(name: str, value: Any) -> str | None:
    return None if value is None else whole(name, value)


def optional_text(name: str, value: Any) -> str | None:
    return None if value is None else text(name, value)


def flag(name: str, value: Any) -> bool:
    if not isinstance(value, bool):
        raise TypeError(f"{name} must be True or False, not {_type_name(value)}")
    return value


def shard_value(value: Any) -> tuple[int, int] | str | None:
    """A shard as (k, n), or "k/n" as the command line reads it."""
    if value is None or isinstance(value, str):
        return value
    if not _sequence(value) or len(value) != 2:
        raise TypeError(f"shard must be (k, n) or 'k/n', not {_type_name(value)}")
    return whole("shard", value[0]), whole("shard", value[1])


def folder_text(value: Any) -> str | None:
    if value is None:
        return None
    if not isinstance(value, (str, os.PathLike)):
        raise TypeError(f"out must be a folder name (str or path), not {_type_name(value)}")
    return os.fspath(value)
