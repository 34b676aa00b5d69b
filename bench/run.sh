#!/usr/bin/env bash
# Runs the benchmark suite from a build directory and prints its table.
set -euo pipefail
build=${1:?usage: bench/run.sh BUILD_DIR [--quick]}
shift
exec "$build/bench/velmora_bench" "$@"
