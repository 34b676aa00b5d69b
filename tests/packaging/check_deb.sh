#!/usr/bin/env bash
# Builds the .deb with CPack into a scratch directory, then checks its control fields, that its Depends are exactly
# the Debian packages owning the libraries the program links, its file list, and that the unpacked program's
# libraries all resolve.
#   check_deb.sh BUILD_DIR APP_ID VERSION CPACK
set -euo pipefail
build=$1 id=$2 version=$3 cpack=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/lib.sh"
# cpack's DEB generator runs file (to find the ELF files), strip and dpkg-shlibdeps.
need_tools dpkg:dpkg dpkg-deb:dpkg dpkg-shlibdeps:dpkg-dev file:file strip:binutils readelf:binutils ldd:libc-bin \
    desktop-file-validate:desktop-file-utils appstreamcli:appstream rsvg-convert:librsvg2-bin convert:imagemagick

scratch=$(mktemp -d)
keep_manifest "$build"
trap 'restore_manifest; rm -rf "$scratch"' EXIT

if ! (cd "$build" && "$cpack" -G DEB -B "$scratch/out") >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log"
    echo "FAIL: cpack -G DEB failed"
    exit 1
fi
arch=$(dpkg --print-architecture)
deb="$scratch/out/velmora_${version}_${arch}.deb"
if [ ! -f "$deb" ]; then
    ls -l "$scratch/out"
    echo "FAIL: cpack did not write $(basename "$deb")"
    exit 1
fi
ok "built $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
expect "Package: velmora" test "$(field Package)" = velmora
expect "Version: $version" test "$(field Version)" = "$version"
expect "Architecture: $arch" test "$(field Architecture)" = "$arch"
expect "Maintainer: Velmora developers" test "$(field Maintainer)" = "Velmora developers"
expect "Section: devel" test "$(field Section)" = devel
expect "Description has a summary and a long text" \
    test -n "$(field Description | head -n 1)" -a "$(field Description | wc -l)" -ge 2
expect "no maintainer scripts (dpkg triggers refresh menus and icon caches)" \
    test -z "$(dpkg-deb -I "$deb" | grep -E '^ +[0-9]+ bytes, +[0-9]+ lines +\*? *(pre|post)(inst|rm)' || true)"

# File list: exactly the program and the desktop files, under /usr.
listed=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | LC_ALL=C sort)
if [ "$listed" = "$(expected_files "$id")" ]; then
    ok "package holds exactly: $(echo $listed)"
else
    bad "package files differ from the expected ones:"$'\n'"$(diff <(expected_files "$id") <(echo "$listed") || true)"
fi

root="$scratch/root"
dpkg -x "$deb" "$root"
bin="$root/usr/bin/velmora"
expect "dpkg -x unpacks an executable usr/bin/velmora" test -x "$bin"
expect "packaged program is stripped" test -z "$(readelf -S "$bin" | grep -E '\.(debug_info|symtab)\b' || true)"
ldd_out=$(ldd "$bin" 2>&1) && ldd_rc=0 || ldd_rc=$?
if [ "$ldd_rc" -eq 0 ] && ! grep -q 'not found' <<<"$ldd_out"; then
    ok "ldd resolves every library of the unpacked program"
else
    bad "ldd on the unpacked program:"$'\n'"$ldd_out"
fi
check_desktop_files "$root/usr" "$id" "$version"

# Depends, one entry per line as "name name-of-alternative ...", versions dropped.
depends=$(field Depends | tr ',' '\n' | sed 's/([^)]*)//g; s/|/ /g; s/  */ /g; s/^ //; s/ $//' | grep -v '^$' || true)
depends_names=$(tr ' ' '\n' <<<"$depends" | grep -v '^$' || true)
for pkg in libqt5core5a libqt5gui5 libqt5widgets5 libqt5qml5 libqt5xml5; do
    expect "Depends names $pkg" grep -qx "$pkg" <<<"$depends_names"
done
expect "Depends names the QScintilla runtime (libqscintilla2-qt5-N)" grep -Eqx 'libqscintilla2-qt5-[0-9]+' <<<"$depends_names"
expect "Depends names the ICU runtime (libicuN) the scripts' Intl uses" grep -Eqx 'libicu[0-9]+' <<<"$depends_names"
expect "Depends names no development or debug package" \
    test -z "$(grep -E -- '-(dev|dbg|dbgsym)$' <<<"$depends_names" || true)"
expect "Depends lists no package twice" test -z "$(sort <<<"$depends_names" | uniq -d)"

# The package owning each library the program links directly, found through the path ldd resolved it to. On a
# merged-/usr system dpkg may know the file by its /lib or its /usr/lib name, so both are tried.
owner_of() {
    local path=$1 real candidates=() p out
    real=$(readlink -f "$path")
    for p in "$path" "$real"; do
        candidates+=("$p")
        case "$p" in
            /usr/lib/*) candidates+=("${p#/usr}") ;;
            /lib/*) candidates+=("/usr$p") ;;
        esac
    done
    for p in "${candidates[@]}"; do
        if out=$(dpkg -S "$p" 2>/dev/null); then
            sed 's/: .*//; s/, /\n/g; s/:[a-z0-9_-]*$//' <<<"$out" | sed 's/:[a-z0-9_-]*$//'
            return 0
        fi
    done
    return 1
}
owners=
for soname in $(readelf -d "$bin" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(awk -v so="$soname" '$1 == so && $2 == "=>" {print $3}' <<<"$ldd_out")
    if [ -z "$path" ] || ! owner=$(owner_of "$path"); then
        bad "no Debian package owns $soname (${path:-unresolved})"
        continue
    fi
    owners+="$owner"$'\n'
    if grep -qx -F -f <(echo "$owner") <<<"$depends_names"; then
        ok "$soname is provided by a dependency ($(echo $owner))"
    else
        bad "$soname comes from $(echo $owner), which Depends does not name"
    fi
done
# Conversely every dependency must be there for a linked library; an alternative (such as the GLES build of Qt GUI)
# is fine when one of its choices is. A virtual package that an owner provides counts as that owner: the program
# uses the script engine's private interface, so it depends on the exact engine ABI (qtdeclarative-abi-X-Y-Z),
# which the Qml library's package provides.
provided=$(for owner in $(sort -u <<<"$owners"); do
    dpkg-query -W -f='${Provides}\n' "$owner" 2>/dev/null | tr ',' '\n' | sed 's/([^)]*)//; s/^ *//; s/ *$//'
done | grep -v '^$' || true)
while read -r group; do
    [ -n "$group" ] || continue
    found=
    for name in $group; do
        grep -qx -F "$name" <<<"$owners" && found=$name
        grep -qx -F "$name" <<<"$provided" && found=$name
    done
    expect "dependency '$group' provides a library the program links" test -n "$found"
done <<<"$depends"

finish
