#!/usr/bin/env python3
"""The velmora-batch executable as a user meets it: exit codes, messages,
files written whole or not at all, identical results for any thread count."""
import csv
import io
import json
import os
import shutil
import signal
import socket
import stat
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import xml.etree.ElementTree as ET

BATCH = os.path.abspath(sys.argv.pop(1)) if len(sys.argv) > 1 else "velmora-batch"
SVG = "{http://www.w3.org/2000/svg}"
TIMING_COLUMNS = {"wall_seconds", "runs_per_second", "threads"}
# Runs a command with devices of its own in place of /dev, in a private mount
# namespace (needs root); exit 99 if a device is no longer one afterwards.
PRIVATE_DEV = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
               "mount -t tmpfs dev /dev && mknod -m 666 /dev/null c 1 3 && "
               "mknod -m 666 /dev/full c 1 7 && \"$@\"; s=$?; "
               "[ -c /dev/null ] && [ -c /dev/full ] || s=99; exit $s", "sh"]


def run(*args, stdout=subprocess.PIPE, cwd=None, env=None):
    return subprocess.run([BATCH, *args], stdout=stdout, stderr=subprocess.PIPE, text=True,
                          cwd=cwd, timeout=300, errors="strict", env=env)


def results_only(summary_csv):
    """The CSV summary without the columns that measure time."""
    rows = list(csv.DictReader(io.StringIO(summary_csv)))
    return [{k: v for k, v in row.items() if k not in TIMING_COLUMNS} for row in rows]


class BadInput(unittest.TestCase):
    CASES = [
        (["--form", "triangle"], "--form"),
        (["--bias", "2"], "--bias"),
        (["--bias-points", "nan"], "--bias-points"),
        (["--runs", "0"], "--runs"),
        (["--runs", "ten"], "--runs"),
        (["--seed", "4294967296"], "--seed"),
        (["--seed", "-3"], "--seed"),
        (["--threads", "0"], "--threads"),
        (["--turnover", "0"], "--turnover"),
        (["--turnover", "1.2"], "--turnover"),
        (["--women-hired", "-0.5"], "--women-hired"),
        (["--max-periods", "0"], "--max-periods"),
        (["--format", "yaml"], "--format"),
        (["--levels", "5"], "--levels"),
        (["--levels", "3,2", "--women-initial", "0.1,0.2,0.3"], "--women-initial"),
        (["--turnover-slope", "x"], "--turnover-slope"),
        (["--runs"], "--runs"),
        (["--speed", "3"], "--speed"),
        (["extra"], "extra"),
        (["--runs", "7" * 100000], "--runs"),
        (["--vary", "speed=1,2"], "--vary"),
        (["--vary", "turnover=0.3:0.1:0.1"], "--vary"),
        (["--vary", "turnover=0.1:0.3:0"], "--vary"),
        (["--vary", "turnover="], "--vary"),
        (["--vary", "turnover=2"], "--vary"),
        (["--vary", "turnover=0.1", "--vary", "turnover=0.2"], "--vary"),
        (["--design", "lhs", "--samples", "5", "--vary", "form=a..b"], "--vary"),
        (["--design", "lhs", "--samples", "5", "--vary", "turnover=0.3..0.1"], "--vary"),
        (["--shard", "4/3", "--out", "x"], "--shard"),
        (["--form", "\udcff\udcfe\x1b[31m"], "--form"),  # bytes that are not UTF-8
        (["--design", "lhs", "--samples", "3", "--vary", "bias-points=0...1"], "A..B"),
        (["--vary", "bias-points=0:999:1", "--vary", "score-sd-men=1:1000:1"], "1000000 points"),
        (["--vary", "turnover=0.1", "--format", "json", "--out", "x"], "--format"),
        (["--runs", "7", "--format", "xml", "merge", "q", "a", "b"], "before merge"),
    ]

    def test_every_bad_input_is_one_line_exit_2_and_touches_no_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            kept = os.path.join(tmp, "kept.csv")
            with open(kept, "w") as f:
                f.write("keep me")
            fresh = os.path.join(tmp, "fresh.svg")
            for args, option in self.CASES:
                with self.subTest(args=args):
                    r = run("--trace", kept, "--plot", fresh, *args)
                    self.assertEqual(r.returncode, 2, r.stderr)
                    self.assertEqual(r.stdout, "")
                    lines = r.stderr.splitlines()
                    self.assertEqual(len(lines), 1, r.stderr)
                    self.assertLess(len(lines[0]), 400)
                    self.assertNotIn("\x1b", lines[0])
                    self.assertIn(option, lines[0])
                    with open(kept) as f:
                        self.assertEqual(f.read(), "keep me")
                    self.assertEqual(sorted(os.listdir(tmp)), ["kept.csv"])

    def test_an_unwritable_path_is_exit_1_and_leaves_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            plot = os.path.join(tmp, "p.svg")
            for bad in [os.path.join(tmp, "missing", "t.csv"), tmp]:
                with self.subTest(path=bad):
                    r = run("--seed", "1", "--runs", "2", "--trace", bad, "--plot", plot)
                    self.assertEqual(r.returncode, 1, r.stderr)
                    self.assertIn(bad, r.stderr)
                    self.assertEqual(os.listdir(tmp), [])

    def test_a_failing_standard_output_is_exit_1(self):
        with open("/dev/full", "w") as full:
            r = run("--seed", "1", "--runs", "2", "-q", stdout=full)
        self.assertEqual(r.returncode, 1)
        self.assertIn("summary", r.stderr)


