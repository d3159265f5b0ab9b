#!/usr/bin/env python3
"""Every I/O call of a small traced experiment, and of a merge, made to fail
in turn by a preloaded injector (fault_injector.cpp): the process killed
before the call, a write torn and the process killed, the disk full from the
call on, or one I/O error. Then the experiment is resumed, or the merge done
again, without faults, and the folder must equal one written without any,
byte for byte and file for file, leftovers included.
    fault_test.py VELMORA_BATCH INJECTOR.so"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

BATCH = os.path.abspath(sys.argv.pop(1))
INJECTOR = os.path.abspath(sys.argv.pop(1))
# Small, traced, two points of three levels: every kind of file and row.
EXPERIMENT = ["--vary", "turnover=0.2,0.4", "--levels", "6,4,2", "--runs", "3", "--seed", "8",
              "--max-periods", "40", "--trace-periods", "--threads", "2", "-q"]
# A Sobol design writes its sensitivity files at the end as well.
SOBOL = ["--design", "sobol", "--samples", "2", "--vary", "turnover=0.2..0.4", "--levels", "6,4,2",
         "--runs", "2", "--seed", "8", "--max-periods", "40", "--trace-periods", "--threads", "2",
         "-q"]
SHARDS = 2
# Per kind of fault: the calls it is tried at, and the exit statuses it may give.
KILLED = -signal.SIGKILL
MODES = {
    "kill": (lambda kind: True, {KILLED}),
    "tear": (lambda kind: kind == "write", {KILLED}),
    "enospc": (lambda kind: True, {0, 1}),
    "eio": (lambda kind: True, {0, 1}),
}


def batch(*args, fault=None):
    env = dict(os.environ)
    if fault is not None:
        env.update(LD_PRELOAD=INJECTOR, VB_FAULT_DIR=fault["dir"], VB_FAULT_AT=str(fault["at"]),
                   VB_FAULT_MODE=fault["mode"])
        if "log" in fault:
            env["VB_FAULT_LOG"] = fault["log"]
    return subprocess.run([BATCH, *args], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                          text=True, env=env, timeout=60)


def folder(path):
    """Every entry of a folder and its bytes; leftovers count."""
    if not os.path.isdir(path):
        return None
    result = {}
    for name in sorted(os.listdir(path)):
        with open(os.path.join(path, name), "rb") as f:
            result[name] = f.read()
    return result


def calls(tmp, target, *args):
    """The kinds of the I/O calls a run without faults makes under target."""
    log = os.path.join(tmp, "calls.log")
    r = batch(*args, fault={"dir": target, "at": 0, "mode": "none", "log": log})
    assert r.returncode == 0, r.stderr
    with open(log) as f:
        kinds = f.read().split()
    os.remove(log)
    return kinds


class Faults(unittest.TestCase):
    def enumerate(self, name, target, faulted, redo, reference, kinds):
        """Fails call n of `faulted` in every mode, then `redo`; compares."""
        counted = {mode: 0 for mode in MODES}
        for mode, (applies, statuses) in MODES.items():
            for n, kind in enumerate(kinds, 1):
                if not applies(kind):
                    continue
                counted[mode] += 1
                with self.subTest(f"{name} {mode} at call {n} ({kind})"):
                    shutil.rmtree(target, ignore_errors=True)
                    r = batch(*faulted, fault={"dir": target, "at": n, "mode": mode})
                    self.assertIn(r.returncode, statuses, r.stderr)
                    if r.returncode == 1:
                        self.assertRegex(r.stderr, r"'[^']+'", "the message names the file")
                    finished = folder(target) == reference
                    again = batch(*redo)
                    # A merge that got to its end is refused a second time.
                    self.assertEqual(again.returncode, 2 if finished and redo == faulted else 0,
                                     again.stderr)
                    self.assertEqual(folder(target), reference)
        print(f"{name}: {len(kinds)} I/O calls; tried " +
              ", ".join(f"{mode} {count}" for mode, count in counted.items()), file=sys.stderr)

    def test_an_experiment_resumed_after_any_fault_equals_one_without(self):
        for name, experiment in (("experiment", EXPERIMENT), ("sobol experiment", SOBOL)):
            with tempfile.TemporaryDirectory() as tmp:
                out = os.path.join(tmp, "run")
                whole = os.path.join(tmp, "whole")
                self.assertEqual(batch(*experiment, "--out", whole).returncode, 0)
                reference = folder(whole)
                kinds = calls(tmp, out, *experiment, "--out", out)
                self.assertEqual(folder(out), reference)
                self.enumerate(name, out, [*experiment, "--out", out],
                               [*experiment, "--out", out, "--resume"], reference, kinds)

    def test_a_merge_done_again_after_any_fault_equals_one_without(self):
        with tempfile.TemporaryDirectory() as tmp:
            shards = [os.path.join(tmp, f"s{k}") for k in range(1, SHARDS + 1)]
            for k, shard in enumerate(shards, 1):
                r = batch(*EXPERIMENT, "--shard", f"{k}/{SHARDS}", "--out", shard)
                self.assertEqual(r.returncode, 0, r.stderr)
            whole = os.path.join(tmp, "whole")
            self.assertEqual(batch("merge", whole, *shards).returncode, 0)
            reference = folder(whole)
            out = os.path.join(tmp, "merged")
            kinds = calls(tmp, out, "merge", out, *shards)
            self.enumerate("merge", out, ["merge", out, *shards], ["merge", out, *shards],
                           reference, kinds)


if __name__ == "__main__":
    unittest.main(verbosity=2)
