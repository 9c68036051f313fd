#!/usr/bin/env bash
# Makes the encoder files the upload tests read: two seconds of a 440 Hz tone,
# mono, through Debian's lame (layer 3) and twolame (layer 2). lame writes the
# ID3v2 tags itself; the layer 2 tag is written by tone.py.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for rate in 44100 22050 11025 24000 48000; do
  python3 tone.py wav "$rate" "$work/tone-$rate.wav"
done
tag=(--tt "Tone" --ta "Mellifon" --id3v2-only)
lame --quiet -m m --resample 44.1 -b 32 "${tag[@]}" "$work/tone-44100.wav" l3-mpeg1-44100-tagged.mp3
lame --quiet -m m --resample 44.1 -b 32 "$work/tone-44100.wav" l3-mpeg1-44100.mp3
lame --quiet -m m --resample 22.05 -b 16 "${tag[@]}" "$work/tone-22050.wav" l3-mpeg2-22050-tagged.mp3
lame --quiet -m m --resample 11.025 -b 8 "${tag[@]}" "$work/tone-11025.wav" l3-mpeg25-11025-tagged.mp3
twolame --quiet -m m -b 32 "$work/tone-24000.wav" "$work/l2-24000.mp2"
python3 tone.py tag "$work/l2-24000.mp2" l2-mpeg2-24000-tagged.mp2
twolame --quiet -m m -b 32 "$work/tone-48000.wav" l2-mpeg1-48000.mp2
