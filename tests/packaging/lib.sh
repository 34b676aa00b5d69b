# Shared helpers for the packaging checks; sourced, not run. Callers set $scratch to a directory they remove.

failures=0
ok() { printf 'ok:   %s\n' "$*"; }
bad() { printf 'FAIL: %s\n' "$*"; failures=$((failures + 1)); }
# expect DESCRIPTION COMMAND...: records a failure instead of stopping, so one run shows every problem.
expect() {
    local what=$1; shift
    if "$@"; then ok "$what"; else bad "$what"; fi
}
finish() {
    if [ "$failures" -ne 0 ]; then
        printf '%d check(s) failed\n' "$failures"
        exit 1
    fi
    echo "all checks passed"
}

# need_tools TOOL:PACKAGE...: stops at the first missing tool with one line naming the Debian package that has it,
# rather than letting a later check fail for a reason that does not say so.
need_tools() {
    local pair
    for pair in "$@"; do
        command -v "${pair%%:*}" >/dev/null \
            || { echo "FAIL: ${pair%%:*} is not installed: install ${pair#*:} (./velmora.sh test does)"; exit 1; }
    done
}

# Installing or packaging rewrites the build tree's install_manifest.txt with the scratch install's file list. Keep the
# user's own (it is what uninstalling a real 'cmake --install' relies on) and put it back afterwards.
keep_manifest() {
    manifest="$1/install_manifest.txt"
    manifest_saved=
    if [ -f "$manifest" ]; then
        manifest_saved=$(mktemp)
        cp -p "$manifest" "$manifest_saved"
    fi
}
restore_manifest() {
    if [ -n "${manifest_saved:-}" ]; then
        mv -f "$manifest_saved" "$manifest"
    else
        rm -f "$manifest"
    fi
}

# The files every install must hold, relative to the prefix, sorted.
expected_files() {
    local id=$1
    printf '%s\n' \
        bin/velmora \
        libexec/velmora/esbuild \
        "share/applications/$id.desktop" \
        "share/icons/hicolor/scalable/apps/$id.svg" \
        "share/metainfo/$id.metainfo.xml" | LC_ALL=C sort
}

# Regular files (and symlinks) under DIR, relative to it, sorted.
files_under() {
    (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort)
}

# Value of KEY in the [Desktop Entry] group of FILE (untranslated).
desktop_key() {
    sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1" | head -n 1
}

# Checks the desktop entry, icon and AppStream file installed under PREFIX_DIR (the directory standing for the
# prefix, e.g. <root>/usr) against each other and against the validators.
check_desktop_files() {
    local prefix_dir=$1 id=$2 version=$3
    local desktop="$prefix_dir/share/applications/$id.desktop"
    local icon="$prefix_dir/share/icons/hicolor/scalable/apps/$id.svg"
    local metainfo="$prefix_dir/share/metainfo/$id.metainfo.xml"
    local out

    # Warnings and hints count as failures too: a clean file prints nothing.
    if out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; then
        ok "desktop-file-validate $(basename "$desktop")"
    else
        bad "desktop-file-validate $(basename "$desktop"): ${out:-non-zero exit}"
    fi
    if out=$(appstreamcli validate --no-net "$metainfo" 2>&1); then
        ok "appstreamcli validate --no-net $(basename "$metainfo")"
    else
        bad "appstreamcli validate --no-net $(basename "$metainfo"):"$'\n'"$out"
    fi

    local exec_cmd
    exec_cmd=$(desktop_key "$desktop" Exec | awk '{print $1}')
    expect "desktop entry runs the installed program (Exec=$exec_cmd)" \
        test "$exec_cmd" = velmora -a -x "$prefix_dir/bin/$exec_cmd"
    expect "desktop entry names the installed icon (Icon=$(desktop_key "$desktop" Icon))" \
        test "$(desktop_key "$desktop" Icon)" = "$id"
    expect "desktop entry says Name=Velmora" test "$(desktop_key "$desktop" Name)" = Velmora
    expect "desktop entry does not need a terminal" test "$(desktop_key "$desktop" Terminal)" = false
    expect "desktop entry is in Development;IDE;" \
        grep -Eq '^Categories=(.*;)?Development;(.*;)?IDE;' "$desktop"

    expect "metainfo component id is $id" grep -q "<id>$id</id>" "$metainfo"
    expect "metainfo is a desktop-application" grep -q '<component type="desktop-application">' "$metainfo"
    expect "metainfo launches $id.desktop" \
        grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"
    expect "metainfo project licence is MIT" grep -q '<project_license>MIT</project_license>' "$metainfo"
    expect "metainfo metadata licence is CC0-1.0" grep -q '<metadata_license>CC0-1.0</metadata_license>' "$metainfo"
    # The newest release listed first must be the version being built, so a version bump needs a release entry.
    local newest
    newest=$(grep -o '<release [^>]*version="[^"]*"' "$metainfo" | head -n 1 | sed 's/.*version="//; s/"$//')
    expect "metainfo's newest release is $version (found '${newest}')" test "$newest" = "$version"

    # The icon must be a square SVG that renders, and still shows its artwork when drawn at menu size. librsvg draws
    # it, as GTK desktops do; ImageMagick only measures the pictures, so it needs no SVG coder of its own.
    # ImageMagick may leave files in its temporary directory: keep them in the caller's scratch space.
    export MAGICK_TEMPORARY_PATH="$scratch/magick"
    mkdir -p "$MAGICK_TEMPORARY_PATH"
    expect "icon is an SVG document" grep -q '<svg[^>]*xmlns="http://www.w3.org/2000/svg"' "$icon"
    local size= colours=0
    if rsvg-convert "$icon" -o "$scratch/icon.png" 2>/dev/null; then
        size=$(convert "$scratch/icon.png" -format '%wx%h' info: 2>/dev/null || true)
    fi
    expect "icon renders and is square (${size:-does not render})" \
        test -n "$size" -a "${size%x*}" = "${size#*x}"
    if rsvg-convert -w 16 -h 16 "$icon" -o "$scratch/icon-16.png" 2>/dev/null; then
        colours=$(convert "$scratch/icon-16.png" -background white -alpha remove -format '%k' info: 2>/dev/null || echo 0)
    fi
    expect "icon at 16 px is not blank ($colours colours)" test "$colours" -ge 8
}
