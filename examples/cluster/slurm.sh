#!/usr/bin/env bash
# A sweep on a SLURM cluster: one shard per array task, then one merge job
# that waits for the whole array. Submit from a folder on a shared file
# system:   bash slurm.sh
# Each task writes its own folder; the merge checks that every shard is
# there once and finished, and writes what one process would have written.
set -euo pipefail
shards=${SHARDS:-16}
sweep=(--vary bias-points=0:6:0.25 --vary turnover=0.05,0.1,0.15,0.2 --runs 2000 --seed 1)

array=$(sbatch --parsable --array=1-"$shards" --cpus-per-task=4 --time=01:00:00 \
    --job-name=velmora-shard --wrap \
    "velmora-batch ${sweep[*]} --threads 4 -q --shard \$SLURM_ARRAY_TASK_ID/$shards \
     --out shards/\$SLURM_ARRAY_TASK_ID --resume")
sbatch --dependency=afterok:"$array" --job-name=velmora-merge --time=00:20:00 --wrap \
    "velmora-batch merge sweep shards/*"
echo "submitted array $array and its merge; results in ./sweep"
# A task that was stopped (time limit, node failure) can be sent again as
# it is: --resume keeps the runs it had finished.
