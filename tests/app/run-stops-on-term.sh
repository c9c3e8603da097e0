#!/usr/bin/env bash
# ./run forwards TERM to the app and the demo service and waits for both:
# nothing it started outlives it.
set -euo pipefail
source_dir=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$source_dir/run" --no-build --port 0 --headless -- --realtime --quit-after 120 --data-dir "$scratch/data" \
    >"$scratch/out" 2>&1 &
run_pid=$!
for _ in $(seq 1 200); do
    grep -q "demo ad service at" "$scratch/out" 2>/dev/null && break
    sleep 0.05
done
sleep 0.5
children=$(pgrep -P "$run_pid" || true)
[[ -n "$children" ]] || { echo "no children of ./run"; cat "$scratch/out"; exit 1; }
kill -TERM "$run_pid"
status=0
wait "$run_pid" || status=$?
[[ $status -eq 143 ]] || { echo "./run ended with $status, not 143"; cat "$scratch/out"; exit 1; }
for pid in $children; do
    if kill -0 "$pid" 2>/dev/null; then
        echo "process $pid outlived ./run"
        exit 1
    fi
done
echo "./run and its $(echo $children | wc -w) children stopped"
