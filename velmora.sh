#!/usr/bin/env bash
# Velmora's one entry point. Installs whatever is missing (Debian packages, the npm dependencies), builds, and then
#   ./velmora.sh run     starts the workbench
#   ./velmora.sh test    builds and runs every test headless (plus the sanitizer build of the unit tests)
#   ./velmora.sh bench   builds and runs the benchmark suite and prints its table
#   ./velmora.sh build   only installs and builds
# It is idempotent: with everything in place it only rebuilds what changed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=${VELMORA_BUILD_DIR:-$here/build}
asan_build=${VELMORA_ASAN_BUILD_DIR:-$here/build-asan}
jobs=$(nproc 2>/dev/null || echo 2)

# What building and running needs, and what the tests and benchmarks need on top. Packages are installed without
# their recommendations, so everything a test calls is named here, not left to a recommendation to bring.
#   qtbase5-private-dev, qtdeclarative5-private-dev   Qt's private headers (the engine's own JavaScript parser)
#   qttranslations5-l10n                              Qt's Chinese texts for its standard dialogs, at run time
#   fonts-droid-fallback                              the CJK font the Chinese interface is drawn with
#   libx11-dev                                        every build compiles the tests; the real-window driver links Xlib
#   libicu-dev                                        ICU's headers: the scripts' Intl and locale methods are built on it
#   xvfb xauth xdotool x11-utils imagemagick          real-window tests: X server, input, xwininfo/xprop, import
#   librsvg2-bin                                      rsvg-convert: the packaging checks render the icon with it
#   desktop-file-utils appstream dpkg-dev file        packaging checks: validators, dpkg-shlibdeps, cpack's ELF probe
base_packages=(g++ cmake ninja-build qtbase5-dev qtbase5-private-dev qtdeclarative5-dev qtdeclarative5-private-dev
               libqt5xml5 libqscintilla2-qt5-dev qttranslations5-l10n fonts-droid-fallback libx11-dev libicu-dev)
test_packages=(xvfb xauth xdotool x11-utils imagemagick librsvg2-bin desktop-file-utils appstream dpkg-dev file)

say() { printf '[velmora] %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing Debian packages: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_npm() {
    # Skip npm when the pinned release is already installed from this very lock file.
    local stamp="$here/node_modules/.velmora-lock"
    if [ -f "$stamp" ] && cmp -s "$stamp" "$here/package-lock.json" \
        && [ -f "$here/node_modules/js-beautify/js/lib/beautify.js" ] \
        && compgen -G "$here/node_modules/@esbuild/linux-*/bin/esbuild" >/dev/null; then
        return 0
    fi
    say "installing npm dependencies (npm ci)"
    (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$here/package-lock.json" "$stamp"
}

have_node() { command -v node >/dev/null && command -v npm >/dev/null; }

setup() {
    local pkgs=("${base_packages[@]}")
    # A node installed from elsewhere (NodeSource's package bundles npm) serves as well as Debian's.
    have_node || pkgs+=(nodejs npm)
    if [ "${1:-}" = with-tests ]; then pkgs+=("${test_packages[@]}"); fi
    install_packages "${pkgs[@]}"
    install_npm
}

configure_and_build() {
    local dir=$1; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$here" -B "$dir" -G Ninja "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$jobs"
}

run_tests() {
    local dir=$1; shift
    (cd "$dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" "$@")
}

cmd=${1:-run}
case "$cmd" in
    build)
        setup
        configure_and_build "$build"
        ;;
    run)
        setup
        configure_and_build "$build"
        exec "$build/velmora"
        ;;
    test)
        setup with-tests
        configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
        run_tests "$build"
        # The unit tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer.
        configure_and_build "$asan_build" -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF -DVELMORA_SYSTEM_TESTS=OFF
        ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            run_tests "$asan_build" -L unit
        ;;
    bench)
        setup with-tests
        configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
        exec "$here/bench/run.sh" "$build"
        ;;
    *)
        echo "usage: $0 [run|test|bench|build]" >&2
        exit 2
        ;;
esac
