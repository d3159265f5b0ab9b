#!/usr/bin/env bash
# Times whole velmora-batch commands on a Release build: runs per second with
# 1 and 2 threads, with and without a trace, and the peak memory of each, for
# each form given, then checks the rates wanted with 2 threads and no trace.
#   scripts/bench-batch.sh [build-dir] [runs] [repeats] [forms]
# forms: "pyramid rectangle" (the default), or either one.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
runs=${2:-5000}
repeats=${3:-3}
forms=${4:-pyramid rectangle}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora-batch >/dev/null
batch="$build/batch/velmora-batch"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints "wall-seconds peak-kilobytes" of one command, from GNU time.
measure() {
    /usr/bin/time -v "$@" >/dev/null 2>"$work/time.txt"
    awk -F': ' '
        /Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + t[i] }
        /Maximum resident set size/ { kb = $2 }
        END { printf "%.3f %d\n", s, kb }' "$work/time.txt"
}

# Runs per second wanted with 2 threads, default factors, no trace.
declare -A wanted=([pyramid]=3500 [rectangle]=3000)
missed=0
for form in $forms; do
    echo "velmora-batch, $runs $form runs (default factors), best of $repeats, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
    printf '%-8s %-7s %10s %10s %12s\n' threads trace seconds 'runs/s' 'peak MiB'
    for threads in 1 2; do
        for trace in no yes; do
            args=(--form "$form" --seed 1 --runs "$runs" --threads "$threads" --quiet --format csv)
            [ "$trace" = yes ] && args+=(--trace "$work/trace.csv")
            best=""
            peak=0
            for _ in $(seq "$repeats"); do
                read -r seconds kb < <(measure "$batch" "${args[@]}")
                if [ -z "$best" ] || awk -v a="$seconds" -v b="$best" 'BEGIN { exit !(a < b) }'; then
                    best=$seconds
                fi
                [ "$kb" -gt "$peak" ] && peak=$kb
            done
            awk -v t="$threads" -v tr="$trace" -v s="$best" -v n="$runs" -v kb="$peak" \
                'BEGIN { printf "%-8s %-7s %10.3f %10.0f %12.1f\n", t, tr, s, n / s, kb / 1024 }'
            if [ "$threads" = 2 ] && [ "$trace" = no ] &&
                awk -v s="$best" -v n="$runs" -v w="${wanted[$form]}" 'BEGIN { exit !(n / s < w) }'; then
                echo "  below the ${wanted[$form]} runs/s wanted with 2 threads"
                missed=1
            fi
        done
    done
done

if command -v hyperfine >/dev/null; then
    hyperfine --warmup 1 --runs "$repeats" \
        "$batch --seed 1 --runs $runs --threads 1 --quiet" \
        "$batch --seed 1 --runs $runs --threads 2 --quiet"
fi
exit "$missed"
