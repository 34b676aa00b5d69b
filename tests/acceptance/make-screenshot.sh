#!/usr/bin/env bash
# Regenerates docs/screenshot.png, the README's picture: the installed workbench on a private X server (Xvfb), with
# some example code typed, compiled and evaluated, cropped to the window.
#   tests/acceptance/make-screenshot.sh [BUILD_DIR]     (default: ./build; it must have been built)
# Needs Xvfb, xdotool and import (packages xvfb, xdotool, imagemagick).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
out=$repo/docs/screenshot.png

for tool in Xvfb xdotool import cmake; do
    command -v "$tool" >/dev/null || { echo "make-screenshot: $tool is missing" >&2; exit 1; }
done

scratch=$(mktemp -d)
xvfb_pid= app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# Installed as a user installs it (the build tree's install manifest is put back afterwards).
cmake -DBUILD_DIR="$build" -DPREFIX="$scratch/prefix" -P "$here/InstallPrefix.cmake" >/dev/null

# Xvfb picks a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$scratch/display" ] && break
    sleep 0.1
done
[ -s "$scratch/display" ] || { echo "make-screenshot: Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$scratch/display")

mkdir -p "$scratch/work" "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
(cd "$scratch/work" && QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= XDG_CONFIG_HOME="$scratch/config" \
    XDG_RUNTIME_DIR="$scratch/runtime" exec "$scratch/prefix/bin/velmora") >"$scratch/app.log" 2>&1 &
app_pid=$!

window_named() { # NAME -> window id of the program with exactly this name, if shown
    local w
    for w in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
        [ "$(xdotool getwindowname "$w")" = "$1" ] && { echo "$w"; return 0; }
    done
    return 1
}
wait_window() { # NAME -> id, waiting up to 15 s
    local w
    for _ in $(seq 150); do
        w=$(window_named "$1") && { echo "$w"; return 0; }
        sleep 0.1
    done
    echo "make-screenshot: no window \"$1\"" >&2
    cat "$scratch/app.log" >&2
    return 1
}

main=$(wait_window "Velmora v0.1")
xdotool windowfocus --sync "$main"
xdotool mousemove --window "$main" 650 120 click 1

# The editor indents by itself: type each line without its leading tabs; Escape closes a completion list.
code=$'function fib(n) {\n\tvar a = 0, b = 1;\n\tfor (var i = 0; i < n; i++) {\n\t\tvar t = a + b;\n\t\ta = b;\n\t\tb = t;\n\t}\n\treturn a;\n}\n\nfor (var k = 5; k <= 15; k += 5)\n\tconsole.log("fib(" + k + ") = " + fib(k));\n'
while IFS= read -r line; do
    line=${line#"${line%%[!$'\t']*}"}
    if [ -n "$line" ]; then
        xdotool type --delay 15 -- "$line"
        xdotool key Escape
    fi
    xdotool key Return
done <<<"${code%$'\n'}"

xdotool key ctrl+b
sleep 1
xdotool key ctrl+r
dialog=$(wait_window "计算表达式")
xdotool windowfocus --sync "$dialog"
xdotool type --delay 15 "fib(30)"
xdotool key Return
sleep 1
# Close the expression dialog so that it does not hide the code.
xdotool key Escape
sleep 1

eval "$(xdotool getwindowgeometry --shell "$main")"
mkdir -p "$(dirname "$out")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "png:$out"
echo "wrote $out (${WIDTH}x${HEIGHT})"
