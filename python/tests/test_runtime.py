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


def test_interrupted_python_folder_resumes_from_the_command_line(tmp_path):
    options = ["--vary", "bias-points=0,2", "--runs", "3000", "--seed", "4", "--trace-periods"]
    sent = interrupt_after(0.7)
    with pytest.raises(KeyboardInterrupt):
        velmora.sweep(vary={"bias_points": [0, 2]}, runs=3000, seed=4, trace_periods=True,
                      threads=1, out=tmp_path / "py")
    assert sent and not velmora.read(tmp_path / "py").complete
    batch(*options, "--out", str(tmp_path / "py"), "--resume")
    batch(*options, "--out", str(tmp_path / "cli"))
    assert folder_bytes(tmp_path / "py") == folder_bytes(tmp_path / "cli")
    # And the other way round: Python finishes what the command line began.
    begun = subprocess.Popen([BATCH, "-q", *options, "--threads", "1", "--out", str(tmp_path / "cut")])
    time.sleep(0.7)
    begun.send_signal(signal.SIGINT)
    assert begun.wait(timeout=10) == 130
    velmora.sweep(vary={"bias_points": [0, 2]}, runs=3000, seed=4, trace_periods=True,
                  out=tmp_path / "cut", resume=True)
    assert folder_bytes(tmp_path / "cut") == folder_bytes(tmp_path / "cli")
