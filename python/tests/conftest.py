"""What the tests of the velmora package share: the command line they
compare it with, and its files read the package's way."""

import os
import subprocess
from pathlib import Path

import pandas as pd

from velmora._results import csv_frame

BATCH = os.environ.get("VELMORA_BATCH", "velmora-batch")
# Fields of the command line's summary that say how fast, not what.
TIMING = ["wall_seconds", "runs_per_second", "threads"]


def batch(*args: str, check: bool = True) -> subprocess.CompletedProcess:
    return subprocess.run([BATCH, "-q", *args], capture_output=True, check=check, timeout=300)


def cli_summary(*args: str) -> pd.DataFrame:
    return csv_frame(batch("--format", "csv", *args).stdout).drop(columns=TIMING)


def folder_bytes(folder: Path) -> dict[str, bytes]:
    return {path.name: path.read_bytes() for path in sorted(Path(folder).iterdir())}
