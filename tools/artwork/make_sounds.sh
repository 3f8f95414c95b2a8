#!/usr/bin/env bash
# Makes the short sounds of the resource tree: the find-it game's spoken prompt, praises and
# try-agains (MP3, 44.1 kHz) and the spelling practice's right and wrong signals (WAV).
# Needs espeak-ng, sox and lame. Usage: tools/artwork/make_sounds.sh
set -euo pipefail
out=$(cd "$(dirname "$0")/../.." && pwd)/resources/audio
for tool in espeak-ng sox lame; do
    command -v "$tool" >/dev/null || { echo "make_sounds: $tool is missing" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
# Repeatable dither, so running this again without changes gives the same files.
sox() { command sox -R "$@"; }

# A bright, friendly woman's voice, a little slower than usual so a young learner follows.
voice=en-us+f3
speed=140
pitch=68

# speak <text> <name> [pitch]: speech, trimmed of its silences, gently compressed and
# normalised, with a short breath of silence on either side, encoded as mono MP3 at 44.1 kHz.
speak() {
    local text=$1 name=$2 p=${3:-$pitch}
    espeak-ng -v "$voice" -s "$speed" -p "$p" -a 160 -w "$work/$name.raw.wav" "$text"
    sox "$work/$name.raw.wav" -r 44100 -c 1 -b 16 "$work/$name.trim.wav" \
        gain -3 silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse
    sox "$work/$name.trim.wav" "$work/$name.wav" \
        compand 0.02,0.2 -60,-60,-30,-18,0,-6 -3 norm -1 fade q 0.01 0 0.03 pad 0.05 0.1
    lame --quiet --noreplaygain -m m -b 64 --resample 44.1 "$work/$name.wav" "$out/$name.mp3"
}

speak "Listen and find!" Prompt
speak "Great!" right0 74
speak "Well done!" right1 72
speak "Excellent!" right2 74
speak "Try again!" err0 60
speak "Oops, not quite!" err1 60

# Right answer: a rising C major arpeggio of small bells, each note ringing into the next.
# Each bell has a faint, slightly sharp octave above its note, which makes it ring.
bell() { # bell <name> <frequency> <overtone frequency> <start seconds>
    sox -n -r 44100 -c 1 -b 16 "$work/$1.wav" synth 0.5 sine "$2" sine "$3" \
        remix 1v0.8,2v0.2 fade l 0.004 0.5 0.48 pad "$4" 0
}
bell c6 1046.5 2103.5 0
bell e6 1318.5 2650.2 0.08
bell g6 1568.0 3151.7 0.16
bell c7 2093.0 4206.9 0.24
sox -m -v 0.45 "$work/c6.wav" -v 0.45 "$work/e6.wav" -v 0.45 "$work/g6.wav" -v 0.5 "$work/c7.wav" \
    "$work/chime.wav" norm -3
sox "$work/chime.wav" -r 22050 -c 2 -b 8 -e unsigned-integer "$out/wordright.wav"

# Wrong answer: a soft, low double buzz, two slightly detuned tones so it purrs rather than
# stings, with the top cut off.
sox -n -r 44100 -c 1 -b 16 "$work/buzz.wav" synth 0.16 square 130 square 134 remix 1v0.3,2v0.3 \
    lowpass 800 lowpass 800 fade q 0.01 0.16 0.05 pad 0 0.06 repeat 1
sox "$work/buzz.wav" -r 11025 -c 1 -b 16 -e signed-integer "$out/worderr.wav" norm -3

echo "Sounds written to $out"
