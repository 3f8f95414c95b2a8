#!/usr/bin/env bash
# Redraws the pictures of the resource tree (sprite sheets, backgrounds, splash, quit icon),
# each at 1x and 2x (name@2x), from the two style sheets and the program's icon for the desktop (packaging/icons), and
# writes contact sheets of every button slice for checking.
# Usage: tools/artwork/make_images.sh [build dir] [contact sheet dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
contacts=${2:-$build/contact}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja
fi
cmake --build "$build" -j2 --target mivora_artwork
mkdir -p "$contacts"
export QT_QPA_PLATFORM=offscreen
"$build/tools/artwork/mivora_artwork" draw "$root/resources"
"$build/tools/artwork/mivora_artwork" icons "$root/packaging/icons"
"$build/tools/artwork/mivora_artwork" contact "$root/resources" "$contacts"
echo "Pictures written to $root/resources and $root/packaging/icons; contact sheets in $contacts"
