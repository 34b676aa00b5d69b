#!/usr/bin/env bash
# What 'cmake --install' lays down, checked in a scratch root: exactly the program and its desktop files, in the
# standard places, and passing desktop-file-validate and appstreamcli.
#   check_install.sh BUILD_DIR APP_ID VERSION
set -euo pipefail
build=$1 id=$2 version=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/lib.sh"
need_tools cmake:cmake desktop-file-validate:desktop-file-utils appstreamcli:appstream rsvg-convert:librsvg2-bin \
    convert:imagemagick

scratch=$(mktemp -d)
keep_manifest "$build"
trap 'restore_manifest; rm -rf "$scratch"' EXIT

if ! DESTDIR="$scratch/root" cmake --install "$build" --prefix /usr >"$scratch/install.log" 2>&1; then
    cat "$scratch/install.log"
    echo "FAIL: cmake --install failed"
    exit 1
fi

installed=$(files_under "$scratch/root/usr")
if [ "$installed" = "$(expected_files "$id")" ]; then
    ok "installs exactly: $(echo $installed)"
else
    bad "installed files differ from the expected ones:"$'\n'"$(diff <(expected_files "$id") <(echo "$installed") || true)"
fi
expect "installed program is executable" test -x "$scratch/root/usr/bin/velmora"
# Only the prefix may be used: nothing may land outside it.
expect "nothing is installed outside the prefix" test "$(ls -A "$scratch/root")" = usr

check_desktop_files "$scratch/root/usr" "$id" "$version"
finish
