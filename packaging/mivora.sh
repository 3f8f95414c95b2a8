#!/bin/sh
# Starts Mivora in its content directory, where it finds the page bundles: ../lib/mivora from
# this script's own place, wherever the tree was installed and however the script was reached.
here=$(dirname "$(readlink -f "$0")")
cd "$here/../lib/mivora" || exit 1
exec ./mivora "$@"
