#!/usr/bin/env bash
# Peak memory of velmora-batch on long runs (--turnover 1e-6: every run is
# cut off at 100,000 periods) with the plot, and with the plot and a trace,
# for 1 to 32 threads; then an experiment of 100,000 points (100 x 1,000, two
# runs each, cut off after 3 periods) into a folder. Fails when a peak passes
# the limit.
#   scripts/memory-batch.sh [build-dir] [limit-MiB]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
limit=${2:-100}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_GUI=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmora-batch >/dev/null
batch="$build/batch/velmora-batch"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "velmora-batch, --turnover 1e-6 (runs of 100,000 periods), $(nproc) cores"
printf '%-8s %-6s %-12s %10s %10s\n' threads runs outputs seconds 'peak MiB'
status=0
for threads in 1 2 8 32; do
    runs=$((threads > 4 ? threads : 4))
    for outputs in plot plot+trace; do
        args=(--seed 1 --runs "$runs" --threads "$threads" --turnover 1e-6 --quiet
              --plot "$work/plot.svg")
        [ "$outputs" = plot+trace ] && args+=(--trace /dev/null)
        /usr/bin/time -f '%e %M' -o "$work/time.txt" "$batch" "${args[@]}" >/dev/null
        read -r seconds kb <"$work/time.txt"
        mib=$((kb / 1024))
        printf '%-8s %-6s %-12s %10s %10s\n' "$threads" "$runs" "$outputs" "$seconds" "$mib"
        [ "$mib" -le "$limit" ] || status=1
    done
done

# What an experiment holds per point is small: its summary's running sums.
echo
echo "velmora-batch --out, 100,000 points x 2 runs"
/usr/bin/time -f '%e %M' -o "$work/time.txt" "$batch" --vary bias-points=0:99:1 \
    --vary score-sd-men=1:1000:1 --runs 2 --seed 1 --max-periods 3 --quiet --out "$work/sweep"
read -r seconds kb <"$work/time.txt"
mib=$((kb / 1024))
printf '%-8s %10s %10s\n' points seconds 'peak MiB'
printf '%-8s %10s %10s\n' 100000 "$seconds" "$mib"
[ "$mib" -le "$limit" ] || status=1
[ "$status" -eq 0 ] || echo "peak memory above $limit MiB" >&2
exit "$status"
