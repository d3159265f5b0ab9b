#!/usr/bin/env bash
# Times the Python package against velmora-batch on a build with
# -DVELMORA_PYTHON=ON: the same batch through both, in alternating pairs
# (the machine is shared, so the median of the pairs' ratios counts); the
# import; building the data frames of a batch; and the peak memory of
# sweep(out=...) at two sizes, which must be about the same.
#   scripts/bench-python.sh [build-dir] [runs] [pairs] [sweep-runs]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-py}
runs=${2:-10000}
pairs=${3:-7}
sweep_runs=${4:-200000}
python=/usr/bin/python3
batch=$build/batch/velmora-batch
export PYTHONPATH=$PWD/$build/python
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# "wall cpu" seconds of one command (cpu: user + system, less hurt by the
# other load of a shared machine).
seconds() { /usr/bin/time -f '%e %U %S' "$@" 2>&1 >/dev/null | tail -1 | awk '{print $1, $2 + $3}'; }
median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
peak_kib() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }

echo "$runs runs, 2 threads, $pairs alternating pairs, load $(cut -d' ' -f1-3 /proc/loadavg)"
wall=() cpu=()
for ((i = 1; i <= pairs; i++)); do
    read -r cw cc < <(seconds "$batch" --runs "$runs" --seed "$i" --threads 2 -q --format csv)
    read -r pw pc < <(seconds "$python" -c "import velmora; velmora.run(runs=$runs, seed=$i, threads=2, progress=False)")
    read -r iw ic < <(seconds "$python" -c "import velmora, pandas")
    wall+=("$(echo "($pw - $iw) / $cw" | bc -l)")
    cpu+=("$(echo "($pc - $ic) / $cc" | bc -l)")
    printf 'pair %d: velmora-batch %s s wall %s s cpu; velmora.run %s s wall %s s cpu, less import %s s wall %s s cpu\n' \
        "$i" "$cw" "$cc" "$pw" "$pc" "$iw" "$ic"
done
printf 'median ratio velmora.run / velmora-batch: wall %.3f, cpu %.3f\n' \
    "$(printf '%s\n' "${wall[@]}" | median)" "$(printf '%s\n' "${cpu[@]}" | median)"

"$python" - "$runs" <<'PY'
import sys, time
t = time.perf_counter()
import velmora
print(f"import velmora: {1000 * (time.perf_counter() - t):.1f} ms")
from velmora import _core, _results
import pandas  # its import is not the frames' cost
runs = int(sys.argv[1])
played = _core.play_batch(factors={}, runs=runs, seed=1, threads=2, trace=False, progress=None)
t = time.perf_counter()
frame = _results.runs_frame(played["runs"])
summary = _results.csv_frame(played["summary_csv"])
print(f"data frames of {runs} runs ({len(frame)} rows): {1000 * (time.perf_counter() - t):.1f} ms")
PY

for n in $((sweep_runs / 10)) "$sweep_runs"; do
    rm -rf "$work/out"
    kib=$(peak_kib "$python" -c "import velmora; velmora.sweep(vary={'bias_points': [0, 2]}, runs=$((n / 2)), seed=1, threads=2, progress=False, out='$work/out')")
    echo "sweep(out=...) of $n runs: peak $((kib / 1024)) MiB, runs.csv $(($(stat -c %s "$work/out/runs.csv") / 1048576)) MiB"
done
