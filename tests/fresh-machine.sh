#!/usr/bin/env bash
# Proves the README's commands on a machine that has nothing but Debian 12: builds a minimal bookworm root with
# debootstrap, puts a clean clone of this repository's HEAD in it and runs './velmora.sh build' and then
# './velmora.sh test' there as root, in a chroot. Prints how long each took and PASS or FAIL. Takes many minutes and
# downloads a few hundred MB of Debian packages, so it is not part of .ci/run.
#
#   tests/fresh-machine.sh [--cache DIR] [--keep] [--mirror URL]
#
#   --cache DIR   keep the downloaded Debian packages in DIR and take them from there next time. The root is still
#                 bootstrapped afresh and velmora.sh still installs every package itself; only downloads are saved.
#   --keep        leave the root in place afterwards (its path is printed) instead of removing it.
#   --mirror URL  the Debian mirror (default http://deb.debian.org/debian).
#
# Needs root (debootstrap, mount, chroot); installs debootstrap on the host when it is missing. Uncommitted changes
# are not part of the proof: only what HEAD holds is cloned.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
suite=bookworm
mirror=http://deb.debian.org/debian
cache=
keep=

while [ $# -gt 0 ]; do
    case "$1" in
        --cache) cache=$(mkdir -p "$2" && cd "$2" && pwd); shift 2 ;;
        --keep) keep=1; shift ;;
        --mirror) mirror=$2; shift 2 ;;
        *) echo "usage: $0 [--cache DIR] [--keep] [--mirror URL]" >&2; exit 2 ;;
    esac
done

say() { printf '[fresh-machine] %s\n' "$*"; }
die() { say "FAIL: $*"; exit 1; }

[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, mount and chroot)"
command -v git >/dev/null || die "git is not installed: install git"
if ! command -v debootstrap >/dev/null; then
    say "installing debootstrap on the host"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
fi

head=$(git -C "$repo" rev-parse HEAD)
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
    say "note: the working tree has uncommitted changes; they are not tested"
fi

root=$(mktemp -d /var/tmp/velmora-fresh.XXXXXX)
# It becomes '/': other users (apt's _apt, the tests' nobody) must be able to enter it.
chmod 755 "$root"

# Everything mounted under the root, deepest first, as the kernel lists it.
mounted_under_root() {
    awk -v r="$root" '$2 == r || index($2, r "/") == 1 {print $2}' /proc/self/mounts | sort -r
}

cleanup() {
    local rc=$? pid mnt
    # Anything still running in the root (an X server a test left behind, say) keeps its mounts busy: end those
    # processes, and only those, by their ids.
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null || true
    done
    for mnt in $(mounted_under_root); do
        umount "$mnt" 2>/dev/null || umount -l "$mnt" 2>/dev/null || say "could not unmount $mnt"
    done
    rm -rf --one-file-system "$root.tarball" "$root.debootstrap.log"
    if [ -n "$(mounted_under_root)" ]; then
        # Removing the tree now would reach into the host's /dev or /sys through the bind mounts.
        say "mounts are left under $root: not removing it"
    elif [ -n "$keep" ]; then
        say "the root is kept in $root"
    else
        rm -rf --one-file-system "$root"
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# ---- the root: what 'debootstrap --variant=minbase' installs, and nothing else --------------------------------
clock=$SECONDS
say "bootstrapping Debian $suite (minbase) in $root from $mirror"
bootstrap=(debootstrap --variant=minbase "$suite" "$root" "$mirror")
if [ -n "$cache" ]; then
    tarball="$cache/debootstrap-$suite-minbase.tgz"
    if [ ! -f "$tarball" ]; then
        debootstrap --variant=minbase --make-tarball="$tarball.part" "$suite" "$root.tarball" "$mirror" \
            >"$root.debootstrap.log" 2>&1 || { tail -n 30 "$root.debootstrap.log"; die "debootstrap --make-tarball failed"; }
        mv "$tarball.part" "$tarball"
        rm -rf --one-file-system "$root.tarball"
    fi
    bootstrap=(debootstrap --variant=minbase --unpack-tarball="$tarball" "$suite" "$root" "$mirror")
fi
if ! "${bootstrap[@]}" >"$root.debootstrap.log" 2>&1; then
    tail -n 30 "$root.debootstrap.log"
    die "debootstrap failed"
fi
rm -f "$root.debootstrap.log"
say "root ready in $((SECONDS - clock)) s"

# The package sources of an installed Debian 12: the release, its updates and its security updates.
security=${mirror%/debian}/debian-security
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOF
# The network as this machine has it: its name servers, and the local certificate authorities it trusts for TLS
# (an egress proxy's, say), which the root's ca-certificates takes in once velmora.sh installs it. No packages.
cp /etc/resolv.conf "$root/etc/resolv.conf"
if compgen -G "/usr/local/share/ca-certificates/*.crt" >/dev/null; then
    mkdir -p "$root/usr/local/share/ca-certificates"
    cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/"
    say "trusting this machine's local certificate authorities: $(cd /usr/local/share/ca-certificates && echo *.crt)"
fi
echo "velmora-fresh" >"$root/etc/hostname"

mount_in_root() {
    local target="$root$1"; shift
    mkdir -p "$target"
    mount "$@" "$target"
}
mount_in_root /proc -t proc proc
mount_in_root /sys --bind /sys
mount_in_root /dev --bind /dev
mount_in_root /dev/pts --bind /dev/pts
mount_in_root /dev/shm -t tmpfs -o mode=1777 tmpfs
if [ -n "$cache" ]; then
    mkdir -p "$cache/apt-archives/partial"
    mount_in_root /var/cache/apt/archives --bind "$cache/apt-archives"
fi

# ---- a clean clone of HEAD: no build trees, no node_modules, no uncommitted files ------------------------------
git clone --quiet --no-hardlinks "$repo" "$root/root/velmora"
git -C "$root/root/velmora" checkout --quiet --detach "$head"
say "cloned $(git -C "$root/root/velmora" log -1 --format='%h %s')"

# A root login's environment on a fresh machine, and nothing of this one's.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        /bin/bash -c 'cd /root/velmora && "$@"' bash "$@"
}

results=()
failed=
step() {
    local start=$SECONDS rc=0
    say "running: $*"
    in_root "$@" || rc=$?
    local took=$((SECONDS - start))
    results+=("$(printf '%-22s %5d s  exit %d' "$*" "$took" "$rc")")
    say "$* took ${took} s (exit $rc)"
    [ "$rc" -eq 0 ] || failed=1
    return "$rc"
}

step ./velmora.sh build && step ./velmora.sh test || true

echo
say "summary (Debian $suite minbase, HEAD ${head:0:7}):"
for line in "${results[@]}"; do say "  $line"; done
if [ -z "$failed" ] && [ ${#results[@]} -eq 2 ]; then
    say "PASS"
else
    say "FAIL"
    exit 1
fi
