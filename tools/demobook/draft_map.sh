#!/usr/bin/env bash
# Makes the map of the demo book's laid-out spreads (those after unit 1) as an author makes a
# book's map: draws and records the book, drafts the map with `mvrbook draft` from the pages
# and recordings, and applies the author's corrections and Chinese (corrections.txt) to the
# draft. The result is written into resources/point.xml, which is compiled into the program
# and committed: drafting takes a minute or three on two cores, too long for every
# build. Run it after changing the laid-out spreads in book.txt, or the draft, and commit
# resources/point.xml when `git diff` shows what you meant.
#
#   tools/demobook/draft_map.sh [BUILD_DIR]      (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}

cmake --build "$build" --target mvrdemo mvrbook
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export QT_QPA_PLATFORM=offscreen
"$build/tools/demobook/mvrdemo" --out "$work/book" --map resources/point.xml \
    --words resources/word.xml --text tools/demobook/book.txt

# Only the laid-out spreads are drafted: the others keep the map they have.
mkdir -p "$work/draft/pages" "$work/draft/audio"
for tag in $(sed -n 's/^\[\(P[0-9]*-[0-9]*\)\]$/\1/p' tools/demobook/corrections.txt); do
    left=${tag#P}
    k=$(( ${left%-*} / 2 ))
    cp "$work/book/pages/$k.png" "$work/draft/pages/"
    cp "$work/book/audio/$k.wav" "$work/draft/audio/"
done
"$build/tools/mvrbook/mvrbook" draft "$work/draft"

"$build/tools/demobook/mvrdemo" --merge-draft "$work/draft" \
    --corrections tools/demobook/corrections.txt --map resources/point.xml
echo "resources/point.xml: the laid-out spreads drafted and corrected; see git diff"
