"""A batch leaves Python free to run, stops at Ctrl-C, and leaves its folder
for the command line to finish."""

import os
import signal
import subprocess
import threading
import time

import pytest

import velmora
from conftest import BATCH, batch, folder_bytes

# Enough runs to last a few seconds on one core.
LONG = dict(runs=20000, seed=3, threads=1)


def interrupt_after(seconds: float) -> list[float]:
    """Sends SIGINT to this process after a while; returns when it was sent."""
    sent: list[float] = []

    def send():
        time.sleep(seconds)
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    threading.Thread(target=send, daemon=True).start()
    return sent


def test_python_threads_run_during_a_batch():
    ticks = 0
    stop = threading.Event()

    def count():
        nonlocal ticks
        while not stop.is_set():
            ticks += 1
            time.sleep(0.001)

    counter = threading.Thread(target=count)
    counter.start()
    start = time.monotonic()
    velmora.run(runs=3000, seed=1, threads=1)
    elapsed = time.monotonic() - start
    stop.set()
    counter.join()
    # With the GIL held the counter would stand still for the whole batch.
    assert elapsed > 0.2 and ticks > 0.2 * elapsed / 0.001


@pytest.mark.parametrize("play", ["run", "sweep into a folder", "model"])
def test_ctrl_c_stops_within_a_second(tmp_path, play):
    calls = {
        "run": lambda: velmora.run(**LONG),
        "sweep into a folder": lambda: velmora.sweep(
            vary={"bias_points": [0, 1]}, out=tmp_path / "f", trace_periods=True, **LONG),
        "model": lambda: velmora.Model(seed=1, periods=2**31 - 1).run_to_end(),
    }
    sent = interrupt_after(0.5)
    with pytest.raises(KeyboardInterrupt):
        calls[play]()
    assert time.monotonic() - sent[0] < 1.0


def rows_written(folder):
    """Whether the experiment in folder has some runs on disk."""
    runs = folder / "runs.csv"
    return lambda: runs.exists() and runs.stat().st_size > 65536


def interrupt_when(ready, send):
    """Calls send() once ready() holds, polling; fails the test if it never does."""
    def watch():
        deadline = time.monotonic() + 60
        while not ready() and time.monotonic() < deadline:
            time.sleep(0.005)
        send()

    watcher = threading.Thread(target=watch, daemon=True)
    watcher.start()
    return watcher


def test_interrupted_folders_resume_across_python_and_the_command_line(tmp_path):
    options = ["--vary", "bias-points=0,2", "--runs", "1000", "--seed", "4", "--trace-periods"]
    keywords = dict(vary={"bias_points": [0, 2]}, runs=1000, seed=4, trace_periods=True)
    batch(*options, "--out", str(tmp_path / "whole"))
    # Begun in Python, finished by the command line.
    interrupt_when(rows_written(tmp_path / "py"), lambda: os.kill(os.getpid(), signal.SIGINT))
    with pytest.raises(KeyboardInterrupt):
        velmora.sweep(threads=1, out=tmp_path / "py", **keywords)
    assert not velmora.read(tmp_path / "py").complete
    batch(*options, "--out", str(tmp_path / "py"), "--resume")
    assert folder_bytes(tmp_path / "py") == folder_bytes(tmp_path / "whole")
    # Begun by the command line, finished in Python.
    begun = subprocess.Popen([BATCH, "-q", *options, "--threads", "1", "--out", str(tmp_path / "cli")])
    interrupt_when(rows_written(tmp_path / "cli"), lambda: begun.send_signal(signal.SIGINT))
    assert begun.wait(timeout=60) == 130
    # Without a seed it goes on with the folder's, as the command line does.
    unseeded = {name: value for name, value in keywords.items() if name != "seed"}
    velmora.sweep(out=tmp_path / "cli", resume=True, **unseeded)
    assert folder_bytes(tmp_path / "cli") == folder_bytes(tmp_path / "whole")
