#!/usr/bin/env bash
# Runs the benchmark suite from a build directory and prints its table. The formatting corpus (real library files
# at pinned releases) is fetched with npm into the build tree on the first run and kept there.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${1:?usage: bench/run.sh BUILD_DIR [--quick] [--only CASE,...] [--corpus-runs N]}
shift
list="$build/bench/corpus.list"
"$here/fetch-corpus.sh" "$build/bench/corpus" >"$list" || true
exec "$build/bench/velmora_bench" --corpus "$list" "$@"
