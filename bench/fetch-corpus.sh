#!/usr/bin/env bash
# Fetches the formatting corpus, real library files at pinned releases, with `npm pack` into DIR (in the build
# tree, never in the repository) and prints one line per file: its path. Packages already fetched are not fetched
# again. A package that cannot be fetched is reported on standard error and its files are left out.
set -uo pipefail
dir=${1:?usage: bench/fetch-corpus.sh DIR}
mkdir -p "$dir" && dir=$(cd "$dir" && pwd) || exit 1

# package@version and the files taken from it (paths inside the package).
corpus=(
    "lodash@4.17.21 lodash.js lodash.min.js"
    "jquery@3.7.1 dist/jquery.js dist/jquery.min.js"
    "vue@2.7.16 dist/vue.js dist/vue.min.js"
    "react@17.0.2 umd/react.development.js"
    "d3@7.8.5 dist/d3.js"
    "chart.js@2.9.4 dist/Chart.js"
    "moment@2.29.4 moment.js min/moment.min.js"
    "underscore@1.13.6 underscore.js"
    "backbone@1.4.1 backbone.js"
    "handlebars@4.7.8 dist/handlebars.js"
)

for entry in "${corpus[@]}"; do
    read -r spec files <<<"$entry"
    name=${spec%@*}
    version=${spec##*@}
    target="$dir/$name-$version"
    if [ ! -f "$target/.complete" ]; then
        rm -rf "$target" && mkdir -p "$target"
        if ! (cd "$target" && npm pack "$spec" --silent --no-audit --no-fund >/dev/null 2>"$target/npm.log"); then
            echo "[corpus] cannot fetch $spec (see $target/npm.log)" >&2
            continue
        fi
        tarball=$(ls "$target"/*.tgz 2>/dev/null | head -n 1)
        members=()
        for file in $files; do members+=("package/$file"); done
        if [ -z "$tarball" ] || ! tar -xzf "$tarball" -C "$target" "${members[@]}"; then
            echo "[corpus] $spec lacks one of: $files" >&2
            continue
        fi
        rm -f "$tarball"
        touch "$target/.complete"
    fi
    for file in $files; do
        echo "$target/package/$file"
    done
done