class Slips(unittest.TestCase):
    """What a newcomer types by mistake gets a pointer to what was meant."""
    REFUSED = [
        (["--run", "100"], "unknown option --run; did you mean --runs?"),
        (["--thread", "2"], "unknown option --thread; did you mean --threads?"),
        (["--trace-period", "--out", "x"], "did you mean --trace-periods?"),
        (["--bias", "4.58"], "use --bias-points 4.58"),
        (["--plot", "women.png"], "--plot writes SVG: give a file name ending in .svg"),
        (["--frobnicate"], "unknown option --frobnicate (see --help)"),
    ]
    # Names of choices in any case give what the lower-case names give.
    ACCEPTED = [
        (["--form", "Pyramid", "--format", "CSV"], ["--form", "pyramid", "--format", "csv"]),
        (["--form", "RECTANGLE", "--format", "Csv"], ["--form", "rectangle", "--format", "csv"]),
    ]

    def test_a_slip_is_one_line_naming_what_was_meant(self):
        for args, message in self.REFUSED:
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
                self.assertIn(message, r.stderr)

    def test_names_are_taken_in_any_case(self):
        for typed, lower in self.ACCEPTED:
            with self.subTest(args=typed):
                common = ["--runs", "3", "--seed", "5", "-q"]
                got, expected = run(*typed, *common), run(*lower, *common)
                self.assertEqual(got.returncode, 0, got.stderr)
                self.assertEqual(results_only(got.stdout), results_only(expected.stdout))

    def test_help_fits_80_columns_in_groups(self):
        for args in (["--help"], ["merge", "--help"]):
            with self.subTest(args=args):
                r = run(*args)
                self.assertEqual(r.returncode, 0, r.stderr)
                wide = [line for line in r.stdout.splitlines() if len(line) > 80]
                self.assertEqual(wide, [])
        main = run("--help").stdout
        groups = ["Runs:", "Organisation and research factors:", "Experiments:", "Output:"]
        self.assertEqual([g for g in groups if g in main.splitlines()], groups)
        self.assertLess(main.index("--runs"), main.index("--form"))
        self.assertLess(main.index("--form"), main.index("--vary"))
        self.assertLess(main.index("--shard"), main.index("--trace FILE"))
        self.assertIn("docs/files.md", main)
        self.assertIn("(d/2)^2 / ((d/2)^2 + 100) is 1.0% for d=2.01", main)
        merge = run("merge", "--help").stdout
        self.assertIn("velmora-batch merge [OPTIONS] OUT SHARD_DIR...", merge)
        self.assertIn("velmora-batch merge sweep shard1", merge)
        self.assertNotIn("TEXT", merge)
        self.assertNotIn("--runs 1000", merge)


class Results(unittest.TestCase):
    def batch(self, tmp, threads, *extra):
        trace = os.path.join(tmp, f"trace{threads}.csv")
        plot = os.path.join(tmp, f"plot{threads}.svg")
        r = run("--seed", "4294967280", "--runs", "40", "--threads", str(threads), "--trace",
                trace, "--plot", plot, "--format", "csv", "-q", *extra)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(trace, "rb") as t, open(plot, "rb") as p:
            return t.read(), p.read(), results_only(r.stdout)

    def test_results_do_not_depend_on_threads(self):
        with tempfile.TemporaryDirectory() as tmp:
            one = self.batch(tmp, 1)
            for threads in (2, 3, 16):
                self.assertEqual(one, self.batch(tmp, threads), f"{threads} threads")
            self.assertEqual(len(one[2]), 8)
            self.assertFalse([f for f in os.listdir(tmp) if f.startswith(".")], "temp files left")

    def test_the_reference_implementation_gives_the_same_results_and_says_so(self):
        common = ["--seed", "5", "--runs", "6", "--levels", "30,20,10", "--max-periods", "80",
                  "--format", "csv", "-q"]
        fast, reference = run(*common), run(*common, "--implementation", "Reference")
        self.assertEqual((fast.returncode, reference.returncode), (0, 0), reference.stderr)
        rows = results_only(reference.stdout)
        self.assertEqual([row.pop("implementation") for row in rows], ["reference"] * 3)
        self.assertEqual(rows, results_only(fast.stdout))
        self.assertNotIn("implementation", fast.stdout)
        with tempfile.TemporaryDirectory() as tmp:
            shards = [os.path.join(tmp, f"s{k}") for k in (1, 2)]
            for k, shard in enumerate(shards, 1):
                r = run("--vary", "bias-points=0,3", "--runs", "2", "--seed", "1", "-q",
                        "--implementation", "reference", "--shard", f"{k}/2", "--out", shard)
                self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(run("merge", os.path.join(tmp, "m"), *shards).returncode, 0)
            with open(os.path.join(tmp, "m", "experiment.json")) as f:
                recorded = json.load(f)
            self.assertEqual(recorded["implementation"], "reference")
            self.assertIn("--implementation=reference", recorded["command_line"])

    def test_portable_paths_give_the_same_traces(self):
        """Processors with and without 512-bit vectors agree bit for bit, for
        every kind of departure, hiring, sort and shape."""
        portable = {**os.environ, "VELMORA_NO_WIDE_VECTORS": "1"}
        for args in ([], ["--form", "rectangle", "--bias", "1"],
                     ["--turnover-slope", "1.5", "--score-sd-women", "8"],
                     ["--turnover-women", "1", "--turnover-slope", "-2"],
                     ["--turnover-women", "0.3", "--women-hired", "0.7"],
                     ["--external-hires", "0.3", "--bias-ends", "10", "--levels", "300,4,4,4,300"],
                     ["--score-sd-men", "0", "--score-sd-women", "0", "--bias-points", "0"]):
            with self.subTest(args=args):
                common = ["--seed", "11", "--runs", "20", "--max-periods", "60", "--trace", "-",
                          "--format", "csv", "-q", *args]
                wide, narrow = run(*common), run(*common, env=portable)
                self.assertEqual((wide.returncode, narrow.returncode), (0, 0), narrow.stderr)
                self.assertEqual(wide.stdout, narrow.stdout)

    def test_trace_rows_follow_runs_and_periods(self):
        with tempfile.TemporaryDirectory() as tmp:
            trace, _, summary = self.batch(tmp, 2, "--max-periods", "45")
        rows = list(csv.DictReader(io.StringIO(trace.decode())))
        keys = [(int(r["run"]), int(r["period"])) for r in rows]
        self.assertEqual(keys, sorted(keys))
        self.assertEqual({r["seed"] for r in rows if r["run"] == "17"}, {"0"})  # wraps mod 2^32
        last = {}
        for r in rows:
            last[int(r["run"])] = r
        cut = sum(1 for r in last.values() if r["replaced"] != "1424")
        self.assertEqual(summary[0]["runs_cut_off"], str(cut))
        self.assertTrue(all(int(r["period"]) <= 45 for r in rows))

    def test_plot_is_xml_with_eight_series_and_bands(self):
        with tempfile.TemporaryDirectory() as tmp:
            _, svg, _ = self.batch(tmp, 2)
        root = ET.fromstring(svg)
        self.assertEqual(root.tag, SVG + "svg")
        paths = list(root.iter(SVG + "path"))
        series = [p for p in paths if p.get("class") == "series"]
        bands = [p for p in paths if p.get("class") == "band"]
        self.assertEqual(sorted(int(p.get("data-level")) for p in series), list(range(1, 9)))
        self.assertEqual(len(bands), 8)
        legend = " ".join(t.text or "" for t in root.iter(SVG + "text"))
        self.assertIn("Level 8 (top)", legend)
        self.assertIn("held at its final state", legend)


    def test_a_custom_shape_sizes_every_output(self):
        with tempfile.TemporaryDirectory() as tmp:
            trace, plot = os.path.join(tmp, "t.csv"), os.path.join(tmp, "p.svg")
            r = run("--levels", "40,20,10", "--seed", "4", "--runs", "5", "--format", "csv",
                    "--trace", trace, "--plot", plot, "-q")
            self.assertEqual(r.returncode, 0, r.stderr)
            rows = list(csv.DictReader(io.StringIO(r.stdout)))
            self.assertEqual([row["level"] for row in rows], ["1", "2", "3"])
            self.assertEqual(rows[0]["levels"], "40,20,10")
            self.assertEqual(rows[0]["form"], "custom")
            with open(trace) as f:
                header = f.readline().strip().split(",")
            self.assertEqual(header[4:], ["women1", "women2", "women3", "mean1", "mean2", "mean3"])
            with open(plot) as f:
                root = ET.fromstring(f.read())
            series = [p for p in root.iter(SVG + "path") if p.get("class") == "series"]
            self.assertEqual(len(series), 3)


