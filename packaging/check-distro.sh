#!/usr/bin/env bash
# Tries Mivora on a clean Debian release as a new machine would have it: makes a minimal root
# of that release with debootstrap, copies the committed sources into it, and there runs the
# two set-up commands' work with the release's own packages (its Qt, FFmpeg, PulseAudio):
# test.sh (installs what is missing, builds, runs the whole suite, the sound tests at a
# private server included) and packaging/check-package.sh (makes the package, installs it,
# starts it on a virtual screen, checks the screenshot, removes it).
#
# The root is kept between runs (only its copy of the sources is replaced), so a second run
# fetches nothing; MIVORA_DISTRO_FRESH=1 makes it anew.
# Needs root, debootstrap and a Debian mirror (MIVORA_MIRROR, default debootstrap's own).
# Usage: packaging/check-distro.sh bookworm|trixie [root directory]
set -euo pipefail
release=${1:?usage: packaging/check-distro.sh bookworm|trixie [root directory]}
case $release in
    bookworm | trixie) ;;
    *) echo "check-distro: $release is not one of the releases Mivora is checked on" >&2; exit 2 ;;
esac
source=$(cd "$(dirname "$0")/.." && pwd)
root=$(realpath -m "${2:-/var/tmp/mivora-distro/$release}")
mirror=(${MIVORA_MIRROR:-})
say() { echo "check-distro[$release]: $*"; }

[ "$(id -u)" -eq 0 ] || { echo "check-distro: needs root (debootstrap and chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "check-distro: debootstrap is missing" >&2; exit 1; }

mounted=()
cleanup() {
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[i]}" 2>/dev/null || true
    done
}
trap cleanup EXIT
mount_in() {
    mkdir -p "$root$2"
    mount "${@:3}" "$1" "$root$2"
    mounted+=("$root$2")
}

if [ "${MIVORA_DISTRO_FRESH:-0}" = 1 ]; then
    rm -rf "$root"
fi
if [ ! -x "$root/usr/bin/apt-get" ]; then
    say "making a minimal $release root in $root"
    rm -rf "$root"
    mkdir -p "$root"
    # ca-certificates: the mirror may be https. Everything else comes from the project's own
    # set-up script, as on any machine.
    debootstrap --variant=minbase --include=ca-certificates "$release" "$root" "${mirror[@]}" \
        >"$root.debootstrap.log" 2>&1 || {
        tail -20 "$root.debootstrap.log" >&2
        exit 1
    }
fi

say "copying the committed sources"
rm -rf "$root/src"
mkdir -p "$root/src"
git -C "$source" archive HEAD | tar -x -C "$root/src"

mount_in proc /proc -t proc
mount_in sysfs /sys -t sysfs
mount_in /dev /dev --bind
mount_in devpts /dev/pts -t devpts
mount_in tmpfs /dev/shm -t tmpfs
mount_in tmpfs /tmp -t tmpfs
cp /etc/resolv.conf "$root/etc/resolv.conf"

started=$(date +%s)
say "building and running the whole suite with $release's own packages"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    bash -c 'cd /src && ./test.sh' 2>&1 | tee "$root.test.log" | grep -E '^(mivora|[0-9]+% tests|The following|\s+[0-9]+ - )' || true
grep -q '^100% tests passed' "$root.test.log" || { say "the suite failed; see $root.test.log"; exit 1; }
say "the package: made, installed, started, removed"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    bash -c 'cd /src && packaging/check-package.sh /src/build/package-check' 2>&1 |
    tee "$root.package.log" | grep -E '^check-package' || true
grep -q 'check-package: passed' "$root.package.log" || { say "the package check failed; see $root.package.log"; exit 1; }
mkdir -p "$source/build/distro-check"
cp "$root"/src/build/package-check/*.png "$source/build/distro-check/" 2>/dev/null || true
say "passed in $(($(date +%s) - started)) s (screenshots in build/distro-check)"
