#!/usr/bin/env bash
# Makes the Debian package from build/, has lintian check it and its debugging symbols'
# package as Debian's archive would (any error or warning fails), and tries it as a family
# would: installs it with apt-get (which fetches what it depends on), starts `mivora` from
# PATH on a virtual screen, asks to quit (the box must come up and end the program when
# answered), then removes the package and checks that nothing of it is left. Needs root or
# sudo, lintian, Xvfb and xdotool; screenshots go to the directory given (default
# build/package-check).
# Usage: packaging/check-package.sh [screenshot dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shots=$(realpath -m "${1:-$root/build/package-check}")
mkdir -p "$shots"

if [ "$(id -u)" -eq 0 ]; then
    sudo=()
else
    sudo=(sudo)
fi
apt() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
say() { echo "check-package: $*"; }
fail() {
    echo "check-package: $*" >&2
    exit 1
}

if dpkg-query -W -f='${Status}' mivora 2>/dev/null | grep -q 'install ok installed'; then
    fail "mivora is installed already; remove it first, this check installs and removes it."
fi

say "making the package"
rm -rf "$root/build/package"
(cd "$root/build" && cpack -G DEB -B "$root/build/package" >/dev/null)
debs=("$root"/build/package/mivora_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "expected one package, found: ${debs[*]}"
deb=${debs[0]}
dpkg-deb -f "$deb" Package Version Depends Recommends
symbols=("$root"/build/package/mivora-dbgsym_*.ddeb)
[ ${#symbols[@]} -eq 1 ] && [ -f "${symbols[0]}" ] ||
    fail "expected one package of debugging symbols, found: ${symbols[*]}"

say "lintian"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" "${symbols[0]}" ||
    fail "lintian found errors or warnings (above)"

xvfb=""
wm=""
app=""
installed=0
cleanup() {
    for pid in "$app" "$wm" "$xvfb"; do
        if [ -n "$pid" ]; then
            kill "$pid" 2>/dev/null || true
        fi
    done
    if [ "$installed" -eq 1 ]; then
        apt remove -y -qq mivora >/dev/null 2>&1 || true
    fi
}
trap cleanup EXIT

say "installing $(basename "$deb")"
apt install -y -qq "$deb" >/dev/null
installed=1
[ "$(command -v mivora)" = /usr/bin/mivora ] || fail "mivora is not on PATH after installing"

# A display of our own: Xvfb picks a free number and writes it to fd 3.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
[ -s "$display_file" ] || fail "Xvfb did not start"
DISPLAY=":$(cat "$display_file")"
export DISPLAY
rm -f "$display_file"
# Under a window manager when there is one, as on a desktop.
if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    wm=$!
fi

shot() { ffmpeg -loglevel error -y -f x11grab -video_size 1280x1024 -i "$DISPLAY" -frames:v 1 "$shots/$1"; }

say "starting mivora from PATH in $HOME"
(cd "$HOME" && exec mivora) >"$shots/mivora.log" 2>&1 &
app=$!
# The splash comes first; the main window is the one of 1100 x 723.
main_window() {
    local w
    for w in $(xdotool search --onlyvisible --classname '^mivora$' 2>/dev/null); do
        if xdotool getwindowgeometry "$w" | grep -q 'Geometry: 1100x723'; then
            echo "$w"
            return 0
        fi
    done
    return 1
}
window=""
for _ in $(seq 300); do
    window=$(main_window) && break
    sleep 0.1
done
[ -n "$window" ] || fail "no main window of mivora within 30 s (log: $shots/mivora.log)"
# Give the first paint of the spread a moment.
sleep 1
shot book.png
[ "$(readlink "/proc/$app/cwd")" = /usr/lib/mivora ] || fail "mivora does not run in /usr/lib/mivora"

say "asking to quit"
xdotool windowfocus --sync "$window" key ctrl+q
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Mivora提示你:$' | head -1) ||
    fail "the quit box did not come up"
sleep 1
shot quit-box.png
xdotool windowfocus --sync "$box" key alt+y
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app" 2>/dev/null; then
    fail "mivora did not end after the quit box was answered"
fi
wait "$app" || fail "mivora ended with an error (log: $shots/mivora.log)"
app=""

say "removing the package"
mapfile -t owned < <(dpkg -L mivora)
apt remove -y -qq mivora >/dev/null
installed=0
left=()
for path in "${owned[@]}"; do
    # Directories such as /usr/share/icons are shared with other packages.
    [ -e "$path" ] && [ ! -d "$path" ] && left+=("$path")
done
[ -e /usr/lib/mivora ] && left+=(/usr/lib/mivora)
[ ${#left[@]} -eq 0 ] || fail "left behind after removal: ${left[*]}"
if dpkg-query -W -f='${Status}' mivora 2>/dev/null | grep -q 'install ok installed'; then
    fail "mivora is still installed"
fi
say "passed; screenshots in $shots"
