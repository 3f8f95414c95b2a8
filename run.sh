#!/usr/bin/env bash
# Installs what is missing, builds, and starts Mivora on the demo book.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "mivora: built in build/out, but there is no display to show it on (DISPLAY is not set)." >&2
    echo "        Start it from a desktop session, or under a virtual X server:" >&2
    echo "        Xvfb :9 & DISPLAY=:9 ./run.sh" >&2
    exit 1
fi
# The page images are found relative to the working directory.
cd build/out
exec ./mivora "$@"
