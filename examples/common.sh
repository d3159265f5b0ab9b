# Shared by the examples: which velmora-batch to run, and where results go.
# VELMORA_BATCH names the program (default: the installed one, else this
# checkout's Release build); the first argument names the results folder.
batch=${VELMORA_BATCH:-$(command -v velmora-batch || echo "$(dirname "$0")/../build-release/batch/velmora-batch")}
results=${1:-results}
mkdir -p "$results"
