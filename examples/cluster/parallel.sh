#!/usr/bin/env bash
# The same sweep on one large machine with GNU parallel: one shard per job,
# a few threads each, then the merge.   bash parallel.sh
set -euo pipefail
shards=${SHARDS:-8}
sweep=(--vary bias-points=0:6:0.25 --vary turnover=0.05,0.1,0.15,0.2 --runs 2000 --seed 1)
seq "$shards" | parallel --jobs "$shards" --halt now,fail=1 \
    velmora-batch "${sweep[@]}" --threads 2 -q --shard {}/"$shards" --out shards/{} --resume
velmora-batch merge sweep shards/*
echo "results in ./sweep"
