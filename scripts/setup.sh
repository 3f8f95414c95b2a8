#!/usr/bin/env bash
# Installs what Mivora needs and is missing, then configures and builds it in build/.
# Shared by run.sh and test.sh; safe to run again, and quick when nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."

# Debian package -> why it is needed.
packages=(
    "cmake:build system"
    "ninja-build:build tool"
    "g++:C++ compiler"
    "qt6-base-dev:Qt 6 widgets, XML and test libraries"
    "qt6-base-dev-tools:Qt 6 moc and rcc"
    "qt6-multimedia-dev:Qt 6 audio formats"
    "qt6-charts-dev:the chart of the practice history (Qt Charts)"
    "libqt6opengl6-dev:Qt Charts' CMake files ask for Qt OpenGL's, which qt6-charts-dev does not bring"
    "qt6-qpa-plugins:Qt 6 X11 window support"
    "libpulse-dev:the players' own stream to the sound server (PulseAudio or PipeWire's PulseAudio layer)"
    "libavformat-dev:reading compressed recordings and effect sounds (FFmpeg's demuxers)"
    "libavcodec-dev:decoding compressed recordings and effect sounds (FFmpeg's decoders)"
    "libswresample-dev:turning decoded sound into the samples the sound server takes"
    "libswscale-dev:turning the animations' decoded pictures into the screen's pixels"
    "zlib1g-dev:checking zlib-compressed entries of the page bundles"
    "libzstd-dev:checking zstd-compressed entries of the page bundles"
    "espeak-ng:speech for the demo book's audio"
    "sox:assembling the demo book's audio"
    "ffmpeg:the demo book's animation movies; mvrbook's reading and converting of recordings and movies"
    "pkg-config:finding libpulse's, FFmpeg's and Tesseract's libraries for the build"
    "libtesseract-dev:mvrbook draft reads the English on page scans with Tesseract OCR"
    "tesseract-ocr-eng:Tesseract's English data, for mvrbook draft"
    "lame:VBR MP3 recordings of the small book the mvrbook tests make"
    "pulseaudio-utils:recording at a private sound server, in the sound tests and benchmark"
    "xvfb:a virtual screen for the sound benchmark, trying the installed package and the editing session"
    "x11-utils:waiting for that screen in the sound benchmark"
    "python3-xlib:clicking with exact times in the sound benchmark"
    "clang-format:the formatting check of .ci/run"
    "desktop-file-utils:checking the desktop entry"
    "appstream:checking the AppStream metainfo"
    "dpkg-dev:the Debian package's library dependencies (dpkg-shlibdeps)"
    "lintian:checking the Debian package as Debian's archive would"
    "xdotool:answering the installed program's quit box and driving the editing session"
    "openbox:a window manager on the virtual screen"
    "debootstrap:a clean root of each Debian release for packaging/check-distro.sh"
)
# What the program needs at run time, shared with the Debian package's dependencies.
while IFS= read -r line; do
    case $line in '' | '#'*) continue ;; esac
    packages+=("$line")
done <packaging/runtime-packages
# The sound tests start a private PulseAudio server. On a desktop whose sound server is
# PipeWire's PulseAudio layer, installing pulseaudio would remove that layer: there it is left
# out, and those tests say they are skipped.
if dpkg-query -W -f='${Status}' pipewire-pulse 2>/dev/null | grep -q 'install ok installed'; then
    echo "mivora: PipeWire's sound server is installed; not installing pulseaudio (the sound tests will be skipped)."
else
    packages+=("pulseaudio:a private sound server for the sound tests and benchmark")
fi

missing=()
for entry in "${packages[@]}"; do
    name=${entry%%:*}
    if ! dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$entry")
    fi
done

if ((${#missing[@]})); then
    if ! command -v apt-get >/dev/null 2>&1; then
        echo "mivora: this system has no apt-get. Please install the equivalents of:" >&2
        printf '  %s (%s)\n' "${missing[@]/:/ }" >&2
        exit 1
    fi
    echo "mivora: installing missing packages:"
    for entry in "${missing[@]}"; do
        printf '  %-28s %s\n' "${entry%%:*}" "${entry#*:}"
    done
    if [ "$(id -u)" -eq 0 ]; then
        sudo=()
    elif command -v sudo >/dev/null 2>&1; then
        sudo=(sudo)
    else
        echo "mivora: installing needs root; run this as root or install sudo." >&2
        exit 1
    fi
    names=("${missing[@]%%:*}")
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${names[@]}"
fi

# MIVORA_WERROR=ON (as .ci/run sets it) builds with warnings as errors; the setting stays in
# the build directory until it is given again.
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DMIVORA_WERROR="${MIVORA_WERROR:-OFF}"
elif [ -n "${MIVORA_WERROR:-}" ]; then
    cmake -S . -B build -DMIVORA_WERROR="$MIVORA_WERROR" >/dev/null
fi
cmake --build build