class Interface(unittest.TestCase):
    def test_help_documents_every_option(self):
        r = run("--help")
        self.assertEqual(r.returncode, 0)
        for option in ["--form", "--bias", "--bias-points", "--runs", "--seed", "--threads",
                       "--turnover", "--women-hired", "--max-periods", "--trace", "--plot",
                       "--format", "--quiet", "--version"]:
            self.assertIn(option, r.stdout)

    def test_clock_seed_is_printed_and_repeats_the_batch(self):
        r = run("--runs", "3", "--format", "json")
        self.assertEqual(r.returncode, 0, r.stderr)
        first = json.loads(r.stdout)
        seed = first["parameters"]["seed"]
        self.assertTrue(first["parameters"]["seed_from_clock"])
        self.assertIn(f"seed {seed}", r.stderr)
        again = json.loads(run("--runs", "3", "--format", "json", "--seed", str(seed)).stdout)
        self.assertEqual(first["levels"], again["levels"])
        self.assertEqual(len(first["levels"]), 8)

    def test_trace_on_standard_output_moves_the_summary_to_standard_error(self):
        r = run("--seed", "3", "--runs", "2", "--trace", "-", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(r.stdout.startswith("run,seed,period,replaced,women1,"))
        self.assertIn("Periods to completion", r.stderr)

    def test_interrupt_leaves_no_file(self):
        with tempfile.TemporaryDirectory() as tmp:
            proc = subprocess.Popen(
                [BATCH, "--seed", "1", "--runs", "1000000", "--trace", "t.csv", "--plot", "p.svg"],
                cwd=tmp, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
            # Its files are opened aside once it is ready to handle the signal.
            deadline = time.monotonic() + 30
            while not os.listdir(tmp) and time.monotonic() < deadline:
                time.sleep(0.05)
            time.sleep(0.2)
            proc.send_signal(signal.SIGINT)
            out, err = proc.communicate(timeout=60)
            self.assertEqual(proc.returncode, 130, err)
            self.assertIn("interrupted", err)
            self.assertEqual(os.listdir(tmp), [])


class Targets(unittest.TestCase):
    """Outputs that are not new regular files, and runs that are stopped."""
    LONG = "n" * 246 + ".svg"  # 250 characters, a legal name
    LONG_RUN = ["--seed", "1", "--runs", "1000000", "--plot", "p.svg"]
    # args, how standard output is set up, signals sent once it is busy, exit
    # status, a word of the message, and what the folder holds afterwards.
    CASES = [
        (["--plot", "link.svg"], None, [], 0, "", {"link.svg", "real.svg", "f", "s"}),
        (["--trace", "f"], "fifo", [], 0, "", {"link.svg", "real.svg", "f", "s"}),
        (["--trace", "s"], None, [], 1, "socket", {"link.svg", "real.svg", "f", "s"}),
        (["--trace", "/dev/full"], None, [], 1, "No space", {"link.svg", "real.svg", "f", "s"}),
        (["--plot", "/dev/null"], None, [], 0, "", {"link.svg", "real.svg", "f", "s"}),
        (["--plot", LONG], None, [], 0, "", {"link.svg", "real.svg", "f", "s", LONG}),
        (["--trace", "-", "--plot", "p.svg"], "closed", [], 1, "standard output",
         {"link.svg", "real.svg", "f", "s"}),
        (["--help"], "full", [], 1, "", {"link.svg", "real.svg", "f", "s"}),
        (["--version"], "full", [], 1, "", {"link.svg", "real.svg", "f", "s"}),
        (LONG_RUN + ["--trace", "-"], "stalled", [signal.SIGINT], 130, "interrupted",
         {"link.svg", "real.svg", "f", "s"}),
        (LONG_RUN + ["--trace", "t.csv"], None, [signal.SIGHUP], 129, "interrupted",
         {"link.svg", "real.svg", "f", "s"}),
        (LONG_RUN + ["--trace", "t.csv"], None, [signal.SIGTERM, signal.SIGINT], 143,
         "interrupted", {"link.svg", "real.svg", "f", "s"}),
    ]

    def prepare(self, tmp):
        with open(os.path.join(tmp, "real.svg"), "w") as f:
            f.write("old")
        os.chmod(os.path.join(tmp, "real.svg"), 0o640)
        os.symlink("real.svg", os.path.join(tmp, "link.svg"))
        os.mkfifo(os.path.join(tmp, "f"))
        server = socket.socket(socket.AF_UNIX)
        server.bind(os.path.join(tmp, "s"))
        return server

    def play(self, tmp, args, stdout, signals):
        received = []
        if stdout == "fifo":
            def drain():
                with open(os.path.join(tmp, "f"), "rb") as f:
                    received.append(f.read())
            threading.Thread(target=drain, daemon=True).start()
        full = open("/dev/full", "w") if stdout == "full" else None
        kind = full if full else subprocess.PIPE if stdout == "stalled" else subprocess.DEVNULL
        closing = (lambda: os.close(1)) if stdout == "closed" else None
        command = [BATCH, "-q", *args]
        if any(a.startswith("/dev/") for a in args):
            command = PRIVATE_DEV + command
        with subprocess.Popen(command, cwd=tmp, stdout=kind,
                              stderr=subprocess.PIPE, preexec_fn=closing) as proc:
            if full:
                full.close()
            if signals:
                # Once its files are open aside, and a stalled pipe has filled.
                deadline = time.monotonic() + 30
                while not any(n.startswith(".") for n in os.listdir(tmp)):
                    self.assertLess(time.monotonic(), deadline)
                    time.sleep(0.05)
                time.sleep(0.5)
                for sig in signals:
                    proc.send_signal(sig)
                    time.sleep(0.01)  # a second signal lands during the clean-up
            # Nobody reads a stalled pipe: the signal alone must end the run.
            proc.wait(timeout=20)
            err = proc.stderr.read().decode()
        return proc.returncode, err, received

    def test_every_target_is_written_in_place_or_refused_and_nothing_is_left(self):
        private = subprocess.run(PRIVATE_DEV + ["true"], capture_output=True).returncode == 0
        for args, stdout, signals, status, word, left in self.CASES:
            if any(a.startswith("/dev/") for a in args) and not private:
                continue  # the real devices are never put at risk
            with self.subTest(args=args[-2:], stdout=stdout, signals=signals), \
                    tempfile.TemporaryDirectory() as tmp:
                server = self.prepare(tmp)
                code, err, received = self.play(tmp, args, stdout, signals)
                server.close()
                self.assertEqual(code, status, err)
                self.assertIn(word, err)
                self.assertEqual(set(os.listdir(tmp)), left)
                self.assertTrue(os.path.islink(os.path.join(tmp, "link.svg")))
                self.assertTrue(stat.S_ISFIFO(os.stat(os.path.join(tmp, "f")).st_mode))
                real = os.path.join(tmp, "real.svg")
                self.assertEqual(stat.S_IMODE(os.stat(real).st_mode), 0o640)
                with open(real) as f:
                    self.assertEqual(f.read(3), "<?x" if "link.svg" in args else "old")
                if stdout == "fifo":
                    self.assertTrue(received and received[0].startswith(b"run,seed,"))


class Experiments(unittest.TestCase):
    SWEEP = ["--vary", "turnover=0.1,0.2", "--seed", "11", "-q"]

    def play(self, out, *extra):
        r = run(*self.SWEEP, "--out", out, *extra)
        self.assertEqual(r.returncode, 0, r.stderr)

    def folder(self, out):
        names = ["experiment.json", "points.csv", "runs.csv", "summary.csv", "plot.svg",
                 "trace.csv", "trajectory.csv", "trajectory.svg"]
        result = {}
        for name in names:
            with open(os.path.join(out, name), "rb") as f:
                result[name] = f.read()
        return result

    def test_a_sweep_equals_its_runs_played_one_by_one(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "sweep")
            self.play(out, "--runs", "3")
            with open(os.path.join(out, "runs.csv")) as f:
                runs = list(csv.DictReader(f))
            with open(os.path.join(out, "summary.csv")) as f:
                summary = list(csv.DictReader(f))
            with open(os.path.join(out, "points.csv")) as f:
                points = list(csv.DictReader(f))
            self.assertEqual([p["turnover"] for p in points], ["0.1", "0.2"])
            self.assertEqual([(s["point"], s["level"]) for s in summary],
                             [(str(p), str(k)) for p in (1, 2) for k in range(1, 9)])
            # Replication-major order, common seeds: replication r uses 11 + r - 1.
            self.assertEqual([(r["replication"], r["point"], r["seed"]) for r in runs[::8]],
                             [(str(r), str(p), str(10 + r)) for r in (1, 2, 3) for p in (1, 2)])
            for point, turnover in ((1, "0.1"), (2, "0.2")):
                trace = os.path.join(tmp, f"t{point}.csv")
                self.assertEqual(run("--turnover", turnover, "--runs", "3", "--seed", "11",
                                     "--trace", trace, "-q").returncode, 0)
                with open(trace) as f:
                    rows = list(csv.DictReader(f))
                for replication in (1, 2, 3):
                    last = [r for r in rows if r["run"] == str(replication)][-1]
                    mine = [r for r in runs if r["point"] == str(point)
                            and r["replication"] == str(replication)]
                    for r in mine:
                        self.assertEqual(r["women"], last["women" + r["level"]])
                        self.assertEqual(r["mean_score"], last["mean" + r["level"]])

    def test_shards_merged_and_a_resumed_run_equal_the_whole(self):
        with tempfile.TemporaryDirectory() as tmp:
            whole = os.path.join(tmp, "whole")
            self.play(whole, "--runs", "150", "--trace-periods")
            shards = [os.path.join(tmp, f"s{k}") for k in (1, 2, 3)]
            for k, shard in enumerate(shards, 1):
                self.play(shard, "--runs", "150", "--trace-periods", "--shard", f"{k}/3")
            merged = os.path.join(tmp, "merged")
            r = run("merge", merged, shards[2], shards[0], shards[1])
            self.assertEqual(r.returncode, 0, r.stderr)
            self.assertEqual(self.folder(merged), self.folder(whole))
            self.assertEqual(run("merge", os.path.join(tmp, "m2"), *shards[:2]).returncode, 2)

            resumed = os.path.join(tmp, "resumed")
            args = [BATCH, *self.SWEEP, "--runs", "150", "--trace-periods", "--out", resumed]
            proc = subprocess.Popen(args, stderr=subprocess.DEVNULL)
            rows = os.path.join(resumed, "runs.csv")
            deadline = time.time() + 20
            while time.time() < deadline and proc.poll() is None:
                if os.path.exists(rows) and os.path.getsize(rows) > 30000:
                    break
                time.sleep(0.005)
            proc.kill()
            proc.wait()
            self.assertNotEqual(run(*self.SWEEP, "--runs", "150", "--out", resumed).returncode, 0)
            self.play(resumed, "--runs", "150", "--trace-periods", "--resume")
            self.assertEqual(self.folder(resumed), self.folder(whole))

    def test_the_trajectory_is_the_trace_averaged_with_ended_runs_held(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "sweep")
            self.play(out, "--runs", "4", "--trace-periods")
            with open(os.path.join(out, "runs.csv")) as f:
                size = {r["level"]: int(r["size"]) for r in csv.DictReader(f)}
            shares = {}  # (point, replication) -> per period, per level
            with open(os.path.join(out, "trace.csv")) as f:
                for r in csv.DictReader(f):
                    periods = shares.setdefault((r["point"], r["replication"]), [])
                    if r["level"] == "1":
                        periods.append({})
                    periods[-1][r["level"]] = int(r["women"]) / size[r["level"]]
            with open(os.path.join(out, "trajectory.csv")) as f:
                rows = list(csv.DictReader(f))
            longest = {p: max(len(v) for (q, _), v in shares.items() if q == p) for p in "12"}
            self.assertEqual(len(rows), 8 * (longest["1"] + longest["2"]))
            self.assertLess(min(len(v) for v in shares.values()), longest["1"])  # some ended early
            for r in rows:
                runs = [v for (q, _), v in shares.items() if q == r["point"]]
                period = int(r["period"])
                values = [v[min(period, len(v)) - 1][r["level"]] for v in runs]
                self.assertEqual(r["runs"], "4")
                self.assertEqual(r["turnover"], ("0.1", "0.2")[int(r["point"]) - 1])
                self.assertAlmostEqual(float(r["women_mean"]), sum(values) / 4, places=12)
                self.assertAlmostEqual(float(r["women_sd"]), statistics.stdev(values), places=12)

    def test_a_sobol_design_plays_the_mixed_rows_and_merges_like_any_plan(self):
        sobol = ["--design", "sobol", "--samples", "5", "--vary", "bias-points=0..5",
                 "--vary", "turnover=0.1..0.3", "--runs", "3", "--seed", "4", "-q"]
        with tempfile.TemporaryDirectory() as tmp:
            whole = os.path.join(tmp, "whole")
            self.assertEqual(run(*sobol, "--out", whole).returncode, 0)
            with open(os.path.join(whole, "points.csv")) as f:
                points = [(p["bias_points"], p["turnover"]) for p in csv.DictReader(f)]
            self.assertEqual(len(points), 5 * (2 + 2))
            for j in range(5):
                a, mixed1, mixed2, b = points[4 * j:4 * j + 4]
                self.assertEqual(mixed1, (b[0], a[1]))
                self.assertEqual(mixed2, (a[0], b[1]))
                self.assertTrue(a[0] != b[0] and a[1] != b[1])
            with open(os.path.join(whole, "sensitivity.csv")) as f:
                indices = list(csv.DictReader(f))
            self.assertEqual([(i["level"], i["factor"]) for i in indices],
                             [(str(k), f) for k in range(1, 9) for f in ("bias-points", "turnover")])
            for i in indices:
                for order in ("first_order", "total_order"):
                    self.assertLessEqual(float(i[order + "_ci95_low"]),
                                         float(i[order + "_ci95_high"]))
            shards = [os.path.join(tmp, f"s{k}") for k in (1, 2)]
            for k, shard in enumerate(shards, 1):
                self.assertEqual(run(*sobol, "--out", shard, "--shard", f"{k}/2").returncode, 0)
            merged = os.path.join(tmp, "merged")
            self.assertEqual(run("merge", merged, *shards).returncode, 0)
            for name in ("runs.csv", "summary.csv", "sensitivity.csv", "sensitivity.svg"):
                with open(os.path.join(whole, name), "rb") as a, \
                        open(os.path.join(merged, name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)

    def test_verify_passes_a_fresh_folder_and_names_the_first_changed_row(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "sweep")
            self.play(out, "--runs", "5", "--trace-periods")
            r = run("verify", out, "-q")
            self.assertEqual((r.returncode, r.stdout), (0, "verified 10 runs\n"), r.stderr)
            r = run("verify", out, "--sample", "3", "-q")
            self.assertEqual((r.returncode, r.stdout), (0, "verified 3 runs\n"), r.stderr)
            before = self.folder(out)
            # (file, line, field): a woman more on a level, a score changed in its last digit.
            for name, line, field in (("runs.csv", 12, 5), ("trace.csv", 300, 6)):
                path = os.path.join(out, name)
                with open(path) as f:
                    rows = f.read().split("\n")
                fields = rows[line - 1].split(",")
                fields[field] = str(int(fields[field]) + 1) if field == 5 else fields[field] + "1"
                rows[line - 1] = ",".join(fields)
                with open(path, "w") as f:
                    f.write("\n".join(rows))
                r = run("verify", out, "-q")
                self.assertEqual(r.returncode, 1, r.stderr)
                self.assertIn(f"{name} line {line} differs", r.stderr)
                self.assertIn(rows[line - 1], r.stderr)
                with open(path, "wb") as f:
                    f.write(before[name])
            description = os.path.join(out, "experiment.json")
            for old, new, words in (('"complete": true', '"complete": false', "not finished"),
                                    ('"version": "', '"version": "0.0.1-', "another version"),
                                    ('"runs": 10', '"runs": 11', "would write")):
                with open(description, "wb") as f:
                    f.write(before["experiment.json"].replace(old.encode(), new.encode()))
                r = run("verify", out, "-q")
                self.assertEqual(r.returncode, 2, r.stderr)
                self.assertIn(words, r.stderr)
            with open(description, "wb") as f:
                f.write(before["experiment.json"])
            self.assertEqual(self.folder(out), before)  # verify writes nothing

    def test_a_folder_of_something_else_is_refused_and_left_alone(self):
        with tempfile.TemporaryDirectory() as tmp:
            with open(os.path.join(tmp, "notes.txt"), "w") as f:
                f.write("mine")
            r = run(*self.SWEEP, "--runs", "2", "--out", tmp)
            self.assertEqual((r.returncode, os.listdir(tmp)), (2, ["notes.txt"]))
            out = os.path.join(tmp, "sweep")
            self.play(out, "--runs", "2")
            before = self.folder_names(out)
            r = run(*self.SWEEP, "--runs", "3", "--out", out, "--resume")
            self.assertEqual(r.returncode, 2)
            self.assertIn("replications", r.stderr)
            self.assertEqual(self.folder_names(out), before)

    @staticmethod
    def folder_names(out):
        return {n: os.path.getmtime(os.path.join(out, n)) for n in os.listdir(out)}


def snapshot(path):
    """Every entry under path: bytes of files, targets of links, kinds of the rest."""
    result = {}
    for root, dirs, files in os.walk(path):
        for name in dirs + files:
            full = os.path.join(root, name)
            mode = os.lstat(full).st_mode
            if stat.S_ISLNK(mode):
                result[full] = ("link", os.readlink(full))
            elif stat.S_ISREG(mode):
                with open(full, "rb") as f:
                    result[full] = f.read()
            else:
                result[full] = stat.S_IFMT(mode)
    return result


def edit(path, line, column, value):
    """Sets one field of one line (0 is the header) of a CSV file."""
    with open(path) as f:
        lines = f.read().split("\n")
    fields = lines[line].split(",")
    fields[column] = value
    lines[line] = ",".join(fields)
    with open(path, "w") as f:
        f.write("\n".join(lines))


def append(path, text):
    with open(path, "a") as f:
        f.write(text)


def edit_json(path, **changes):
    with open(path) as f:
        data = json.load(f)
    for key, value in changes.items():
        data[key] = value
    with open(path, "w") as f:
        json.dump(data, f, indent=2)


class ExperimentFolders(unittest.TestCase):
    """Folders that resume and merge must not trust: each refused by name,
    nothing changed; and the tools' CSV files always as wide as their headers."""
    SMALL = ["--vary", "turnover=0.2,0.4", "--levels", "6,4,2", "--runs", "3", "--seed", "5",
             "--max-periods", "40", "--trace-periods", "-q"]

    def make(self, out, *extra):
        r = run(*self.SMALL, "--out", out, *extra)
        self.assertEqual(r.returncode, 0, r.stderr)

    # Tampered folders: what is done to the folder, the command, and the message.
    # runs.csv line 1 is level 1 of point 1, replication 1; fields: point,
    # replication, seed, level, size, women, mean_score, periods, finished.
    RESUMED = [
        ("women above the size", lambda d: edit(f"{d}/runs.csv", 3, 5, "999"), [], "999 women"),
        ("a negative size", lambda d: edit(f"{d}/runs.csv", 2, 4, "-7"), [], "size -7"),
        ("negative periods", lambda d: edit(f"{d}/runs.csv", 1, 7, "-72"), [], "-72"),
        ("finished -1", lambda d: edit(f"{d}/runs.csv", 1, 8, "-1"), [], "finished is -1"),
        ("a mean that is no number", lambda d: edit(f"{d}/runs.csv", 1, 6, "inf"), [],
         "mean score"),
        ("a garbage trace row", lambda d: edit(f"{d}/trace.csv", 5, 3, "GARBAGE;rm -rf /"), [],
         "trace.csv' line 6"),
        ("a trace period out of sequence", lambda d: edit(f"{d}/trace.csv", 4, 3, "7"), [],
         "period 7"),
        ("a row after the last run", lambda d: append(f"{d}/runs.csv", "1,1,5,1,6,3,50,40,0\n"),
         [], "after the last run"),
        ("another header", lambda d: edit(f"{d}/runs.csv", 0, 0, "pt"), [], "header"),
        ("another shard", None, ["--shard", "2/2"], "shard"),
        ("runs.csv a link elsewhere", lambda d: (os.remove(f"{d}/runs.csv"),
                                                 os.symlink(f"{d}/../victim", f"{d}/runs.csv")),
         [], "symbolic link"),
        ("runs.csv a FIFO", lambda d: (os.remove(f"{d}/runs.csv"), os.mkfifo(f"{d}/runs.csv")),
         [], "FIFO"),
        ("experiment.json a FIFO", lambda d: (os.remove(f"{d}/experiment.json"),
                                              os.mkfifo(f"{d}/experiment.json")), [], "FIFO"),
    ]
    MERGED = [
        ("shard 0/2", lambda s: edit_json(f"{s[0]}/experiment.json",
                                          shard={"index": 0, "count": 2}), "0/2 cannot be"),
        ("shard 5/2", lambda s: edit_json(f"{s[0]}/experiment.json",
                                          shard={"index": 5, "count": 2}), "5/2 cannot be"),
        ("shard 1/0", lambda s: edit_json(f"{s[0]}/experiment.json",
                                          shard={"index": 1, "count": 0}), "1/0 cannot be"),
        ("another version", lambda s: [edit_json(f"{d}/experiment.json", version="0.9.0")
                                       for d in s], "version"),
        ("women above the size", lambda s: edit(f"{s[1]}/runs.csv", 3, 5, "999"), "999 women"),
        ("an extra row", lambda s: append(f"{s[0]}/runs.csv", "1,1,5,1,6,3,50,40,0\n"),
         "after the last run"),
        ("trailing garbage", lambda s: append(f"{s[1]}/trace.csv", "garbage"), "torn"),
        ("a garbage trace row", lambda s: edit(f"{s[0]}/trace.csv", 5, 3, "GARBAGE;rm -rf /"),
         "trace.csv' line 6"),
        ("runs.csv a FIFO", lambda s: (os.remove(f"{s[0]}/runs.csv"),
                                       os.mkfifo(f"{s[0]}/runs.csv")), "FIFO"),
        ("a shard missing", lambda s: shutil.rmtree(s[1]), "shard 2/2 is missing"),
    ]

    def test_tampered_folders_are_refused_by_name_and_left_as_they_were(self):
        with tempfile.TemporaryDirectory() as tmp:
            whole = os.path.join(tmp, "whole")
            shards = [os.path.join(tmp, f"s{k}") for k in (1, 2)]
            self.make(whole)
            for k, shard in enumerate(shards, 1):
                self.make(shard, "--shard", f"{k}/2")
            for name, tamper, extra, message in self.RESUMED:
                case = os.path.join(tmp, "case")
                shutil.rmtree(case, ignore_errors=True)
                with self.subTest(f"resume: {name}"):
                    shutil.copytree(shards[0] if extra else whole, os.path.join(case, "e"))
                    with open(os.path.join(case, "victim"), "w") as f:
                        f.write("not the program's")
                    if tamper:
                        tamper(os.path.join(case, "e"))
                    before = snapshot(case)
                    r = run(*self.SMALL, "--out", os.path.join(case, "e"), "--resume", *extra)
                    self.assertEqual(r.returncode, 2, r.stderr)
                    self.assertIn(message, r.stderr)
                    self.assertEqual(len(r.stderr.splitlines()), 1, r.stderr)
                    self.assertEqual(snapshot(case), before)
            for name, tamper, message in self.MERGED:
                case = os.path.join(tmp, "case")
                shutil.rmtree(case, ignore_errors=True)
                with self.subTest(f"merge: {name}"):
                    copies = [os.path.join(case, f"s{k}") for k in (1, 2)]
                    for shard, copy in zip(shards, copies):
                        shutil.copytree(shard, copy)
                    tamper(copies)
                    before = snapshot(case)
                    out = os.path.join(case, "merged")
                    r = run("merge", out, *[c for c in copies if os.path.exists(c)])
                    self.assertEqual(r.returncode, 2, r.stderr)
                    self.assertIn(message, r.stderr)
                    self.assertEqual(snapshot(case), before)  # and no OUT left

    def test_a_huge_shard_count_is_answered_at_once(self):
        with tempfile.TemporaryDirectory() as tmp:
            shard = os.path.join(tmp, "s1")
            self.make(shard, "--shard", "1/999999999")
            started = time.time()
            r = run("merge", os.path.join(tmp, "m"), shard)
            self.assertEqual(r.returncode, 2, r.stderr)
            self.assertIn("shard 2/999999999 is missing", r.stderr)
            self.assertLess(time.time() - started, 10)
            self.assertEqual(os.listdir(tmp), ["s1"])

    def test_a_second_writer_is_refused_at_once(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "e")
            args = ["--vary", "turnover=0.01,0.02", "--runs", "100000", "--seed", "1", "-q",
                    "--out", out]
            first = subprocess.Popen([BATCH, *args], stderr=subprocess.DEVNULL)
            rows = os.path.join(out, "runs.csv")
            deadline = time.time() + 20
            while not os.path.exists(rows) and time.time() < deadline:
                time.sleep(0.01)
            for second in ([*args, "--resume"], [*args]):
                with self.subTest(second=second[-1]):
                    r = run(*second)
                    self.assertEqual(r.returncode, 2, r.stderr)
                    self.assertIn("in use", r.stderr)
            first.send_signal(signal.SIGINT)
            self.assertEqual(first.wait(timeout=20), 130)
            with open(rows) as f:
                keys = [tuple(line.split(",")[:4]) for line in f]
            self.assertEqual(len(keys), len(set(keys)))

    def test_a_merge_of_many_shards_is_not_stopped_by_the_soft_descriptor_limit(self):
        import resource
        with tempfile.TemporaryDirectory() as tmp:
            count = 30
            args = ["--vary", "turnover=0.5", "--levels", "2,1", "--runs", str(count), "--seed",
                    "3", "--trace-periods", "-q"]
            shards = [os.path.join(tmp, f"s{k}") for k in range(1, count + 1)]
            for k, shard in enumerate(shards, 1):
                r = run(*args, "--shard", f"{k}/{count}", "--out", shard)
                self.assertEqual(r.returncode, 0, r.stderr)
            hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
            for soft, limit, status in ((40, hard, 0), (40, 40, 1)):
                with self.subTest(soft=soft, hard=limit):
                    out = os.path.join(tmp, f"m{limit}")
                    r = subprocess.run(
                        [BATCH, "merge", out, *shards], stderr=subprocess.PIPE, text=True,
                        timeout=60, preexec_fn=lambda: resource.setrlimit(
                            resource.RLIMIT_NOFILE, (soft, limit)))
                    self.assertEqual(r.returncode, status, r.stderr)
                    if status:
                        self.assertIn("Too many open files", r.stderr)
                        self.assertFalse(os.path.exists(out))

    def test_every_csv_is_as_wide_as_its_header_missing_values_included(self):
        with tempfile.TemporaryDirectory() as tmp:
            texts = {}
            # --max-periods 2: no run finishes, so the periods' fields are empty.
            cut = ["--runs", "3", "--max-periods", "2", "--seed", "1", "-q"]
            r = run(*cut, "--format", "csv", "--trace", os.path.join(tmp, "trace.csv"))
            texts["batch summary"] = r.stdout
            texts["batch summary of one run"] = run("--runs", "1", "--seed", "2", "--format",
                                                    "csv", "-q").stdout
            texts["sweep summary"] = run(*cut, "--vary", "turnover=0.1,0.15").stdout
            run(*cut, "--vary", "turnover=0.1,0.15", "--trace-periods", "--out",
                os.path.join(tmp, "e"))
            run(*cut, "--out", os.path.join(tmp, "one"))
            for path in ["trace.csv", "e/points.csv", "e/runs.csv", "e/trace.csv",
                         "e/summary.csv", "one/summary.csv", "one/points.csv", "one/runs.csv"]:
                with open(os.path.join(tmp, path)) as f:
                    texts[path] = f.read()
            for name, text in texts.items():
                with self.subTest(name):
                    rows = list(csv.reader(io.StringIO(text)))
                    self.assertGreater(len(rows), 1)
                    self.assertEqual({len(row) for row in rows}, {len(rows[0])})
                    if "summary" in name:
                        self.assertIn("", rows[1], "a missing value is an empty field")

    def test_an_experiment_of_one_point_is_written_whole(self):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "Y")
            r = run("--runs", "2", "--seed", "9", "--out", out, "-q")
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(os.path.join(out, "experiment.json")) as f:
                self.assertTrue(json.load(f)["complete"])
            svg = ET.parse(os.path.join(out, "plot.svg")).getroot()
            self.assertEqual(len(svg.findall(f".//{SVG}circle")), 8)
            self.assertEqual(len(svg.findall(f".//{SVG}line[@class='interval']")), 8)
            self.assertEqual(run("--runs", "2", "--seed", "9", "--out", out, "--resume",
                                 "-q").returncode, 0)

    def test_a_sweep_summary_in_json_has_a_row_per_point_and_level(self):
        r = run("--vary", "turnover=0.1,0.15", "--runs", "3", "--max-periods", "2", "--seed", "1",
                "--format", "json", "-q")
        self.assertEqual(r.returncode, 0, r.stderr)
        rows = json.loads(r.stdout)
        self.assertEqual([(row["point"], row["level"]) for row in rows],
                         [(p, k) for p in (1, 2) for k in range(1, 9)])
        self.assertIsNone(rows[0]["periods_mean"])
        self.assertEqual(rows[0]["runs_cut_off"], 3)
        self.assertEqual(rows[0]["levels"], "500,350,200,150,100,74,40,10")

    def test_a_dangling_link_as_out_is_named_so(self):
        with tempfile.TemporaryDirectory() as tmp:
            link = os.path.join(tmp, "dangl")
            os.symlink(os.path.join(tmp, "nowhere"), link)
            r = run("--runs", "1", "--seed", "1", "--out", link, "-q")
            self.assertEqual(r.returncode, 2, r.stderr)
            self.assertIn("dangling", r.stderr)
            self.assertEqual(os.listdir(tmp), ["dangl"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
